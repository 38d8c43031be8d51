#include "scripting/dbuslinkserver.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDBusServiceWatcher>

#include <unistd.h>

DBusLinkServer::DBusLinkServer(const QDBusConnection& connection, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
{
}

DBusLinkServer::~DBusLinkServer()
{
    if (!m_registered)
        return;
    m_connection.unregisterObject(QString::fromLatin1(ObjectPath));
    if (QDBusConnectionInterface* bus = m_connection.interface()) {
        // Leaving the queue too, so a later instance is not handed a name nobody serves.
        bus->unregisterService(QString::fromLatin1(ServiceName));
        if (m_ownsInstanceName)
            bus->unregisterService(InstanceName());
    }
}

QString DBusLinkServer::InstanceName()
{
    return QString::fromLatin1(ServiceName) + QStringLiteral(".i")
        + QString::number(QCoreApplication::applicationPid());
}

bool DBusLinkServer::Start()
{
    QDBusConnectionInterface* bus = m_connection.isConnected() ? m_connection.interface() : nullptr;
    if (!bus)
        return false;
    if (!m_connection.registerObject(QString::fromLatin1(ObjectPath), this,
                                     QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals))
        return false;
    m_registered = true;

    const QString name = QString::fromLatin1(ServiceName);
    m_watcher = new QDBusServiceWatcher(name, m_connection, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &DBusLinkServer::ownerChanged);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus->registerService(name, QDBusConnectionInterface::QueueService,
                             QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid())
        return false;
    if (reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_ownsName = true;
        emit nameAcquired();
        return true;
    }
    // Another instance serves the name: this one is reachable by its own name meanwhile.
    const auto instance = bus->registerService(InstanceName(), QDBusConnectionInterface::DontQueueService,
                                               QDBusConnectionInterface::DontAllowReplacement);
    m_ownsInstanceName = instance.isValid() && instance.value() == QDBusConnectionInterface::ServiceRegistered;
    return true;
}

void DBusLinkServer::ownerChanged(const QString& name, const QString&, const QString& newOwner)
{
    if (m_ownsName || name != QLatin1String(ServiceName) || newOwner != m_connection.baseService())
        return;
    m_ownsName = true;
    if (m_ownsInstanceName) {
        m_connection.interface()->unregisterService(InstanceName());
        m_ownsInstanceName = false;
    }
    emit nameAcquired();
}

bool DBusLinkServer::callerIsSameUser()
{
    const QDBusReply<uint> uid = m_connection.interface()->serviceUid(message().service());
    return uid.isValid() && uid.value() == uint(::getuid());
}

void DBusLinkServer::Poke(const QString& item, const QString& data)
{
    if (!calledFromDBus())
        return;
    if (!callerIsSameUser()) {
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Commands are only taken from the same user."));
        return;
    }
    if (item != QLatin1String(CommandItem)) {
        sendErrorReply(QString::fromLatin1(UnknownItemError),
                       QStringLiteral("Unknown item \"%1\": commands are poked into \"cmd\".").arg(item));
        return;
    }
    // The caller has its answer before the command runs: a command that opens a dialog must
    // not hold the caller's method call.
    QMetaObject::invokeMethod(
        this,
        [this, data] {
            if (OnCommand)
                OnCommand(data);
        },
        Qt::QueuedConnection);
}
