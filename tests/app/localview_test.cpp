// The local view on a temporary tree: rows, sizes and times, the parent entry, sorting,
// filters, navigation, the path box, the commands on the focused view, the view settings.
#include "app/findbox.h"
#include "session/viewtext.h"
#include "platform/core/inifile.h"
#include "viewfixture.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>

namespace {

class LocalViewTest : public ViewWindowTest
{
protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        ASSERT_TRUE(tree.isValid());
        QDir dir(tree.path());
        dir.mkdir("alpha");
        dir.mkdir("beta");
        testutil::writeFile(dir.filePath("alpha/inside.txt"), "i");
        QFile big(dir.filePath("c.txt"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(1234567));
        big.close();
        testutil::writeFile(dir.filePath("a.zip"), "");
        testutil::writeFile(dir.filePath(".hidden"), "abc");
        QFile stamped(dir.filePath("c.txt"));
        ASSERT_TRUE(stamped.open(QIODevice::ReadWrite));
        ASSERT_TRUE(stamped.setFileTime(stampTime, QFileDevice::FileModificationTime));
        stamped.close();
        treeDir = tree.path() + '/';
    }

    std::unique_ptr<TfrmMain> openAtTree()
    {
        auto window = openWindow();
        window->Config().Path = tree.path();
        EXPECT_TRUE(window->EnterLocalDirectory(tree.path()));
        return window;
    }

    static bool key(TfrmMain& window, int k)
    {
        QKeyEvent event(QEvent::KeyPress, k, Qt::NoModifier);
        return window.LocalKeyDown(&event);
    }

    QTemporaryDir tree;
    QString treeDir;
    const QDateTime stampTime{QDate(2025, 3, 7), QTime(21, 5, 9)};
};

}  // namespace

// Every entry (hidden ones too) with size and time, directories first, the parent entry, the
// count label, the path box and the process's directory; the root has no parent entry.
TEST_F(LocalViewTest, ListingShowsEveryEntryWithSizesTimesAndTheParent)
{
    auto window = openAtTree();
    EXPECT_EQ(window->LocalDir->currentDirectory(), treeDir);
    const QStringList rows = names(window->LocalPanel->View());
    ASSERT_EQ(rows.size(), 6) << rows.join(' ').toStdString();
    EXPECT_EQ(rows.mid(0, 3), QStringList({"..", "alpha", "beta"}));
    EXPECT_EQ(QSet<QString>(rows.begin() + 3, rows.end()), QSet<QString>({".hidden", "a.zip", "c.txt"}));
    const TListItem& parent = window->LocalPanel->View()->Item(0);
    EXPECT_EQ(parent.ImageIndex, 0);
    EXPECT_TRUE(parent.SubItems.isEmpty());
    const TListItem& folder = window->LocalPanel->View()->Item(1);
    EXPECT_EQ(folder.ImageIndex, 1);
    EXPECT_EQ(folder.SubItems.value(0), "");
    EXPECT_FALSE(folder.SubItems.value(1).isEmpty());
    const TListItem& file = window->LocalPanel->View()->Item(rowOf(window->LocalPanel->View(), "c.txt"));
    EXPECT_EQ(file.ImageIndex, 3);
    EXPECT_EQ(file.SubItems, QStringList({"1,234,567", "3/7/25 9:05:09 PM"}));
    EXPECT_EQ(window->LocalPanel->View()->Item(rowOf(window->LocalPanel->View(), "a.zip")).SubItems.value(0), "0");
    EXPECT_EQ(window->LocalPanel->CountLabel()->text(), "2 folder(s), 3 file(s) listed [*.*]");
    EXPECT_EQ(QDir::currentPath() + '/', treeDir);

    // The path box: one item per level down to the current directory, which is marked,
    // selected and shown with the free space of its file system.
    QComboBox* box = window->LocalPanel->PathBox();
    const int levels = int(treeDir.count('/'));
    ASSERT_EQ(box->count(), levels);
    EXPECT_EQ(box->itemData(0, Qt::UserRole).toString(), "1:/");
    EXPECT_EQ(box->itemData(levels - 1, Qt::UserRole).toString(), QString("T%1:%2").arg(levels).arg(treeDir));
    EXPECT_EQ(box->currentIndex(), levels - 1);
    EXPECT_TRUE(box->currentText().contains(QRegularExpression("^\\S+   \\[\\d+\\.\\d\\d Mb free\\]$")))
        << box->currentText().toStdString();

    // The root: no parent entry, and Backspace stays there.
    ASSERT_TRUE(window->EnterLocalDirectory("/"));
    EXPECT_EQ(rowOf(window->LocalPanel->View(), ".."), -1);
    EXPECT_TRUE(key(*window, Qt::Key_Backspace));
    EXPECT_EQ(window->LocalDir->currentDirectory(), "/");
    EXPECT_EQ(window->LocalPanel->PathBox()->count(), 1);
}

