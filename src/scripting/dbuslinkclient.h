#pragma once

#include <QDBusConnection>
#include <QObject>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;

// The client link to a partner program on the session bus: the texts the program reports
// (status, listings, errors, the log with DDEFilter) are poked into the partner's
// org.orvoftp.OrvoFTP.Link interface, item "\r\n", on bus name `service`, object
// "/" + `topic`. The link is open when the name has an owner whose object offers that
// interface; it closes when that owner leaves or a delivery fails. Nothing blocks: the
// checks and the deliveries are asynchronous calls.
class DBusLinkClient : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* PokeItem = "\r\n";

    explicit DBusLinkClient(const QDBusConnection& connection, QObject* parent = nullptr);
    ~DBusLinkClient() override;

    // Opens the link; ends in exactly one openFinished (false at once, on a later turn of the
    // event loop, for a name or path that is not valid on the bus). A link already open or
    // opening is closed first.
    void Open(const QString& service, const QString& topic);
    // Closes the link: closed() when it was open; an open in progress ends with
    // openFinished(false).
    void Close();
    bool IsOpen() const { return m_state == State::Open; }
    bool IsOpening() const { return m_state == State::Opening; }
    QString Service() const { return m_service; }
    QString ObjectPath() const { return m_path; }

    // Pokes `data` to the partner; false when the link is not open. A delivery the partner
    // refuses or never answers closes the link: sendFailed, then closed, once.
    bool Send(const QString& data);

    static bool ValidBusName(const QString& name);
    static bool ValidObjectPath(const QString& path);

signals:
    void openFinished(bool ok);
    void closed();
    void sendFailed(const QString& error);

private:
    enum class State { Closed, Opening, Open };

    void failOpen();
    void ownerKnown(QDBusPendingCallWatcher* call, quint64 generation);
    void introspected(QDBusPendingCallWatcher* call, quint64 generation);
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void delivered(QDBusPendingCallWatcher* call, quint64 generation);
    void dropWatcher();

    QDBusConnection m_connection;
    State m_state = State::Closed;
    quint64 m_generation = 0;  // an outdated answer (after Close or a new Open) is dropped
    QString m_service;
    QString m_path;
    QString m_owner;  // the unique name that owned the service when the link opened
    QDBusServiceWatcher* m_watcher = nullptr;
};
