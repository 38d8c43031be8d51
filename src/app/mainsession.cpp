// Following the session: its events, the status texts and log lines, the busy and ready
// steps, the reconnect and anti-idle timers, abort and raw commands.
#include "app/mainwindow.h"

#include "app/messagewindow.h"
#include "app/progresspanel.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "engine/ftperrortext.h"
#include "platform/launcher.h"
#include "platform/prompt.h"
#include "platform/sound.h"
#include "sites/sitestats.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

#include <algorithm>

namespace {

TColor logColour(int kind)
{
    switch (kind) {
    case TfrmMain::LogCommand: return clGreen;
    case TfrmMain::LogReply: return clNavy;
    case TfrmMain::LogError: return clRed;
    default: return clBlack;
    }
}

}  // namespace

// --- Shared steps --------------------------------------------------------------------------

void TfrmMain::LogLine(const QString& text, int kind)
{
    Memo1->AddLine(text, logColour(kind));
}

void TfrmMain::ShowStatus(int code, const QString& attempt)
{
    const QString server = txtFTPServer->currentText();
    const QString port = txtPort->text();
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
    StatusText->setText(text);
}

void TfrmMain::EnterBusy()
{
    IdleTimer.stop();
    RemotePathBox->setEnabled(false);
    Remote->setCursor(Qt::WaitCursor);
    Local->setCursor(TransferRunning() ? Qt::WaitCursor : Qt::BusyCursor);
    Remote->SetAcceptFiles(false);
}

void TfrmMain::EnterReady()
{
    IdleSeconds = 0;
    IdleTimer.start();
    LocalPathBox->setEnabled(true);
    RemotePathBox->setEnabled(true);
    Remote->unsetCursor();
    Local->unsetCursor();
    Remote->SetAcceptFiles(true);
    StatusProgress->clear();
    State = SessionState::Idle;
    ShowStatus(13);
}

void TfrmMain::ResetToDisconnected()
{
    State = SessionState::NotConnected;
    IdleTimer.stop();
    setWindowTitle(QString::fromLatin1(Caption));
    QApplication::setApplicationDisplayName(QString::fromLatin1(Caption));
    FTP->Close();
    if (TransferTimer.isActive()) {
        TransferTimer.stop();
        StatusProgress->clear();
    }
    ShowStatus(0);
    FlushListingCache();
    ClearRemoteView();
    StatusProgress->clear();
    mnuIdle->setChecked(false);
    Remote->unsetCursor();
    Local->unsetCursor();
    LocalPathBox->setEnabled(true);
    RemotePathBox->clear();
    RemotePathBox->setEnabled(false);
    btnConnect->setEnabled(!txtFTPServer->currentText().isEmpty());
    btnDisconnect->setEnabled(false);
    Remote->SetAcceptFiles(false);
}

// --- Commands ------------------------------------------------------------------------------

void TfrmMain::btnDisconnectClick()
{
    if (quint8(State) > quint8(SessionState::LoggingIn))
        FTP->SendRaw(QStringLiteral("QUIT"));
    LogLine(QStringLiteral("Disconnected from server."));
    ResetToDisconnected();
}

void TfrmMain::mnuReconnectClick()
{
    IdleTimer.stop();
    ResetToDisconnected();
    BeginConnect();
}

void TfrmMain::btnAbortClick()
{
    switch (State) {
    case SessionState::ConnectionLost:
        RestartTimer.stop();
        LogLine(QStringLiteral("Reconnect aborted"));
        ResetToDisconnected();
        return;
    case SessionState::NotConnected:
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
        State = SessionState::AbortingBatch;
        if (FTP->ServerType == ftpstWarFTPD)
            FTP->Abort();
        else
            FTP->AbortWithSynch();
    } else if (State == SessionState::Deleting) {
        StatusText->setText(QStringLiteral("Aborting"));
    } else {
        FTP->SendRaw(QStringLiteral("ABOR"));
    }
}

void TfrmMain::mnuRawCmdClick()
{
    if (State != SessionState::Idle)
        return;
    const auto command = prompts().inputBox(QStringLiteral("Raw Command"), QStringLiteral("Enter Raw Command"), {});
    if (!command || command->isEmpty())
        return;
    EnterBusy();
    State = SessionState::RemoteCommand;
    FTP->SendRaw(*command);
}