// AutoSort and AlphaSort decide the order after each read.
TEST_F(LocalViewTest, TheSortPreferenceOrdersTheRows)
{
    auto window = openAtTree();
    struct Case {
        int autoSort;
        bool alphaSort;
        QStringList expected;  // without ".hidden", whose place depends on the collation
    } cases[] = {
        {0, false, {"..", "alpha", "beta", "a.zip", "c.txt"}},
        {0, true, {"..", "a.zip", "alpha", "beta", "c.txt"}},
        {1, false, {"..", "alpha", "beta", "a.zip", "c.txt"}},
        {3, false, {"..", "alpha", "beta", "c.txt", "a.zip"}},
    };
    for (const Case& c : cases) {
        window->Config().AutoSort = c.autoSort;
        window->Config().AlphaSort = c.alphaSort;
        window->ListLocal();
        QStringList rows = names(window->LocalPanel->View());
        rows.removeAll(".hidden");
        EXPECT_EQ(rows, c.expected) << c.autoSort << " " << c.alphaSort;
    }
}

// "*.zip" keeps the directories and the parent entry; "Filter Directories" hides the
// directories, never the way up.
TEST_F(LocalViewTest, FiltersKeepDirectoriesUnlessFilterDirectories)
{
    auto window = openAtTree();
    window->SetActivePanel(window->LocalPanel);
    prompt.answer(QString("*.zip"));
    window->command("mnuFilterFiles")->trigger();
    EXPECT_EQ(prompt.asked().back().caption, "Local Filter");
    EXPECT_EQ(prompt.asked().back().defaultText, "*.*");
    EXPECT_EQ(names(window->LocalPanel->View()), QStringList({"..", "alpha", "beta", "a.zip"}));
    EXPECT_EQ(window->LocalPanel->CountLabel()->text(), "2 folder(s), 1 file(s) listed [*.zip]");
    window->command("mnuFilterDirs")->trigger();
    EXPECT_EQ(names(window->LocalPanel->View()), QStringList({"..", "a.zip"}));
    prompt.answer(QString("*"));
    window->command("mnuFilterFiles")->trigger();
    EXPECT_EQ(window->LocalDir->filter().mask, "*.*");
    EXPECT_EQ(window->LocalPanel->View()->Count(), 6);  // every name passes "*.*", directories too
}

// Double click, Enter, Backspace and the path box move; during a transfer the parent entry
// is gone and double clicks do nothing.
TEST_F(LocalViewTest, NavigationByMouseKeysAndThePathBox)
{
    auto window = openAtTree();
    ASSERT_TRUE(open(*window, window->LocalPanel->View(), "alpha"));
    EXPECT_EQ(window->LocalDir->currentDirectory(), treeDir + "alpha/");
    EXPECT_EQ(names(window->LocalPanel->View()), QStringList({"..", "inside.txt"}));
    ASSERT_TRUE(open(*window, window->LocalPanel->View(), ".."));
    EXPECT_EQ(window->LocalDir->currentDirectory(), treeDir);

    window->LocalPanel->View()->SetSelection({rowOf(window->LocalPanel->View(), "beta")});
    EXPECT_TRUE(key(*window, Qt::Key_Return));
    EXPECT_EQ(window->LocalDir->currentDirectory(), treeDir + "beta/");
    EXPECT_TRUE(key(*window, Qt::Key_Backspace));
    EXPECT_EQ(window->LocalDir->currentDirectory(), treeDir);

    // Choosing the parent level in the path box.
    QComboBox* box = window->LocalPanel->PathBox();
    emit window->LocalPanel->PathBox()->activated(box->count() - 2);
    EXPECT_EQ(window->LocalDir->currentDirectory() + QFileInfo(tree.path()).fileName() + '/', treeDir);

    window->EnterLocalDirectory(tree.path());
    window->Session->SetState(SessionState::Downloading);
    window->ListLocal();
    EXPECT_EQ(rowOf(window->LocalPanel->View(), ".."), -1);
    ASSERT_TRUE(open(*window, window->LocalPanel->View(), "alpha"));
    EXPECT_EQ(window->LocalDir->currentDirectory(), treeDir);
    window->Session->SetState(SessionState::NotConnected);
}

