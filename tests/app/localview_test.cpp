// The local view on a temporary tree: rows, sizes and times, the parent entry, sorting,
// filters, navigation, the path box, the commands on the focused view, the view settings.
#include "app/findbox.h"
#include "app/viewtext.h"
#include "platform/inifile.h"
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
    EXPECT_EQ(window->CurrentLocalDir, treeDir);
    const QStringList rows = names(window->Local);
    ASSERT_EQ(rows.size(), 6) << rows.join(' ').toStdString();
    EXPECT_EQ(rows.mid(0, 3), QStringList({"..", "alpha", "beta"}));
    EXPECT_EQ(QSet<QString>(rows.begin() + 3, rows.end()), QSet<QString>({".hidden", "a.zip", "c.txt"}));
    const TListItem& parent = window->Local->Item(0);
    EXPECT_EQ(parent.ImageIndex, 0);
    EXPECT_TRUE(parent.SubItems.isEmpty());
    const TListItem& folder = window->Local->Item(1);
    EXPECT_EQ(folder.ImageIndex, 1);
    EXPECT_EQ(folder.SubItems.value(0), "");
    EXPECT_FALSE(folder.SubItems.value(1).isEmpty());
    const TListItem& file = window->Local->Item(rowOf(window->Local, "c.txt"));
    EXPECT_EQ(file.ImageIndex, 3);
    EXPECT_EQ(file.SubItems, QStringList({"1,234,567", "3/7/25 9:05:09 PM"}));
    EXPECT_EQ(window->Local->Item(rowOf(window->Local, "a.zip")).SubItems.value(0), "0");
    EXPECT_EQ(window->PanelLocalCount->text(), "2 folder(s), 3 file(s) listed [*.*]");
    EXPECT_EQ(QDir::currentPath() + '/', treeDir);

    // The path box: one item per level down to the current directory, which is marked,
    // selected and shown with the free space of its file system.
    QComboBox* box = window->LocalPathBox;
    const int levels = int(treeDir.count('/'));
    ASSERT_EQ(box->count(), levels);
    EXPECT_EQ(box->itemData(0, Qt::UserRole).toString(), "1:/");
    EXPECT_EQ(box->itemData(levels - 1, Qt::UserRole).toString(), QString("T%1:%2").arg(levels).arg(treeDir));
    EXPECT_EQ(box->currentIndex(), levels - 1);
    EXPECT_TRUE(box->currentText().contains(QRegularExpression("^\\S+   \\[\\d+\\.\\d\\d Mb free\\]$")))
        << box->currentText().toStdString();

    // The root: no parent entry, and Backspace stays there.
    ASSERT_TRUE(window->EnterLocalDirectory("/"));
    EXPECT_EQ(rowOf(window->Local, ".."), -1);
    EXPECT_TRUE(key(*window, Qt::Key_Backspace));
    EXPECT_EQ(window->CurrentLocalDir, "/");
    EXPECT_EQ(window->LocalPathBox->count(), 1);
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
        QStringList rows = names(window->Local);
        rows.removeAll(".hidden");
        EXPECT_EQ(rows, c.expected) << c.autoSort << " " << c.alphaSort;
    }
}

// "*.zip" keeps the directories and the parent entry; "Filter Directories" hides the
// directories, never the way up.
TEST_F(LocalViewTest, FiltersKeepDirectoriesUnlessFilterDirectories)
{
    auto window = openAtTree();
    window->SetActiveView(window->Local);
    prompt.answer(QString("*.zip"));
    window->mnuFilterFiles->trigger();
    EXPECT_EQ(prompt.asked().back().caption, "Local Filter");
    EXPECT_EQ(prompt.asked().back().defaultText, "*.*");
    EXPECT_EQ(names(window->Local), QStringList({"..", "alpha", "beta", "a.zip"}));
    EXPECT_EQ(window->PanelLocalCount->text(), "2 folder(s), 1 file(s) listed [*.zip]");
    window->mnuFilterDirs->trigger();
    EXPECT_EQ(names(window->Local), QStringList({"..", "a.zip"}));
    prompt.answer(QString("*"));
    window->mnuFilterFiles->trigger();
    EXPECT_EQ(window->LocalFilter, "*.*");
    EXPECT_EQ(window->Local->Count(), 6);  // every name passes "*.*", directories too
}

