// The main window's "&Preferences" submenu and custom commands: menus and toolbar, the
// preferences applied at once, the start directory kept as stored, and custom commands with
// their shortcuts against pyftpdlib.
#include "app/maincustom.h"
#include "app/mainprefs.h"
#include "dialogs/customcommandwindow.h"
#include "dialogs/preferenceswindow.h"
#include "platform/core/inifile.h"
#include "viewfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolBar>

namespace {

class PreferencesCommandsTest : public ViewWindowTest
{
protected:
    void writeIni(const QByteArray& text) { ASSERT_TRUE(testutil::writeFile(home.filePath("orvoftp.ini"), text)); }

    static QStringList texts(const QMenu* menu)
    {
        QStringList out;
        for (const QAction* action : menu->actions())
            out << action->text();
        return out;
    }
    static QMenu* menuNamed(const TfrmMain& window, const QString& title)
    {
        for (QAction* action : window.menuBar()->actions()) {
            if (action->text() == title)
                return action->menu();
        }
        return nullptr;
    }
    static void pressShortcut(TfrmMain& window, Qt::Key key)
    {
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        testutil::waitFor([&] { return window.isActiveWindow(); }, 2000);
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
        QTest::keyClick(target, key, Qt::ControlModifier | Qt::ShiftModifier);
    }
};

TEST_F(PreferencesCommandsTest, MenusAndToolbar)
{
    writeIni("[Commands]\nc1=Who\np1=SITE WHO\nk1=Ctrl+Shift+W\nc2=Help\np2=SITE HELP\nk2=\n");
    auto window = openWindow();
    QMenu* options = menuNamed(*window, "O&ptions");
    ASSERT_TRUE(options);
    QMenu* prefs = options->findChild<QMenu*>("mnuPreferences");
    ASSERT_TRUE(prefs);
    EXPECT_EQ(texts(prefs), QStringList({"&General", "&Custom Commands", "&ASCII Extensions", "&Rename Extensions"}));
    EXPECT_TRUE(window->ToolBar->actions().contains(window->command("mnuGeneral")));
    EXPECT_EQ(window->command("mnuGeneral")->iconText(), "Preferences");

    QMenu* commands = menuNamed(*window, "C&ommands");
    ASSERT_TRUE(commands);
    ASSERT_FALSE(commands->actions().isEmpty());
    QMenu* custom = commands->actions().last()->menu();  // the last entry of "C&ommands"
    ASSERT_EQ(custom, window->CustomCommands->Menu);
    EXPECT_EQ(texts(custom), QStringList({"Who", "Help"}));
    EXPECT_EQ(window->command("mnuCustom1")->shortcut(), QKeySequence("Ctrl+Shift+W"));
    EXPECT_TRUE(window->command("mnuCustom2")->shortcut().isEmpty());
    EXPECT_FALSE(window->command("mnuCustom1")->isEnabled());  // not connected

    // The editing window changes the submenu when it closes.
    TfrmCustom* editor = window->CustomCommands->ShowEditor();
    editor->CustomList->setCurrentRow(0);
    editor->btnDeleteClick();
    editor->txtCaption->setText("Idle");
    editor->txtCommand->setText("SITE IDLE %d");
    editor->txtShortcut->setText("4");
    editor->btnAddClick();
    editor->accept();
    EXPECT_EQ(texts(custom), QStringList({"Help", "Idle"}));
    EXPECT_FALSE(window->command("mnuCustom3"));
    EXPECT_EQ(window->command("mnuCustom2")->shortcut(), QKeySequence("Ctrl+Shift+4"));
}

// "&OK" applies at once: headers, the font of the views, the queue and the console, the
// proxy and log file of the engine; a proxy port outside 1..65535 gives the engine the default.
TEST_F(PreferencesCommandsTest, ConfirmedPreferencesApplyWithoutARestart)
{
    auto window = openWindow();
    ASSERT_TRUE(window->Commands->trigger("mnuGeneral"));
    auto* form = window->findChild<TfrmPref*>();
    ASSERT_TRUE(form);
    ASSERT_TRUE(form->isVisible());
    form->chkHideHeader->setChecked(true);
    form->chkSelectLine->setChecked(true);
    prompt.answerFont("DejaVu Serif", 15);
    form->btnFont->click();
    form->txtProxyHost->setText("proxy.example.org");
    form->txtProxyPort->setText("70000");
    form->txtLogFile->setText(home.filePath("session.log"));
    prompt.clear();
    ASSERT_TRUE(form->btnOKClick());

    for (TOrvoListView* view : {window->LocalPanel->View(), window->RemotePanel->View()}) {
        EXPECT_FALSE(view->ShowColumnHeaders());
        EXPECT_TRUE(view->RowSelect());
    }
    for (QWidget* control : std::initializer_list<QWidget*>{window->LocalPanel->View(), window->RemotePanel->View(),
                                                            window->Queue, window->Memo1}) {
        EXPECT_EQ(control->font().family(), "DejaVu Serif") << control->objectName().toStdString();
        EXPECT_EQ(control->font().pointSize(), 15);
    }
    EXPECT_EQ(window->Session->Ftp().ProxyHost, "proxy.example.org");
    EXPECT_EQ(window->Session->Ftp().ProxyPort, 21);
    EXPECT_EQ(window->Session->Ftp().LogFile, home.filePath("session.log"));
    EXPECT_EQ(IniFile(home.filePath("orvoftp.ini")).readString("Setup", "ProxyPort"), "70000");
}

// A start directory on a disk that is not mounted right now: the window starts at home, but
// the setting is kept as stored (the fallback used to be saved over it by "&OK").
TEST_F(PreferencesCommandsTest, AStartDirectoryThatIsNotThereIsKept)
{
    const QString missing = home.filePath("media/usb-stick");
    writeIni("[Setup]\nPath=" + missing.toUtf8() + "\n");
    auto window = openWindow();
    EXPECT_EQ(window->LocalDir->currentDirectory(), QDir::homePath() + '/');
    EXPECT_EQ(window->Config().Path, missing);
    TfrmPref* form = window->Prefs->ShowPreferences();
    EXPECT_EQ(form->txtLocalPath->text(), missing);
    ASSERT_TRUE(form->btnOKClick());
    EXPECT_EQ(IniFile(home.filePath("orvoftp.ini")).readString("Setup", "Path"), missing);
}

// "Hide on minimize" from a file carried over from a desktop with a notification area: here
// there is none to bring the window back from, so minimizing leaves it a normal window.
TEST_F(PreferencesCommandsTest, HideOnMinimizeNeedsANotificationArea)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a notification area";
    writeIni("[Setup]\nHide=1\n");
    auto window = openWindow();
    ASSERT_TRUE(window->Config().Hide);
    window->showMinimized();
    testutil::spin(100);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->TrayIcon->isVisible());
}

