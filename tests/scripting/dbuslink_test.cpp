// The D-Bus link on a private session bus (the suite runs under dbus-run-session): the server
// as gdbus and other programs reach it, the client link to a partner, the DDE settings' rules.
#include "platform/core/scriptedprompt.h"
#include "scripting/dbuslinkclient.h"
#include "scripting/dbuslinkserver.h"
#include "scripting/ddelink.h"
#include "settings/configdata.h"
#include "testutil.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A partner program's object: records the pokes; refuses them after `acceptLimit`.
class Partner : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.orvoftp.OrvoFTP.Link")

public:
    QList<QPair<QString, QString>> pokes;
    int refused = 0;
    int acceptLimit = -1;

public slots:
    Q_SCRIPTABLE void Poke(const QString& item, const QString& data)
    {
        if (acceptLimit >= 0 && pokes.size() >= acceptLimit) {
            ++refused;
            sendErrorReply(QDBusError::Failed, QStringLiteral("partner is full"));
            return;
        }
        pokes << qMakePair(item, data);
    }
};

// An object that offers some other interface.
class Stranger : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.Other")

public slots:
    Q_SCRIPTABLE void Ping() {}
};

class ReplyListener : public QObject
{
    Q_OBJECT

public:
    QStringList texts;

public slots:
    void reply(const QString& text) { texts << text; }
};

struct ProcessResult
{
    int exitCode = -1;
    QString output;
};

// gdbus in a process of its own; the event loop runs meanwhile so that our side can answer.
// `asUser` runs it under another user id (root only), on the bus at `address`.
ProcessResult gdbusPoke(const QString& item, const QString& data, const QString& address = {}, int asUser = -1)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments{QStringLiteral("call"), QStringLiteral("--session"),
                          QStringLiteral("--dest"), QStringLiteral("org.orvoftp.OrvoFTP"),
                          QStringLiteral("--object-path"), QStringLiteral("/link"),
                          QStringLiteral("--method"), QStringLiteral("org.orvoftp.OrvoFTP.Link.Poke"),
                          item, data};
    QString program = QStringLiteral("gdbus");
    if (asUser >= 0) {
        arguments = QStringList{QStringLiteral("--reuid=%1").arg(asUser), QStringLiteral("--regid=%1").arg(asUser),
                                QStringLiteral("--clear-groups"), program} + arguments;
        program = QStringLiteral("setpriv");
    }
    if (!address.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        environment.insert(QStringLiteral("HOME"), QStringLiteral("/"));
        process.setProcessEnvironment(environment);
    }
    process.start(program, arguments);
    testutil::waitFor([&] { return process.state() == QProcess::NotRunning; }, 30000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

class DBusLinkTest : public ::testing::Test
{
protected:
    static constexpr const char* PartnerName = "org.example.Partner";

    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run the suite under dbus-run-session";
        config.DDEService = QString::fromLatin1(PartnerName);
        config.DDETopic = QStringLiteral("topic");
        config.DDECommand = QStringLiteral("CMD");
        link = std::make_unique<DdeLink>(config, QDBusConnection::sessionBus());
        QObject::connect(link.get(), &DdeLink::logLine, [this](const QString& text, int) {
            logs << text;
            link->ForwardLogLine(text);  // as the log console hands every line back
        });
    }

    void TearDown() override
    {
        link.reset();
        if (partnerUp)
            QDBusConnection::disconnectFromBus(QStringLiteral("partner"));
    }

    // The partner program: its own connection, name and objects.
    QDBusConnection startPartner()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("partner"));
        partnerUp = true;
        EXPECT_TRUE(bus.registerObject(QStringLiteral("/topic"), &partner, QDBusConnection::ExportScriptableSlots));
        EXPECT_TRUE(bus.registerObject(QStringLiteral("/other"), &stranger, QDBusConnection::ExportScriptableSlots));
        EXPECT_TRUE(bus.registerService(QString::fromLatin1(PartnerName)));
        return bus;
    }

    // Opens the client link and waits for the result.
    bool open(const std::function<void(DdeLink::OpenDone)>& how)
    {
        std::optional<bool> result;
        how([&](bool ok) { result = ok; });
        EXPECT_TRUE(testutil::waitFor([&] { return result.has_value(); }));
        return result.value_or(false);
    }

    void listenToReplies(ReplyListener& listener)
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("listener"));
        ASSERT_TRUE(bus.connect(QString(), QStringLiteral("/link"), QStringLiteral("org.orvoftp.OrvoFTP.Link"),
                                QStringLiteral("Reply"), &listener, SLOT(reply(QString))));
    }

    ConfigData config;
    std::unique_ptr<DdeLink> link;
    Partner partner;
    Stranger stranger;
    bool partnerUp = false;
    QStringList logs;
};

