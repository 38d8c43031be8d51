// The window program started from a shell with the keyword and script forms: what reaches a
// real server, what arrives on disk, and how the process ends by itself with QUIT.
#include "serverprocess.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

class CommandLineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(launch.isValid());
        ASSERT_TRUE(serverRoot.isValid());
        QDir(serverRoot.path()).mkpath("pub");
        ASSERT_TRUE(testutil::writePatternFile(serverRoot.filePath("pub/a.txt"), 300000));
        ASSERT_TRUE(testutil::writePatternFile(serverRoot.filePath("pub/b.bin"), 70000, 2));
        ASSERT_TRUE(testutil::writeFile(serverRoot.filePath("pub/orvoftp.exe"), "MZ"));
        downloads = home.filePath("downloads");
        QDir().mkpath(downloads);
        // Downloads go to the start folder; a refused login is tried twice, not ten times.
        testutil::writeFile(home.filePath("orvoftp.ini"), ("[Setup]\nPath=" + downloads + "\nRetry=2\nRetryDelay=0\n").toUtf8());
    }

    bool startServer(PyFtpServer& ftpd, const QString& commandLog = {})
    {
        PyFtpOptions options;
        options.users << "tester:pw-Tester9:" + serverRoot.path();
        options.commandLog = commandLog;
        if (ftpd.start(options))
            return true;
        ADD_FAILURE() << ftpd.error().toStdString();
        return false;
    }

    QStringList login(const PyFtpServer& ftpd) const
    {
        return {"HOST=127.0.0.1", "PORT=" + QString::number(ftpd.port()), "USER=tester", "PASS=pw-Tester9"};
    }

    struct Run {
        int exitCode = -1;  // -1: it did not end by itself (or crashed)
        QString err;
    };

    // The window program, offscreen, in a home of its own, started from `launch`.
    void start(QProcess& process, const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ORVOFTP_HOME", home.path());
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("DBUS_SESSION_BUS_ADDRESS");  // the user's own bus name stays untouched
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(launch.path());
        process.start(QStringLiteral(ORVO_PROGRAM), arguments);
    }
    Run run(const QStringList& arguments, int timeoutMs = 60000)
    {
        QProcess process;
        start(process, arguments);
        Run result;
        if (!waitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
            process.kill();
            process.waitForFinished();
            result.err = "(killed: it did not end by itself)\n";
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.err += QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    QTemporaryDir home;
    QTemporaryDir launch;
    QTemporaryDir serverRoot;
    QString downloads;
};

// Both files exist and hold the same bytes.
testing::AssertionResult sameFile(const QString& got, const QString& original)
{
    if (!QFile::exists(got))
        return testing::AssertionFailure() << got.toStdString() << " is missing";
    if (testutil::sha256OfFile(got) != testutil::sha256OfFile(original))
        return testing::AssertionFailure() << got.toStdString() << " differs from " << original.toStdString();
    return testing::AssertionSuccess();
}

}  // namespace

// HOST, PORT, USER, PASS, GET and QUIT: the file arrives in the start folder byte for byte
// and the program closes by itself with 0. Keywords in any case; a bare HOST is ignored;
// "orvoftp.exe" in a value is a file like any other.
TEST_F(CommandLineTest, GetWithQuitFetchesTheFileAndEndsWithZero)
{
    PyFtpServer ftpd;
    ASSERT_TRUE(startServer(ftpd));
    const Run first = run(login(ftpd) + QStringList{"GET=/pub/a.txt", "QUIT=1"});
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(sameFile(QDir(downloads).filePath("a.txt"), serverRoot.filePath("pub/a.txt")));

    const Run second = run({"host=127.0.0.1", "HOST", "port=" + QString::number(ftpd.port()), "user=tester",
                            "Pass=pw-Tester9", "get=/pub/orvoftp.exe", "GET=/pub/b.bin|" + launch.filePath("here"),
                            "quit=yes"});
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(testutil::readFile(QDir(downloads).filePath("orvoftp.exe")), "MZ");
    EXPECT_TRUE(sameFile(launch.filePath("here/b.bin"), serverRoot.filePath("pub/b.bin")));
}

// With QUIT the exit status says how it went: 3 when a transfer failed (or could not be
// queued), 2 when connecting or logging in failed after the retries, 0 when there was
// nothing to do. Either way the program ends by itself.
TEST_F(CommandLineTest, QuitEndsWithTheBatchModeCodes)
{
    PyFtpServer ftpd;
    ASSERT_TRUE(startServer(ftpd));
    const QString port = QString::number(ftpd.port());
    const struct {
        const char* what;
        QStringList arguments;
        int code;
    } cases[] = {
        {"a file the server does not have", login(ftpd) + QStringList{"GET=/pub/missing.txt", "GET=/pub/a.txt", "QUIT=1"}, 3},
        {"a refused connection", {"HOST=127.0.0.1", "PORT=" + QString::number(ServerProcess::freePort()), "GET=/pub/a.txt", "QUIT=1"}, 2},
        {"a refused login", {"HOST=127.0.0.1", "PORT=" + port, "USER=tester", "PASS=wrong", "GET=/pub/a.txt", "QUIT=1"}, 2},
        {"an unknown host", {"HOST=no-such-host.invalid", "GET=/pub/a.txt", "QUIT=1"}, 2},
        // Nothing to transfer: the run is over once logged in.
        {"nothing queued", login(ftpd) + QStringList{"QUIT=1"}, 0},
        // What could not be queued counts as failed, not as done.
        {"a GET that names no file", login(ftpd) + QStringList{"GET=/pub/", "GET=/pub/a.txt", "QUIT=1"}, 3},
        {"a queue file that is not there", login(ftpd) + QStringList{"QUEUE=missing.oqf", "QUIT=1"}, 3},
        {"a PUT of a file that is not there", login(ftpd) + QStringList{"PUT=missing.txt", "QUIT=1"}, 3},
    };
    const QString a = QDir(downloads).filePath("a.txt");
    for (const auto& c : cases) {
        QFile::remove(a);  // an existing file would bring up the "File Exists" question
        const Run r = run(c.arguments);
        EXPECT_EQ(r.exitCode, c.code) << c.what << "\n" << r.err.toStdString();
        // The good file came all the same.
        if (c.arguments.contains("GET=/pub/a.txt") && c.code == 3) {
            EXPECT_TRUE(sameFile(a, serverRoot.filePath("pub/a.txt"))) << c.what;
        }
    }
}

