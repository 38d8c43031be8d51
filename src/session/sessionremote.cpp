// The server's current directory: listings line by line from the engine, the listing cache,
// directory changes from the views and the way back from followed links.
#include "session/sessioncontroller.h"

#include "engine/ftp.h"
#include "session/pathhelpers.h"
#include "settings/settingsstore.h"

namespace {

QString remoteDirectoryOf(const QString& reported)
{
    return EnsureTrailingSeparator(reported.isEmpty() ? QStringLiteral("/") : reported);
}

}  // namespace

void SessionController::RefreshRemote()
{
    m_remote.setCurrentDirectory(remoteDirectoryOf(m_ftp->InitialDirectory));
    // The runners of batches and deletes work on the listing that follows their directory
    // changes: without it they would stop half way.
    const bool runnerWaits = m_state == SessionState::Downloading || m_state == SessionState::Uploading
                             || m_state == SessionState::Deleting || m_state == SessionState::RemovingFolders;
    if (!Config().AutoRefresh && !m_scriptRunning && !runnerWaits && !m_browsing) {
        EnterReady();
        return;
    }
    EnterBusy();
    ShowStatus(5);
    const int cached = m_remote.cache().find(m_remote.currentDirectory());
    if (cached < 0) {
        ListRemote();
    } else if (m_state == SessionState::RemoteCommand || m_state == SessionState::Downloading) {
        ShowCachedListing(cached);
    } else {
        // Reached some other way (login, a command, a transfer's end): it may have changed.
        DropCacheEntry(cached);
        ListRemote();
    }
}

void SessionController::ListRemote()
{
    m_remote.beginListing(m_ftp->ServerType);
    TListingCache& cache = m_remote.cache();
    if (cache.find(m_remote.currentDirectory()) < 0 && m_state != SessionState::Uploading
        && m_state != SessionState::Deleting) {
        if (!cache.beginEntry(m_remote.currentDirectory()))
            LogLine(QStringLiteral("Unable to create a listing cache file in ") + m_tempDir, LogError);
    }
    m_ftp->ListDirectory();
}

void SessionController::ShowCachedListing(int index)
{
    const std::optional<QStringList> lines = TListingCache::readLines(m_remote.cache().entry(index).file);
    if (!lines) {
        DropCacheEntry(index);
        RefreshRemote();
        return;
    }
    m_remote.beginListing(m_ftp->ServerType);
    for (const QString& line : *lines)
        AddListingLine(line);
    finishRemoteListing(true);
}

void SessionController::AddListingLine(const QString& rawLine)
{
    m_remote.addLine(rawLine, TransferRunning());
}

void SessionController::FTPListingDone()
{
    // Only the end of a listing this session started: the engine's completion is posted, and
    // one that arrives after the disconnect reset (even once a new connect began) belongs to
    // none.
    if (m_remote.listing())
        finishRemoteListing(m_ftp->Success);
}

void SessionController::finishRemoteListing(bool success)
{
    if (m_ftp->InitialDirectory.isEmpty())
        m_ftp->InitialDirectory = QStringLiteral("/");
    if (!m_remote.finishListing(success, EnsureTrailingSeparator(m_ftp->InitialDirectory), TransferRunning()))
        LogLine(QStringLiteral("Unable to write the listing cache file in ") + m_tempDir, LogError);
    emit listingDone(success);
    // What comes next: nothing after an error ended the session's activity; a resumed batch
    // or an address's file; the runners of states 5, 6, 10 and 16 go on from listingDone.
    // Nor after the server dropped the session under a batch: the reconnect takes it on.
    if (m_state == SessionState::NotConnected || m_state == SessionState::ConnectionLost)
        return;
    if (m_follow == FollowUp::ResumeBatch || m_follow == FollowUp::QueueUrlFile) {
        emit resumeBatchRequested();
        return;
    }
    switch (m_state) {
    case SessionState::Downloading:
    case SessionState::Uploading:
    case SessionState::Deleting:
    case SessionState::RemovingFolders:
        return;
    default:
        EnterReady();
    }
}

void SessionController::FTPDirectoryChanged()
{
    // Changes come from the views and commands of a ready session; a completion posted before
    // the disconnect reset may arrive while the next session is still connecting.
    if (m_state == SessionState::NotConnected || m_state == SessionState::Connecting
        || m_state == SessionState::LoggingIn || m_state == SessionState::ConnectionLost)
        return;
    m_lastChangeSucceeded = m_ftp->Success;
    if (!m_ftp->Success)
        markActivityFailed();  // the server refused the change; where we are is listed still
    const QString reached = remoteDirectoryOf(m_ftp->InitialDirectory);
    m_lastChange = {m_ftp->Success, reached};
    m_remote.noteDirectory(reached);
    m_remote.linkReached(reached);
    emit remoteDirectoryReached(reached);
    RefreshRemote();
}

void SessionController::FlushListingCache()
{
    m_remote.cache().flush();
}

void SessionController::DropCacheEntry(int index)
{
    m_remote.cache().drop(index);
}

bool SessionController::beginDirectoryChange()
{
    if (m_state != SessionState::Idle)
        return false;
    SetState(SessionState::RemoteCommand);
    EnterBusy();
    ShowStatus(6);
    return true;
}

bool SessionController::ChangeRemoteDirectory(const QString& path)
{
    if (path.isEmpty() || !beginDirectoryChange())
        return false;
    m_ftp->ChangeDirectory(path);
    return true;
}

bool SessionController::ChangeRemoteDirectoryUp()
{
    if (!beginDirectoryChange())
        return false;
    m_ftp->ChangeDirectoryUp();
    return true;
}

bool SessionController::FollowLink(const QString& name)
{
    if (!beginDirectoryChange())
        return false;
    m_remote.startFollowingLink();
    m_ftp->ChangeDirectory(name);
    return true;
}

bool SessionController::OpenRemoteParent()
{
    // Back out of a followed link the way we came, not to the link target's parent.
    const QString origin = m_remote.linkOrigin();
    if (!origin.isEmpty())
        return ChangeRemoteDirectory(origin);
    return ChangeRemoteDirectoryUp();
}

bool SessionController::RefreshCurrent()
{
    if (m_state != SessionState::Idle)
        return false;
    SetState(SessionState::BatchEnding);
    EnterBusy();
    ShowStatus(5);
    if (const int cached = m_remote.cache().find(m_remote.currentDirectory()); cached >= 0)
        DropCacheEntry(cached);
    ListRemote();
    return true;
}

void SessionController::RefilterRemote()
{
    if (m_state == SessionState::NotConnected || (m_remote.entries().empty() && m_remote.rawLines().isEmpty()))
        return;
    m_remote.refilter(TransferRunning());
}