// A path-box level that vanished gives "Unable to access" and leaves the view; a current
// directory that vanished falls back to Path on the next read.
TEST_F(LocalViewTest, VanishedDirectoriesAreReportedOrFallBack)
{
    auto window = openAtTree();
    ASSERT_TRUE(open(*window, window->LocalPanel->View(), "alpha"));
    QDir(treeDir + "alpha").removeRecursively();
    // The box still offers alpha; the view still shows it.
    const QStringList shown = names(window->LocalPanel->View());
    emit window->LocalPanel->PathBox()->activated(window->LocalPanel->PathBox()->count() - 1);
    ASSERT_FALSE(prompt.asked().empty());
    EXPECT_EQ(prompt.asked().back().text, "Unable to access " + treeDir + "alpha/ .");
    EXPECT_EQ(names(window->LocalPanel->View()), shown);

    window->Config().Path = treeDir + "beta";
    window->ListLocal();
    EXPECT_EQ(window->LocalDir->currentDirectory(), treeDir + "beta/");
}

// "Change Directory" takes absolute and relative answers and reports one that is not there.
TEST_F(LocalViewTest, ChangeDirectoryAcceptsRelativePathsAndReportsMissingOnes)
{
    auto window = openAtTree();
    window->SetActivePanel(window->LocalPanel);
    prompt.answer(QString("alpha"));
    window->command("mnuChangeDir")->trigger();
    EXPECT_EQ(prompt.asked().back().caption, "Change Directory");
    EXPECT_EQ(prompt.asked().back().text, "Enter new directory");
    EXPECT_EQ(prompt.asked().back().defaultText, treeDir);
    EXPECT_EQ(window->LocalDir->currentDirectory(), treeDir + "alpha/");
    prompt.answer(treeDir + "nowhere");
    window->command("mnuChangeDir")->trigger();
    EXPECT_EQ(prompt.asked().back().text, "Unable to access " + treeDir + "nowhere/ .");
    EXPECT_EQ(window->LocalDir->currentDirectory(), treeDir + "alpha/");
}

// Select all leaves the parent entry out and sums up the selection; invert and group select
// work on the same rows; the right button shows the view menu.
TEST_F(LocalViewTest, SelectionCommandsAndTheSelectedSummary)
{
    auto window = openAtTree();
    window->SetActivePanel(window->LocalPanel);
    window->command("mnuSelectAll")->trigger();
    EXPECT_EQ(window->LocalPanel->View()->SelCount(), 5);
    EXPECT_FALSE(window->LocalPanel->View()->IsSelected(0));
    EXPECT_EQ(window->LocalPanel->CountLabel()->text(), "2 folder(s), 3 file(s) selected [1,234,570 bytes]");

    window->LocalPanel->View()->SetSelection({rowOf(window->LocalPanel->View(), "alpha"), rowOf(window->LocalPanel->View(), "c.txt")});
    window->command("mnuInvertSelection")->trigger();
    QStringList selected;
    for (const int row : window->LocalPanel->View()->SelectedRows())
        selected << window->LocalPanel->View()->Item(row).Caption;
    selected.sort();
    EXPECT_EQ(selected, QStringList({".hidden", "a.zip", "beta"}));
    EXPECT_TRUE(testutil::waitFor([&] { return window->LocalPanel->CountLabel()->text() == "1 folder(s), 2 file(s) selected [3 bytes]"; }))
        << window->LocalPanel->CountLabel()->text().toStdString();

    prompt.answer(QString("*.txt"));
    window->command("mnuGroupSelect")->trigger();
    EXPECT_EQ(prompt.asked().back().caption, "Group select");
    ASSERT_EQ(window->LocalPanel->View()->SelCount(), 1);
    EXPECT_EQ(window->LocalPanel->View()->Item(window->LocalPanel->View()->SelectedRow()).Caption, "c.txt");
    prompt.answer(QString("a.zip"));
    window->command("mnuGroupSelect")->trigger();
    ASSERT_EQ(window->LocalPanel->View()->SelCount(), 1);
    EXPECT_EQ(window->LocalPanel->View()->Item(window->LocalPanel->View()->SelectedRow()).Caption, "a.zip");
    window->LocalPanel->View()->ClearSelection();
    ASSERT_TRUE(testutil::waitFor([&] { return window->LocalPanel->CountLabel()->text().contains("listed"); }));

    // Not connected: the remote view's menu cannot refresh, the local one can.
    window->ViewContextMenu(window->RemotePanel, window->RemotePanel->View()->mapToGlobal(QPoint(10, 10)));
    EXPECT_TRUE(window->PopupView->isVisible());
    EXPECT_FALSE(window->command("mnuRefresh")->isEnabled());
    window->PopupView->hide();
    window->ViewContextMenu(window->LocalPanel, window->LocalPanel->View()->mapToGlobal(QPoint(10, 10)));
    EXPECT_TRUE(window->command("mnuRefresh")->isEnabled());
    EXPECT_TRUE(window->command("mnuDetails")->isChecked());
    window->PopupView->hide();
    // The focused view's label stands out.
    EXPECT_NE(window->LocalPanel->CountLabel()->palette().color(QPalette::Window),
              window->RemotePanel->CountLabel()->palette().color(QPalette::Window));
}

