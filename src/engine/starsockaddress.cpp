// Addresses of TStarSocket: parsing, and the local and peer addresses of an open socket.
#include "engine/starsock.h"

#include "engine/starsockaddress.h"

using namespace StarSockAddress;

void TStarSocket::SetAddressText(const QString& address)
{
    in_addr parsed{};
    if (inet_aton(address.toLatin1().constData(), &parsed)) {
        m_host = QHostAddress(quint32(ntohl(parsed.s_addr)));
        return;
    }
    QString six = address.trimmed();
    if (six.startsWith(QLatin1Char('[')) && six.endsWith(QLatin1Char(']')))
        six = six.mid(1, six.size() - 2);
    const QHostAddress host(six);
    // An unparsable text gives the "none" address, as the Winsock parser does.
    m_host = six.contains(QLatin1Char(':')) && host.protocol() == QAbstractSocket::IPv6Protocol
                 ? host
                 : QHostAddress(quint32(0xFFFFFFFFu));
}

QString TStarSocket::GetAddressText() const
{
    return addressText(m_host);
}

QString TStarSocket::GetLocalAddress()
{
    if (m_fd < 0)
        return {};
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        recordError(errno);
        return {};
    }
    LastError = 0;
    return addressText(fromSockaddr(local));
}

quint16 TStarSocket::GetLocalPort()
{
    if (m_fd < 0)
        return 0;
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    quint16 port = 0;
    fromSockaddr(local, &port);
    return port;
}

QString TStarSocket::GetPeerAddress() const
{
    if (m_fd < 0)
        return {};
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return {};
    return addressText(fromSockaddr(peer));
}

