// The dial-up component's own logic against the in-process fake service.
#include "dialup/fakedialupservice.h"
#include "dialup/tapi.h"
#include "dialuptestutil.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <memory>

namespace {

using Kind = DialupResult::Kind;

const QString ActivationFailed = QStringLiteral("Connection activation failed: (2) The device could not be readied.");

FakeDialupService::Outcome failure(int error = 4, const QString& text = ActivationFailed, Kind kind = Kind::Failed,
                                   int delayMs = 0)
{
    return {DialupResult::failure(kind, error, text), delayMs};
}

class TapiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        service.addProfile(QStringLiteral("My ISP"), QStringLiteral("gsm"), QStringLiteral("ttyUSB0"));
        tapi = std::make_unique<TTapi>(nullptr, &service);
        tapi->EntryName = QStringLiteral("My ISP");
        tapi->SetRedialPause(0);
        events.attach(*tapi);
    }

    bool dialAndWait()
    {
        if (tapi->Dial() == 0)
            return false;
        return testutil::waitFor([&] { return events.finished(); });
    }

    FakeDialupService service;
    std::unique_ptr<TTapi> tapi;
    Transcript events;
};

const QStringList ConnectedTail = {
    QStringLiteral("notify 0 Connecting device"),
    QStringLiteral("notify 0 Using gsm: ttyUSB0"),
    QStringLiteral("notify 0 Connected"),
    QStringLiteral("connect"),
};

TEST(TapiProperties, DefaultsAndRedialPauseStoredAsAtMostSixty)
{
    FakeDialupService service;
    TTapi tapi(nullptr, &service);
    EXPECT_EQ(tapi.RedialAttempts, 1);
    EXPECT_EQ(tapi.RedialPause(), 10);
    EXPECT_FALSE(tapi.SynchronousDial);
    EXPECT_FALSE(tapi.MinimizeDialWindow);
    EXPECT_EQ(tapi.Handle(), 0u);
    // Nothing is read at construction: short-lived components must be cheap.
    EXPECT_TRUE(service.requests.isEmpty());

    const std::pair<int, int> cases[] = {{90, 60}, {60, 60}, {59, 59}, {0, 0}, {255, 60}, {-5, 0}};
    for (const auto& [given, stored] : cases) {
        tapi.SetRedialPause(given);
        EXPECT_EQ(tapi.RedialPause(), stored) << given;
    }
}

TEST(TapiStateText, DesignedTextsAndServiceErrorText)
{
    EXPECT_EQ(TTapi::StateText(0), "Opening port");
    EXPECT_EQ(TTapi::StateText(9), "Authentication: change password");
    EXPECT_EQ(TTapi::StateText(21), "Logging on network");
    EXPECT_EQ(TTapi::StateText(4097), "Retry Authentication");
    EXPECT_EQ(TTapi::StateText(8192), "Connected");
    EXPECT_EQ(TTapi::StateText(8193), "Disconnected");
    EXPECT_EQ(TTapi::StateText(22), "");
    EXPECT_EQ(TTapi::StateText(8192, 4, QString(150, QLatin1Char('x'))), QString(100, QLatin1Char('x')));
}

TEST(TapiInert, WithoutServiceDialReturnsZeroAndNothingHappens)
{
    FakeDialupService service;
    service.isAvailable = false;
    TTapi tapi(nullptr, &service);
    Transcript events;
    events.attach(tapi);
    tapi.EntryName = QStringLiteral("My ISP");

    EXPECT_EQ(tapi.Dial(), 0u);
    EXPECT_FALSE(tapi.LoadEntry());
    EXPECT_FALSE(tapi.LoadEntry(QString()));  // even without a name: inert means no message
    int listed = -1;
    tapi.ListConnections([&](bool ok) { listed = ok; });
    int hungUp = -1;
    tapi.HangUp([&](int error, const QString&) { hungUp = error; });
    EXPECT_EQ(listed, -1) << "completions come later, never inside the call";
    testutil::spin(100);
    EXPECT_EQ(listed, 0);
    EXPECT_NE(hungUp, 0);
    EXPECT_EQ(tapi.FindConnection(QStringLiteral("My ISP")), 0u);
    EXPECT_TRUE(events.lines.isEmpty()) << events.lines.join('\n').toStdString();
    EXPECT_EQ(service.count(QStringLiteral("activate My ISP")), 0);
}

