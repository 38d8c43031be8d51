// What the session reports, shown in the window (log, status bar, titles, message windows,
// sounds, the boxes), and the connection commands that start from the window.
#include "app/mainwindow.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/mainscripts.h"
#include "app/messagewindow.h"
#include "app/progresspanel.h"
#include "app/queuecontroller.h"
#include "app/quickconnectbar.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "dialogs/sessionlogcolour.h"
#include "engine/ftp.h"
#include "platform/core/prompt.h"
#include "platform/desktop/sound.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "sites/sitedatabase.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>

void TfrmMain::wireSession()
{
    SessionController* session = Session;
    connect(session, &SessionController::logLine, this, [this](const QString& text, int kind) {
        Memo1->AddLine(text, sessionLogColour(kind));
        Scripts->LogWritten(text);
    });
    connect(session, &SessionController::clearLog, Memo1, &TcXConsole::Clear);
    connect(session, &SessionController::statusText, StatusText, &QLabel::setText);
    connect(session, &SessionController::progressText, StatusProgress, &TProgressPanel::setText);
    connect(session, &SessionController::stateChanged, Commands, &CommandRegistry::update);
    connect(session, &SessionController::busyChanged, this, &TfrmMain::SessionBusyChanged);
    connect(session, &SessionController::requestApplied, this, [this] {
        QuickConnect->Show(Session->Request());
        Commands->update();
    });
    connect(session, &SessionController::historyItem, QuickConnect, &QuickConnectBar::AddHistory);
    connect(session, &SessionController::antiIdleChanged, command(QStringLiteral("mnuIdle")), &QAction::setChecked);
    connect(session, &SessionController::siteResumesChanged, command(QStringLiteral("mnuSiteResumes")),
            &QAction::setChecked);
    connect(session, &SessionController::completionActionsReset, this, [this] {
        const QString ids[] = {QStringLiteral("mnuCompleteIdle"), QStringLiteral("mnuCompleteDisconnect"),
                               QStringLiteral("mnuCompleteHangup"), QStringLiteral("mnuCompleteQuit")};
        const int option = Config().XferOption;
        command(ids[option >= 0 && option <= 3 ? option : 0])->setChecked(true);
    });
    connect(session, &SessionController::loggedIn, this, &TfrmMain::SessionLoggedIn);
    connect(session, &SessionController::disconnected, this, &TfrmMain::SessionDisconnected);
    connect(session, &SessionController::messageWindow, this, &TfrmMain::ShowMessageWindow);
    connect(session, &SessionController::connectionLost, this, [] {
        QApplication::setApplicationDisplayName(QString::fromLatin1(Caption));
    });
    connect(QuickConnect, &QuickConnectBar::serverEdited, this, [this] {
        Session->ClearCurrentSite();
        Commands->update();
    });
    connect(QuickConnect, &QuickConnectBar::enterPressed, this, &TfrmMain::QuickConnectEnter);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TfrmMain::CheckClipboard);
}

// --- What the session reports --------------------------------------------------------------

void TfrmMain::SessionBusyChanged(bool busy)
{
    TOrvoListView* local = LocalPanel->View();
    TOrvoListView* remote = RemotePanel->View();
    if (busy) {
        RemotePanel->PathBox()->setEnabled(false);
        remote->setCursor(Qt::WaitCursor);
        local->setCursor(Session->TransferRunning() ? Qt::WaitCursor : Qt::BusyCursor);
        return;
    }
    const bool ready = Session->State() == SessionState::Idle;
    LocalPanel->PathBox()->setEnabled(true);
    RemotePanel->PathBox()->setEnabled(ready);
    remote->unsetCursor();
    local->unsetCursor();
    if (ready)
        StatusProgress->clear();
}

