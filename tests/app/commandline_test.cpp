// The command line in the window: the upload form fills the queue without connecting, the
// keywords fill the boxes, views and queue, scripts and the connect wait for the first
// resize, and an address from "New Session" logs in with the login from the environment.
#include "app/maincommandline.h"
#include "app/mainsites.h"
#include "app/mainscripts.h"
#include "scripting/scriptrunner.h"
#include "transfers/transferqueue.h"
#include "viewfixture.h"

#include <QAction>

using testutil::waitFor;

namespace {

class CommandLineWindowTest : public ViewWindowTest
{
public:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        ASSERT_TRUE(local.isValid());
        // Connects made at start-up happen before a test could lower the retries.
        testutil::writeFile(home.filePath("orvoftp.ini"), "[Setup]\nRetry=1\nDelay=10\n");
    }

    static std::unique_ptr<TfrmMain> start(const QStringList& arguments, bool show = true)
    {
        auto window = std::make_unique<TfrmMain>(arguments);
        if (show) {
            window->resize(900, 600);
            window->show();
            EXPECT_TRUE(waitFor([&] { return window->Session->State() != SessionState::StartingUp; }));
        }
        return window;
    }
    static QStringList logLines(const TfrmMain& window) { return window.Memo1->Text().split('\n', Qt::SkipEmptyParts); }
    static std::vector<QueueEntry> queued(const TfrmMain& window)
    {
        return {window.QueueModel->entries().begin(), window.QueueModel->entries().end()};
    }

    QTemporaryDir local;
};

}  // namespace

// A file and a folder (with a trailing separator) as a file manager hands them over: two
// uploads into the login directory, one per path; a path that is gone is only logged;
// nothing connects.
TEST_F(CommandLineWindowTest, TheUploadFormQueuesAndConnectsNowhere)
{
    QDir(local.path()).mkpath("web/site");
    testutil::writeFile(local.filePath("report.txt"), "1234567");
    auto window = start({local.filePath("report.txt"), QUrl::fromLocalFile(local.filePath("web/site")).toString() + "/",
                         local.filePath("gone.txt")});
    const std::vector<QueueEntry> entries = queued(*window);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].kind, QueueEntry::UploadFile);
    EXPECT_EQ(entries[0].sizeText, "7");
    EXPECT_EQ(entries[0].target, "~/report.txt");
    EXPECT_EQ(entries[1].kind, QueueEntry::UploadFolder);
    EXPECT_EQ(entries[1].source, local.filePath("web/site"));
    EXPECT_EQ(entries[1].target, "~/site/");
    EXPECT_EQ(window->Queue->Count(), 2);
    EXPECT_EQ(window->Queue->Item(1).SubItems.value(1), "~/site/");
    testutil::spin(300);
    EXPECT_EQ(window->Session->State(), SessionState::NotConnected);
    EXPECT_TRUE(window->QuickConnect->ServerText().isEmpty());
    EXPECT_TRUE(logLines(*window).contains("Not queued: \"" + local.filePath("gone.txt") + "\" does not exist."))
        << window->Memo1->Text().toStdString();
}

