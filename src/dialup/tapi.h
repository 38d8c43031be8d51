#pragma once

#include "dialup/dialupservice.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

// The dial-up component: dials a phone-book entry (a connection profile of the system's
// connection service) with redials, reports every step as a text, watches the connection
// once it is up and hangs it up. Without the service it is inert: Dial returns 0, the
// queries fail and nothing else happens.
//
// How the program uses it (every operation returns at once; nothing blocks):
//  - Dial (script DIAL):  t.LoadEntry(name); t.OnConnect = ...; t.OnConnectFail = ...;
//    t.Dial(). A Dial that returns non-zero ends in exactly one OnConnect or OnConnectFail;
//    a HangUp while dialling ends it with OnConnectFail(0, "Dialing cancelled.").
//    OnNotify carries the progress texts for the log ("Dialing My ISP...", "Connected", ...).
//  - Hang-up ("&Hangup ISP", script HANGUP, batch completion): HangUpActive(done) hangs up
//    this component's own connection, else the first active dial-up connection; `done`
//    gets the result once. HangUp(done) hangs up only what this component dialled.
//  - Reconnect check: IsDialupActive(done) answers whether a dial-up connection is active.
//    Short-lived components are cheap: nothing is read at construction and the service is
//    shared by the process.
//  - ListConnections(done) then FindConnection(name) / ActiveConnections() for the rest.
// Completions (`done`) come once, on a later turn of the event loop, and are dropped when the
// component is destroyed first: keep a short-lived one until its answer has come.
// Only connections of dial-up types (mobile broadband, PPPoE, Bluetooth) and those the
// process dialled itself count as dial-up connections: the LAN, Wi-Fi, VPNs and loopback are
// never listed nor hung up. Phone-book messages (for a message box) come through OnMessage,
// only from LoadEntry and Dial. Connection profiles are never modified and secrets are never
// read or asked for.
class TTapi : public QObject
{
    Q_OBJECT

public:
    // Result of a hang-up or a query: error 0 is success.
    using HangUpDone = std::function<void(int error, const QString& text)>;
    using StateEvent = std::function<void(int error, const QString& text)>;

    // `service` defaults to the process's shared one (DialupService::shared()).
    explicit TTapi(QObject* owner = nullptr, DialupService* service = nullptr);
    ~TTapi() override;

    // --- Published properties -------------------------------------------------------------
    QString EntryName;
    // Read from the phone book by LoadEntry. The service dials with the profile's own
    // settings and secrets; these are for showing, and are never written back.
    QString PhoneNumber;
    QString CallbackNumber;
    QString UserName;
    QString Password;
    QString Domain;
    qint32 RedialAttempts = 1;  // re-dials after the first failed attempt
    bool SynchronousDial = false;  // kept for the interface: a dial never blocks here
    bool MinimizeDialWindow = false;

    int RedialPause() const { return m_redialPause; }
    void SetRedialPause(int seconds);  // stored as 0..60 seconds

    // --- Published events -------------------------------------------------------------------
    std::function<void()> OnConnect;
    StateEvent OnNotify;       // progress and error texts
    StateEvent OnDisconnect;   // the connection ended ("Connection to server lost.")
    StateEvent OnConnectFail;  // dialling failed and no re-dial is left
    // A phone-book message for the user ("RAS phonebook is corrupted.", ...).
    std::function<void(const QString& text)> OnMessage;

    // --- Operations -------------------------------------------------------------------------
    bool Available() const { return m_service->available(); }

    // A non-empty name becomes EntryName. Returns false at once when inert or when EntryName is
    // empty (message "Entry name not specified!"); otherwise reads the phone book and the
    // entry and calls `done` once with the outcome (true: the properties are filled).
    bool LoadEntry(const QString& name = {}, std::function<void(bool ok)> done = {});
    // Dials EntryName; returns the connection handle, 0 when inert or EntryName is empty.
    quint32 Dial();
    // Hangs up what this component dialled (also an attempt in progress) and stops redials.
    void HangUp(HangUpDone done = {});

    // Fills ActiveConnections with the active dial-up connections (at most 25).
    void ListConnections(std::function<void(bool ok)> done);
    // Handle of the listed connection of that name (ignoring case), 0 when none. Handles are
    // valid until the next ListConnections.
    quint32 FindConnection(const QString& name) const;
    void HangUpConnection(quint32 handle, HangUpDone done);
    void HangUpActive(HangUpDone done);
    void IsDialupActive(std::function<void(bool active)> done);

    // --- State (read-only for owners) -------------------------------------------------------
    quint32 Handle() const { return m_handle; }
    bool Connected() const { return m_connected; }
    bool Dialing() const { return m_dialing; }
    bool RedialPending() const { return m_redialTimer.isActive(); }
    bool Monitoring() const { return m_monitorTimer.isActive(); }
    int AttemptCount() const { return m_attempt; }
    const QStringList& PhoneBook() const { return m_phoneBook; }
    const QStringList& ActiveConnections() const { return m_activeNames; }
    const QString& DeviceType() const { return m_connection.type; }
    const QString& DeviceName() const { return m_connection.device; }

    // The text of a dial state; with an error, the service's text for it.
    static QString StateText(int state, int error = 0, const QString& errorText = {});
    enum : int { StateConnectingDevice = 2, StateConnected = 8192, StateDisconnected = 8193 };

private:
    void readPhoneBook(std::function<void()> then);
    void reportPhoneBookError(const DialupResult& result);
    QString resolveEntry(const QString& name) const;
    void dialAttempt(bool readBookFirst);
    void activationDone(quint64 serial, const DialupResult& result, const DialupConnection& connection);
    void startFailed(const DialupResult& result);
    void progress(int state, int error, const QString& errorText = {});
    void redialOrFail(int error, const QString& text);
    void finishDial(bool connected, int error, const QString& text);
    void hangUpInternal(HangUpDone done);
    void monitorTick();
    void complete(HangUpDone done, int error, const QString& text);
    bool notify(int error, const QString& text);
    // True while the dial of that generation is still the one under way.
    bool current(quint64 generation) const;

    DialupService* m_service;
    int m_redialPause = 10;
    quint32 m_handle = 0;
    quint64 m_serial = 0;       // identifies the current attempt; older answers are stale
    quint64 m_generation = 0;   // identifies the current Dial
    bool m_dialing = false;     // between Dial and its OnConnect/OnConnectFail
    bool m_activating = false;  // an activation was asked for and may still be under way
    bool m_connected = false;
    QString m_dialName;         // the profile name the service was asked to bring up
    int m_attempt = 0;
    DialupConnection m_connection;
    QStringList m_phoneBook;
    QList<DialupConnection> m_active;
    QStringList m_activeNames;
    DialupResult m_lastQuery;
    QTimer m_redialTimer;
    QTimer m_monitorTimer;
};
