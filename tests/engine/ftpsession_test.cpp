// The control session against the scripted reply server: reply intake, multi-line rules,
// retries, time-outs, deferred events, guards, the session log.
#include "engine/ftp.h"
#include "engine/hostresolver.h"
#include "ftprecorder.h"
#include "platform/core/clock.h"
#include "scriptedserver.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

class SessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.useStandardReplies();
        ftp.SetFtpServer(QStringLiteral("127.0.0.1"));
        ftp.FtpPort = server.port();
        ftp.UserName = QStringLiteral("alice");
        ftp.UserPassword = QStringLiteral("s3cret");
    }

    bool login() { return FtpRecorder::connectAndLogin(ftp, rec); }
    QString dump() const { return rec.events.join(QLatin1Char('\n')); }

    ScriptedServer server;
    TFtp ftp;
    FtpRecorder rec{ftp};
};

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace

TEST_F(SessionTest, MultilineSuccessRepliesAreActedOnAtTheirLastLine)
{
    server.setGreeting({"220-Welcome", "220-to the test", "220 Ready"});
    server.reply("PASS", {"230-Hello alice", "  indented text", "230-More", "230 Logged in."});
    ASSERT_TRUE(login()) << dump().toStdString();

    // The greeting's inner lines are reported, USER goes out once, after the last line.
    EXPECT_EQ(rec.commands.first(), "USER alice");
    EXPECT_EQ(rec.commands.count("USER alice"), 1);
    EXPECT_EQ(rec.commands.count("SYST"), 1);
    const int first = rec.indexOf("info MultilineFirst 230-Hello alice");
    ASSERT_GE(first, 0) << dump().toStdString();
    EXPECT_EQ(rec.events[first + 2], "info MultilineInner   indented text");
    EXPECT_EQ(rec.events[first + 4], "info MultilineInner 230-More");
    EXPECT_EQ(rec.events[first + 6], "info MultilineLast 230 Logged in.");
    // SYST follows the last line only.
    EXPECT_EQ(rec.events[first + 7], "info CommandSent SYST");
    EXPECT_TRUE(ftp.LoggedIn());
    EXPECT_EQ(rec.count("LoggedIn"), 1);
}

TEST_F(SessionTest, NegativeLineInsideAMultilineReplyDoesNotEndIt)
{
    server.reply("PASS", {"230-Welcome", "550 Not really an end", "230 Done"});
    ASSERT_TRUE(login()) << dump().toStdString();
    EXPECT_TRUE(rec.has("info MultilineInner 550 Not really an end"));
    EXPECT_TRUE(rec.has("info MultilineLast 230 Done"));
    EXPECT_EQ(rec.commands.count("SYST"), 1);
}

TEST_F(SessionTest, Reply421BeforeLoginRetriesThenGivesUp)
{
    server.setGreeting({"421 Too many users, try later."});
    ftp.Retry = 3;
    ftp.ConnectSession();
    ASSERT_TRUE(waitFor([&] { return rec.hasInfo(FtpInfo::ConnectFailed); })) << dump().toStdString();
    EXPECT_EQ(rec.infoCount(FtpInfo::RetryScheduled), 2);
    EXPECT_EQ(server.connectionCount(), 3);
    EXPECT_EQ(rec.infoCount(FtpInfo::ConnectAttempt), 3);
    EXPECT_EQ(ftp.AttemptCount(), 3);
    EXPECT_FALSE(ftp.SessionConnected());
    EXPECT_FALSE(rec.has("LoggedIn"));
}