TEST_F(DBusLinkTest, GdbusPokesCommandsAndUnknownItemsAreRefused)
{
    config.DDEShow = true;
    config.DDEFilter = true;
    ReplyListener listener;
    listenToReplies(listener);
    QStringList commands;
    QObject::connect(link.get(), &DdeLink::commandPoked, [&](const QString& text) { commands << text; });
    ASSERT_TRUE(link->StartServer());
    EXPECT_TRUE(link->Server()->OwnsName());

    const ProcessResult poked = gdbusPoke(QStringLiteral("cmd"), QStringLiteral("CD-L:/tmp"));
    EXPECT_EQ(poked.exitCode, 0) << poked.output.toStdString();
    ASSERT_TRUE(testutil::waitFor([&] { return !commands.isEmpty(); }));
    EXPECT_EQ(commands, QStringList{"CD-L:/tmp"});
    EXPECT_EQ(logs, QStringList{"DDE> CD-L:/tmp"});

    const ProcessResult refused = gdbusPoke(QStringLiteral("data"), QStringLiteral("STATUS"));
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.output.contains(QLatin1String(DBusLinkServer::UnknownItemError)))
        << refused.output.toStdString();
    testutil::spin(50);
    EXPECT_EQ(commands.size(), 1);
    EXPECT_TRUE(listener.texts.isEmpty());  // the echo of a poke never goes back out
}

TEST_F(DBusLinkTest, ReplySignalCarriesTheBareTextWithoutAClient)
{
    ReplyListener listener;
    listenToReplies(listener);
    ASSERT_TRUE(link->StartServer());
    link->SendToDdeClient(QStringLiteral("OrvoFTP: Idle"));
    link->SendToDdeClient(QStringLiteral("End Remote Directory"));
    ASSERT_TRUE(testutil::waitFor([&] { return listener.texts.size() == 2; }));
    EXPECT_EQ(listener.texts, (QStringList{"OrvoFTP: Idle", "End Remote Directory"}));
}

TEST_F(DBusLinkTest, ASecondInstanceQueuesForTheName)
{
    QDBusConnection firstBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("first"));
    QDBusConnection secondBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second"));
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    auto first = std::make_unique<DBusLinkServer>(firstBus);
    DBusLinkServer second(secondBus);
    bool acquired = false;
    QObject::connect(&second, &DBusLinkServer::nameAcquired, [&] { acquired = true; });
    ASSERT_TRUE(first->Start());
    ASSERT_TRUE(second.Start());
    EXPECT_TRUE(first->OwnsName());
    EXPECT_FALSE(second.OwnsName());
    EXPECT_EQ(bus->serviceOwner(DBusLinkServer::InstanceName()).value(), secondBus.baseService());

    first.reset();  // the first window closes
    ASSERT_TRUE(testutil::waitFor([&] { return acquired; }));
    EXPECT_TRUE(second.OwnsName());
    EXPECT_EQ(bus->serviceOwner(QString::fromLatin1(DBusLinkServer::ServiceName)).value(), secondBus.baseService());
    EXPECT_TRUE(testutil::waitFor([&] { return !bus->isServiceRegistered(DBusLinkServer::InstanceName()).value(); }));
    QDBusConnection::disconnectFromBus(QStringLiteral("first"));
    QDBusConnection::disconnectFromBus(QStringLiteral("second"));
}

