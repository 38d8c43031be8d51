// How a batch runs and ends: "~/" targets, the case rule on created folders, AutoRefresh
// off, the direct download's question, the free-space question, halt, abort, the completion
// actions (each batch reporting its end once), the progress display, statistics and dates,
// and a session lost for good.
#include "batchfixture.h"

#include "dialup/fakedialupservice.h"

#include <QFile>
#include <QRegularExpression>

namespace {

class BatchFlow : public BatchTest
{
protected:
    quint64 runEntries(std::vector<QueueEntry> entries)
    {
        queue->append(std::move(entries));
        return runner->RunQueue();
    }
};

}  // namespace

// "~/sub/dir/" is the batch's remote starting directory followed by sub/dir: the subfolder
// is kept. The case rule changes the folders made below the local starting folder and the
// file names, never the starting folder itself.
TEST_F(BatchFlow, HomeTargetsAndTheCaseRuleKeepTheirPlaces)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    QDir(server.root()).mkpath("start/sub");
    QDir(server.root()).mkpath("Tree/Inner");
    ASSERT_TRUE(server.putFile("Tree/Inner/File.TXT", "deep"));
    QDir(localRoot.path()).mkpath("Up Case/Folder");
    testutil::writeFile(localPath("Up Case/Folder/a.txt"), "a");
    local->setCurrentDirectory(localPath("Up Case"));
    local->read(false);
    ASSERT_TRUE(connect("/start"));

    const BatchSummary put = waitBatch(runEntries(
        {QueueEntry::make(QueueEntry::UploadFolder, localPath("Up Case/Folder"), {}, "~/sub/dir/")}));
    EXPECT_TRUE(put.ok()) << joinedLog().toStdString();
    EXPECT_EQ(testutil::readFile(server.path("start/sub/dir/a.txt")), "a");

    settings->config().ForceLowerCase = 2;
    const BatchSummary got = waitBatch(runEntries(
        {QueueEntry::make(QueueEntry::DownloadFolder, "/Tree/", {}, localPath("Up Case/Tree/"))}));
    EXPECT_TRUE(got.ok()) << joinedLog().toStdString();
    EXPECT_EQ(testutil::readFile(localPath("Up Case/tree/inner/file.txt")), "deep");
    EXPECT_FALSE(QFileInfo::exists(localPath("up case")));
}

// With AutoRefresh off the session lists nothing by itself; a folder batch still gets the
// listings it works on.
TEST_F(BatchFlow, FolderBatchesWithoutAutoRefresh)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    QDir(server.root()).mkpath("tree/sub");
    ASSERT_TRUE(server.putFile("tree/sub/x.txt", "x"));
    ASSERT_TRUE(connect());
    settings->config().AutoRefresh = false;
    const BatchSummary got = waitBatch(runner->StartDownload(remoteSelection({"tree"})));
    EXPECT_TRUE(got.ok()) << joinedLog().toStdString();
    EXPECT_EQ(testutil::readFile(localPath("tree/sub/x.txt")), "x");
    EXPECT_EQ(session->State(), SessionState::Idle);
}

// "Man&ual Download" fetched over an existing file without asking: the "File Exists" rules
// apply. Its file is no queue entry: the queue stays as it was.
TEST_F(BatchFlow, DirectDownloadAsksAndLeavesTheQueueAlone)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(server.putFile("named.txt", "server copy"));
    testutil::writeFile(localPath("named.txt"), "mine");
    ASSERT_TRUE(connect());
    queue->append(QueueEntry::make(QueueEntry::DownloadFile, "/other.txt", "1", localPath("other.txt")));

    prompt.answer(FileConflictAnswer::Choice::Skip);
    const BatchSummary skipped = waitBatch(runner->DirectDownload(localPath("named.txt"), "named.txt", false, "0"));
    EXPECT_EQ(prompt.conflicts().size(), 1u);
    EXPECT_EQ(skipped.skipped, 1);
    EXPECT_EQ(testutil::readFile(localPath("named.txt")), "mine");
    EXPECT_EQ(queue->count(), 1);

    prompt.answer(FileConflictAnswer::Choice::Overwrite);
    const BatchSummary got = waitBatch(runner->DirectDownload(localPath("named.txt"), "named.txt", false, "0"));
    EXPECT_EQ(got.files, 1);
    EXPECT_EQ(testutil::readFile(localPath("named.txt")), "server copy");
    EXPECT_EQ(queue->count(), 1);
    EXPECT_FALSE(QFileInfo::exists(localPath("other.txt")));
    EXPECT_EQ(session->State(), SessionState::Idle);
}