TEST_F(TapiTest, SuccessfulDialReportsEachStepAndConnectsOnce)
{
    ASSERT_TRUE(dialAndWait());
    EXPECT_EQ(events.lines, QStringList{QStringLiteral("notify 0 Dialing My ISP...")} + ConnectedTail);
    EXPECT_TRUE(tapi->Connected());
    EXPECT_TRUE(tapi->Monitoring());
    EXPECT_NE(tapi->Handle(), 0u);
    EXPECT_EQ(tapi->DeviceType(), "gsm");
    EXPECT_EQ(tapi->PhoneBook(), QStringList{"My ISP"});
    testutil::spin(50);
    EXPECT_EQ(events.count("connect"), 1);
}

TEST_F(TapiTest, FailedAttemptIsReportedThenRedialled)
{
    service.activations.push_back(failure());
    ASSERT_TRUE(dialAndWait());
    const QStringList expected = QStringList{
        QStringLiteral("notify 0 Dialing My ISP..."),
        QStringLiteral("notify 4 ERROR: ") + ActivationFailed,
        QStringLiteral("notify 0 Disconnecting..."),
        QStringLiteral("notify 4 Retrying in 0 seconds..."),
        QStringLiteral("notify 0 Dialing My ISP..."),
    } + ConnectedTail;
    EXPECT_EQ(events.lines, expected);
    // The phone book is read once per Dial, not per attempt.
    EXPECT_EQ(service.count(QStringLiteral("listProfiles")), 1);
}

TEST_F(TapiTest, RedialAttemptsBoundTheNumberOfDials)
{
    struct Case
    {
        int attempts;
        int failures;
        bool connects;
        int dials;
    };
    const Case cases[] = {
        {0, 1, false, 1},  // no redial: the first failure fails the dial at once
        {1, 1, true, 2},
        {1, 2, false, 2},
        {2, 3, false, 3},
        {3, 2, true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "attempts " << c.attempts << ", failures " << c.failures);
        service.active.clear();
        service.requests.clear();
        events.lines.clear();
        service.activations.clear();
        for (int i = 0; i < c.failures; ++i)
            service.activations.push_back(failure());
        tapi->RedialAttempts = c.attempts;
        ASSERT_TRUE(dialAndWait());
        testutil::spin(30);
        EXPECT_EQ(service.count(QStringLiteral("activate My ISP")), c.dials);
        EXPECT_EQ(events.count("connect"), c.connects ? 1 : 0);
        EXPECT_EQ(events.count("fail"), c.connects ? 0 : 1);
        if (!c.connects) {
            EXPECT_EQ(events.lines.last(), QStringLiteral("fail 4 ERROR: ") + ActivationFailed);
            EXPECT_EQ(events.lines.at(events.lines.size() - 2), "notify 0 Disconnecting...");
        }
        EXPECT_EQ(events.count("notify 4 Retrying in 0 seconds..."), c.dials - 1);
    }
}

TEST_F(TapiTest, ServiceThatCannotStartIsAnErrorConnecting)
{
    tapi->RedialAttempts = 0;
    service.activations.push_back(failure(127, QStringLiteral("nmcli could not be started"), Kind::NotStarted));
    ASSERT_TRUE(dialAndWait());
    EXPECT_EQ(events.lines, (QStringList{
                                "notify 0 Dialing My ISP...",
                                "notify 127 ERROR: nmcli could not be started",
                                "notify 0 Disconnecting...",
                                "notify 0 Disconnecting...",
                                "fail 127 Error connecting: nmcli could not be started",
                            }));
}

