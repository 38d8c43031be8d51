// The connect routine: turns what the user chose (a typed host, an "ftp://" address, a site
// of the database) into settings of the session and starts it.
#include "app/mainwindow.h"

#include "app/pathhelpers.h"
#include "app/quickconnect.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "platform/apperror.h"
#include "platform/errorreport.h"
#include "platform/prompt.h"
#include "sites/sitedatabase.h"
#include "sites/siteoptions.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

namespace {

// A decimal text of a stored site; anything else means the stored site is damaged.
int siteNumber(const QString& text, const char* key)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid integer value (%2)").arg(text, QLatin1String(key)));
    return value;
}

}  // namespace

void TfrmMain::btnConnectClick()
{
    Follow = FollowUp::None;
    State = SessionState::LoggingIn;
    Local->setFocus();
    ConnectRoutine();
}

void TfrmMain::QuickConnectEnter()
{
    if (txtFTPServer->currentText().isEmpty())
        return;
    if (State != SessionState::NotConnected)
        ResetToDisconnected();
    CurrentSiteName.clear();
    btnConnectClick();
}

void TfrmMain::txtFTPServerChange(const QString& text)
{
    if (m_suppressServerChange)
        return;
    CurrentSiteName.clear();
    txtUser->clear();
    txtPass->clear();
    txtPort->setText(QStringLiteral("21"));
    if (State == SessionState::NotConnected)
        btnConnect->setEnabled(!text.isEmpty());
}

void TfrmMain::ConnectToSiteEntry(const QString& siteName)
{
    if (State != SessionState::NotConnected) {
        if (TransferRunning()) {
            prompts().messageBox(QStringLiteral("A file transfer is in progress.  You must stop the transfer before "
                                                "you can log on another server."),
                                 QString::fromLatin1(Caption), Prompt::Icon::Error, Prompt::Ok);
            return;
        }
        ResetToDisconnected();
    }
    m_suppressServerChange = true;
    txtFTPServer->setEditText(siteName);
    m_suppressServerChange = false;
    CurrentSiteName = siteName;
    FTP->InitialDirectory.clear();
    State = SessionState::LoggingIn;
    ConnectRoutine();
}

void TfrmMain::ConnectRoutine()
{
    const QString text = txtFTPServer->currentText();
    if (text.isEmpty())
        return;

    // 1: a fresh session.
    EnterBusy();
    FTP->LogSession = Config().Log;
    FTP->UsePasv = Config().UsePasv;
    FTP->FirewallType = fwNone;
    btnDisconnect->setEnabled(true);
    RenameExtensions = false;
    ProgressPercent = 0;
    FlushListingCache();
    LinkRecords.clear();
    if (!ScriptRunning)
        Memo1->Clear();

    // 2: the initial remote directory.
    QString initialDirectory;
    if (Follow == FollowUp::RunQueueAfterLogin) {
        Follow = Queue->Count() > 0 ? FollowUp::ResumeBatch : FollowUp::None;
        initialDirectory = FTP->InitialDirectory;
    } else {
        if (!CurrentSiteName.isEmpty() || Follow != FollowUp::None)
            initialDirectory = FTP->InitialDirectory;
        setCompletionAction(Config().XferOption);
    }

    // 3: the settings of a new connection.
    bool antiIdle = Config().Antiidle;
    FTP->ShowHiddenFiles = Config().ShowHidden;
    ExternalRedialer = Config().RestoreState;
    FTP->TimeOutConnect = Config().Delay;
    FTP->ServerDetect = true;
    FTP->Retry = Config().Retry;
    FTP->RetryDelay = Config().RetryDelay;

    // 4-7: what the box holds.
    m_suppressServerChange = true;
    if (text.contains(QLatin1String("ftp://"))) {
        txtUser->clear();
        txtPass->clear();
        const QuickConnectText address = parseFtpAddress(text);
        if (!address.remoteFile.isEmpty())
            Follow = FollowUp::QueueUrlFile;
        if (address.initialDirectory)
            initialDirectory = *address.initialDirectory;
        txtUser->setText(address.user.value_or(QString()));
        txtPass->setText(address.password.value_or(QString()));
        if (address.port)
            txtPort->setText(*address.port);
        txtFTPServer->setEditText(address.host);
    } else if (const QString candidate = siteNameCandidate(text); SiteDatabase->SiteExists(candidate)) {
        CurrentSiteName = candidate;
        bool applied = false;
        try {
            applied = applySiteEntry(candidate, &initialDirectory);
            antiIdle = mnuIdle->isChecked();  // the site's option, or the preference
        } catch (const AppError& error) {
            m_suppressServerChange = false;
            showAppError(error);
            ResetToDisconnected();
            return;
        }
        if (!applied) {
            m_suppressServerChange = false;
            ResetToDisconnected();
            return;
        }
    } else if (!CurrentSiteName.isEmpty()) {
        // The box shows the current site's address; offer to store changed credentials.
        const TSiteRecord site = SiteDatabase->readSite(CurrentSiteName);
        if ((txtUser->text() != site.User || txtPass->text() != site.Pass)
            && txtUser->text() != QLatin1String("anonymous")) {
            const auto answer = prompts().messageBox(
                QStringLiteral("The username or password for this site does not match the site database.  Do you "
                               "want to save the changes ?"),
                QString::fromLatin1(Caption), Prompt::Icon::Question, Prompt::Yes | Prompt::No);
            if (answer == Prompt::Yes) {
                TSiteRecord changed = site;
                changed.User = txtUser->text();
                changed.Pass = txtPass->text();
                try {
                    SiteDatabase->writeSite(CurrentSiteName, changed);
                } catch (const AppError& error) {
                    showAppError(error);
                }
            }
        }
    } else {
        const QuickConnectText typed = parseTypedHost(text);
        txtFTPServer->setEditText(typed.host);
        if (typed.user)
            txtUser->setText(*typed.user);
        if (typed.password)
            txtPass->setText(*typed.password);
        if (typed.port)
            txtPort->setText(*typed.port);
        if (typed.initialDirectory)
            initialDirectory = *typed.initialDirectory;
        AddHistory(historyItem(typed.host, txtUser->text(), txtPass->text(), txtPort->text()));
    }
    m_suppressServerChange = false;

    // 8: defaults.
    if (txtUser->text().isEmpty())
        txtUser->setText(QStringLiteral("anonymous"));
    if (txtPass->text().isEmpty())
        txtPass->setText(Config().Email);
    if (txtPort->text().isEmpty())
        txtPort->setText(QStringLiteral("21"));
    mnuIdle->setChecked(antiIdle);
    FTP->InitialDirectory = initialDirectory;
    FTP->UserPassword = txtPass->text();
    FTP->UserName = txtUser->text();
    bool portOk = false;
    const uint portNumber = txtPort->text().toUInt(&portOk);
    const quint16 port = portOk && portNumber > 0 && portNumber < 65536 ? quint16(portNumber) : 21;

    // 9: directly or through the firewall.
    applyProxy(txtFTPServer->currentText().trimmed(), port);

    // 10: go.
    BeginConnect();
}