// Without HOST the keywords fill the boxes, the local view, the directory of the login and
// the queue, check "Quit" as the completion action, and nothing connects.
TEST_F(CommandLineWindowTest, KeywordsWithoutAHostFillTheWindowAndWait)
{
    QDir(local.path()).mkpath("there");
    testutil::writeFile(local.filePath("up.txt"), "up");
    auto window = start({"USER=joe", "pass=secret", "PORT=2121", "LOCALDIR=" + local.filePath("there"), "REMOTEDIR=pub",
                         "GET=/pub/a.txt|" + local.filePath("there"), "PUT=" + local.filePath("up.txt") + "|/incoming",
                         "PUT=" + local.filePath("missing.txt"), "QUIT=1", "COLOR=red", "NOEQUALS"});
    EXPECT_EQ(window->QuickConnect->txtUser->text(), "joe");
    EXPECT_EQ(window->QuickConnect->txtPass->text(), "secret");
    EXPECT_EQ(window->QuickConnect->txtPort->text(), "2121");
    EXPECT_EQ(window->LocalDir->currentDirectory(), local.filePath("there") + "/");
    EXPECT_EQ(window->Session->Ftp().InitialDirectory, "pub/");
    const std::vector<QueueEntry> entries = queued(*window);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].target, local.filePath("there/a.txt"));
    EXPECT_EQ(entries[1].target, "/incoming/up.txt");
    EXPECT_TRUE(window->command("mnuCompleteQuit")->isChecked());
    EXPECT_FALSE(window->command("mnuCompleteIdle")->isChecked());
    testutil::spin(300);
    EXPECT_EQ(window->Session->State(), SessionState::NotConnected);
    EXPECT_EQ(window->Session->Follow(), FollowUp::RunQueueAfterLogin);
    const QStringList lines = logLines(*window);
    EXPECT_TRUE(lines.contains("Not queued: \"" + local.filePath("missing.txt") + "\" does not exist.")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("Unknown keyword COLOR ignored.")) << lines.join('\n').toStdString();
    // The lines about the arguments come after the socket layer's description line.
    EXPECT_EQ(lines.value(0), window->Session->Ftp().Description());
    EXPECT_EQ(window->CommandLine->ExitCode(), 0);
}

// "+script" and the connect wait until the window is up: the log begins with the socket
// layer's description line, then the script runs; the arguments after it are ignored. (A
// connect begins a fresh log of its own.)
TEST_F(CommandLineWindowTest, ScriptsAndTheConnectWaitForTheFirstResize)
{
    QDir(local.path()).mkpath("target");
    const QString script = local.filePath("go.txt");
    testutil::writeFile(script, ("CD-L:" + local.filePath("target") + "\n").toUtf8());
    auto window = start({"+" + script, "LOCALDIR=/", "HOST=127.0.0.1"}, false);
    testutil::spin(200);
    EXPECT_NE(window->LocalDir->currentDirectory(), local.filePath("target") + "/");
    EXPECT_EQ(window->Memo1->Count(), 0);
    window->resize(900, 600);
    window->show();
    ASSERT_TRUE(waitFor([&] { return window->LocalDir->currentDirectory() == local.filePath("target") + "/"; }));
    EXPECT_EQ(logLines(*window).value(0), window->Session->Ftp().Description());
    EXPECT_TRUE(window->QuickConnect->ServerText().isEmpty());
    testutil::spin(200);
    EXPECT_EQ(window->Session->State(), SessionState::NotConnected);

    ASSERT_TRUE(startPyftpd());
    auto address = start({"127.0.0.1:tester:pw-Tester9:" + QString::number(pyftpd.port())}, false);
    testutil::spin(200);
    EXPECT_EQ(address->Session->State(), SessionState::StartingUp);
    address->show();
    EXPECT_TRUE(waitIdle(*address, 15000)) << address->Memo1->Text().toStdString();
}

// "New Session" hands the login over in the environment: an address (or a typed host)
// without one logs in with it, an address with its own keeps that; the variables are gone once read, so no
// program started later sees them.
TEST_F(CommandLineWindowTest, AnAddressTakesTheLoginOfTheEnvironment)
{
    ASSERT_TRUE(startPyftpd());
    const QString port = QString::number(pyftpd.port());
    const struct {
        const char* what;
        QString address;
        bool loggedIn;
    } cases[] = {
        {"no login in the address", "ftp://127.0.0.1:" + port + "/", true},
        {"a host and port typed", "127.0.0.1:" + port, true},
        {"a user of its own", "ftp://somebody@127.0.0.1:" + port + "/", false},
    };
    for (const auto& c : cases) {
        qputenv(MainSites::UserVariable, "tester");
        qputenv(MainSites::PasswordVariable, "pw-Tester9");
        auto window = start({c.address});
        EXPECT_FALSE(qEnvironmentVariableIsSet(MainSites::UserVariable)) << c.what;
        EXPECT_FALSE(qEnvironmentVariableIsSet(MainSites::PasswordVariable)) << c.what;
        EXPECT_EQ(waitIdle(*window, 15000), c.loggedIn) << c.what << "\n" << window->Memo1->Text().toStdString();
        if (c.loggedIn) {
            EXPECT_EQ(window->Session->Request().user, "tester") << c.what;
        }
    }
}
