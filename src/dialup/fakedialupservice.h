#pragma once

#include "dialup/dialupservice.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <deque>

// An in-process dial-up service for tests: profiles and active connections held in memory,
// scripted outcomes for each activation, a line that can be dropped, and a log of requests.
// It behaves as the system's service does: activations bring the profile's connection up on
// its device, deactivating something that is not active fails, and every request completes
// on a later turn of the event loop.
class FakeDialupService : public QObject, public DialupService
{
    Q_OBJECT

public:
    explicit FakeDialupService(QObject* parent = nullptr);

    struct Outcome
    {
        DialupResult result;  // a failure, or success
        int delayMs = 0;
    };

    bool isAvailable = true;
    QList<DialupProfile> profiles;
    QList<DialupConnection> active;
    // Outcomes of the next activations, front first; when empty an activation succeeds at once.
    std::deque<Outcome> activations;
    // What the next profile listing (phone-book read) answers; success lists `profiles`.
    DialupResult profilesResult;
    DialupResult activeResult;
    // "activate My ISP", "deactivate uuid-1", "deactivate id:My ISP", "listActive", ...
    QStringList requests;

    void addProfile(const QString& name, const QString& type, const QString& device = {});
    void addActive(const QString& name, const QString& type, const QString& device = {});
    // The line goes down: the connection vanishes from the active list without a request.
    void drop(const QString& name);
    int count(const QString& request) const { return static_cast<int>(requests.count(request)); }

    bool available() const override { return isAvailable; }
    void listProfiles(QObject* context, ProfilesDone done) override;
    void listActive(QObject* context, ConnectionsDone done) override;
    void readEntry(QObject* context, const QString& name, EntryDone done) override;
    void activate(QObject* context, const QString& name, ActivateDone done) override;
    void deactivate(QObject* context, const QString& uuid, const QString& name, Done done) override;

    // Parameters readEntry reports for a profile (by name), besides the profile itself.
    QHash<QString, DialupEntry> entries;

private:
    // Runs `work` after `delayMs`; it learns whether its completion may still be delivered.
    void later(QObject* context, int delayMs, std::function<void(bool deliver)> work);
    const DialupProfile* profile(const QString& name) const;
    DialupResult unavailable() const;
};
