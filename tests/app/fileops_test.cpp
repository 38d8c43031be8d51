// The file commands of the window: enabling by focus, state and selection, the menus' order,
// the Delete key, drops onto a folder of the same view, the properties' SITE CHMOD, local
// delete to the Trash.
#include "app/mainfileops.h"
#include "dialogs/propertiesdialog.h"
#include "viewfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>

#include <sys/stat.h>

namespace {

class FileCommandsTest : public ViewWindowTest
{
protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        ASSERT_TRUE(local.isValid());
        QDir(local.path()).mkdir("folder");
        testutil::writeFile(local.filePath("one.txt"), "1");
        testutil::writeFile(local.filePath("two.txt"), "2");
    }
    std::unique_ptr<TfrmMain> openAtLocal()
    {
        auto window = openWindow();
        EXPECT_TRUE(window->EnterLocalDirectory(local.path()));
        return window;
    }
    static void select(FilePanel* panel, const QStringList& names)
    {
        std::vector<int> rows;
        for (const QString& name : names)
            rows.push_back(rowOf(panel->View(), name));
        panel->View()->SetSelection(rows);
    }
    static bool enabled(TfrmMain& window, const char* id)
    {
        window.Commands->update();
        return window.command(QString::fromLatin1(id))->isEnabled();
    }
    // The file commands of a menu: the transfer entries at its top belong to the batch tests,
    // View and Edit to the edit tests.
    static QStringList menuTexts(QMenu* menu)
    {
        QMetaObject::invokeMethod(menu, "aboutToShow");
        const QStringList transfers{"mnuDownload", "mnuUpload", "mnuManualDownload", "popDownload",
                                    "mnuView",     "mnuEdit",   "popView",           "popEdit"};
        QStringList texts;
        for (QAction* action : menu->actions()) {
            if (transfers.contains(action->objectName()))
                continue;
            if (action->isSeparator()) {
                if (!texts.isEmpty() && texts.last() != "-")  // around entries left out
                    texts << "-";
            } else {
                texts << action->text();
            }
        }
        return texts;
    }

    QTemporaryDir local;
};

}  // namespace

// Which commands each side offers in each state; the menus list what is registered in their
// order, separators only between entries, E&xecute and Chmod only on their side.
TEST_F(FileCommandsTest, CommandsFollowTheFocusedViewStateAndSelection)
{
    QDir(serverRoot.path()).mkdir("sub");
    testutil::writeFile(serverRoot.filePath("r.txt"), "r");
    ASSERT_TRUE(startPyftpd());
    auto window = openAtLocal();
    FilePanel* L = window->LocalPanel;
    FilePanel* R = window->RemotePanel;

    window->SetActivePanel(L);
    select(L, {"one.txt"});
    EXPECT_TRUE(enabled(*window, "popDelete") && enabled(*window, "popExecute") && enabled(*window, "mnuNewFold"));
    EXPECT_FALSE(enabled(*window, "mnuCHMOD"));
    EXPECT_EQ(menuTexts(window->PopupCommand),
              QStringList({"&Queue", "-", "E&xecute", "-", "&Make Directory", "De&lete", "&Rename", "&Move", "-", "&Properties"}));
    select(L, {"one.txt", "folder"});
    EXPECT_FALSE(enabled(*window, "popExecute"));
    EXPECT_TRUE(enabled(*window, "popMove"));

    ASSERT_TRUE(connectPyftpd(*window));
    window->SetActivePanel(R);
    R->View()->ClearSelection();
    EXPECT_TRUE(enabled(*window, "mnuNewFold"));
    EXPECT_FALSE(enabled(*window, "popDelete") || enabled(*window, "mnuCHMOD") || enabled(*window, "popProperties"));
    select(R, {"r.txt"});
    for (const char* id : {"popDelete", "popRename", "popMove", "mnuCHMOD", "popCHMOD", "popProperties"})
        EXPECT_TRUE(enabled(*window, id)) << id;
    EXPECT_FALSE(enabled(*window, "popExecute"));
    QMenu* commands = window->findChild<QMenu*>("mnuCommands");
    ASSERT_NE(commands, nullptr);
    EXPECT_EQ(menuTexts(commands), QStringList({"Make &Directory", "C&hange Directory", "De&lete", "&Rename", "&Move",
                                                "&Chmod", "&Properties", "-", "Custom Commands"}));
    EXPECT_EQ(menuTexts(window->PopupCommand),
              QStringList({"&Queue", "-", "&Make Directory", "De&lete", "&Rename", "&Move", "Chmod", "-", "&Properties"}));

    window->Session->SetState(SessionState::RemoteCommand);
    for (const char* id : {"popDelete", "mnuNewFold", "mnuCHMOD", "popProperties"})
        EXPECT_FALSE(enabled(*window, id)) << id;
    window->Session->SetState(SessionState::Idle);
}

