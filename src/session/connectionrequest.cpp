#include "session/connectionrequest.h"

#include "session/quickconnect.h"
#include "sites/sitedatabase.h"

quint16 ConnectionRequest::portNumber() const
{
    bool ok = false;
    const uint number = port.trimmed().toUInt(&ok);
    return ok && number > 0 && number < 65536 ? quint16(number) : quint16(21);
}

bool ConnectionRequest::sameAccount(const ConnectionRequest& other) const
{
    return host.trimmed().compare(other.host.trimmed(), Qt::CaseInsensitive) == 0 && portNumber() == other.portNumber()
           && user == other.user;
}

ConnectionRequest requestFromAddress(const QString& text)
{
    const QuickConnectText address = parseFtpAddress(text);
    ConnectionRequest request;
    request.origin = ConnectionRequest::Origin::Address;
    request.host = address.host;
    request.encryption = TFtpEncryption(address.encryption);
    request.user = address.user.value_or(QString());
    request.password = address.password.value_or(QString());
    if (address.port)
        request.port = *address.port;
    request.initialDirectory = address.initialDirectory;
    request.remoteFile = address.remoteFile;
    return request;
}

ConnectionRequest requestFromTypedHost(const QString& text, const QuickConnectBoxes& boxes)
{
    const QuickConnectText typed = parseTypedHost(text);
    ConnectionRequest request;
    request.origin = ConnectionRequest::Origin::Typed;
    request.host = typed.host;
    request.user = typed.user.value_or(boxes.user);
    request.password = typed.password.value_or(boxes.password);
    request.port = typed.port.value_or(boxes.port);
    request.initialDirectory = typed.initialDirectory;
    return request;
}

TFtpEncryption siteEncryption(const QString& text)
{
    const QString value = text.trimmed();
    if (value == QLatin1String("1"))
        return ftpeExplicit;
    if (value == QLatin1String("2"))
        return ftpeImplicit;
    if (value == QLatin1String("3"))
        return ftpeExplicitOptional;
    return ftpeNone;
}

ConnectionRequest requestFromSite(const QString& name, const TSiteRecord& site, const QString& email)
{
    ConnectionRequest request;
    request.origin = ConnectionRequest::Origin::Site;
    request.siteName = name;
    request.host = site.IP;
    request.port = site.Port.isEmpty() ? QStringLiteral("21") : site.Port;
    request.user = site.User;
    request.password = site.Pass.isEmpty() && site.User.isEmpty() ? email : site.Pass;
    request.account = site.Account;
    request.initialDirectory = site.RemoteDir;
    request.options = site.Options;
    request.retry = site.Retry;
    request.timeout = site.Timeout;
    request.localDir = site.LocalDir;
    request.localFilter = site.LocalFilter;
    request.remoteFilter = site.RemoteFilter;
    request.encryption = siteEncryption(site.Encryption);
    return request;
}

ConnectionRequest resolveServerText(const QString& text, const QuickConnectBoxes& boxes, const QString& currentSite,
                                    const TSiteDatabase& sites, const QString& email)
{
    if (isFtpAddress(text))
        return requestFromAddress(text);
    // A site name may hold ":" or "/": the whole text names a site before its first part does.
    if (sites.SiteExists(text))
        return requestFromSite(text, sites.readSite(text), email);
    if (const QString candidate = siteNameCandidate(text); sites.SiteExists(candidate))
        return requestFromSite(candidate, sites.readSite(candidate), email);
    if (!currentSite.isEmpty()) {
        // The box shows the current site's address; the boxes hold the login to use.
        ConnectionRequest request;
        request.origin = ConnectionRequest::Origin::Typed;
        request.siteName = currentSite;
        request.host = text;
        request.user = boxes.user;
        request.password = boxes.password;
        request.port = boxes.port;
        request.encryption = siteEncryption(sites.readSite(currentSite).Encryption);
        return request;
    }
    return requestFromTypedHost(text, boxes);
}

QString historyItem(const ConnectionRequest& request)
{
    return historyItem(request.host, request.user, request.password, request.port);
}
