#include "scripting/dbuslinkclient.h"

#include "scripting/dbuslinkserver.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

bool offersInterface(const QString& introspection, const QString& interface)
{
    QXmlStreamReader xml(introspection);
    int depth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement)
            --depth;
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        // The object's own interfaces are children of the root node, not of a child node.
        if (depth == 2 && xml.name() == QLatin1String("interface")
            && xml.attributes().value(QLatin1String("name")) == interface)
            return true;
    }
    return false;
}

}  // namespace

DBusLinkClient::DBusLinkClient(const QDBusConnection& connection, QObject* parent)
    : QObject(parent)
    , m_connection(connection)
{
}

DBusLinkClient::~DBusLinkClient() = default;

bool DBusLinkClient::ValidBusName(const QString& name)
{
    // Unique names (":1.42") or well-known names of two or more elements, 255 characters at most.
    static const QRegularExpression wellKnown(
        QStringLiteral(R"(^[A-Za-z_-][A-Za-z0-9_-]*(\.[A-Za-z_-][A-Za-z0-9_-]*)+$)"));
    static const QRegularExpression unique(QStringLiteral(R"(^:[A-Za-z0-9_-]+(\.[A-Za-z0-9_-]+)+$)"));
    return name.size() <= 255 && (wellKnown.match(name).hasMatch() || unique.match(name).hasMatch());
}

bool DBusLinkClient::ValidObjectPath(const QString& path)
{
    static const QRegularExpression valid(QStringLiteral(R"(^/([A-Za-z0-9_]+(/[A-Za-z0-9_]+)*)?$)"));
    return valid.match(path).hasMatch();
}

void DBusLinkClient::Open(const QString& service, const QString& topic)
{
    Close();
    ++m_generation;
    m_state = State::Opening;
    m_service = service;
    m_path = QLatin1Char('/') + topic;
    m_owner.clear();
    if (!ValidBusName(m_service) || !ValidObjectPath(m_path) || !m_connection.isConnected()) {
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (generation == m_generation && m_state == State::Opening)
                    failOpen();
            },
            Qt::QueuedConnection);
        return;
    }
    m_watcher = new QDBusServiceWatcher(m_service, m_connection, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &DBusLinkClient::ownerChanged);
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"))
        << m_service;
    auto* call = new QDBusPendingCallWatcher(m_connection.asyncCall(ask), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, generation = m_generation](QDBusPendingCallWatcher* done) { ownerKnown(done, generation); });
}

void DBusLinkClient::ownerKnown(QDBusPendingCallWatcher* call, quint64 generation)
{
    call->deleteLater();
    if (generation != m_generation || m_state != State::Opening)
        return;
    const QDBusPendingReply<QString> reply = *call;
    if (reply.isError()) {
        failOpen();
        return;
    }
    m_owner = reply.value();
    const QDBusMessage introspect = QDBusMessage::createMethodCall(
        m_service, m_path, QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect"));
    auto* next = new QDBusPendingCallWatcher(m_connection.asyncCall(introspect), this);
    connect(next, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher* done) { introspected(done, generation); });
}

void DBusLinkClient::introspected(QDBusPendingCallWatcher* call, quint64 generation)
{
    call->deleteLater();
    if (generation != m_generation || m_state != State::Opening)
        return;
    const QDBusPendingReply<QString> reply = *call;
    if (reply.isError() || !offersInterface(reply.value(), QString::fromLatin1(DBusLinkServer::InterfaceName))) {
        failOpen();
        return;
    }
    m_state = State::Open;
    emit openFinished(true);
}

void DBusLinkClient::failOpen()
{
    m_state = State::Closed;
    ++m_generation;
    dropWatcher();
    emit openFinished(false);
}

void DBusLinkClient::ownerChanged(const QString&, const QString&, const QString& newOwner)
{
    if (m_state == State::Opening) {
        if (!m_owner.isEmpty() && newOwner != m_owner)
            failOpen();
        return;
    }
    if (m_state == State::Open && newOwner != m_owner)
        Close();
}

void DBusLinkClient::Close()
{
    if (m_state == State::Opening) {
        failOpen();
        return;
    }
    if (m_state != State::Open)
        return;
    m_state = State::Closed;
    ++m_generation;
    dropWatcher();
    emit closed();
}

void DBusLinkClient::dropWatcher()
{
    // Later: the watcher may be the one announcing the owner's departure right now.
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
    }
    m_watcher = nullptr;
}

bool DBusLinkClient::Send(const QString& data)
{
    if (m_state != State::Open)
        return false;
    const QDBusMessage poke = QDBusMessage::createMethodCall(m_service, m_path,
                                                             QString::fromLatin1(DBusLinkServer::InterfaceName),
                                                             QStringLiteral("Poke"))
        << QString::fromLatin1(PokeItem) << data;
    auto* call = new QDBusPendingCallWatcher(m_connection.asyncCall(poke), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, generation = m_generation](QDBusPendingCallWatcher* done) { delivered(done, generation); });
    return true;
}

void DBusLinkClient::delivered(QDBusPendingCallWatcher* call, quint64 generation)
{
    call->deleteLater();
    if (!call->isError() || generation != m_generation || m_state != State::Open)
        return;
    // The first failure closes the link, so the deliveries still under way fail unheard.
    const QString error = call->error().message();
    m_state = State::Closed;
    ++m_generation;
    dropWatcher();
    emit sendFailed(error);
    emit closed();
}
