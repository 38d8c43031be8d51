#pragma once

#include "dialup/tapi.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// Every event of a TTapi as one line: "notify 0 Dialing My ISP...", "connect",
// "fail 4 ERROR: ...", "disconnect 0 Connection to server lost.", "message ...".
struct Transcript
{
    QStringList lines;

    void attach(TTapi& tapi);
    int count(const QString& prefix) const;
    bool finished() const { return count(QStringLiteral("connect")) + count(QStringLiteral("fail")) > 0; }
};

// The fake nmcli of tests/support with its own state and call log, made known to the
// processes started from this test through the environment.
class FakeNmcli
{
public:
    FakeNmcli();
    ~FakeNmcli();

    static QString program();
    static QJsonObject profile(const QString& name, const QString& uuid, const QString& type,
                               const QString& device = {}, const QJsonObject& settings = {});

    // Read-modify-write of the state file under the lock the fake takes too.
    void update(const std::function<void(QJsonObject&)>& change);
    QJsonObject state();
    void addProfile(const QJsonObject& profile, bool active = false);

    struct Call
    {
        QStringList argv;
        QString lcAll;
    };
    QList<Call> calls() const;
    // The calls whose arguments contain `word`.
    QList<QStringList> callsWith(const QString& word) const;

private:
    QTemporaryDir m_dir;
    QString m_state;
    QString m_log;
};
