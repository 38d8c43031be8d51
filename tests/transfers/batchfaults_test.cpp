// Batches meeting faults: the server drops the session mid-file (reconnect, REST, same
// bytes), refuses a folder's CWD, lists names that are no local file names, ends a RETR with
// 426, refuses REST, MKD and CWD; the user deletes the running entry; a folder to upload has
// vanished or holds a FIFO; tens of thousands of entries are skipped in a row.
#include "batchfixture.h"
#include "serverprocess.h"

#include <QFile>
#include <sys/stat.h>

namespace {

class BatchFaults : public BatchTest
{
protected:
    quint64 runEntries(std::vector<QueueEntry> entries)
    {
        queue->append(std::move(entries));
        return runner->RunQueue();
    }
    QString remoteRoot() const { return session->Remote().currentDirectory(); }
};

}  // namespace

// RestoreState off: the session reconnects by itself, logs in, and the batch goes on with the
// same id, its first file resumed where the drop left it.
TEST_F(BatchFaults, ADroppedConnectionReconnectsAndResumesTheFile)
{
    PyFtpOptions options;
    options.dropAfter = 256 * 1024;
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    ASSERT_TRUE(testutil::writePatternFile(server.path("big.bin"), 1024 * 1024, 9));
    ASSERT_TRUE(testutil::writeFile(server.path("after.txt"), "after"));
    settings->config().RestoreState = false;
    ASSERT_TRUE(connect());
    session->SetSiteResumes(true);
    session->RestartTimer.setInterval(50);  // the wait itself is the reconnect timer's test
    const quint64 id = runner->StartDownload(remoteSelection({"big.bin", "after.txt"}));
    ASSERT_TRUE(testutil::waitFor([&] { return session->State() == SessionState::ConnectionLost; }, 15000));
    EXPECT_TRUE(!queue->isEmpty() && runner->Running());
    // What arrived before the server went away is on disk, and the resume starts there.
    const qint64 kept = QFileInfo(localPath("big.bin")).size();
    EXPECT_GT(kept, 0);
    const BatchSummary summary = waitBatch(id);
    EXPECT_TRUE(summary.ok()) << joinedLog().toStdString();
    EXPECT_EQ(summary.files, 2);
    EXPECT_EQ(finishedCount(id), 1);
    EXPECT_EQ(testutil::sha256OfFile(localPath("big.bin")), testutil::sha256OfFile(server.path("big.bin")));
    EXPECT_EQ(testutil::readFile(localPath("after.txt")), "after");
    EXPECT_TRUE(log.contains("REST " + QString::number(kept))) << joinedLog().toStdString();
    EXPECT_EQ(session->Follow(), FollowUp::None);
    EXPECT_EQ(session->State(), SessionState::Idle);
}

// A folder whose CWD the server refuses is skipped: nothing is made for it and nothing of the
// directory listed instead (its parent) is queued.
TEST_F(BatchFaults, ARefusedFolderIsSkippedWithoutRecursion)
{
    PyFtpOptions options;
    options.refuse << "CWD*1=550 No access.";
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    QDir(server.root()).mkpath("locked/inner");
    ASSERT_TRUE(server.putFile("locked/x.txt", "x"));
    ASSERT_TRUE(server.putFile("next.txt", "next"));
    ASSERT_TRUE(connect());
    session->SetCurrentSiteName("Counted");
    const BatchSummary summary = waitBatch(runner->StartDownload(remoteSelection({"locked", "next.txt"})));
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(summary.files, 1);
    EXPECT_FALSE(QFileInfo::exists(localPath("locked")));
    EXPECT_EQ(testutil::readFile(localPath("next.txt")), "next");
    EXPECT_EQ(logMatching("ERROR: Cannot enter ").size(), 1) << joinedLog().toStdString();
    EXPECT_TRUE(queue->isEmpty());
    // The file that arrived counts for the site; the refused folder does not.
    EXPECT_EQ(stats->file().readString("Counted", "FilesDown"), "1");
    EXPECT_EQ(stats->file().readString("Counted", "BytesDown"), "4");

    // A file whose directory cannot be entered is not fetched from the directory shown,
    // where a file of the same name lies.
    testutil::writeFile(localPath("next.txt"), "kept");
    const BatchSummary elsewhere = waitBatch(runEntries(
        {QueueEntry::make(QueueEntry::DownloadFile, "/nowhere/next.txt", "4", localPath("next.txt"))}));
    EXPECT_EQ(elsewhere.failed, 1);
    EXPECT_EQ(testutil::readFile(localPath("next.txt")), "kept");
}

