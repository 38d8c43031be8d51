// The script language's commands on a session: connecting, directories, listings, the queue,
// the DDE link, dial-up. Transfers and file operations are in sessionexecutorfiles.cpp.
#include "scripting/sessionexecutor.h"

#include "dialup/tapi.h"
#include "engine/ftp.h"
#include "scripting/ddelink.h"
#include "scripting/ddetexts.h"
#include "scripting/netrc.h"
#include "scripting/selection.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "transfers/queuebuilder.h"
#include "transfers/queuefile.h"
#include "transfers/transferqueue.h"

#include <QDir>
#include <QFileInfo>

SessionScriptExecutor::SessionScriptExecutor(SessionController& session, LocalDirectoryModel& local,
                                             TransferQueue& queue, DdeLink& dde, RemoteFileOps& remoteOps,
                                             QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_local(local)
    , m_queue(queue)
    , m_dde(dde)
    , m_remoteOps(remoteOps)
{
    // What a DDE client hears of every listing, whoever started it.
    connect(&m_local, &LocalDirectoryModel::finished, this, &SessionScriptExecutor::SendLocalListing);
    connect(&m_session.Remote(), &RemoteDirectoryModel::finished, this, &SessionScriptExecutor::SendRemoteListing);
}

SessionScriptExecutor::~SessionScriptExecutor() = default;

void SessionScriptExecutor::SendLocalListing()
{
    for (const QString& text :
         DdeText::LocalListingReplies(m_local.currentDirectory(), m_local.entries(), m_session.TransferRunning()))
        m_dde.SendToDdeClient(text);
}

void SessionScriptExecutor::SendRemoteListing()
{
    for (const QString& text : DdeText::RemoteListingReplies(m_session.Remote().entries(), m_session.TransferRunning()))
        m_dde.SendToDdeClient(text);
}

bool SessionScriptExecutor::SessionBusy() const
{
    const SessionState state = m_session.State();
    return state != SessionState::Idle && state != SessionState::NotConnected && state != SessionState::StartingUp;
}

QString SessionScriptExecutor::LocalPath(const QString& name) const
{
    return QFileInfo(QDir(m_local.currentDirectory()), name).absoluteFilePath();
}

bool SessionScriptExecutor::Exists(ScriptSide side, const QString& name)
{
    if (side == ScriptSide::Remote) {
        for (const FileEntry& entry : m_session.Remote().entries()) {
            if (entry.name == name)
                return true;
        }
        return false;
    }
    return QFileInfo::exists(LocalPath(name));
}

// --- Completion ----------------------------------------------------------------------------

void SessionScriptExecutor::completeWithActivity(ScriptCompletion done, const QString& refusal)
{
    const quint64 activity = m_session.CurrentActivity();
    if (activity == 0) {
        done.Fail(refusal);
        return;
    }
    auto* watch = new QObject(this);
    connect(&m_session, &SessionController::activityFinished, watch, [watch, activity, done](quint64 id, bool ok) {
        if (id != activity)
            return;
        watch->deleteLater();
        if (ok)
            done.Succeed();
        else
            done.Fail();
    });
}

// Commands that start a session operation run only in a ready session.
bool SessionScriptExecutor::ensureIdle(const ScriptInstruction& instruction, const ScriptCompletion& done)
{
    if (m_session.State() == SessionState::Idle)
        return true;
    const QString text = m_session.State() == SessionState::NotConnected
                             ? QStringLiteral("ERROR: Not connected: ") + instruction.CompiledText()
                             : QStringLiteral("ERROR: The session is busy: ") + instruction.CompiledText();
    m_session.LogLine(text, SessionController::LogError);
    done.Fail(text);
    return false;
}

// --- Dispatch ------------------------------------------------------------------------------

void SessionScriptExecutor::Execute(const ScriptInstruction& instruction, ScriptCompletion done)
{
    const auto succeed = [&] { done.Succeed(); };
    switch (instruction.command) {
    case ScriptCommand::Connect: return connectTo(instruction.argument, done);
    case ScriptCommand::Disconnect:
        if (m_session.State() != SessionState::NotConnected)
            m_session.Disconnect();
        return succeed();
    case ScriptCommand::Abort:
        m_session.Abort();
        return succeed();
    case ScriptCommand::Hide:
    case ScriptCommand::Unhide:
    case ScriptCommand::Exit: {
        const auto& hook = instruction.command == ScriptCommand::Hide     ? m_hooks.hide
                           : instruction.command == ScriptCommand::Unhide ? m_hooks.unhide
                                                                          : m_hooks.exit;
        if (hook)
            hook();
        return succeed();
    }
    case ScriptCommand::Status:
        if (const std::optional<QString> reply = DdeText::StatusReply(m_session.State()))
            m_dde.SendToDdeClient(*reply);
        return succeed();
    case ScriptCommand::Hangup: return hangUp(done);
    case ScriptCommand::Ascii: m_session.SetTransferMode(TransferModeChoice::Ascii); return succeed();
    case ScriptCommand::Binary: m_session.SetTransferMode(TransferModeChoice::Binary); return succeed();
    case ScriptCommand::Auto: m_session.SetTransferMode(TransferModeChoice::Auto); return succeed();
    case ScriptCommand::Queue: return addToQueue(instruction, done);
    case ScriptCommand::Raw: return sendRaw(instruction.argument, done);
    case ScriptCommand::Cd: return changeDirectory(instruction, done);
    case ScriptCommand::Dir: return listDirectory(instruction, done);
    case ScriptCommand::Path:
        m_dde.SendToDdeClient(instruction.side == ScriptSide::Local
                                  ? DdeText::LocalPathReply(m_local.currentDirectory())
                                  : DdeText::RemotePathReply(m_session.Remote().currentDirectory()));
        return succeed();
    case ScriptCommand::Filter:
        (instruction.side == ScriptSide::Local ? m_local.filter().mask : m_session.Remote().filter().mask) =
            instruction.argument;
        return succeed();
    case ScriptCommand::DdeLink:
    case ScriptCommand::DdeOpen: {
        const auto opened = [done](bool ok) {
            if (ok)
                done.Succeed();
            else
                done.Fail(QStringLiteral("ERROR: DDE link failed."));
        };
        if (instruction.command == ScriptCommand::DdeLink)
            m_dde.LinkTo(instruction.argument, opened);
        else
            m_dde.OpenClient(opened);
        return;
    }
    case ScriptCommand::DdeClose:
        m_dde.CloseClient();
        return succeed();
    case ScriptCommand::LoadQueue:
    case ScriptCommand::SaveQueue:
    case ScriptCommand::ClearQueue: return queueFile(instruction, done);
    case ScriptCommand::Dial: return dial(instruction.argument, done);
    default: return executeFileCommand(instruction, done);
    }
}

// --- Connecting ----------------------------------------------------------------------------

void SessionScriptExecutor::connectTo(const QString& argument, ScriptCompletion done)
{
    if (m_session.State() != SessionState::NotConnected)
        m_session.ResetToDisconnected();
    const SettingsStore& settings = m_session.Settings();
    ConnectionRequest request =
        resolveServerText(argument, {}, QString(), m_session.Sites(), settings.config().Email);
    // A script need not hold passwords: ~/.netrc gives them, as for curl and lftp.
    if (request.password.isEmpty() && request.origin != ConnectionRequest::Origin::Site)
        ApplyNetrc(request);
    m_session.SetFollow(FollowUp::None);
    m_session.SetState(SessionState::LoggingIn);
    if (!m_session.Connect(request)) {
        m_session.ResetToDisconnected();
        const QString text = QStringLiteral("ERROR: Cannot connect to ") + argument;
        m_session.LogLine(text, SessionController::LogError);
        done.Fail(text, ScriptFailure::Connect);
        return;
    }
    completeWithActivity(done, QString());
}

// --- Directories and listings --------------------------------------------------------------

void SessionScriptExecutor::changeDirectory(const ScriptInstruction& instruction, ScriptCompletion done)
{
    if (instruction.side == ScriptSide::Local) {
        if (!m_local.enter(instruction.argument)) {
            const QString text = QStringLiteral("ERROR: Unable to access ") + m_local.resolve(instruction.argument);
            m_session.LogLine(text, SessionController::LogError);
            done.Fail(text);
            return;
        }
        done.Succeed();
        return;
    }
    if (!ensureIdle(instruction, done))
        return;
    m_session.ChangeRemoteDirectory(instruction.argument);
    completeWithActivity(done, QStringLiteral("ERROR: Cannot change the remote directory."));
}

void SessionScriptExecutor::listDirectory(const ScriptInstruction& instruction, ScriptCompletion done)
{
    if (instruction.side == ScriptSide::Local) {
        m_local.read(m_session.TransferRunning());
        done.Succeed();
        return;
    }
    if (m_session.State() != SessionState::Idle || !m_session.RefreshCurrent()) {
        m_dde.SendToDdeClient(QString::fromLatin1(DdeText::CannotGetRemoteDirectory));
        done.Fail(QString::fromLatin1(DdeText::CannotGetRemoteDirectory), ScriptFailure::Other);
        return;
    }
    completeWithActivity(done, QString::fromLatin1(DdeText::CannotGetRemoteDirectory));
}

// --- The queue -----------------------------------------------------------------------------

void SessionScriptExecutor::addToQueue(const ScriptInstruction& instruction, ScriptCompletion done)
{
    const bool local = instruction.side == ScriptSide::Local;
    const std::vector<FileEntry>& entries = local ? m_local.entries() : m_session.Remote().entries();
    QueueSelection selection;
    selection.side = local ? QueueSide::Local : QueueSide::Remote;
    for (const int index : SelectByMask(entries, instruction.argument))
        selection.items.push_back(entries[size_t(index)]);
    selection.localDir = m_local.currentDirectory();
    selection.remoteDir = m_session.Ftp().SessionConnected() ? m_session.Remote().currentDirectory() : QString();
    selection.linksAsFiles = m_session.Remote().filter().resolveLinks;
    QStringList logLines;
    AddSelectionToQueue(m_queue, selection, &logLines);
    for (const QString& line : logLines)
        m_session.LogLine(line);
    done.Succeed();
}

void SessionScriptExecutor::queueFile(const ScriptInstruction& instruction, ScriptCompletion done)
{
    if (instruction.command == ScriptCommand::ClearQueue) {
        m_queue.clear();
        done.Succeed();
        return;
    }
    const QString path = LocalPath(instruction.argument);
    if (instruction.command == ScriptCommand::SaveQueue) {
        const QueueFile::WriteResult written = QueueFile::write(path, m_queue.entries());
        if (!written.ok) {
            m_session.LogLine(QStringLiteral("ERROR: ") + written.error, SessionController::LogError);
            done.Fail(written.error, ScriptFailure::Other);
            return;
        }
        done.Succeed();
        return;
    }
    const QueueFile::ReadResult read = QueueFile::read(path);
    for (const QString& problem : read.problems)
        m_session.LogLine(problem, SessionController::LogError);
    if (!read.ok) {
        m_session.LogLine(QStringLiteral("ERROR: ") + read.error, SessionController::LogError);
        done.Fail(read.error, ScriptFailure::Other);
        return;
    }
    m_queue.append(read.entries);
    done.Succeed();
}

// --- Raw commands --------------------------------------------------------------------------

// The line goes on with the first reply; a refusal (4xx, 5xx) is a failure.
void SessionScriptExecutor::sendRaw(const QString& command, ScriptCompletion done)
{
    ScriptInstruction raw;
    raw.command = ScriptCommand::Raw;
    raw.argument = command;
    if (!ensureIdle(raw, done))
        return;
    auto* watch = new QObject(this);
    auto reply = std::make_shared<QString>();
    connect(&m_session, &SessionController::logLine, watch, [reply](const QString& text, int kind) {
        if (kind == SessionController::LogReply && reply->isEmpty())
            *reply = text;
    });
    connect(&m_session, &SessionController::rawCommandDone, watch, [watch, reply, done] {
        watch->deleteLater();
        const QChar code = reply->isEmpty() ? QChar() : reply->at(0);
        if (code == QLatin1Char('4') || code == QLatin1Char('5'))
            done.Fail(*reply, ScriptFailure::Other);
        else
            done.Succeed();
    });
    connect(&m_session, &SessionController::disconnected, watch, [watch, done] {
        watch->deleteLater();
        done.Fail(QStringLiteral("ERROR: Server disconnected."), ScriptFailure::Other);
    });
    if (!m_session.SendRawCommand(command)) {
        watch->deleteLater();
        done.Fail(QStringLiteral("ERROR: Cannot send ") + command, ScriptFailure::Other);
    }
}

// --- Dial-up -------------------------------------------------------------------------------

void SessionScriptExecutor::dial(const QString& entry, ScriptCompletion done)
{
    if (!m_dialup)
        m_dialup = std::make_unique<TTapi>();
    TTapi& tapi = *m_dialup;
    tapi.OnNotify = [this](int, const QString& text) { m_session.LogLine(text); };
    tapi.OnMessage = [this](const QString& text) { m_session.LogLine(text, SessionController::LogError); };
    tapi.OnConnect = [done] { done.Succeed(); };
    tapi.OnConnectFail = [this, done](int, const QString& text) {
        m_session.LogLine(QStringLiteral("ERROR: ") + text, SessionController::LogError);
        done.Fail(text, ScriptFailure::Other);
    };
    const bool loading = tapi.LoadEntry(entry, [&tapi, done](bool ok) {
        if (!ok || tapi.Dial() == 0)
            done.Fail(QStringLiteral("ERROR: Cannot dial ") + tapi.EntryName, ScriptFailure::Other);
    });
    if (!loading) {
        const QString text = tapi.Available() ? QStringLiteral("ERROR: Entry name not specified!")
                                              : QStringLiteral("ERROR: Dial-up networking is not available.");
        m_session.LogLine(text, SessionController::LogError);
        done.Fail(text, ScriptFailure::Other);
    }
}

void SessionScriptExecutor::hangUp(ScriptCompletion done)
{
    if (!m_dialup)
        m_dialup = std::make_unique<TTapi>();
    if (!m_dialup->Available()) {
        const QString text = QStringLiteral("ERROR: Dial-up networking is not available.");
        m_session.LogLine(text, SessionController::LogError);
        done.Fail(text, ScriptFailure::Other);
        return;
    }
    m_dialup->HangUpActive([this, done](int error, const QString& text) {
        if (error == 0) {
            done.Succeed();
            return;
        }
        m_session.LogLine(QStringLiteral("ERROR: ") + text, SessionController::LogError);
        done.Fail(text, ScriptFailure::Other);
    });
}