// Double click, Enter, Backspace and the path box move; during a transfer the parent entry
// is gone and double clicks do nothing.
TEST_F(LocalViewTest, NavigationByMouseKeysAndThePathBox)
{
    auto window = openAtTree();
    ASSERT_TRUE(open(*window, window->Local, "alpha"));
    EXPECT_EQ(window->CurrentLocalDir, treeDir + "alpha/");
    EXPECT_EQ(names(window->Local), QStringList({"..", "inside.txt"}));
    ASSERT_TRUE(open(*window, window->Local, ".."));
    EXPECT_EQ(window->CurrentLocalDir, treeDir);

    window->Local->SetSelection({rowOf(window->Local, "beta")});
    EXPECT_TRUE(key(*window, Qt::Key_Return));
    EXPECT_EQ(window->CurrentLocalDir, treeDir + "beta/");
    EXPECT_TRUE(key(*window, Qt::Key_Backspace));
    EXPECT_EQ(window->CurrentLocalDir, treeDir);

    // Choosing the parent level in the path box.
    QComboBox* box = window->LocalPathBox;
    window->LocalPathBoxChange(box->count() - 2);
    EXPECT_EQ(window->CurrentLocalDir + QFileInfo(tree.path()).fileName() + '/', treeDir);

    window->EnterLocalDirectory(tree.path());
    window->SetSessionState(SessionState::Downloading);
    window->ListLocal();
    EXPECT_EQ(rowOf(window->Local, ".."), -1);
    ASSERT_TRUE(open(*window, window->Local, "alpha"));
    EXPECT_EQ(window->CurrentLocalDir, treeDir);
    window->SetSessionState(SessionState::NotConnected);
}

// A path-box level that vanished gives "Unable to access" and leaves the view; a current
// directory that vanished falls back to Path on the next read.
TEST_F(LocalViewTest, VanishedDirectoriesAreReportedOrFallBack)
{
    auto window = openAtTree();
    ASSERT_TRUE(open(*window, window->Local, "alpha"));
    QDir(treeDir + "alpha").removeRecursively();
    // The box still offers alpha; the view still shows it.
    const QStringList shown = names(window->Local);
    window->LocalPathBoxChange(window->LocalPathBox->count() - 1);
    ASSERT_FALSE(prompt.asked().empty());
    EXPECT_EQ(prompt.asked().back().text, "Unable to access " + treeDir + "alpha/ .");
    EXPECT_EQ(names(window->Local), shown);

    window->Config().Path = treeDir + "beta";
    window->ListLocal();
    EXPECT_EQ(window->CurrentLocalDir, treeDir + "beta/");
}

// "Change Directory" takes absolute and relative answers and reports one that is not there.
TEST_F(LocalViewTest, ChangeDirectoryAcceptsRelativePathsAndReportsMissingOnes)
{
    auto window = openAtTree();
    window->SetActiveView(window->Local);
    prompt.answer(QString("alpha"));
    window->mnuChangeDir->trigger();
    EXPECT_EQ(prompt.asked().back().caption, "Change Directory");
    EXPECT_EQ(prompt.asked().back().text, "Enter new directory");
    EXPECT_EQ(prompt.asked().back().defaultText, treeDir);
    EXPECT_EQ(window->CurrentLocalDir, treeDir + "alpha/");
    prompt.answer(treeDir + "nowhere");
    window->mnuChangeDir->trigger();
    EXPECT_EQ(prompt.asked().back().text, "Unable to access " + treeDir + "nowhere/ .");
    EXPECT_EQ(window->CurrentLocalDir, treeDir + "alpha/");
}

