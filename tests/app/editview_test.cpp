// View and Edit from the main window against pyftpdlib: an [Editors] rule's program and the
// re-upload question, the built-in editor's round trip and its Abort, a refused fetch, a
// server gone before Re-Upload, the commands, menus, toolbar and double clicks.
#include "app/maineditview.h"
#include "app/mainfileops.h"
#include "dialogs/editorwindow.h"
#include "fileops/editstore.h"
#include "platform/core/inifile.h"
#include "openedfiles.h"
#include "viewfixture.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QToolBar>
#include <QUrl>

namespace {

// A user who looks at the question only once `beforeAnswer` says so (a modal box's loop
// keeps the program running meanwhile).
class WaitingPrompt : public ScriptedPrompt
{
public:
    std::function<void()> beforeAnswer;
    Button messageBox(const QString& text, const QString& caption, Icon icon, Buttons buttons) override
    {
        if (beforeAnswer)
            beforeAnswer();
        return ScriptedPrompt::messageBox(text, caption, icon, buttons);
    }
};

class EditViewTest : public ViewWindowTest
{
protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        ASSERT_TRUE(tools.isValid());
    }
    // A script for a rule or a setting: `body` runs with the file as "$1", then the marker
    // file is written.
    QString script(const QString& name, const QByteArray& body)
    {
        const QString path = tools.filePath(name);
        testutil::writeFile(path, "#!/bin/sh\n" + body + "\ntouch '" + marker().toUtf8() + "'\n");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return path;
    }
    QString marker() const { return tools.filePath("done.marker"); }
    static void select(FilePanel* panel, const QString& name) { panel->View()->SetSelection({rowOf(panel->View(), name)}); }
    // Edit on a remote file by its command, as the user starts it.
    static void startRemote(TfrmMain& window, const char* id, const QString& name)
    {
        window.SetActivePanel(window.RemotePanel);
        select(window.RemotePanel, name);
        window.Commands->update();
        ASSERT_TRUE(window.Commands->trigger(QString::fromLatin1(id)));
    }
    static TfrmEditor* waitEditor(TfrmMain& window)
    {
        TfrmEditor* editor = nullptr;
        testutil::waitFor([&] {
            editor = window.findChild<TfrmEditor*>();
            return editor && editor->isVisible();
        });
        return editor;
    }
    static void waitBackToIdle(TfrmMain& window)
    {
        ASSERT_TRUE(testutil::waitFor([&] { return window.Session->State() != SessionState::Idle; }, 2000)
                    || window.Session->State() == SessionState::Idle);
        ASSERT_TRUE(waitIdle(window, 20000));
    }
    static qint64 listedSize(TfrmMain& window, const QString& name)
    {
        for (const FileEntry& entry : window.Session->Remote().entries()) {
            if (entry.name == name)
                return entry.size;
        }
        return -2;
    }
    static void append(TfrmEditor* editor, const QString& text)
    {
        QTextCursor cursor = editor->Memo1->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
    }

    QTemporaryDir tools;
    WaitingPrompt waiting;  // answers every question of these tests
};

}  // namespace

// A rule's program edits the copy; the question is answered only once it has finished; the
// file goes back to where it came from in the mode the transfer rules choose (an image comes
// back byte for byte), and the window is idle with a fresh listing showing the new size.
TEST_F(EditViewTest, ARuleProgramEditsAndTheFileGoesBack)
{
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    png += QByteArray("\r\n\n\r\0", 5).repeated(100);
    ASSERT_TRUE(testutil::writeFile(serverRoot.filePath("notes.cfg"), "first\n"));
    ASSERT_TRUE(testutil::writeFile(serverRoot.filePath("image.png"), png));
    const QString appender = script("append.sh", "sleep 0.3\nprintf 'added by the editor\\n' >> \"$1\"");
    const QString rewriter = script("rewrite.sh", "sleep 0.3\ncp \"$1\" \"$1.new\" && mv \"$1.new\" \"$1\"");
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    window->Settings->file().writeList("Editors", "e", {".cfg .conf," + appender, ".png," + rewriter});
    window->Settings->prefs().AsciiExtensions = {"*.cfg", "*.txt"};
    ASSERT_TRUE(connectPyftpd(*window));

    const struct {
        const char* name;
        QByteArray expected;
    } cases[] = {
        {"notes.cfg", "first\nadded by the editor\n"},
        {"image.png", png},
    };
    for (const auto& c : cases) {
        QFile::remove(marker());
        waiting.clear();
        bool markerSeen = false;
        waiting.beforeAnswer = [&] { markerSeen = testutil::waitFor([&] { return QFileInfo::exists(marker()); }); };
        waiting.answer(Prompt::Ok);
        startRemote(*window, "mnuEdit", c.name);
        waitBackToIdle(*window);
        EXPECT_TRUE(markerSeen) << c.name;
        ASSERT_EQ(waiting.asked().size(), 1u) << c.name;
        EXPECT_EQ(waiting.asked()[0].text, "Click OK to re-upload edited file, or click Cancel to abort.");
        EXPECT_EQ(waiting.asked()[0].icon, Prompt::Icon::Information);
        EXPECT_EQ(waiting.asked()[0].buttons, Prompt::Ok | Prompt::Cancel);
        EXPECT_EQ(testutil::readFile(serverRoot.filePath(c.name)), c.expected) << c.name;
        EXPECT_EQ(listedSize(*window, c.name), c.expected.size()) << c.name;
        EXPECT_EQ(window->Session->State(), SessionState::Idle);
    }
    EXPECT_TRUE(window->findChildren<TfrmEditor*>().isEmpty());
}

