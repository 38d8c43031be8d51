// Transfers in the main window: the commands and their enabling, double clicks, drags between
// the views and from the desktop, the queue's Transfer, Manual Download, the transfer-mode
// panel, the status bar, title and tray tip while a batch runs, the notice of a batch that
// ended out of sight, the exit during a batch and its resumption at the next start.
#include "app/maintransfers.h"
#include "app/progresspanel.h"
#include "app/queuecontroller.h"
#include "app/queueview.h"
#include "app/repaintpacer.h"
#include "app/transferstatus.h"
#include "platform/core/inifile.h"
#include "sites/sitedatabase.h"
#include "transfers/batchrunner.h"
#include "transfers/transferqueue.h"
#include "viewfixture.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

using testutil::waitFor;

namespace {

class TransferWindowTest : public ViewWindowTest
{
protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        ASSERT_TRUE(localDir.isValid());
        IniFile(home.filePath("orvoftp.ini")).writeString("Setup", "Path", localDir.path());
    }
    static void select(TOrvoListView* view, const QStringList& names)
    {
        std::vector<int> rows;
        for (const QString& name : names)
            rows.push_back(rowOf(view, name));
        view->SetSelection(rows);
    }
    static bool enabled(TfrmMain& window, const char* id)
    {
        window.Commands->update();
        return window.command(id)->isEnabled();
    }
    // Waits until the batch has ended and the session is ready again.
    static bool waitBatch(TfrmMain& window, int ms = 20000)
    {
        waitFor([&] { return !window.Transfers->Runner().Running(); }, ms);
        return waitIdle(window, ms);
    }
    QString local(const QString& name) const { return localDir.filePath(name); }
    QString remote(const QString& name) const { return serverRoot.filePath(name); }
    void writeSite(const QString& name, quint16 port, const QString& user, const QString& password)
    {
        TSiteDatabase sites(home.filePath("sites.ini"));
        TSiteRecord site;
        site.IP = "127.0.0.1";
        site.Port = QString::number(port);
        site.User = user;
        site.Pass = password;
        sites.saveGroups({"Personal"}, 1);
        sites.writeSite(name, site);
        sites.saveGroupSites("Personal", {name});
    }

    QTemporaryDir localDir;
};

}  // namespace

// Download and Upload by command (Ctrl+PgDn / Ctrl+PgUp), enabled by the focused view's
// selection in the idle state; the views' pop-up entry reads after the focused view.
TEST_F(TransferWindowTest, CommandsDownloadAndUploadTheSelection)
{
    testutil::writeFile(remote("down.txt"), "from the server");
    testutil::writeFile(local("up.txt"), "from here");
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));
    EXPECT_EQ(window->command("mnuDownload")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    EXPECT_EQ(window->command("mnuUpload")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    EXPECT_EQ(window->command("mnuTransferQueue")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));

    window->SetActivePanel(window->RemotePanel);
    EXPECT_FALSE(enabled(*window, "mnuDownload"));  // nothing selected
    select(window->RemotePanel->View(), {"down.txt"});
    EXPECT_TRUE(enabled(*window, "mnuDownload"));
    EXPECT_FALSE(enabled(*window, "mnuUpload"));
    emit window->PopupCommand->aboutToShow();
    EXPECT_EQ(window->command("popDownload")->text(), "Download");
    ASSERT_TRUE(window->Commands->trigger("mnuDownload"));
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_EQ(testutil::readFile(local("down.txt")), "from the server");

    window->SetActivePanel(window->LocalPanel);
    select(window->LocalPanel->View(), {"up.txt"});
    EXPECT_TRUE(enabled(*window, "mnuUpload"));
    emit window->PopupCommand->aboutToShow();
    EXPECT_EQ(window->command("popDownload")->text(), "Upload");
    ASSERT_TRUE(window->Commands->trigger("popDownload"));
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_EQ(testutil::readFile(remote("up.txt")), "from here");
    EXPECT_TRUE(rowOf(window->RemotePanel->View(), "up.txt") >= 0);  // listed again after the upload
}

