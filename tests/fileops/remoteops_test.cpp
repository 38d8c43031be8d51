// The remote chains against real servers: the recursive delete (order, questions, faults,
// abort), names with "\", move, CHMOD, make directory and rename, and that every operation
// completes exactly once.
#include "fileops/remotepath.h"
#include "fileopsfixture.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

}  // namespace

// Remote paths split at "/" only; typed destinations resolve against the current directory.
TEST(RemotePath, SlashOnlyAndResolution)
{
    EXPECT_EQ(RemoteFileName("/pub/x\\a.txt"), "x\\a.txt");
    EXPECT_EQ(RemoteFileName("x\\a.txt"), "x\\a.txt");
    EXPECT_EQ(RemoteFileName("/pub/dir/"), "dir");
    EXPECT_EQ(RemoteParent("/pub/dir/"), "/pub/");
    EXPECT_EQ(RemoteParent("a\\b"), "");
    EXPECT_EQ(RemoteJoin("/pub", "a"), "/pub/a");
    EXPECT_EQ(RemoteJoin("/", "a"), "/a");
    const struct {
        const char* current;
        const char* typed;
        const char* resolved;
    } cases[] = {
        {"/pub/", "sub", "/pub/sub"},          {"/pub/", "sub/", "/pub/sub/"},
        {"/pub/", "../x", "/x"},               {"/pub/", "/a/./b//c/..", "/a/b"},
        {"/", "../../..", "/"},                {"/pub/", "~/in", "~/in"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RemoteResolve(c.current, c.typed), QString::fromLatin1(c.resolved)) << c.typed;
    for (const char* name : {"", ".", "..", "a/b", "../x"})
        EXPECT_FALSE(IsPlainRemoteName(name)) << name;
    EXPECT_TRUE(IsPlainRemoteName("x\\y z"));
}

// Everything under a/ goes, hidden files and files the view's filter hides included; the
// folders go c, b, a, after the return to the starting directory, and that directory is
// listed once after the last RMD. The file beside a/ stays.
class DeleteTreeTest : public RemoteOpsTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(DeleteTreeTest, EverythingGoesInOrderAndTheRestStays)
{
    makeTree({"a/b/c/", "a/one.txt", "a/b/two.bin", "a/b/c/three.txt", "a/b/c/.hidden", "top.txt", "keep.txt"});
    QString skip;
    if (GetParam()) {
        if (!connectVsftpd(&skip)) {
            if (!skip.isEmpty())
                GTEST_SKIP() << skip.toStdString();
            FAIL() << log.join('\n').toStdString();
        }
    } else {
        ASSERT_TRUE(connectPyftpd());
    }
    const QString home = session->Remote().currentDirectory();  // vsftpd shows the real path
    session->Remote().filter().mask = "*.txt";
    prompt.answer(Prompt::Yes);
    prompt.answer(Prompt::Yes);
    const FileOpResult result = run([&](FileOpDone done) { ops->Delete(entries({"a", "top.txt"}), std::move(done)); });
    EXPECT_TRUE(result.ok) << result.message.toStdString() << "\n" << log.join('\n').toStdString();
    EXPECT_FALSE(exists(dir("a")));
    EXPECT_FALSE(exists(dir("top.txt")));
    EXPECT_TRUE(exists(dir("keep.txt")));
    EXPECT_EQ(listedNames(), QStringList{"keep.txt"});
    EXPECT_TRUE(idle());

    const QStringList tail = verbs(commandsFrom("RMD"), {"RMD", "LIST", "DELE", "CWD"});
    EXPECT_EQ(tail, QStringList({"RMD " + home + "a/b/c", "RMD " + home + "a/b", "RMD " + home + "a", "LIST"}))
        << commands.join('\n').toStdString();
    EXPECT_TRUE(commands.contains("DELE .hidden"));
    EXPECT_TRUE(commands.contains("DELE two.bin"));
    EXPECT_EQ(status.filter("Deleting: ").first(), "Deleting: top.txt");
    EXPECT_TRUE(progress.contains("0 file(s) remaining"));
    EXPECT_EQ(session->Ftp().ShowHiddenFiles, false);  // the session's own choice again
}

INSTANTIATE_TEST_SUITE_P(Servers, DeleteTreeTest, ::testing::Values(false, true),
                         [](const auto& test) { return test.param ? "vsftpd" : "pyftpdlib"; });

// The questions: "Delete selected file(s) ?" only with ConfirmDel, the folder warning
// whenever folders are chosen; No to either leaves the server as it was and sends nothing.
TEST_F(RemoteOpsTest, DeleteQuestionsAndNoChangesNothing)
{
    makeTree({"a/", "a/x.txt", "f.txt"});
    ASSERT_TRUE(connectPyftpd());
    const QString confirm = "Delete selected file(s) ?";
    const QString warning = "Are you sure you want to delete the selected folders?  All nested files and folders will be deleted.";
    const struct {
        bool confirmDel;
        QStringList chosen;
        QList<Prompt::Button> answers;
        QStringList asked;
    } cases[] = {
        {true, {"a", "f.txt"}, {Prompt::No}, {confirm}},
        {true, {"a", "f.txt"}, {Prompt::Yes, Prompt::No}, {confirm, warning}},
        {false, {"a", "f.txt"}, {Prompt::No}, {warning}},
        {true, {"f.txt"}, {Prompt::No}, {confirm}},
    };
    for (const auto& c : cases) {
        settings->config().ConfirmDel = c.confirmDel;
        prompt.clear();
        commands.clear();
        for (const Prompt::Button answer : c.answers)
            prompt.answer(answer);
        const FileOpResult result = run([&](FileOpDone done) { ops->Delete(entries(c.chosen), std::move(done)); });
        EXPECT_TRUE(result.cancelled);
        EXPECT_FALSE(result.ok);
        QStringList asked;
        for (const auto& question : prompt.asked())
            asked << question.text;
        EXPECT_EQ(asked, c.asked);
        EXPECT_TRUE(commands.isEmpty()) << commands.join('\n').toStdString();
        EXPECT_TRUE(exists(dir("a/x.txt")) && exists(dir("f.txt")));
        EXPECT_TRUE(idle());
    }
    // With ConfirmDel off a plain file goes without a question.
    settings->config().ConfirmDel = false;
    prompt.clear();
    EXPECT_TRUE(run([&](FileOpDone done) { ops->Delete(entries({"f.txt"}), std::move(done)); }).ok);
    EXPECT_TRUE(prompt.asked().empty());
    EXPECT_FALSE(exists(dir("f.txt")));
}

// A change into a folder that the server refuses, or that lands somewhere else, stops the
// delete: the listing of the wrong directory is never taken for the folder's contents, so
// no file of the starting directory goes. The session is back where it started, usable.
TEST_F(RemoteOpsTest, ARefusedOrMisleadingChangeStopsTheDelete)
{
    const struct {
        const char* reply;
        const char* why;
    } cases[] = {
        {"CWD*1=550 Permission denied.", "refused"},
        {"CWD*1=250 Okay.", "reached /"},  // says yes, stays where it was
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        makeTree({"a/", "a/inner.txt", "keep1.txt", "keep2.txt", "b/", "b/sibling.txt"});
        PyFtpOptions options;
        options.refuse << c.reply;
        pyftpd.stop();
        ASSERT_TRUE(connectPyftpd(options));
        settings->config().ConfirmDel = false;
        prompt.answer(Prompt::Yes);
        const FileOpResult result = run([&](FileOpDone done) { ops->Delete(entries({"a"}), std::move(done)); });
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(c.why)) << result.message.toStdString();
        EXPECT_TRUE(exists(dir("a/inner.txt")) && exists(dir("keep1.txt")) && exists(dir("keep2.txt"))
                    && exists(dir("b/sibling.txt")));
        EXPECT_TRUE(verbs(commands, {"DELE", "RMD"}).isEmpty()) << commands.join('\n').toStdString();
        EXPECT_TRUE(log.filter("ERROR: ").size() >= 1);
        EXPECT_TRUE(idle());
        EXPECT_EQ(session->Remote().currentDirectory(), "/");
        EXPECT_TRUE(ops->PendingFiles().isEmpty() && ops->PendingFolders().isEmpty());
        session->ResetToDisconnected();
    }
}