TEST_F(SessionTest, SilentServerTimesOutTheGreeting)
{
    server.setGreeting({});
    ftp.TimeOutConnect = 1;
    ftp.Retry = 2;
    ftp.RetryDelay = 0;
    ftp.ConnectSession();
    ASSERT_TRUE(waitFor([&] { return rec.hasInfo(FtpInfo::ConnectFailed); }, 8000)) << dump().toStdString();
    EXPECT_TRUE(rec.has("info RetryScheduled"));  // no delay: no waiting text
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST_F(SessionTest, ServerHangingUpBeforeLoginEndsTheAttempt)
{
    server.act("USER", [](ScriptedServer::Session& s, const QString&) { s.close(); });
    ftp.ConnectSession();
    ASSERT_TRUE(waitFor([&] { return rec.hasInfo(FtpInfo::ConnectFailed); })) << dump().toStdString();
    EXPECT_FALSE(rec.has("LoggedIn"));
}

TEST_F(SessionTest, RawCommandStateRaisesOnEveryLaterReply)
{
    ASSERT_TRUE(login());
    server.act("NOOP", [](ScriptedServer::Session& s, const QString&) {
        s.send({"200 NOOP ok."});
        QTimer::singleShot(50, s.socket(), [sock = s.socket()] {
            sock->write("200 Unsolicited.\r\n");
            sock->flush();
        });
    });
    ftp.SendRaw("NOOP");
    ASSERT_TRUE(rec.waitFor("RawCommand", 2)) << dump().toStdString();
    EXPECT_EQ(ftp.ReplyState(), ReplyStates::Raw);
    EXPECT_FALSE(ftp.Busy());
}

TEST_F(SessionTest, DirectoryChangeReadsThePathAndRaisesItsEventAfterTheReply)
{
    ASSERT_TRUE(login());
    server.replyOnce("PWD", {"257 \"/pub/with \"\"quotes\"\"\" is current."});
    rec.clear();
    ftp.ChangeDirectory("/pub");
    EXPECT_TRUE(ftp.Busy());
    ASSERT_TRUE(rec.waitFor("DirectoryChanged"));
    EXPECT_EQ(ftp.InitialDirectory, "/pub/with \"quotes\"");
    EXPECT_EQ(rec.commands, (QStringList{"CWD /pub", "PWD"}));
    // The completion event comes after the reply that finished the operation.
    EXPECT_LT(rec.indexOf("info ReplyLine 257 \"/pub/with \"\"quotes\"\"\" is current."), rec.indexOf("DirectoryChanged"));
    EXPECT_FALSE(ftp.Busy());

    // A PWD reply without quotes leaves the directory empty.
    server.replyOnce("PWD", {"257 current directory is /pub"});
    ftp.ChangeDirectoryUp();
    ASSERT_TRUE(rec.waitFor("DirectoryChanged", 2));
    EXPECT_EQ(ftp.InitialDirectory, "");
    EXPECT_EQ(rec.commands.mid(2), (QStringList{"CDUP", "PWD"}));
}

TEST_F(SessionTest, CompletionEventIsRaisedOnlyAfterTheHandlerReturns)
{
    ASSERT_TRUE(login());
    // Both lines arrive in one batch: the event of the first must wait until the reading
    // handler has returned, so the second line is reported before it.
    server.act("DELE", [](ScriptedServer::Session& s, const QString&) { s.sendRaw("250 Deleted.\r\n200 Extra.\r\n"); });
    rec.clear();
    ftp.DeleteFile("gone.txt");
    ASSERT_TRUE(rec.waitFor("FileDeleted"));
    EXPECT_LT(rec.indexOf("info ReplyLine 200 Extra."), rec.indexOf("FileDeleted")) << dump().toStdString();
}

TEST_F(SessionTest, RenameMakeAndRemoveDirectoryOutcomes)
{
    ASSERT_TRUE(login());
    server.replyOnce("RNFR", {"350 Ready for RNTO."});
    server.replyOnce("RNTO", {"250 Renamed."});
    ftp.RenameFile("a.txt", "b.txt");
    ASSERT_TRUE(rec.waitFor("FileRenamed"));
    EXPECT_TRUE(ftp.Success);
    EXPECT_TRUE(rec.commands.contains("RNTO b.txt"));

    server.replyOnce("RNFR", {"550 No such file."});
    ftp.RenameFile("missing", "x");
    ASSERT_TRUE(rec.waitFor("FileRenamed", 2));
    EXPECT_FALSE(ftp.Success);
    EXPECT_FALSE(rec.commands.contains("RNTO x"));

    server.replyOnce("MKD", {"257 \"/new\" created."});
    ftp.MakeDirectory("new");
    ASSERT_TRUE(rec.waitFor("DirectoryCreated"));

    // A refused MKD ends with "ready" and no completion event.
    ftp.ChangeDirectory("/here");
    ASSERT_TRUE(rec.waitFor("DirectoryChanged"));
    server.replyOnce("MKD", {"550 Permission denied."});
    ftp.MakeDirectory("nope");
    ASSERT_TRUE(rec.waitFor("FtpReady"));
    EXPECT_EQ(rec.count("DirectoryCreated"), 1);
    EXPECT_FALSE(ftp.Busy());

    server.replyOnce("RMD", {"250 Removed."});
    ftp.RemoveDirectory("new");
    ASSERT_TRUE(rec.waitFor("DirectoryDeleted"));

    server.reply("SITE", {"200 CHMOD ok."});
    ftp.ChangeMode("a.txt", "644");
    ASSERT_TRUE(rec.waitFor("FileCHMOD"));
    EXPECT_TRUE(rec.commands.contains("SITE CHMOD 644 a.txt"));
}

TEST_F(SessionTest, GuardsRefuseWhileNotConnectedOrBusy)
{
    ftp.MakeDirectory("x");
    EXPECT_TRUE(rec.has("info NotConnected"));
    EXPECT_EQ(ftp.PendingEvent(), PendingEvents::DirectoryCreated);  // set before the guard

    ASSERT_TRUE(login());
    server.act("DELE", [](ScriptedServer::Session&, const QString&) {});  // never answers
    ftp.DeleteFile("slow");
    ftp.SendRaw("NOOP");
    EXPECT_TRUE(rec.has("info Busy"));
    EXPECT_FALSE(rec.commands.contains("NOOP"));
}

TEST_F(SessionTest, ServerClosingAfterLoginReportsDisconnectedThenQuit)
{
    ASSERT_TRUE(login());
    server.closeAll();
    ASSERT_TRUE(rec.waitFor("FtpQuit")) << dump().toStdString();
    EXPECT_LT(rec.indexOf("info NotConnected Disconnected"), rec.indexOf("FtpQuit"));
    EXPECT_FALSE(ftp.SessionConnected());
    EXPECT_FALSE(ftp.Busy());
}

TEST_F(SessionTest, QuitRefusedIsAnError)
{
    ASSERT_TRUE(login());
    server.reply("QUIT", {"500 No."});
    ftp.Quit();
    ASSERT_TRUE(rec.waitFor("FtpQuit"));
    EXPECT_TRUE(rec.hasError(FtpError::QuitRefused));
}

TEST_F(SessionTest, PasswordsAreMaskedInEventsAndTheSessionLog)
{
    QTemporaryDir dir;
    Clock::setSource([] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)); });
    ftp.LogSession = true;
    ftp.LogFile = dir.filePath("session.log");
    server.reply("SITE", {"200 ok"});
    ASSERT_TRUE(login());
    ftp.SendRaw("pass secret-in-lower-case");
    ASSERT_TRUE(rec.waitFor("RawCommand"));
    ftp.SendRaw("SITE HELP");
    ASSERT_TRUE(rec.waitFor("RawCommand", 2));
    ftp.Close();
    Clock::setSource(nullptr);

    EXPECT_TRUE(rec.commands.contains("PASS xxxxxx"));
    EXPECT_EQ(rec.commands.count("PASS xxxxxx"), 2);
    const QString log = QString::fromUtf8(testutil::readFile(ftp.LogFile));
    const QStringList lines = log.split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], "");
    EXPECT_TRUE(lines[1].startsWith("*** Log Opened: 3/4/26 5:06:07 AM")) << log.toStdString();
    EXPECT_TRUE(lines.contains("220 Scripted server ready."));
    EXPECT_TRUE(lines.contains("USER alice"));
    EXPECT_TRUE(lines.contains("SITE HELP"));
    EXPECT_EQ(lines.count("PASS xxxxxx"), 2);
    EXPECT_FALSE(log.contains("s3cret"));
    EXPECT_FALSE(log.contains("secret-in-lower-case"));
    EXPECT_TRUE(lines[lines.size() - 2].startsWith("*** Log Closed: 3/4/26")) << log.toStdString();
}