// A double click on a file transfers it (DoubleClick 0) or queues it (3); a drag of remote
// rows onto a local folder row downloads into that folder; a drag of local rows onto the
// remote view uploads; files dropped from the desktop on the remote view upload at once.
TEST_F(TransferWindowTest, DoubleClicksDragsAndDrops)
{
    QDir(serverRoot.path()).mkpath("incoming");
    testutil::writeFile(remote("click.txt"), "clicked");
    testutil::writeFile(remote("drag.txt"), "dragged");
    QDir(localDir.path()).mkpath("inbox");
    testutil::writeFile(local("mine.txt"), "mine");
    QTemporaryDir desktop;
    testutil::writeFile(desktop.filePath("dropped.txt"), "dropped");
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));
    TOrvoListView* localView = window->LocalPanel->View();
    TOrvoListView* remoteView = window->RemotePanel->View();

    ASSERT_TRUE(open(*window, remoteView, "click.txt"));
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_EQ(testutil::readFile(local("click.txt")), "clicked");

    window->Config().DoubleClick = 3;
    open(*window, localView, "mine.txt");
    EXPECT_EQ(window->QueueModel->count(), 1);
    window->QueueModel->clear();
    window->Config().DoubleClick = 0;

    // Drags: only the other view's rows, only while idle.
    EXPECT_FALSE(localView->OnDragOver(localView, -1, {}));
    EXPECT_TRUE(localView->OnDragOver(remoteView, -1, {}));
    select(remoteView, {"drag.txt"});
    localView->OnDragDrop(remoteView, rowOf(localView, "inbox"), {});
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_EQ(testutil::readFile(local("inbox/drag.txt")), "dragged");

    select(localView, {"mine.txt"});
    EXPECT_TRUE(remoteView->OnDragOver(localView, rowOf(remoteView, "incoming"), {}));
    remoteView->OnDragDrop(localView, rowOf(remoteView, "incoming"), {});
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_EQ(testutil::readFile(remote("incoming/mine.txt")), "mine");

    EXPECT_TRUE(remoteView->AcceptFiles());
    remoteView->OnFileDrop({desktop.filePath("dropped.txt")}, 0, 0);
    EXPECT_FALSE(remoteView->AcceptFiles());  // busy
    EXPECT_FALSE(remoteView->OnDragOver(localView, -1, {}));
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_EQ(testutil::readFile(remote("dropped.txt")), "dropped");
    EXPECT_TRUE(remoteView->AcceptFiles());
}

// The queue's Transfer runs what is queued; Manual Download fetches a typed name from the
// current remote directory into the current local one (of a typed path, its last part).
TEST_F(TransferWindowTest, QueueTransferAndManualDownload)
{
    QDir(serverRoot.path()).mkpath("sub");
    testutil::writeFile(remote("queued.txt"), "queued");
    testutil::writeFile(remote("sub/typed.txt"), "typed");
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));
    EXPECT_FALSE(enabled(*window, "queTransfer"));
    window->QueueModel->append(QueueEntry::make(QueueEntry::DownloadFile, "/queued.txt", "6", local("queued.txt")));
    EXPECT_TRUE(enabled(*window, "queTransfer"));
    EXPECT_TRUE(window->QueueControl->QueueMenu()->actions().contains(window->command("queTransfer")));
    ASSERT_TRUE(window->Commands->trigger("mnuTransferQueue"));
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_EQ(testutil::readFile(local("queued.txt")), "queued");
    EXPECT_EQ(window->QueueModel->count(), 0);

    window->SetActivePanel(window->RemotePanel);
    prompt.answer(QString("sub/typed.txt"));
    ASSERT_TRUE(window->Commands->trigger("mnuManualDownload"));
    EXPECT_EQ(prompt.asked().back().caption, "Manual download");
    EXPECT_EQ(prompt.asked().back().text, "Enter filename");
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_EQ(testutil::readFile(local("typed.txt")), "typed");
}

