// The main window against real servers: what the session does as the window shows it, raw
// commands, history, layout and window state at exit and start, error reports.
#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/mainwindow.h"
#include "app/quickconnectbar.h"
#include "session/localdirectory.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "app/orvoapplication.h"
#include "app/progresspanel.h"
#include "app/wheelsteps.h"
#include "platform/desktop/qtprompt.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "engine/hostresolver.h"
#include "platform/core/inifile.h"
#include "platform/core/scriptedprompt.h"
#include "platform/desktop/sound.h"
#include "scriptedserver.h"
#include "serverprocess.h"
#include "sites/sitedatabase.h"
#include "testutil.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTcpServer>
#include <QTimer>
#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

QStringList playedSounds;

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        qputenv("ORVOFTP_HOME", home.path().toUtf8());
        playedSounds.clear();
        Sound::setRecorderForTests([](const QString& what) { playedSounds << what; });
        QDir(serverRoot.path()).mkpath("sub/deeper");
    }
    void TearDown() override
    {
        Sound::setRecorderForTests(nullptr);
        qunsetenv("ORVOFTP_HOME");
        // The window made the directory it listed the process's own; it may be gone now,
        // and a server started by the next test must not inherit it.
        QDir::setCurrent(QDir::tempPath());
    }

    bool startServer(PyFtpOptions options = {})
    {
        options.users << "tester:pw-Tester9:" + serverRoot.path();
        options.anonymousHome = serverRoot.path();
        if (!server.start(options)) {
            ADD_FAILURE() << server.error().toStdString();
            return false;
        }
        return true;
    }

    // A window as the program shows it, past its first resize.
    std::unique_ptr<TfrmMain> openWindow(const QStringList& arguments = {})
    {
        auto window = std::make_unique<TfrmMain>(arguments);
        window->resize(900, 600);
        window->show();
        EXPECT_TRUE(waitFor([&] { return window->Session->State() != SessionState::StartingUp; }));
        window->Config().Retry = 1;
        window->Config().Delay = 10;
        window->Config().Email = "guest@example.com";
        return window;
    }

    // Types into the quick-connect box and presses Connect; waits for the outcome.
    bool connect(TfrmMain& window, const QString& text, const QString& port = {})
    {
        window.QuickConnect->txtFTPServer->setEditText(text);
        if (!port.isEmpty())
            window.QuickConnect->txtPort->setText(port);
        window.btnConnectClick();
        return waitFor([&] { return window.Session->State() == SessionState::Idle || window.Session->State() == SessionState::NotConnected; },
                       15000)
               && window.Session->State() == SessionState::Idle;
    }

    static void activate(QWidget* window)
    {
        window->activateWindow();
        QApplication::setActiveWindow(window);
        waitFor([&] { return window->isActiveWindow(); }, 2000);
    }
    int setupValue(const char* key) const
    {
        return IniFile(home.filePath("orvoftp.ini")).readInteger("Setup", QString::fromLatin1(key), -1);
    }

    static QStringList logLines(const TfrmMain& window) { return window.Memo1->Text().split('\n', Qt::SkipEmptyParts); }

    // The colour code ("008000") the console stored for the first line holding `text`.
    static QString colourOf(const TfrmMain& window, const QString& text)
    {
        const TLines& lines = window.Memo1->Lines();
        for (int i = 0; i < lines.Count(); ++i) {
            const QString& raw = lines[i].Text;
            if (!raw.contains(text))
                continue;
            const qsizetype code = raw.indexOf(QChar(2));
            return code < 0 ? QString() : raw.mid(code + 1, 6).toUpper();
        }
        return "missing";
    }

    QTemporaryDir home;
    QTemporaryDir serverRoot;
    PyFtpServer server;
    ScriptedPrompt prompt;
};

}  // namespace

