// The queue model: what its signals tell a view, identities that survive the user's edits,
// the batch guard of reordering; and the entries made from selections, desktop drops,
// addresses and Edit Target.
#include "testutil.h"
#include "transfers/queuebuilder.h"
#include "transfers/transferqueue.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QueueEntry file(const QString& name)
{
    return QueueEntry::make(QueueEntry::DownloadFile, "/pub/" + name, "1", "/tmp/" + name);
}

std::vector<QueueEntry> files(const QStringList& names)
{
    std::vector<QueueEntry> out;
    for (const QString& name : names)
        out.push_back(file(name));
    return out;
}

QStringList sources(const TransferQueue& queue)
{
    QStringList out;
    for (const QueueEntry& entry : queue.entries())
        out << entry.source.mid(5);
    return out;
}

// Keeps a copy of the rows by the signals alone, as a view does.
class Mirror
{
public:
    explicit Mirror(TransferQueue& queue)
        : m_queue(queue)
    {
        QObject::connect(&queue, &TransferQueue::entriesInserted, [this](int first, int count) {
            for (int i = 0; i < count; ++i)
                rows.insert(first + i, m_queue.at(first + i).source.mid(5));
        });
        QObject::connect(&queue, &TransferQueue::entriesRemoved, [this](const QList<int>& removed) {
            for (qsizetype i = removed.size() - 1; i >= 0; --i)
                rows.removeAt(removed[i]);
        });
        QObject::connect(&queue, &TransferQueue::entriesChanged, [this](int first, int last) {
            for (int row = first; row <= last; ++row)
                rows[row] = m_queue.at(row).source.mid(5);
        });
        QObject::connect(&queue, &TransferQueue::entriesReset, [this] { rows = sources(m_queue); });
        QObject::connect(&queue, &TransferQueue::contentsChanged, [this] { ++changes; });
    }
    QStringList rows;
    int changes = 0;

private:
    TransferQueue& m_queue;
};

// Every operation, and a view that only listens ends up showing what the queue holds.
TEST(TransferQueue, ViewsFollowEveryOperation)
{
    TransferQueue queue;
    Mirror view(queue);
    struct Step { const char* what; std::function<void()> run; QStringList expected; };
    const Step steps[] = {
        {"append", [&] { queue.append(files({"a", "b", "c", "d", "e"})); }, {"a", "b", "c", "d", "e"}},
        {"front", [&] { queue.insertAtFront(files({"x", "y"})); }, {"x", "y", "a", "b", "c", "d", "e"}},
        {"middle", [&] { queue.insert(3, files({"m"})); }, {"x", "y", "a", "m", "b", "c", "d", "e"}},
        {"remove rows", [&] { queue.removeRows({0, 3, 7, 3, 99}); }, {"y", "a", "b", "c", "d"}},
        {"up", [&] { queue.moveUp(2, false); }, {"y", "b", "a", "c", "d"}},
        {"down", [&] { queue.moveDown(0, false); }, {"b", "y", "a", "c", "d"}},
        {"drag to front", [&] { queue.moveRows({4, 2}, 0, false); }, {"a", "d", "b", "y", "c"}},
        {"drag to end", [&] { queue.moveRows({0}, 5, false); }, {"d", "b", "y", "c", "a"}},
        {"drag into middle", [&] { queue.moveRows({0, 4}, 2, false); }, {"b", "d", "a", "y", "c"}},
        {"target", [&] { queue.setTarget(1, "/elsewhere"); }, {"b", "d", "a", "y", "c"}},
        {"remove ids", [&] { queue.removeIds({queue.at(1).id, queue.at(3).id}); }, {"b", "a", "c"}},
        {"clear", [&] { queue.clear(); }, {}},
    };
    for (const Step& step : steps) {
        step.run();
        EXPECT_EQ(sources(queue), step.expected) << step.what;
        EXPECT_EQ(view.rows, step.expected) << step.what;
    }
    EXPECT_EQ(queue.count(), 0);
    const int changes = view.changes;
    queue.clear();
    queue.removeRows({0});
    queue.moveUp(0, false);
    EXPECT_EQ(view.changes, changes);  // nothing changed, nothing told
}