// The transfer-mode panel cycles Auto → ASCII → Binary → Auto; ASCII sends TYPE A for the
// file and turns its CR LF into LF.
TEST_F(TransferWindowTest, TheTransferModePanel)
{
    testutil::writeFile(remote("crlf.bin"), "one\r\ntwo\r\n");
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));
    TTransferModePanel* panel = window->Transfers->Status().ModePanel();
    EXPECT_EQ(panel->objectName(), "pnlTransferMode");
    EXPECT_EQ(panel->toolTip(), "Transfer Mode (click to change)");
    EXPECT_EQ(panel->text(), "Auto");
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        panel->pnlTransferModeClick();
        seen << panel->text();
    }
    EXPECT_EQ(seen, QStringList({"ASCII", "Binary", "Auto"}));
    panel->pnlTransferModeClick();
    window->SetActivePanel(window->RemotePanel);
    select(window->RemotePanel->View(), {"crlf.bin"});
    ASSERT_TRUE(window->Commands->trigger("mnuDownload"));
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_EQ(testutil::readFile(local("crlf.bin")), "one\ntwo\n");
    EXPECT_TRUE(window->Memo1->Text().contains("TYPE A\n200 Type set to: ASCII.\nPASV"));
}

// While a batch runs: the transfer layout (Elapsed and Remain panels, the local path box
// off), the title "FTP : folders-files : ..." and the tray tip; afterwards all back, and a
// notice when the window is not in front. A screenshot of the window during the batch.
TEST_F(TransferWindowTest, WhatABatchShowsAndAScreenshot)
{
    testutil::writePatternFile(remote("slow.bin"), 128 * 1024, 3);
    testutil::writeFile(remote("quick.txt"), "quick");
    PyFtpOptions options;
    options.throttle = 32 * 1024;  // pyftpdlib holds back from the second 32 KiB on
    ASSERT_TRUE(startPyftpd(options));
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));
    QStringList notices;
    window->Transfers->Notify = [&](const QString& title, const QString& text) { notices << title + ": " + text; };
    window->SetActivePanel(window->RemotePanel);
    select(window->RemotePanel->View(), {"quick.txt", "slow.bin"});
    ASSERT_TRUE(window->Commands->trigger("mnuDownload"));
    TransferStatus& status = window->Transfers->Status();
    ASSERT_TRUE(waitFor([&] { return window->Session->Ftp().RemoteFile == "slow.bin"; }));
    EXPECT_TRUE(status.TransferLayout());
    EXPECT_TRUE(status.Elapsed()->isVisible());
    EXPECT_FALSE(window->LocalPanel->PathBox()->isEnabled());
    EXPECT_FALSE(window->command("mnuDownload")->isEnabled());
    ASSERT_TRUE(waitFor([&] { return !status.Elapsed()->text().isEmpty(); }, 5000));
    EXPECT_TRUE(status.Elapsed()->text().startsWith("Elapsed: 00:00:0"));
    EXPECT_TRUE(QApplication::applicationDisplayName().startsWith("FTP : 0-0 : "));
    EXPECT_EQ(window->TrayIcon->toolTip(), QApplication::applicationDisplayName());
    EXPECT_TRUE(window->StatusText->text() == "Receiving: slow.bin");

    const QImage shot = window->grab().toImage();
    const QString file = QDir(QStringLiteral(ORVO_TEST_OUTPUT_DIR)).filePath("mainwindow-transfer.png");
    QDir().mkpath(QFileInfo(file).path());
    ASSERT_TRUE(shot.save(file)) << file.toStdString();

    window->hide();  // the batch ends out of sight
    ASSERT_TRUE(waitBatch(*window));
    EXPECT_FALSE(status.TransferLayout());
    EXPECT_FALSE(status.Elapsed()->isVisibleTo(window.get()));
    EXPECT_TRUE(window->LocalPanel->PathBox()->isEnabled());
    EXPECT_EQ(QApplication::applicationDisplayName(), "127.0.0.1");
    EXPECT_EQ(notices, QStringList{"OrvoFTP 2.50: 2 files transferred."});
    EXPECT_EQ(testutil::sha256OfFile(local("slow.bin")), testutil::sha256OfFile(remote("slow.bin")));
    EXPECT_EQ(MainTransfers::NoticeText(BatchSummary{1, 1, 5, 2, 0, false, false}), "1 file transferred, 2 failed.");
}