void TfrmMain::SessionLoggedIn(const QString& displayName)
{
    setWindowTitle(QString::fromLatin1(Caption) + QStringLiteral(" - ") + Session->Request().host);
    LocalPanel->View()->setFocus();
    QApplication::setApplicationDisplayName(displayName);
    Sound::playSetting(Config().ConnectSound, Config().ConnectWav);
    Commands->update();
}

void TfrmMain::SessionDisconnected()
{
    setWindowTitle(QString::fromLatin1(Caption));
    QApplication::setApplicationDisplayName(QString::fromLatin1(Caption));
    StatusProgress->clear();
    RemotePanel->PathBox()->clear();
    RemotePanel->PathBox()->setEnabled(false);
    RemotePanel->CountLabel()->clear();
    Commands->update();
}

void TfrmMain::ShowMessageWindow(const QString& title, const QStringList& lines)
{
    auto* window = new TMessageWindow(title, lines, this);
    // Shown without taking the focus when the user is elsewhere.
    if (!isActiveWindow())
        window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->show();
}

// --- Connection commands -------------------------------------------------------------------

void TfrmMain::btnConnectClick()
{
    Session->SetFollow(FollowUp::None);
    Session->SetState(SessionState::LoggingIn);
    LocalPanel->View()->setFocus();
    ConnectRoutine();
}

void TfrmMain::QuickConnectEnter()
{
    if (QuickConnect->ServerText().isEmpty())
        return;
    if (Session->State() != SessionState::NotConnected)
        Session->ResetToDisconnected();
    Session->ClearCurrentSite();
    btnConnectClick();
}

void TfrmMain::ConnectToSiteEntry(const QString& siteName)
{
    // A site just added has no address yet: there is nothing to connect to.
    const TSiteRecord site = SiteDatabase->readSite(siteName);
    if (site.IP.trimmed().isEmpty())
        return;
    if (Session->State() != SessionState::NotConnected) {
        if (Session->TransferRunning()) {
            prompts().messageBox(QStringLiteral("A file transfer is in progress.  You must stop the transfer before "
                                                "you can log on another server."),
                                 QString::fromLatin1(Caption), Prompt::Icon::Error, Prompt::Ok);
            return;
        }
        Session->ResetToDisconnected();
    }
    QuickConnect->SetServerText(siteName);
    Session->Ftp().InitialDirectory.clear();
    Session->SetState(SessionState::LoggingIn);
    // The entry is a site, whatever its name looks like (a name may hold ":").
    Session->Connect(requestFromSite(siteName, site, Config().Email));
}

// What the server box holds, as a request; the session does the rest.
void TfrmMain::ConnectRoutine()
{
    const QString text = QuickConnect->ServerText();
    ConnectionRequest request;
    if (!text.isEmpty())
        request = resolveServerText(text, QuickConnect->Boxes(), Session->CurrentSiteName(), *SiteDatabase, Config().Email);
    // The boxes still show an encrypted connection: connecting again keeps it encrypted.
    if (request.origin == ConnectionRequest::Origin::Typed && request.encryption == ftpeNone)
        request.encryption = QuickConnect->ShownEncryption();
    if (!Session->Connect(request)) {
        // Nothing to connect to: the login state the caller set would otherwise stay for good.
        if (Session->State() == SessionState::LoggingIn)
            Session->ResetToDisconnected();
        Commands->update();
    }
}

void TfrmMain::mnuRawCmdClick()
{
    if (Session->State() != SessionState::Idle)
        return;
    const auto raw = prompts().inputBox(QStringLiteral("Raw Command"), QStringLiteral("Enter Raw Command"), {});
    if (raw)
        Session->SendRawCommand(*raw);
}

void TfrmMain::CheckClipboard()
{
    const QString text = QApplication::clipboard()->text().left(256);
    if (!text.startsWith(QLatin1String("FTP://"), Qt::CaseInsensitive) || Session->State() != SessionState::NotConnected)
        return;
    QApplication::clipboard()->clear();
    QuickConnect->SetServerText(text);
    ConnectRoutine();
}