// The batch removes the entry it ran by identity: when the user deleted or reordered it
// meanwhile, no other (untransferred) entry goes.
TEST(TransferQueue, TheRunningEntryIsRemovedByIdentityOnly)
{
    TransferQueue queue;
    const std::vector<quint64> ids = queue.append(files({"run", "next", "later"}));
    EXPECT_EQ(ids, std::vector<quint64>({1, 2, 3}));
    const quint64 running = queue.first()->id;

    queue.removeRows({0});  // the user deleted the running entry
    EXPECT_FALSE(queue.removeById(running));
    EXPECT_EQ(sources(queue), QStringList({"next", "later"}));

    const quint64 now = queue.first()->id;
    queue.moveDown(0, false);  // reordered after the batch (no guard)
    queue.insertAtFront(files({"new"}));
    EXPECT_EQ(queue.indexOf(now), 2);
    EXPECT_TRUE(queue.removeById(now));
    EXPECT_EQ(sources(queue), QStringList({"new", "later"}));
    EXPECT_EQ(queue.find(now), nullptr);
    EXPECT_EQ(queue.indexOf(0), -1);
}

// While a batch runs, its first entry keeps its place and nothing goes before it.
TEST(TransferQueue, ReorderingRespectsTheRunningEntry)
{
    TransferQueue queue;
    queue.append(files({"a", "b", "c", "d"}));
    EXPECT_FALSE(queue.moveUp(1, true));
    EXPECT_FALSE(queue.moveDown(0, true));
    EXPECT_FALSE(queue.moveUp(0, false));
    EXPECT_FALSE(queue.moveDown(3, false));
    EXPECT_EQ(sources(queue), QStringList({"a", "b", "c", "d"}));
    EXPECT_TRUE(queue.moveUp(2, true));
    EXPECT_EQ(sources(queue), QStringList({"a", "c", "b", "d"}));
    EXPECT_EQ(queue.moveRows({0, 3}, 0, true), std::vector<int>({1}));
    EXPECT_EQ(sources(queue), QStringList({"a", "d", "c", "b"}));
    // After the batch the second entry swaps with the first.
    EXPECT_TRUE(queue.moveUp(1, false));
    EXPECT_EQ(sources(queue), QStringList({"d", "a", "c", "b"}));
}

TEST(TransferQueue, TotalsCountFilesFoldersAndKnownBytes)
{
    TransferQueue queue;
    queue.append(QueueEntry::make(QueueEntry::DownloadFile, "/a", "1000", "/t/a"));
    queue.append(QueueEntry::make(QueueEntry::UploadFile, "/b", "2500", "/t/b"));
    queue.append(QueueEntry::make(QueueEntry::UploadFile, "/c", "12/24", "/t/c"));  // no number: counts, adds nothing
    queue.append(QueueEntry::make(QueueEntry::DownloadFolder, "/d/", "4096", "/t/d/"));
    queue.append(QueueEntry::make(QueueEntry::DownloadFile, "/e", "6000000000", "/t/e"));
    const QueueTotals totals = queue.totals();
    EXPECT_EQ(totals.files, 4);
    EXPECT_EQ(totals.folders, 1);
    EXPECT_EQ(totals.bytes, 6000003500LL);

    // The totals follow every change without counting again (a batch asks after each file).
    const auto expectTotals = [&](int files, int folders, qint64 bytes, const char* after) {
        EXPECT_EQ(queue.totals().files, files) << after;
        EXPECT_EQ(queue.totals().folders, folders) << after;
        EXPECT_EQ(queue.totals().bytes, bytes) << after;
    };
    queue.removeById(queue.first()->id);
    expectTotals(3, 1, 6000002500LL, "removing the first");
    queue.removeRows({1, 2});
    expectTotals(2, 0, 6000002500LL, "removing rows");
    queue.insertAtFront({QueueEntry::make(QueueEntry::DownloadFile, "/f", "5", "/t/f")});
    expectTotals(3, 0, 6000002505LL, "inserting in front");
    queue.moveRows({0}, 3, false);
    queue.setTarget(0, "/t/other");
    expectTotals(3, 0, 6000002505LL, "moving and retargeting");
    queue.removeIds({queue.at(1).id});
    expectTotals(2, 0, 2505, "removing by identity");
    queue.clear();
    expectTotals(0, 0, 0, "clearing");
}

FileEntry item(const QString& name, FileEntry::Kind kind, qint64 size = -1, const QString& sizeText = {})
{
    FileEntry entry;
    entry.name = name;
    entry.kind = kind;
    entry.size = size;
    entry.sizeText = sizeText;
    return entry;
}