void TfrmMain::mnuRunProgramClick()
{
    const auto program = prompts().openFile(QStringLiteral("Run Program"), QString(), QStringLiteral("All files|*"));
    if (program)
        RunProgram(*program);
}

void TfrmMain::mnuOpenUrlClick()
{
    const auto url = prompts().inputBox(QStringLiteral("Open URL"), QStringLiteral("URL to Open"), QStringLiteral("http://"));
    if (url && !url->isEmpty())
        QDesktopServices::openUrl(QUrl::fromUserInput(*url));
}

void TfrmMain::CheckClipboard()
{
    const QString text = QApplication::clipboard()->text().left(256);
    if (!text.startsWith(QLatin1String("FTP://"), Qt::CaseInsensitive) || State != SessionState::NotConnected)
        return;
    QApplication::clipboard()->clear();
    m_suppressServerChange = true;
    txtFTPServer->setEditText(text);
    m_suppressServerChange = false;
    ConnectRoutine();
}

// --- Session events ------------------------------------------------------------------------

void TfrmMain::wireSession()
{
    FTP->OnFtpInfo = [this](quint8 info, const QString& addinfo) { FTPFtpInfo(info, addinfo); };
    FTP->OnFtpError = [this](quint8 error, const QString& addinfo) { FTPFtpError(error, addinfo); };
    FTP->OnLoggedIn = [this] { FTPLoggedIn(); };
    FTP->OnFtpQuit = [this] { FTPFtpQuit(); };
    FTP->OnDisconnect = [this] { ShowStatus(0); };
    FTP->OnFtpReady = [this] { FTPFtpReady(); };
    FTP->OnRawCommand = [this] { FTPRawCommand(); };
    FTP->OnListingDone = [this] { FTPListingDone(); };
    FTP->OnDirectoryChanged = [this] { FTPDirectoryChanged(); };
}

void TfrmMain::FTPFtpInfo(quint8 info, const QString& addinfo)
{
    const bool quiet = ScriptRunning || TransferRunning();
    switch (info) {
    case FtpInfo::Connected:
        if (FTP->FirewallType != fwNone) {
            LogLine(QStringLiteral("Connected to proxy.  Waiting for server login."));
            ShowStatus(11);
        } else {
            LogLine(QStringLiteral("Connected.  Waiting for response."));
            ShowStatus(3);
        }
        break;
    case FtpInfo::NotConnected:
        if (TransferRunning())
            State = SessionState::ConnectionLost;
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
        if (TransferRunning()) {
            if (!TransferTimer.isActive())
                TransferTimer.start();
        } else {
            StatusProgress->setText(QString::number(FTP->BytesTransferred()) + QStringLiteral(" bytes received"));
        }
        break;
    case FtpInfo::TransferDone: {
        const qint64 ms = qMax<qint64>(1, FTP->ElapsedMs());
        const double kPerSec = double(FTP->BytesTransferred()) / double(ms);
        const QString speed = Config().ShowCps ? QString::asprintf("%.2f cps)", kPerSec * 1000.0)
                                               : QString::asprintf("%.2f k/sec)", kPerSec);
        LogLine(addinfo + QLatin1Char(' ') + QString::number(FTP->BytesTransferred()) + QStringLiteral(" bytes in ")
                + QString::asprintf("%.3f", FTP->ElapsedMs() / 1000.0) + QStringLiteral(" secs (") + speed);
        break;
    }
    case FtpInfo::ListingLine:
        AddListingLine(addinfo);
        break;
    case FtpInfo::ResumeSupported:
        mnuSiteResumes->setChecked(true);
        break;
    case FtpInfo::MultilineFirst:
    case FtpInfo::MultilineInner:
        if (!quiet)
            MessageLines << addinfo;
        break;
    case FtpInfo::MultilineLast:
        if (!quiet && FTP->ReplyState() > 4) {
            if (Config().MessageWin) {
                MessageLines << addinfo;
                showMessageWindow(QStringLiteral("Directory Message"));
            } else {
                MessageLines.clear();
            }
        }
        break;
    case FtpInfo::SystemReply:
        if (!quiet) {
            if (Config().ShowMessages) {
                MessageLines << addinfo;
                showMessageWindow(QStringLiteral("Server Message"));
            } else {
                MessageLines.clear();
            }
        }
        break;
    case FtpInfo::ConnectAttempt:
        m_statusAttempt = addinfo.toInt();
        if (FTP->FirewallType != fwNone) {
            LogLine(QStringLiteral("Connecting to Proxy server (%1:%2)").arg(FTP->ProxyHost).arg(FTP->ProxyPort));
            ShowStatus(10);
        } else {
            ShowStatus(2, addinfo);
            LogLine(QStringLiteral("Connecting to %1, Port %2 (#%3) ").arg(txtFTPServer->currentText(), txtPort->text(), addinfo));
        }
        break;
    case FtpInfo::RetryScheduled:
        LogLine(QStringLiteral("Connection attempt failed.") + addinfo);
        break;
    case FtpInfo::Notice:
        LogLine(addinfo);
        break;
    default:
        break;
    }
}