TEST_F(DBusLinkTest, APartnerReceivesTheTextsUntilItLeaves)
{
    QDBusConnection partnerBus = startPartner();
    QList<bool> marks;
    QObject::connect(link.get(), &DdeLink::clientOpenChanged, [&](bool on) { marks << on; });
    ASSERT_TRUE(open([&](DdeLink::OpenDone done) { link->OpenClient(done); }));
    link->SendToDdeClient(QStringLiteral("Local Path: /tmp/"));
    ASSERT_TRUE(testutil::waitFor([&] { return partner.pokes.size() == 2; }));
    EXPECT_EQ(partner.pokes[0], qMakePair(QStringLiteral("\r\n"), QStringLiteral("CMD OrvoFTP 2.50 DDE link enabled")));
    EXPECT_EQ(partner.pokes[1].second, QStringLiteral("CMD Local Path: /tmp/"));
    EXPECT_EQ(logs, QStringList{"DDE link enabled."});

    partnerBus.unregisterService(QString::fromLatin1(PartnerName));  // the partner leaves
    ASSERT_TRUE(testutil::waitFor([&] { return !link->ClientOpen(); }));
    EXPECT_EQ(logs.last(), QStringLiteral("DDE link closed."));
    EXPECT_EQ(marks, (QList<bool>{true, false}));
    EXPECT_FALSE(link->ClientOpen());
}

TEST_F(DBusLinkTest, OpeningFailsForBadNamesAndForPartnersWithoutTheInterface)
{
    startPartner();
    struct Case
    {
        const char* service;
        const char* topic;
    };
    const Case cases[] = {
        {"not a bus name", "topic"},
        {"org.example.Nobody", "topic"},       // no owner
        {PartnerName, "bad-topic"},            // not an object path
        {PartnerName, "other"},                // an object without the interface
        {PartnerName, "missing"},              // no object there
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.service + std::string(" ") + c.topic);
        logs.clear();
        config.DDEService = QString::fromLatin1(c.service);
        config.DDETopic = QString::fromLatin1(c.topic);
        EXPECT_FALSE(open([&](DdeLink::OpenDone done) { link->OpenClient(done); }));
        EXPECT_EQ(logs, QStringList{"ERROR: DDE link failed."});
        EXPECT_FALSE(link->ClientOpen());
    }
    EXPECT_TRUE(partner.pokes.isEmpty());
}

TEST_F(DBusLinkTest, DdeLinkCommandSetsServiceTopicAndPrefix)
{
    startPartner();
    config.DDEService = QStringLiteral("org.example.Elsewhere");
    ASSERT_TRUE(open([&](DdeLink::OpenDone done) {
        link->LinkTo(QStringLiteral("org.example.Partner:topic:PFX"), done);
    }));
    ASSERT_TRUE(testutil::waitFor([&] { return partner.pokes.size() == 1; }));
    EXPECT_EQ(partner.pokes[0].second, QStringLiteral("PFX OrvoFTP 2.50 DDE link enabled"));
    EXPECT_EQ(link->CurrentService(), QStringLiteral("org.example.Partner"));

    // An open given up for a new one ends once, as failed, and logs no error.
    std::vector<bool> results;
    link->OpenClient([&](bool ok) { results.push_back(ok); });
    link->OpenClient([&](bool ok) { results.push_back(ok); });
    ASSERT_TRUE(testutil::waitFor([&] { return results.size() == 2; }));
    EXPECT_EQ(results, (std::vector<bool>{false, true}));
    EXPECT_FALSE(logs.contains(QStringLiteral("ERROR: DDE link failed.")));
}

TEST_F(DBusLinkTest, FilterForwardsTheLogAndTheFirstFailedSendClosesTheLink)
{
    config.DDEFilter = true;
    startPartner();
    ReplyListener listener;
    listenToReplies(listener);
    ASSERT_TRUE(link->StartServer());
    partner.acceptLimit = 2;
    ASSERT_TRUE(open([&](DdeLink::OpenDone done) { link->OpenClient(done); }));
    link->ForwardLogLine(QStringLiteral("230-Welcome"));  // continuation lines stay in the log
    link->ForwardLogLine(QStringLiteral("Connected."));   // refused by the partner
    ASSERT_TRUE(testutil::waitFor([&] { return !link->ClientOpen(); }));
    testutil::spin(100);

    EXPECT_EQ(partner.pokes.size(), 2);  // "link enabled" and the log line "DDE link enabled."
    EXPECT_EQ(partner.pokes[1].second, QStringLiteral("CMD DDE link enabled."));
    EXPECT_EQ(partner.refused, 1);  // the failure was not forwarded again
    EXPECT_EQ(logs.filter(QStringLiteral("ERROR: DDE link failed")).size(), 1);
    EXPECT_EQ(logs.last(), QStringLiteral("DDE link closed."));
    EXPECT_TRUE(listener.texts.filter(QStringLiteral("ERROR")).isEmpty());
    EXPECT_TRUE(listener.texts.contains(QStringLiteral("Connected.")));
    EXPECT_FALSE(listener.texts.contains(QStringLiteral("230-Welcome")));
}

