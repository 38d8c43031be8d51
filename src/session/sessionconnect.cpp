// The connect routine: turns a connection request (a typed host, an "ftp://" address, a site
// of the database) and the preferences into settings of the engine, and starts the session.
#include "session/sessioncontroller.h"

#include "engine/ftp.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/prompt.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "settings/settingsstore.h"
#include "sites/sitedatabase.h"

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

bool SessionController::Connect(ConnectionRequest request)
{
    if (request.host.isEmpty())
        return false;
    // An earlier address's file belongs to the connect that named it.
    if (m_follow == FollowUp::QueueUrlFile)
        m_follow = FollowUp::None;
    startFreshSession();

    // The initial remote directory: kept for a resumed batch, a queue from the command
    // line and a site; otherwise what the request names.
    QString initialDirectory;
    if (m_follow == FollowUp::RunQueueAfterLogin) {
        m_follow = HasQueuedEntries && HasQueuedEntries() ? FollowUp::ResumeBatch : FollowUp::None;
        initialDirectory = m_ftp->InitialDirectory;
    } else {
        if (!request.siteName.isEmpty() || m_follow != FollowUp::None)
            initialDirectory = m_ftp->InitialDirectory;
        emit completionActionsReset();
    }

    // The preferences of a new connection; a site may override them below.
    bool antiIdle = Config().Antiidle;
    m_ftp->ShowHiddenFiles = Config().ShowHidden;
    m_externalRedialer = Config().RestoreState;
    m_ftp->TimeOutConnect = Config().Delay;
    m_ftp->ServerDetect = true;
    m_ftp->Retry = Config().Retry;
    m_ftp->RetryDelay = Config().RetryDelay;
    m_ftp->UserAccount.clear();

    if (!applyRequest(request, &initialDirectory, &antiIdle)) {
        ResetToDisconnected();
        return false;
    }

    // Defaults for what the request left empty.
    if (request.user.isEmpty())
        request.user = QStringLiteral("anonymous");
    if (request.password.isEmpty())
        request.password = Config().Email;
    if (request.port.isEmpty())
        request.port = QStringLiteral("21");
    SetAntiIdle(antiIdle);
    m_ftp->InitialDirectory = initialDirectory;
    if (m_browsing)
        m_ftp->LogSession = false;  // the session log file is the main session's
    m_ftp->UserPassword = request.password;
    m_ftp->UserName = request.user;
    // Behind an FTP-level firewall the TLS session is with the firewall, through SOCKS with
    // the server: the engine picks the peer by the route.
    m_ftp->Encryption = request.encryption;

    applyRoute(request);
    m_request = request;
    emit requestApplied();
    emit transferModeChanged();
    BeginConnect();
    return true;
}

// Everything of the previous session goes.
void SessionController::startFreshSession()
{
    EnterBusy();
    m_ftp->LogSession = Config().Log;
    m_ftp->UsePasv = Config().UsePasv;
    m_ftp->FirewallType = fwNone;
    m_renameExtensions = false;
    FlushListingCache();
    m_remote.clearLinks();
    if (!m_scriptRunning)
        emit clearLog();
}

bool SessionController::applyRequest(ConnectionRequest& request, QString* initialDirectory, bool* antiIdle)
{
    switch (request.origin) {
    case ConnectionRequest::Origin::Address:
        if (!request.remoteFile.isEmpty()) {
            m_follow = FollowUp::QueueUrlFile;
            emit queueUrlFile(request.remoteFile);
        }
        if (request.initialDirectory)
            *initialDirectory = *request.initialDirectory;
        return true;
    case ConnectionRequest::Origin::Site:
        try {
            applySiteOptions(request, antiIdle);
        } catch (const AppError& error) {
            showAppError(error);
            return false;
        }
        if (m_follow == FollowUp::None)
            *initialDirectory = request.initialDirectory.value_or(QString());
        if (!request.user.isEmpty() && request.password.isEmpty()) {
            const auto login = prompts().loginBox(QStringLiteral("Enter Password"), request.user);
            if (!login)
                return false;
            request.user = login->first;
            request.password = login->second;
        }
        return true;
    case ConnectionRequest::Origin::Typed:
        if (!request.siteName.isEmpty()) {
            offerToSaveCredentials(request);
            return true;
        }
        if (request.initialDirectory)
            *initialDirectory = *request.initialDirectory;
        emit historyItem(::historyItem(request));
        return true;
    }
    return true;
}

