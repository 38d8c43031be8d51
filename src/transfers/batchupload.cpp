// Uploads of the batch: a file entry, a folder entry made (or found) on the server and
// replaced by the local folder's contents, the "File Exists" question, and what follows a
// stored file.
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

#include <QFileInfo>

namespace {

QString fileNameOf(const QString& path)
{
    return FileNamePart(path).value_or(path);
}

}  // namespace

void BatchRunner::UploadEntry()
{
    if (!m_running)
        return;
    if (entryGone()) {
        scheduleNext();
        return;
    }
    const ConfigData& config = m_session.Config();
    const QString name = fileNameOf(m_entry.target);
    m_fileName = name;
    const QString& localFile = m_entry.source;
    showLocal(DirectoryPart(localFile).value_or(m_local.currentDirectory()));
    if (!IsRegularFile(localFile)) {
        failEntry(localFile + QStringLiteral(" cannot be read (it is missing or no regular file)"));
        return;
    }
    m_currentFileSize = m_entry.size >= 0 ? m_entry.size : QFileInfo(localFile).size();
    if ((config.SkipNull && m_currentFileSize == 0) || IsSkipped(name)) {
        SkipEntry(4);
        return;
    }
    // The final remote name first: the rename and case rules decide which remote file is hit.
    QString remoteName = ForceCase(MapRenameExtension(name, true), config.ForceLowerCase);
    qint64 resumePos = 0;
    const ConflictOutcome outcome = uploadConflict(localFile, &remoteName, &resumePos);
    if (outcome != ConflictOutcome::Go && outcome != ConflictOutcome::Resume)
        return;
    TFtp& ftp = m_session.Ftp();
    if (!ftp.SessionConnected()) {
        m_session.ResetToDisconnected();
        return;
    }
    ChooseTransferMode(fileNameOf(localFile));
    emit statusText(QStringLiteral("Sending: ") + name);
    ftp.LocalFile = localFile;
    ftp.RemoteFile = remoteName;
    ftp.ResumePos = resumePos;
    m_step = Step::Transfer;
    ftp.Upload();
}

// Checked against every entry the server listed, by the exact name: the filter of the view
// and the letter case of other names have nothing to do with what STOR replaces.
BatchRunner::ConflictOutcome BatchRunner::uploadConflict(const QString& localFile, QString* remoteName,
                                                         qint64* resumePos)
{
    const FileEntry* listed = m_session.Remote().listedEntry(*remoteName);
    if (!listed || listed->isFolder())
        return ConflictOutcome::Go;
    const QFileInfo local(localFile);
    ConflictInputs in;
    in.upload = true;
    in.mode = m_session.Config().UploadMode;
    in.bulk = m_bulkConflictChoice;
    in.resumeFirst = m_resumeFirst;
    in.resumable = listed->sizeKnown() && listed->size < local.size();
    in.siteResumes = m_session.SiteResumes();
    in.scriptRunning = m_session.ScriptRunning();

    FileConflict conflict;
    conflict.upload = true;
    conflict.duplicate = QStringLiteral("Duplicate remote file: ") + m_session.Remote().currentDirectory() + *remoteName;
    conflict.top = QStringLiteral("Local file: ") + SizeText(local.size()) + QStringLiteral(" bytes, ")
                   + DateTimeText(local.lastModified());
    conflict.bottom = QStringLiteral("Remote file: ") + (listed->sizeKnown() ? SizeText(listed->size) : listed->sizeText)
                      + QStringLiteral(" bytes, ") + listed->dateText;
    conflict.renameText = *remoteName;
    conflict.resumeEnabled = in.siteResumes && in.resumable;

    QString renamed;
    const ConflictOutcome outcome = applyDecision(DecideConflict(in), conflict, &renamed);
    if (outcome == ConflictOutcome::Resume)
        *resumePos = listed->size;
    else if (outcome == ConflictOutcome::Go && !renamed.isEmpty())
        *remoteName = renamed;
    return outcome;
}

// --- Folders -------------------------------------------------------------------------------

