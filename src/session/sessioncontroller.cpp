// The session: its engine's events turned into log lines, status texts and signals, the
// activity state, the busy and ready steps, the reconnect and anti-idle timers, abort and
// raw commands.
#include "session/sessioncontroller.h"

#include "dialup/tapi.h"
#include "engine/ftp.h"
#include "engine/ftperrortext.h"
#include "session/trustedcertificates.h"
#include "platform/core/inifile.h"
#include "settings/settingsstore.h"
#include "sites/sitestats.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

SessionController::SessionController(SettingsStore& settings, TSiteDatabase& sites, TSiteStats& stats, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_sites(sites)
    , m_stats(stats)
    , m_ftp(std::make_unique<TFtp>())
    , m_tempDir(QDir::tempPath() + QLatin1Char('/'))
{
    m_ftp->Retry = 500;  // the connect routine sets it from the preferences
    m_remote.cache().setTempDir(m_tempDir);
    IdleTimer.setInterval(1000);
    RestartTimer.setInterval(1000);
    connect(&IdleTimer, &QTimer::timeout, this, &SessionController::IdleTimerTimer);
    connect(&RestartTimer, &QTimer::timeout, this, &SessionController::RestartTimerTimer);
    connect(&m_settings, &SettingsStore::changed, this, &SessionController::applySettingsToEngine);
    applySettingsToEngine();
    wireEngine();
}

SessionController::~SessionController()
{
    // No event of the engine may reach a controller that is going away.
    m_ftp->OnFtpInfo = nullptr;
    m_ftp->OnFtpError = nullptr;
    m_ftp->OnFtpQuit = nullptr;
    m_ftp->OnListingDone = nullptr;
    m_ftp->OnDirectoryChanged = nullptr;
    m_ftp->Close();
    m_remote.cache().flush();
}

ConfigData& SessionController::Config()
{
    return m_settings.config();
}

const ConfigData& SessionController::Config() const
{
    return m_settings.config();
}

void SessionController::SetTempDir(const QString& dir)
{
    m_tempDir = dir;
    m_remote.cache().setTempDir(dir);
}

// The proxy, its exceptions and the log file belong to the engine; a preferences change
// reaches the next connect.
void SessionController::applySettingsToEngine()
{
    const ViewSettings& view = m_settings.view();
    m_ftp->ProxyHost = view.ProxyHost;
    m_ftp->ProxyPort = view.ProxyPort;
    m_ftp->ProxyUser = view.ProxyUser;
    m_ftp->ProxyPass = view.ProxyPass;
    m_ftp->LogFile = view.LogFile;
    m_ftp->NoProxyHost = m_settings.noProxyHosts();
}

void SessionController::wireEngine()
{
    TFtp& ftp = *m_ftp;
    ftp.OnFtpInfo = [this](quint8 info, const QString& addinfo) { FTPFtpInfo(info, addinfo); };
    ftp.OnFtpError = [this](quint8 error, const QString& addinfo) { FTPFtpError(error, addinfo); };
    ftp.OnLoggedIn = [this] { FTPLoggedIn(); };
    ftp.OnFtpQuit = [this] { FTPFtpQuit(); };
    ftp.OnDisconnect = [this] { ShowStatus(0); };
    ftp.OnFtpReady = [this] { FTPFtpReady(); };
    ftp.OnRawCommand = [this] { FTPRawCommand(); };
    ftp.OnListingDone = [this] { FTPListingDone(); };
    ftp.OnDirectoryChanged = [this] { FTPDirectoryChanged(); };
    ftp.OnFileReceived = [this] { emit fileReceived(m_ftp->Success); };
    ftp.OnFileStored = [this] { emit fileStored(m_ftp->Success); };
    ftp.OnFileDeleted = [this] { emit fileDeleted(m_ftp->Success); };
    ftp.OnDirectoryCreated = [this] { emit directoryCreated(m_ftp->Success); };
    ftp.OnDirectoryDeleted = [this] { emit directoryDeleted(m_ftp->Success); };
    ftp.OnFileRenamed = [this] { emit fileRenamed(m_ftp->Success); };
    ftp.OnFileCHMOD = [this] { emit fileModeChanged(m_ftp->Success); };
    // "trusted.ini" lives beside "orvoftp.ini", in the program directory.
    ftp.OnCertificateCheck = [this](const TlsCertificateCheck& check) {
        const QString dir = QFileInfo(m_settings.file().fileName()).absolutePath();
        return TrustedCertificates(QDir(dir).filePath(QStringLiteral("trusted.ini"))).decide(check);
    };
}

// --- Activity state ------------------------------------------------------------------------

void SessionController::SetState(SessionState state)
{
    if (state == m_state)
        return;
    const SessionState old = m_state;
    m_state = state;
    const auto quiet = [](SessionState s) {
        return s == SessionState::Idle || s == SessionState::NotConnected || s == SessionState::StartingUp;
    };
    if (m_activity == 0 && quiet(old) && !quiet(state)) {
        m_activity = ++m_lastActivity;
        m_activityFailed = false;
    } else if (m_activity != 0 && quiet(state)) {
        finishActivity(state == SessionState::Idle && !m_activityFailed);
    }
    // An address's file belongs to the connect that named it; a failed one drops it.
    if (state == SessionState::NotConnected && m_follow == FollowUp::QueueUrlFile)
        m_follow = FollowUp::None;
    emit stateChanged(state);
}

void SessionController::finishActivity(bool success)
{
    const quint64 id = std::exchange(m_activity, 0);
    m_activityFailed = false;
    // Posted: whoever waits may start the next operation, and must not do it from inside
    // the step that ended this one.
    QMetaObject::invokeMethod(this, [this, id, success] { emit activityFinished(id, success); }, Qt::QueuedConnection);
}

// --- Per-connection values -----------------------------------------------------------------

void SessionController::SetAntiIdle(bool on)
{
    if (std::exchange(m_antiIdle, on) != on)
        emit antiIdleChanged(on);
}

void SessionController::SetSiteResumes(bool on)
{
    if (std::exchange(m_siteResumes, on) != on)
        emit siteResumesChanged(on);
}

void SessionController::SetTransferMode(TransferModeChoice mode)
{
    m_transferMode = mode;
    emit transferModeChanged();
}

QString SessionController::TransferModeText() const
{
    switch (m_transferMode) {
    case TransferModeChoice::Ascii: return QStringLiteral("ASCII");
    case TransferModeChoice::Binary: return QStringLiteral("Binary");
    case TransferModeChoice::Auto: break;
    }
    return QStringLiteral("Auto");
}

// --- Shared steps --------------------------------------------------------------------------

void SessionController::LogLine(const QString& text, int kind)
{
    emit logLine(text, kind);
}

void SessionController::ShowStatus(int code, const QString& attempt)
{
    const QString& server = m_request.host;
    const QString& port = m_request.port;
    QString text;
    switch (code) {
    case 0: text = QStringLiteral("Not connected"); break;
    case 1: text = QStringLiteral("Resolving ") + server; break;
    case 2: text = QStringLiteral("Connecting to %1:%2 (#%3)").arg(server, port, attempt); break;
    case 3: text = QStringLiteral("Connected to %1:%2").arg(server, port); break;
    case 5: text = QStringLiteral("Refreshing directory"); break;
    case 6: text = QStringLiteral("Changing directory"); break;
    case 7: text = QStringLiteral("Deleting file(s)"); break;
    case 10: text = QStringLiteral("Connecting to proxy"); break;
    case 11: text = QStringLiteral("Proxy connected: Waiting for server login"); break;
    case 13: text = QStringLiteral("Idle (00:00)"); break;
    case 14: text = QStringLiteral("Server disconnected."); break;
    case 15: text = QStringLiteral("Connection lost.  Waiting 45 secs for external resync"); break;
    case 16: text = QStringLiteral("Server disconnected.  Attempting reconnect..."); break;
    default: return;
    }
    emit statusText(text);
}

void SessionController::EnterBusy()
{
    IdleTimer.stop();
    emit busyChanged(true);
}

void SessionController::EnterReady()
{
    IdleSeconds = 0;
    IdleTimer.start();
    emit progressText(QString());
    SetState(SessionState::Idle);
    ShowStatus(13);
    emit busyChanged(false);
}

void SessionController::ResetToDisconnected()
{
    SetState(SessionState::NotConnected);
    IdleTimer.stop();
    RestartTimer.stop();
    m_ftp->Close();
    ShowStatus(0);
    FlushListingCache();
    m_remote.clear();
    emit progressText(QString());
    SetAntiIdle(false);
    emit securityChanged(QString());
    emit disconnected();
    emit busyChanged(false);
}

// --- Commands ------------------------------------------------------------------------------

void SessionController::Disconnect()
{
    if (quint8(m_state) > quint8(SessionState::LoggingIn))
        m_ftp->SendRaw(QStringLiteral("QUIT"));
    LogLine(QStringLiteral("Disconnected from server."));
    ResetToDisconnected();
}

void SessionController::Reconnect()
{
    IdleTimer.stop();
    ResetToDisconnected();
    BeginConnect();
}

void SessionController::Abort()
{
    switch (m_state) {
    case SessionState::ConnectionLost:
        RestartTimer.stop();
        LogLine(QStringLiteral("Reconnect aborted"));
        ResetToDisconnected();
        return;
    case SessionState::NotConnected:
    case SessionState::StartingUp:
        return;
    case SessionState::Connecting:
    case SessionState::LoggingIn:
        ResetToDisconnected();
        return;
    default:
        break;
    }
    LogLine(QStringLiteral("Aborting operation"));
    if (TransferRunning()) {
        SetState(SessionState::AbortingBatch);
        if (m_ftp->ServerType == ftpstWarFTPD)
            m_ftp->Abort();
        else
            m_ftp->AbortWithSynch();
    } else if (AbortChain && AbortChain()) {
        // The chain stops at its next step; a listing it waits for ends now, and the session
        // stays (a raw ABOR would be refused while the engine is busy).
        emit statusText(QStringLiteral("Aborting"));
        m_ftp->AbortWithSynch();
    } else if (m_state == SessionState::EditFetch || m_state == SessionState::ViewFetch) {
        // A fetch for viewing or editing, or an edited file on its way back, ends as failed.
        // While the user edits nothing is on the wire: the editor's own Abort ends the edit.
        if (m_ftp->Busy())
            m_ftp->AbortWithSynch();
    } else if (m_state == SessionState::CustomCommand && m_ftp->Busy()) {
        // The custom-command runner drops the commands not yet sent; the one on its way
        // is answered as a raw command and the session becomes ready then.
        markActivityFailed();
        SetState(SessionState::RemoteCommand);
    } else {
        m_ftp->SendRaw(QStringLiteral("ABOR"));
    }
}

bool SessionController::SendRawCommand(const QString& command)
{
    if (m_state != SessionState::Idle || command.isEmpty())
        return false;
    EnterBusy();
    SetState(SessionState::RemoteCommand);
    m_ftp->SendRaw(command);
    return true;
}

void SessionController::Shutdown()
{
    IdleTimer.stop();
    RestartTimer.stop();
    if (quint8(m_state) > quint8(SessionState::Connecting) && m_state != SessionState::StartingUp)
        m_ftp->SendRaw(QStringLiteral("QUIT"));
    if (TransferRunning())
        m_ftp->AbortWithSynch();
    m_ftp->Close();
    FlushListingCache();
}

// --- Engine events -------------------------------------------------------------------------

void SessionController::FTPFtpInfo(quint8 info, const QString& addinfo)
{
    switch (info) {
    case FtpInfo::Connected:
        if (m_ftp->FirewallType != fwNone) {
            LogLine(QStringLiteral("Connected to proxy.  Waiting for server login."));
            ShowStatus(11);
        } else {
            LogLine(QStringLiteral("Connected.  Waiting for response."));
            ShowStatus(3);
        }
        break;
    case FtpInfo::NotConnected:
        if (TransferRunning())
            SetState(SessionState::ConnectionLost);
        LogLine(QStringLiteral("Server disconnected."));
        break;
    case FtpInfo::Resolving:
        ShowStatus(1);
        break;
    case FtpInfo::Resolved:
        LogLine(QStringLiteral("Resolved host as: ") + addinfo);
        ShowStatus(2);
        break;
    case FtpInfo::ReplyLine:
        LogLine(addinfo, LogReply);
        break;
    case FtpInfo::CommandSent:
        LogLine(addinfo, LogCommand);
        break;
    case FtpInfo::ConnectFailed:
        LogLine(QStringLiteral("Connect attempt failed."));
        ResetToDisconnected();
        break;
    case FtpInfo::Progress:
        if (TransferRunning())
            emit transferInfo(info, addinfo);
        else
            emit progressText(QString::number(m_ftp->BytesTransferred()) + QStringLiteral(" bytes received"));
        break;
    case FtpInfo::TransferDone: {
        const qint64 ms = qMax<qint64>(1, m_ftp->ElapsedMs());
        const double kPerSec = double(m_ftp->BytesTransferred()) / double(ms);
        const QString speed = Config().ShowCps ? QString::asprintf("%.2f cps)", kPerSec * 1000.0)
                                               : QString::asprintf("%.2f k/sec)", kPerSec);
        LogLine(addinfo + QLatin1Char(' ') + QString::number(m_ftp->BytesTransferred()) + QStringLiteral(" bytes in ")
                + QString::asprintf("%.3f", m_ftp->ElapsedMs() / 1000.0) + QStringLiteral(" secs (") + speed);
        emit transferInfo(info, addinfo);
        break;
    }
    case FtpInfo::SizeAnnounced:
        emit transferInfo(info, addinfo);
        break;
    case FtpInfo::ListingLine:
        AddListingLine(addinfo);
        break;
    case FtpInfo::ResumeSupported:
        SetSiteResumes(true);
        break;
    case FtpInfo::MultilineFirst:
    case FtpInfo::MultilineInner:
    case FtpInfo::MultilineLast:
    case FtpInfo::SystemReply:
        collectMessage(info, addinfo);
        break;
    case FtpInfo::ConnectAttempt:
        m_statusAttempt = addinfo;
        if (m_ftp->FirewallType != fwNone) {
            LogLine(QStringLiteral("Connecting to Proxy server (%1:%2)").arg(m_ftp->ProxyHost).arg(m_ftp->ProxyPort));
            ShowStatus(10);
        } else {
            ShowStatus(2, addinfo);
            LogLine(QStringLiteral("Connecting to %1, Port %2 (#%3) ").arg(m_request.host, m_request.port, addinfo));
        }
        break;
    case FtpInfo::RetryScheduled:
        LogLine(QStringLiteral("Connection attempt failed.") + addinfo);
        break;
    case FtpInfo::Notice:
        LogLine(addinfo);
        break;
    case FtpInfo::Secured:
        emit securityChanged(addinfo);
        break;
    default:
        break;
    }
}

// Lines of multi-line replies are collected for a message window; none is shown while a
// script or a transfer runs, and a directory message only once the login is over.
void SessionController::collectMessage(quint8 info, const QString& addinfo)
{
    if (m_scriptRunning || TransferRunning())
        return;
    switch (info) {
    case FtpInfo::MultilineFirst:
    case FtpInfo::MultilineInner:
        m_messageLines << addinfo;
        return;
    case FtpInfo::MultilineLast:
        if (m_ftp->ReplyState() <= 4)
            return;  // during the login the lines stay collected
        if (Config().MessageWin) {
            m_messageLines << addinfo;
            showMessages(QStringLiteral("Directory Message"));
        } else {
            m_messageLines.clear();
        }
        return;
    default:  // the system reply
        if (Config().ShowMessages) {
            m_messageLines << addinfo;
            showMessages(QStringLiteral("Server Message"));
        } else {
            m_messageLines.clear();
        }
        return;
    }
}

void SessionController::showMessages(const QString& title)
{
    // The lines collected so far belong to this window; the next message starts afresh.
    const QStringList lines = std::exchange(m_messageLines, {});
    // A server that said nothing worth a window gets none.
    if (std::all_of(lines.begin(), lines.end(), [](const QString& line) { return line.trimmed().isEmpty(); }))
        return;
    emit messageWindow(title, lines);
}

void SessionController::FTPFtpError(quint8 error, const QString& addinfo)
{
    IdleTimer.stop();
    if (error == FtpError::DataConnection) {
        if (m_state != SessionState::ConnectionLost)
            LogLine(FtpErrorMessage(error, addinfo), LogStatus);
    } else if (const QString message = FtpErrorMessage(error, addinfo); !message.isEmpty()) {
        LogLine(message, LogError);
    }
    // An error that ended the session ends its activity; one the session survives (a failed
    // data connection, a refused command) is followed by the operation's own completion.
    if (!m_ftp->SessionConnected())
        SetState(SessionState::NotConnected);
    emit ftpError(error);
}

void SessionController::FTPLoggedIn()
{
    SetState(SessionState::LoggingIn);
    QString displayName = m_request.host;
    if (!m_request.siteName.isEmpty()) {
        displayName = m_request.siteName;
        try {
            m_stats.RecordConnect(m_request.siteName);
        } catch (const std::exception&) {
            // Statistics are a courtesy; a read-only file must not stop the session.
        }
    }
    emit loggedIn(displayName);
    RefreshRemote();
}

void SessionController::FTPFtpQuit()
{
    if (m_state != SessionState::ConnectionLost) {
        ResetToDisconnected();
        return;
    }
    // The server dropped the session during a transfer: reconnect and resume the batch.
    m_ftp->Close();
    m_follow = FollowUp::ResumeBatch;
    ShowStatus(14);
    ReconnectTicks = 0;
    ShowStatus(m_externalRedialer ? 15 : 16);
    RestartTimer.start();
    emit connectionLost();
}

void SessionController::RestartTimerTimer()
{
    ++ReconnectTicks;
    if (ReconnectTicks == 1)
        return;
    // No system redial windows exist here: the plain wait decides, longer when an external
    // redialer is expected to bring the line back.
    if ((!m_externalRedialer && ReconnectTicks > 6) || (m_externalRedialer && ReconnectTicks > 40)) {
        reconnectNow();
        return;
    }
    if (m_externalRedialer)
        return;
    // A dial-up line that is up again need not wait for the rest of the ticks. The answer
    // comes later; by then the wait may be over or cancelled.
    if (!m_dialup)
        m_dialup = std::make_unique<TTapi>();
    if (!m_dialup->Available())
        return;
    m_dialup->IsDialupActive([this, ticks = ReconnectTicks](bool active) {
        if (active && m_state == SessionState::ConnectionLost && RestartTimer.isActive() && ReconnectTicks == ticks)
            reconnectNow();
    });
}

void SessionController::reconnectNow()
{
    RestartTimer.stop();
    BeginConnect();
}

void SessionController::FTPFtpReady()
{
    if (m_state == SessionState::Uploading) {
        emit uploadReady();
        return;
    }
    // Raised only for a refused MKD or RMD: the operation that sent it failed.
    markActivityFailed();
    EnterReady();
}

void SessionController::FTPRawCommand()
{
    emit rawCommandDone();
    // A custom command's runner sends its next line from the signal; anything else (a raw
    // command, the anti-idle NOOP) leaves the session ready.
    if (m_state != SessionState::CustomCommand)
        EnterReady();
}

void SessionController::IdleTimerTimer()
{
    ++IdleSeconds;
    emit statusText(QString::asprintf("Idle (%.2d:%.2d)", (IdleSeconds % 3600) / 60, IdleSeconds % 60));
    if (m_antiIdle && IdleSeconds >= Config().IdleTime && m_state == SessionState::Idle) {
        IdleSeconds = 0;
        m_ftp->SendRaw(QStringLiteral("NOOP"));
        ShowStatus(13);
    }
}