// Abort while the delete waits for a folder's listing: the listing ends at once, nothing
// more is deleted, the session goes back to where it started and takes the next command.
TEST_F(RemoteOpsTest, AbortDuringTheListingStopsTheChainAndKeepsTheSession)
{
    QStringList tree{"big/", "first.txt"};
    for (int i = 0; i < 400; ++i)
        tree << QStringLiteral("big/a-rather-long-file-name-to-make-the-listing-slow-%1.txt").arg(i, 4, 10, QLatin1Char('0'));
    makeTree(tree);
    PyFtpOptions options;
    options.throttle = 4000;  // the listing of big/ takes several seconds
    ASSERT_TRUE(connectPyftpd(options));
    settings->config().ConfirmDel = false;
    prompt.answer(Prompt::Yes);
    int calls = 0;
    FileOpResult result;
    ops->Delete(entries({"big", "first.txt"}), [&](const FileOpResult& r) {
        ++calls;
        result = r;
    });
    ASSERT_TRUE(testutil::waitFor([&] { return !commandsFrom("CWD /big").filter(QRegularExpression("^LIST")).isEmpty(); }));
    testutil::spin(300);
    ASSERT_EQ(session->State(), SessionState::Deleting);
    session->Abort();
    ASSERT_TRUE(testutil::waitFor([&] { return calls > 0; }, 20000)) << log.join('\n').toStdString();
    EXPECT_TRUE(result.aborted);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(commands.contains("ABOR")) << commands.join('\n').toStdString();
    EXPECT_FALSE(exists(dir("first.txt")));  // deleted before the abort
    EXPECT_EQ(QDir(dir("big")).entryList(QDir::Files).size(), 400);
    EXPECT_TRUE(verbs(commandsFrom("CWD /big"), {"DELE", "RMD"}).isEmpty());
    EXPECT_TRUE(idle());
    EXPECT_EQ(session->Remote().currentDirectory(), "/");
    // Usable: the next operation runs.
    EXPECT_TRUE(run([&](FileOpDone done) { ops->MakeDirectory("after", std::move(done)); }).ok);
    EXPECT_TRUE(exists(dir("after")));
    testutil::spin(100);
    EXPECT_EQ(calls, 1);
}

