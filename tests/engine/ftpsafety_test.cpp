// What the engine must never do, against the scripted server: send a command smuggled in
// with a line break, report a refusal as success, act twice on one reply, connect for a
// look-up its owner has given up, or wrap a retry delay.
#include "engine/ftp.h"
#include "engine/hostresolver.h"
#include "ftprecorder.h"
#include "scriptedserver.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

class Safety : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.useStandardReplies();
        server.reply("DELE", {"250 Deleted."});
        server.reply("MKD", {"257 \"/x\" created."});
        server.reply("RMD", {"250 Removed."});
        server.reply("RNFR", {"350 Ready."});
        server.reply("RNTO", {"250 Renamed."});
        ftp.SetFtpServer("127.0.0.1");
        ftp.FtpPort = server.port();
        ftp.UsePasv = true;
    }
    bool login() { return FtpRecorder::connectAndLogin(ftp, rec); }
    std::string dump() const { return rec.events.join('\n').toStdString(); }

    ScriptedServer server;
    QTemporaryDir scratch;
    TFtp ftp;
    FtpRecorder rec{ftp};
};

}  // namespace

TEST_F(Safety, TextsWithLineBreaksOrNulAreNeverSent)
{
    ASSERT_TRUE(login());
    const QString local = scratch.filePath("keep.txt");
    const struct {
        const char* what;
        std::function<void()> start;
        const char* event;  // nullptr: the operation has no completion event
    } cases[] = {
        {"Download", [&] { ftp.RemoteFile = "a\r\nDELE x"; ftp.LocalFile = local; ftp.Download(false); }, "FileReceived"},
        {"Upload", [&] { ftp.RemoteFile = "u\nDELE x"; ftp.LocalFile = local; ftp.Upload(); }, "FileStored"},
        {"ChangeDirectory", [&] { ftp.ChangeDirectory("d\r\nDELE x"); }, "DirectoryChanged"},
        {"MakeDirectory", [&] { ftp.MakeDirectory("m\nDELE x"); }, "DirectoryCreated"},
        {"RemoveDirectory", [&] { ftp.RemoveDirectory("r\rDELE x"); }, "DirectoryDeleted"},
        {"DeleteFile", [&] { ftp.DeleteFile(QString("f") + QChar(0) + "DELE x"); }, "FileDeleted"},
        {"RenameFile", [&] { ftp.RenameFile("a", "b\r\nDELE x"); }, "FileRenamed"},
        {"SendRaw", [&] { ftp.SendRaw("NOOP\r\nDELE x"); }, nullptr},
        {"ChangeMode", [&] { ftp.ChangeMode("f\nDELE x", "644"); }, nullptr},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(testutil::writeFile(local, "local data"));
        rec.clear();
        const int received = int(server.received().size());
        c.start();
        if (c.event) {
            ASSERT_TRUE(rec.waitFor(c.event)) << c.what << "\n" << dump();
            EXPECT_FALSE(ftp.Success) << c.what;
        }
        EXPECT_TRUE(rec.hasError(FtpError::CommandRefused)) << c.what << "\n" << dump();
        testutil::spin(100);
        EXPECT_EQ(server.received().size(), received) << c.what << ": " << server.received().join('|').toStdString();
        EXPECT_FALSE(ftp.Busy()) << c.what;
        EXPECT_EQ(testutil::readFile(local), "local data") << c.what;  // not truncated either
        if (QByteArray(c.what) == "Download") {
            EXPECT_TRUE(rec.has("error CommandRefused a\\r\\nDELE x")) << dump();  // shown, not obeyed
        }
    }
    ftp.SendRaw("NOOP");
    ASSERT_TRUE(rec.waitFor("RawCommand"));
    EXPECT_FALSE(server.received().join('|').contains("DELE"));
}

TEST_F(Safety, LoginTextsWithLineBreaksDoNotConnect)
{
    ftp.UserName = "bob";
    ftp.UserPassword = "pw\r\nSITE EXEC evil";
    ftp.ConnectSession();
    EXPECT_TRUE(rec.has("error CommandRefused UserPassword")) << dump();  // the field, never the password
    EXPECT_TRUE(rec.hasInfo(FtpInfo::ConnectFailed));
    testutil::spin(100);
    EXPECT_EQ(server.connectionCount(), 0);
    EXPECT_FALSE(rec.events.join('\n').contains("evil"));
}