void TfrmMain::applyProxy(const QString& host, quint16 port)
{
    if (Config().EnableProxy && !FTP->CheckNoProxyHost(host)) {
        switch (Config().ProxyMode) {
        case 0: FTP->FirewallType = fwUserHost; break;
        case 2: FTP->FirewallType = fwSocks; break;
        case 3: FTP->FirewallType = fwSite; break;
        default: FTP->FirewallType = fwNone; break;
        }
        FTP->SocksHost = host;
        FTP->SocksPort = port;
        FTP->FtpPort = quint16(FTP->ProxyPort);
        FTP->SetFtpServer(FTP->ProxyHost.trimmed());
        return;
    }
    FTP->SetFtpServer(host);
    FTP->FtpPort = port;
}

bool TfrmMain::applySiteEntry(const QString& siteName, QString* initialDirectory)
{
    const TSiteRecord site = SiteDatabase->readSite(siteName);
    txtFTPServer->setEditText(site.IP);
    txtPort->setText(site.Port.isEmpty() ? QStringLiteral("21") : site.Port);
    txtUser->setText(site.User);
    txtPass->setText(site.Pass.isEmpty() && site.User.isEmpty() ? Config().Email : site.Pass);

    mnuIdle->setChecked(Config().Antiidle);
    if (site.Options.size() > 4) {
        const SiteOptions options = SiteOptions::parse(site.Options);
        static const char* const modes[] = {"ASCII", "Binary", "Auto", "Auto"};
        TransferModeText = QString::fromLatin1(modes[qBound(0, options.TransferMode, 3)]);
        if (options.AntiIdle != TriState::Global)
            mnuIdle->setChecked(options.AntiIdle == TriState::On);
        if (options.RestoreState != TriState::Global)
            ExternalRedialer = options.RestoreState == TriState::On;
        if (options.LogSession != TriState::Global)
            FTP->LogSession = options.LogSession == TriState::On;
        if (options.RenameExtensions)
            RenameExtensions = true;
        if (site.Options.size() == 10) {
            if (options.ShowHidden != TriState::Global)
                FTP->ShowHiddenFiles = options.ShowHidden == TriState::On;
            FTP->ServerType = engineServerType(options.ServerType);
            if (FTP->ServerType > ftpstAutoDetect)
                FTP->ServerDetect = false;
        }
    }
    if (!site.Retry.isEmpty())
        FTP->Retry = siteNumber(site.Retry, "Retry");
    if (!site.Timeout.isEmpty())
        FTP->TimeOutConnect = siteNumber(site.Timeout, "Timeout");
    FTP->UserAccount = site.Account;
    LocalFilter = site.LocalFilter.isEmpty() ? QStringLiteral("*.*") : site.LocalFilter;
    RemoteFilter = site.RemoteFilter.isEmpty() ? QStringLiteral("*.*") : site.RemoteFilter;
    if (!site.LocalDir.isEmpty()) {
        CurrentLocalDir = EnsureTrailingSeparator(site.LocalDir);
        ListLocal();
    }
    if (Follow == FollowUp::None)
        *initialDirectory = site.RemoteDir;
    if (!txtUser->text().isEmpty() && txtPass->text().isEmpty())
        return askPassword();
    return true;
}

bool TfrmMain::askPassword()
{
    const auto login = prompts().loginBox(QStringLiteral("Enter Password"), txtUser->text());
    if (!login)
        return false;
    txtUser->setText(login->first);
    txtPass->setText(login->second);
    return true;
}

void TfrmMain::BeginConnect()
{
    State = SessionState::Connecting;
    btnConnect->setEnabled(false);
    MessageLines.clear();
    FTP->ConnectSession();
}