// A listing naming "..", "a/b", "a\b" and names too long for the file system writes nothing
// outside the folder and nothing for those names; the rest arrives.
TEST_F(BatchFaults, HostileListingNamesWriteNothingOutsideTheTarget)
{
    const QString lines = home.filePath("listing.txt");
    QByteArray listing;
    for (const QByteArray& name : {QByteArray("."), QByteArray(".."), QByteArray("ok.txt"), QByteArray("a/b"),
                                   QByteArray("a\\b"), QByteArray(300, 'n')})
        listing += "-rw-r--r--   1 user group        2 Jan  1 12:00 " + name + "\r\n";
    listing += "drwxr-xr-x   2 user group     4096 Jan  1 12:00 ..\r\n";
    ASSERT_TRUE(testutil::writeFile(lines, listing));
    PyFtpOptions options;
    options.listLinesFile = lines;
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    QDir(server.root()).mkpath("evil");
    ASSERT_TRUE(server.putFile("evil/ok.txt", "ok"));
    ASSERT_TRUE(connect());
    const BatchSummary summary = waitBatch(runEntries(
        {QueueEntry::make(QueueEntry::DownloadFolder, "/evil/", {}, localPath("evil") + '/')}));
    EXPECT_TRUE(summary.ok()) << joinedLog().toStdString();
    EXPECT_EQ(QDir(localRoot.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"evil"});
    EXPECT_EQ(QDir(localPath("evil")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"ok.txt"});
    EXPECT_EQ(testutil::readFile(localPath("evil/ok.txt")), "ok");
    EXPECT_EQ(logMatching("Not downloaded: ").size(), 3) << joinedLog().toStdString();
}

// A RETR that ends with 426 is no received file: logged, not counted, not dated, and the
// batch goes on with the next entry.
TEST_F(BatchFaults, A426IsNeitherCountedNorDropsTheBatch)
{
    FaultServer faulty;
    FaultOptions options;
    options.fault = "final-426";
    ASSERT_TRUE(faulty.start(options)) << faulty.error().toStdString();
    ConnectionRequest request;
    request.host = "127.0.0.1";
    request.port = QString::number(faulty.port());
    request.user = "u";
    request.password = "p";
    settings->config().PreserveDate = true;
    session->SetState(SessionState::LoggingIn);
    session->Connect(request);
    ASSERT_TRUE(waitIdle());
    session->SetCurrentSiteName("Faulty");
    const QString before = QString::fromUtf8(testutil::readFile(home.filePath("stats.dat")));
    const BatchSummary summary = waitBatch(runner->StartDownload(remoteSelection({"a.txt"})));
    EXPECT_EQ(summary.failed, 1) << joinedLog().toStdString();
    EXPECT_EQ(summary.files, 0);
    EXPECT_EQ(QString::fromUtf8(testutil::readFile(home.filePath("stats.dat"))), before);
    EXPECT_TRUE(log.contains("ERROR: a.txt was not received.")) << joinedLog().toStdString();
    EXPECT_TRUE(queue->isEmpty());
    EXPECT_EQ(session->State(), SessionState::Idle);
}

// A refused REST ends that file as failed; the batch does not stall and takes the next one.
TEST_F(BatchFaults, ARefusedRestDoesNotStallTheBatch)
{
    PyFtpOptions options;
    options.refuse << "REST=502 No restarts here.";
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    ASSERT_TRUE(testutil::writePatternFile(server.path("f.bin"), 100000, 2));
    ASSERT_TRUE(server.putFile("g.txt", "gee"));
    testutil::writeFile(localPath("f.bin"), QByteArray(1000, 'p'));
    settings->config().ResumeMode = 1;
    ASSERT_TRUE(connect());
    const BatchSummary summary = waitBatch(runner->StartDownload(remoteSelection({"f.bin", "g.txt"})), 20000);
    EXPECT_EQ(summary.failed, 1) << joinedLog().toStdString();
    EXPECT_EQ(summary.files, 1);
    EXPECT_EQ(testutil::readFile(localPath("f.bin")), QByteArray(1000, 'p'));  // the part stays
    EXPECT_EQ(testutil::readFile(localPath("g.txt")), "gee");
}

// The user deletes the entry under way: it finishes, and the entry after it is not lost.
TEST_F(BatchFaults, DeletingTheRunningEntryKeepsTheNext)
{
    PyFtpOptions options;
    options.throttle = 16 * 1024;  // pyftpdlib holds back from the second 16 KiB on
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    ASSERT_TRUE(testutil::writePatternFile(server.path("one.bin"), 40 * 1024, 1));
    ASSERT_TRUE(testutil::writePatternFile(server.path("two.bin"), 8 * 1024, 2));
    ASSERT_TRUE(connect());
    const quint64 id = runner->StartDownload(remoteSelection({"one.bin", "two.bin"}));
    const TFtp& ftp = session->Ftp();
    ASSERT_TRUE(testutil::waitFor([&] { return ftp.RemoteFile == "one.bin" && ftp.Busy() && ftp.BytesTransferred() > 0; }));
    ASSERT_EQ(queue->count(), 2);
    queue->removeRows({0});
    const BatchSummary summary = waitBatch(id);
    EXPECT_EQ(summary.files, 2) << joinedLog().toStdString();
    EXPECT_EQ(testutil::sha256OfFile(localPath("one.bin")), testutil::sha256OfFile(server.path("one.bin")));
    EXPECT_EQ(testutil::sha256OfFile(localPath("two.bin")), testutil::sha256OfFile(server.path("two.bin")));
    EXPECT_TRUE(queue->isEmpty());
}

