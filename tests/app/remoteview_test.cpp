// The remote view against real servers and the scripted server: rows, navigation, links and
// the way back, the listing cache, filters and switches, find, saving, printing, big listings.
#include "app/findbox.h"
#include "app/listingprint.h"
#include "app/messagewindow.h"
#include "session/viewtext.h"
#include "controls/orvolistmodel.h"
#include "platform/core/clock.h"
#include "platform/core/inifile.h"
#include "sites/sitedatabase.h"
#include "viewfixture.h"

#include <QAction>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPrinter>
#include <QTimer>
#include <unistd.h>

using testutil::waitFor;

namespace {

// Presses a key in the remote view and waits for the directory change it starts.
bool pressKey(TfrmMain& window, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    if (!window.RemoteKeyDown(&event))
        return false;
    return ViewWindowTest::waitIdle(window);
}

const QStringList kPubListing{
    "total 12",
    "drwxr-xr-x 2 u g 4096 Jan 5 12:00 .",
    "drwxr-xr-x 2 u g 4096 Jan 5 12:00 ..",
    "drwxr-xr-x 2 u g 4096 Jan 5 12:00 docs",
    "drwxr-xr-x 2 u g 4096 Jan 5 12:00 src",
    "-rw-r--r-- 1 u g 1234 Jan 5 12:00 notes.txt",
    "-rw-r--r-- 1 u g 10 Jan 5 12:00 image.png",
    "lrwxrwxrwx 1 u g 7 Jan 5 12:00 latest -> notes.txt",
    "lrwxrwxrwx 1 u g 4 Jan 5 12:00 docs.txt -> docs",
};

}  // namespace

// Rows, their columns and kinds, the parent entry, the path box, and every way of moving:
// double click, Enter, Backspace, "..", the path box.
TEST_F(ViewWindowTest, BrowsingShowsTheRowsAndEveryWayOfMovingWorks)
{
    QDir root(serverRoot.path());
    root.mkpath("pub/dir");
    testutil::writeFile(root.filePath("pub/dir/inner.txt"), "x");
    QFile big(root.filePath("pub/readme.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(1234567));
    big.close();
    testutil::writeFile(root.filePath("top.txt"), "hello");
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window)) << window->Memo1->Text().toStdString();

    // "/": no parent entry.
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/");
    EXPECT_EQ(names(window->RemotePanel->View()), QStringList({"pub", "top.txt"}));
    const TListItem& top = window->RemotePanel->View()->Item(1);
    EXPECT_EQ(top.ImageIndex, 3);
    ASSERT_EQ(top.SubItems.size(), 3);
    EXPECT_EQ(top.SubItems[0], "5");
    EXPECT_FALSE(top.SubItems[1].isEmpty());
    EXPECT_EQ(top.SubItems[2], "-rw-r--r--");
    EXPECT_EQ(window->RemotePanel->View()->Item(0).ImageIndex, 1);
    EXPECT_EQ(window->RemotePanel->CountLabel()->text(), "1 folder(s), 1 file(s) listed [*.*]");
    EXPECT_EQ(pathBoxItems(window->RemotePanel->PathBox()), QStringList{"/"});
    EXPECT_TRUE(window->RemotePanel->PathBox()->isEnabled());

    ASSERT_TRUE(open(*window, window->RemotePanel->View(), "pub"));
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/pub/");
    EXPECT_EQ(names(window->RemotePanel->View()), QStringList({"..", "dir", "readme.txt"}));
    EXPECT_EQ(window->RemotePanel->View()->Item(0).ImageIndex, 0);
    EXPECT_TRUE(window->RemotePanel->View()->Item(0).SubItems.isEmpty());
    EXPECT_EQ(window->RemotePanel->View()->Item(2).SubItems[0], "1,234,567");
    EXPECT_EQ(pathBoxItems(window->RemotePanel->PathBox()), QStringList({"/pub/", "/"}));
    EXPECT_EQ(window->RemotePanel->PathBox()->currentText(), "/pub/");

    // Enter goes into the selected directory, Backspace to the parent of the path box's text.
    window->RemotePanel->View()->SetSelection({rowOf(window->RemotePanel->View(), "dir")});
    ASSERT_TRUE(pressKey(*window, Qt::Key_Return));
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/pub/dir/");
    EXPECT_EQ(names(window->RemotePanel->View()), QStringList({"..", "inner.txt"}));
    ASSERT_TRUE(pressKey(*window, Qt::Key_Backspace));
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/pub/");
    EXPECT_EQ(pathBoxItems(window->RemotePanel->PathBox()), QStringList({"/pub/dir/", "/pub/", "/"}));
    EXPECT_EQ(window->RemotePanel->PathBox()->currentText(), "/pub/");

    ASSERT_TRUE(open(*window, window->RemotePanel->View(), ".."));
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/");
    EXPECT_EQ(rowOf(window->RemotePanel->View(), ".."), -1);

    // Choosing a directory of the path box goes there.
    const int deeper = window->RemotePanel->PathBox()->findText("/pub/dir/");
    window->RemotePanel->PathBox()->setCurrentIndex(deeper);
    emit window->RemotePanel->PathBox()->activated(deeper);
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/pub/dir/");

    // A fresh session fills the path box with the directory and its ancestors.
    window->Session->Disconnect();
    EXPECT_EQ(window->RemotePanel->PathBox()->count(), 0);
    EXPECT_EQ(window->RemotePanel->View()->Count(), 0);
    EXPECT_TRUE(window->RemotePanel->CountLabel()->text().isEmpty());
    // Completions posted before the reset change nothing after it.
    window->Session->Ftp().OnDirectoryChanged();
    window->Session->Ftp().OnListingDone();
    EXPECT_EQ(window->Session->State(), SessionState::NotConnected);
    EXPECT_EQ(window->RemotePanel->View()->Count(), 0);
    EXPECT_TRUE(window->RemotePanel->CountLabel()->text().isEmpty());
    ASSERT_TRUE(connectPyftpd(*window, "/pub/dir"));
    EXPECT_EQ(pathBoxItems(window->RemotePanel->PathBox()), QStringList({"/pub/dir/", "/pub/", "/"}));
}

