#include "dialup/tapi.h"

#include <QPointer>
#include <algorithm>

namespace {

constexpr int MonitorIntervalMs = 500;
constexpr int MaxPhoneBookEntries = 100;
constexpr int MaxActiveConnections = 25;
constexpr int NoSuchConnectionError = 10;  // the service's own "not found" number

const QString CancelledText = QStringLiteral("Dialing cancelled.");

quint32 nextHandle()
{
    static quint32 last = 0;
    if (++last == 0)
        ++last;
    return last;
}

// Raises a hook from a copy (a handler may reassign it); false when the handler destroyed
// the component.
template <typename Hook, typename... Args>
bool raise(QObject* self, const Hook& hook, const Args&... args)
{
    if (!hook)
        return true;
    const QPointer<QObject> alive(self);
    const Hook copy = hook;
    copy(args...);
    return !alive.isNull();
}

}  // namespace

TTapi::TTapi(QObject* owner, DialupService* service)
    : QObject(owner), m_service(service ? service : &DialupService::shared())
{
    m_redialTimer.setSingleShot(true);
    m_monitorTimer.setSingleShot(true);
    m_monitorTimer.setInterval(MonitorIntervalMs);
    connect(&m_redialTimer, &QTimer::timeout, this, [this] { dialAttempt(false); });
    connect(&m_monitorTimer, &QTimer::timeout, this, &TTapi::monitorTick);
}

TTapi::~TTapi() = default;

void TTapi::SetRedialPause(int seconds)
{
    m_redialPause = std::clamp(seconds, 0, 60);
}

QString TTapi::StateText(int state, int error, const QString& errorText)
{
    if (error != 0)
        return errorText.left(100);
    switch (state) {
    case 0: return QStringLiteral("Opening port");
    case 1: return QStringLiteral("Port opened");
    case 2: return QStringLiteral("Connecting device");
    case 3: return QStringLiteral("Device connected");
    case 4: return QStringLiteral("All devices connected");
    case 5: return QStringLiteral("Start authenticating");
    case 6: return QStringLiteral("Authentication: notify");
    case 7: return QStringLiteral("Authentication: retry");
    case 8: return QStringLiteral("Authentication: callback");
    case 9: return QStringLiteral("Authentication: change password");
    case 10: return QStringLiteral("Authentication: projecting");
    case 11: return QStringLiteral("Authentication: link speed");
    case 12: return QStringLiteral("Authentication: acknowledge");
    case 13: return QStringLiteral("Authentication: reauthenticate");
    case 14: return QStringLiteral("Authenticated");
    case 15: return QStringLiteral("Preparing for callback");
    case 16: return QStringLiteral("Waiting for modem reset");
    case 17: return QStringLiteral("Waiting for callback");
    case 18: return QStringLiteral("Projected");
    case 19: return QStringLiteral("Start authentication");
    case 20: return QStringLiteral("Callback complete");
    case 21: return QStringLiteral("Logging on network");
    case 4096: return QStringLiteral("Interactive");
    case 4097: return QStringLiteral("Retry Authentication");
    case 4098: return QStringLiteral("Callback set by caller");
    case 4099: return QStringLiteral("Password expired");
    case 8192: return QStringLiteral("Connected");
    case 8193: return QStringLiteral("Disconnected");
    default: return {};
    }
}

bool TTapi::notify(int error, const QString& text)
{
    return raise(this, OnNotify, error, text);
}

// Completions of hang-ups and queries always come on a later turn of the event loop.
void TTapi::complete(HangUpDone done, int error, const QString& text)
{
    if (!done)
        return;
    QMetaObject::invokeMethod(this, [done, error, text] { done(error, text); }, Qt::QueuedConnection);
}

// --- Phone book -------------------------------------------------------------------------------

void TTapi::readPhoneBook(std::function<void()> then)
{
    m_service->listProfiles(this, [this, then](const DialupResult& result, const QList<DialupProfile>& profiles) {
        if (result.ok()) {
            m_phoneBook.clear();
            for (const DialupProfile& profile : profiles.mid(0, MaxPhoneBookEntries))
                m_phoneBook.append(profile.name);
        } else {
            const QPointer<TTapi> self(this);
            reportPhoneBookError(result);
            if (!self)
                return;
        }
        then();
    });
}

void TTapi::reportPhoneBookError(const DialupResult& result)
{
    // No service or no service running is like having no phone book: nothing to tell.
    if (result.kind == DialupResult::Kind::Unavailable || result.error == DialupResult::ServiceNotRunningError)
        return;
    const QString text = result.kind == DialupResult::Kind::BadOutput
                             ? QStringLiteral("RAS phonebook is corrupted.")
                             : QStringLiteral("RasEnumEntries failed (%1).").arg(result.error);
    raise(this, OnMessage, text);
}

// Entry names are matched as the user wrote them first, then ignoring case.
QString TTapi::resolveEntry(const QString& name) const
{
    if (m_phoneBook.contains(name))
        return name;
    for (const QString& entry : m_phoneBook) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return name;
}