// Find selects the first match from the top; Find Next goes on and says "File not found"
// after the last one.
TEST_F(LocalViewTest, FindAndFindNextThroughTheLastMatch)
{
    auto window = openAtTree();
    window->SetActivePanel(window->LocalPanel);
    window->command("mnuFindFile")->trigger();
    ASSERT_NE(window->FindBox, nullptr);
    EXPECT_TRUE(window->FindBox->isVisible());
    EXPECT_FALSE(window->command("mnuFindNext")->isEnabled());
    window->FindBox->setText("A");
    window->FindBox->findButton()->click();
    const auto selectedName = [&] { return window->LocalPanel->View()->Item(window->LocalPanel->View()->SelectedRow()).Caption; };
    EXPECT_EQ(selectedName(), "alpha");
    EXPECT_TRUE(window->command("mnuFindNext")->isEnabled());
    window->command("mnuFindNext")->trigger();
    EXPECT_EQ(selectedName(), "beta");
    window->command("mnuFindNext")->trigger();
    EXPECT_EQ(selectedName(), "a.zip");
    EXPECT_TRUE(prompt.asked().empty());
    window->command("mnuFindNext")->trigger();
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked().back().text, "File not found");
    EXPECT_FALSE(window->command("mnuFindNext")->isEnabled());
    EXPECT_EQ(window->LocalPanel->View()->SelCount(), 0);
}

// HideHeader, SelectLine and the font reach both views, the queue and the console; the
// stored default font stands for the desktop's own.
TEST_F(ViewWindowTest, ViewSettingsReachTheViewsQueueAndConsole)
{
    {
        auto window = openWindow();
        EXPECT_TRUE(window->LocalPanel->View()->ShowColumnHeaders());
        EXPECT_FALSE(window->RemotePanel->View()->RowSelect());
        EXPECT_EQ(window->LocalPanel->View()->font().family(), QApplication::font().family());
        EXPECT_EQ(window->LocalPanel->View()->font().pointSize(), QApplication::font().pointSize());
    }
    IniFile ini(home.filePath("orvoftp.ini"));
    ini.writeString("Setup", "HideHeader", "1");
    ini.writeString("Setup", "SelectLine", "1");
    ini.writeString("Setup", "FontName", "DejaVu Serif");
    ini.writeString("Setup", "FontSize", "13");
    auto window = openWindow();
    EXPECT_FALSE(window->LocalPanel->View()->ShowColumnHeaders());
    EXPECT_FALSE(window->RemotePanel->View()->ShowColumnHeaders());
    EXPECT_TRUE(window->LocalPanel->View()->RowSelect());
    EXPECT_TRUE(window->RemotePanel->View()->RowSelect());
    for (QWidget* control : std::initializer_list<QWidget*>{window->LocalPanel->View(), window->RemotePanel->View(), window->Queue, window->Memo1}) {
        EXPECT_EQ(control->font().family(), "DejaVu Serif") << control->objectName().toStdString();
        EXPECT_EQ(control->font().pointSize(), 13) << control->objectName().toStdString();
    }
}