// A file bigger than the free space asks; No ends the batch with the entry still queued,
// Yes goes on.
TEST_F(BatchFlow, TheFreeSpaceQuestion)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(server.putFile("huge.bin", "small really"));
    ASSERT_TRUE(connect());
    settings->config().FreeSpace = true;
    const QueueEntry huge = QueueEntry::make(QueueEntry::DownloadFile, "/huge.bin", "999999999999999999", localPath("huge.bin"));
    prompt.answer(Prompt::No);
    const BatchSummary refused = waitBatch(runEntries({huge}));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked().front().text, "There is not enough free space to download the current file.  Continue anyway ?");
    EXPECT_EQ(prompt.asked().front().icon, Prompt::Icon::Error);
    EXPECT_TRUE(refused.cancelled);
    EXPECT_EQ(queue->count(), 1);
    prompt.answer(Prompt::Yes);
    const BatchSummary accepted = waitBatch(runner->RunQueue());
    EXPECT_EQ(accepted.files, 1);
    EXPECT_EQ(testutil::readFile(localPath("huge.bin")), "small really");
}

// Halt stops after the file under way (the rest stays queued, the mark clears); Abort ends
// the batch with its entry queued. Each batch reports its end once.
TEST_F(BatchFlow, HaltAndAbort)
{
    PyFtpOptions options;
    options.throttle = 16 * 1024;  // pyftpdlib holds back from the second 16 KiB on
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    ASSERT_TRUE(testutil::writePatternFile(server.path("a.bin"), 8 * 1024, 1));
    ASSERT_TRUE(testutil::writePatternFile(server.path("b.bin"), 256 * 1024, 2));
    ASSERT_TRUE(connect());
    QList<bool> halts;
    QObject::connect(runner.get(), &BatchRunner::haltChanged, [&](bool on) { halts << on; });
    const quint64 halted = runner->StartDownload(remoteSelection({"a.bin", "b.bin"}));
    runner->SetHalt(true);
    const BatchSummary first = waitBatch(halted);
    EXPECT_EQ(first.files, 1);
    EXPECT_EQ(queue->count(), 1);
    EXPECT_EQ(halts, QList<bool>({true, false}));

    const quint64 aborted = runner->RunQueue();
    const TFtp& ftp = session->Ftp();
    ASSERT_TRUE(testutil::waitFor([&] { return ftp.Busy() && ftp.RemoteFile == "b.bin" && ftp.BytesTransferred() > 0; }));
    session->Abort();
    const BatchSummary second = waitBatch(aborted);
    EXPECT_TRUE(second.cancelled);
    EXPECT_EQ(second.files, 0);
    EXPECT_EQ(queue->count(), 1);
    EXPECT_EQ(finishedCount(halted) + finishedCount(aborted), 2);
    EXPECT_TRUE(waitIdle());
}