bool TTapi::LoadEntry(const QString& name, std::function<void(bool ok)> done)
{
    if (!Available())
        return false;
    if (!name.isEmpty())
        EntryName = name;
    if (EntryName.isEmpty()) {
        raise(this, OnMessage, QStringLiteral("Entry name not specified!"));
        return false;
    }
    const QString entryName = EntryName;
    readPhoneBook([this, entryName, done] {
        m_service->readEntry(this, resolveEntry(entryName), [this, done](const DialupResult& result,
                                                                           const DialupEntry& entry) {
            if (result.ok()) {
                // The password stays as it is: secrets are never read from the profile.
                PhoneNumber = entry.phoneNumber;
                CallbackNumber = entry.callbackNumber;
                UserName = entry.userName;
                Domain = entry.domain;
            }
            if (done)
                done(result.ok());
        });
    });
    return true;
}

// --- Dialling ---------------------------------------------------------------------------------

quint32 TTapi::Dial()
{
    if (!Available())
        return 0;
    if (EntryName.isEmpty()) {
        raise(this, OnMessage, QStringLiteral("Entry name not specified!"));
        return 0;
    }
    m_redialTimer.stop();
    m_monitorTimer.stop();
    m_attempt = 0;
    m_dialing = true;
    m_connected = false;
    m_connection = {};
    ++m_generation;
    const quint64 generation = m_generation;
    const QPointer<TTapi> self(this);
    dialAttempt(true);
    if (!self || generation != m_generation)
        return 0;
    return m_handle;
}

bool TTapi::current(quint64 generation) const
{
    return m_dialing && generation == m_generation;
}

void TTapi::dialAttempt(bool readBookFirst)
{
    const quint64 serial = ++m_serial;
    const quint64 generation = m_generation;
    m_handle = nextHandle();
    m_activating = false;
    if (!notify(0, QStringLiteral("Dialing ") + EntryName + QStringLiteral("...")) || !current(generation))
        return;
    auto start = [this, serial] {
        if (serial != m_serial)
            return;  // hung up while the phone book was read
        m_dialName = resolveEntry(EntryName);
        m_activating = true;
        m_service->activate(this, m_dialName, [this, serial](const DialupResult& result,
                                                             const DialupConnection& connection) {
            activationDone(serial, result, connection);
        });
    };
    if (readBookFirst)
        readPhoneBook(start);
    else
        start();
}

void TTapi::activationDone(quint64 serial, const DialupResult& result, const DialupConnection& connection)
{
    if (serial != m_serial) {
        // Hung up while the service was still bringing it up: take it down again, unless a
        // newer dial is bringing up the same entry.
        const bool wantedAgain = (m_activating && m_dialName == connection.name)
                                 || (m_connected && m_connection.uuid == connection.uuid);
        if (result.ok() && !wantedAgain)
            m_service->deactivate(nullptr, connection.uuid, connection.name, {});
        return;
    }
    if (result.ok()) {
        m_activating = false;
        m_connection = connection;
        m_service->noteDialled(connection.uuid);
        const quint64 generation = m_generation;
        const QPointer<TTapi> self(this);
        progress(StateConnectingDevice, 0);
        if (self && current(generation) && serial == m_serial)
            progress(StateConnected, 0);
        return;
    }
    // A timed-out activation may still be under way in the service; the hang-up stops it.
    m_activating = result.kind == DialupResult::Kind::TimedOut;
    if (result.kind == DialupResult::Kind::NotStarted || result.kind == DialupResult::Kind::Unavailable)
        startFailed(result);
    else
        progress(0, result.error, result.text);
}

void TTapi::startFailed(const DialupResult& result)
{
    const quint64 generation = m_generation;
    const QPointer<TTapi> self(this);
    if (!notify(result.error, QStringLiteral("ERROR: ") + result.text) || !current(generation))
        return;
    hangUpInternal({});
    if (self && current(generation))
        redialOrFail(result.error, QStringLiteral("Error connecting: ") + result.text);
}

void TTapi::progress(int state, int error, const QString& errorText)
{
    const quint64 generation = m_generation;
    const QString text = error != 0 ? QStringLiteral("ERROR: ") + StateText(state, error, errorText)
                                    : StateText(state);
    if (state == StateConnected && error == 0) {
        m_connected = true;
        m_monitorTimer.start();
    }
    if (!notify(error, text) || !current(generation))
        return;
    if (error != 0) {
        redialOrFail(error, text);
    } else if (state == StateConnectingDevice) {
        notify(0, QStringLiteral("Using ") + m_connection.type + QStringLiteral(": ") + m_connection.device);
    } else if (state == StateConnected) {
        finishDial(true, 0, {});
    }
}

