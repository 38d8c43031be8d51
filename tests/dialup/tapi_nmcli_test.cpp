// The dial-up component end to end: TTapi over nmcli, with tests/support/fake-nmcli first on PATH.
#include "dialup/nmcliservice.h"
#include "dialup/tapi.h"
#include "dialuptestutil.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(TapiNmcli, WithoutNmcliDialReturnsZeroAndNothingElseHappens)
{
    QTemporaryDir emptyBin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(emptyBin.path()));
    NmcliService service;
    qputenv("PATH", path);
    ASSERT_FALSE(service.available());

    TTapi tapi(nullptr, &service);
    Transcript events;
    events.attach(tapi);
    tapi.EntryName = QStringLiteral("My ISP");
    EXPECT_EQ(tapi.Dial(), 0u);
    EXPECT_FALSE(tapi.LoadEntry());
    testutil::spin(300);
    EXPECT_TRUE(events.lines.isEmpty()) << events.lines.join('\n').toStdString();
}

class TapiNmcliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::link(FakeNmcli::program(), bin.filePath("nmcli")));
        m_path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + m_path);
        service = std::make_unique<NmcliService>();
        ASSERT_EQ(service->program(), bin.filePath("nmcli"));
        tapi = std::make_unique<TTapi>(nullptr, service.get());
        tapi->EntryName = QStringLiteral("My ISP");
        events.attach(*tapi);
        fake.addProfile(FakeNmcli::profile("Wired connection 1", "uuid-eth", "802-3-ethernet", "eth0"), true);
        fake.addProfile(FakeNmcli::profile("lo", "uuid-lo", "loopback", "lo"), true);
        fake.addProfile(FakeNmcli::profile("My ISP", "uuid-isp", "gsm", "cdc-wdm0"));
    }

    void TearDown() override { qputenv("PATH", m_path); }

    QStringList activeUuids()
    {
        QStringList uuids;
        for (const QJsonValue& record : fake.state().value("active").toArray())
            uuids << record.toObject().value("uuid").toString();
        return uuids;
    }

    QTemporaryDir bin;
    FakeNmcli fake;
    std::unique_ptr<NmcliService> service;
    std::unique_ptr<TTapi> tapi;
    Transcript events;

private:
    QByteArray m_path;
};

TEST_F(TapiNmcliTest, DialConnectsOnceWithTheEntryNameAsOneArgument)
{
    ASSERT_NE(tapi->Dial(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return events.finished(); }, 20000));
    EXPECT_EQ(events.lines, (QStringList{
                                "notify 0 Dialing My ISP...",
                                "notify 0 Connecting device",
                                "notify 0 Using gsm: cdc-wdm0",
                                "notify 0 Connected",
                                "connect",
                            }));
    const QList<QStringList> ups = fake.callsWith("up");
    ASSERT_EQ(ups.size(), 1);
    EXPECT_EQ(ups.at(0).mid(ups.at(0).indexOf("up")), (QStringList{"up", "id", "My ISP"}));
    EXPECT_TRUE(activeUuids().contains("uuid-isp"));
}

TEST_F(TapiNmcliTest, FailedAttemptThenSuccessAfterAOneSecondPause)
{
    fake.update([](QJsonObject& state) {
        state["up"] = QJsonArray{QJsonObject{{"exit", 4}, {"stderr", "Error: Connection activation failed: No modem."}}};
    });
    tapi->SetRedialPause(1);
    QElapsedTimer clock;
    clock.start();
    ASSERT_NE(tapi->Dial(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return events.finished(); }, 20000));
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_EQ(events.lines.mid(0, 5), (QStringList{
                                          "notify 0 Dialing My ISP...",
                                          "notify 4 ERROR: Connection activation failed: No modem.",
                                          "notify 0 Disconnecting...",
                                          "notify 4 Retrying in 1 seconds...",
                                          "notify 0 Dialing My ISP...",
                                      }));
    EXPECT_EQ(events.lines.last(), "connect");
    EXPECT_EQ(events.count("connect"), 1);
    EXPECT_EQ(events.count("fail"), 0);
}

TEST_F(TapiNmcliTest, NoRedialLeftFailsAtOnce)
{
    fake.update([](QJsonObject& state) { state["up"] = QJsonArray{QJsonObject{{"exit", 4}}}; });
    tapi->RedialAttempts = 0;
    ASSERT_NE(tapi->Dial(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return events.finished(); }, 20000));
    EXPECT_EQ(events.lines.last(), "fail 4 ERROR: Connection activation failed.");
    EXPECT_EQ(events.count("notify 4 Retrying"), 0);
    EXPECT_EQ(fake.callsWith("up").size(), 1);
}

TEST_F(TapiNmcliTest, OnlyTheDialupConnectionIsListedAndHungUp)
{
    fake.update([](QJsonObject& state) {
        QJsonArray active = state.value("active").toArray();
        active.append(QJsonObject{{"uuid", "uuid-isp"}, {"state", "activated"}});
        state["active"] = active;
    });
    bool listed = false;
    tapi->ListConnections([&](bool ok) { listed = ok; });
    ASSERT_TRUE(testutil::waitFor([&] { return listed; }, 20000));
    EXPECT_EQ(tapi->ActiveConnections(), QStringList{"My ISP"});

    int hungUp = -1;
    tapi->HangUpActive([&](int error, const QString&) { hungUp = error; });
    ASSERT_TRUE(testutil::waitFor([&] { return hungUp >= 0; }, 20000));
    EXPECT_EQ(hungUp, 0);
    const QList<QStringList> downs = fake.callsWith("down");
    ASSERT_EQ(downs.size(), 1);
    EXPECT_EQ(downs.at(0).mid(downs.at(0).indexOf("down")), (QStringList{"down", "uuid", "uuid-isp"}));
    EXPECT_EQ(activeUuids(), (QStringList{"uuid-eth", "uuid-lo"}));
}

TEST_F(TapiNmcliTest, DroppedLineRaisesConnectionLost)
{
    ASSERT_NE(tapi->Dial(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return events.finished(); }, 20000));
    fake.update([](QJsonObject& state) { state["drop"] = true; });
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(testutil::waitFor([&] { return events.count("disconnect") > 0; }, 10000));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(events.lines.last(), "disconnect 0 Connection to server lost.");
    EXPECT_TRUE(fake.callsWith("down").isEmpty());
}

TEST_F(TapiNmcliTest, PhoneBookMessagesFromRealOutput)
{
    const std::pair<const char*, QString> cases[] = {
        {"raw_show", QStringLiteral("message RAS phonebook is corrupted.")},
        {"running", QString()},  // NetworkManager not running: silent, like no phone book
    };
    for (const auto& [key, message] : cases) {
        SCOPED_TRACE(key);
        events.lines.clear();
        fake.update([key = key](QJsonObject& state) {
            state = QJsonObject{{"profiles", QJsonArray{}}, {"active", QJsonArray{}}};
            if (QLatin1String(key) == QLatin1String("raw_show"))
                state["raw_show"] = "only one field\n";
            else
                state["running"] = false;
        });
        int loaded = -1;
        ASSERT_TRUE(tapi->LoadEntry(QString(), [&](bool ok) { loaded = ok; }));
        ASSERT_TRUE(testutil::waitFor([&] { return loaded >= 0; }, 20000));
        EXPECT_EQ(loaded, 0);
        EXPECT_EQ(events.lines, message.isEmpty() ? QStringList{} : QStringList{message});
    }
}

}  // namespace