// The completion actions: Disconnect ends the session, Hangup also hangs the dial-up line up,
// Quit asks the window to close after the batch has reported its end.
TEST_F(BatchFlow, CompletionActions)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(server.putFile("f.txt", "f"));
    FakeDialupService dialup;
    dialup.addActive("My ISP", "gsm", "cdc-wdm0");
    runner->SetDialupService(&dialup);
    QStringList events;
    QObject::connect(runner.get(), &BatchRunner::quitRequested, [&] { events << "quit"; });
    QObject::connect(runner.get(), &BatchRunner::batchFinished, [&](const BatchSummary&) { events << "finished"; });

    const struct {
        CompletionAction action;
        SessionState after;
        bool hungUp;
        bool quit;
    } cases[] = {
        {CompletionAction::Idle, SessionState::Idle, false, false},
        {CompletionAction::Disconnect, SessionState::NotConnected, false, false},
        {CompletionAction::Hangup, SessionState::NotConnected, true, false},
        {CompletionAction::Quit, SessionState::Idle, false, true},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(session->State() == SessionState::Idle || connect());
        events.clear();
        dialup.requests.clear();
        runner->SetCompletion(c.action);
        const quint64 id = runner->StartDownload(remoteSelection({"f.txt"}));
        waitBatch(id);
        testutil::waitFor([&] { return session->State() == c.after; });
        testutil::spin(50);
        EXPECT_EQ(session->State(), c.after) << int(c.action);
        EXPECT_EQ(finishedCount(id), 1) << int(c.action);
        EXPECT_EQ(dialup.count("deactivate uuid-My ISP"), c.hungUp ? 1 : 0) << int(c.action);
        EXPECT_EQ(events, c.quit ? QStringList({"finished", "quit"}) : QStringList({"finished"})) << int(c.action);
    }
}

// The transfer timer's texts while a throttled file moves, the size the server announces
// (vsftpd's "(N bytes)") raising an unknown size, and the title at the end.
TEST_F(BatchFlow, ProgressWhileAFileMoves)
{
    PyFtpOptions options;
    options.throttle = 48 * 1024;
    START_OR_SKIP(ServerKind::Vsftpd, options);
    ASSERT_TRUE(testutil::writePatternFile(server.path("slow.bin"), 144 * 1024, 4));
    server.adoptTree();
    ASSERT_TRUE(connect());
    QStringList elapsed, titles;
    QList<int> percents;
    QObject::connect(runner.get(), &BatchRunner::elapsedText, [&](const QString& t) { elapsed << t; });
    QObject::connect(runner.get(), &BatchRunner::titleChanged, [&](const QString& t) { titles << t; });
    QObject::connect(runner.get(), &BatchRunner::progressChanged, [&](int p, const QString&) { percents << p; });
    const quint64 id = runEntries({QueueEntry::make(QueueEntry::DownloadFile, session->Remote().currentDirectory() + "slow.bin",
                                                    {}, localPath("slow.bin"))});
    ASSERT_TRUE(testutil::waitFor([&] { return runner->TransferTimer.isActive(); }));
    EXPECT_EQ(runner->CurrentFileSize(), 144 * 1024);  // announced by the 150 reply
    runner->TransferTimerTimer();
    runner->TransferTimerTimer();
    EXPECT_EQ(elapsed.mid(elapsed.size() - 2), QStringList({"Elapsed: 00:00:01", "Elapsed: 00:00:02"}));
    EXPECT_TRUE(QRegularExpression("^\\d+ \\(\\d+\\.\\d\\d k/sec\\)$").match(runner->ProgressText()).hasMatch())
        << runner->ProgressText().toStdString();
    EXPECT_TRUE(QRegularExpression("^FTP : 0-0 : \\d\\d:\\d\\d:\\d\\d$").match(titles.last()).hasMatch())
        << titles.last().toStdString();
    EXPECT_GT(percents.last(), 0);
    waitBatch(id);
    EXPECT_EQ(titles.last(), QString());  // the normal title again
    EXPECT_EQ(testutil::sha256OfFile(localPath("slow.bin")), testutil::sha256OfFile(server.path("slow.bin")));
}