void TTapi::redialOrFail(int error, const QString& text)
{
    ++m_attempt;
    const quint64 generation = m_generation;
    const QPointer<TTapi> self(this);
    hangUpInternal({});
    if (!self || !current(generation))
        return;
    if (m_attempt > RedialAttempts) {
        finishDial(false, error, text);
        return;
    }
    if (!notify(error, QStringLiteral("Retrying in %1 seconds...").arg(m_redialPause)) || !current(generation))
        return;
    m_redialTimer.start(m_redialPause * 1000);
}

void TTapi::finishDial(bool connected, int error, const QString& text)
{
    m_dialing = false;
    if (connected)
        raise(this, OnConnect);
    else
        raise(this, OnConnectFail, error, text);
}

// --- Hanging up and watching --------------------------------------------------------------

void TTapi::HangUp(HangUpDone done)
{
    const bool wasDialing = m_dialing;
    m_dialing = false;
    const QPointer<TTapi> self(this);
    hangUpInternal(std::move(done));
    if (self && wasDialing)
        raise(this, OnConnectFail, 0, CancelledText);
}

void TTapi::hangUpInternal(HangUpDone done)
{
    m_monitorTimer.stop();
    if (!Available()) {
        complete(std::move(done), DialupResult::UnavailableError, QStringLiteral("No dial-up service."));
        return;
    }
    // The state is settled before the handler runs, so that it may dial again at once.
    const bool hasConnection = m_connected || m_activating;
    const QString uuid = m_connected ? m_connection.uuid : QString();
    const QString name = m_connected ? m_connection.name : m_dialName;
    m_handle = 0;
    ++m_serial;
    m_connected = false;
    m_activating = false;
    m_connection = {};
    m_redialTimer.stop();
    if (!notify(0, QStringLiteral("Disconnecting...")))
        return;
    if (!hasConnection) {
        complete(std::move(done), 0, {});
        return;
    }
    m_service->deactivate(this, uuid, name, [done](const DialupResult& result) {
        if (done)
            done(result.ok() ? 0 : result.error, result.ok() ? QString() : result.text);
    });
}

void TTapi::monitorTick()
{
    if (!m_connected || m_handle == 0)
        return;
    const quint32 handle = m_handle;
    m_service->listActive(this, [this, handle](const DialupResult& result, const QList<DialupConnection>& list) {
        if (!m_connected || handle != m_handle)
            return;
        const bool present = std::any_of(list.begin(), list.end(), [this](const DialupConnection& c) {
            return m_connection.uuid.isEmpty() ? c.name == m_connection.name : c.uuid == m_connection.uuid;
        });
        // An unanswered query says nothing about the line: keep watching.
        if (present || !result.ok()) {
            m_monitorTimer.start();
            return;
        }
        m_connected = false;  // gone already: nothing left to take down
        const QPointer<TTapi> self(this);
        hangUpInternal({});
        if (self)
            raise(this, OnDisconnect, 0, QStringLiteral("Connection to server lost."));
    });
}

// --- Active connections -----------------------------------------------------------------------

void TTapi::ListConnections(std::function<void(bool ok)> done)
{
    m_service->listActive(this, [this, done](const DialupResult& result, const QList<DialupConnection>& list) {
        m_lastQuery = result;
        m_active.clear();
        m_activeNames.clear();
        for (const DialupConnection& connection : list) {
            if (m_active.size() < MaxActiveConnections && connection.state != QLatin1String("deactivated")
                && m_service->isDialup(connection)) {
                m_active.append(connection);
                m_activeNames.append(connection.name);
            }
        }
        if (done)
            done(result.ok());
    });
}

quint32 TTapi::FindConnection(const QString& name) const
{
    for (qsizetype i = 0; i < m_activeNames.size(); ++i) {
        if (m_activeNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<quint32>(i + 1);
    }
    return 0;
}

void TTapi::HangUpConnection(quint32 handle, HangUpDone done)
{
    if (handle == 0 || handle > static_cast<quint32>(m_active.size())) {
        complete(std::move(done), NoSuchConnectionError, QStringLiteral("No such active connection."));
        return;
    }
    const DialupConnection connection = m_active.at(handle - 1);
    if (m_connected && connection.uuid == m_connection.uuid) {
        HangUp(std::move(done));
        return;
    }
    m_service->deactivate(this, connection.uuid, connection.name, [done](const DialupResult& result) {
        if (done)
            done(result.ok() ? 0 : result.error, result.ok() ? QString() : result.text);
    });
}

void TTapi::HangUpActive(HangUpDone done)
{
    if (m_connected || m_dialing) {
        HangUp(std::move(done));
        return;
    }
    ListConnections([this, done](bool ok) {
        if (!ok) {
            if (done)
                done(m_lastQuery.error, m_lastQuery.text);
        } else if (m_active.isEmpty()) {
            if (done)
                done(0, {});
        } else {
            HangUpConnection(1, done);
        }
    });
}

void TTapi::IsDialupActive(std::function<void(bool active)> done)
{
    ListConnections([this, done](bool ok) {
        if (done)
            done(ok && !m_active.isEmpty());
    });
}
