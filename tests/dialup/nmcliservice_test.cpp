// The nmcli binding against tests/support/fake-nmcli.
#include "dialup/nmcliservice.h"
#include "dialuptestutil.h"
#include "testutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using Kind = DialupResult::Kind;

TEST(NmcliTerse, SplitsAtUnescapedColonsAndUndoesEscapes)
{
    struct Case
    {
        QString line;
        QStringList fields;
    };
    const Case cases[] = {
        {R"(a\:b\\c:uuid-1:gsm:)", {R"(a:b\c)", "uuid-1", "gsm", ""}},
        {"Wired connection 1:u2:802-3-ethernet:eth0", {"Wired connection 1", "u2", "802-3-ethernet", "eth0"}},
        {"::", {"", "", ""}},
        {R"(\\:x)", {R"(\)", "x"}},              // an escaped backslash does not escape the colon
        {R"(x\\\:y)", {R"(x\:y)"}},              // backslash then an escaped colon
        {R"(tail\)", {R"(tail\)"}},              // a lone trailing backslash is kept
        {"", {""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NmcliService::splitTerse(c.line), c.fields) << c.line.toStdString();

    QString property;
    QString value;
    ASSERT_TRUE(NmcliService::splitProperty(R"(gsm.username:web\:user\\x)", &property, &value));
    EXPECT_EQ(property, "gsm.username");
    EXPECT_EQ(value, R"(web:user\x)");
    EXPECT_FALSE(NmcliService::splitProperty("no colon here", &property, &value));
}

TEST(NmcliTerse, ErrorTextIsTheFirstReasonLine)
{
    EXPECT_EQ(NmcliService::errorText("Error: Connection activation failed: (2) No modem.\nHint: use journalctl\n", 4),
              "Connection activation failed: (2) No modem.");
    EXPECT_EQ(NmcliService::errorText("\n  \nWarning: something\n", 1), "Warning: something");
    EXPECT_EQ(NmcliService::errorText("", 5), "nmcli failed with exit code 5");
    EXPECT_EQ(NmcliService::errorText(QByteArray(300, 'x'), 1).size(), 100);
}

TEST(NmcliService, MissingProgramIsUnavailableAndStillCompletesLater)
{
    NmcliService service(QStringLiteral("/nonexistent/nmcli"));
    EXPECT_FALSE(service.available());
    bool returned = false;
    DialupResult seen;
    bool done = false;
    service.listActive(nullptr, [&](const DialupResult& result, const QList<DialupConnection>&) {
        EXPECT_TRUE(returned) << "never inside the call";
        seen = result;
        done = true;
    });
    returned = true;
    ASSERT_TRUE(testutil::waitFor([&] { return done; }));
    EXPECT_EQ(seen.kind, Kind::Unavailable);
}

TEST(NmcliService, FindsTheProgramOnPath)
{
    QTemporaryDir bin;
    ASSERT_TRUE(QFile::link(FakeNmcli::program(), bin.filePath("nmcli")));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ":" + path);
    NmcliService service;
    qputenv("PATH", path);
    EXPECT_TRUE(service.available());
    EXPECT_EQ(service.program(), bin.filePath("nmcli"));
}

class NmcliServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake.addProfile(FakeNmcli::profile(R"(a:b\c)", "uuid-odd", "gsm", "ttyUSB1"));
        fake.addProfile(FakeNmcli::profile("Wired connection 1", "uuid-eth", "802-3-ethernet", "eth0"), true);
        fake.addProfile(FakeNmcli::profile("My ISP", "uuid-isp", "gsm", "cdc-wdm0",
                                           QJsonObject{{"gsm.number", "*99#"}, {"gsm.username", "web:user"}}));
    }

    // No request may ever ask for a secret, change a profile, or run in the user's locale.
    void TearDown() override
    {
        const QStringList forbidden = {"--ask", "-a", "--show-secrets", "-s", "modify", "edit", "delete"};
        for (const FakeNmcli::Call& call : fake.calls()) {
            EXPECT_EQ(call.lcAll, "C") << call.argv.join(' ').toStdString();
            for (const QString& word : forbidden)
                EXPECT_FALSE(call.argv.contains(word)) << call.argv.join(' ').toStdString();
        }
    }

    template <typename Request>
    void wait(Request request)
    {
        bool done = false;
        request(done);
        ASSERT_TRUE(testutil::waitFor([&] { return done; }, 20000));
    }

    FakeNmcli fake;
    NmcliService service{FakeNmcli::program()};
};