struct Expected { QueueEntry::Kind kind; const char* source; const char* size; const char* target; };

void expectEntries(const QueueAddition& got, const std::vector<Expected>& want, const char* what)
{
    ASSERT_EQ(got.entries.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got.entries[i].kind, want[i].kind) << what << " " << i;
        EXPECT_EQ(got.entries[i].source, QString::fromUtf8(want[i].source)) << what << " " << i;
        EXPECT_EQ(got.entries[i].sizeText, QString::fromUtf8(want[i].size)) << what << " " << i;
        EXPECT_EQ(got.entries[i].target, QString::fromUtf8(want[i].target)) << what << " " << i;
    }
}

TEST(QueueBuilder, SelectionsFromEverySide)
{
    const std::vector<FileEntry> remote{item("..", FileEntry::Parent), item("docs", FileEntry::Folder, 4096),
                                        item("latest", FileEntry::Link, 7), item("big.iso", FileEntry::File, 5000000000),
                                        item("vms.dat", FileEntry::File, -1, "12/24")};
    const std::vector<FileEntry> local{item("up", FileEntry::Folder), item("a.txt", FileEntry::File, 0)};
    using K = QueueEntry;

    QueueSelection download{QueueSide::Remote, remote, "/home/u", "/pub", {}, false};
    expectEntries(SelectionEntries(download),
                  {{K::DownloadFolder, "/pub/docs", "4096", "/home/u/docs/"},
                   {K::DownloadFolder, "/pub/latest", "7", "/home/u/latest/"},  // links as folders
                   {K::DownloadFile, "/pub/big.iso", "5000000000", "/home/u/big.iso"},
                   {K::DownloadFile, "/pub/vms.dat", "12/24", "/home/u/vms.dat"}},
                  "download");

    download.linksAsFiles = true;
    download.subfolder = "sub";
    download.items = {remote[2]};
    expectEntries(SelectionEntries(download), {{K::DownloadFile, "/pub/latest", "7", "/home/u/sub/latest"}},
                  "link shown as a file, into a subfolder");

    QueueSelection upload{QueueSide::Local, local, "/home/u/", "/in/", {}, false};
    expectEntries(SelectionEntries(upload),
                  {{K::UploadFolder, "/home/u/up", "", "/in/up/"}, {K::UploadFile, "/home/u/a.txt", "0", "/in/a.txt"}},
                  "upload");
    upload.remoteDir.clear();  // not connected: the directory current when the batch starts
    expectEntries(SelectionEntries(upload),
                  {{K::UploadFolder, "/home/u/up", "", "~/up/"}, {K::UploadFile, "/home/u/a.txt", "0", "~/a.txt"}},
                  "upload, not connected");

    QueueSelection browser{QueueSide::Browser, {remote[3]}, "/batch/home/", "/other/", {}, false};
    expectEntries(SelectionEntries(browser), {{K::DownloadFile, "/other/big.iso", "5000000000", "/batch/home/big.iso"}},
                  "browser");
}

// Names a saved queue could not keep (they would forge entries when it is read back) or that
// leave their folder are refused, with a log line each; the rest is queued.
TEST(QueueBuilder, DangerousNamesAreRefusedWithALogLine)
{
    const std::vector<FileEntry> remote{item("good", FileEntry::File, 1),
                                        item(QString("x\r\n3\x01/etc/passwd\x01" "1\x01/x"), FileEntry::File, 1),
                                        item(QString("a\x01" "b"), FileEntry::Folder),
                                        item("../../.profile", FileEntry::File, 1),
                                        item(".", FileEntry::Folder)};
    TransferQueue queue;
    QStringList log;
    EXPECT_EQ(AddSelectionToQueue(queue, {QueueSide::Remote, remote, "/home/u/", "/pub/", {}, false}, &log), 1);
    EXPECT_EQ(queue.count(), 1);
    EXPECT_EQ(queue.at(0).source, "/pub/good");
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[0], "Not queued: \"x\\r\\n3\\x01/etc/passwd\\x011\\x01/x\" holds a line break or a 0x01 byte, which a "
                      "saved queue cannot keep.");
    EXPECT_EQ(log[2], "Not queued: \"../../.profile\" is no name of a file in its folder.");

    QString line;
    EXPECT_FALSE(AddressFileEntry("/pub/a\nb", "/home/u/", &line));
    EXPECT_TRUE(line.startsWith("Not queued: \"/pub/a\\nb\""));
    const std::optional<QueueEntry> address = AddressFileEntry("/pub/dir/file.txt", "/home/u", &line);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->kind, QueueEntry::DownloadFile);
    EXPECT_EQ(address->target, "/home/u/file.txt");
    EXPECT_EQ(address->sizeText, "");
}

