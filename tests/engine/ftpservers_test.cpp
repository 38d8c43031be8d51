// The session's commands against real servers: what the client asks must happen on disk.
#include "ftprecorder.h"
#include "realserver.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using testutil::waitFor;

class RealServerCommands : public ::testing::TestWithParam<ServerKind>
{
};

TEST_P(RealServerCommands, DirectoryFileAndModeCommandsTakeEffect)
{
    RealServer server;
    START_SERVER_OR_SKIP(server, GetParam());
    TFtp ftp;
    FtpRecorder rec(ftp);
    server.configure(ftp);
    ftp.ServerDetect = true;
    ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec)) << rec.events.join('\n').toStdString();
    EXPECT_EQ(ftp.ServerType, ftpstUNIX);  // both answer SYST with "UNIX Type: L8"
    const QString home = ftp.InitialDirectory;
    ASSERT_FALSE(home.isEmpty());

    ftp.MakeDirectory("sub dir");
    ASSERT_TRUE(rec.waitFor("DirectoryCreated"));
    EXPECT_TRUE(QFileInfo(server.path("sub dir")).isDir());

    ftp.ChangeDirectory("sub dir");
    ASSERT_TRUE(rec.waitFor("DirectoryChanged"));
    EXPECT_TRUE(ftp.InitialDirectory.endsWith("/sub dir")) << ftp.InitialDirectory.toStdString();
    ftp.ChangeDirectoryUp();
    ASSERT_TRUE(rec.waitFor("DirectoryChanged", 2));
    EXPECT_EQ(ftp.InitialDirectory, home);

    ASSERT_TRUE(server.putFile("old.txt", "payload"));
    ftp.RenameFile("old.txt", "new.txt");
    ASSERT_TRUE(rec.waitFor("FileRenamed"));
    EXPECT_TRUE(ftp.Success);
    EXPECT_TRUE(QFileInfo::exists(server.path("new.txt")));
    EXPECT_FALSE(QFileInfo::exists(server.path("old.txt")));

    ftp.ChangeMode("new.txt", "600");
    ASSERT_TRUE(rec.waitFor("FileCHMOD"));
    EXPECT_EQ(testutil::fileMode(server.path("new.txt")), 0600);
    EXPECT_TRUE(rec.replies.last().startsWith("200")) << rec.replies.last().toStdString();

    ftp.RenameFile("missing.txt", "x.txt");
    ASSERT_TRUE(rec.waitFor("FileRenamed", 2));
    EXPECT_FALSE(ftp.Success);

    ftp.DeleteFile("new.txt");
    ASSERT_TRUE(rec.waitFor("FileDeleted"));
    EXPECT_FALSE(QFileInfo::exists(server.path("new.txt")));

    ftp.RemoveDirectory("sub dir");
    ASSERT_TRUE(rec.waitFor("DirectoryDeleted"));
    EXPECT_FALSE(QFileInfo::exists(server.path("sub dir")));

    ftp.Quit();
    ASSERT_TRUE(rec.waitFor("FtpQuit"));
    EXPECT_FALSE(rec.hasError(FtpError::QuitRefused));
    EXPECT_FALSE(ftp.SessionConnected());
}

TEST_P(RealServerCommands, LoginWithInitialDirectoryAndAWrongPassword)
{
    RealServer server;
    START_SERVER_OR_SKIP(server, GetParam());
    QDir(server.root()).mkdir("start");
    {
        TFtp ftp;
        FtpRecorder rec(ftp);
        server.configure(ftp);
        ftp.InitialDirectory = "start";
        ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec)) << rec.events.join('\n').toStdString();
        EXPECT_TRUE(ftp.InitialDirectory.endsWith("/start")) << ftp.InitialDirectory.toStdString();
        EXPECT_FALSE(rec.hasInfo(FtpInfo::InitialDirectoryFailed));
    }
    {
        TFtp ftp;
        FtpRecorder rec(ftp);
        server.configure(ftp);
        ftp.InitialDirectory = "no-such-dir";
        ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec));
        EXPECT_TRUE(rec.hasInfo(FtpInfo::InitialDirectoryFailed));
        EXPECT_FALSE(ftp.InitialDirectory.contains("no-such-dir"));
    }
    {
        TFtp ftp;
        FtpRecorder rec(ftp);
        server.configure(ftp);
        ftp.UserPassword = "wrong";
        ftp.Retry = 2;
        ftp.ConnectSession();
        ASSERT_TRUE(waitFor([&] { return rec.hasInfo(FtpInfo::ConnectFailed); }, 20000)) << rec.events.join('\n').toStdString();
        EXPECT_EQ(rec.commands.count("QUIT"), 2);  // after each refusal
        EXPECT_EQ(rec.infoCount(FtpInfo::RetryScheduled), 1);
        EXPECT_FALSE(rec.has("LoggedIn"));
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerCommands, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         [](const auto& param) { return std::string(serverKindName(param.param)); });
