// The typed directory models on their own: what a listing becomes, what the cache keeps,
// links and the way back, and the local directory with its parent entry and fallbacks.
#include "session/localdirectory.h"
#include "session/remotedirectory.h"
#include "testutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList namesOf(const std::vector<FileEntry>& entries)
{
    QStringList names;
    for (const FileEntry& entry : entries)
        names << entry.name;
    return names;
}

// Lists `lines` into the model as a listing of `directory`, writing its cache entry.
void list(RemoteDirectoryModel& model, TFTPServerType type, const QStringList& lines, const QString& directory)
{
    model.beginListing(type);
    model.cache().beginEntry(directory);
    for (const QString& line : lines)
        model.addLine(line, false);
    model.finishListing(true, directory, false);
}

}  // namespace

// The look-up of a listed name sees every entry the server listed, whatever the filter shows,
// and only the listing shown.
TEST(RemoteDirectoryModel, ListedEntriesWhateverTheFilterShows)
{
    QTemporaryDir cacheDir;
    RemoteDirectoryModel model;
    model.cache().setTempDir(cacheDir.path() + '/');
    model.filter().mask = "*.log";
    model.filter().showLinks = false;
    const QStringList lines{
        "-rw-r--r--   1 u g     1234 Jan  1 12:00 data.txt",
        "lrwxrwxrwx   1 u g        4 Jan  1 12:00 link -> data.txt",
        "-rw-r--r--   1 u g       12 Jan  1 12:00 run.log",
        "drwxr-xr-x   2 u g     4096 Jan  1 12:00 ..",
    };
    model.beginListing(ftpstUNIX);
    for (const QString& line : lines)
        model.addLine(line, true);
    model.finishListing(true, "/pub/", true);
    EXPECT_EQ(namesOf(model.entries()), QStringList{"run.log"});
    ASSERT_NE(model.listedEntry("data.txt"), nullptr);
    EXPECT_EQ(model.listedEntry("data.txt")->size, 1234);
    ASSERT_NE(model.listedEntry("link"), nullptr);
    EXPECT_TRUE(model.listedEntry("link")->isLink());
    EXPECT_EQ(model.listedEntry("DATA.TXT"), nullptr);  // exact names
    EXPECT_EQ(model.listedEntry(".."), nullptr);
    model.beginListing(ftpstUNIX);
    model.addLine("-rw-r--r--   1 u g        1 Jan  1 12:00 other.txt", true);
    model.finishListing(true, "/other/", true);
    EXPECT_EQ(model.listedEntry("data.txt"), nullptr);
    EXPECT_NE(model.listedEntry("other.txt"), nullptr);
}

// Typed entries: kinds, sizes (numbers, or unknown with the server's text), permissions,
// link targets; "." and ".." never become entries; links count only when shown as files.
TEST(RemoteDirectoryModel, EntriesAreTyped)
{
    QTemporaryDir cacheDir;
    RemoteDirectoryModel model;
    model.cache().setTempDir(cacheDir.path() + '/');
    list(model, ftpstUNIX,
         {"total 3", "drwxr-xr-x 2 u g 4096 Jan 5 12:00 .", "drwxr-xr-x 2 u g 4096 Jan 5 12:00 ..",
          "drwxr-xr-x 2 u g 4096 Jan 5 12:00 docs", "-rw-r--r-- 1 u g 5000000000 Jan 5 12:00 big.iso",
          "lrwxrwxrwx 1 u g 7 Jan 5 12:00 latest -> big.iso"},
         "/pub/");
    ASSERT_EQ(namesOf(model.entries()), QStringList({"docs", "big.iso", "latest"}));
    EXPECT_TRUE(model.hasParent());
    const FileEntry& big = model.entries()[1];
    EXPECT_EQ(big.kind, FileEntry::File);
    EXPECT_EQ(big.size, 5000000000LL);  // past 32 bits
    EXPECT_EQ(big.permissions, "-rw-r--r--");
    EXPECT_EQ(model.entries()[2].kind, FileEntry::Link);
    EXPECT_EQ(model.entries()[2].linkTarget, "big.iso");
    EXPECT_EQ(model.listedSummary(), "1 folder(s), 1 file(s) listed [*.*]");
    model.filter().resolveLinks = true;
    model.refilter(false);
    EXPECT_EQ(model.listedSummary(), "1 folder(s), 2 file(s) listed [*.*]");

    // The root has no parent entry; a size that is no number is unknown.
    list(model, ftpstVmsMultinet, {"DATA.DIR;1 12/24 2-JUL-2003 10:30"}, "/");
    EXPECT_FALSE(model.hasParent());
    ASSERT_EQ(model.entries().size(), 1u);
    EXPECT_FALSE(model.entries()[0].sizeKnown());
    EXPECT_EQ(model.entries()[0].sizeText, "12/24");
}

