#include "session/quickconnect.h"

#include <QUrl>

QuickConnectText parseFtpAddress(const QString& text)
{
    QuickConnectText result;
    result.isAddress = true;
    const qsizetype scheme = text.indexOf(QLatin1String("ftp://"));
    QString rest = text.mid(scheme + 6);
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
    const qsizetype colon = hostPart.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        result.port = hostPart.mid(colon + 1);
        hostPart = hostPart.left(colon);
    }
    result.host = hostPart;
    return result;
}

QuickConnectText parseTypedHost(const QString& text)
{
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
    result.host = host;
    return result;
}

QString siteNameCandidate(const QString& text)
{
    return text.section(QLatin1Char(':'), 0, 0).section(QLatin1Char('/'), 0, 0);
}

QString historyItem(const QString& host, const QString& user, const QString& password, const QString& port)
{
    QString item = host;
    if (!user.isEmpty() && user != QLatin1String("anonymous"))
        item += QLatin1Char(':') + user + QLatin1Char(':') + password;
    if (!port.isEmpty() && port != QLatin1String("21"))
        item += QLatin1Char(':') + port;
    return item;
}
