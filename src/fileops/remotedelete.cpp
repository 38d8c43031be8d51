// The recursive remote delete. Files go first, one DELE each in the directory that holds
// them; folders are entered breadth-first and read from their listings; once nothing is left
// to list, the session goes back to the starting directory and removes the folders last
// visited first, so each goes after every folder found inside it.
//
// Nothing outside the chosen entries is ever deleted: a folder's listing is read only when
// the server took the change into it and reports being exactly there, and only plain names
// of a listing are acted on.
#include "fileops/remotefileops.h"

#include "engine/ftp.h"
#include "engine/listparser.h"
#include "fileops/remotepath.h"
#include "platform/core/prompt.h"
#include "session/remotedirectory.h"
#include "session/sessioncontroller.h"
#include "settings/configdata.h"

namespace {

// Every entry of a listing, whatever the view's filter hides: a delete that skipped the
// files a mask hides would leave its folders impossible to remove.
std::vector<FileEntry> allEntriesOf(const QStringList& rawLines, TFTPServerType serverType)
{
    std::vector<FileEntry> entries;
    TListParser parser;
    parser.Reset();
    for (const QString& line : rawLines) {
        ListEntry parsed;
        if (parser.ParseListLine(serverType, line, parsed) && parsed.Name != QLatin1String(".")
            && parsed.Name != QLatin1String(".."))
            entries.push_back(RemoteEntryOf(line, parsed));
    }
    return entries;
}

}  // namespace

bool RemoteFileOps::confirmDelete(bool folders) const
{
    const QString caption = QString::fromLatin1(SessionController::Caption);
    if (m_session.Config().ConfirmDel
        && prompts().messageBox(QStringLiteral("Delete selected file(s) ?"), caption, Prompt::Icon::Question,
                                Prompt::Yes | Prompt::No)
               != Prompt::Yes)
        return false;
    return !folders
           || prompts().messageBox(QStringLiteral("Are you sure you want to delete the selected folders?  All nested "
                                                  "files and folders will be deleted."),
                                   caption, Prompt::Icon::Warning, Prompt::Yes | Prompt::No)
                  == Prompt::Yes;
}

quint64 RemoteFileOps::Delete(const std::vector<FileEntry>& entries, FileOpDone done)
{
    if (!canStart(done))
        return 0;
    const QString home = m_session.Remote().currentDirectory();
    QStringList files;
    QStringList folders;
    for (const FileEntry& entry : entries) {
        if (entry.isParent() || !IsPlainRemoteName(entry.name))
            continue;
        (entry.isFolder() ? folders : files) << RemoteJoin(home, entry.name);
    }
    if (files.isEmpty() && folders.isEmpty()) {
        refuse(std::move(done), QStringLiteral("Nothing to delete"));
        return 0;
    }
    // Both questions come before anything starts: No leaves the server and the session as
    // they were.
    if (!m_session.ScriptRunning() && !confirmDelete(!folders.isEmpty())) {
        FileOpResult result;
        result.cancelled = true;
        result.message = QStringLiteral("Cancelled");
        refuse(std::move(done), result);
        return 0;
    }
    // The session may have changed while the question was open.
    if (!canStart(done))
        return 0;
    const quint64 id = begin(Operation::Delete, SessionState::Deleting, std::move(done));
    m_home = home;
    m_savedHidden = m_session.Ftp().ShowHiddenFiles;
    m_hiddenRefused = false;
    m_pendingFiles = files;
    m_pendingFolders = folders;
    m_total = 0;
    // The starting directory changes whatever happens; its listing is never shown from the
    // cache again.
    if (const int cached = m_session.Remote().cache().find(home); cached >= 0)
        m_session.DropCacheEntry(cached);
    continueLater(&RemoteFileOps::DeleteStep);
    return id;
}

void RemoteFileOps::DeleteStep()
{
    if (m_abort) {
        stopDelete();
        return;
    }
    if (!m_pendingFiles.isEmpty()) {
        const QString name = RemoteFileName(m_pendingFiles.first());
        m_session.ShowStatusText(QStringLiteral("Deleting: ") + name);
        m_session.ShowProgressText(QString::number(m_pendingFiles.size() - 1) + QStringLiteral(" file(s) remaining"));
        ++m_total;
        m_session.Ftp().DeleteFile(name);
        return;
    }
    if (!m_pendingFolders.isEmpty()) {
        const QString& folder = m_pendingFolders.first();
        dropCacheUnder(folder);
        m_expectedDir = RemoteDirectoryOf(folder);
        m_awaitingListing = true;
        // Hidden files count too: a folder that still holds one cannot be removed.
        m_session.Ftp().ShowHiddenFiles = !m_hiddenRefused;
        m_session.Ftp().ChangeDirectory(folder);
        return;
    }
    if (!m_emptiedFolders.isEmpty()) {
        m_session.SetState(SessionState::RemovingFolders);
        m_awaitingListing = true;
        m_session.Ftp().ChangeDirectory(m_home);
        return;
    }
    m_session.SetState(SessionState::RemoteCommand);
    finishWithListing();
}

