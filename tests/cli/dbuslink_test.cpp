// The running program on the session bus: commands poked with gdbus, the Reply signal, and
// the client link to a partner program (this test).
#include "testutil.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

// A partner program's object: what the program's client link pokes arrives here.
class Partner : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.orvoftp.OrvoFTP.Link")

public:
    QStringList received;

public slots:
    Q_SCRIPTABLE void Poke(const QString& item, const QString& data)
    {
        if (item == QLatin1String("\r\n"))
            received << data;
    }
};

class ProgramOnTheBus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus (dbus-run-session is in make deps)";
        ASSERT_TRUE(home.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ORVOFTP_HOME", home.path());
        env.insert("HOME", home.path());
        program.setProcessEnvironment(env);
    }
    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.terminate();
            if (!program.waitForFinished(5000))
                program.kill();
            program.waitForFinished();
        }
    }

    bool startProgram()
    {
        program.start(QStringLiteral(ORVO_PROGRAM), {});
        return waitFor([] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered("org.orvoftp.OrvoFTP").value();
        }, 20000);
    }

    // Pokes `data` with gdbus, as the README shows; the exit code of gdbus.
    static int poke(const QString& item, const QString& data)
    {
        QProcess gdbus;
        gdbus.start("gdbus", {"call", "--session", "--dest", "org.orvoftp.OrvoFTP", "--object-path", "/link",
                              "--method", "org.orvoftp.OrvoFTP.Link.Poke", item, data});
        gdbus.waitForFinished(10000);
        return gdbus.exitCode();
    }

    QTemporaryDir home;
    QProcess program;
};

}  // namespace

TEST_F(ProgramOnTheBus, PokedCommandsRunAndEveryReplyIsSignalled)
{
    QDir(home.path()).mkpath("work/inner");
    ASSERT_TRUE(startProgram());
    QProcess monitor;
    monitor.start("gdbus", {"monitor", "--session", "--dest", "org.orvoftp.OrvoFTP"});
    ASSERT_TRUE(monitor.waitForStarted());
    testutil::spin(300);

    EXPECT_EQ(poke("cmd", "CD-L:" + home.filePath("work")), 0);
    EXPECT_EQ(poke("cmd", "FOO"), 0);
    EXPECT_EQ(poke("cmd", "STATUS"), 0);
    EXPECT_NE(poke("other", "STATUS"), 0);  // only the item "cmd" is taken
    QString seen;
    ASSERT_TRUE(waitFor([&] {
        seen += QString::fromUtf8(monitor.readAllStandardOutput());
        return seen.contains("OrvoFTP: Not connected");
    }, 10000)) << seen.toStdString();
    EXPECT_TRUE(seen.contains("Directory of: " + home.filePath("work") + "/")) << seen.toStdString();
    EXPECT_TRUE(seen.contains("[inner]"));
    EXPECT_TRUE(seen.contains("OrvoFTP: Unknown command \\\"FOO\\\"") || seen.contains("OrvoFTP: Unknown command \"FOO\""))
        << seen.toStdString();
    monitor.kill();
    monitor.waitForFinished();
}

TEST_F(ProgramOnTheBus, TheClientLinkTellsAPartner)
{
    Partner partner;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerService("org.example.Partner"));
    ASSERT_TRUE(bus.registerObject("/partner", &partner, QDBusConnection::ExportScriptableSlots));
    testutil::writeFile(home.filePath("orvoftp.ini"),
                        "[Setup]\nDDEService=org.example.Partner\nDDETopic=partner\nDDECommand=ORVO\n");
    ASSERT_TRUE(startProgram());
    EXPECT_EQ(poke("cmd", "DDEOPEN"), 0);
    ASSERT_TRUE(waitFor([&] { return partner.received.contains("ORVO OrvoFTP 2.50 DDE link enabled"); }, 10000))
        << partner.received.join('\n').toStdString();
    EXPECT_EQ(poke("cmd", "STATUS"), 0);
    EXPECT_TRUE(waitFor([&] { return partner.received.contains("ORVO OrvoFTP: Not connected"); }, 10000))
        << partner.received.join('\n').toStdString();
    bus.unregisterObject("/partner");
    bus.unregisterService("org.example.Partner");
}

#include "dbuslink_test.moc"