TEST(SessionFailures, RefusedPortGivesConnectionRefused)
{
    TFtp ftp;
    FtpRecorder rec(ftp);
    ftp.SetFtpServer("127.0.0.1");
    ftp.FtpPort = closedPort();
    ftp.ConnectSession();
    ASSERT_TRUE(rec.waitFor("FtpQuit"));
    EXPECT_TRUE(rec.has("error ConnectionRefused WSAECONNREFUSED")) << rec.events.join('\n').toStdString();
    EXPECT_LT(rec.indexOf("error ConnectionRefused WSAECONNREFUSED"), rec.indexOf("FtpQuit"));
}

TEST(SessionFailures, RefusedPortRetriesWhileAttemptsRemain)
{
    TFtp ftp;
    FtpRecorder rec(ftp);
    ftp.SetFtpServer("127.0.0.1");
    ftp.FtpPort = closedPort();
    ftp.Retry = 2;
    ftp.ConnectSession();
    ASSERT_TRUE(rec.waitFor("FtpQuit"));
    EXPECT_EQ(rec.infoCount(FtpInfo::RetryScheduled), 1);
    EXPECT_EQ(rec.infoCount(FtpInfo::ConnectAttempt), 2);
    EXPECT_TRUE(rec.hasError(FtpError::ConnectionRefused));
}