// Remote names are split at "/" only: "x\important.txt" is one file, and deleting it leaves
// "important.txt" alone.
TEST_F(RemoteOpsTest, ABackslashIsPartOfTheName)
{
    makeTree({"x\\important.txt", "important.txt"});
    ASSERT_TRUE(connectPyftpd());
    settings->config().ConfirmDel = false;
    EXPECT_TRUE(run([&](FileOpDone done) { ops->Delete(entries({"x\\important.txt"}), std::move(done)); }).ok);
    EXPECT_TRUE(commands.contains("DELE x\\important.txt")) << commands.join('\n').toStdString();
    EXPECT_FALSE(exists(dir("x\\important.txt")));
    EXPECT_TRUE(exists(dir("important.txt")));
}

// Moving two files into "sub": one rename each, "Moving: " with each name, one listing at
// the end; the target's cached listing is not shown stale afterwards.
TEST_F(RemoteOpsTest, MovingTwoFilesRenamesEachAndListsOnce)
{
    makeTree({"sub/", "a.txt", "b.txt", "c.txt"});
    ASSERT_TRUE(connectPyftpd());
    const FileOpResult result = run([&](FileOpDone done) { ops->Move({"a.txt", "b.txt"}, "sub", std::move(done)); });
    EXPECT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_TRUE(exists(dir("sub/a.txt")) && exists(dir("sub/b.txt")) && exists(dir("c.txt")));
    EXPECT_EQ(verbs(commands, {"RNFR", "RNTO", "LIST"}),
              QStringList({"RNFR /a.txt", "RNTO /sub/a.txt", "RNFR /b.txt", "RNTO /sub/b.txt", "LIST"}));
    EXPECT_EQ(status.filter("Moving: "), QStringList({"Moving: a.txt", "Moving: b.txt"}));
    EXPECT_EQ(listedNames(), QStringList({"c.txt", "sub"}));
    EXPECT_EQ(ops->FolderTarget(), "/sub/");

    // A refused item does not stop the others; the result says so.
    const FileOpResult partly = run([&](FileOpDone done) { ops->Move({"missing.txt", "c.txt"}, "/sub/", std::move(done)); });
    EXPECT_FALSE(partly.ok);
    EXPECT_TRUE(exists(dir("sub/c.txt")));
}