void BatchRunner::startUploadFolder()
{
    QString target = ResolveHomeTarget(m_entry.target, m_batchRemoteHome);
    if (target.size() > 1 && target.endsWith(QLatin1Char('/')))
        target.chop(1);
    m_folderTarget = target;
    m_fileName = fileNameOf(target);
    const QString source = EnsureTrailingSeparator(m_entry.source);
    // A folder that is gone must not make the local view fall back to another one, which
    // would then be uploaded in its place.
    if (!LocalDirectoryModel::accessible(source)) {
        failEntry(QStringLiteral("Cannot read the folder ") + source);
        return;
    }
    m_uploadScan = ScanUploadFolder(source, m_local.filter());
    for (const QString& line : std::as_const(m_uploadScan.skipped))
        log(line, SessionController::LogError);
    showLocal(source);
    if (m_uploadScan.items.empty() && m_session.Config().SkipDir) {
        DropFirstEntry();
        scheduleNext();
        return;
    }
    // A folder a listing showed already is entered, not made again.
    if (m_remoteFolders.contains(m_folderTarget) || listedAsFolder(m_folderTarget)) {
        changeDirectory(m_folderTarget, Step::EnterUploadFolder);
        return;
    }
    TFtp& ftp = m_session.Ftp();
    if (!ftp.SessionConnected()) {
        m_session.ResetToDisconnected();
        return;
    }
    m_step = Step::MakeUploadDir;
    ftp.MakeDirectory(m_folderTarget);
}

// The remote view lists `path` (in the directory it shows) as a folder or a link.
bool BatchRunner::listedAsFolder(const QString& path) const
{
    const std::optional<QString> parent = DirectoryPart(path);
    if (!parent || !sameRemoteDirectory(*parent))
        return false;
    const FileEntry* listed = m_session.Remote().listedEntry(fileNameOf(path));
    return listed && (listed->isFolder() || listed->isLink());
}

// The folder was made, or the server refused to make it (it may exist): either way the
// batch changes into it, and a refusal of that is what fails the entry.
void BatchRunner::FTPDirectoryCreated()
{
    if (!m_running || m_step != Step::MakeUploadDir || m_session.State() != SessionState::Uploading)
        return;
    changeDirectory(m_folderTarget, Step::EnterUploadFolder);
}

// The listing of the folder has arrived: the folder entry makes way for the local folder's
// contents at the front of the queue.
void BatchRunner::ExpandUploadFolder()
{
    DropFirstEntry();
    const QString remoteDir = EnsureTrailingSeparator(m_session.Remote().currentDirectory());
    const QString source = EnsureTrailingSeparator(m_entry.source);
    std::vector<QueueEntry> children;
    children.reserve(m_uploadScan.items.size());
    for (const UploadItem& item : std::as_const(m_uploadScan.items)) {
        if (const QString reason = RefusedNameReason(item.name); !reason.isEmpty()) {
            log(QStringLiteral("Not uploaded: \"") + source + item.name + QStringLiteral("\" ") + reason,
                SessionController::LogError);
            continue;
        }
        QueueEntry child;
        child.source = source + item.name;
        if (item.folder) {
            child.kind = QueueEntry::UploadFolder;
            child.target = EnsureTrailingSeparator(remoteDir + item.name);
            if (listedAsFolder(remoteDir + item.name))
                m_remoteFolders.insert(remoteDir + item.name);
        } else {
            child.kind = QueueEntry::UploadFile;
            child.target = remoteDir + item.name;
            child.setSize(item.size);
        }
        children.push_back(std::move(child));
    }
    m_uploadScan = {};
    m_queue.insertAtFront(std::move(children));
    RunNextEntry();
}

// --- A file was stored ---------------------------------------------------------------------

void BatchRunner::FTPFileStored(bool success)
{
    if (!m_running || m_step != Step::Transfer)
        return;
    const SessionState state = m_session.State();
    if (state == SessionState::ConnectionLost)
        return;  // the entry stays first: the reconnect resumes it
    m_step = Step::None;
    TransferTimer.stop();
    m_resumeFirst = false;
    if (state == SessionState::AbortingBatch) {
        m_summary.cancelled = true;
        EndBatch();
        return;
    }
    const TFtp& ftp = m_session.Ftp();
    if (success) {
        ++m_summary.files;
        m_summary.bytes += ftp.BytesTransferred();
        countStatistics(true, ftp.BytesTransferred());
    } else {
        log(QStringLiteral("ERROR: ") + ftp.LocalFile + QStringLiteral(" was not stored."), SessionController::LogError);
        ++m_summary.failed;
    }
    DropFirstEntry();
    RunNextEntry();
}
