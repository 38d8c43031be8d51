// Login: the reply sequence, server-type detection, the resume probe and the firewall routes
// (SOCKS 4 through dante, SITE and USER@host through the relay of tests/support).
#include "ftprecorder.h"
#include "realserver.h"
#include "scriptedserver.h"
#include "testutil.h"

#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

class LoginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.useStandardReplies();
        ftp.SetFtpServer("127.0.0.1");
        ftp.FtpPort = server.port();
        ftp.UserName = "bob";
        ftp.UserPassword = "pw";
        ftp.UserAccount = "acct7";
    }
    bool login() { return FtpRecorder::connectAndLogin(ftp, rec); }
    std::string dump() const { return rec.events.join('\n').toStdString(); }

    ScriptedServer server;
    TFtp ftp;
    FtpRecorder rec{ftp};
};

}  // namespace

TEST(ServerDetection, SystemTextsGiveTheirTypes)
{
    const struct {
        const char* text;
        TFTPServerType type;
    } cases[] = {
        {"UNIX TYPE: L8", ftpstUNIX},
        {"UNIX TYPE: L8 VERSION: REDHAT LINUX", ftpstRedhat},
        {"WINDOWS_NT VERSION 4.0", ftpstWinNT},
        {"MACOS PETER'S SERVER", ftpstMacOS},
        {"UNIX EMULATED BY SOFTWARE", ftpstWarFTPD},  // "WAR" inside "SOFTWARE"
        {"VMS MULTINET V4.3", ftpstVmsMultinet},
        {"VMS V5.5", ftpstVmsUcx},
        {"VM/ESA VERSION 2", ftpstVM},
        {"VM/VPS", ftpstVMVPS},
        {"VMS VPS", ftpstVmsUcx},  // "VMS" wins over the VM rules
        {"MVS IS THE OPERATING SYSTEM", ftpstMVS},
        {"NETWARE", ftpstWarFTPD},
        {"CHAMELEON NCSA", ftpstChameleon},
        {"SOMETHING ELSE", ftpstDefault},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TFtp::DetectServerType(c.text), c.type) << c.text;
}

TEST_F(LoginTest, DetectionFollowsTheSystemReplyAndTheSwitch)
{
    server.reply("SYST", {"215 UNIX Type: L8 Version: RedHat"});
    ftp.ServerDetect = true;
    ASSERT_TRUE(login()) << dump();
    EXPECT_EQ(ftp.ServerType, ftpstRedhat);
    EXPECT_EQ(ftp.SystemText(), "UNIX TYPE: L8 VERSION: REDHAT");
    EXPECT_TRUE(rec.has("info SystemReply"));
    EXPECT_LT(rec.indexOf("info SystemReply"), rec.indexOf("info LoggedIn Logged in"));
}

TEST_F(LoginTest, DetectionOffKeepsTheOwnersTypeButANegativeReplyResetsIt)
{
    ftp.ServerDetect = false;
    ftp.ServerType = ftpstVM;
    ASSERT_TRUE(login());
    EXPECT_EQ(ftp.ServerType, ftpstVM);

    TFtp other;
    FtpRecorder otherRec(other);
    other.SetFtpServer("127.0.0.1");
    other.FtpPort = server.port();
    other.ServerType = ftpstVM;
    server.reply("SYST", {"500 SYST not understood."});
    ASSERT_TRUE(FtpRecorder::connectAndLogin(other, otherRec));
    EXPECT_EQ(other.ServerType, ftpstDefault);
}

TEST_F(LoginTest, UserAnsweredWith230SkipsThePassword)
{
    server.reply("USER", {"230 No password needed."});
    ASSERT_TRUE(login()) << dump();
    EXPECT_FALSE(rec.commands.contains("PASS xxxxxx"));
    EXPECT_EQ(rec.commands.mid(0, 2), (QStringList{"USER bob", "SYST"}));
    EXPECT_TRUE(ftp.LoggedIn());  // a later server close must still be reported
}

TEST_F(LoginTest, PasswordAnsweredWith332SendsTheAccount)
{
    server.reply("PASS", {"332 Need account for login."});
    server.reply("ACCT", {"230 Account ok."});
    ASSERT_TRUE(login()) << dump();
    EXPECT_EQ(rec.commands.mid(0, 4), (QStringList{"USER bob", "PASS xxxxxx", "ACCT acct7", "SYST"}));
    EXPECT_TRUE(ftp.LoggedIn());  // completed by the 230 to ACCT: a later server close must be reported
}