// What the session does shows in the window: the boxes display the request, the title,
// status bar and log colours follow, the commands enable by state, typed hosts go into the
// history. (The session's own behaviour is tested without a window in tests/session.)
TEST_F(MainWindowTest, TheWindowShowsWhatTheSessionDoes)
{
    ASSERT_TRUE(startServer());
    const QString port = QString::number(server.port());
    auto window = openWindow();
    EXPECT_FALSE(window->command("btnConnect")->isEnabled());  // nothing typed yet
    window->QuickConnect->txtFTPServer->setEditText("127.0.0.1:tester:pw-Tester9:" + port);
    EXPECT_TRUE(window->command("btnConnect")->isEnabled());
    ASSERT_TRUE(connect(*window, "127.0.0.1:tester:pw-Tester9:" + port)) << window->Memo1->Text().toStdString();
    EXPECT_EQ(window->QuickConnect->txtFTPServer->currentText(), "127.0.0.1");
    EXPECT_EQ(window->QuickConnect->txtUser->text(), "tester");
    EXPECT_EQ(window->QuickConnect->txtPass->text(), "pw-Tester9");
    EXPECT_EQ(window->QuickConnect->txtPort->text(), port);
    EXPECT_EQ(window->windowTitle(), "OrvoFTP 2.50 - 127.0.0.1");
    EXPECT_EQ(window->StatusText->text(), "Idle (00:00)");
    EXPECT_FALSE(window->command("btnConnect")->isEnabled());
    EXPECT_TRUE(window->command("btnDisconnect")->isEnabled());
    EXPECT_TRUE(window->command("mnuRawCmd")->isEnabled());
    EXPECT_TRUE(window->RemotePanel->PathBox()->isEnabled());
    EXPECT_EQ(colourOf(*window, "Connected.  Waiting for response."), "000000");  // status: black
    EXPECT_EQ(colourOf(*window, "USER tester"), "008000");                      // command: green
    EXPECT_EQ(colourOf(*window, "220 pyftpdlib"), "800000");                    // reply: navy
    EXPECT_TRUE(window->QuickConnect->History().contains("127.0.0.1:tester:pw-Tester9:" + port));

    window->command("btnDisconnect")->trigger();
    EXPECT_EQ(window->StatusText->text(), "Not connected");
    EXPECT_EQ(window->windowTitle(), "OrvoFTP 2.50");
    EXPECT_FALSE(window->RemotePanel->PathBox()->isEnabled());
    EXPECT_FALSE(window->command("btnDisconnect")->isEnabled());

    // An address fills the boxes from itself and stays out of the history.
    ASSERT_TRUE(connect(*window, "ftp://127.0.0.1:" + port + "/sub/"));
    EXPECT_EQ(window->QuickConnect->txtUser->text(), "anonymous");
    EXPECT_EQ(window->QuickConnect->txtPass->text(), "guest@example.com");
    EXPECT_FALSE(window->QuickConnect->History().join('\n').contains("anonymous"));
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/sub/");

    // A refused connect: red error, Connect offered again.
    window->command("btnDisconnect")->trigger();
    quint16 closed;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closed = probe.serverPort();
    }
    EXPECT_FALSE(connect(*window, "127.0.0.1:" + QString::number(closed)));
    EXPECT_EQ(colourOf(*window, "ERROR: Connection Refused"), "0000FF");  // red
    EXPECT_TRUE(window->command("btnConnect")->isEnabled());
    EXPECT_FALSE(window->command("btnDisconnect")->isEnabled());
}

