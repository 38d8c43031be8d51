// The batch: starting it, taking the queue's first entry, the directory changes and listings
// that lead to each entry's step, skipping and dropping entries, the rules in force.
#include "transfers/batchrunner.h"

#include "dialup/tapi.h"
#include "engine/ftp.h"
#include "platform/core/prompt.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "transfers/transferqueue.h"
#include "transfers/transferrules.h"

namespace {

// The local view is read again at most this often while files arrive in it.
constexpr qint64 LocalReadIntervalMs = 500;

}  // namespace

BatchRunner::BatchRunner(SessionController& session, TransferQueue& queue, LocalDirectoryModel& local,
                         TSiteStats& stats, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_queue(queue)
    , m_local(local)
    , m_stats(stats)
{
    TransferTimer.setInterval(1000);
    connect(&TransferTimer, &QTimer::timeout, this, &BatchRunner::TransferTimerTimer);
    m_localRead.setSingleShot(true);
    connect(&m_localRead, &QTimer::timeout, this, &BatchRunner::readLocalNow);
    m_sinceLocalRead.start();

    connect(&session, &SessionController::listingDone, this, &BatchRunner::onListingDone);
    connect(&session, &SessionController::fileReceived, this, &BatchRunner::FTPFileReceived);
    connect(&session, &SessionController::fileStored, this, &BatchRunner::FTPFileStored);
    connect(&session, &SessionController::directoryCreated, this, &BatchRunner::FTPDirectoryCreated);
    connect(&session, &SessionController::uploadReady, this, &BatchRunner::FTPDirectoryCreated);
    connect(&session, &SessionController::resumeBatchRequested, this, &BatchRunner::ResumeQueuedBatch);
    connect(&session, &SessionController::transferInfo, this, &BatchRunner::onTransferInfo);
    connect(&session, &SessionController::stateChanged, this, &BatchRunner::onStateChanged);
    connect(&session, &SessionController::connectionLost, this, &BatchRunner::onConnectionLost);
    connect(&queue, &TransferQueue::contentsChanged, this, [this] {
        if (m_running && m_step != Step::Ending)
            ComputeBatchTotals();
    });
}

BatchRunner::~BatchRunner() = default;

void BatchRunner::SetHalt(bool halt)
{
    if (std::exchange(m_halt, halt) != halt)
        emit haltChanged(halt);
}

void BatchRunner::SetDialupService(DialupService* service)
{
    m_dialupService = service;
    m_dialup.reset();
}

void BatchRunner::log(const QString& text, int kind)
{
    m_session.LogLine(text, kind);
}

// --- Starting ------------------------------------------------------------------------------

bool BatchRunner::canStart() const
{
    return !m_running && m_session.State() == SessionState::Idle && m_session.Ftp().SessionConnected();
}

quint64 BatchRunner::beginNew()
{
    m_batchId = ++m_lastId;
    m_running = true;
    m_summary = BatchSummary{};
    m_summary.id = m_batchId;
    m_step = Step::None;
    m_direct = false;
    m_entry = QueueEntry{};
    m_listedFolders.clear();
    m_remoteFolders.clear();
    emit batchStarted(m_batchId);
    return m_batchId;
}

quint64 BatchRunner::StartDownload(const QueueSelection& selection)
{
    return startWith(selection, false);
}

quint64 BatchRunner::StartUpload(const QueueSelection& selection)
{
    return startWith(selection, true);
}

// The selection goes to the end of the queue, then the whole queue runs.
quint64 BatchRunner::startWith(const QueueSelection& selection, bool upload)
{
    if (!canStart())
        return 0;
    const quint64 id = beginNew();
    BeginBatch(false);
    if (upload)
        m_session.SetState(SessionState::Uploading);
    QStringList refused;
    if (!selection.items.empty())
        AddSelectionToQueue(m_queue, selection, &refused);
    for (const QString& line : std::as_const(refused))
        log(line, SessionController::LogError);
    emit transferLayout(true);
    RunNextEntry();
    return id;
}

quint64 BatchRunner::StartUploadOfFiles(const QStringList& paths)
{
    if (!canStart())
        return 0;
    const quint64 id = beginNew();
    BeginBatch(false);
    m_session.SetState(SessionState::Uploading);
    QueueAddition added = DroppedFileEntries(paths, m_session.Remote().currentDirectory());
    for (const QString& line : std::as_const(added.logLines))
        log(line, SessionController::LogError);
    m_queue.append(std::move(added.entries));
    emit transferLayout(true);
    RunNextEntry();
    return id;
}

quint64 BatchRunner::RunQueue()
{
    if (!canStart() || m_queue.isEmpty())
        return 0;
    const quint64 id = beginNew();
    BeginBatch(false);
    emit transferLayout(true);
    RunNextEntry();
    return id;
}

// Follow-up 9 or 18 after a login and its listing: the queued batch runs, its first file
// resumed when the batch was interrupted. A batch that was under way when the server dropped
// the session goes on as the same batch.
void BatchRunner::ResumeQueuedBatch()
{
    const bool continuing = m_running;
    if (!continuing)
        beginNew();
    BeginBatch(continuing);
    emit transferLayout(true);
    if (continuing && m_direct) {
        resumeDirectDownload();  // no queue entry keeps it: it goes on by itself
        return;
    }
    RunNextEntry();
}

void BatchRunner::BeginBatch(bool continuing)
{
    m_session.SetState(SessionState::Downloading);
    m_session.EnterBusy();
    if (!continuing) {
        m_batchRemoteHome = EnsureTrailingSeparator(m_session.Remote().currentDirectory());
        m_batchLocalHome = EnsureTrailingSeparator(m_local.currentDirectory());
        m_bulkConflictChoice = 0;
        m_listedFolders.insert(m_batchRemoteHome);
    }
    // The follow-up has done its work once the batch begins: left set, every listing of the
    // batch would start it again. Only the first file's resume is kept.
    m_resumeFirst = m_session.Follow() == FollowUp::ResumeBatch;
    m_session.SetFollow(FollowUp::None);
    m_step = Step::None;
}

// --- The next entry ------------------------------------------------------------------------

void BatchRunner::RunNextEntry()
{
    if (!m_running || !m_session.TransferRunning())
        return;
    if (m_queue.isEmpty() || m_halt) {
        SetHalt(false);
        EndBatch();
        return;
    }
    resetProgress();
    ComputeBatchTotals();
    m_entry = *m_queue.first();
    m_direct = false;
    m_fileName = FileNamePart(m_entry.remotePath()).value_or(m_entry.remotePath());
    switch (m_entry.kind) {
    case QueueEntry::DownloadFolder:
        m_session.SetState(SessionState::Downloading);
        changeDirectory(m_entry.source, Step::ExpandDownload);
        return;
    case QueueEntry::DownloadFile: {
        m_session.SetState(SessionState::Downloading);
        const QString directory = DirectoryPart(m_entry.source).value_or(m_session.Remote().currentDirectory());
        if (sameRemoteDirectory(directory))
            DownloadEntry();
        else
            changeDirectory(directory, Step::EnterDownloadDir);
        return;
    }
    case QueueEntry::UploadFolder:
        m_session.SetState(SessionState::Uploading);
        startUploadFolder();
        return;
    case QueueEntry::UploadFile: {
        m_session.SetState(SessionState::Uploading);
        const QString target = ResolveHomeTarget(m_entry.target, m_batchRemoteHome);
        const QString directory = DirectoryPart(target).value_or(m_session.Remote().currentDirectory());
        if (sameRemoteDirectory(directory))
            UploadEntry();
        else
            changeDirectory(directory, Step::EnterUploadDir);
        return;
    }
    }
}

// The next entry runs from the event loop, not from inside this one's step: thousands of
// skipped entries in a row must not pile up on the stack.
void BatchRunner::scheduleNext()
{
    m_step = Step::None;
    QMetaObject::invokeMethod(this, [this, batch = m_batchId] {
        if (m_running && m_batchId == batch && m_step == Step::None)
            RunNextEntry();
    }, Qt::QueuedConnection);
}

void BatchRunner::SkipEntry(int code)
{
    log(QStringLiteral("Skipping file: %1(%2)").arg(m_fileName).arg(code));
    ++m_summary.skipped;
    m_resumeFirst = false;
    DropFirstEntry();
    continueAfterEntry();
}

// A direct download is the batch's only file; queue entries go on with the next one.
void BatchRunner::continueAfterEntry()
{
    if (m_direct)
        EndBatch();
    else
        scheduleNext();
}

// The entry under way leaves the queue by its identity: whatever the user did to the queue
// meanwhile (deleted it, added entries in front) the next entry is not lost.
void BatchRunner::DropFirstEntry()
{
    if (m_entry.id != 0)
        m_queue.removeById(m_entry.id);
}

void BatchRunner::failEntry(const QString& message)
{
    log(QStringLiteral("ERROR: ") + message, SessionController::LogError);
    ++m_summary.failed;
    m_resumeFirst = false;
    DropFirstEntry();
    continueAfterEntry();
}

// The user deleted the entry under way while its directory was being changed.
bool BatchRunner::entryGone() const
{
    return !m_direct && m_queue.indexOf(m_entry.id) < 0;
}

// After a question (which runs the event loop) the batch may be over or the session gone.
bool BatchRunner::stillStanding(quint64 batch) const
{
    return m_running && m_batchId == batch && m_session.TransferRunning() && m_session.Ftp().SessionConnected();
}

// --- Directory changes and their listings --------------------------------------------------

bool BatchRunner::changeDirectory(const QString& path, Step step)
{
    TFtp& ftp = m_session.Ftp();
    if (!ftp.SessionConnected()) {
        m_session.ResetToDisconnected();  // the session is gone: the batch ends with it
        return false;
    }
    m_step = step;
    m_requestedDir = EnsureTrailingSeparator(path);
    m_session.ShowStatus(6);
    ftp.ChangeDirectory(path);
    return true;
}

// The directory shown, or the one the batch asked for last when the server named it
// differently (a link).
bool BatchRunner::sameRemoteDirectory(const QString& directory) const
{
    const QString wanted = EnsureTrailingSeparator(directory);
    const QString& current = m_session.Remote().currentDirectory();
    return wanted == current || (wanted == m_requestedDir && current == m_reachedDir);
}

void BatchRunner::onListingDone(bool success)
{
    if (!m_running || !m_session.TransferRunning())
        return;
    const Step step = m_step;
    switch (step) {
    case Step::EnterDownloadDir:
    case Step::ExpandDownload:
    case Step::EnterUploadFolder:
    case Step::EnterUploadDir:
        break;
    default:
        return;
    }
    m_step = Step::None;
    if (!m_session.LastDirectoryChangeSucceeded()) {
        // Whatever was listed is the old directory: working on it would fetch same-named files
        // from the wrong place, queue a folder inside itself or upload into the parent.
        failEntry(QStringLiteral("Cannot enter ") + m_requestedDir + QStringLiteral(": ") + m_entry.source);
        return;
    }
    m_reachedDir = m_session.Remote().currentDirectory();
    if (entryGone()) {
        scheduleNext();
        return;
    }
    switch (step) {
    case Step::EnterDownloadDir: DownloadEntry(); return;
    case Step::ExpandDownload: ExpandDownloadFolder(success); return;
    case Step::EnterUploadFolder:
    case Step::EnterUploadDir:
        // Without a listing nothing tells which files exist there already.
        if (!success) {
            failEntry(QStringLiteral("Cannot list ") + m_requestedDir);
            return;
        }
        if (step == Step::EnterUploadFolder)
            ExpandUploadFolder();
        else
            UploadEntry();
        return;
    default: return;
    }
}

void BatchRunner::onStateChanged(SessionState state)
{
    const bool settled = state == SessionState::Idle || state == SessionState::NotConnected;
    if (!m_running) {
        // Without listings of their own (AutoRefresh off) a login never hands the queued
        // batch over: it does when the session has become ready.
        const FollowUp follow = m_session.Follow();
        if (state == SessionState::Idle && (follow == FollowUp::ResumeBatch || follow == FollowUp::QueueUrlFile))
            QMetaObject::invokeMethod(this, [this] {
                if (!m_running && m_session.State() == SessionState::Idle)
                    ResumeQueuedBatch();
            }, Qt::QueuedConnection);
        return;
    }
    if (!settled)
        return;
    if (m_step == Step::Ending) {
        finishBatch();
        return;
    }
    // The session ended under the batch, or an abort during a directory change made it ready.
    if (state == SessionState::NotConnected)
        m_summary.disconnected = true;
    else
        m_summary.cancelled = true;
    abandonBatch();
}

void BatchRunner::onConnectionLost()
{
    if (!m_running)
        return;
    // The queue stays as it is: the reconnect resumes it.
    TransferTimer.stop();
    m_step = Step::None;
    emit transferLayout(false);
}

// --- The local view ------------------------------------------------------------------------

void BatchRunner::showLocal(const QString& directory)
{
    const QString wanted = EnsureTrailingSeparator(directory);
    if (wanted == m_local.currentDirectory())
        return;
    m_local.setCurrentDirectory(wanted);
    readLocalNow();
}

void BatchRunner::readLocalSoon()
{
    if (m_sinceLocalRead.elapsed() >= LocalReadIntervalMs)
        readLocalNow();
    else if (!m_localRead.isActive())
        m_localRead.start(int(LocalReadIntervalMs - m_sinceLocalRead.elapsed()));
}

void BatchRunner::readLocalNow()
{
    m_localRead.stop();
    m_local.read(m_session.TransferRunning());
    m_sinceLocalRead.restart();
}

// --- Rules in force ------------------------------------------------------------------------

void BatchRunner::ChooseTransferMode(const QString& fileName)
{
    m_session.Ftp().TransferMode =
        TransferTypeFor(fileName, m_session.TransferMode(), m_session.Settings().prefs().AsciiExtensions);
}

bool BatchRunner::IsSkipped(const QString& fileName) const
{
    const Settings& prefs = m_session.Settings().prefs();
    return IsSkippedName(fileName, prefs.SkipEnabled, prefs.SkipList);
}

QString BatchRunner::MapRenameExtension(const QString& path, bool upload) const
{
    if (!m_session.RenameExtensions())
        return path;
    return ::MapRenameExtension(path, upload, m_session.Settings().prefs().RenameRules);
}

// The "File Exists" question: Skip and Skip All skip (Skip All for the rest of the batch as
// well), Overwrite All overwrites the rest too, Rename gives the name typed.
BatchRunner::ConflictOutcome BatchRunner::askConflict(const FileConflict& conflict, int skipCode, QString* renamed)
{
    const quint64 batch = m_batchId;
    const FileConflictAnswer answer = prompts().fileExists(conflict);
    if (!stillStanding(batch))
        return ConflictOutcome::Gone;
    using Choice = FileConflictAnswer::Choice;
    switch (answer.choice) {
    case Choice::Resume:
        return conflict.resumeEnabled ? ConflictOutcome::Resume : ConflictOutcome::Go;
    case Choice::Rename:
        if (!answer.newName.isEmpty() && renamed)
            *renamed = answer.newName;
        return ConflictOutcome::Go;
    case Choice::OverwriteAll:
        m_bulkConflictChoice = 2;
        return ConflictOutcome::Go;
    case Choice::SkipAll:
        m_bulkConflictChoice = 1;
        [[fallthrough]];
    case Choice::Skip:
        SkipEntry(skipCode);
        return ConflictOutcome::Skip;
    case Choice::Cancel:
        m_summary.cancelled = true;
        EndBatch();
        return ConflictOutcome::Cancel;
    case Choice::Overwrite:
        break;
    }
    return ConflictOutcome::Go;
}

BatchRunner::ConflictOutcome BatchRunner::applyDecision(const ConflictDecision& decision, const FileConflict& conflict,
                                                        QString* renamed)
{
    using Action = ConflictDecision::Action;
    switch (decision.action) {
    case Action::Overwrite: return ConflictOutcome::Go;
    case Action::Resume: return ConflictOutcome::Resume;
    case Action::Skip:
        SkipEntry(decision.skipCode);
        return ConflictOutcome::Skip;
    case Action::Ask: break;
    }
    return askConflict(conflict, conflict.upload ? 6 : 2, renamed);
}
