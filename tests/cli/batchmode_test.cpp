// orvoftp --batch: scripts run without a window against real servers; the exit code says how
// they went, stdout carries the log (passwords masked) and the replies.
#include "scriptedserver.h"
#include "serverprocess.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

class BatchModeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(root.isValid());
    }

    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };

    // Runs the script; the test's own event loop keeps serving the scripted server meanwhile.
    Run run(const QString& script, const QStringList& options = {})
    {
        const QString file = home.filePath("script.txt");
        testutil::writeFile(file, script.toUtf8());
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ORVOFTP_HOME", home.path());
        env.insert("HOME", home.path());  // no ~/.netrc of the machine's user
        env.insert("XDG_DATA_HOME", home.filePath(".local/share"));  // the Trash of the test
        env.remove("DBUS_SESSION_BUS_ADDRESS");  // cron has none either
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(root.path());
        process.start(QStringLiteral(ORVO_PROGRAM), QStringList{"--batch"} + options + QStringList{file});
        Run result;
        if (!waitFor([&] { return process.state() == QProcess::NotRunning; }, 60000)) {
            process.kill();
            process.waitForFinished();
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    QTemporaryDir home;
    QTemporaryDir root;
};

}  // namespace

// The exit codes: 0 all went well, 1 the script cannot run, 2 connecting failed, 3 an
// operation failed, 4 anything else; the first failure ends the run unless --keep-going.
TEST_F(BatchModeTest, ExitCodesSayHowTheRunWent)
{
    ScriptedServer scripted;
    scripted.useStandardReplies();
    scripted.reply("CWD", {"550 No such directory."});
    scripted.reply("SITE", {"500 Unknown SITE command."});
    const QString server = "CONNECT:127.0.0.1:user:secret:" + QString::number(scripted.port());
    const struct {
        const char* what;
        QString script;
        QStringList options;
        int code;
        QString stdoutHas;
        QString stdoutLacks;
    } cases[] = {
        {"nothing to do", "STATUS\n", {}, 0, "OrvoFTP: Not connected", {}},
        {"a line that does not compile", "STATUS\nFOO\n", {}, 1, {}, "OrvoFTP: Not connected"},
        {"a closed port", "CONNECT:127.0.0.1:" + QString::number(ServerProcess::freePort()) + "\nSTATUS\n", {}, 2,
         "ERROR: Connection Refused", "OrvoFTP: Not connected"},
        {"a refused raw command", server + "\nRAW:SITE WHO\nSTATUS\n", {}, 4, "500 Unknown SITE command.", "OrvoFTP: Idle"},
        {"a refused directory change", server + "\nCD-R:/missing\nSTATUS\n", {}, 3, "550 No such directory.",
         "OrvoFTP: Idle"},
        {"--keep-going runs on and keeps the first code", server + "\nCD-R:/missing\nRAW:SITE WHO\nSTATUS\n",
         {"--keep-going"}, 3, "OrvoFTP: Idle", {}},
    };
    for (const auto& c : cases) {
        const Run r = run(c.script, c.options);
        EXPECT_EQ(r.exitCode, c.code) << c.what << "\n" << r.out.toStdString() << r.err.toStdString();
        if (!c.stdoutHas.isEmpty()) {
            EXPECT_TRUE(r.out.contains(c.stdoutHas)) << c.what << "\n" << r.out.toStdString();
        }
        if (!c.stdoutLacks.isEmpty()) {
            EXPECT_FALSE(r.out.contains(c.stdoutLacks)) << c.what << "\n" << r.out.toStdString();
        }
        EXPECT_FALSE(r.out.contains("secret")) << c.what;  // passwords are masked
    }
    // A script still connected at its end says goodbye.
    EXPECT_TRUE(scripted.received().contains("QUIT"));
}

TEST_F(BatchModeTest, AMissingScriptOrBadArgumentsExitWithOne)
{
    QProcess process;
    process.start(QStringLiteral(ORVO_PROGRAM), {"--batch", home.filePath("missing.txt")});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 1);
    process.start(QStringLiteral(ORVO_PROGRAM), {"--batch", "--no-such-option", "x"});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(process.readAllStandardError().contains("Usage: orvoftp --batch"));
}

// File operations on both sides, as a script names them; local deletes go to the Trash.
TEST_F(BatchModeTest, FileOperationsOnBothSides)
{
    QTemporaryDir serverRoot;
    QDir(serverRoot.path()).mkpath("pub/old");
    testutil::writeFile(serverRoot.filePath("pub/a.txt"), "a");
    testutil::writeFile(serverRoot.filePath("pub/old/x.log"), "x");
    testutil::writeFile(root.filePath("local.txt"), "l");
    testutil::writeFile(root.filePath("gone.tmp"), "g");
    PyFtpServer server;
    PyFtpOptions options;
    options.users << "tester:pw-Tester9:" + serverRoot.path();
    options.commandLog = home.filePath("commands.log");
    ASSERT_TRUE(server.start(options)) << server.error().toStdString();
    const Run r = run("CONNECT:127.0.0.1:tester:pw-Tester9:" + QString::number(server.port()) + "\n"
                      "CD-R:/pub\n"
                      "MD-R:fresh\n"
                      "RENAME-R:a.txt:b.txt\n"
                      "DEL-R:old\n"
                      "RD-R:fresh\n"
                      "MD-L:made/deeper\n"
                      "RENAME-L:local.txt:renamed.txt\n"
                      "DEL-L:*.tmp\n"
                      "DISCONNECT\n");
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(serverRoot.filePath("pub/b.txt")));
    EXPECT_FALSE(QFile::exists(serverRoot.filePath("pub/a.txt")));
    EXPECT_FALSE(QFileInfo::exists(serverRoot.filePath("pub/old")));
    EXPECT_FALSE(QFileInfo::exists(serverRoot.filePath("pub/fresh")));
    EXPECT_TRUE(QFileInfo(root.filePath("made/deeper")).isDir());
    EXPECT_TRUE(QFile::exists(root.filePath("renamed.txt")));
    EXPECT_FALSE(QFile::exists(root.filePath("gone.tmp")));
    EXPECT_TRUE(QFile::exists(home.filePath(".local/share/Trash/files/gone.tmp")));

    // A refused operation ends the run with 3.
    const Run refused = run("CONNECT:127.0.0.1:tester:pw-Tester9:" + QString::number(server.port()) + "\n"
                            "RD-R:/no/such/dir\nSTATUS\n");
    EXPECT_EQ(refused.exitCode, 3) << refused.out.toStdString();
    EXPECT_FALSE(refused.out.contains("OrvoFTP: Idle"));
}