// The site's Options string position by position, its numbers, filters and directories.
// Throws AppError when a stored number is damaged.
void SessionController::applySiteOptions(const ConnectionRequest& request, bool* antiIdle)
{
    if (request.options.size() > 4) {
        const SiteOptions options = SiteOptions::parse(request.options);
        static const TransferModeChoice modes[] = {TransferModeChoice::Ascii, TransferModeChoice::Binary,
                                                   TransferModeChoice::Auto, TransferModeChoice::Auto};
        m_transferMode = modes[qBound(0, options.TransferMode, 3)];
        if (options.AntiIdle != TriState::Global)
            *antiIdle = options.AntiIdle == TriState::On;
        if (options.RestoreState != TriState::Global)
            m_externalRedialer = options.RestoreState == TriState::On;
        if (options.LogSession != TriState::Global)
            m_ftp->LogSession = options.LogSession == TriState::On;
        if (options.RenameExtensions)
            m_renameExtensions = true;
        if (request.options.size() == 10) {
            if (options.ShowHidden != TriState::Global)
                m_ftp->ShowHiddenFiles = options.ShowHidden == TriState::On;
            m_ftp->ServerType = engineServerType(options.ServerType);
            if (m_ftp->ServerType > ftpstAutoDetect)
                m_ftp->ServerDetect = false;
        }
    }
    if (!request.retry.isEmpty())
        m_ftp->Retry = siteNumber(request.retry, "Retry");
    if (!request.timeout.isEmpty())
        m_ftp->TimeOutConnect = siteNumber(request.timeout, "Timeout");
    m_ftp->UserAccount = request.account;
    m_remote.filter().mask = request.remoteFilter.isEmpty() ? QStringLiteral("*.*") : request.remoteFilter;
    if (m_local) {
        m_local->filter().mask = request.localFilter.isEmpty() ? QStringLiteral("*.*") : request.localFilter;
        if (!request.localDir.isEmpty()) {
            m_local->setCurrentDirectory(request.localDir);
            m_local->read(TransferRunning());
        }
    }
}

// The box shows the current site's address with a login typed over the stored one.
void SessionController::offerToSaveCredentials(const ConnectionRequest& request)
{
    const TSiteRecord site = m_sites.readSite(request.siteName);
    if ((request.user == site.User && request.password == site.Pass) || request.user == QLatin1String("anonymous"))
        return;
    const auto answer = prompts().messageBox(
        QStringLiteral("The username or password for this site does not match the site database.  Do you want to "
                       "save the changes ?"),
        QString::fromLatin1(Caption), Prompt::Icon::Question, Prompt::Yes | Prompt::No);
    if (answer != Prompt::Yes)
        return;
    try {
        m_sites.saveCredentials(request.siteName, request.user, request.password);
    } catch (const AppError& error) {
        showAppError(error);
    }
}

// Directly, or through the firewall the preferences name (unless the host is an exception).
void SessionController::applyRoute(ConnectionRequest& request)
{
    const QString host = request.host.trimmed();
    const quint16 port = request.portNumber();
    if (request.keepRoute) {
        keepRoute(request.route, host, port);
        return;
    }
    request.route = {};
    if (Config().EnableProxy && !m_ftp->CheckNoProxyHost(host)) {
        switch (Config().ProxyMode) {
        case 0: m_ftp->FirewallType = fwUserHost; break;
        case 2: m_ftp->FirewallType = fwSocks; break;
        case 3: m_ftp->FirewallType = fwSite; break;
        default: m_ftp->FirewallType = fwNone; break;
        }
        m_ftp->SocksHost = host;
        m_ftp->SocksPort = port;
        m_ftp->FtpPort = quint16(m_ftp->ProxyPort);
        m_ftp->SetFtpServer(m_ftp->ProxyHost.trimmed());
        request.route = {m_ftp->FirewallType, m_ftp->ProxyHost.trimmed(), quint16(m_ftp->ProxyPort)};
        return;
    }
    m_ftp->SetFtpServer(host);
    m_ftp->FtpPort = port;
}

// The route of another session, taken as it is.
void SessionController::keepRoute(const ConnectionRoute& route, const QString& host, quint16 port)
{
    m_ftp->FirewallType = route.direct() ? fwNone : route.firewall;
    if (route.direct()) {
        m_ftp->SetFtpServer(host);
        m_ftp->FtpPort = port;
        return;
    }
    m_ftp->SocksHost = host;
    m_ftp->SocksPort = port;
    m_ftp->ProxyHost = route.proxyHost;
    m_ftp->ProxyPort = route.proxyPort;
    m_ftp->FtpPort = route.proxyPort;
    m_ftp->SetFtpServer(route.proxyHost);
}

void SessionController::BeginConnect()
{
    SetState(SessionState::Connecting);
    m_messageLines.clear();
    m_ftp->ConnectSession();
}