void TfrmMain::showMessageWindow(const QString& title)
{
    // The lines collected so far belong to this window; the next message starts afresh.
    const QStringList lines = MessageLines;
    MessageLines.clear();
    // A server that said nothing worth a window gets none.
    if (std::all_of(lines.begin(), lines.end(), [](const QString& line) { return line.trimmed().isEmpty(); }))
        return;
    auto* window = new TMessageWindow(title, lines, this);
    if (isActiveWindow()) {
        window->show();
    } else {
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->show();
    }
}

void TfrmMain::FTPFtpError(quint8 error, const QString& addinfo)
{
    IdleTimer.stop();
    if (error == FtpError::DataConnection) {
        if (State != SessionState::ConnectionLost)
            LogLine(FtpErrorMessage(error, addinfo), LogStatus);
    } else if (const QString message = FtpErrorMessage(error, addinfo); !message.isEmpty()) {
        LogLine(message, LogError);
    }
    State = SessionState::NotConnected;
}

void TfrmMain::FTPLoggedIn()
{
    State = SessionState::LoggingIn;
    const QString server = txtFTPServer->currentText();
    setWindowTitle(QString::fromLatin1(Caption) + QStringLiteral(" - ") + server);
    Local->setFocus();
    btnDisconnect->setEnabled(true);
    QString displayName = server;
    if (!CurrentSiteName.isEmpty()) {
        displayName = CurrentSiteName;
        try {
            SiteStats->RecordConnect(CurrentSiteName);
        } catch (const std::exception&) {
            // Statistics are a courtesy; a read-only file must not stop the session.
        }
    }
    QApplication::setApplicationDisplayName(displayName);
    Sound::playSetting(Config().ConnectSound, Config().ConnectWav);
    RefreshRemote();
}

void TfrmMain::FTPFtpQuit()
{
    if (State != SessionState::ConnectionLost) {
        ResetToDisconnected();
        return;
    }
    // The server dropped the session during a transfer: reconnect and resume the batch.
    FTP->Close();
    QApplication::setApplicationDisplayName(QString::fromLatin1(Caption));
    TransferTimer.stop();
    StatusProgress->clear();
    Follow = FollowUp::ResumeBatch;
    ShowStatus(14);
    ReconnectTicks = 0;
    ShowStatus(ExternalRedialer ? 15 : 16);
    RestartTimer.setInterval(ExternalRedialer ? 1001 : 1000);
    RestartTimer.start();
}

void TfrmMain::RestartTimerTimer()
{
    ++ReconnectTicks;
    if (ReconnectTicks == 1)
        return;
    // No system redial windows exist here: the plain wait decides.
    const bool external = RestartTimer.interval() == 1001;
    if ((!external && ReconnectTicks > 6) || (external && ReconnectTicks > 40)) {
        RestartTimer.stop();
        BeginConnect();
    }
}

void TfrmMain::FTPFtpReady()
{
    EnterReady();
}

void TfrmMain::FTPRawCommand()
{
    EnterReady();
}

void TfrmMain::IdleTimerTimer()
{
    ++IdleSeconds;
    StatusText->setText(QString::asprintf("Idle (%.2d:%.2d)", (IdleSeconds % 3600) / 60, IdleSeconds % 60));
    if (mnuIdle->isChecked() && IdleSeconds >= Config().IdleTime && State == SessionState::Idle) {
        IdleSeconds = 0;
        FTP->SendRaw(QStringLiteral("NOOP"));
        ShowStatus(13);
    }
}