void RemoteFileOps::FTPListingDone(bool success)
{
    if (m_op != Operation::Delete || !m_awaitingListing || !stepIsCurrent())
        return;
    m_awaitingListing = false;
    m_listingOk = success;
    // The session ends its own end-of-listing step before the chain moves the state on.
    continueLater(&RemoteFileOps::afterListing);
}

void RemoteFileOps::afterListing()
{
    if (m_session.State() == SessionState::Deleting) {
        // The engine turns hidden files off for the session when the server refuses them.
        m_hiddenRefused = m_hiddenRefused || !m_session.Ftp().ShowHiddenFiles;
        m_session.Ftp().ShowHiddenFiles = m_savedHidden && !m_hiddenRefused;
    }
    if (m_abort)
        stopDelete();
    else if (m_session.State() == SessionState::RemovingFolders)
        RemoveNextFolder();
    else
        readFolderListing();
}

// The listing of the folder the delete changed into: its entries join the lists.
void RemoteFileOps::readFolderListing()
{
    const QString folder = m_pendingFolders.first();
    const SessionController::DirectoryChange& change = m_session.LastDirectoryChange();
    if (!change.success) {
        fail(QStringLiteral("The server refused to change to ") + folder + QStringLiteral("; the delete stopped"));
        stopDelete();
        return;
    }
    if (change.reached != m_expectedDir) {
        fail(QStringLiteral("Changing to ") + folder + QStringLiteral(" reached ") + change.reached
             + QStringLiteral("; the delete stopped"));
        stopDelete();
        return;
    }
    if (!m_listingOk) {
        fail(QStringLiteral("The listing of ") + folder + QStringLiteral(" failed; the delete stopped"));
        stopDelete();
        return;
    }
    m_emptiedFolders << m_pendingFolders.takeFirst();
    for (const FileEntry& entry : allEntriesOf(m_session.Remote().rawLines(), m_session.Ftp().ServerType)) {
        if (!IsPlainRemoteName(entry.name)) {
            // Left alone, so its folder cannot be removed and the delete stops there.
            m_session.LogLine(QStringLiteral("ERROR: Not deleted, not a plain name: ") + m_expectedDir + entry.name,
                              SessionController::LogError);
            ++m_failures;
            continue;
        }
        (entry.isFolder() ? m_pendingFolders : m_pendingFiles) << m_expectedDir + entry.name;
    }
    continueLater(&RemoteFileOps::DeleteStep);
}

void RemoteFileOps::RemoveNextFolder()
{
    if (m_abort || m_emptiedFolders.isEmpty()) {
        m_session.SetState(SessionState::RemoteCommand);
        finishWithListing();
        return;
    }
    m_session.ShowStatusText(QStringLiteral("Removing: ") + RemoteFileName(m_emptiedFolders.last()));
    m_session.Ftp().RemoveDirectory(m_emptiedFolders.last());
}

void RemoteFileOps::FTPFileDeleted(bool success)
{
    if (m_op != Operation::Delete || !stepIsCurrent() || m_pendingFiles.isEmpty())
        return;
    m_pendingFiles.removeFirst();
    if (!success)
        ++m_failures;
    continueLater(&RemoteFileOps::DeleteStep);
}

void RemoteFileOps::FTPDirectoryDeleted(bool success)
{
    if (m_op == Operation::RemoveDirectory && stepIsCurrent()) {
        // A lone RMD (no delete in progress) ends with a listing, so a script goes on.
        if (!success)
            fail(QStringLiteral("The server refused to remove ") + m_newName);
        finishWithListing();
        return;
    }
    if (m_op != Operation::Delete || !stepIsCurrent() || m_emptiedFolders.isEmpty())
        return;
    if (!success)
        ++m_failures;
    dropCacheUnder(m_emptiedFolders.takeLast());
    continueLater(&RemoteFileOps::RemoveNextFolder);
}

// Abort or a stop: nothing more is deleted; the session goes back to where the delete
// started and lists it afresh.
void RemoteFileOps::stopDelete()
{
    m_pendingFiles.clear();
    m_pendingFolders.clear();
    m_emptiedFolders.clear();
    m_ending = true;
    m_session.SetState(SessionState::RemoteCommand);
    m_session.ShowProgressText(QString());
    if (const int cached = m_session.Remote().cache().find(m_home); cached >= 0)
        m_session.DropCacheEntry(cached);
    m_session.Ftp().ChangeDirectory(m_home);
}