// A VMS name too long for its column continues on the next line; shown again from the cache,
// the entry is still there (the cache once kept only the second line).
TEST(RemoteDirectoryModel, AVmsNameOnALineOfItsOwnSurvivesTheCache)
{
    QTemporaryDir cacheDir;
    RemoteDirectoryModel model;
    model.cache().setTempDir(cacheDir.path() + '/');
    const QStringList lines{"Directory DISK$USER:[ANONYMOUS]", "A_VERY_LONG_FILE_NAME_INDEED.TXT;12",
                            "10     2-JUL-2003 10:30:08.59  [FTP,SCOT]  (RWED,RWED,RE,)",
                            "SHORT.TXT;1 4 2-JUL-2003 10:30"};
    list(model, ftpstVmsMultinet, lines, "/vms/");
    ASSERT_EQ(namesOf(model.entries()), QStringList({"A_VERY_LONG_FILE_NAME_INDEED.TXT", "SHORT.TXT"}));

    const std::optional<QStringList> cached = TListingCache::readLines(model.cache().entry(0).file);
    ASSERT_TRUE(cached);
    RemoteDirectoryModel again;
    again.beginListing(ftpstVmsMultinet);
    for (const QString& line : *cached)
        again.addLine(line, false);
    again.finishListing(true, "/vms/", false);
    EXPECT_EQ(namesOf(again.entries()), namesOf(model.entries()));
    EXPECT_EQ(again.entries()[0].size, 10);
}

// A followed link is recorded with the directory it led to, and ".." there leads back; a
// link whose change failed (the directory stayed) leaves no record.
TEST(RemoteDirectoryModel, LinksRememberTheWayBack)
{
    RemoteDirectoryModel model;
    model.setCurrentDirectory("/pub/");
    model.startFollowingLink();
    model.linkReached("/usr/local/");
    model.setCurrentDirectory("/usr/local/");
    EXPECT_EQ(model.linkRecords(), QStringList{"/pub/;/usr/local/"});
    EXPECT_EQ(model.linkOrigin(), "/pub/");
    model.setCurrentDirectory("/pub/");
    EXPECT_EQ(model.linkOrigin(), "");
    model.startFollowingLink();
    model.linkReached("/pub/");
    EXPECT_EQ(model.linkRecords().size(), 1);
    EXPECT_FALSE(model.followingLink());
}

// The local directory: the parent entry except at the root and during transfers, typed
// sizes, the filter, relative paths from the current directory, and the fallbacks when the
// directory vanished.
TEST(LocalDirectoryModel, ReadsTypedEntriesAndFallsBack)
{
    QTemporaryDir tree;
    QDir(tree.path()).mkpath("sub/inner");
    testutil::writeFile(tree.filePath("a.txt"), "12345");
    testutil::writeFile(tree.filePath("b.zip"), "");
    LocalDirectoryModel model;
    ASSERT_TRUE(model.enter(tree.path()));
    EXPECT_TRUE(model.hasParent());
    QStringList names = namesOf(model.entries());
    names.sort();
    EXPECT_EQ(names, QStringList({"a.txt", "b.zip", "sub"}));
    for (const FileEntry& entry : model.entries())
        EXPECT_EQ(entry.size, entry.name == "a.txt" ? 5 : entry.name == "sub" ? -1 : 0) << entry.name.toStdString();
    model.read(true);
    EXPECT_FALSE(model.hasParent());

    model.filter().mask = "*.zip";
    model.read(false);
    EXPECT_EQ(model.listedSummary(), "1 folder(s), 1 file(s) listed [*.zip]");
    model.filter().filterDirectories = true;
    model.read(false);
    EXPECT_EQ(namesOf(model.entries()), QStringList{"b.zip"});

    // Relative to the directory shown, never to the process's working directory.
    QDir::setCurrent(QDir::tempPath());
    EXPECT_EQ(model.resolve("sub/inner"), tree.path() + "/sub/inner/");
    EXPECT_FALSE(model.enter("missing"));
    EXPECT_EQ(model.currentDirectory(), tree.path() + "/");

    ASSERT_TRUE(model.enter("sub/inner"));
    QDir(tree.filePath("sub")).removeRecursively();
    model.setFallback([&] { return tree.path(); });
    model.read(false);
    EXPECT_EQ(model.currentDirectory(), tree.path() + "/");
    model.setFallback([] { return QStringLiteral("/no/such/place"); });
    model.setCurrentDirectory("/no/such/place/either");
    model.read(false);
    EXPECT_EQ(model.currentDirectory(), QDir::homePath() + "/");
    QDir::setCurrent(QDir::tempPath());
}