TEST(SessionFailures, UnknownHostGivesLookupError)
{
    struct Failing : HostResolver {
        QStringList names;
        int lookup(const QString& name, QObject* context, Callback cb) override
        {
            names << name;
            QTimer::singleShot(0, context, [cb] { cb(11001, 0); });
            return 1;
        }
        void abort(int) override {}
    } resolver;
    HostResolver::setInstance(&resolver);
    TFtp ftp;
    FtpRecorder rec(ftp);
    ftp.SetFtpServer("1nowhere.invalid");  // starts with a digit but holds letters: resolved
    ftp.ConnectSession();
    const bool quit = rec.waitFor("FtpQuit");
    HostResolver::setInstance(nullptr);
    ASSERT_TRUE(quit);
    EXPECT_EQ(resolver.names, QStringList{"1nowhere.invalid"});
    EXPECT_TRUE(rec.has("info Resolving 1nowhere.invalid"));
    EXPECT_TRUE(rec.has("error HostLookup WSAHOST_NOT_FOUND")) << rec.events.join('\n').toStdString();
}

TEST(SessionHelpers, NoProxyHostRules)
{
    TFtp ftp;
    ftp.NoProxyHost = QStringList{"exact.host", "*.intra.net", "10.1.*"};
    const struct {
        const char* host;
        bool match;
    } cases[] = {
        {"exact.host", true},      {"EXACT.HOST", false},  // case-sensitive
        {"a.intra.net", true},     {"x.intra.net.org", true},  // suffix anywhere in the host
        {"10.1.2.3", true},        {"10.10.2.3", false},
        {"other.net", false},
    };
    for (const auto& c : cases) {
        ftp.FirewallType = fwSocks;
        EXPECT_EQ(ftp.CheckNoProxyHost(c.host), c.match) << c.host;
        EXPECT_EQ(ftp.FirewallType, c.match ? fwNone : fwSocks) << c.host;
    }
}

TEST(SessionHelpers, NumericAddressAndServerText)
{
    EXPECT_TRUE(TFtp::IsNumericAddress("192.168.1.5"));
    EXPECT_TRUE(TFtp::IsNumericAddress(""));
    EXPECT_FALSE(TFtp::IsNumericAddress("1host.com"));
    TFtp ftp;
    ftp.SetFtpServer("10.0.0.1");
    EXPECT_EQ(ftp.AddressText, "10.0.0.1");
    EXPECT_EQ(ftp.HostName, "");
    ftp.SetFtpServer("ftp.example.org");
    EXPECT_EQ(ftp.AddressText, "");
    EXPECT_EQ(ftp.HostName, "ftp.example.org");
    EXPECT_EQ(TFtp::LoggedForm("PASS a"), "PASS xxxxxx");
    EXPECT_EQ(TFtp::LoggedForm("Pass a"), "PASS xxxxxx");
    EXPECT_EQ(TFtp::LoggedForm("PASV"), "PASV");
}

TEST_F(SessionTest, CloseDropsCompletionEventsAlreadyPosted)
{
    ASSERT_TRUE(login());
    server.act("DELE", [](ScriptedServer::Session& s, const QString&) { s.sendRaw("250 Deleted.\r\n200 Extra.\r\n"); });
    // The second line is handled after the first one's event was posted: closing there
    // must leave the owner without a late event.
    ftp.OnFtpInfo = [&, previous = ftp.OnFtpInfo](quint8 info, const QString& line) {
        previous(info, line);
        if (info == FtpInfo::ReplyLine && line == "200 Extra.")
            ftp.Close();
    };
    ftp.DeleteFile("gone.txt");
    ASSERT_TRUE(waitFor([&] { return rec.replies.contains("200 Extra."); }));
    testutil::spin(200);
    EXPECT_FALSE(rec.has("FileDeleted"));
    EXPECT_FALSE(rec.has("FtpQuit"));
}