// CHMOD 644 on vsftpd: the modes on disk change, the status shows each file with the count
// left, and a name the server refuses counts as a failure without stopping the chain.
TEST_F(RemoteOpsTest, ChmodChangesEveryFileAndShowsItsProgress)
{
    makeTree({"f1", "f2", "f3"});
    for (const char* name : {"f1", "f2", "f3"})
        QFile::setPermissions(dir(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QString skip;
    if (!connectVsftpd(&skip)) {
        if (!skip.isEmpty())
            GTEST_SKIP() << skip.toStdString();
        FAIL() << log.join('\n').toStdString();
    }
    const FileOpResult result = run([&](FileOpDone done) { ops->ChangeMode({"f1", "f2", "f3"}, "644", std::move(done)); });
    EXPECT_TRUE(result.ok) << result.message.toStdString();
    for (const char* name : {"f1", "f2", "f3"})
        EXPECT_EQ(testutil::fileMode(dir(name)), 0644) << name;
    EXPECT_EQ(status.filter("CHMOD "), QStringList({"CHMOD 644: f1", "CHMOD 644: f2", "CHMOD 644: f3"}));
    EXPECT_EQ(progress.filter("remaining"),
              QStringList({"2 file(s) remaining", "1 file(s) remaining", "0 file(s) remaining"}));
    EXPECT_EQ(verbs(commandsFrom("SITE"), {"SITE", "LIST"}),
              QStringList({"SITE CHMOD 644 f1", "SITE CHMOD 644 f2", "SITE CHMOD 644 f3", "LIST"}));

    const FileOpResult refused = run([&](FileOpDone done) { ops->ChangeMode({"missing", "f1"}, "600", std::move(done)); });
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(testutil::fileMode(dir("f1")), 0600);
    EXPECT_TRUE(idle());
}

// Make directory and rename, accepted and refused: a refusal ends the operation as failed and
// the session ready; each change is listed afresh, never from the cache.
TEST_F(RemoteOpsTest, MakeDirectoryAndRenameSucceedOrFailCleanly)
{
    makeTree({"old.txt", "taken.txt", "exists/"});
    ASSERT_TRUE(connectPyftpd());
    const struct {
        const char* what;
        std::function<quint64(FileOpDone)> start;
        bool ok;
        QString present;
    } cases[] = {
        {"mkdir", [&](FileOpDone d) { return ops->MakeDirectory("new", std::move(d)); }, true, "new"},
        {"mkdir existing", [&](FileOpDone d) { return ops->MakeDirectory("exists", std::move(d)); }, false, "exists"},
        {"rename", [&](FileOpDone d) { return ops->Rename("old.txt", "renamed.txt", std::move(d)); }, true, "renamed.txt"},
        {"rename missing", [&](FileOpDone d) { return ops->Rename("nothing", "x", std::move(d)); }, false, "taken.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        const FileOpResult result = run(c.start);
        EXPECT_EQ(result.ok, c.ok) << result.message.toStdString();
        EXPECT_EQ(!log.filter("ERROR: ").isEmpty(), !c.ok);
        EXPECT_TRUE(idle());
        EXPECT_TRUE(listedNames().contains(c.present)) << listedNames().join(' ').toStdString();
    }
    EXPECT_FALSE(exists(dir("old.txt")));
}

// Without AutoRefresh the delete still reads the folders it enters.
TEST_F(RemoteOpsTest, DeleteWorksWithoutAutoRefresh)
{
    makeTree({"a/b/", "a/b/x.txt"});
    ASSERT_TRUE(connectPyftpd());
    settings->config().AutoRefresh = false;
    settings->config().ConfirmDel = false;
    prompt.answer(Prompt::Yes);
    EXPECT_TRUE(run([&](FileOpDone done) { ops->Delete(entries({"a"}), std::move(done)); }).ok) << log.join('\n').toStdString();
    EXPECT_FALSE(exists(dir("a")));
}

// An operation that cannot start still completes, once and later; one that the connection
// ends completes as failed; finished carries the ids.
TEST_F(RemoteOpsTest, EveryOperationCompletesExactlyOnce)
{
    makeTree({"a/", "a/x.txt"});
    // Not connected.
    FileOpResult result = run([&](FileOpDone done) { EXPECT_EQ(ops->MakeDirectory("x", std::move(done)), 0u); });
    EXPECT_EQ(result.message, "Not connected");

    PyFtpOptions options;
    options.delay << "DELE=1";
    ASSERT_TRUE(connectPyftpd(options));
    settings->config().ConfirmDel = false;
    prompt.answer(Prompt::Yes);
    int calls = 0;
    const quint64 id = ops->Delete(entries({"a"}), [&](const FileOpResult& r) {
        ++calls;
        result = r;
    });
    EXPECT_NE(id, 0u);
    // Busy: a second one is refused without disturbing the first.
    FileOpResult busy = run([&](FileOpDone done) { EXPECT_EQ(ops->Rename("a", "b", std::move(done)), 0u); });
    EXPECT_EQ(busy.message, "The session is busy");
    ASSERT_TRUE(testutil::waitFor([&] { return commands.contains("DELE x.txt"); }));
    session->Disconnect();
    ASSERT_TRUE(testutil::waitFor([&] { return calls > 0; }));
    testutil::spin(1500);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(finishedIds.contains(id));
    EXPECT_EQ(finishedIds.count(id), 1);
}
