// Downloads of the batch: a file entry, a folder entry replaced by the folder's contents, the
// direct download, the "File Exists" and free-space questions, and what follows a received file.
#include "transfers/batchrunner.h"

#include "engine/ftp.h"
#include "platform/core/prompt.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "session/viewtext.h"
#include "settings/settingsstore.h"
#include "transfers/transferqueue.h"
#include "transfers/transferrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace {

QString caption()
{
    return QString::fromLatin1(SessionController::Caption);
}

QString fileNameOf(const QString& path)
{
    return FileNamePart(path).value_or(path);
}

// What the remote view shows of a size: the listing's text, else the queued size.
QString remoteSizeText(const FileEntry* listed, qint64 size)
{
    if (listed)
        return listed->sizeKnown() ? SizeText(listed->size) : listed->sizeText;
    return size >= 0 ? SizeText(size) : QString();
}

}  // namespace

void BatchRunner::DownloadEntry()
{
    if (!m_running)
        return;
    if (entryGone()) {
        scheduleNext();
        return;
    }
    const ConfigData& config = m_session.Config();
    const QString remoteName = fileNameOf(m_entry.source);
    m_fileName = remoteName;
    // The final name first: the rename and case rules decide which local file would be hit.
    const QString localFile =
        ForceLocalCase(MapRenameExtension(m_entry.target, false), m_batchLocalHome, config.ForceLowerCase);
    const QString localDir = DirectoryPart(localFile).value_or(m_local.currentDirectory());
    if (!QDir().mkpath(localDir)) {
        failEntry(QStringLiteral("Cannot create the folder ") + localDir);
        return;
    }
    showLocal(localDir);
    m_currentFileSize = m_entry.size;
    if ((config.SkipNull && m_entry.size == 0) || IsSkipped(remoteName)) {
        SkipEntry(0);
        return;
    }
    if (!enoughSpace(localDir, m_entry.size))
        return;
    ChooseTransferMode(fileNameOf(localFile));
    QString target = localFile;
    const ConflictOutcome outcome = downloadConflict(localFile, remoteName, m_entry.size, &target);
    if (outcome != ConflictOutcome::Go && outcome != ConflictOutcome::Resume)
        return;
    const bool resume = outcome == ConflictOutcome::Resume;
    startDownload(target, remoteName, resume, (resume ? QStringLiteral("Resuming: ") : QStringLiteral("Receiving: ")) + fileNameOf(target));
}

// False when the batch does not go on with this file (the user said No, or the batch ended
// while the question was open).
bool BatchRunner::enoughSpace(const QString& directory, qint64 size)
{
    const ConfigData& config = m_session.Config();
    if (!config.FreeSpace || size <= 0 || m_session.ScriptRunning())
        return true;
    if (size <= freeBytes(directory))
        return true;
    const quint64 batch = m_batchId;
    const Prompt::Button answer =
        prompts().messageBox(QStringLiteral("There is not enough free space to download the current file.  Continue anyway ?"),
                             caption(), Prompt::Icon::Error, Prompt::Yes | Prompt::No);
    if (!stillStanding(batch))
        return false;
    if (answer == Prompt::Yes)
        return true;
    m_summary.cancelled = true;
    EndBatch();
    return false;
}

// The free bytes of the directory's file system, asked at most once a second: the query reads
// the system's whole mount table, and hundreds of small files a second need no fresh figure.
qint64 BatchRunner::freeBytes(const QString& directory)
{
    if (directory != m_freeDirectory || !m_sinceFreeQuery.isValid() || m_sinceFreeQuery.elapsed() >= 1000) {
        const QStorageInfo storage(directory);
        m_freeBytes = storage.isValid() ? storage.bytesAvailable() : 0;
        m_freeDirectory = directory;
        m_sinceFreeQuery.start();
    }
    return m_freeBytes;
}