// The built-in editor: a Latin-1 file with CR LF line ends saved unchanged comes back byte
// for byte, and changed it keeps both; Abort and No keep editing, Abort and Yes leave the
// server's file untouched and the window idle.
TEST_F(EditViewTest, TheBuiltInEditorKeepsTheFileAsItWas)
{
    const QByteArray latin("caf\xe9 cr\xe8me\r\nsecond line\r\n");
    ASSERT_TRUE(testutil::writeFile(serverRoot.filePath("latin.txt"), latin));
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));

    const struct {
        const char* typed;
        QByteArray expected;
    } cases[] = {{"", latin}, {"\xc3\xa9t\xc3\xa9\n", latin + "\xe9t\xe9\r\n"}};
    for (const auto& c : cases) {
        startRemote(*window, "mnuEdit", "latin.txt");
        TfrmEditor* editor = waitEditor(*window);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(window->Session->State(), SessionState::EditFetch);
        EXPECT_EQ(editor->windowTitle(), "Editing: latin.txt");
        append(editor, QString::fromUtf8(c.typed));
        editor->mnuReUpload->trigger();
        waitBackToIdle(*window);
        EXPECT_EQ(testutil::readFile(serverRoot.filePath("latin.txt")), c.expected) << c.typed;
        ASSERT_TRUE(testutil::writeFile(serverRoot.filePath("latin.txt"), latin));
    }
    EXPECT_EQ(waiting.asked().size(), 0u);

    startRemote(*window, "popEdit", "latin.txt");
    TfrmEditor* editor = waitEditor(*window);
    ASSERT_NE(editor, nullptr);
    append(editor, "never sent");
    waiting.answer(Prompt::No);
    editor->mnuAbort->trigger();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(window->Session->State(), SessionState::EditFetch);
    waiting.answer(Prompt::Yes);
    editor->mnuAbort->trigger();
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(testutil::readFile(serverRoot.filePath("latin.txt")), latin);
    EXPECT_EQ(waiting.asked().size(), 2u);
}

// A refused RETR (550) opens no editor and the window is idle again; a server killed while
// the user edits: Re-Upload says so and where the changes are, and the copy stays.
TEST_F(EditViewTest, FailuresOpenNothingAndLoseNothing)
{
    ASSERT_TRUE(testutil::writeFile(serverRoot.filePath("a.txt"), "server text\n"));
    PyFtpOptions options;
    options.refuse << "RETR*1=550 Permission denied.";
    ASSERT_TRUE(startPyftpd(options));
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));

    startRemote(*window, "mnuEdit", "a.txt");
    waitBackToIdle(*window);
    testutil::spin(100);
    EXPECT_TRUE(window->findChildren<TfrmEditor*>().isEmpty());
    EXPECT_TRUE(window->Memo1->Text().contains("Unable to fetch /a.txt"));

    startRemote(*window, "mnuEdit", "a.txt");
    TfrmEditor* editor = waitEditor(*window);
    ASSERT_NE(editor, nullptr);
    const QString copy = editor->FileName();
    append(editor, "my changes\n");
    pyftpd.stop();
    ASSERT_TRUE(testutil::waitFor([&] { return window->Session->State() == SessionState::NotConnected; }, 15000));
    editor->mnuReUpload->trigger();
    ASSERT_TRUE(testutil::waitFor([&] { return waiting.asked().size() == 1; }));
    EXPECT_TRUE(waiting.asked()[0].text.contains("lost"));
    EXPECT_TRUE(waiting.asked()[0].text.endsWith(copy));
    EXPECT_EQ(testutil::readFile(copy), "server text\nmy changes\n");
    EXPECT_TRUE(window->EditView->Store().IsKept(copy));
    EXPECT_EQ(testutil::readFile(serverRoot.filePath("a.txt")), "server text\n");
    window.reset();
    EXPECT_EQ(testutil::readFile(copy), "server text\nmy changes\n");  // kept after exit
    QDir(QFileInfo(copy).absolutePath()).removeRecursively();
}

