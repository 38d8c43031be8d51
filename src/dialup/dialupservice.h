#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

// The outcome of one request to the dial-up service.
struct DialupResult
{
    enum class Kind {
        Ok,
        Failed,       // the service refused or failed: `error` is its exit code, `text` its reason
        NotStarted,   // the service program could not be run at all
        BadOutput,    // the service answered with output we cannot read
        TimedOut,     // no answer in time (ours or the service's own --wait)
        Unavailable,  // there is no service on this machine
    };

    // Error numbers for failures the service program cannot number itself. TimedOut uses the
    // service's own time-out code so that both kinds of time-out read the same.
    static constexpr int NotStartedError = 127;
    static constexpr int CrashedError = 128;
    static constexpr int TimedOutError = 3;
    static constexpr int BadOutputError = 1;
    static constexpr int UnavailableError = 1;
    // The service's "not running" code: like a missing phone book, nothing to tell the user.
    static constexpr int ServiceNotRunningError = 8;

    Kind kind = Kind::Ok;
    int error = 0;
    QString text;  // one line, at most 100 characters

    bool ok() const { return kind == Kind::Ok; }
    static DialupResult success() { return {}; }
    static DialupResult failure(Kind kind, int error, const QString& text);
};

// A connection profile (a phone-book entry).
struct DialupProfile
{
    QString name;
    QString uuid;
    QString type;    // the service's type name: "gsm", "pppoe", "802-3-ethernet", ...
    QString device;  // the interface it is active on, empty when inactive
};

// An active connection.
struct DialupConnection
{
    QString name;
    QString uuid;
    QString type;
    QString device;
    QString state;  // "activating", "activated", "deactivating"
};

// The dial parameters a profile keeps. Secrets are never read: reading them can make the
// system ask the user for authorisation, and the service supplies them itself when it dials.
struct DialupEntry
{
    DialupProfile profile;
    QString phoneNumber;
    QString callbackNumber;
    QString userName;
    QString domain;
};

// The system's connection service as the dial-up component sees it. Every request completes
// exactly once and never inside the call itself; when `context` is destroyed first the
// completion is dropped (a null context always gets it).
class DialupService
{
public:
    using ProfilesDone = std::function<void(const DialupResult&, const QList<DialupProfile>&)>;
    using ConnectionsDone = std::function<void(const DialupResult&, const QList<DialupConnection>&)>;
    using EntryDone = std::function<void(const DialupResult&, const DialupEntry&)>;
    using ActivateDone = std::function<void(const DialupResult&, const DialupConnection&)>;
    using Done = std::function<void(const DialupResult&)>;

    virtual ~DialupService() = default;

    // False when the machine has no such service: the dial-up component then stays inert.
    virtual bool available() const = 0;

    virtual void listProfiles(QObject* context, ProfilesDone done) = 0;
    virtual void listActive(QObject* context, ConnectionsDone done) = 0;
    virtual void readEntry(QObject* context, const QString& name, EntryDone done) = 0;
    // Brings the profile of that exact name up; on success the active connection is returned.
    virtual void activate(QObject* context, const QString& name, ActivateDone done) = 0;
    // Takes a connection down by its uuid, or by its profile name when the uuid is empty.
    virtual void deactivate(QObject* context, const QString& uuid, const QString& name, Done done) = 0;

    // Connections this process brought up. Together with the dial-up types they are what
    // "a dial-up connection" means: the LAN, Wi-Fi, VPNs and loopback are active connections
    // too and must never be hung up in their place.
    void noteDialled(const QString& uuid);
    bool isDialup(const DialupConnection& connection) const;
    static bool isDialupType(const QString& type);

    // The one service of the process (the system's, created on first use). Tests and owners
    // may install another; nullptr restores the system's. Not owning.
    static DialupService& shared();
    static void setShared(DialupService* service);

private:
    QSet<QString> m_dialled;
};
