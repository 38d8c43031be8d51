// The remote file operations' frame (starting, completing, aborting) and the short chains:
// make directory, rename, move, CHMOD.
#include "fileops/remotefileops.h"

#include "engine/ftp.h"
#include "fileops/remotepath.h"
#include "session/sessioncontroller.h"

namespace {

bool safeText(const QString& text)
{
    return !text.isEmpty() && TFtp::IsSafeCommandText(text);
}

}  // namespace

RemoteFileOps::RemoteFileOps(SessionController& session, QObject* parent)
    : QObject(parent)
    , m_session(session)
{
    m_session.AbortChain = [this] { return Abort(); };
    connect(&session, &SessionController::activityFinished, this, &RemoteFileOps::activityFinished);
    connect(&session, &SessionController::listingDone, this, &RemoteFileOps::FTPListingDone);
    connect(&session, &SessionController::fileDeleted, this, &RemoteFileOps::FTPFileDeleted);
    connect(&session, &SessionController::directoryDeleted, this, &RemoteFileOps::FTPDirectoryDeleted);
    connect(&session, &SessionController::fileRenamed, this, &RemoteFileOps::FTPFileRenamed);
    connect(&session, &SessionController::fileModeChanged, this, &RemoteFileOps::FTPFileCHMOD);
    connect(&session, &SessionController::directoryCreated, this, &RemoteFileOps::FTPDirectoryCreated);
}

RemoteFileOps::~RemoteFileOps()
{
    m_session.AbortChain = nullptr;
}

// --- Starting and completing ---------------------------------------------------------------

bool RemoteFileOps::canStart(FileOpDone& done)
{
    if (!m_session.Ftp().SessionConnected()) {
        refuse(std::move(done), QStringLiteral("Not connected"));
        return false;
    }
    if (m_session.State() != SessionState::Idle || Running()) {
        refuse(std::move(done), QStringLiteral("The session is busy"));
        return false;
    }
    return true;
}

void RemoteFileOps::refuse(FileOpDone done, const QString& message)
{
    FileOpResult result;
    result.message = message;
    refuse(std::move(done), std::move(result));
}

void RemoteFileOps::refuse(FileOpDone done, FileOpResult result)
{
    const quint64 id = ++m_lastId;
    QMetaObject::invokeMethod(this, [this, id, done = std::move(done), result = std::move(result)] {
        emit finished(id, result);
        if (done)
            done(result);
    }, Qt::QueuedConnection);
}

quint64 RemoteFileOps::begin(Operation op, SessionState state, FileOpDone done)
{
    m_op = op;
    m_id = ++m_lastId;
    m_done = std::move(done);
    m_abort = false;
    m_ending = false;
    m_awaitingListing = false;
    m_failures = 0;
    m_failure.clear();
    m_pendingFiles.clear();
    m_pendingFolders.clear();
    m_emptiedFolders.clear();
    m_session.SetState(state);
    m_activity = m_session.CurrentActivity();
    m_session.EnterBusy();
    return m_id;
}

void RemoteFileOps::continueLater(void (RemoteFileOps::*step)())
{
    const quint64 activity = m_activity;
    QMetaObject::invokeMethod(this, [this, step, activity] {
        // An operation that ended meanwhile (a disconnect, a refusal) takes no more steps.
        if (Running() && activity == m_activity && m_session.CurrentActivity() == activity)
            (this->*step)();
    }, Qt::QueuedConnection);
}

bool RemoteFileOps::stepIsCurrent() const
{
    return Running() && m_session.CurrentActivity() == m_activity;
}

// The chain stopped on its own: the reason is logged, and the session's activity fails.
void RemoteFileOps::fail(const QString& message)
{
    if (m_failure.isEmpty())
        m_failure = message;
    m_session.LogLine(QStringLiteral("ERROR: ") + message, SessionController::LogError);
    m_session.markActivityFailed();
}

void RemoteFileOps::finishWithListing()
{
    m_ending = true;
    m_session.ShowProgressText(QString());
    if (const int cached = m_session.Remote().cache().find(m_session.Remote().currentDirectory()); cached >= 0)
        m_session.DropCacheEntry(cached);
    m_session.RefreshRemote();
}