// A site: the sound, the application's name and the anti-idle mark come from it.
TEST_F(MainWindowTest, ASiteShowsItsNameSoundAndOptions)
{
    ASSERT_TRUE(startServer());
    auto window = openWindow();
    TSiteRecord site;
    site.IP = "127.0.0.1";
    site.Port = QString::number(server.port());
    site.User = "tester";
    site.Pass = "pw-Tester9";
    site.Options = "1100000000";  // binary, anti-idle on
    window->SiteDatabase->saveGroups({"Personal"}, 1);
    window->SiteDatabase->writeSite("My Server", site);
    window->SiteDatabase->saveGroupSites("Personal", {"My Server"});
    window->Config().ConnectSound = 3;
    ASSERT_TRUE(connect(*window, "My Server")) << window->Memo1->Text().toStdString();
    EXPECT_EQ(QApplication::applicationDisplayName(), "My Server");
    EXPECT_EQ(playedSounds, QStringList{"dialog-warning"});
    EXPECT_EQ(window->QuickConnect->txtFTPServer->currentText(), "127.0.0.1");
    EXPECT_TRUE(window->command("mnuIdle")->isChecked());
    window->command("mnuIdle")->trigger();
    EXPECT_FALSE(window->Session->AntiIdle());
    EXPECT_TRUE(window->command("mnuSaveRemotePath")->isEnabled());
    // Typing a new host forgets the site.
    window->QuickConnect->txtFTPServer->setEditText("elsewhere");
    EXPECT_TRUE(window->Session->CurrentSiteName().isEmpty());
    EXPECT_TRUE(window->QuickConnect->txtUser->text().isEmpty());
}

TEST_F(MainWindowTest, RawCommandGoesOutAsTypedAndTheWindowBecomesReady)
{
    ScriptedServer scripted;
    scripted.useStandardReplies();
    scripted.reply("SITE", {"200 SITE ok."});
    auto window = openWindow();
    ASSERT_TRUE(connect(*window, "127.0.0.1:" + QString::number(scripted.port())));
    prompt.answer(QString("SITE WHO"));
    window->mnuRawCmdClick();
    EXPECT_EQ(prompt.asked().back().caption, "Raw Command");
    EXPECT_EQ(prompt.asked().back().text, "Enter Raw Command");
    ASSERT_TRUE(waitFor([&] { return scripted.received().contains("SITE WHO"); }));
    ASSERT_TRUE(waitFor([&] { return window->Session->State() == SessionState::Idle; }));
}

// A server box that names no host starts nothing, and the window stays ready to connect
// rather than "logging in" for good.
TEST_F(MainWindowTest, AServerBoxWithoutAHostLeavesTheWindowReadyToConnect)
{
    auto window = openWindow();
    window->QuickConnect->SetServerText("|/pub");
    window->btnConnectClick();
    EXPECT_EQ(window->Session->State(), SessionState::NotConnected);
    EXPECT_TRUE(window->command("btnConnect")->isEnabled());
}

TEST_F(MainWindowTest, HistoryKeepsFifteenAndTheExitWritesLayoutAndHistory)
{
    {
        auto window = openWindow();
        for (int i = 1; i <= 15; ++i)
            window->QuickConnect->AddHistory(QString("host%1").arg(i));
        EXPECT_EQ(window->QuickConnect->History().first(), "host15");
        window->QuickConnect->AddHistory("host16");
        EXPECT_EQ(window->QuickConnect->History().size(), 15);
        EXPECT_EQ(window->QuickConnect->History().first(), "host16");
        EXPECT_FALSE(window->QuickConnect->History().contains("host1"));  // the last one went
        window->QuickConnect->AddHistory("host10");                       // already there: no change
        EXPECT_EQ(window->QuickConnect->History().first(), "host16");

        window->setWindowState(Qt::WindowNoState);
        window->setGeometry(40, 50, 800, 500);
        window->RemotePanel->View()->SetViewStyle(vsList);
        window->command("mnuShowLinks")->setChecked(false);
        window->ToolBar->setVisible(false);
        activate(window.get());
        window->close();
    }
    IniFile ini(home.filePath("orvoftp.ini"));
    EXPECT_EQ(ini.readString("History", "h1"), "host16");
    EXPECT_EQ(ini.readString("History", "h15"), "host2");
    EXPECT_EQ(ini.readString("Setup", "Version"), "2.50");
    EXPECT_EQ(ini.readInteger("Setup", "RemoteIcon", -1), 2);
    EXPECT_EQ(ini.readInteger("Setup", "ShowLinks", -1), 0);
    EXPECT_EQ(ini.readInteger("Setup", "ShowToolbar", -1), 0);
    EXPECT_EQ(ini.readInteger("Setup", "WindowState", -1), 1);
    EXPECT_EQ(ini.readInteger("Setup", "Width", -1), 800);
    EXPECT_EQ(ini.readInteger("Setup", "Height", -1), 500);

    // The next start restores what the last one left.
    auto window = openWindow();
    EXPECT_EQ(window->QuickConnect->History().size(), 15);
    EXPECT_EQ(window->QuickConnect->History().first(), "host16");
    EXPECT_EQ(window->RemotePanel->View()->ViewStyle(), vsList);
    EXPECT_FALSE(window->command("mnuShowLinks")->isChecked());
    EXPECT_FALSE(window->ToolBar->isVisibleTo(window.get()));
    EXPECT_FALSE(window->Settings->firstRun());
}