BatchRunner::ConflictOutcome BatchRunner::downloadConflict(const QString& localFile, const QString& remoteName,
                                                           qint64 remoteSize, QString* target)
{
    const QFileInfo existing(localFile);
    if (!existing.exists() && !existing.isSymLink())
        return ConflictOutcome::Go;
    if (!existing.isFile()) {
        failEntry(localFile + QStringLiteral(" exists and is no file"));
        return ConflictOutcome::Skip;
    }
    const FileEntry* listed = m_session.Remote().listedEntry(remoteName);
    if (remoteSize < 0 && listed)
        remoteSize = listed->size;
    ConflictInputs in;
    in.mode = m_session.Config().ResumeMode;
    in.bulk = m_bulkConflictChoice;
    in.resumeFirst = m_resumeFirst;
    in.resumable = remoteSize >= 0 && existing.size() < remoteSize;
    in.siteResumes = m_session.SiteResumes();
    in.scriptRunning = m_session.ScriptRunning();

    FileConflict conflict;
    conflict.duplicate = QStringLiteral("Duplicate local file: ") + localFile;
    conflict.top = QStringLiteral("Remote file: ") + remoteSizeText(listed, remoteSize) + QStringLiteral(" bytes, ")
                   + (listed ? listed->dateText : QString());
    conflict.bottom = QStringLiteral("Local file: ") + SizeText(existing.size()) + QStringLiteral(" bytes, ")
                      + DateTimeText(existing.lastModified());
    conflict.renameText = localFile;
    conflict.resumeEnabled = in.siteResumes && in.resumable;

    QString renamed;
    const ConflictOutcome outcome = applyDecision(DecideConflict(in), conflict, &renamed);
    if (outcome == ConflictOutcome::Go && !renamed.isEmpty())
        *target = QDir::cleanPath(QDir(DirectoryPart(localFile).value_or(QString())).absoluteFilePath(renamed));
    return outcome;
}

void BatchRunner::startDownload(const QString& localFile, const QString& remoteName, bool resume, const QString& status)
{
    TFtp& ftp = m_session.Ftp();
    if (!ftp.SessionConnected()) {
        m_session.ResetToDisconnected();
        return;
    }
    emit statusText(status);
    ftp.LocalFile = localFile;
    ftp.RemoteFile = remoteName;
    m_fileName = remoteName;
    m_step = Step::Transfer;
    ftp.Download(resume);
}

// --- Folders -------------------------------------------------------------------------------

// The listing of the folder's directory has arrived: the folder entry makes way for its
// contents, in listing order, at the front of the queue.
void BatchRunner::ExpandDownloadFolder(bool listed)
{
    const ConfigData& config = m_session.Config();
    const QString localDir =
        ForceLocalCase(EnsureTrailingSeparator(m_entry.target), m_batchLocalHome, config.ForceLowerCase);
    // A link back to a folder this batch listed already would be fetched again and again.
    const QString reached = m_session.Remote().currentDirectory();
    if (reached != m_requestedDir && m_listedFolders.contains(reached)) {
        failEntry(m_entry.source + QStringLiteral(" leads to ") + reached + QStringLiteral(", which this batch has listed already"));
        return;
    }
    m_listedFolders.insert(m_requestedDir);
    m_listedFolders.insert(reached);
    if (!listed)
        log(QStringLiteral("The listing of ") + m_entry.source + QStringLiteral(" failed; it counts as empty."));
    const bool empty = m_session.Remote().entries().empty();
    if ((!empty || !config.SkipDir) && !QDir().mkpath(localDir)) {
        failEntry(QStringLiteral("Cannot create the folder ") + localDir);
        return;
    }
    DropFirstEntry();
    if (empty) {
        scheduleNext();
        return;
    }
    showLocal(localDir);
    m_queue.insertAtFront(downloadChildren(EnsureTrailingSeparator(m_entry.source), localDir));
    RunNextEntry();
}

// The entries of the listing shown; names that cannot be local file names are left out (a
// server's "..", "a/b" or an endless name must not write outside the folder).
std::vector<QueueEntry> BatchRunner::downloadChildren(const QString& remoteDir, const QString& localDir)
{
    const std::vector<FileEntry>& listing = m_session.Remote().entries();
    std::vector<QueueEntry> children;
    children.reserve(listing.size());
    for (const FileEntry& item : listing) {
        if (const QString reason = UnsafeLocalNameReason(item.name); !reason.isEmpty()) {
            log(QStringLiteral("Not downloaded: \"") + item.name + QStringLiteral("\" ") + reason, SessionController::LogError);
            continue;
        }
        QueueEntry child;
        child.source = remoteDir + item.name;
        if (item.isFolder()) {
            child.kind = QueueEntry::DownloadFolder;
            child.target = localDir + item.name + QLatin1Char('/');
        } else {
            child.kind = QueueEntry::DownloadFile;
            child.target = localDir + item.name;
            if (item.sizeKnown())
                child.setSize(item.size);
            else
                child.setSizeText(StripThousands(item.sizeText));  // "12/24": not known
        }
        children.push_back(std::move(child));
    }
    return children;
}