TEST_F(NmcliServiceTest, ListsProfilesAndActiveConnectionsWithEscapedNames)
{
    QList<DialupProfile> profiles;
    wait([&](bool& done) {
        service.listProfiles(nullptr, [&](const DialupResult& result, const QList<DialupProfile>& list) {
            EXPECT_TRUE(result.ok()) << result.text.toStdString();
            profiles = list;
            done = true;
        });
    });
    ASSERT_EQ(profiles.size(), 3);
    EXPECT_EQ(profiles.at(0).name, R"(a:b\c)");
    EXPECT_EQ(profiles.at(0).type, "gsm");
    EXPECT_EQ(profiles.at(1).device, "eth0");
    EXPECT_EQ(profiles.at(2).device, "") << "inactive";

    QList<DialupConnection> active;
    wait([&](bool& done) {
        service.listActive(nullptr, [&](const DialupResult& result, const QList<DialupConnection>& list) {
            EXPECT_TRUE(result.ok());
            active = list;
            done = true;
        });
    });
    ASSERT_EQ(active.size(), 1);
    EXPECT_EQ(active.at(0).name, "Wired connection 1");
    EXPECT_EQ(active.at(0).state, "activated");
}

TEST_F(NmcliServiceTest, ActivationPassesTheNameAsOneArgumentAndReportsTheConnection)
{
    for (const QString& name : {QStringLiteral("My ISP"), QStringLiteral(R"(a:b\c)")}) {
        DialupConnection connection;
        wait([&](bool& done) {
            service.activate(nullptr, name, [&](const DialupResult& result, const DialupConnection& c) {
                EXPECT_TRUE(result.ok()) << result.text.toStdString();
                connection = c;
                done = true;
            });
        });
        EXPECT_EQ(connection.name, name);
        EXPECT_EQ(connection.state, "activated");
    }
    const QList<QStringList> ups = fake.callsWith("up");
    ASSERT_EQ(ups.size(), 2);
    EXPECT_EQ(ups.at(0), (QStringList{"--terse", "--escape", "yes", "--colors", "no", "--wait", "90", "connection", "up",
                                      "id", "My ISP"}));
    EXPECT_EQ(ups.at(1).last(), R"(a:b\c)");

    DialupEntry entry;
    wait([&](bool& done) {
        service.readEntry(nullptr, "My ISP", [&](const DialupResult& result, const DialupEntry& e) {
            EXPECT_TRUE(result.ok());
            entry = e;
            done = true;
        });
    });
    EXPECT_EQ(entry.profile.uuid, "uuid-isp");
    EXPECT_EQ(entry.profile.device, "cdc-wdm0");
    EXPECT_EQ(entry.phoneNumber, "*99#");
    EXPECT_EQ(entry.userName, "web:user");
}

TEST_F(NmcliServiceTest, ExitCodeAndFirstErrorLineBecomeTheError)
{
    fake.update([](QJsonObject& state) {
        state["up"] = QJsonArray{QJsonObject{
            {"exit", 4},
            {"stderr", "Error: Connection activation failed: (2) The device could not be readied.\nHint: journalctl"}}};
    });
    struct Case
    {
        QString name;
        Kind kind;
        int error;
        QString text;
    };
    const Case cases[] = {
        {"My ISP", Kind::Failed, 4, "Connection activation failed: (2) The device could not be readied."},
        {"Nowhere", Kind::Failed, 10, "unknown connection 'Nowhere'."},
    };
    for (const Case& c : cases) {
        DialupResult seen;
        wait([&](bool& done) {
            service.activate(nullptr, c.name, [&](const DialupResult& result, const DialupConnection&) {
                seen = result;
                done = true;
            });
        });
        EXPECT_EQ(seen.kind, c.kind);
        EXPECT_EQ(seen.error, c.error);
        EXPECT_EQ(seen.text, c.text);
    }

    fake.update([](QJsonObject& state) { state["running"] = false; });
    DialupResult seen;
    wait([&](bool& done) {
        service.listProfiles(nullptr, [&](const DialupResult& result, const QList<DialupProfile>&) {
            seen = result;
            done = true;
        });
    });
    EXPECT_EQ(seen.error, DialupResult::ServiceNotRunningError);
}

