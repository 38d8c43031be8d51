#include "dialup/fakedialupservice.h"

#include <QPointer>
#include <QTimer>

FakeDialupService::FakeDialupService(QObject* parent) : QObject(parent) {}

void FakeDialupService::addProfile(const QString& name, const QString& type, const QString& device)
{
    profiles.append({name, QStringLiteral("uuid-") + name, type, device});
}

void FakeDialupService::addActive(const QString& name, const QString& type, const QString& device)
{
    if (!profile(name))
        addProfile(name, type, device);
    active.append({name, QStringLiteral("uuid-") + name, type, device, QStringLiteral("activated")});
}

void FakeDialupService::drop(const QString& name)
{
    active.removeIf([&](const DialupConnection& c) { return c.name == name; });
}

const DialupProfile* FakeDialupService::profile(const QString& name) const
{
    for (const DialupProfile& p : profiles) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

DialupResult FakeDialupService::unavailable() const
{
    return DialupResult::failure(DialupResult::Kind::Unavailable, DialupResult::UnavailableError,
                                 QStringLiteral("no service"));
}

void FakeDialupService::later(QObject* context, int delayMs, std::function<void(bool deliver)> work)
{
    const bool hasContext = context != nullptr;
    const QPointer<QObject> guard(context);
    QTimer::singleShot(delayMs, this, [hasContext, guard, work] { work(!hasContext || guard); });
}

void FakeDialupService::listProfiles(QObject* context, ProfilesDone done)
{
    requests.append(QStringLiteral("listProfiles"));
    const DialupResult result = isAvailable ? profilesResult : unavailable();
    later(context, 0, [this, result, done](bool deliver) {
        if (deliver)
            done(result, result.ok() ? profiles : QList<DialupProfile>{});
    });
}

void FakeDialupService::listActive(QObject* context, ConnectionsDone done)
{
    requests.append(QStringLiteral("listActive"));
    const DialupResult result = isAvailable ? activeResult : unavailable();
    later(context, 0, [this, result, done](bool deliver) {
        if (deliver)
            done(result, result.ok() ? active : QList<DialupConnection>{});
    });
}

void FakeDialupService::readEntry(QObject* context, const QString& name, EntryDone done)
{
    requests.append(QStringLiteral("readEntry ") + name);
    later(context, 0, [this, name, done](bool deliver) {
        if (!deliver)
            return;
        const DialupProfile* found = isAvailable ? profile(name) : nullptr;
        if (!found) {
            done(isAvailable ? DialupResult::failure(DialupResult::Kind::Failed, 10,
                                                     name + QStringLiteral(" - no such connection profile."))
                             : unavailable(),
                 {});
            return;
        }
        DialupEntry entry = entries.value(name);
        entry.profile = *found;
        done(DialupResult::success(), entry);
    });
}

void FakeDialupService::activate(QObject* context, const QString& name, ActivateDone done)
{
    requests.append(QStringLiteral("activate ") + name);
    Outcome outcome;
    if (!isAvailable) {
        outcome.result = unavailable();
    } else if (!profile(name)) {
        outcome.result = DialupResult::failure(DialupResult::Kind::Failed, 10,
                                               QStringLiteral("unknown connection '") + name + QStringLiteral("'."));
    } else if (!activations.empty()) {
        outcome = activations.front();
        activations.pop_front();
    }
    later(context, outcome.delayMs, [this, name, outcome, done](bool deliver) {
        DialupConnection connection;
        if (outcome.result.ok()) {
            const DialupProfile p = *profile(name);
            drop(name);
            connection = {p.name, p.uuid, p.type, p.device, QStringLiteral("activated")};
            active.append(connection);
        }
        if (deliver)
            done(outcome.result, connection);
    });
}

void FakeDialupService::deactivate(QObject* context, const QString& uuid, const QString& name, Done done)
{
    requests.append(uuid.isEmpty() ? QStringLiteral("deactivate id:") + name : QStringLiteral("deactivate ") + uuid);
    later(context, 0, [this, uuid, name, done](bool deliver) {
        const qsizetype before = active.size();
        active.removeIf([&](const DialupConnection& c) { return uuid.isEmpty() ? c.name == name : c.uuid == uuid; });
        const DialupResult result =
            !isAvailable ? unavailable()
            : active.size() < before
                ? DialupResult::success()
                : DialupResult::failure(DialupResult::Kind::Failed, 10,
                                        QStringLiteral("'") + (uuid.isEmpty() ? name : uuid)
                                            + QStringLiteral("' is not an active connection."));
        if (deliver && done)
            done(result);
    });
}