// The Delete key in the remote view deletes the selection after the questions and shows the
// directory again without it.
TEST_F(FileCommandsTest, TheDeleteKeyDeletesRemoteEntries)
{
    QDir(serverRoot.path()).mkpath("tree/inner");
    testutil::writeFile(serverRoot.filePath("tree/inner/x.txt"), "x");
    testutil::writeFile(serverRoot.filePath("stay.txt"), "s");
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    window->Config().ConfirmDel = true;
    ASSERT_TRUE(connectPyftpd(*window));
    window->SetActivePanel(window->RemotePanel);
    select(window->RemotePanel, {"tree"});
    prompt.answer(Prompt::Yes);
    prompt.answer(Prompt::Yes);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    ASSERT_TRUE(window->RemotePanel->View()->OnKeyDown(window->RemotePanel->View(), &del));
    ASSERT_TRUE(testutil::waitFor([&] { return window->Session->State() != SessionState::Idle; }));
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(prompt.asked().size(), 2u);
    EXPECT_FALSE(QFileInfo::exists(serverRoot.filePath("tree")));
    EXPECT_EQ(names(window->RemotePanel->View()), QStringList({"stay.txt"}));
}

// Dragging rows onto a folder of the same view moves them after the question; the dragged
// folder itself takes no drop; No moves nothing.
TEST_F(FileCommandsTest, DropsOntoAFolderOfTheSameViewMove)
{
    QDir(serverRoot.path()).mkdir("sub");
    testutil::writeFile(serverRoot.filePath("a.txt"), "a");
    testutil::writeFile(serverRoot.filePath("b.txt"), "b");
    ASSERT_TRUE(startPyftpd());
    auto window = openAtLocal();
    window->Config().ConfirmMove = true;
    ASSERT_TRUE(connectPyftpd(*window));
    TOrvoListView* remote = window->RemotePanel->View();

    select(window->RemotePanel, {"a.txt", "b.txt", "sub"});
    EXPECT_FALSE(remote->OnDragOver(remote, rowOf(remote, "sub"), {}));  // onto a dragged row
    select(window->RemotePanel, {"a.txt", "b.txt"});
    EXPECT_FALSE(remote->OnDragOver(remote, rowOf(remote, "a.txt"), {}));  // not a folder
    ASSERT_TRUE(remote->OnDragOver(remote, rowOf(remote, "sub"), {}));
    prompt.answer(Prompt::Yes);
    remote->OnDragDrop(remote, rowOf(remote, "sub"), {});
    ASSERT_TRUE(testutil::waitFor([&] { return window->Session->State() != SessionState::Idle; }));
    ASSERT_TRUE(waitIdle(*window));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "Move selected files into \"sub\" ? ");
    EXPECT_TRUE(QFileInfo::exists(serverRoot.filePath("sub/a.txt")) && QFileInfo::exists(serverRoot.filePath("sub/b.txt")));
    EXPECT_EQ(names(remote), QStringList({"sub"}));

    TOrvoListView* view = window->LocalPanel->View();
    select(window->LocalPanel, {"one.txt", "two.txt"});
    prompt.clear();
    prompt.answer(Prompt::No);
    view->OnDragDrop(view, rowOf(view, "folder"), {});
    EXPECT_EQ(prompt.asked()[0].text, "Move selected file(s) into \"folder\" ? ");
    EXPECT_TRUE(QFileInfo::exists(local.filePath("one.txt")));
    prompt.answer(Prompt::Yes);
    view->OnDragDrop(view, rowOf(view, "folder"), {});
    EXPECT_TRUE(QFileInfo::exists(local.filePath("folder/one.txt")) && QFileInfo::exists(local.filePath("folder/two.txt")));
    EXPECT_EQ(rowOf(view, "one.txt"), -1);  // the view was read again
}