TEST_F(NmcliServiceTest, UnreadableOutputIsReportedAsSuch)
{
    fake.update([](QJsonObject& state) { state["raw_show"] = "garbage\n"; });
    DialupResult seen;
    wait([&](bool& done) {
        service.listProfiles(nullptr, [&](const DialupResult& result, const QList<DialupProfile>&) {
            seen = result;
            done = true;
        });
    });
    EXPECT_EQ(seen.kind, Kind::BadOutput);
}

TEST_F(NmcliServiceTest, EventLoopKeepsTickingWhileAnActivationTakesThreeSeconds)
{
    fake.update([](QJsonObject& state) { state["up"] = QJsonArray{QJsonObject{{"delay", 3}}}; });
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(50);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        ++ticks;
    });
    bool done = false;
    sinceTick.start();
    ticker.start();
    QElapsedTimer total;
    total.start();
    service.activate(nullptr, "My ISP", [&](const DialupResult& result, const DialupConnection&) {
        EXPECT_TRUE(result.ok());
        done = true;
    });
    ASSERT_TRUE(testutil::waitFor([&] { return done; }, 15000));
    EXPECT_GE(total.elapsed(), 3000);
    EXPECT_GE(ticks, 40);
    EXPECT_LT(longestGap, 300);
}

TEST_F(NmcliServiceTest, EveryRequestCompletesEvenWhenNmcliTimesOutOrHangs)
{
    service.activationWaitSeconds = 1;
    service.graceSeconds = 1;
    fake.update([](QJsonObject& state) {
        state["up"] = QJsonArray{QJsonObject{{"delay", 5}}, QJsonObject{{"hang", 30}}};
    });
    const QString texts[] = {"Timeout expired (1 seconds)", "nmcli did not answer in time"};
    for (const QString& text : texts) {
        DialupResult seen;
        int calls = 0;
        QElapsedTimer clock;
        clock.start();
        wait([&](bool& done) {
            service.activate(nullptr, "My ISP", [&](const DialupResult& result, const DialupConnection&) {
                seen = result;
                ++calls;
                done = true;
            });
        });
        EXPECT_EQ(seen.kind, Kind::TimedOut);
        EXPECT_EQ(seen.error, DialupResult::TimedOutError);
        EXPECT_EQ(seen.text, text);
        EXPECT_LT(clock.elapsed(), 5000);
        testutil::spin(50);
        EXPECT_EQ(calls, 1);
    }
    EXPECT_EQ(fake.callsWith("up").at(0).mid(5, 2), (QStringList{"--wait", "1"}));
}

TEST_F(NmcliServiceTest, DeactivatesByUuidOrByName)
{
    DialupResult first;
    DialupResult second;
    wait([&](bool& done) {
        service.deactivate(nullptr, "uuid-eth", {}, [&](const DialupResult& result) {
            first = result;
            done = true;
        });
    });
    wait([&](bool& done) {
        service.deactivate(nullptr, {}, "My ISP", [&](const DialupResult& result) {
            second = result;
            done = true;
        });
    });
    EXPECT_TRUE(first.ok());
    EXPECT_EQ(second.error, 10) << "not active";
    const QList<QStringList> downs = fake.callsWith("down");
    ASSERT_EQ(downs.size(), 2);
    EXPECT_EQ(downs.at(0).mid(5), (QStringList{"--wait", "10", "connection", "down", "uuid", "uuid-eth"}));
    EXPECT_EQ(downs.at(1).mid(9), (QStringList{"id", "My ISP"}));
}

}  // namespace