void RemoteFileOps::activityFinished(quint64 activity, bool ok)
{
    if (!Running() || activity != m_activity)
        return;
    FileOpResult result;
    result.aborted = m_abort;
    result.ok = ok && m_ending && !m_abort && m_failure.isEmpty() && m_failures == 0;
    if (!result.ok) {
        result.message = !m_failure.isEmpty() ? m_failure
                         : m_abort            ? QStringLiteral("Aborted")
                         : !m_ending          ? incompleteReason()
                         : m_failures > 0     ? QString::number(m_failures) + QStringLiteral(" of ") + QString::number(m_total)
                                                + QStringLiteral(" item(s) were refused by the server")
                                              : QStringLiteral("The final listing failed");
    }
    // Stops found by the chain itself were logged as they happened; a disconnect logs its own.
    if (!result.ok && m_failure.isEmpty() && !m_abort && m_session.State() != SessionState::NotConnected)
        m_session.LogLine(QStringLiteral("ERROR: ") + result.message, SessionController::LogError);
    const quint64 id = m_id;
    FileOpDone done = std::move(m_done);
    m_op = Operation::None;
    m_done = nullptr;
    emit finished(id, result);
    if (done)
        done(result);
}

QString RemoteFileOps::incompleteReason() const
{
    if (m_session.State() == SessionState::NotConnected)
        return QStringLiteral("The connection was closed");
    switch (m_op) {
    case Operation::MakeDirectory: return QStringLiteral("The server refused to create ") + m_newName;
    case Operation::RemoveDirectory: return QStringLiteral("The server refused to remove ") + m_newName;
    case Operation::Delete:
        if (!m_emptiedFolders.isEmpty())
            return QStringLiteral("The server refused to remove ") + m_emptiedFolders.last();
        break;
    default: break;
    }
    return QStringLiteral("The operation did not complete");
}

bool RemoteFileOps::Abort()
{
    if (m_ending || (m_op != Operation::Delete && m_op != Operation::Move && m_op != Operation::ChangeMode))
        return false;
    m_abort = true;
    return true;
}

// Cache entries of a directory and everything below it (a moved or deleted folder).
void RemoteFileOps::dropCacheUnder(const QString& directory)
{
    const QString prefix = RemoteDirectoryOf(directory);
    TListingCache& cache = m_session.Remote().cache();
    for (int i = cache.count() - 1; i >= 0; --i) {
        if (cache.entry(i).directory.startsWith(prefix))
            m_session.DropCacheEntry(i);
    }
}

// --- Make directory ------------------------------------------------------------------------

quint64 RemoteFileOps::MakeDirectory(const QString& name, FileOpDone done)
{
    if (name.isEmpty()) {
        refuse(std::move(done), QStringLiteral("No directory name"));
        return 0;
    }
    if (!canStart(done))
        return 0;
    const quint64 id = begin(Operation::MakeDirectory, SessionState::RemoteCommand, std::move(done));
    m_newName = name;
    if (const int cached = m_session.Remote().cache().find(m_session.Remote().currentDirectory()); cached >= 0)
        m_session.DropCacheEntry(cached);
    m_session.Ftp().MakeDirectory(name);
    return id;
}

quint64 RemoteFileOps::RemoveDirectory(const QString& path, FileOpDone done)
{
    if (path.isEmpty()) {
        refuse(std::move(done), QStringLiteral("No directory name"));
        return 0;
    }
    if (!canStart(done))
        return 0;
    const quint64 id = begin(Operation::RemoveDirectory, SessionState::RemoteCommand, std::move(done));
    m_newName = path;
    if (const int cached = m_session.Remote().cache().find(m_session.Remote().currentDirectory()); cached >= 0)
        m_session.DropCacheEntry(cached);
    m_session.Ftp().RemoveDirectory(path);
    return id;
}

void RemoteFileOps::FTPDirectoryCreated(bool success)
{
    // Folders an upload batch creates belong to the batch.
    if (m_op != Operation::MakeDirectory || !stepIsCurrent())
        return;
    if (!success)
        fail(QStringLiteral("The server refused to create ") + m_newName);
    finishWithListing();
}

// --- Rename and move -----------------------------------------------------------------------

