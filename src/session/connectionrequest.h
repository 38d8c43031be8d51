#pragma once

#include "engine/ftptypes.h"
#include "sites/siteoptions.h"

#include <QString>
#include <optional>

class TSiteDatabase;
struct TSiteRecord;

// How the session reaches the server: directly, or through a firewall or proxy.
struct ConnectionRoute
{
    TFirewallType firewall = fwNone;
    QString proxyHost;  // the host the control connection goes to; empty when direct
    quint16 proxyPort = 0;

    bool direct() const { return proxyHost.isEmpty(); }
    bool operator==(const ConnectionRoute&) const = default;
};

// One connection the user (or a command line, script or D-Bus caller) asked for: a value
// that every way of connecting produces and the session's connect routine consumes. The
// quick-connect boxes display it; nothing reads it back from them.
struct ConnectionRequest
{
    enum class Origin : quint8 {
        Typed,    // a host typed into the server box (with the user, password and port boxes)
        Address,  // an "ftp://", "ftps://" or "ftpes://" address
        Site,     // a site of the database
    };

    Origin origin = Origin::Typed;
    QString host;  // the FTP server itself, never the proxy
    QString port = QStringLiteral("21");  // as typed or stored; see portNumber()
    TFtpEncryption encryption = ftpeNone;  // a site's `Encryption`, or the address's scheme
    QString user;
    QString password;
    QString account;
    // The directory to enter after the login; unset leaves the session's choice (the
    // directory a resumed batch needs, or none).
    std::optional<QString> initialDirectory;
    QString siteName;    // the site the connection comes from; empty for a typed host
    QString remoteFile;  // an address that names a file: its full path, to be downloaded

    // Per-site settings (a site's section); empty and unset mean "the preference applies".
    QString options;  // the site's `Options` text
    QString retry;
    QString timeout;
    QString localDir;
    QString localFilter;
    QString remoteFilter;

    // The route the connect routine chose (it depends on the proxy preferences).
    ConnectionRoute route;
    // The connect routine takes `route` as it is instead of choosing one by the proxy
    // preferences: a second session goes the way the first one went.
    bool keepRoute = false;

    // The port as a number: 21 when the text is not a port number.
    quint16 portNumber() const;
    // Both reach the same account: the same host (letter case aside), port and user.
    bool sameAccount(const ConnectionRequest& other) const;
    bool operator==(const ConnectionRequest&) const = default;
};

// What the quick-connect boxes hold besides the server box.
struct QuickConnectBoxes
{
    QString user;
    QString password;
    QString port = QStringLiteral("21");
};

// "ftp://[user[:password]@]host[:port][/path]" ("ftps://" implicit TLS on 990 unless a port
// is given, "ftpes://" explicit TLS): the boxes are not used.
ConnectionRequest requestFromAddress(const QString& text);

// A host typed into the server box: "host", "host:port", "host:user:pass",
// "host:user:pass:port", "host|dir" or "host/dir"; what the text does not set comes from the
// boxes.
ConnectionRequest requestFromTypedHost(const QString& text, const QuickConnectBoxes& boxes);

// A site's `Encryption` text as the engine's setting ("0"/absent and unknown texts: plain).
TFtpEncryption siteEncryption(const QString& text);

// A site of the database: its address, login and per-site settings. A user without a
// password gets `email` as password only when the user is empty too.
ConnectionRequest requestFromSite(const QString& name, const TSiteRecord& site, const QString& email);

// What the server box means, as the connect routine classifies it: an "ftp://" address; a
// site name (up to the first ":" and "/") of a site with an address; the address of the
// current site shown in the box (its login as the boxes hold it); or a typed host.
ConnectionRequest resolveServerText(const QString& text, const QuickConnectBoxes& boxes, const QString& currentSite,
                                    const TSiteDatabase& sites, const QString& email);

// The quick-connect history entry of a typed host: host, ":user:password" unless the user is
// empty or anonymous, ":port" unless the port is empty or 21.
QString historyItem(const ConnectionRequest& request);