// The size of a file row is the entry's size, never the text the view shows: with German
// grouping "1.234" is 1234 bytes, not 1.234.
TEST(QueueBuilder, SizesDoNotDependOnTheLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QueueAddition added =
        SelectionEntries({QueueSide::Remote, {item("a", FileEntry::File, 1234), item("b", FileEntry::File, -1, "1.234")},
                          "/home/u/", "/pub/", {}, false});
    QLocale::setDefault(before);
    ASSERT_EQ(added.entries.size(), 2u);
    EXPECT_EQ(added.entries[0].sizeText, "1234");
    EXPECT_EQ(added.entries[1].sizeText, "1234");  // a grouped text from elsewhere loses its dots
    EXPECT_EQ(added.entries[1].size, 1234);
}

TEST(QueueBuilder, DesktopDropsBecomeUploads)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("Photos");
    ASSERT_TRUE(testutil::writeFile(dir.filePath("notes.txt"), "12345"));
    ASSERT_TRUE(testutil::writeFile(dir.filePath("bad\nname"), "x"));
    const QStringList dropped{dir.filePath("Photos"), dir.filePath("notes.txt"), dir.filePath("bad\nname"),
                              dir.filePath("gone")};
    using K = QueueEntry;
    const QByteArray photos = dir.filePath("Photos").toUtf8();
    const QByteArray notes = dir.filePath("notes.txt").toUtf8();

    const QueueAddition offline = DroppedFileEntries(dropped, {});
    expectEntries(offline, {{K::UploadFolder, photos.constData(), "0", "/Photos/"},
                            {K::UploadFile, notes.constData(), "5", "/notes.txt"}},
                  "not connected");
    EXPECT_EQ(offline.logLines.size(), 2);
    expectEntries(DroppedFileEntries(dropped.mid(0, 2), "/pub"),
                  {{K::UploadFolder, photos.constData(), "0", "/pub/Photos/"},
                   {K::UploadFile, notes.constData(), "5", "/pub/notes.txt"}},
                  "connected");
}

TEST(QueueBuilder, EditedTargets)
{
    const QueueEntry download = QueueEntry::make(QueueEntry::DownloadFile, "/pub/a.txt", "1", "/tmp/a.txt");
    const QueueEntry downloadFolder = QueueEntry::make(QueueEntry::DownloadFolder, "/pub/d/", "", "/tmp/d/");
    const QueueEntry upload = QueueEntry::make(QueueEntry::UploadFile, "/home/u/a.txt", "1", "/in/a.txt");
    const QueueEntry uploadFolder = QueueEntry::make(QueueEntry::UploadFolder, "/home/u/d", "", "/in/d/");
    struct Case { const QueueEntry* entry; const char* typed; const char* remoteDir; QString expected; };
    const Case cases[] = {
        {&download, "/data/b.txt", "/pub/", "/data/b.txt"},
        {&download, "b.txt", "/pub/", "/work/local/b.txt"},            // from the local directory, not the process's
        {&download, "../up/b.txt", "/pub/", "/work/up/b.txt"},
        {&download, "/data/", "/pub/", "/data/a.txt"},                 // a folder: the file keeps its name
        {&download, "~/b.txt", "/pub/", QDir::homePath() + "/b.txt"},
        {&downloadFolder, "/data/new", "/pub/", "/data/new/"},
        {&upload, "/in/b.txt", "/pub/", "/in/b.txt"},
        {&upload, "sub/b.txt", "/pub/", "/pub/sub/b.txt"},
        {&upload, "b.txt", "", "~/b.txt"},                              // not connected
        {&uploadFolder, "newdir", "/pub/", "/pub/newdir/"},             // "/", never "\"
        {&uploadFolder, "~/x", "/pub/", "~/x/"},
        {&upload, "", "/pub/", ""},                                     // nothing typed: no target
        {&upload, "a\nb", "/pub/", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditedTarget(*c.entry, c.typed, "/work/local/", c.remoteDir), c.expected) << c.typed;
}

}  // namespace