quint64 RemoteFileOps::Rename(const QString& oldName, const QString& newName, FileOpDone done)
{
    if (oldName.isEmpty() || newName.isEmpty()) {
        refuse(std::move(done), QStringLiteral("No file name"));
        return 0;
    }
    if (!canStart(done))
        return 0;
    const quint64 id = begin(Operation::Rename, SessionState::RemoteCommand, std::move(done));
    const QString directory = m_session.Remote().currentDirectory();
    m_oldName = oldName;
    m_newName = newName;
    m_total = 1;
    if (const int cached = m_session.Remote().cache().find(directory); cached >= 0)
        m_session.DropCacheEntry(cached);
    dropCacheUnder(RemoteJoin(directory, oldName));
    m_session.Ftp().RenameFile(RemoteJoin(directory, oldName), RemoteJoin(directory, newName));
    return id;
}

quint64 RemoteFileOps::Move(const QStringList& names, const QString& destination, FileOpDone done)
{
    if (names.isEmpty() || destination.isEmpty()) {
        refuse(std::move(done), QStringLiteral("Nothing to move"));
        return 0;
    }
    if (!canStart(done))
        return 0;
    const quint64 id = begin(Operation::Move, SessionState::RemoteCommand, std::move(done));
    const QString directory = m_session.Remote().currentDirectory();
    m_target = RemoteDirectoryOf(RemoteResolve(directory, destination));
    dropCacheUnder(m_target);
    if (const int cached = m_session.Remote().cache().find(directory); cached >= 0)
        m_session.DropCacheEntry(cached);
    m_pendingFiles = names;
    m_total = int(names.size());
    MoveNext();
    return id;
}

void RemoteFileOps::MoveNext()
{
    if (m_abort || m_pendingFiles.isEmpty()) {
        finishWithListing();
        return;
    }
    const QString name = m_pendingFiles.takeFirst();
    if (!m_session.ScriptRunning())
        m_session.ShowStatusText(QStringLiteral("Moving: ") + name);
    const QString from = RemoteJoin(m_session.Remote().currentDirectory(), name);
    dropCacheUnder(from);
    m_session.Ftp().RenameFile(from, m_target + name);
}

void RemoteFileOps::FTPFileRenamed(bool success)
{
    if ((m_op != Operation::Rename && m_op != Operation::Move) || !stepIsCurrent() || m_ending)
        return;
    if (!success) {
        ++m_failures;
        if (m_op == Operation::Rename)
            fail(QStringLiteral("The server refused to rename ") + m_oldName + QStringLiteral(" to ") + m_newName);
    }
    if (m_op == Operation::Rename)
        finishWithListing();
    else
        continueLater(&RemoteFileOps::MoveNext);
}

// --- CHMOD ---------------------------------------------------------------------------------

quint64 RemoteFileOps::ChangeMode(const QStringList& names, const QString& mode, FileOpDone done)
{
    if (names.isEmpty() || mode.isEmpty()) {
        refuse(std::move(done), QStringLiteral("Nothing to change"));
        return 0;
    }
    if (!canStart(done))
        return 0;
    const quint64 id = begin(Operation::ChangeMode, SessionState::Chmodding, std::move(done));
    m_mode = mode;
    m_pendingFiles = names;
    m_total = int(names.size());
    if (const int cached = m_session.Remote().cache().find(m_session.Remote().currentDirectory()); cached >= 0)
        m_session.DropCacheEntry(cached);
    ChmodNext();
    return id;
}

void RemoteFileOps::ChmodNext()
{
    if (m_abort || m_pendingFiles.isEmpty()) {
        finishWithListing();
        return;
    }
    const QString& name = m_pendingFiles.first();
    m_session.ShowStatusText(QStringLiteral("CHMOD ") + m_mode + QStringLiteral(": ") + name);
    m_session.ShowProgressText(QString::number(m_pendingFiles.size() - 1) + QStringLiteral(" file(s) remaining"));
    // The engine sends SITE CHMOD without a guard and raises nothing for a text it will not
    // send: such an item counts as refused here, and the chain goes on.
    if (!safeText(name) || !safeText(m_mode)) {
        m_pendingFiles.removeFirst();
        ++m_failures;
        continueLater(&RemoteFileOps::ChmodNext);
        return;
    }
    m_session.Ftp().ChangeMode(name, m_mode);
}

void RemoteFileOps::FTPFileCHMOD(bool success)
{
    if (m_op != Operation::ChangeMode || !stepIsCurrent() || m_ending || m_pendingFiles.isEmpty())
        return;
    m_pendingFiles.removeFirst();
    if (!success)
        ++m_failures;
    continueLater(&RemoteFileOps::ChmodNext);
}