TEST_F(MainWindowTest, MinimisedExitStoresZeroAndCloseAsksDuringATransfer)
{
    {
        auto window = openWindow();
        window->showMinimized();
        window->close();
    }
    IniFile ini(home.filePath("orvoftp.ini"));
    EXPECT_EQ(ini.readInteger("Setup", "WindowState", -1), 0);

    auto window = openWindow();
    window->Session->SetState(SessionState::Downloading);
    prompt.answer(Prompt::No);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(prompt.asked().back().text, "There is a transfer in progress.  Are you sure you want to exit?");
    window->Session->SetState(SessionState::NotConnected);
}

TEST_F(MainWindowTest, AddressFormOfTheCommandLineConnects)
{
    ASSERT_TRUE(startServer());
    auto window = openWindow({"127.0.0.1:tester:pw-Tester9:" + QString::number(server.port())});
    ASSERT_TRUE(waitFor([&] { return window->Session->State() == SessionState::Idle; }, 15000)) << window->Memo1->Text().toStdString();
    EXPECT_EQ(window->Session->Ftp().UserName, "tester");
}

TEST_F(MainWindowTest, ScreenshotShowsTheSessionLog)
{
    ASSERT_TRUE(startServer());
    auto window = openWindow();
    ASSERT_TRUE(connect(*window, "127.0.0.1:tester:pw-Tester9:" + QString::number(server.port())));
    const QImage shot = window->grab().toImage();
    const QString file = QDir(QStringLiteral(ORVO_TEST_OUTPUT_DIR)).filePath("mainwindow-connected.png");
    QDir().mkpath(QFileInfo(file).path());
    ASSERT_TRUE(shot.save(file)) << file.toStdString();
    EXPECT_GT(shot.width(), 600);
    EXPECT_EQ(window->StatusText->text(), "Idle (00:00)");
    EXPECT_TRUE(logLines(*window).contains("230 Login successful."));
    // Something was drawn in the console: its area is not a single flat colour.
    const QImage console = window->Memo1->grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < console.height(); y += 2)
        for (int x = 0; x < console.width(); x += 2)
            colours.insert(console.pixel(x, y));
    EXPECT_GT(colours.size(), 3);
}

// Pane sizes come back to the pixel, start after start (they were once applied before the
// window had its final size, and the remote pane lost a few pixels at every start).
TEST_F(MainWindowTest, PaneSizesComeBackExactlyStartAfterStart)
{
    {
        auto window = openWindow();
        window->MiddleSplitter->setSizes({520, 360});
        window->Splitter3->setSizes({600, 280});
        activate(window.get());
        window->close();
    }
    const int remote = setupValue("RemoteSize");
    const int queue = setupValue("QueueSize");
    const int bottom = setupValue("ServerSize");
    EXPECT_GT(remote, 300);
    for (int start = 0; start < 3; ++start) {
        {
            auto window = openWindow();
            EXPECT_EQ(window->RemotePanel->width(), remote) << "start " << start;
            activate(window.get());
            window->close();
        }
        EXPECT_EQ(setupValue("RemoteSize"), remote) << "start " << start;
        EXPECT_EQ(setupValue("QueueSize"), queue) << "start " << start;
        EXPECT_EQ(setupValue("ServerSize"), bottom) << "start " << start;
    }
}

