#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <functional>

// Asynchronous host look-up behind an interface, so tests can make look-ups fail without
// asking a real DNS server.
class HostResolver
{
public:
    // error: 0 or a Winsock look-up code (11001..11004); ipv4 in host order when error is 0.
    using Callback = std::function<void(quint16 error, quint32 ipv4)>;

    virtual ~HostResolver() = default;

    // Starts a look-up whose answer arrives later on the event loop, never inside this call.
    // Returns a non-zero handle. The callback is dropped when `context` is destroyed.
    virtual int lookup(const QString& name, QObject* context, Callback callback) = 0;
    virtual void abort(int handle) = 0;

    // The address a connection goes to: the first IPv4 address, else the first IPv6 one.
    // The default asks lookup() and so knows IPv4 only.
    using AddressCallback = std::function<void(quint16 error, const QHostAddress& address)>;
    virtual int lookupAddress(const QString& name, QObject* context, AddressCallback callback);

    static HostResolver& instance();
    // Not owning; nullptr restores the system resolver.
    static void setInstance(HostResolver* resolver);
};

// The system resolver (QHostInfo): the first IPv4 address of the answer, else its first IPv6
// address (lookupAddress only: lookup() gives no IPv6 address).
class SystemHostResolver : public HostResolver
{
public:
    int lookup(const QString& name, QObject* context, Callback callback) override;
    int lookupAddress(const QString& name, QObject* context, AddressCallback callback) override;
    void abort(int handle) override;
};