// "SITE CHMOD %d %f" with three files selected and the answer 644: three commands, one after
// the other, the modes changed, the session idle afterwards. While the session is busy the
// shortcut sends nothing.
TEST_F(PreferencesCommandsTest, CustomCommandsAgainstARealServer)
{
    writeIni("[Commands]\nc1=Chmod\np1=SITE CHMOD %d %f\nk1=Ctrl+Shift+M\nc2=Help\np2=SITE HELP\nk2=Ctrl+Shift+H\n");
    const QStringList files = {"a.txt", "b.bin", "c d.txt", "skipped.txt"};
    for (const QString& name : files) {
        ASSERT_TRUE(testutil::writeFile(serverRoot.filePath(name), "x"));
        QFile(serverRoot.filePath(name)).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    PyFtpOptions options;
    options.commandLog = home.filePath("commands.log");
    options.delay = {"HELP=2"};
    ASSERT_TRUE(startPyftpd(options));
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));

    TOrvoListView* remote = window->RemotePanel->View();
    std::vector<int> rows;
    for (const QString& name : files.mid(0, 3))
        rows.push_back(rowOf(remote, name));
    ASSERT_EQ(std::count(rows.begin(), rows.end(), -1), 0);
    remote->SetSelection(rows);
    prompt.answer(QStringLiteral("644"));
    ASSERT_TRUE(window->Commands->trigger("mnuCustom1"));
    EXPECT_EQ(window->Session->State(), SessionState::CustomCommand);
    EXPECT_FALSE(window->command("mnuCustom2")->isEnabled());
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(commandCount(options.commandLog, "SITE CHMOD 644"), 3);
    for (const QString& name : files.mid(0, 3))
        EXPECT_EQ(testutil::fileMode(serverRoot.filePath(name)), 0644) << name.toStdString();
    EXPECT_EQ(testutil::fileMode(serverRoot.filePath("skipped.txt")), 0600);

    ASSERT_TRUE(window->Session->SendRawCommand("HELP"));  // busy for two seconds
    window->Commands->update();
    pressShortcut(*window, Qt::Key_H);
    testutil::spin(100);
    EXPECT_EQ(commandCount(options.commandLog, "SITE HELP"), 0);
    ASSERT_TRUE(waitIdle(*window));
    window->Commands->update();
    pressShortcut(*window, Qt::Key_H);
    EXPECT_TRUE(testutil::waitFor([&] { return commandCount(options.commandLog, "SITE HELP") == 1; }));
    ASSERT_TRUE(waitIdle(*window));
}

}  // namespace