// Double-clicking a link and then ".." comes back to where the link was, not to the parent
// of the link's target (vsftpd reports the target's real path after the change).
class LinkTest : public ViewWindowTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(LinkTest, DotDotAfterALinkReturnsWhereTheLinkWas)
{
    const bool vsftpd = GetParam();
    QDir root(serverRoot.path());
    root.mkpath("pub");
    root.mkpath("usr/local");
    testutil::writeFile(root.filePath("usr/local/tool.txt"), "t");
    ASSERT_EQ(::symlink("../usr/local", root.filePath("pub/local").toLocal8Bit().constData()), 0);
    QFile::setPermissions(serverRoot.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                 | QFileDevice::ReadOther | QFileDevice::ExeOther
                                                 | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    VsftpdServer vsftpdServer;
    QString login;
    if (vsftpd) {
        if (const QString reason = VsftpdServer::unavailableReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        ASSERT_TRUE(vsftpdServer.start(serverRoot.path())) << vsftpdServer.error().toStdString();
        login = QStringLiteral("127.0.0.1:%1:%2:%3")
                    .arg(VsftpdServer::kUser, VsftpdServer::kPassword)
                    .arg(vsftpdServer.port());
    } else {
        ASSERT_TRUE(startPyftpd());
        login = "127.0.0.1:tester:pw-Tester9:" + QString::number(pyftpd.port());
    }
    auto window = openWindow();
    ASSERT_TRUE(connect(*window, login)) << window->Memo1->Text().toStdString();
    ASSERT_TRUE(open(*window, window->RemotePanel->View(), "pub")) << window->Memo1->Text().toStdString();
    const QString start = window->Session->Remote().currentDirectory();
    const int link = rowOf(window->RemotePanel->View(), "local");
    ASSERT_GE(link, 0) << names(window->RemotePanel->View()).join(' ').toStdString();
    EXPECT_EQ(window->RemotePanel->View()->Item(link).ImageIndex, 2);

    ASSERT_TRUE(open(*window, window->RemotePanel->View(), "local"));
    EXPECT_EQ(names(window->RemotePanel->View()), QStringList({"..", "tool.txt"}));
    // vsftpd names the target's real path, whose parent is not where the link was.
    if (vsftpd) {
        EXPECT_TRUE(window->Session->Remote().currentDirectory().endsWith("/usr/local/")) << window->Session->Remote().currentDirectory().toStdString();
    }
    ASSERT_EQ(window->Session->Remote().linkRecords().size(), 1);
    EXPECT_EQ(window->Session->Remote().linkRecords()[0], start + ";" + window->Session->Remote().currentDirectory());

    ASSERT_TRUE(open(*window, window->RemotePanel->View(), ".."));
    EXPECT_EQ(window->Session->Remote().currentDirectory(), start);
    EXPECT_GE(rowOf(window->RemotePanel->View(), "local"), 0);
}

INSTANTIATE_TEST_SUITE_P(Servers, LinkTest, ::testing::Values(false, true),
                         [](const auto& test) { return test.param ? "vsftpd" : "pyftpdlib"; });

// Going back shows the cached listing without a LIST; "&Refresh" lists again; a failed
// listing is not cached; a vanished cache file is listed anew; flush, disconnect and the
// window's end delete the files.
TEST_F(ViewWindowTest, ListingCacheServesRevisitsAndIsDeletedOnFlush)
{
    QDir(serverRoot.path()).mkpath("pub/dir");
    testutil::writeFile(serverRoot.filePath("pub/a.txt"), "a");
    PyFtpOptions options;
    options.commandLog = home.filePath("commands.log");
    options.refuse << "LIST*1=451 Requested action aborted.";
    ASSERT_TRUE(startPyftpd(options));
    const auto lists = [&] { return commandCount(options.commandLog, "LIST"); };
    auto window = openWindow();

    // The first listing failed: nothing is cached for it.
    ASSERT_TRUE(connectPyftpd(*window));
    EXPECT_EQ(window->RemotePanel->View()->Count(), 0);
    EXPECT_EQ(window->Session->Remote().cache().count(), 0);
    EXPECT_TRUE(cacheFiles().isEmpty());
    window->SetActivePanel(window->RemotePanel);
    window->command("mnuRefresh")->trigger();
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(names(window->RemotePanel->View()), QStringList{"pub"});
    EXPECT_EQ(lists(), 2);

    ASSERT_TRUE(open(*window, window->RemotePanel->View(), "pub"));
    EXPECT_EQ(lists(), 3);
    ASSERT_TRUE(open(*window, window->RemotePanel->View(), ".."));
    ASSERT_TRUE(open(*window, window->RemotePanel->View(), "pub"));
    EXPECT_EQ(lists(), 3);  // both from the cache
    EXPECT_EQ(names(window->RemotePanel->View()), QStringList({"..", "dir", "a.txt"}));
    EXPECT_EQ(window->RemotePanel->CountLabel()->text(), "1 folder(s), 1 file(s) listed [*.*]");

    // One file per directory, named "ftp..." and readable by us alone.
    const QStringList files = cacheFiles();
    ASSERT_EQ(files.size(), 2);
    for (const QString& file : files) {
        EXPECT_TRUE(file.startsWith("ftp")) << file.toStdString();
        EXPECT_EQ(testutil::fileMode(cacheDir.filePath(file)) & 077, 0);
    }
    const int pubEntry = window->Session->Remote().cache().find("/pub/");
    ASSERT_GE(pubEntry, 0);
    const QByteArray cached = testutil::readFile(window->Session->Remote().cache().entry(pubEntry).file);
    EXPECT_EQ(cached.count('\n'), 2) << cached.toStdString();  // dir and a.txt: accepted lines only

    window->command("mnuRefresh")->trigger();
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(lists(), 4);
    EXPECT_EQ(cacheFiles().size(), 2);

    // A cache file that vanished is dropped and the directory listed again.
    QFile::remove(window->Session->Remote().cache().entry(window->Session->Remote().cache().find("/")).file);
    ASSERT_TRUE(open(*window, window->RemotePanel->View(), ".."));
    EXPECT_EQ(lists(), 5);
    EXPECT_EQ(names(window->RemotePanel->View()), QStringList{"pub"});

    window->command("mnuFlushCache")->trigger();
    EXPECT_EQ(window->Session->Remote().cache().count(), 0);
    EXPECT_TRUE(cacheFiles().isEmpty());

    ASSERT_TRUE(open(*window, window->RemotePanel->View(), "pub"));
    EXPECT_EQ(cacheFiles().size(), 1);
    window->Session->Disconnect();
    EXPECT_TRUE(cacheFiles().isEmpty());

    ASSERT_TRUE(connectPyftpd(*window));
    EXPECT_EQ(cacheFiles().size(), 1);
    window.reset();
    EXPECT_TRUE(cacheFiles().isEmpty());
}

// The mask keeps directories unless "Filter Directories"; links hide only during transfers;
// resolved links count as files. Every change re-filters the rows shown without a new
// listing and without a second parent entry.
TEST_F(ViewWindowTest, FiltersAndSwitchesRefilterTheRowsShown)
{
    ScriptedServer scripted;
    ScriptedListing listing(scripted, kPubListing);
    scripted.reply("PWD", {"257 \"/pub\" is the current directory."});
    auto window = openWindow();
    ASSERT_TRUE(connect(*window, "127.0.0.1:" + QString::number(scripted.port())));
    window->SetActivePanel(window->RemotePanel);
    EXPECT_EQ(names(window->RemotePanel->View()), QStringList({"..", "docs", "src", "docs.txt", "latest", "image.png", "notes.txt"}));
    EXPECT_EQ(window->RemotePanel->View()->Item(rowOf(window->RemotePanel->View(), "latest")).ImageIndex, 2);
    EXPECT_EQ(window->RemotePanel->CountLabel()->text(), "2 folder(s), 2 file(s) listed [*.*]");

    struct Step {
        const char* what;
        std::function<void()> change;
        QStringList rows;
        QString label;
    };
    const Step steps[] = {
        {"mask *.txt keeps the directories",
         [&] {
             prompt.answer(QString("*.txt"));
             window->command("mnuFilterFiles")->trigger();
         },
         {"..", "docs", "src", "docs.txt", "notes.txt"},
         "2 folder(s), 1 file(s) listed [*.txt]"},
        {"Filter Directories hides them", [&] { window->command("mnuFilterDirs")->trigger(); }, {"..", "docs.txt", "notes.txt"},
         "0 folder(s), 1 file(s) listed [*.txt]"},
        {"an empty mask is *.*",
         [&] {
             prompt.answer(QString(""));
             window->command("mnuFilterFiles")->trigger();
             window->command("mnuFilterDirs")->trigger();
         },
         {"..", "docs", "src", "docs.txt", "latest", "image.png", "notes.txt"},
         "2 folder(s), 2 file(s) listed [*.*]"},
        {"links resolved as files", [&] { window->command("mnuResolveFile")->trigger(); },
         {"..", "docs", "src", "docs.txt", "image.png", "latest", "notes.txt"}, "2 folder(s), 4 file(s) listed [*.*]"},
        {"Show Links off while browsing still shows them",
         [&] {
             window->command("mnuResolveFile")->trigger();
             window->command("mnuShowLinks")->trigger();
         },
         {"..", "docs", "src", "docs.txt", "latest", "image.png", "notes.txt"},
         "2 folder(s), 2 file(s) listed [*.*]"},
        {"during a transfer links and the parent entry go",
         [&] {
             window->Session->SetState(SessionState::Downloading);
             window->Session->RefilterRemote();
         },
         {"docs", "src", "image.png", "notes.txt"}, "2 folder(s), 2 file(s) listed [*.*]"},
    };
    ASSERT_TRUE(window->command("mnuShowLinks")->isChecked());
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(names(window->RemotePanel->View()), step.rows) << step.what;
        EXPECT_EQ(window->RemotePanel->CountLabel()->text(), step.label) << step.what;
    }
    window->Session->SetState(SessionState::Idle);
    EXPECT_EQ(prompt.asked().front().caption, "Remote Filter");
    EXPECT_EQ(prompt.asked().front().text, "Enter filter mask");
    EXPECT_EQ(prompt.asked().front().defaultText, "*.*");
    EXPECT_EQ(listing.listings(), 1);
}

// Save writes the stamp, server and directory, an empty line and the raw lines; print makes
// a PDF; "View Raw Directory" shows the same lines.
TEST_F(ViewWindowTest, SavePrintAndViewTheRawListing)
{
    ScriptedServer scripted;
    ScriptedListing listing(scripted, kPubListing);
    scripted.reply("PWD", {"257 \"/pub\" is the current directory."});
    const QDateTime pinned(QDate(2025, 3, 7), QTime(21, 5, 9));
    Clock::setSource([pinned] { return pinned; });
    auto window = openWindow();
    ASSERT_TRUE(connect(*window, "127.0.0.1:" + QString::number(scripted.port())));

    const QString saved = home.filePath("listing.txt");
    prompt.answer(saved);
    window->command("mnuSaveListing")->trigger();
    EXPECT_EQ(prompt.asked().back().caption, "Save Remote Directory As");
    EXPECT_EQ(prompt.asked().back().filter, "Text files (*.txt)|*.txt");
    const QStringList lines = QString::fromUtf8(testutil::readFile(saved)).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "3/7/25 9:05:09 PM\t\t127.0.0.1\t\t/pub/");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines.mid(2, kPubListing.size()), kPubListing);

    // A target that cannot be written is reported; nothing else happens.
    prompt.answer(home.filePath("missing/dir/listing.txt"));
    window->command("mnuSaveListing")->trigger();
    EXPECT_EQ(prompt.asked().back().text, "Unable to write to " + home.filePath("missing/dir/listing.txt"));

    const QString pdf = home.filePath("listing.pdf");
    setPrinterChooser([&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    });
    window->command("mnuPrintListing")->trigger();
    setPrinterChooser(nullptr);
    const QByteArray printed = testutil::readFile(pdf);
    EXPECT_TRUE(printed.startsWith("%PDF")) << printed.left(20).toStdString();
    EXPECT_GT(printed.size(), 1000);
    EXPECT_EQ(PrintStamp(pinned), "3/7/25 21:05");

    window->command("mnuViewRaw")->trigger();
    auto* raw = window->findChild<TMessageWindow*>("RawDirectory");
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(raw->windowTitle(), "Directory of /pub/");
    EXPECT_EQ(raw->text(), kPubListing.join('\n'));
    raw->close();
    Clock::setSource(nullptr);
}