// A script's transfers: one RETR per file, identical bytes, each line after its batch; the
// replies of STATUS come once, after the operation before them.
TEST_F(BatchModeTest, TransfersRunOneBatchPerLine)
{
    QTemporaryDir serverRoot;
    QDir(serverRoot.path()).mkpath("pub");
    ASSERT_TRUE(testutil::writePatternFile(serverRoot.filePath("pub/big.bin"), 3 * 1024 * 1024 + 17));
    testutil::writeFile(serverRoot.filePath("pub/a.log"), "first log\n");
    testutil::writeFile(serverRoot.filePath("pub/b.log"), "second log\n");
    testutil::writeFile(root.filePath("up.txt"), "uploaded\n");
    PyFtpServer server;
    PyFtpOptions options;
    options.users << "tester:pw-Tester9:" + serverRoot.path();
    options.commandLog = home.filePath("commands.log");
    ASSERT_TRUE(server.start(options)) << server.error().toStdString();
    const Run r = run("CONNECT:127.0.0.1:tester:pw-Tester9:" + QString::number(server.port()) + "\n"
                      "CD-R:/pub\n"
                      "GET:big.bin\n"
                      "STATUS\n"
                      "GET:*.log\n"
                      "STATUS\n"
                      "PUT:up.txt\n"
                      "RENAME-R:up.txt:done.txt\n"
                      "GET:*.none\n"
                      "DIR-R\n"
                      "DISCONNECT\n");
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(testutil::sha256OfFile(root.filePath("big.bin")), testutil::sha256OfFile(serverRoot.filePath("pub/big.bin")));
    EXPECT_EQ(testutil::readFile(root.filePath("a.log")), "first log\n");
    EXPECT_EQ(testutil::readFile(root.filePath("b.log")), "second log\n");
    EXPECT_EQ(testutil::readFile(serverRoot.filePath("pub/done.txt")), "uploaded\n");
    EXPECT_TRUE(r.out.contains("No files found matching: *.none"));
    // Each STATUS answered once, with the session idle again after its transfer.
    EXPECT_EQ(r.out.count("OrvoFTP: Idle"), 2) << r.out.toStdString();
    const QByteArray log = testutil::readFile(options.commandLog);
    EXPECT_EQ(log.count("RETR big.bin"), 1);
    EXPECT_EQ(log.count("RETR a.log"), 1);
    EXPECT_EQ(log.count("RETR b.log"), 1);
    EXPECT_EQ(log.count("STOR up.txt"), 1);
}

// Names from a hostile listing never lead a GET:* outside the local directory.
TEST_F(BatchModeTest, AHostileListingWritesNothingOutsideTheLocalDirectory)
{
    ScriptedServer scripted;
    scripted.useStandardReplies();
    const QStringList listing{"-rw-r--r-- 1 u g 3 Jan 5 12:00 ../evil", "-rw-r--r-- 1 u g 3 Jan 5 12:00 sub/evil",
                              "-rw-r--r-- 1 u g 3 Jan 5 12:00 ok"};
    scripted.act("PASV", [&](ScriptedServer::Session& session, const QString&) { session.send({scripted.pasvReply()}); });
    QTcpSocket* data = nullptr;
    scripted.onData = [&](QTcpSocket* socket) { data = socket; };
    scripted.act("LIST", [&](ScriptedServer::Session& session, const QString&) {
        session.send({"150 Here comes the directory listing."});
        waitFor([&] { return data != nullptr; });
        data->write((listing.join("\r\n") + "\r\n").toUtf8());
        data->disconnectFromHost();
        data = nullptr;
        session.send({"226 Directory send OK."});
    });
    scripted.act("RETR", [&](ScriptedServer::Session& session, const QString&) {
        session.send({"150 Opening."});
        waitFor([&] { return data != nullptr; });
        data->write("abc");
        data->disconnectFromHost();
        data = nullptr;
        session.send({"226 Done."});
    });
    QDir(root.path()).mkpath("inside");
    const Run r = run("CD-L:inside\nCONNECT:127.0.0.1:" + QString::number(scripted.port()) + "\nGET:*evil*\nGET:*\n");
    EXPECT_FALSE(QFile::exists(root.filePath("evil")));
    EXPECT_FALSE(QFileInfo::exists(root.filePath("inside/sub")));
    EXPECT_EQ(testutil::readFile(root.filePath("inside/ok")), "abc");
    EXPECT_EQ(scripted.received().filter("RETR").size(), 1) << scripted.received().join('\n').toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
}
