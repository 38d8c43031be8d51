#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <functional>

class QDBusServiceWatcher;

// The program's command link on the session bus: other programs poke command texts into it
// and watch its Reply signal.
//
//   bus name   org.orvoftp.OrvoFTP (a second instance queues for it and owns
//              org.orvoftp.OrvoFTP.i<pid> until the name comes to it)
//   object     /link
//   interface  org.orvoftp.OrvoFTP.Link
//     method   Poke(s item, s data): item "cmd" carries a command text; other items are
//              refused with an error
//     signal   Reply(s text): every text meant for a DDE client, without its prefix
//
// Calls from another user id are refused.
class DBusLinkServer : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.orvoftp.OrvoFTP.Link")

public:
    static constexpr const char* ServiceName = "org.orvoftp.OrvoFTP";
    static constexpr const char* ObjectPath = "/link";
    static constexpr const char* InterfaceName = "org.orvoftp.OrvoFTP.Link";
    static constexpr const char* CommandItem = "cmd";
    static constexpr const char* UnknownItemError = "org.orvoftp.OrvoFTP.Error.UnknownItem";

    explicit DBusLinkServer(const QDBusConnection& connection, QObject* parent = nullptr);
    ~DBusLinkServer() override;

    // Serves the object and asks for the bus name. False when there is no bus or the object
    // cannot be registered.
    bool Start();
    // The well-known name belongs to this instance now.
    bool OwnsName() const { return m_ownsName; }
    // The name a queued instance owns meanwhile: org.orvoftp.OrvoFTP.i<pid>.
    static QString InstanceName();

    // A command text poked into item "cmd".
    std::function<void(const QString& text)> OnCommand;

    // Emits the Reply signal.
    void SendReply(const QString& text) { emit Reply(text); }

public slots:
    Q_SCRIPTABLE void Poke(const QString& item, const QString& data);

signals:
    Q_SCRIPTABLE void Reply(const QString& text);
    // The well-known name came to this instance (at once, or when the owner before it left).
    void nameAcquired();

private:
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    bool callerIsSameUser();

    QDBusConnection m_connection;
    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_registered = false;
    bool m_ownsName = false;
    bool m_ownsInstanceName = false;
};