// 100,000 entries arrive in batches while the window keeps answering, and all are counted.
TEST_F(ViewWindowTest, HundredThousandEntriesArriveWhileTheWindowAnswers)
{
    // Shuffled (7919 is prime to 100,000), so the sort at the end has work to do.
    QStringList lines;
    for (int k = 0; k < 100000; ++k) {
        const int i = int(qint64(k) * 7919 % 100000);
        lines << QStringLiteral("-rw-r--r-- 1 u g %1 Jan 5 12:00 file%2.dat").arg(i * 7).arg(i, 6, 10, QChar('0'));
    }
    ScriptedServer scripted;
    ScriptedListing listing(scripted, lines);
    auto window = openWindow();

    // The longest pause between ticks of a fast timer while the listing runs.
    QElapsedTimer sinceTick;
    qint64 longestPause = 0;
    int shownWhileArriving = 0;
    QTimer ticker;
    ticker.setInterval(20);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestPause = qMax(longestPause, sinceTick.restart());
        if (window->Session->State() != SessionState::Idle)
            shownWhileArriving = qMax(shownWhileArriving, window->RemotePanel->View()->Model()->rowCount());
    });
    window->QuickConnect->txtFTPServer->setEditText("127.0.0.1:" + QString::number(scripted.port()));
    sinceTick.start();
    ticker.start();
    window->btnConnectClick();
    ASSERT_TRUE(waitIdle(*window, 120000));
    ticker.stop();
    longestPause = qMax(longestPause, sinceTick.elapsed());  // the end of the listing
    EXPECT_EQ(window->RemotePanel->View()->Count(), 100000);
    EXPECT_EQ(window->RemotePanel->View()->Model()->rowCount(), 100000);
    EXPECT_EQ(window->RemotePanel->CountLabel()->text(), "0 folder(s), 100000 file(s) listed [*.*]");
    EXPECT_EQ(window->RemotePanel->View()->Item(99999).Caption, "file099999.dat");
    EXPECT_EQ(window->RemotePanel->View()->Item(99999).SubItems[0], "699,993");
    // The longest pause is the final sort and fit (0.2-0.4 s here); generous for a shared
    // machine, where a row-by-row fill with repaints would take minutes.
    EXPECT_LT(longestPause, 4000);
    RecordProperty("longest_pause_ms", int(longestPause));
    RecordProperty("rows_shown_before_the_end", shownWhileArriving);
}

