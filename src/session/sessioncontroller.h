#pragma once

#include "session/connectionrequest.h"
#include "session/remotedirectory.h"
#include "session/sessionstate.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

class LocalDirectoryModel;
class SettingsStore;
class TTapi;
class TFtp;
class TSiteDatabase;
class TSiteStats;
struct ConfigData;

// The transfer mode chosen for a connection, as the transfer-mode panel shows it.
enum class TransferModeChoice : quint8 { Ascii = 0, Binary = 1, Auto = 2 };

// One FTP session of the program: the main window owns one, each server browser another.
// It owns the engine and is the only owner of the engine's hooks; what happens is re-emitted
// as signals, so the window, the queue, the batch runner, the scripts and the D-Bus link can
// all listen. It keeps the activity state that every command consults, the follow-up, the
// connect routine and the route it applies, the reconnect and anti-idle timers, and the
// server's current directory (RemoteDirectoryModel). No widgets: questions go through the
// prompt interface.
//
// Activities: one user-level operation runs at a time (connecting, a listing, a raw command,
// a batch ...). It starts when the state leaves Idle (or NotConnected) and finishes exactly
// once: at EnterReady (success unless markActivityFailed was called) or at the disconnect
// reset (failure). Whoever started it waits for activityFinished with its id.
class SessionController : public QObject
{
    Q_OBJECT

public:
    enum LogKind { LogStatus = 0, LogCommand = 1, LogReply = 2, LogError = 3 };
    static constexpr const char* Caption = "OrvoFTP 2.50";

    SessionController(SettingsStore& settings, TSiteDatabase& sites, TSiteStats& stats, QObject* parent = nullptr);
    ~SessionController() override;

    TFtp& Ftp() { return *m_ftp; }
    const TFtp& Ftp() const { return *m_ftp; }
    SettingsStore& Settings() { return m_settings; }
    ConfigData& Config();
    const ConfigData& Config() const;
    TSiteDatabase& Sites() { return m_sites; }
    RemoteDirectoryModel& Remote() { return m_remote; }
    const RemoteDirectoryModel& Remote() const { return m_remote; }
    // The local directory a site's LocalDir and LocalFilter apply to (the main window's);
    // none for a server browser.
    void SetLocalDirectory(LocalDirectoryModel* local) { m_local = local; }
    LocalDirectoryModel* LocalDirectory() const { return m_local; }
    // A server browser's session: it lists every directory it reaches (whatever AutoRefresh
    // says) and keeps no session log file (that file is the main session's).
    void SetBrowsing(bool on) { m_browsing = on; }
    // Where listing-cache files go (the temporary directory by default).
    void SetTempDir(const QString& dir);
    const QString& TempDir() const { return m_tempDir; }

    // --- Activity state ----------------------------------------------------------------------
    SessionState State() const { return m_state; }
    void SetState(SessionState state);
    bool TransferRunning() const { return m_state == SessionState::Downloading || m_state == SessionState::Uploading; }
    FollowUp Follow() const { return m_follow; }
    void SetFollow(FollowUp follow) { m_follow = follow; }
    // A script runs: messages and confirmations are suppressed, the log is kept at connect.
    bool ScriptRunning() const { return m_scriptRunning; }
    void SetScriptRunning(bool running) { m_scriptRunning = running; }
    quint64 CurrentActivity() const { return m_activity; }
    // The activity under way will finish as failed even if the session becomes ready.
    void markActivityFailed() { m_activityFailed = true; }

    // --- The connection ----------------------------------------------------------------------
    // The request of the last connect, as the connect routine completed it (defaults, route).
    const ConnectionRequest& Request() const { return m_request; }
    QString CurrentSiteName() const { return m_request.siteName; }
    void ClearCurrentSite() { m_request.siteName.clear(); }
    // The connection shown was just stored as this site ("Add Current Site").
    void SetCurrentSiteName(const QString& name) { m_request.siteName = name; }
    bool AntiIdle() const { return m_antiIdle; }
    void SetAntiIdle(bool on);
    bool SiteResumes() const { return m_siteResumes; }
    void SetSiteResumes(bool on);
    bool ExternalRedialer() const { return m_externalRedialer; }
    void SetExternalRedialer(bool on) { m_externalRedialer = on; }
    bool RenameExtensions() const { return m_renameExtensions; }
    TransferModeChoice TransferMode() const { return m_transferMode; }
    void SetTransferMode(TransferModeChoice mode);
    QString TransferModeText() const;

