// The queue in the main window: its commands and their enabling, selections from both views,
// drops, queue files, and the pending queue of an unfinished batch at exit and next start.
#include "app/queuecontroller.h"
#include "app/queueview.h"
#include "platform/core/inifile.h"
#include "sites/sitedatabase.h"
#include "transfers/queuefile.h"
#include "transfers/transferqueue.h"
#include "viewfixture.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QTcpServer>
#include <QTreeView>
#include <QUrl>

using testutil::waitFor;

namespace {

class QueueWindowTest : public ViewWindowTest
{
protected:
    static TransferQueue& queueOf(TfrmMain& window) { return *window.QueueModel; }
    static QStringList sources(TfrmMain& window)
    {
        QStringList out;
        for (const QueueEntry& entry : queueOf(window).entries())
            out << entry.source;
        return out;
    }
    static bool enabled(TfrmMain& window, const char* id)
    {
        window.Commands->update();
        return window.command(id)->isEnabled();
    }
    static void select(TOrvoListView* view, const QStringList& names)
    {
        std::vector<int> rows;
        for (const QString& name : names)
            rows.push_back(rowOf(view, name));
        view->SetSelection(rows);
    }

    // A site of the database; `port` 0 gives a port nobody listens on.
    void writeSite(const QString& name, quint16 port)
    {
        if (port == 0) {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            port = probe.serverPort();
        }
        TSiteDatabase sites(home.filePath("sites.ini"));
        TSiteRecord site;
        site.IP = "127.0.0.1";
        site.Port = QString::number(port);
        site.User = "tester";
        site.Pass = "pw-Tester9";
        sites.saveGroups({"Personal"}, 1);
        sites.writeSite(name, site);
        sites.saveGroupSites("Personal", {name});
    }
    QString pendingFile() const { return home.filePath("qfile.dat"); }
    IniFile ini() const { return IniFile(home.filePath("orvoftp.ini")); }
};

// Plays a drag entering, moving over and dropping on the queue's rows at `pos`.
bool dropOn(TOrvoListView& view, const QMimeData& data, QPoint pos)
{
    QWidget* viewport = view.DetailsView()->viewport();
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(pos, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &drop);
    return drop.isAccepted();
}

// The default locale for one test, whatever happens in it.
struct LocaleForTest
{
    explicit LocaleForTest(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleForTest() { QLocale::setDefault(previous); }
    QLocale previous;
};

QPoint rowCenter(TOrvoListView& view, int row)
{
    QTreeView* details = view.DetailsView();
    return details->visualRect(details->model()->index(row, 0)).center();
}

}  // namespace

// Every queue command with its enabling: adding from the local view while not connected,
// the rows the list shows, moving with the batch guard, Edit Target, the summary, Delete.
TEST_F(QueueWindowTest, CommandsAndTheirEnabling)
{
    QDir local(serverRoot.path());
    local.mkdir("photos");
    testutil::writeFile(local.filePath("a.txt"), QByteArray(1000, 'a'));
    testutil::writeFile(local.filePath("b.txt"), QByteArray(2500, 'b'));
    IniFile(home.filePath("orvoftp.ini")).writeString("Setup", "Path", serverRoot.path());
    auto window = openWindow();
    const QString dir = serverRoot.path() + '/';
    for (const char* id : {"queDelete", "queEditTarget", "queMoveUp", "queMoveDown", "queQueueInfo", "queSaveQueue",
                           "queClear", "expAdd"})
        EXPECT_FALSE(enabled(*window, id)) << id << " with an empty queue and no selection";
    EXPECT_TRUE(enabled(*window, "queLoadQueue"));

    TOrvoListView* view = window->LocalPanel->View();
    select(view, {"..", "photos", "a.txt", "b.txt"});
    ASSERT_TRUE(enabled(*window, "expAdd"));
    EXPECT_TRUE(window->Commands->trigger("expAdd"));
    // Not connected: the targets are relative to the directory the batch will start in.
    ASSERT_EQ(sources(*window), QStringList({dir + "photos", dir + "a.txt", dir + "b.txt"}));
    const TListItem& row = window->Queue->Item(1);
    EXPECT_EQ(row.Caption, dir + "a.txt");
    EXPECT_EQ(row.SubItems, QStringList({"1000", "~/a.txt"}));
    EXPECT_EQ(row.ImageIndex, 3);
    EXPECT_EQ(window->Queue->Item(0).SubItems, QStringList({"", "~/photos/"}));
    EXPECT_EQ(window->Queue->Item(0).ImageIndex, 2);
    EXPECT_EQ(window->Queue->ColumnCaption(0), "Name");
    for (const char* id : {"queQueueInfo", "queSaveQueue", "queClear"})
        EXPECT_TRUE(enabled(*window, id)) << id;

    prompt.answer(Prompt::Ok);
    EXPECT_TRUE(window->Commands->trigger("queQueueInfo"));
    EXPECT_EQ(prompt.asked().back().text, "Queue Summary:\n\nTotal Files: 2\nTotal Dirs: 1\nTotal Bytes: 3,500");
    EXPECT_EQ(prompt.asked().back().icon, Prompt::Icon::Information);

    // One entry selected: it moves, and the selection with it; not past the running entry.
    window->Queue->SetSelection({1});
    EXPECT_TRUE(enabled(*window, "queMoveUp"));
    window->Session->SetState(SessionState::Downloading);
    EXPECT_TRUE(window->Commands->trigger("queMoveUp"));
    EXPECT_EQ(sources(*window)[1], dir + "a.txt");
    window->Session->SetState(SessionState::NotConnected);
    EXPECT_TRUE(window->Commands->trigger("queMoveUp"));
    EXPECT_EQ(sources(*window), QStringList({dir + "a.txt", dir + "photos", dir + "b.txt"}));
    EXPECT_EQ(window->Queue->SelectedRows(), std::vector<int>{0});
    EXPECT_TRUE(window->Commands->trigger("queMoveDown"));
    EXPECT_TRUE(window->Commands->trigger("queMoveDown"));
    EXPECT_EQ(sources(*window), QStringList({dir + "photos", dir + "b.txt", dir + "a.txt"}));

    // Two entries: no moving; Edit Target gives both the typed target, from the current
    // remote directory ("~/" here) when relative.
    window->Queue->SetSelection({1, 2});
    EXPECT_FALSE(enabled(*window, "queMoveUp"));
    EXPECT_TRUE(enabled(*window, "queEditTarget"));
    prompt.answer(QString("incoming/new.txt"));
    EXPECT_TRUE(window->Commands->trigger("queEditTarget"));
    EXPECT_EQ(prompt.asked().back().caption, "Edit Target");
    EXPECT_EQ(prompt.asked().back().text, "Enter new target");
    EXPECT_EQ(prompt.asked().back().defaultText, "~/b.txt");
    EXPECT_EQ(queueOf(*window).at(1).target, "~/incoming/new.txt");
    EXPECT_EQ(queueOf(*window).at(2).target, "~/incoming/new.txt");
    EXPECT_EQ(window->Queue->Item(2).SubItems[1], "~/incoming/new.txt");

    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    ASSERT_TRUE(window->Queue->OnKeyDown(window->Queue, &del));
    EXPECT_EQ(sources(*window), QStringList({dir + "photos"}));
    EXPECT_TRUE(window->Commands->trigger("queClear"));
    EXPECT_EQ(window->Queue->Count(), 0);
    EXPECT_FALSE(enabled(*window, "queClear"));
}

// What the batch does to the queue shows in the list at once, and the user's selection
// stays on the entries it was on: a folder replaced by its contents at the front, a
// completed entry removed by identity.
TEST_F(QueueWindowTest, TheListFollowsTheBatch)
{
    auto window = openWindow();
    TransferQueue& queue = queueOf(*window);
    queue.append(QueueEntry::make(QueueEntry::DownloadFolder, "/pub/dir/", "", "/tmp/dir/"));
    queue.append(QueueEntry::make(QueueEntry::DownloadFile, "/pub/last.txt", "3", "/tmp/last.txt"));
    window->Queue->SetSelection({1});
    const quint64 folder = queue.first()->id;
    queue.removeById(folder);
    queue.insertAtFront({QueueEntry::make(QueueEntry::DownloadFile, "/pub/dir/a", "1", "/tmp/dir/a"),
                         QueueEntry::make(QueueEntry::DownloadFolder, "/pub/dir/sub/", "", "/tmp/dir/sub/")});
    ASSERT_EQ(window->Queue->Count(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(window->Queue->Item(row).Caption, queue.at(row).source) << row;
        EXPECT_EQ(window->Queue->Item(row).ImageIndex, queue.at(row).kind) << row;
    }
    EXPECT_EQ(window->Queue->SelectedRows(), std::vector<int>{2});
    EXPECT_FALSE(queue.removeById(folder));  // gone already: nothing else goes
    EXPECT_EQ(window->Queue->Count(), 3);
}

// Remote selections: ".." left out, folders with a separator, sizes from the listing's
// numbers (the German view shows "1.234"), the double-click action "Queue".
TEST_F(QueueWindowTest, RemoteSelectionsQueueTheirTypedSizes)
{
    QDir root(serverRoot.path());
    root.mkpath("pub/docs");
    testutil::writeFile(root.filePath("pub/report.pdf"), QByteArray(1234, 'r'));
    testutil::writeFile(root.filePath("pub/small.txt"), "hi");
    ASSERT_TRUE(startPyftpd());
    const LocaleForTest german(QLocale(QLocale::German, QLocale::Germany));
    auto window = openWindow();
    const QString local = window->LocalDir->currentDirectory();
    ASSERT_TRUE(connectPyftpd(*window, "/pub")) << window->Memo1->Text().toStdString();
    TOrvoListView* remote = window->RemotePanel->View();
    EXPECT_EQ(remote->Item(rowOf(remote, "report.pdf")).SubItems[0], "1.234");

    window->SetActivePanel(window->RemotePanel);
    select(remote, {"..", "docs", "report.pdf"});
    ASSERT_TRUE(window->Commands->trigger("expAdd"));
    ASSERT_EQ(queueOf(*window).count(), 2);
    EXPECT_EQ(queueOf(*window).at(0).kind, QueueEntry::DownloadFolder);
    EXPECT_EQ(queueOf(*window).at(0).target, local + "docs/");
    EXPECT_EQ(queueOf(*window).at(1).source, "/pub/report.pdf");
    EXPECT_EQ(queueOf(*window).at(1).sizeText, "1234");
    EXPECT_EQ(queueOf(*window).at(1).size, 1234);
    EXPECT_EQ(window->Queue->Item(1).SubItems[0], "1234");

    prompt.answer(Prompt::Ok);
    EXPECT_TRUE(window->Commands->trigger("queQueueInfo"));
    EXPECT_TRUE(prompt.asked().back().text.endsWith("Total Bytes: 1.234"));

    window->Config().DoubleClick = 3;
    select(remote, {"small.txt"});
    remote->OnDblClick(remote, rowOf(remote, "small.txt"));
    EXPECT_EQ(sources(*window).last(), "/pub/small.txt");
}

// Desktop files dropped on the queue become uploads; rows dragged from a file view are
// queued from that view; rows dragged within the queue move; the remote view takes no
// desktop drops (a drop there would start a batch).
TEST_F(QueueWindowTest, DropsFromTheDesktopTheViewsAndTheQueueItself)
{
    QDir desk(serverRoot.path());
    desk.mkdir("Holiday");
    testutil::writeFile(desk.filePath("list.txt"), "12345");
    IniFile(home.filePath("orvoftp.ini")).writeString("Setup", "Path", serverRoot.path());
    auto window = openWindow();
    EXPECT_FALSE(window->RemotePanel->View()->AcceptFiles());

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(desk.filePath("Holiday")), QUrl::fromLocalFile(desk.filePath("list.txt"))});
    ASSERT_TRUE(dropOn(*window->Queue, files, QPoint(20, 20)));
    ASSERT_TRUE(waitFor([&] { return queueOf(*window).count() == 2; }));
    // Not connected: into "/".
    EXPECT_EQ(queueOf(*window).at(0).kind, QueueEntry::UploadFolder);
    EXPECT_EQ(queueOf(*window).at(0).target, "/Holiday/");
    EXPECT_EQ(queueOf(*window).at(1).sizeText, "5");
    EXPECT_EQ(queueOf(*window).at(1).target, "/list.txt");

