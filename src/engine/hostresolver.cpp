#include "engine/hostresolver.h"

#include "engine/winsockerrors.h"

#include <QHostAddress>
#include <QHostInfo>

namespace {
HostResolver* installed = nullptr;
}

HostResolver& HostResolver::instance()
{
    if (installed)
        return *installed;
    static SystemHostResolver system;
    return system;
}

void HostResolver::setInstance(HostResolver* resolver)
{
    installed = resolver;
}

int HostResolver::lookupAddress(const QString& name, QObject* context, AddressCallback callback)
{
    return lookup(name, context, [callback](quint16 error, quint32 ipv4) {
        callback(error, error == 0 ? QHostAddress(ipv4) : QHostAddress());
    });
}

int SystemHostResolver::lookupAddress(const QString& name, QObject* context, AddressCallback callback)
{
    const int id = QHostInfo::lookupHost(name, context, [callback](const QHostInfo& info) {
        if (info.error() != QHostInfo::NoError) {
            callback(info.error() == QHostInfo::HostNotFound ? Winsock::WSAHOST_NOT_FOUND : Winsock::WSANO_RECOVERY, {});
            return;
        }
        QHostAddress six;
        for (const QHostAddress& address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                callback(0, address);
                return;
            }
            if (six.isNull() && address.protocol() == QAbstractSocket::IPv6Protocol)
                six = address;
        }
        if (!six.isNull())
            callback(0, six);
        else
            callback(Winsock::WSANO_DATA, {});
    });
    return id == 0 ? -1 : id;
}

int SystemHostResolver::lookup(const QString& name, QObject* context, Callback callback)
{
    // A DNS name is at most 253 characters; longer ones cannot exist.
    const int id = QHostInfo::lookupHost(name, context, [callback](const QHostInfo& info) {
        if (info.error() == QHostInfo::HostNotFound) {
            callback(Winsock::WSAHOST_NOT_FOUND, 0);
            return;
        }
        if (info.error() != QHostInfo::NoError) {
            callback(Winsock::WSANO_RECOVERY, 0);
            return;
        }
        for (const QHostAddress& address : info.addresses()) {
            bool ok = false;
            const quint32 ipv4 = address.toIPv4Address(&ok);
            if (ok) {
                callback(0, ipv4);
                return;
            }
        }
        callback(Winsock::WSANO_DATA, 0);
    });
    return id == 0 ? -1 : id;  // QHostInfo ids start at 1; keep the handle non-zero regardless
}

void SystemHostResolver::abort(int handle)
{
    QHostInfo::abortHostLookup(handle);
}
