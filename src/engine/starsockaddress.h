#pragma once

#include <QHostAddress>
#include <QString>

#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

// Socket addresses of either family for TStarSocket.
namespace StarSockAddress {

inline socklen_t toSockaddr(const QHostAddress& host, quint16 port, sockaddr_storage* out)
{
    *out = {};
    if (host.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* six = reinterpret_cast<sockaddr_in6*>(out);
        six->sin6_family = AF_INET6;
        six->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = host.toIPv6Address();
        std::memcpy(&six->sin6_addr, bytes.c, 16);
        // A link-local address names its interface ("fe80::1%eth0") or its index.
        const QString scope = host.scopeId();
        bool numeric = false;
        const uint index = scope.toUInt(&numeric);
        six->sin6_scope_id = numeric ? index : (scope.isEmpty() ? 0 : if_nametoindex(scope.toLocal8Bit().constData()));
        return sizeof(sockaddr_in6);
    }
    auto* four = reinterpret_cast<sockaddr_in*>(out);
    four->sin_family = AF_INET;
    four->sin_port = htons(port);
    four->sin_addr.s_addr = htonl(host.isNull() ? 0 : host.toIPv4Address());
    return sizeof(sockaddr_in);
}

inline QHostAddress fromSockaddr(const sockaddr_storage& in, quint16* port = nullptr)
{
    QHostAddress host(reinterpret_cast<const sockaddr*>(&in));
    if (port)
        *port = in.ss_family == AF_INET6 ? ntohs(reinterpret_cast<const sockaddr_in6&>(in).sin6_port)
                                         : ntohs(reinterpret_cast<const sockaddr_in&>(in).sin_port);
    return host;
}

inline QString addressText(const QHostAddress& host)
{
    if (host.protocol() == QAbstractSocket::IPv6Protocol)
        return host.toString();
    return QHostAddress(host.toIPv4Address()).toString();
}

}  // namespace StarSockAddress