// The exit during a batch keeps the rest for the next start ("qfile.dat" and [Queue]), also
// while the session waits to reconnect; at the next start Yes connects, resumes the file and
// its bytes come out whole.
TEST_F(TransferWindowTest, TheExitDuringABatchAndItsResumption)
{
    if (const QString reason = VsftpdServer::unavailableReason(); !reason.isEmpty())
        GTEST_SKIP() << reason.toStdString();  // pyftpdlib refuses the login's resume probe
    testutil::writePatternFile(remote("big.bin"), 512 * 1024, 8);
    auto throttled = std::make_unique<VsftpdServer>();
    ASSERT_TRUE(throttled->start(serverRoot.path(), 64 * 1024)) << throttled->error().toStdString();
    writeSite("Slow", throttled->port(), VsftpdServer::kUser, VsftpdServer::kPassword);
    const QString pending = home.filePath("qfile.dat");
    {
        auto window = openWindow();
        window->ConnectToSiteEntry("Slow");
        ASSERT_TRUE(waitIdle(*window, 15000)) << window->Memo1->Text().toStdString();
        EXPECT_TRUE(window->Session->SiteResumes());
        window->SetActivePanel(window->RemotePanel);
        select(window->RemotePanel->View(), {"big.bin"});
        ASSERT_TRUE(window->Commands->trigger("mnuDownload"));
        ASSERT_TRUE(waitFor([&] { return QFileInfo(local("big.bin")).size() > 0; }));
        prompt.answer(Prompt::Yes);  // "There is a transfer in progress..."
        EXPECT_TRUE(window->close());
    }
    EXPECT_TRUE(QFile::exists(pending));
    EXPECT_EQ(IniFile(home.filePath("orvoftp.ini")).readString("Queue", "Site"), "Slow");
    const qint64 part = QFileInfo(local("big.bin")).size();
    ASSERT_GT(part, 0);
    ASSERT_LT(part, 512 * 1024);

    throttled.reset();
    VsftpdServer fast;
    ASSERT_TRUE(fast.start(serverRoot.path())) << fast.error().toStdString();
    writeSite("Slow", fast.port(), VsftpdServer::kUser, VsftpdServer::kPassword);
    prompt.clear();
    prompt.answer(Prompt::Yes);  // "A transfer batch to "Slow" was not completed. ..."
    auto window = openWindow();
    ASSERT_TRUE(waitFor([&] { return !window->Transfers->Runner().Running() && window->Session->State() == SessionState::Idle
                                     && window->QueueModel->isEmpty(); }, 20000))
        << window->Memo1->Text().toStdString();
    EXPECT_TRUE(window->Memo1->Text().contains("REST " + QString::number(part))) << window->Memo1->Text().toStdString();
    EXPECT_EQ(testutil::sha256OfFile(local("big.bin")), testutil::sha256OfFile(remote("big.bin")));
    EXPECT_FALSE(QFile::exists(pending));
    EXPECT_FALSE(IniFile(home.filePath("orvoftp.ini")).sectionExists("Queue"));
}

// Closing while the session waits to reconnect (state 17) keeps the queue too.
TEST_F(TransferWindowTest, TheExitWhileWaitingToReconnectKeepsTheQueue)
{
    testutil::writePatternFile(remote("big.bin"), 256 * 1024, 8);
    PyFtpOptions options;
    options.dropAfter = 64 * 1024;
    ASSERT_TRUE(startPyftpd(options));
    writeSite("Dropping", pyftpd.port(), "tester", "pw-Tester9");
    auto window = openWindow();
    window->Config().RestoreState = true;  // an external redialer: a long wait
    window->ConnectToSiteEntry("Dropping");
    ASSERT_TRUE(waitIdle(*window, 15000));
    window->SetActivePanel(window->RemotePanel);
    select(window->RemotePanel->View(), {"big.bin"});
    ASSERT_TRUE(window->Commands->trigger("mnuDownload"));
    ASSERT_TRUE(waitFor([&] { return window->Session->State() == SessionState::ConnectionLost; }));
    prompt.answer(Prompt::Yes);  // "There are still files in the transfer queue..."
    EXPECT_TRUE(window->close());
    EXPECT_EQ(testutil::readFile(home.filePath("qfile.dat")), "1\x01/big.bin\x01" "262144\x01" + local("big.bin").toUtf8() + "\r\n");
    EXPECT_EQ(IniFile(home.filePath("orvoftp.ini")).readString("Queue", "Site"), "Dropping");
}