// Start-up: the site import is marked done when there is nothing to import; a local
// directory that is not there starts in the home directory; the session log scrolls
// vertically and shows addresses as text; nothing accepts desktop drops it cannot handle
// (the queue takes them; the remote view not until it can start a batch).
TEST_F(MainWindowTest, StartUpDefaults)
{
    QTemporaryDir fakeHome;
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", fakeHome.path().toUtf8());
    IniFile(home.filePath("orvoftp.ini")).writeString("Setup", "Path", fakeHome.filePath("gone"));
    {
        auto window = openWindow();
        EXPECT_EQ(window->LocalDir->currentDirectory(), fakeHome.path() + "/");
        EXPECT_EQ(window->Memo1->ScrollBars(), TcXConsole::ssVertical);
        EXPECT_FALSE(window->Memo1->URLRecognize());
        EXPECT_FALSE(window->RemotePanel->View()->AcceptFiles());
        EXPECT_TRUE(window->Queue->AcceptFiles());
        EXPECT_EQ(window->SiteDatabase->importFlag(), 1);
    }
    // An older version's settings waiting in the home directory are imported into Personal,
    // which sets the mark as well.
    QFile::remove(home.filePath("sites.ini"));
    testutil::writeFile(fakeHome.filePath("orvoftp.ini"), "[Servers]\n");
    {
        auto window = openWindow();
        EXPECT_EQ(window->SiteDatabase->importFlag(), 1);
        EXPECT_EQ(window->SiteDatabase->groups(), QStringList({"Personal"}));
    }
    qputenv("HOME", realHome);
}

// Wheels and touchpads with steps finer than a notch still scroll: the steps add up.
TEST(WheelSteps, FineStepsAddUpToLines)
{
    int remainder = 0;
    EXPECT_EQ(WheelScrollLines(-120, 3, remainder), 3);
    EXPECT_EQ(WheelScrollLines(-40, 3, remainder), 1);
    EXPECT_EQ(WheelScrollLines(-40, 3, remainder), 1);
    EXPECT_EQ(WheelScrollLines(-40, 3, remainder), 1);
    EXPECT_EQ(WheelScrollLines(-15, 1, remainder), 0);
    EXPECT_EQ(WheelScrollLines(-105, 1, remainder), 1);
    EXPECT_EQ(WheelScrollLines(240, 3, remainder), -6);
}

// Server texts and file names in message boxes are plain text, never markup.
TEST(QtPrompt, MessageTextsArePlain)
{
    QtPrompt qt;
    bool plain = false;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            plain = box->textFormat() == Qt::PlainText;
            box->reject();
        }
    });
    qt.messageBox("<b>report.txt</b>", "OrvoFTP 2.50", Prompt::Icon::Error, Prompt::Ok);
    EXPECT_TRUE(plain);
}

TEST(ErrorReport, FiveLinesAndTheMessage)
{
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    TOrvoApplication::setStateSource([] { return TOrvoApplication::ReportState{true, 4, "UNIX TYPE: L8"}; });
    const QString path = TOrvoApplication::AppException("Access violation", dir.path());
    TOrvoApplication::setStateSource(nullptr);
    EXPECT_EQ(testutil::readFile(path), "E = Access violation\nV = 2.50\nCS = 1\nLC = 4\nST = UNIX TYPE: L8\n");
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_TRUE(prompt.asked()[0].text.startsWith("An internal error has occured.  The file: \"" + path + "\" has been created"));
    EXPECT_TRUE(prompt.asked()[0].text.endsWith("along with a brief description of what you did before it occured.  Thank You!"));
}