// The commands: on files of either view (not folders), a remote one only while idle; in the
// Commands menu, the pop-up and the toolbar; Ctrl+E and Ctrl+Shift+V. A double click views
// (DoubleClick 1) or edits (2); a local file goes to its program at once.
TEST_F(EditViewTest, CommandsAndDoubleClicks)
{
    QTemporaryDir local;
    QDir(local.path()).mkdir("folder");
    testutil::writeFile(local.filePath("here.txt"), "local");
    testutil::writeFile(serverRoot.filePath("there.txt"), "remote");
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(window->EnterLocalDirectory(local.path()));
    OpenedFiles opened;
    window->Config().DefaultViewer = true;
    window->Config().Editor = script("editor.sh", "printf '%s' \"$1\" > '" + tools.filePath("edited").toUtf8() + "'");

    EXPECT_EQ(window->command("mnuEdit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    EXPECT_EQ(window->command("mnuView")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    QStringList toolTexts;
    for (QAction* action : window->ToolBar->actions())
        toolTexts << action->iconText();
    EXPECT_TRUE(toolTexts.contains("View file") && toolTexts.contains("Edit file"));

    window->SetActivePanel(window->LocalPanel);
    const struct {
        const char* row;
        bool enabled;
    } rows[] = {{"here.txt", true}, {"folder", false}};
    for (const auto& r : rows) {
        select(window->LocalPanel, r.row);
        window->Commands->update();
        for (const char* id : {"mnuView", "mnuEdit", "popView", "popEdit"})
            EXPECT_EQ(window->command(id)->isEnabled(), r.enabled) << r.row << " " << id;
    }
    QMenu* commands = window->findChild<QMenu*>("mnuCommands");
    emit commands->aboutToShow();
    EXPECT_TRUE(commands->actions().contains(window->command("mnuView")));
    EXPECT_TRUE(commands->actions().contains(window->command("mnuEdit")));
    emit window->PopupCommand->aboutToShow();
    EXPECT_TRUE(window->PopupCommand->actions().contains(window->command("popEdit")));

    select(window->LocalPanel, "here.txt");
    window->Config().DoubleClick = 2;
    window->LocalPanel->View()->OnDblClick(window->LocalPanel->View(), rowOf(window->LocalPanel->View(), "here.txt"));
    ASSERT_TRUE(testutil::waitFor([&] { return QFileInfo::exists(marker()); }));
    EXPECT_EQ(testutil::readFile(tools.filePath("edited")), local.filePath("here.txt").toUtf8());
    ASSERT_TRUE(window->Commands->trigger("mnuView"));
    EXPECT_EQ(opened.paths, QStringList{local.filePath("here.txt")});

    ASSERT_TRUE(connectPyftpd(*window));
    window->SetActivePanel(window->RemotePanel);
    select(window->RemotePanel, "there.txt");
    window->Session->SetState(SessionState::RemoteCommand);
    window->Commands->update();
    EXPECT_FALSE(window->command("mnuView")->isEnabled());
    window->Session->SetState(SessionState::Idle);
    window->Config().DoubleClick = 1;
    window->RemotePanel->View()->OnDblClick(window->RemotePanel->View(), rowOf(window->RemotePanel->View(), "there.txt"));
    waitBackToIdle(*window);
    ASSERT_EQ(opened.paths.size(), 2);
    EXPECT_EQ(QFileInfo(opened.paths[1]).fileName(), "there.txt");
    EXPECT_TRUE(opened.paths[1].startsWith(window->EditView->Store().Directory() + '/'));
    EXPECT_EQ(testutil::readFile(opened.paths[1]), "remote");
}