TEST_F(Safety, RefusalsAreReportedAsFailures)
{
    // Before logging in: an upload while not connected stored nothing.
    ftp.Upload();
    ASSERT_TRUE(rec.waitFor("FileStored"));
    EXPECT_FALSE(ftp.Success);

    ASSERT_TRUE(login());
    server.replyOnce("DELE", {"550 No such file."});
    ftp.DeleteFile("missing");
    ASSERT_TRUE(rec.waitFor("FileDeleted"));
    EXPECT_FALSE(ftp.Success);

    // A refused CWD still reads where we are, and says it failed.
    server.replyOnce("CWD", {"550 No such directory."});
    server.replyOnce("PWD", {"257 \"/home\" is current."});
    ftp.ChangeDirectory("/gone");
    ASSERT_TRUE(rec.waitFor("DirectoryChanged"));
    EXPECT_FALSE(ftp.Success);
    EXPECT_EQ(ftp.InitialDirectory, "/home");
    EXPECT_EQ(rec.commands.mid(rec.commands.size() - 2), (QStringList{"CWD /gone", "PWD"}));

    ftp.ChangeDirectory("/pub");
    ASSERT_TRUE(rec.waitFor("DirectoryChanged", 2));
    EXPECT_TRUE(ftp.Success);
    ftp.DeleteFile("there");
    ASSERT_TRUE(rec.waitFor("FileDeleted", 2));
    EXPECT_TRUE(ftp.Success);
}

TEST_F(Safety, MultilineIntermediateReplyIsActedOnOnce)
{
    server.reply("USER", {"331-Password required", "331 for bob."});
    ftp.UserName = "bob";
    ASSERT_TRUE(login()) << dump();
    EXPECT_EQ(rec.commands.count("PASS xxxxxx"), 1);
    EXPECT_FALSE(rec.commands.contains("ACCT "));
    EXPECT_EQ(rec.commands.mid(0, 3), (QStringList{"USER bob", "PASS xxxxxx", "SYST"}));
}

TEST_F(Safety, AbortWithNothingToAbortSendsNothing)
{
    ASSERT_TRUE(login());
    ftp.AbortWithSynch();
    ftp.Abort();
    ftp.SendRaw("NOOP");
    ASSERT_TRUE(rec.waitFor("RawCommand"));
    EXPECT_FALSE(rec.commands.contains("ABOR"));
    EXPECT_EQ(rec.replies.last(), "200 NOOP ok.");
}

TEST_F(Safety, LookupAnswerAfterCloseIsIgnored)
{
    struct LateResolver : HostResolver {
        int lookup(const QString&, QObject* context, Callback cb) override
        {
            QTimer::singleShot(100, context, [cb] { cb(0, 0x7F000001); });  // whatever abort said
            return 1;
        }
        void abort(int) override {}
    } resolver;
    HostResolver::setInstance(&resolver);
    ftp.SetFtpServer("ftp.example.test");
    ftp.ConnectSession();
    ftp.Close();
    testutil::spin(400);
    ftp.ClearLookupHandle();  // our handle means nothing to the system resolver
    HostResolver::setInstance(nullptr);
    EXPECT_FALSE(rec.hasInfo(FtpInfo::Resolved)) << dump();
    EXPECT_FALSE(rec.hasInfo(FtpInfo::ConnectAttempt)) << dump();
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(Safety, RetryDelaysDoNotWrap)
{
    const struct {
        int delay;
        int connectionsWithinASecond;
    } cases[] = {
        {4294968, 1},  // x 1000 wraps to 704 ms in 32 bits: no retry for 49 days instead
        {-5, 2},       // a negative delay retries at once rather than never
    };
    for (const auto& c : cases) {
        ScriptedServer s;
        s.setGreeting({"421 Busy, try later."});
        TFtp f;
        FtpRecorder r(f);
        f.SetFtpServer("127.0.0.1");
        f.FtpPort = s.port();
        f.Retry = 2;
        f.RetryDelay = c.delay;
        f.ConnectSession();
        testutil::spin(1200);
        EXPECT_EQ(s.connectionCount(), c.connectionsWithinASecond) << c.delay;
        EXPECT_EQ(f.RetryScheduled(), c.connectionsWithinASecond == 1) << c.delay;
        f.Close();
    }
}