// "Save Remote Path" and "Save Local Path" store the directories for the current site, and a
// site's local directory is listed when it connects.
TEST_F(ViewWindowTest, SitePathsAreSavedAndTheSitesLocalDirectoryIsListed)
{
    QDir(serverRoot.path()).mkpath("pub");
    ASSERT_TRUE(startPyftpd());
    QTemporaryDir local;
    testutil::writeFile(local.filePath("site-file.txt"), "s");
    auto window = openWindow();
    TSiteRecord site;
    site.IP = "127.0.0.1";
    site.Port = QString::number(pyftpd.port());
    site.User = "tester";
    site.Pass = "pw-Tester9";
    site.LocalDir = local.path();
    window->SiteDatabase->saveGroups({"Personal"}, 1);
    window->SiteDatabase->writeSite("My Server", site);
    window->SiteDatabase->saveGroupSites("Personal", {"My Server"});

    ASSERT_TRUE(connect(*window, "My Server")) << window->Memo1->Text().toStdString();
    EXPECT_EQ(window->LocalDir->currentDirectory(), local.path() + "/");
    EXPECT_GE(rowOf(window->LocalPanel->View(), "site-file.txt"), 0);
    ASSERT_TRUE(open(*window, window->RemotePanel->View(), "pub"));
    window->command("mnuSaveRemotePath")->trigger();
    window->command("mnuSaveLocalPath")->trigger();
    const TSiteRecord stored = window->SiteDatabase->readSite("My Server");
    EXPECT_EQ(stored.RemoteDir, "/pub/");
    EXPECT_EQ(stored.LocalDir, local.path() + "/");
}

// Without AutoRefresh the session is ready after login but lists nothing by itself.
TEST_F(ViewWindowTest, WithoutAutoRefreshNothingIsListedByItself)
{
    ScriptedServer scripted;
    ScriptedListing listing(scripted, kPubListing);
    auto window = openWindow();
    window->Config().AutoRefresh = false;
    ASSERT_TRUE(connect(*window, "127.0.0.1:" + QString::number(scripted.port())));
    EXPECT_EQ(window->RemotePanel->View()->Count(), 0);
    EXPECT_EQ(listing.listings(), 0);
    window->SetActivePanel(window->RemotePanel);
    window->command("mnuRefresh")->trigger();
    ASSERT_TRUE(waitIdle(*window));
    EXPECT_EQ(listing.listings(), 1);
    EXPECT_EQ(window->RemotePanel->View()->Count(), 6);
}
