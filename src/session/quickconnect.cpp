#include "session/quickconnect.h"

#include <QUrl>

namespace {

struct Scheme {
    QLatin1String prefix;
    quint8 encryption;
};
const Scheme kSchemes[] = {
    {QLatin1String("ftp://"), 0},
    {QLatin1String("ftps://"), 2},
    {QLatin1String("ftpes://"), 1},
};

// Where the first address starts in the text, and its scheme; -1 when there is none.
qsizetype findScheme(const QString& text, const Scheme** found)
{
    qsizetype best = -1;
    for (const Scheme& scheme : kSchemes) {
        const qsizetype at = text.indexOf(scheme.prefix, 0, Qt::CaseInsensitive);
        if (at >= 0 && (best < 0 || at < best)) {
            best = at;
            *found = &scheme;
        }
    }
    return best;
}

// "[v6]rest" -> v6 and rest; anything else stays as it is.
bool splitBracketed(const QString& text, QString* host, QString* rest)
{
    if (!text.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    *host = text.mid(1, close - 1);
    *rest = text.mid(close + 1);
    return true;
}

}  // namespace

bool isFtpAddress(const QString& text)
{
    const Scheme* scheme = nullptr;
    return findScheme(text, &scheme) >= 0;
}

QuickConnectText parseFtpAddress(const QString& text)
{
    QuickConnectText result;
    result.isAddress = true;
    const Scheme* found = &kSchemes[0];
    const qsizetype scheme = qMax<qsizetype>(0, findScheme(text, &found));
    result.encryption = found->encryption;
    if (found->encryption == 2)
        result.port = QStringLiteral("990");
    QString rest = text.mid(scheme + found->prefix.size());
    QString hostPart = rest;
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        hostPart = rest.left(slash);
        const QString path = rest.mid(slash);
        if (path.endsWith(QLatin1Char('/'))) {
            result.initialDirectory = path;
        } else {
            result.remoteFile = path;
            result.initialDirectory = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
        }
    }
    // The last "@" ends the user part: a password may itself hold "@".
    const qsizetype at = hostPart.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString userInfo = hostPart.left(at);
        hostPart = hostPart.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        const QString user = colon < 0 ? userInfo : userInfo.left(colon);
        const QString password = colon < 0 ? QString() : userInfo.mid(colon + 1);
        result.user = QUrl::fromPercentEncoding(user.toUtf8());
        result.password = QUrl::fromPercentEncoding(password.toUtf8());
    } else {
        result.user = QString();
        result.password = QString();
    }
    QString bracketed;
    QString afterHost;
    if (splitBracketed(hostPart, &bracketed, &afterHost)) {
        if (afterHost.startsWith(QLatin1Char(':')))
            result.port = afterHost.mid(1);
        result.host = bracketed;
        return result;
    }
    const qsizetype colon = hostPart.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        result.port = hostPart.mid(colon + 1);
        hostPart = hostPart.left(colon);
    }
    result.host = hostPart;
    return result;
}

QuickConnectText parseTypedHost(const QString& typed)
{
    // A bracketed IPv6 host stands aside while the colons are read.
    static const QString kStandIn = QStringLiteral("\x01");
    QString bracketed;
    QString afterHost;
    const bool hasBrackets = splitBracketed(typed, &bracketed, &afterHost);
    const QString text = hasBrackets ? kStandIn + afterHost : typed;
    QuickConnectText result;
    QString host = text;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = text.left(colon);
        const QStringList parts = text.mid(colon + 1).split(QLatin1Char(':'));
        if (parts.size() == 1) {
            result.port = parts[0];
        } else if (parts.size() == 2) {
            result.user = parts[0];
            result.password = parts[1];
        } else if (parts.size() == 3) {
            result.user = parts[0];
            result.password = parts[1];
            result.port = parts[2];
        }
    }
    const qsizetype bar = host.indexOf(QLatin1Char('|'));
    const qsizetype slash = host.indexOf(QLatin1Char('/'));
    if (bar >= 0) {
        result.initialDirectory = host.mid(bar + 1);
        host = host.left(bar);
    } else if (slash >= 0) {
        result.initialDirectory = QLatin1Char('/') + host.mid(slash + 1);
        host = host.left(slash);
    }
    result.host = hasBrackets ? host.replace(kStandIn, bracketed) : host;
    return result;
}

QString siteNameCandidate(const QString& text)
{
    return text.section(QLatin1Char(':'), 0, 0).section(QLatin1Char('/'), 0, 0);
}

QString historyItem(const QString& host, const QString& user, const QString& password, const QString& port)
{
    QString item = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    if (!user.isEmpty() && user != QLatin1String("anonymous"))
        item += QLatin1Char(':') + user + QLatin1Char(':') + password;
    if (!port.isEmpty() && port != QLatin1String("21"))
        item += QLatin1Char(':') + port;
    return item;
}