TEST_F(LoginTest, RefusedAccountEndsTheAttemptWithQuit)
{
    server.reply("PASS", {"332 Need account for login."});
    server.reply("ACCT", {"530 Bad account."});
    ftp.ConnectSession();
    ASSERT_TRUE(waitFor([&] { return rec.hasInfo(FtpInfo::ConnectFailed); })) << dump();
    EXPECT_EQ(rec.commands.last(), "QUIT");
}

TEST_F(LoginTest, WrongPasswordRetriesWithQuitAfterEachRefusal)
{
    server.reply("PASS", {"530-Login incorrect.", "530 Really."});  // a multi-line negative reply
    ftp.Retry = 2;
    ftp.ConnectSession();
    ASSERT_TRUE(waitFor([&] { return rec.hasInfo(FtpInfo::ConnectFailed); })) << dump();
    EXPECT_EQ(server.connectionCount(), 2);
    EXPECT_EQ(rec.commands.count("QUIT"), 2);
    EXPECT_EQ(rec.commands.count("PASS xxxxxx"), 2);
    EXPECT_EQ(rec.infoCount(FtpInfo::RetryScheduled), 1);
}

TEST_F(LoginTest, ResumeProbeAnswers)
{
    const struct {
        const char* reply;
        bool resumes;
    } cases[] = {
        {"350 Restarting at 100.", true},
        {"504 Command not implemented for that parameter.", true},
        {"500 REST not understood.", false},
        {"502 Command not implemented.", false},
    };
    for (const auto& c : cases) {
        ScriptedServer s;
        s.useStandardReplies();
        s.reply("REST 100", {c.reply});
        TFtp f;
        FtpRecorder r(f);
        f.SetFtpServer("127.0.0.1");
        f.FtpPort = s.port();
        ASSERT_TRUE(FtpRecorder::connectAndLogin(f, r)) << c.reply;
        EXPECT_EQ(r.hasInfo(FtpInfo::ResumeSupported), c.resumes) << c.reply;
        EXPECT_EQ(r.commands.contains("REST 0"), c.resumes) << c.reply;
    }
}

TEST_F(LoginTest, MissingInitialDirectoryStillLogsIn)
{
    server.reply("CWD", {"550 No such directory."});
    server.reply("PWD", {"257 \"/home/bob\" is current."});
    ftp.InitialDirectory = "/gone";
    ASSERT_TRUE(login()) << dump();
    EXPECT_TRUE(rec.has("info InitialDirectoryFailed"));
    EXPECT_EQ(ftp.InitialDirectory, "/home/bob");
    EXPECT_EQ(rec.infoCount(FtpInfo::LoggedIn), 2);  // after SYST and again after the CWD
    EXPECT_EQ(rec.count("LoggedIn"), 1);
}

TEST_F(LoginTest, UserAtHostRouteNamesTheServerAndItsPort)
{
    ftp.FirewallType = fwUserHost;
    ftp.SocksHost = "ftp.inside";
    ftp.SocksPort = 21;
    ASSERT_TRUE(login());
    EXPECT_EQ(rec.commands.first(), "USER bob@ftp.inside");

    TFtp other;
    FtpRecorder otherRec(other);
    other.SetFtpServer("127.0.0.1");
    other.FtpPort = server.port();
    other.UserName = "bob";
    other.FirewallType = fwUserHost;
    other.SocksHost = "ftp.inside";
    other.SocksPort = 2121;
    ASSERT_TRUE(FtpRecorder::connectAndLogin(other, otherRec));
    EXPECT_EQ(otherRec.commands.first(), "USER bob@ftp.inside:2121");
}

TEST_F(LoginTest, SiteRouteLogsIntoTheFirewallFirstWithAMaskedPassword)
{
    ftp.FirewallType = fwSite;
    ftp.ProxyUser = "fw";
    ftp.ProxyPass = "fwsecret";
    ftp.SocksHost = "ftp.inside";
    ftp.SocksPort = 21;
    server.reply("SITE", {"220 Connected to ftp.inside."});
    ASSERT_TRUE(login()) << dump();
    EXPECT_EQ(rec.commands.mid(0, 5),
              (QStringList{"USER fw", "PASS xxxxxx", "SITE ftp.inside", "USER bob", "PASS xxxxxx"}));
    EXPECT_FALSE(rec.events.join('\n').contains("fwsecret"));
}