TEST_F(TapiTest, TimedOutActivationIsTakenDownBeforeTheRedial)
{
    // The service may still be bringing it up after nmcli gave up waiting.
    service.activations.push_back(failure(3, QStringLiteral("Timeout expired (90 seconds)"), Kind::TimedOut));
    ASSERT_TRUE(dialAndWait());
    EXPECT_EQ(service.count(QStringLiteral("deactivate id:My ISP")), 1);
    EXPECT_EQ(events.count("connect"), 1);
}

TEST_F(TapiTest, EntryNameMatchesThePhoneBookIgnoringCaseAndMustNotBeEmpty)
{
    tapi->EntryName = QStringLiteral("my isp");
    ASSERT_TRUE(dialAndWait());
    EXPECT_EQ(service.count(QStringLiteral("activate My ISP")), 1);
    EXPECT_EQ(events.lines.first(), "notify 0 Dialing my isp...");

    events.lines.clear();
    tapi->EntryName.clear();
    EXPECT_EQ(tapi->Dial(), 0u);
    EXPECT_EQ(events.lines, QStringList{"message Entry name not specified!"});
}

TEST_F(TapiTest, HangUpTakesTheConnectionDownAndStopsWatching)
{
    ASSERT_TRUE(dialAndWait());
    events.lines.clear();
    int calls = 0;
    int result = -1;
    tapi->HangUp([&](int error, const QString&) {
        ++calls;
        result = error;
    });
    EXPECT_EQ(calls, 0) << "completes later: the thread is never blocked";
    EXPECT_EQ(events.lines, QStringList{"notify 0 Disconnecting..."});
    EXPECT_FALSE(tapi->Monitoring());
    EXPECT_EQ(tapi->Handle(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return calls > 0; }));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(service.count(QStringLiteral("deactivate uuid-My ISP")), 1);
    EXPECT_TRUE(service.active.isEmpty());
    testutil::spin(700);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(events.count("disconnect"), 0);
}

TEST_F(TapiTest, HangUpWhileDiallingEndsTheDialOnceAndUndoesALateActivation)
{
    service.activations.push_back({DialupResult::success(), 150});
    ASSERT_NE(tapi->Dial(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return service.count(QStringLiteral("activate My ISP")) == 1; }));
    tapi->HangUp();
    EXPECT_EQ(events.lines.last(), "fail 0 Dialing cancelled.");
    testutil::spin(400);
    EXPECT_EQ(events.count("fail"), 1);
    EXPECT_EQ(events.count("connect"), 0);
    EXPECT_EQ(service.count(QStringLiteral("deactivate id:My ISP")), 1);
    EXPECT_TRUE(service.active.isEmpty()) << "the late activation was taken down again";
}

TEST_F(TapiTest, HangUpDuringTheRedialPauseStopsTheRedial)
{
    tapi->SetRedialPause(1);
    service.activations.push_back(failure());
    ASSERT_NE(tapi->Dial(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return tapi->RedialPending(); }));
    tapi->HangUp();
    EXPECT_FALSE(tapi->RedialPending());
    testutil::spin(1300);
    EXPECT_EQ(service.count(QStringLiteral("activate My ISP")), 1);
    EXPECT_EQ(events.count("notify 0 Dialing My ISP..."), 1);
    EXPECT_EQ(events.count("fail"), 1);
}

