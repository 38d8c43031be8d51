// Folder trees both ways against pyftpdlib and vsftpd: bytes and structure come back exactly
// (an empty folder and an empty file included), the skip rules log their codes, an existing
// remote folder is entered rather than made again, and the views end where they began.
#include "batchfixture.h"

#include <QFile>
#include <QSet>

#include <unistd.h>

namespace {

class BatchTrees : public BatchTest, public ::testing::WithParamInterface<ServerKind>
{
protected:
    // The server's tree: tree/a.txt, tree/zero.bin (0 bytes), tree/empty/, tree/sub/b.bin,
    // tree/sub/deeper/c.txt.
    void makeServerTree()
    {
        QDir root(server.root());
        root.mkpath("tree/empty");
        root.mkpath("tree/sub/deeper");
        ASSERT_TRUE(server.putFile("tree/a.txt", "alpha\nline two\n"));
        ASSERT_TRUE(server.putFile("tree/zero.bin", {}));
        ASSERT_TRUE(testutil::writePatternFile(server.path("tree/sub/b.bin"), 300 * 1024 + 7, 3));
        ASSERT_TRUE(server.putFile("tree/sub/deeper/c.txt", "c"));
        server.adoptTree();
    }
};

}  // namespace

TEST_P(BatchTrees, ATreeGoesDownAndUpByteForByte)
{
    START_OR_SKIP(GetParam());
    makeServerTree();
    ASSERT_TRUE(connect());
    const QString home = session->Remote().currentDirectory();

    const quint64 down = runner->StartDownload(remoteSelection({"tree"}));
    ASSERT_NE(down, 0u);
    const BatchSummary got = waitBatch(down);
    ASSERT_EQ(got.id, down) << joinedLog().toStdString();
    EXPECT_TRUE(got.ok()) << joinedLog().toStdString();
    EXPECT_EQ(got.files, 4);
    const auto serverTree = treeHashes(server.path("tree"));
    EXPECT_EQ(treeHashes(localPath("tree")), serverTree);
    EXPECT_TRUE(serverTree.contains("empty/"));
    EXPECT_TRUE(queue->isEmpty());
    // The batch ends where it began, ready, the remote view listed with its parent entry.
    EXPECT_EQ(session->State(), SessionState::Idle);
    EXPECT_EQ(session->Remote().currentDirectory(), home);
    EXPECT_EQ(local->currentDirectory(), localRoot.path() + '/');
    EXPECT_EQ(finishedCount(down), 1);

    // Up again under another name: the remote folder does not exist yet and is made.
    QDir(localRoot.path()).rename("tree", "copy");
    local->read(false);
    log.clear();
    const quint64 up = runner->StartUpload(localSelection({"copy"}));
    ASSERT_NE(up, 0u);
    const BatchSummary put = waitBatch(up);
    EXPECT_TRUE(put.ok()) << joinedLog().toStdString();
    EXPECT_EQ(put.files, 4);
    EXPECT_EQ(treeHashes(server.path("copy")), serverTree);
    EXPECT_EQ(logMatching("MKD ").size(), 4) << joinedLog().toStdString();  // copy, empty, sub, deeper

    // Once more into the folder that now exists: entered, not made again, and what it held
    // besides stays.
    ASSERT_TRUE(server.putFile("copy/kept.txt", "kept"));
    settings->config().UploadMode = 2;  // overwrite
    log.clear();
    const quint64 again = runner->StartUpload(localSelection({"copy"}));
    const BatchSummary replaced = waitBatch(again);
    EXPECT_TRUE(replaced.ok()) << joinedLog().toStdString();
    EXPECT_EQ(logMatching("MKD ").size(), 0) << joinedLog().toStdString();
    EXPECT_EQ(testutil::readFile(server.path("copy/kept.txt")), "kept");
    EXPECT_EQ(testutil::sha256OfFile(server.path("copy/sub/b.bin")), serverTree.value("sub/b.bin"));
}

// SkipNull and the skip list leave files out with their codes, downloads 0, uploads 4; an
// empty folder is not made when SkipDir is on.
TEST_P(BatchTrees, SkipRulesLogTheirCodes)
{
    START_OR_SKIP(GetParam());
    makeServerTree();
    ASSERT_TRUE(connect());
    ConfigData& config = settings->config();
    config.SkipNull = true;
    config.SkipDir = true;
    settings->prefs().SkipEnabled = true;
    settings->prefs().SkipList = QStringList{"*.txt"};

    const quint64 down = runner->StartDownload(remoteSelection({"tree"}));
    const BatchSummary got = waitBatch(down);
    EXPECT_TRUE(got.ok()) << joinedLog().toStdString();
    EXPECT_EQ(got.skipped, 3);
    const QStringList skips = logMatching("Skipping file: ");
    EXPECT_EQ(QSet<QString>(skips.begin(), skips.end()),
              QSet<QString>({"Skipping file: zero.bin(0)", "Skipping file: a.txt(0)", "Skipping file: c.txt(0)"}));
    EXPECT_TRUE(QFileInfo::exists(localPath("tree/sub/b.bin")));
    EXPECT_FALSE(QFileInfo::exists(localPath("tree/empty")));
    EXPECT_FALSE(QFileInfo::exists(localPath("tree/a.txt")));

    // The upload side: a 0-byte file and a skipped name give code 4.
    QDir(localRoot.path()).mkpath("out");
    testutil::writeFile(localPath("out/none.bin"), {});
    testutil::writeFile(localPath("out/notes.txt"), "x");
    testutil::writeFile(localPath("out/data.bin"), "data");
    local->read(false);
    log.clear();
    const quint64 up = runner->StartUpload(localSelection({"out"}));
    const BatchSummary put = waitBatch(up);
    EXPECT_EQ(put.files, 1) << joinedLog().toStdString();
    EXPECT_EQ(logMatching("Skipping file: ").size(), 2);
    EXPECT_TRUE(log.contains("Skipping file: none.bin(4)"));
    EXPECT_TRUE(log.contains("Skipping file: notes.txt(4)"));
    EXPECT_EQ(testutil::readFile(server.path("out/data.bin")), "data");
    EXPECT_FALSE(QFileInfo::exists(server.path("out/notes.txt")));
}

INSTANTIATE_TEST_SUITE_P(Servers, BatchTrees, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         [](const ::testing::TestParamInfo<ServerKind>& kind) { return std::string(serverKindName(kind.param)); });

// A folder that is a link back to a folder this batch has listed (vsftpd names the real
// directory after CWD) is left out instead of being fetched again and again.
TEST_F(BatchTest, ALinkBackToAListedFolderIsLeftOut)
{
    START_OR_SKIP(ServerKind::Vsftpd);
    QDir(server.root()).mkpath("pub");
    ASSERT_TRUE(server.putFile("pub/a.txt", "a"));
    ASSERT_EQ(::symlink(".", QFile::encodeName(server.path("pub/again")).constData()), 0);
    server.adoptTree();
    ASSERT_TRUE(connect(server.path("pub")));
    const QString pub = session->Remote().currentDirectory();
    const BatchSummary got = waitBatch(runner->StartDownload(remoteSelection({"a.txt", "again"})));
    EXPECT_EQ(got.files, 1) << joinedLog().toStdString();
    EXPECT_EQ(got.failed, 1);
    EXPECT_EQ(logMatching("ERROR: " + pub + "again").size(), 1) << joinedLog().toStdString();
    EXPECT_FALSE(QFileInfo::exists(localPath("again/a.txt")));
}