// --- Real firewall routes ------------------------------------------------------------------

class FirewallRoutes : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!server.start(ServerKind::Pyftpdlib))
            FAIL() << server.error.toStdString();
    }
    void expectLoggedInOnce(TFtp& ftp, FtpRecorder& rec)
    {
        ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec, 15000)) << rec.events.join('\n').toStdString();
        testutil::spin(100);
        EXPECT_EQ(rec.count("LoggedIn"), 1);
        EXPECT_EQ(ftp.InitialDirectory, "/");
    }
    RealServer server;
};

TEST_F(FirewallRoutes, SiteFirewall)
{
    FtpFirewall firewall;
    ASSERT_TRUE(firewall.start(FtpFirewall::Mode::Site, "fwuser", "fwpass")) << firewall.error().toStdString();
    TFtp ftp;
    FtpRecorder rec(ftp);
    server.configure(ftp);
    ftp.FirewallType = fwSite;
    ftp.FtpPort = firewall.port();
    ftp.ProxyUser = "fwuser";
    ftp.ProxyPass = "fwpass";
    ftp.SocksHost = "127.0.0.1";
    ftp.SocksPort = server.port();
    expectLoggedInOnce(ftp, rec);
    EXPECT_TRUE(rec.commands.contains(QStringLiteral("SITE 127.0.0.1:%1").arg(server.port())));
}

TEST_F(FirewallRoutes, UserAtHostFirewall)
{
    FtpFirewall firewall;
    ASSERT_TRUE(firewall.start(FtpFirewall::Mode::UserHost)) << firewall.error().toStdString();
    TFtp ftp;
    FtpRecorder rec(ftp);
    server.configure(ftp);
    ftp.FirewallType = fwUserHost;
    ftp.FtpPort = firewall.port();
    ftp.SocksHost = "127.0.0.1";
    ftp.SocksPort = server.port();
    expectLoggedInOnce(ftp, rec);
}

TEST_F(FirewallRoutes, SocksWithNumericAndNamedServer)
{
    DanteServer dante;
    if (!dante.start()) {
        if (!DanteServer::unavailableReason().isEmpty())
            GTEST_SKIP() << DanteServer::unavailableReason().toStdString();
        FAIL() << dante.error().toStdString();
    }
    for (const char* host : {"127.0.0.1", "localhost"}) {
        TFtp ftp;
        FtpRecorder rec(ftp);
        server.configure(ftp);
        ftp.FirewallType = fwSocks;
        ftp.FtpPort = dante.port();
        ftp.SocksHost = host;
        ftp.SocksPort = server.port();
        ftp.UsePasv = false;
        expectLoggedInOnce(ftp, rec);
        EXPECT_TRUE(ftp.UsePasv) << host;  // forced through SOCKS
    }
}

TEST_F(FirewallRoutes, SocksRefusalEndsTheAttemptWithAReason)
{
    DanteServer dante;
    if (!dante.start()) {
        if (!DanteServer::unavailableReason().isEmpty())
            GTEST_SKIP() << DanteServer::unavailableReason().toStdString();
        FAIL() << dante.error().toStdString();
    }
    quint16 closed;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closed = probe.serverPort();
    }
    TFtp ftp;
    FtpRecorder rec(ftp);
    server.configure(ftp);
    ftp.FirewallType = fwSocks;
    ftp.FtpPort = dante.port();
    ftp.SocksHost = "127.0.0.1";
    ftp.SocksPort = closed;
    ftp.Retry = 2;
    ftp.ConnectSession();
    ASSERT_TRUE(waitFor([&] { return rec.hasInfo(FtpInfo::ConnectFailed); }, 15000)) << rec.events.join('\n').toStdString();
    EXPECT_EQ(rec.infoCount(FtpInfo::RetryScheduled), 1);
    EXPECT_TRUE(rec.events.join('\n').contains("SOCKS proxy refused the connection (status 91)"))
        << rec.events.join('\n').toStdString();
}

TEST(SocksRequest, NineBytesForTheTarget)
{
    const QByteArray request = TFtp::SocksRequest("192.168.1.5", 2121);
    EXPECT_EQ(request, QByteArray::fromHex("04010849c0a8010500"));
}