// Statistics and dates come from complete files only; PreserveDate gives the server's date.
TEST_F(BatchFlow, StatisticsAndDatesOfReceivedFiles)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(server.putFile("dated.txt", "12345"));
    QFile dated(server.path("dated.txt"));
    ASSERT_TRUE(dated.open(QIODevice::Append));
    ASSERT_TRUE(dated.setFileTime(QDateTime(QDate(2019, 5, 17), QTime(13, 45), Qt::UTC), QFileDevice::FileModificationTime));
    dated.close();
    testutil::writeFile(localPath("up.txt"), "upload!");
    local->read(false);
    ASSERT_TRUE(connect());
    session->SetCurrentSiteName("Stats");
    settings->config().PreserveDate = true;
    waitBatch(runner->StartDownload(remoteSelection({"dated.txt"})));
    EXPECT_EQ(QFileInfo(localPath("dated.txt")).lastModified().date(), QDate(2019, 5, 17));
    waitBatch(runner->StartUpload(localSelection({"up.txt"})));
    EXPECT_EQ(stats->file().readString("Stats", "FilesDown"), "1");
    EXPECT_EQ(stats->file().readString("Stats", "BytesDown"), "5");
    EXPECT_EQ(stats->file().readString("Stats", "FilesUp"), "1");
    EXPECT_EQ(stats->file().readString("Stats", "BytesUp"), "7");
}

// The server drops the session mid-listing of a folder (state 17): the listing's end must
// not make the session ready under the batch; the reconnect finishes the folder.
TEST_F(BatchFlow, ADropDuringAFolderListingResumes)
{
    PyFtpOptions options;
    options.dropAfter = 6000;
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    QDir(server.root()).mkpath("many");
    for (int i = 0; i < 150; ++i)
        ASSERT_TRUE(server.putFile(QString("many/file-with-a-long-name-%1.txt").arg(i, 3, 10, QChar('0')), "x"));
    settings->config().RestoreState = false;
    ASSERT_TRUE(connect());
    session->RestartTimer.setInterval(50);
    const BatchSummary got = waitBatch(runner->StartDownload(remoteSelection({"many"})));
    EXPECT_TRUE(got.ok()) << joinedLog().toStdString();
    EXPECT_EQ(got.files, 150);
    EXPECT_TRUE(log.contains("Server disconnected."));
    EXPECT_EQ(QDir(localPath("many")).entryList(QDir::Files).size(), 150);
}

// A reconnect that never comes ends the batch once, as disconnected, with its entries queued.
TEST_F(BatchFlow, ASessionLostForGoodEndsTheBatchOnce)
{
    PyFtpOptions options;
    options.dropAfter = 64 * 1024;
    START_OR_SKIP(ServerKind::Pyftpdlib, options);
    ASSERT_TRUE(testutil::writePatternFile(server.path("big.bin"), 512 * 1024, 3));
    settings->config().RestoreState = false;
    ASSERT_TRUE(connect());
    session->RestartTimer.setInterval(50);
    const quint64 id = runner->StartDownload(remoteSelection({"big.bin"}));
    ASSERT_TRUE(testutil::waitFor([&] { return session->State() == SessionState::ConnectionLost; }));
    server.stop();
    const BatchSummary summary = waitBatch(id, 30000);
    EXPECT_TRUE(summary.disconnected);
    EXPECT_EQ(finishedCount(id), 1);
    EXPECT_EQ(queue->count(), 1);
    EXPECT_EQ(session->State(), SessionState::NotConnected);
}