// A server that goes away during the batch and does not come back: once the reconnect has
// failed too, the program closes with 3.
TEST_F(CommandLineTest, AConnectionLostForGoodEndsWithThree)
{
    testutil::writeFile(home.filePath("orvoftp.ini"),
                        ("[Setup]\nPath=" + downloads + "\nRetry=1\nRetryDelay=0\nRestoreState=0\n").toUtf8());
    PyFtpServer ftpd;
    PyFtpOptions options;
    options.users << "tester:pw-Tester9:" + serverRoot.path();
    options.throttle = 50000;
    ASSERT_TRUE(ftpd.start(options)) << ftpd.error().toStdString();
    QProcess process;
    start(process, login(ftpd) + QStringList{"GET=/pub/a.txt", "QUIT=1"});
    ASSERT_TRUE(waitFor([&] { return QFileInfo(QDir(downloads).filePath("a.txt")).size() > 0; }, 20000));
    ftpd.stop();
    const bool ended = waitFor([&] { return process.state() == QProcess::NotRunning; }, 60000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    ASSERT_TRUE(ended) << "it did not end by itself";
    EXPECT_EQ(process.exitCode(), 3) << process.readAllStandardError().toStdString();
}

// REMOTEDIR is where the session goes after the login, before the queue file's entries
// run; a relative queue file is found where the program was started.
TEST_F(CommandLineTest, RemoteDirIsEnteredBeforeTheQueueRuns)
{
    PyFtpServer ftpd;
    const QString commands = home.filePath("commands.log");
    ASSERT_TRUE(startServer(ftpd, commands));
    const QByteArray queue = "1\x01/pub/a.txt\x01" "300000\x01" + launch.filePath("got/a.txt").toUtf8() + "\r\n"
                             "1\x01/pub/b.bin\x01" "70000\x01" + launch.filePath("got/b.bin").toUtf8() + "\r\n";
    ASSERT_TRUE(testutil::writeFile(launch.filePath("q.oqf"), queue));
    const Run r = run(QStringList{"REMOTEDIR=/pub", "QUEUE=q.oqf"} + login(ftpd) + QStringList{"QUIT=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(sameFile(launch.filePath("got/a.txt"), serverRoot.filePath("pub/a.txt")));
    EXPECT_TRUE(sameFile(launch.filePath("got/b.bin"), serverRoot.filePath("pub/b.bin")));

    QStringList verbs;
    for (const QByteArray& line : testutil::readFile(commands).split('\n')) {
        const QString command = QString::fromUtf8(line).trimmed();
        if (command.startsWith("CWD") || command.startsWith("RETR"))
            verbs << command;
    }
    ASSERT_FALSE(verbs.isEmpty());
    EXPECT_TRUE(verbs.first().startsWith("CWD /pub")) << verbs.join(" | ").toStdString();
    EXPECT_EQ(verbs.filter("RETR").size(), 2) << verbs.join(" | ").toStdString();
}

// "+script": the script runs (found where the program was started) and the rest of the
// arguments are ignored: the host they name hears nothing.
TEST_F(CommandLineTest, ThePlusFormRunsOnlyTheScript)
{
    PyFtpServer ftpd;
    PyFtpServer other;
    const QString otherLog = home.filePath("other.log");
    ASSERT_TRUE(startServer(ftpd));
    ASSERT_TRUE(startServer(other, otherLog));
    const QString script = "CONNECT:127.0.0.1:tester:pw-Tester9:" + QString::number(ftpd.port()) + "\n"
                           "MD-R:/pub/made\n"
                           "DISCONNECT\n"
                           "EXIT\n";
    ASSERT_TRUE(testutil::writeFile(launch.filePath("night.txt"), script.toUtf8()));
    const Run r = run({"+night.txt", "HOST=127.0.0.1", "PORT=" + QString::number(other.port()), "GET=/pub/a.txt", "QUIT=1"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(serverRoot.filePath("pub/made")).isDir());
    EXPECT_TRUE(testutil::readFile(otherLog).trimmed().isEmpty()) << testutil::readFile(otherLog).toStdString();
    EXPECT_FALSE(QFile::exists(QDir(downloads).filePath("a.txt")));
}

// Options come before the arguments; an unknown one, or one after them, ends with 2 and the
// usage on stderr, without a window.
TEST_F(CommandLineTest, MisplacedOrUnknownOptionsEndWithTwo)
{
    for (const QStringList& arguments : {QStringList{"--no-such-option"}, QStringList{"HOST=h", "--help"}}) {
        const Run r = run(arguments, 30000);
        EXPECT_EQ(r.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Usage: orvoftp ")) << r.err.toStdString();
    }
}