// --- Direct download -----------------------------------------------------------------------

quint64 BatchRunner::DirectDownload(const QString& localPath, const QString& remoteName, bool resume,
                                    const QString& sizeText)
{
    if (!canStart() || remoteName.isEmpty() || localPath.isEmpty())
        return 0;
    const quint64 id = beginNew();
    m_session.SetState(SessionState::Downloading);
    const QString localDir = DirectoryPart(localPath).value_or(m_local.currentDirectory());
    showLocal(localDir);
    BeginBatch(false);
    m_direct = true;
    m_fileName = remoteName;
    const qint64 size = QueueEntry::sizeOf(sizeText);
    m_currentFileSize = size;
    m_batchBytes = qMax<qint64>(0, size);
    m_elapsedSeconds = 0;
    m_batchFiles = 0;
    m_batchFolders = 0;
    emit transferLayout(true);
    ChooseTransferMode(localPath);
    QString target = localPath;
    ConflictOutcome outcome = resume && QFileInfo::exists(localPath) ? ConflictOutcome::Resume : ConflictOutcome::Go;
    if (outcome == ConflictOutcome::Go)
        outcome = downloadConflict(localPath, remoteName, size > 0 ? size : -1, &target);
    if (outcome != ConflictOutcome::Go && outcome != ConflictOutcome::Resume)
        return id;
    const bool resumed = outcome == ConflictOutcome::Resume;
    m_directSizeText = sizeText;
    startDownload(target, remoteName, resumed,
                  (resumed ? QStringLiteral("Resuming: ") : QStringLiteral("Receiving: ")) + fileNameOf(target)
                      + QStringLiteral(" (") + sizeText + QStringLiteral(" bytes)"));
    return id;
}

// The server dropped the session under a direct download: after the reconnect the file goes
// on where it stopped when the site resumes, else from its start.
void BatchRunner::resumeDirectDownload()
{
    TFtp& ftp = m_session.Ftp();
    const QString localFile = ftp.LocalFile;
    const QString remoteName = ftp.RemoteFile;
    const bool resume = m_session.SiteResumes() && QFileInfo(localFile).size() > 0;
    m_resumeFirst = false;
    ChooseTransferMode(localFile);
    startDownload(localFile, remoteName, resume,
                  (resume ? QStringLiteral("Resuming: ") : QStringLiteral("Receiving: ")) + fileNameOf(localFile)
                      + QStringLiteral(" (") + m_directSizeText + QStringLiteral(" bytes)"));
}

// --- A file arrived ------------------------------------------------------------------------

void BatchRunner::FTPFileReceived(bool success)
{
    if (!m_running || m_step != Step::Transfer)
        return;
    const SessionState state = m_session.State();
    if (state == SessionState::ConnectionLost)
        return;  // the entry stays first: the reconnect resumes it
    m_step = Step::None;
    TransferTimer.stop();
    m_resumeFirst = false;
    const TFtp& ftp = m_session.Ftp();
    if (success) {
        ++m_summary.files;
        m_summary.bytes += ftp.BytesTransferred();
        countStatistics(false, ftp.BytesTransferred());
        if (m_session.Config().PreserveDate)
            preserveDate(ftp.LocalFile, ftp.RemoteFile);
    } else {
        // A 550, a 426 or a refused REST: nothing was received as a whole.
        log(QStringLiteral("ERROR: ") + ftp.RemoteFile + QStringLiteral(" was not received."), SessionController::LogError);
        ++m_summary.failed;
    }
    if (state == SessionState::Downloading && !m_direct) {
        DropFirstEntry();
        if (m_session.Config().ReceiveRefresh)
            readLocalSoon();
        RunNextEntry();
        return;
    }
    readLocalNow();
    if (state == SessionState::AbortingBatch)
        m_summary.cancelled = true;
    EndBatch();
}

// The server's date of the file, when the listing shows one that can be read.
void BatchRunner::preserveDate(const QString& localFile, const QString& remoteName)
{
    const FileEntry* listed = m_session.Remote().listedEntry(remoteName);
    if (!listed)
        return;
    const QDateTime moment = ListingDateTime(listed->dateText);
    if (!moment.isValid())
        return;
    QFile file(localFile);
    if (file.open(QIODevice::Append))
        file.setFileTime(moment, QFileDevice::FileModificationTime);
}