    // Whether the queue holds entries (a queue from the command line runs after the login
    // only then); none when there is no queue.
    std::function<bool()> HasQueuedEntries;

    // --- Connection control ------------------------------------------------------------------
    // The connect routine: applies the request and the settings to the engine and starts the
    // session. False when nothing started (no host, a cancelled password box, a damaged site):
    // the session is reset then.
    bool Connect(ConnectionRequest request);
    void BeginConnect();
    void Disconnect();  // QUIT when logged in, "Disconnected from server.", reset
    void Reconnect();   // the same request again
    void Abort();       // by state: cancel a reconnect, a connect, a transfer or a command
    // A raw command from the user: only when idle; the session is busy until it is answered.
    bool SendRawCommand(const QString& command);
    // The exit: QUIT when a session runs, then close without events.
    void Shutdown();
    // The runner of a chain of remote commands (a recursive delete, a move, a CHMOD) stops
    // it at its next step; true when one of its chains was running. Abort then ends a
    // listing under way instead of sending a raw ABOR.
    std::function<bool()> AbortChain;

    // --- Steps every operation uses -----------------------------------------------------------
    void EnterBusy();
    void EnterReady();
    void ResetToDisconnected();
    void ShowStatus(int code, const QString& attempt = {});
    void ShowStatusText(const QString& text) { emit statusText(text); }      // status panel 0
    void ShowProgressText(const QString& text) { emit progressText(text); }  // status panel 1
    void LogLine(const QString& text, int kind = LogStatus);

    // --- The remote directory ----------------------------------------------------------------
    void RefreshRemote();  // after login and after every directory change
    void ListRemote();
    void ShowCachedListing(int index);
    void FlushListingCache();
    void DropCacheEntry(int index);
    // A directory change started from the views or a command (state 12, busy, status 6).
    bool ChangeRemoteDirectory(const QString& path);
    bool ChangeRemoteDirectoryUp();
    // Double click on a link: change into it and remember the way back.
    bool FollowLink(const QString& name);
    // ".." of the view: back through a followed link, else to the parent.
    bool OpenRemoteParent();
    // The last directory change the server answered: whether it took it, and where the
    // session is after it (with a trailing "/"). A chain that works on "the directory it
    // changed into" checks both before it acts there.
    struct DirectoryChange
    {
        bool success = false;
        QString reached;
    };
    const DirectoryChange& LastDirectoryChange() const { return m_lastChange; }
    // "&Refresh" with the remote view focused: state 14, the cache entry dropped, listed.
    bool RefreshCurrent();
    // The filter or a switch changed: the rows shown are built again.
    void RefilterRemote();
    // Whether the server took the last directory change (CWD or CDUP): after a refusal the
    // listing that follows is still the old directory's, and whoever asked must not work on
    // it as if it were the new one.
    bool LastDirectoryChangeSucceeded() const { return m_lastChangeSucceeded; }