TEST_F(TapiTest, DroppedLineIsReportedWithinAboutHalfASecond)
{
    ASSERT_TRUE(dialAndWait());
    events.lines.clear();
    QElapsedTimer clock;
    clock.start();
    service.drop(QStringLiteral("My ISP"));
    ASSERT_TRUE(testutil::waitFor([&] { return events.count("disconnect") > 0; }, 3000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(events.lines,
              (QStringList{"notify 0 Disconnecting...", "disconnect 0 Connection to server lost."}));
    EXPECT_FALSE(tapi->Connected());
    EXPECT_EQ(service.count(QStringLiteral("deactivate uuid-My ISP")), 0) << "nothing left to take down";
}

TEST_F(TapiTest, UnansweredStatusQueryKeepsWatching)
{
    ASSERT_TRUE(dialAndWait());
    service.activeResult = DialupResult::failure(Kind::Failed, 1, QStringLiteral("Could not create NMClient object"));
    testutil::spin(1200);
    EXPECT_EQ(events.count("disconnect"), 0);
    EXPECT_TRUE(tapi->Monitoring() || service.count("listActive") > 0);
    EXPECT_TRUE(tapi->Connected());
}

TEST(TapiConnections, OnlyDialupConnectionsAreListedAndHungUp)
{
    FakeDialupService service;
    service.addActive(QStringLiteral("Wired connection 1"), QStringLiteral("802-3-ethernet"), QStringLiteral("eth0"));
    service.addActive(QStringLiteral("lo"), QStringLiteral("loopback"), QStringLiteral("lo"));
    service.addActive(QStringLiteral("Office VPN"), QStringLiteral("vpn"));
    service.addActive(QStringLiteral("My ISP"), QStringLiteral("gsm"), QStringLiteral("cdc-wdm0"));
    service.addActive(QStringLiteral("DSL"), QStringLiteral("pppoe"), QStringLiteral("ppp0"));
    TTapi tapi(nullptr, &service);

    bool listed = false;
    tapi.ListConnections([&](bool ok) { listed = ok; });
    ASSERT_TRUE(testutil::waitFor([&] { return listed; }));
    EXPECT_EQ(tapi.ActiveConnections(), (QStringList{"My ISP", "DSL"}));
    EXPECT_EQ(tapi.FindConnection(QStringLiteral("my isp")), 1u);
    EXPECT_EQ(tapi.FindConnection(QStringLiteral("DSL")), 2u);
    EXPECT_EQ(tapi.FindConnection(QStringLiteral("Wired connection 1")), 0u);

    int hungUp = -1;
    tapi.HangUpActive([&](int error, const QString&) { hungUp = error; });
    ASSERT_TRUE(testutil::waitFor([&] { return hungUp >= 0; }));
    EXPECT_EQ(hungUp, 0);
    EXPECT_EQ(service.requests.filter("deactivate"), QStringList{"deactivate uuid-My ISP"});

    // With only the LAN and loopback up there is no dial-up connection to wait for or hang up.
    service.drop(QStringLiteral("DSL"));
    int active = -1;
    tapi.IsDialupActive([&](bool yes) { active = yes; });
    ASSERT_TRUE(testutil::waitFor([&] { return active >= 0; }));
    EXPECT_EQ(active, 0);
    hungUp = -1;
    tapi.HangUpActive([&](int error, const QString&) { hungUp = error; });
    ASSERT_TRUE(testutil::waitFor([&] { return hungUp >= 0; }));
    EXPECT_EQ(service.requests.filter("deactivate").size(), 1);
    EXPECT_EQ(service.active.size(), 3);
}

TEST(TapiConnections, AnEntryWeDialledCountsWhateverItsType)
{
    FakeDialupService service;
    service.addProfile(QStringLiteral("Office VPN"), QStringLiteral("vpn"), QStringLiteral("tun0"));
    TTapi dialler(nullptr, &service);
    dialler.EntryName = QStringLiteral("Office VPN");
    bool connected = false;
    dialler.OnConnect = [&] { connected = true; };
    ASSERT_NE(dialler.Dial(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return connected; }));

    // A short-lived component, as the reconnect check makes one, sees it through the shared service.
    TTapi check(nullptr, &service);
    int active = -1;
    check.IsDialupActive([&](bool yes) { active = yes; });
    ASSERT_TRUE(testutil::waitFor([&] { return active >= 0; }));
    EXPECT_EQ(active, 1);
    EXPECT_EQ(check.ActiveConnections(), QStringList{"Office VPN"});
}

TEST(TapiPhoneBook, MessagesComeOnlyFromDialAndLoadEntry)
{
    struct Case
    {
        DialupResult result;
        QString message;  // empty: silent
    };
    const Case cases[] = {
        {DialupResult::success(), {}},
        {DialupResult::failure(Kind::BadOutput, 1, "unreadable"), "RAS phonebook is corrupted."},
        {DialupResult::failure(Kind::Failed, 4, "failed"), "RasEnumEntries failed (4)."},
        {DialupResult::failure(Kind::Failed, 8, "NetworkManager is not running."), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        FakeDialupService service;
        service.addProfile(QStringLiteral("My ISP"), QStringLiteral("gsm"));
        service.profilesResult = c.result;
        TTapi tapi(nullptr, &service);
        Transcript events;
        events.attach(tapi);
        bool answered = false;
        tapi.IsDialupActive([&](bool) { answered = true; });
        ASSERT_TRUE(testutil::waitFor([&] { return answered; }));
        EXPECT_EQ(events.count("message"), 0) << "the reconnect check never shows phone-book errors";

        bool loaded = false;
        ASSERT_TRUE(tapi.LoadEntry(QStringLiteral("My ISP"), [&](bool) { loaded = true; }));
        ASSERT_TRUE(testutil::waitFor([&] { return loaded; }));
        ASSERT_NE(tapi.Dial(), 0u);
        ASSERT_TRUE(testutil::waitFor([&] { return events.finished(); }));
        const QStringList expected = c.message.isEmpty() ? QStringList{} : QStringList{"message " + c.message, "message " + c.message};
        EXPECT_EQ(events.lines.filter(QRegularExpression("^message ")), expected);
        EXPECT_EQ(events.count("connect"), 1) << "the dial goes on after a phone-book error";
    }
}

TEST(TapiLoadEntry, FillsDialParametersButNeverThePassword)
{
    FakeDialupService service;
    service.addProfile(QStringLiteral("My ISP"), QStringLiteral("gsm"));
    DialupEntry entry;
    entry.phoneNumber = QStringLiteral("*99#");
    entry.userName = QStringLiteral("web");
    service.entries.insert(QStringLiteral("My ISP"), entry);
    TTapi tapi(nullptr, &service);
    Transcript events;
    events.attach(tapi);
    tapi.Password = QStringLiteral("kept");

    int loaded = -1;
    ASSERT_TRUE(tapi.LoadEntry(QStringLiteral("my isp"), [&](bool ok) { loaded = ok; }));
    EXPECT_EQ(tapi.EntryName, "my isp");
    ASSERT_TRUE(testutil::waitFor([&] { return loaded >= 0; }));
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(tapi.PhoneNumber, "*99#");
    EXPECT_EQ(tapi.UserName, "web");
    EXPECT_EQ(tapi.Password, "kept");

    loaded = -1;
    ASSERT_TRUE(tapi.LoadEntry(QStringLiteral("Nowhere"), [&](bool ok) { loaded = ok; }));
    ASSERT_TRUE(testutil::waitFor([&] { return loaded >= 0; }));
    EXPECT_EQ(loaded, 0);
    EXPECT_TRUE(events.lines.isEmpty()) << "a missing entry fails without a message";

    tapi.EntryName.clear();
    EXPECT_FALSE(tapi.LoadEntry());
    EXPECT_EQ(events.lines, QStringList{"message Entry name not specified!"});
}

TEST(TapiLifetime, ComponentMayBeDeletedInsideItsHandlersOrWhileDialling)
{
    FakeDialupService service;
    service.addProfile(QStringLiteral("My ISP"), QStringLiteral("gsm"));
    bool connected = false;
    auto* tapi = new TTapi(nullptr, &service);
    tapi->EntryName = QStringLiteral("My ISP");
    tapi->OnConnect = [&] {
        connected = true;
        delete tapi;
    };
    ASSERT_NE(tapi->Dial(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return connected; }));

    auto* dialling = new TTapi(nullptr, &service);
    dialling->EntryName = QStringLiteral("My ISP");
    int events = 0;
    dialling->OnNotify = [&](int, const QString&) { ++events; };
    service.activations.push_back({DialupResult::success(), 100});
    ASSERT_NE(dialling->Dial(), 0u);
    ASSERT_TRUE(testutil::waitFor([&] { return service.count(QStringLiteral("activate My ISP")) == 2; }));
    const int before = events;
    delete dialling;
    testutil::spin(250);
    EXPECT_EQ(events, before);
}

}  // namespace