// Properties of a sticky directory with one box toggled send one SITE CHMOD with the sticky
// bit kept, then the directory is listed afresh; an unchanged value sends nothing.
TEST_F(FileCommandsTest, PropertiesSendOneSiteChmodKeepingTheStickyBit)
{
    QDir(serverRoot.path()).mkdir("tmp");
    ::chmod(serverRoot.filePath("tmp").toLocal8Bit().constData(), 01777);
    PyFtpOptions options;
    options.commandLog = home.filePath("commands.log");
    ASSERT_TRUE(startPyftpd(options));
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));
    window->SetActivePanel(window->RemotePanel);
    select(window->RemotePanel, {"tmp"});
    const auto openDialog = [&] {
        window->Commands->trigger("popProperties");
        return window->findChild<TfrmProperties*>();
    };

    TfrmProperties* unchanged = openDialog();
    ASSERT_NE(unchanged, nullptr);
    EXPECT_EQ(unchanged->pnlPriv->text(), "1777");
    unchanged->btnOK->click();
    testutil::spin(200);
    EXPECT_EQ(commandCount(options.commandLog, "SITE"), 0);

    TfrmProperties* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->chkPermission[7]->click();  // world write
    const int lists = commandCount(options.commandLog, "LIST");
    dialog->btnOK->click();
    ASSERT_TRUE(testutil::waitFor([&] { return commandCount(options.commandLog, "LIST") > lists; }));
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_TRUE(testutil::readFile(options.commandLog).contains("SITE CHMOD 1775 tmp"));
    EXPECT_EQ(testutil::fileMode(serverRoot.filePath("tmp")), 01775);
    EXPECT_EQ(window->RemotePanel->View()->Item(rowOf(window->RemotePanel->View(), "tmp")).columnText(3), "drwxrwxr-t");
}

// Local delete: one question for the whole selection; No keeps everything, Yes sends the
// items to the Trash and reads the view again.
TEST_F(FileCommandsTest, LocalDeleteAsksOnceAndUsesTheTrash)
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    auto window = openAtLocal();
    window->Config().ConfirmDel = true;
    window->SetActivePanel(window->LocalPanel);
    select(window->LocalPanel, {"folder", "one.txt"});
    prompt.answer(Prompt::No);
    window->Commands->trigger("popDelete");
    EXPECT_TRUE(QFileInfo::exists(local.filePath("folder")) && QFileInfo::exists(local.filePath("one.txt")));
    prompt.answer(Prompt::Yes);
    window->Commands->trigger("popDelete");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(prompt.asked().size(), 2u);
    EXPECT_EQ(prompt.asked()[0].text, "Move selected file(s) to the Trash ?");
    EXPECT_FALSE(QFileInfo::exists(local.filePath("folder")) || QFileInfo::exists(local.filePath("one.txt")));
    EXPECT_TRUE(QFileInfo::exists(data.filePath("Trash/files/one.txt")) && QFileInfo::exists(data.filePath("Trash/info/folder.trashinfo")));
    EXPECT_EQ(names(window->LocalPanel->View()), QStringList({"..", "two.txt"}));
}