// A refused MKD followed by a refused CWD skips the folder: nothing goes into the parent.
// A folder to upload that has vanished is skipped (not another folder in its place); a FIFO
// inside a folder is left out instead of blocking the upload.
TEST_F(BatchFaults, UploadFoldersThatCannotBeMadeOrRead)
{
    PyFtpOptions options;
    options.refuse << "MKD=550 Not here." << "CWD*1=550 Not there.";
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    QDir(localRoot.path()).mkpath("refused");
    testutil::writeFile(localPath("refused/inner.txt"), "inner");
    QDir(localRoot.path()).mkpath("piped");
    testutil::writeFile(localPath("piped/plain.txt"), "plain");
    ASSERT_EQ(::mkfifo(QFile::encodeName(localPath("piped/fifo")).constData(), 0600), 0);
    QDir(server.root()).mkpath("piped");  // exists: entered without MKD
    ASSERT_TRUE(connect());
    const QString root = remoteRoot();
    const BatchSummary summary = waitBatch(runEntries({
        QueueEntry::make(QueueEntry::UploadFolder, localPath("refused"), {}, root + "refused/"),
        QueueEntry::make(QueueEntry::UploadFolder, localPath("vanished"), {}, root + "vanished/"),
        QueueEntry::make(QueueEntry::UploadFolder, localPath("piped"), {}, root + "piped/"),
    }));
    EXPECT_EQ(summary.failed, 2) << joinedLog().toStdString();
    EXPECT_EQ(summary.files, 1);
    EXPECT_FALSE(QFileInfo::exists(server.path("inner.txt")));
    EXPECT_FALSE(QFileInfo::exists(server.path("refused")));
    EXPECT_EQ(testutil::readFile(server.path("piped/plain.txt")), "plain");
    EXPECT_FALSE(QFileInfo::exists(server.path("piped/fifo")));
    EXPECT_EQ(logMatching("Not uploaded: ").size(), 1);
    EXPECT_EQ(logMatching("ERROR: Cannot read the folder ").size(), 1);
    EXPECT_EQ(local->currentDirectory(), localRoot.path() + '/');
}

// Skipped entries go on through the event loop: 20,000 in a row leave the stack as it was.
TEST_F(BatchFaults, TwentyThousandSkipsInARow)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(connect());
    settings->prefs().SkipEnabled = true;
    settings->prefs().SkipList = QStringList{"*.skip"};
    std::vector<QueueEntry> entries;
    const QString root = remoteRoot();
    for (int i = 0; i < 20000; ++i)
        entries.push_back(QueueEntry::make(QueueEntry::DownloadFile, root + QString("f%1.skip").arg(i), "1",
                                           localPath(QString("f%1.skip").arg(i))));
    const BatchSummary summary = waitBatch(runEntries(std::move(entries)), 120000);
    EXPECT_EQ(summary.skipped, 20000);
    EXPECT_TRUE(queue->isEmpty());
    EXPECT_EQ(session->State(), SessionState::Idle);
}

// A direct download is no queue entry: after the reconnect it goes on by itself, resumed.
TEST_F(BatchFaults, ADroppedDirectDownloadResumesByItself)
{
    PyFtpOptions options;
    options.dropAfter = 200 * 1024;
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    ASSERT_TRUE(testutil::writePatternFile(server.path("named.bin"), 768 * 1024, 6));
    settings->config().RestoreState = false;
    ASSERT_TRUE(connect());
    session->SetSiteResumes(true);
    session->RestartTimer.setInterval(50);
    const quint64 id = runner->DirectDownload(localPath("named.bin"), "named.bin", false, "0");
    ASSERT_TRUE(testutil::waitFor([&] { return session->State() == SessionState::ConnectionLost; }, 15000));
    const qint64 kept = QFileInfo(localPath("named.bin")).size();
    const BatchSummary summary = waitBatch(id);
    EXPECT_EQ(summary.files, 1) << joinedLog().toStdString();
    EXPECT_EQ(finishedCount(id), 1);
    EXPECT_TRUE(log.contains("REST " + QString::number(kept))) << joinedLog().toStdString();
    EXPECT_EQ(testutil::sha256OfFile(localPath("named.bin")), testutil::sha256OfFile(server.path("named.bin")));
    EXPECT_TRUE(queue->isEmpty());
}