TEST_F(DBusLinkTest, MenuAsksForTheCommandPrefixWhenDdePromptIsOn)
{
    config.DDEPrompt = true;
    startPartner();
    ScriptedPrompt prompt;
    prompt.answer(QStringLiteral("ASK"));
    link->ToggleFromMenu();
    ASSERT_TRUE(testutil::waitFor([&] { return link->ClientOpen(); }));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].caption, QStringLiteral("DDE Command"));
    EXPECT_EQ(prompt.asked()[0].text, QStringLiteral("Enter DDE command"));
    link->SendToDdeClient(QStringLiteral("OrvoFTP: Idle"));
    ASSERT_TRUE(testutil::waitFor([&] { return partner.pokes.size() == 2; }));
    EXPECT_EQ(partner.pokes[1].second, QStringLiteral("ASK OrvoFTP: Idle"));
    EXPECT_EQ(config.DDECommand, QStringLiteral("CMD"));  // the setting stays

    link->ToggleFromMenu();
    EXPECT_FALSE(link->ClientOpen());
    EXPECT_EQ(logs.last(), QStringLiteral("DDE link closed."));
}

// A bus that lets every user connect, so that another user's call reaches the server at all.
class OpenBus
{
public:
    OpenBus()
    {
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        testutil::writeFile(config,
                            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                            "<busconfig><include>/usr/share/dbus-1/session.conf</include>\n"
                            "<policy context=\"default\"><allow user=\"*\"/></policy></busconfig>\n");
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--print-address=1"),
                        QStringLiteral("--nofork")});
        testutil::waitFor([this] { return m_daemon.canReadLine() || m_daemon.state() == QProcess::NotRunning; });
        address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~OpenBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("open-bus"));
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    QDBusConnection connect() { return QDBusConnection::connectToBus(address, QStringLiteral("open-bus")); }

    QString address;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

TEST(DBusLinkServerUsers, CallsFromAnotherUserAreRefused)
{
    if (!testutil::isRoot())
        GTEST_SKIP() << "needs root to call as another user";
    OpenBus open;
    ASSERT_FALSE(open.address.isEmpty());
    QDBusConnection bus = open.connect();
    ASSERT_TRUE(bus.isConnected());
    DBusLinkServer server(bus);
    QStringList commands;
    server.OnCommand = [&](const QString& text) { commands << text; };
    ASSERT_TRUE(server.Start());

    const ProcessResult stranger = gdbusPoke(QStringLiteral("cmd"), QStringLiteral("EXIT"), open.address, 65534);
    EXPECT_NE(stranger.exitCode, 0);
    EXPECT_TRUE(stranger.output.contains(QLatin1String("AccessDenied"))) << stranger.output.toStdString();
    const ProcessResult owner = gdbusPoke(QStringLiteral("cmd"), QStringLiteral("STATUS"), open.address);
    EXPECT_EQ(owner.exitCode, 0) << owner.output.toStdString();
    ASSERT_TRUE(testutil::waitFor([&] { return !commands.isEmpty(); }));
    EXPECT_EQ(commands, QStringList{"STATUS"});
}

TEST(DBusLinkNames, BusNamesAndObjectPaths)
{
    for (const char* name : {"org.example.Partner", ":1.42", "a.b", "org.my-app.X_1"})
        EXPECT_TRUE(DBusLinkClient::ValidBusName(QString::fromLatin1(name))) << name;
    for (const char* name : {"", "org", "org..x", "org.1x", ".org.x", "org.x.", "org x.y"})
        EXPECT_FALSE(DBusLinkClient::ValidBusName(QString::fromLatin1(name))) << name;
    for (const char* path : {"/", "/link", "/a/b_1"})
        EXPECT_TRUE(DBusLinkClient::ValidObjectPath(QString::fromLatin1(path))) << path;
    for (const char* path : {"", "link", "/a/", "//a", "/a-b", "/a.b"})
        EXPECT_FALSE(DBusLinkClient::ValidObjectPath(QString::fromLatin1(path))) << path;
}

}  // namespace

#include "dbuslink_test.moc"