    TOrvoListView* view = window->LocalPanel->View();
    select(view, {"list.txt"});
    std::unique_ptr<QMimeData> rows(view->CreateDragData());
    ASSERT_TRUE(dropOn(*window->Queue, *rows, rowCenter(*window->Queue, 0)));
    ASSERT_TRUE(waitFor([&] { return queueOf(*window).count() == 3; }));
    EXPECT_EQ(queueOf(*window).at(2).target, "~/list.txt");

    // The last entry dragged onto the first row goes before it.
    window->Queue->SetSelection({2});
    std::unique_ptr<QMimeData> own(window->Queue->CreateDragData());
    ASSERT_TRUE(dropOn(*window->Queue, *own, rowCenter(*window->Queue, 0)));
    ASSERT_TRUE(waitFor([&] { return queueOf(*window).at(0).target == "~/list.txt"; }));
    EXPECT_EQ(window->Queue->SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(window->Queue->Item(0).SubItems[1], "~/list.txt");
}

// Saving writes the queue file's bytes (adding ".oqf" when the name has none); loading
// appends; a save that fails says so and leaves the old file as it was.
TEST_F(QueueWindowTest, QueueFilesSaveLoadAndFailedSaves)
{
    auto window = openWindow();
    queueOf(*window).append(QueueEntry::make(QueueEntry::DownloadFile, "/pub/a.txt", "5", "/tmp/a.txt"));
    queueOf(*window).append(QueueEntry::make(QueueEntry::UploadFolder, "/tmp/up", "0", "~/up/"));
    const QString saved = home.filePath("batch");
    prompt.answer(saved);
    EXPECT_TRUE(window->Commands->trigger("queSaveQueue"));
    EXPECT_EQ(prompt.asked().back().caption, "Save Queue");
    EXPECT_EQ(prompt.asked().back().filter, "OrvoFTP Queue (*.oqf)|*.oqf");
    const QByteArray bytes = testutil::readFile(saved + ".oqf");
    EXPECT_EQ(bytes, "1\x01/pub/a.txt\x01" "5\x01/tmp/a.txt\r\n2\x01/tmp/up\x01" "0\x01~/up/\r\n");

    prompt.answer(saved + ".oqf");
    EXPECT_TRUE(window->Commands->trigger("queLoadQueue"));
    EXPECT_EQ(prompt.asked().back().caption, "Load Queue");
    EXPECT_EQ(queueOf(*window).count(), 4);
    EXPECT_EQ(window->Queue->Count(), 4);

    // A file with a bad line: the others are loaded and the line is reported.
    testutil::writeFile(home.filePath("bad.oqf"), "1\x01/a\x01\x01/tmp/a\r\n9\x01/b\x01\x01/tmp/b\r\n");
    prompt.answer(home.filePath("bad.oqf"));
    prompt.answer(Prompt::Ok);
    EXPECT_TRUE(window->Commands->trigger("queLoadQueue"));
    EXPECT_EQ(queueOf(*window).count(), 5);
    EXPECT_TRUE(prompt.asked().back().text.contains("Line 2: unknown kind \"9\"")) << prompt.asked().back().text.toStdString();

    // Into a directory that is not there: reported, and nothing else changed.
    prompt.answer(home.filePath("missing/batch.oqf"));
    prompt.answer(Prompt::Ok);
    EXPECT_TRUE(window->Commands->trigger("queSaveQueue"));
    EXPECT_TRUE(prompt.asked().back().text.startsWith("Unable to write to " + home.filePath("missing/batch.oqf")));
    EXPECT_EQ(testutil::readFile(saved + ".oqf"), bytes);
}

// The pending queue written by hand: the start asks; Cancel forgets the site and keeps the
// file; Yes with a connect that is refused keeps both and the entries wait in the queue;
// Yes with a server logs in to the first entry's directory, and only then both go, and the
// batch runs.
TEST_F(QueueWindowTest, TheStartAsksAboutThePendingQueue)
{
    QDir(serverRoot.path()).mkpath("sub");
    testutil::writeFile(serverRoot.path() + "/sub/a.txt", "hello");
    const QByteArray pending = "1\x01/sub/a.txt\x01" "5\x01" + home.filePath("a.txt").toUtf8() + "\r\n";
    testutil::writeFile(pendingFile(), pending);
    writeSite("Home", 0);
    ini().writeString("Queue", "Site", "Home");
    ini().writeInteger("Setup", "Retry", 1);

    prompt.answer(Prompt::Cancel);
    openWindow();
    // The question comes once the start-up has ended, on a later turn of the event loop.
    ASSERT_TRUE(waitFor([&] { return !prompt.asked().empty(); }));
    EXPECT_EQ(prompt.asked()[0].text, "A transfer batch to \"Home\" was not completed.  Do you want to connect and "
                                      "finish the transfer now? ");
    EXPECT_FALSE(ini().sectionExists("Queue"));
    EXPECT_EQ(testutil::readFile(pendingFile()), pending);

    ini().writeString("Queue", "Site", "Home");
    prompt.clear();
    prompt.answer(Prompt::Yes);
    {
        auto window = openWindow();
        ASSERT_TRUE(waitFor([&] { return prompt.asked().size() == 1u; }));
        ASSERT_TRUE(waitFor([&] { return window->Memo1->Text().contains("ERROR: Connection Refused"); }));
        ASSERT_TRUE(waitFor([&] { return window->Session->State() == SessionState::NotConnected; }));
        EXPECT_EQ(sources(*window), QStringList{"/sub/a.txt"});
        EXPECT_EQ(ini().readString("Queue", "Site"), "Home");
        EXPECT_EQ(testutil::readFile(pendingFile()), pending);
    }

    ASSERT_TRUE(startPyftpd());
    writeSite("Home", pyftpd.port());
    prompt.clear();
    prompt.answer(Prompt::Yes);
    auto window = openWindow();
    ASSERT_TRUE(waitFor([&] { return window->Session->State() == SessionState::Idle; }, 15000))
        << window->Memo1->Text().toStdString();
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/sub/");
    EXPECT_FALSE(ini().sectionExists("Queue"));
    EXPECT_FALSE(QFile::exists(pendingFile()));
    EXPECT_TRUE(sources(*window).isEmpty());
    EXPECT_EQ(testutil::readFile(home.filePath("a.txt")), "hello");
}

// The exit keeps the queue for the next start while a batch is under way (also while it
// waits to reconnect), never when none is.
TEST_F(QueueWindowTest, TheExitKeepsTheQueueOfABatchUnderWay)
{
    ASSERT_TRUE(startPyftpd());
    writeSite("My Server", pyftpd.port());
    struct Case { SessionState state; bool kept; };
    for (const Case c : {Case{SessionState::Downloading, true}, Case{SessionState::ConnectionLost, true},
                         Case{SessionState::Idle, false}}) {
        QFile::remove(pendingFile());
        ini().eraseSection("Queue");
        {
            auto window = openWindow();
            ASSERT_TRUE(connect(*window, "My Server")) << window->Memo1->Text().toStdString();
            queueOf(*window).append(QueueEntry::make(QueueEntry::DownloadFile, "/x.bin", "7", "/tmp/x.bin"));
            window->Session->SetState(c.state);
            prompt.answer(Prompt::Yes);  // leave anyway
            EXPECT_TRUE(window->close());
        }
        EXPECT_EQ(QFile::exists(pendingFile()), c.kept) << int(c.state);
        EXPECT_EQ(ini().readString("Queue", "Site"), c.kept ? "My Server" : "") << int(c.state);
        if (c.kept) {
            EXPECT_EQ(testutil::readFile(pendingFile()), "1\x01/x.bin\x01" "7\x01/tmp/x.bin\r\n");
        }
    }
    // A No at the next start changes nothing.
    ini().writeString("Queue", "Site", "My Server");
    testutil::writeFile(pendingFile(), "1\x01/x.bin\x01" "7\x01/tmp/x.bin\r\n");
    prompt.clear();
    prompt.answer(Prompt::No);
    auto window = openWindow();
    EXPECT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(queueOf(*window).count(), 0);
    EXPECT_EQ(ini().readString("Queue", "Site"), "My Server");
    EXPECT_TRUE(QFile::exists(pendingFile()));
}

// An address that names a file queues its download into the current local directory, and
// the download runs once the session has logged in.
TEST_F(QueueWindowTest, AnAddressNamingAFileQueuesItsDownload)
{
    QDir(serverRoot.path()).mkpath("sub");
    testutil::writeFile(serverRoot.path() + "/sub/file.txt", "content");
    PyFtpOptions options;
    options.anonymousHome = serverRoot.path();
    ASSERT_TRUE(startPyftpd(options));
    QTemporaryDir localDir;
    ini().writeString("Setup", "Path", localDir.path());
    auto window = openWindow();
    const QString local = window->LocalDir->currentDirectory();
    std::vector<QueueEntry> queued;
    QObject::connect(&queueOf(*window), &TransferQueue::entriesInserted, [&](int first, int count) {
        for (int row = first; row < first + count; ++row)
            queued.push_back(queueOf(*window).at(row));
    });
    ASSERT_TRUE(connect(*window, "ftp://127.0.0.1:" + QString::number(pyftpd.port()) + "/sub/file.txt"))
        << window->Memo1->Text().toStdString();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued.front().kind, QueueEntry::DownloadFile);
    EXPECT_EQ(queued.front().source, "/sub/file.txt");
    EXPECT_EQ(queued.front().target, local + "file.txt");
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/sub/");
    EXPECT_EQ(testutil::readFile(local + "file.txt"), "content");
    EXPECT_EQ(queueOf(*window).count(), 0);
}