// A batch resumed at login (follow-up 9) whose first entry is a folder runs once: the
// follow-up is spent when the batch begins, not at every listing of the batch.
TEST_F(BatchFlow, AResumedBatchStartingWithAFolderRunsOnce)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    QDir(server.root()).mkpath("tree/sub");
    ASSERT_TRUE(server.putFile("tree/a.txt", "a"));
    ASSERT_TRUE(server.putFile("tree/sub/b.txt", "b"));
    queue->append(QueueEntry::make(QueueEntry::DownloadFolder, "/tree/", {}, localPath("tree/")));
    int started = 0;
    QObject::connect(runner.get(), &BatchRunner::batchStarted, [&] { ++started; });
    ConnectionRequest request;
    request.host = "127.0.0.1";
    request.port = QString::number(server.port());
    request.user = server.user();
    request.password = server.password();
    session->SetFollow(FollowUp::ResumeBatch);
    session->SetState(SessionState::LoggingIn);
    session->Connect(request);
    ASSERT_TRUE(testutil::waitFor([&] { return !finished.empty(); }, 20000)) << joinedLog().toStdString();
    testutil::spin(100);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished.front().files, 2);
    EXPECT_EQ(testutil::readFile(localPath("tree/sub/b.txt")), "b");
    EXPECT_EQ(session->Follow(), FollowUp::None);
    EXPECT_EQ(session->State(), SessionState::Idle);
}

// SkipNull skips sizes known to be 0; an empty size or one that is no number ("12/24") is
// not known, and the file comes.
TEST_F(BatchFlow, OnlyAKnownZeroSizeIsSkipped)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    for (const char* name : {"empty-size", "blocks", "zero"})
        ASSERT_TRUE(server.putFile(name, "x"));
    ASSERT_TRUE(connect());
    settings->config().SkipNull = true;
    const QString root = session->Remote().currentDirectory();
    const BatchSummary summary = waitBatch(runEntries({
        QueueEntry::make(QueueEntry::DownloadFile, root + "empty-size", "", localPath("empty-size")),
        QueueEntry::make(QueueEntry::DownloadFile, root + "blocks", "12/24", localPath("blocks")),
        QueueEntry::make(QueueEntry::DownloadFile, root + "zero", "0", localPath("zero")),
    }));
    EXPECT_EQ(summary.files, 2);
    EXPECT_EQ(logMatching("Skipping file: "), QStringList{"Skipping file: zero(0)"});
    EXPECT_TRUE(QFileInfo::exists(localPath("blocks")));
}

// A running script is asked nothing: an existing file is overwritten, the free-space question
// is not put.
TEST_F(BatchFlow, AScriptIsAskedNothing)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(server.putFile("f.txt", "new"));
    testutil::writeFile(localPath("f.txt"), "old");
    ASSERT_TRUE(connect());
    settings->config().FreeSpace = true;
    session->SetScriptRunning(true);
    const QString root = session->Remote().currentDirectory();
    waitBatch(runEntries({QueueEntry::make(QueueEntry::DownloadFile, root + "f.txt", "999999999999999999", localPath("f.txt"))}));
    EXPECT_TRUE(prompt.asked().empty());
    EXPECT_EQ(testutil::readFile(localPath("f.txt")), "new");
    session->SetScriptRunning(false);
}

namespace {

// Answers "File Exists" with Overwrite, but the session has ended by the time it returns.
class DisconnectingPrompt : public ScriptedPrompt
{
public:
    explicit DisconnectingPrompt(SessionController& session) : m_session(session) {}
    FileConflictAnswer fileExists(const FileConflict&) override
    {
        m_session.Disconnect();
        return FileConflictAnswer::of(FileConflictAnswer::Choice::Overwrite);
    }

private:
    SessionController& m_session;
};

}  // namespace

// After a question the batch looks again whether the session and the batch still stand.
TEST_F(BatchFlow, ASessionThatEndedDuringTheQuestionIsNotUsed)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(server.putFile("f.txt", "new"));
    testutil::writeFile(localPath("f.txt"), "old");
    ASSERT_TRUE(connect());
    DisconnectingPrompt ending(*session);
    const BatchSummary summary = waitBatch(runner->StartDownload(remoteSelection({"f.txt"})));
    EXPECT_TRUE(summary.disconnected);
    EXPECT_EQ(summary.files, 0);
    EXPECT_EQ(testutil::readFile(localPath("f.txt")), "old");
    EXPECT_EQ(queue->count(), 1);
    EXPECT_EQ(session->State(), SessionState::NotConnected);
}