    // --- Timers (their ticks are public for tests) -----------------------------------------
    QTimer IdleTimer;
    QTimer RestartTimer;
    int IdleSeconds = 0;
    int ReconnectTicks = 0;
    void IdleTimerTimer();
    void RestartTimerTimer();

signals:
    void logLine(const QString& text, int kind);
    void clearLog();                           // a fresh connect, no script running
    void statusText(const QString& text);      // status panel 0
    void progressText(const QString& text);    // status panel 1, outside transfers
    void stateChanged(SessionState state);
    void busyChanged(bool busy);               // EnterBusy, EnterReady, the reset
    void requestApplied();                     // the connect routine applied Request()
    void historyItem(const QString& item);     // a typed host connected: its history entry
    void antiIdleChanged(bool on);
    void siteResumesChanged(bool on);
    void transferModeChanged();
    void completionActionsReset();             // the "Transfer Complete" marks from XferOption
    void queueUrlFile(const QString& remotePath);  // an address named a file (follow-up 18)
    void loggedIn(const QString& displayName);
    void disconnected();                       // the disconnect reset ran
    void ftpError(quint8 error);               // an engine error, logged; it may have ended the session
    void messageWindow(const QString& title, const QStringList& lines);
    void remoteDirectoryReached(const QString& directory);
    // Engine completions, each once, with the engine's Success.
    void fileReceived(bool success);
    void fileStored(bool success);
    void fileDeleted(bool success);
    void directoryCreated(bool success);
    void directoryDeleted(bool success);
    void fileRenamed(bool success);
    void fileModeChanged(bool success);
    void rawCommandDone();
    void transferInfo(quint8 info, const QString& addinfo);  // progress, size, done
    // The end of a listing: the model is final. What comes next (by
    // state and follow-up): follow-up 9 or 18 → resumeBatchRequested; states 5, 6, 10 and 16
    // belong to their runners, which listen to listingDone; any other state becomes ready.
    void listingDone(bool success);
    void resumeBatchRequested();
    void uploadReady();          // the engine is ready during an upload batch
    void connectionLost();       // state 17: waiting to reconnect
    // The control connection is encrypted (protocol and cipher), or no longer (empty).
    void securityChanged(const QString& description);
    void activityFinished(quint64 id, bool success);

private:
    void wireEngine();
    void applySettingsToEngine();
    // Connect routine steps (sessionconnect.cpp).
    void startFreshSession();
    bool applyRequest(ConnectionRequest& request, QString* initialDirectory, bool* antiIdle);
    void applySiteOptions(const ConnectionRequest& request, bool* antiIdle);
    void offerToSaveCredentials(const ConnectionRequest& request);
    void applyRoute(ConnectionRequest& request);
    void keepRoute(const ConnectionRoute& route, const QString& host, quint16 port);
    // Engine events (sessioncontroller.cpp, sessionremote.cpp).
    void FTPFtpInfo(quint8 info, const QString& addinfo);
    void FTPFtpError(quint8 error, const QString& addinfo);
    void FTPLoggedIn();
    void FTPFtpQuit();
    void FTPFtpReady();
    void FTPRawCommand();
    void FTPListingDone();
    void FTPDirectoryChanged();
    void finishRemoteListing(bool success);
    void AddListingLine(const QString& rawLine);
    void collectMessage(quint8 info, const QString& addinfo);
    void showMessages(const QString& title);
    void finishActivity(bool success);
    bool beginDirectoryChange();
    void reconnectNow();

    SettingsStore& m_settings;
    TSiteDatabase& m_sites;
    TSiteStats& m_stats;
    std::unique_ptr<TFtp> m_ftp;
    RemoteDirectoryModel m_remote;
    LocalDirectoryModel* m_local = nullptr;
    QString m_tempDir;

    SessionState m_state = SessionState::NotConnected;
    FollowUp m_follow = FollowUp::None;
    bool m_scriptRunning = false;
    bool m_browsing = false;
    quint64 m_activity = 0;  // 0: none under way
    quint64 m_lastActivity = 0;
    bool m_activityFailed = false;
    bool m_lastChangeSucceeded = true;

    ConnectionRequest m_request;
    bool m_antiIdle = false;
    bool m_siteResumes = false;
    bool m_externalRedialer = false;
    bool m_renameExtensions = false;
    TransferModeChoice m_transferMode = TransferModeChoice::Auto;
    QStringList m_messageLines;
    QString m_statusAttempt;
    DirectoryChange m_lastChange;
    std::unique_ptr<TTapi> m_dialup;  // asked during the reconnect wait whether a line is up
};