// The pacer holds a widget's painting back for changes within its interval, and lets it go
// once the interval has passed or the batch has ended.
TEST(RepaintPacer, HoldsRepaintsWithinItsInterval)
{
    QWidget widget;
    RepaintPacer pacer(&widget, 50);
    pacer.changed();
    pacer.changed();
    EXPECT_TRUE(widget.updatesEnabled());  // inactive: nothing held
    pacer.setActive(true);
    pacer.changed();  // the first change paints at once
    EXPECT_TRUE(widget.updatesEnabled());
    pacer.changed();  // the next one within 50 ms waits
    EXPECT_FALSE(widget.updatesEnabled());
    EXPECT_TRUE(waitFor([&] { return widget.updatesEnabled(); }, 1000));
    pacer.changed();
    EXPECT_FALSE(widget.updatesEnabled());
    pacer.setActive(false);
    EXPECT_TRUE(widget.updatesEnabled());
}

// While paced, the queue list keeps the entries a batch has done at its top for a moment;
// selections and rows are the queue's all the same.
TEST_F(TransferWindowTest, ThePacedQueueListMapsRowsToTheQueue)
{
    auto window = openWindow();
    TransferQueue& queue = *window->QueueModel;
    for (const char* name : {"a", "b", "c", "d", "e"})
        queue.append(QueueEntry::make(QueueEntry::DownloadFile, QString("/") + name, "1", local(name)));
    QueueView& list = window->QueueControl->View();
    list.SetPaced(true);
    list.SelectRows({2});
    const quint64 c = queue.at(2).id;
    queue.removeById(queue.at(0).id);
    queue.removeById(queue.at(0).id);
    EXPECT_EQ(window->Queue->Count(), 5);  // held for a moment
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{0});
    EXPECT_EQ(list.SelectedIds(), std::vector<quint64>{c});
    EXPECT_EQ(list.QueueRowOf(1), -1);
    EXPECT_EQ(list.QueueRowOf(3), 1);
    EXPECT_TRUE(waitFor([&] { return window->Queue->Count() == 3; }, 1000));
    EXPECT_EQ(window->Queue->Item(0).Caption, "/c");
    EXPECT_EQ(list.SelectedRows(), std::vector<int>{0});
    queue.removeById(c);
    queue.append(QueueEntry::make(QueueEntry::DownloadFile, "/f", "1", local("f")));  // drops the held row first
    EXPECT_EQ(window->Queue->Count(), 3);
    EXPECT_EQ(window->Queue->Item(2).Caption, "/f");
    list.SetPaced(false);
}

// "&Halt Transfer" and the "T&ransfer Complete" marks are the batch's: the question sets the
// halt, the batch clears the mark when it stops, and the checked completion entry is the
// batch's completion action.
TEST_F(TransferWindowTest, HaltAndCompletionMarksReachTheBatch)
{
    auto window = openWindow();
    BatchRunner& runner = window->Transfers->Runner();
    QAction* halt = window->command("mnuHalt");
    prompt.answer(Prompt::Yes);
    halt->setEnabled(true);  // as while a batch runs
    halt->trigger();
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked().back().text, "Stop transfer after current file has finished ?");
    EXPECT_TRUE(runner.Halted());
    runner.SetHalt(false);  // as the batch does when it stops
    EXPECT_FALSE(halt->isChecked());
    const struct { const char* id; CompletionAction action; } marks[] = {
        {"mnuCompleteDisconnect", CompletionAction::Disconnect}, {"mnuCompleteHangup", CompletionAction::Hangup},
        {"mnuCompleteQuit", CompletionAction::Quit}, {"mnuCompleteIdle", CompletionAction::Idle}};
    for (const auto& mark : marks) {
        window->command(mark.id)->trigger();
        EXPECT_EQ(runner.Completion(), mark.action) << mark.id;
    }
}