// Select all leaves the parent entry out and sums up the selection; invert and group select
// work on the same rows; the right button shows the view menu.
TEST_F(LocalViewTest, SelectionCommandsAndTheSelectedSummary)
{
    auto window = openAtTree();
    window->SetActiveView(window->Local);
    window->mnuSelectAll->trigger();
    EXPECT_EQ(window->Local->SelCount(), 5);
    EXPECT_FALSE(window->Local->IsSelected(0));
    EXPECT_EQ(window->PanelLocalCount->text(), "2 folder(s), 3 file(s) selected [1,234,570 bytes]");

    window->Local->SetSelection({rowOf(window->Local, "alpha"), rowOf(window->Local, "c.txt")});
    window->mnuInvertSelection->trigger();
    QStringList selected;
    for (const int row : window->Local->SelectedRows())
        selected << window->Local->Item(row).Caption;
    selected.sort();
    EXPECT_EQ(selected, QStringList({".hidden", "a.zip", "beta"}));
    EXPECT_TRUE(testutil::waitFor([&] { return window->PanelLocalCount->text() == "1 folder(s), 2 file(s) selected [3 bytes]"; }))
        << window->PanelLocalCount->text().toStdString();

    prompt.answer(QString("*.txt"));
    window->mnuGroupSelect->trigger();
    EXPECT_EQ(prompt.asked().back().caption, "Group select");
    ASSERT_EQ(window->Local->SelCount(), 1);
    EXPECT_EQ(window->Local->Item(window->Local->SelectedRow()).Caption, "c.txt");
    prompt.answer(QString("a.zip"));
    window->mnuGroupSelect->trigger();
    ASSERT_EQ(window->Local->SelCount(), 1);
    EXPECT_EQ(window->Local->Item(window->Local->SelectedRow()).Caption, "a.zip");
    window->Local->ClearSelection();
    ASSERT_TRUE(testutil::waitFor([&] { return window->PanelLocalCount->text().contains("listed"); }));

    // Not connected: the remote view's menu cannot refresh, the local one can.
    window->ViewContextMenu(window->Remote, window->Remote->mapToGlobal(QPoint(10, 10)));
    EXPECT_TRUE(window->PopupView->isVisible());
    EXPECT_FALSE(window->mnuRefresh->isEnabled());
    window->PopupView->hide();
    window->ViewContextMenu(window->Local, window->Local->mapToGlobal(QPoint(10, 10)));
    EXPECT_TRUE(window->mnuRefresh->isEnabled());
    EXPECT_TRUE(window->mnuDetails->isChecked());
    window->PopupView->hide();
    // The focused view's label stands out.
    EXPECT_NE(window->PanelLocalCount->palette().color(QPalette::Window),
              window->PanelRemoteCount->palette().color(QPalette::Window));
}

// Find selects the first match from the top; Find Next goes on and says "File not found"
// after the last one.
TEST_F(LocalViewTest, FindAndFindNextThroughTheLastMatch)
{
    auto window = openAtTree();
    window->SetActiveView(window->Local);
    window->mnuFindFile->trigger();
    ASSERT_NE(window->FindBox, nullptr);
    EXPECT_TRUE(window->FindBox->isVisible());
    EXPECT_FALSE(window->mnuFindNext->isEnabled());
    window->FindBox->setText("A");
    window->FindBox->findButton()->click();
    const auto selectedName = [&] { return window->Local->Item(window->Local->SelectedRow()).Caption; };
    EXPECT_EQ(selectedName(), "alpha");
    EXPECT_TRUE(window->mnuFindNext->isEnabled());
    window->mnuFindNext->trigger();
    EXPECT_EQ(selectedName(), "beta");
    window->mnuFindNext->trigger();
    EXPECT_EQ(selectedName(), "a.zip");
    EXPECT_TRUE(prompt.asked().empty());
    window->mnuFindNext->trigger();
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked().back().text, "File not found");
    EXPECT_FALSE(window->mnuFindNext->isEnabled());
    EXPECT_EQ(window->Local->SelCount(), 0);
}

// HideHeader, SelectLine and the font reach both views, the queue and the console; the
// stored default font stands for the desktop's own.
TEST_F(ViewWindowTest, ViewSettingsReachTheViewsQueueAndConsole)
{
    {
        auto window = openWindow();
        EXPECT_TRUE(window->Local->ShowColumnHeaders());
        EXPECT_FALSE(window->Remote->RowSelect());
        EXPECT_EQ(window->Local->font().family(), QApplication::font().family());
        EXPECT_EQ(window->Local->font().pointSize(), QApplication::font().pointSize());
    }
    IniFile ini(home.filePath("orvoftp.ini"));
    ini.writeString("Setup", "HideHeader", "1");
    ini.writeString("Setup", "SelectLine", "1");
    ini.writeString("Setup", "FontName", "DejaVu Serif");
    ini.writeString("Setup", "FontSize", "13");
    auto window = openWindow();
    EXPECT_FALSE(window->Local->ShowColumnHeaders());
    EXPECT_FALSE(window->Remote->ShowColumnHeaders());
    EXPECT_TRUE(window->Local->RowSelect());
    EXPECT_TRUE(window->Remote->RowSelect());
    for (QWidget* control : std::initializer_list<QWidget*>{window->Local, window->Remote, window->Queue, window->Memo1}) {
        EXPECT_EQ(control->font().family(), "DejaVu Serif") << control->objectName().toStdString();
        EXPECT_EQ(control->font().pointSize(), 13) << control->objectName().toStdString();
    }
}
