// Queue files and "qfile.dat": the exact bytes, reading back, the lines left out and why,
// older files, and saves that fail without touching the file they would replace.
#include "platform/core/apperror.h"
#include "platform/core/inifile.h"
#include "platform/core/scriptedprompt.h"
#include "settings/layout.h"
#include "testutil.h"
#include "transfers/pendingqueue.h"
#include "transfers/queuefile.h"
#include "transfers/transferqueue.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QueueEntry entry(QueueEntry::Kind kind, const QString& source, const QString& size, const QString& target)
{
    return QueueEntry::make(kind, source, size, target);
}

void expectSameEntries(const std::vector<QueueEntry>& got, const std::vector<QueueEntry>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].kind, want[i].kind) << i;
        EXPECT_EQ(got[i].source, want[i].source) << i;
        EXPECT_EQ(got[i].sizeText, want[i].sizeText) << i;
        EXPECT_EQ(got[i].size, want[i].size) << i;
        EXPECT_EQ(got[i].target, want[i].target) << i;
    }
}

const std::vector<QueueEntry>& sample()
{
    static const std::vector<QueueEntry> entries{
        entry(QueueEntry::DownloadFolder, "/pub/Bücher", "", "/home/u/Bücher/"),
        entry(QueueEntry::DownloadFile, "/pub/日本.txt", "1234", "/home/u/日本.txt"),
        entry(QueueEntry::UploadFolder, "/home/u/Ελληνικά", "0", "~/Ελληνικά/"),
        entry(QueueEntry::UploadFile, "/home/u/a.bin", "5000000000", QString("/in/a") + QChar(1) + "b"),
    };
    return entries;
}

TEST(QueueFile, AllFourKindsGiveTheExactBytesAndReadBackTheSame)
{
    const QByteArray bytes = QueueFile::encode(sample());
    EXPECT_EQ(bytes, QByteArray("0\x01/pub/B\xc3\xbc" "cher\x01\x01/home/u/B\xc3\xbc" "cher/\r\n"
                                "1\x01/pub/\xe6\x97\xa5\xe6\x9c\xac.txt\x01" "1234\x01/home/u/\xe6\x97\xa5\xe6\x9c\xac.txt\r\n"
                                "2\x01/home/u/\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac\x01" "0\x01~/"
                                "\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac/\r\n"
                                "3\x01/home/u/a.bin\x01" "5000000000\x01/in/a\x01" "b\r\n"));
    const QueueFile::ReadResult read = QueueFile::decode(bytes);
    EXPECT_TRUE(read.ok);
    EXPECT_TRUE(read.problems.isEmpty());
    EXPECT_FALSE(read.latin1);
    expectSameEntries(read.entries, sample());
    EXPECT_EQ(read.entries[3].size, 5000000000LL);  // sizes past 32 bits
    EXPECT_EQ(read.entries[0].size, -1);            // a folder from a listing: unknown
    EXPECT_TRUE(QueueFile::encode({}).isEmpty());   // no header, no trailer
}

// Loading appends: twice gives every entry twice, in order, each with its own identity.
TEST(QueueFile, LoadingTwiceAppends)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("batch.oqf");
    ASSERT_TRUE(QueueFile::write(path, sample()).ok);
    TransferQueue queue;
    for (int i = 0; i < 2; ++i)
        queue.append(QueueFile::read(path).entries);
    ASSERT_EQ(queue.count(), 8);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(queue.at(i).source, queue.at(i + 4).source);
        EXPECT_NE(queue.at(i).id, queue.at(i + 4).id);
    }
}

// Each line of the table is read on its own between two good lines: the good lines always
// survive, whatever the middle one holds.
TEST(QueueFile, LinesLeftOutKeepTheLinesAroundThem)
{
    struct Case { QByteArray line; bool kept; const char* problem; };
    const Case cases[] = {
        {"1\x01" "a\x01\x01" "b", false, nullptr},          // 6 characters: ignored silently
        {"1\x01" "a\x01\x01" "bc", true, nullptr},          // 7 characters: an entry
        {"", false, nullptr},                                // empty
        {"7\x01/pub/x\x01" "1\x01/tmp/x", false, "Line 2: unknown kind \"7\""},
        {"x\x01/pub/x\x01" "1\x01/tmp/x", false, "Line 2: unknown kind \"x\""},
        {"-1\x01/pub/x\x01" "1\x01/tmp/x", false, "Line 2: unknown kind \"-1\""},
        {"1 /pub/x 1 /tmp/x", false, "Line 2: not a queue entry"},
        {"1\x01/pub/x\x01" "1\x01" "C:\\Temp\\x", false, "Line 2: \"C:\\Temp\\x\" is a path of another system"},
        {"3\x01\\\\server\\share\\x\x01" "1\x01/in/x", false, "Line 2: \"\\\\server\\share\\x\" is a path"},
        {"3\x01/home/x\x01" "1\x01" "C:\\x", true, nullptr},  // a remote target may look like anything
        {"1\x01\x01\x01/tmp/abc", false, "Line 2: no source or no target"},
    };
    for (const Case& c : cases) {
        const QByteArray file = "1\x01/pub/before\x01" "10\x01/tmp/before\r\n" + c.line
                                + "\r\n0\x01/pub/after\x01\x01/tmp/after/\r\n";
        const QueueFile::ReadResult read = QueueFile::decode(file);
        ASSERT_EQ(read.entries.size(), c.kept ? 3u : 2u) << c.line.constData();
        EXPECT_EQ(read.entries.front().source, "/pub/before");
        EXPECT_EQ(read.entries.back().source, "/pub/after");
        if (c.problem) {
            ASSERT_EQ(read.problems.size(), 1) << c.line.constData();
            EXPECT_TRUE(read.problems[0].startsWith(QString::fromUtf8(c.problem))) << read.problems[0].toStdString();
        } else {
            EXPECT_TRUE(read.problems.isEmpty()) << c.line.constData();
        }
    }
}

// A target holding 0x01 survives (it is the last field); a source holding it cannot be
// written at all, and a line break in any field would forge a second entry.
TEST(QueueFile, EntriesALineCannotHoldAreLeftOutOfTheFile)
{
    const QString one(QChar(1));
    const std::vector<QueueEntry> entries{
        entry(QueueEntry::DownloadFile, "/pub/a" + one + "3" + one + "9" + one + "/etc/x", "1", "/tmp/a"),
        entry(QueueEntry::DownloadFile, "/pub/b", "1", "/tmp/b\r\n3\x01/etc/passwd\x01" "1\x01/x"),
        entry(QueueEntry::DownloadFile, "/pub/c", "1", "/tmp/c" + one),
    };
    QStringList skipped;
    const QByteArray bytes = QueueFile::encode(entries, &skipped);
    EXPECT_EQ(skipped, QStringList({entries[0].source, "/pub/b"}));
    const QueueFile::ReadResult read = QueueFile::decode(bytes);
    ASSERT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(read.entries[0].target, "/tmp/c" + one);
}

// Files of older versions: not valid UTF-8 means Latin-1; CR LF or LF line ends.
TEST(QueueFile, OlderFilesAreReadAsLatin1)
{
    const QueueFile::ReadResult latin = QueueFile::decode("1\x01/pub/caf\xe9\x01" "5\x01/tmp/caf\xe9\n");
    EXPECT_TRUE(latin.latin1);
    ASSERT_EQ(latin.entries.size(), 1u);
    EXPECT_EQ(latin.entries[0].source, QString::fromUtf8("/pub/café"));
    EXPECT_EQ(latin.entries[0].size, 5);

    const QueueFile::ReadResult utf8 = QueueFile::decode("1\x01/pub/caf\xc3\xa9\x01" "5\x01/tmp/caf\xc3\xa9\r\n");
    EXPECT_FALSE(utf8.latin1);
    EXPECT_EQ(utf8.entries.at(0).target, QString::fromUtf8("/tmp/café"));
}

// A save that fails leaves the file it would replace exactly as it was: a directory that
// refuses new files, and a disk that fills up half-way (a file size limit stands in for it).
TEST(QueueFile, AFailedSaveLeavesTheOldFileByteIdentical)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("qfile.dat");
    ASSERT_TRUE(QueueFile::write(path, sample()).ok);
    const QByteArray before = testutil::readFile(path);
    std::vector<QueueEntry> many;
    for (int i = 0; i < 20000; ++i)
        many.push_back(entry(QueueEntry::DownloadFile, QString("/pub/file%1.bin").arg(i), "100", "/tmp/x"));

    if (!testutil::isRoot()) {  // root writes into read-only directories
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0500), 0);
        const QueueFile::WriteResult refused = QueueFile::write(path, many);
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
        EXPECT_FALSE(refused.ok);
        EXPECT_TRUE(refused.error.startsWith("Unable to write to " + path)) << refused.error.toStdString();
        EXPECT_EQ(testutil::readFile(path), before);
    }

    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QueueFile::WriteResult full = QueueFile::write(path, many);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(full.ok);
    EXPECT_TRUE(full.error.startsWith("Unable to write to " + path)) << full.error.toStdString();
    EXPECT_EQ(testutil::readFile(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"qfile.dat"});
}

// The pending queue: saved at exit with its site, asked about at the next start; nothing is
// erased before the resumed batch begins.
TEST(PendingQueue, TheQuestionAndEachAnswer)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath("orvoftp.ini"));
    PendingQueue pending(dir.filePath("qfile.dat"), ini);
    ScriptedPrompt prompt;

    // [Queue] without the file: erased without a question.
    ini.writeString("Queue", "Site", "Home");
    EXPECT_EQ(pending.ask().answer, PendingQueue::Answer::NothingPending);
    EXPECT_FALSE(ini.sectionExists("Queue"));
    EXPECT_TRUE(prompt.asked().empty());

    pending.save(sample(), "My Site");
    EXPECT_EQ(testutil::readFile(pending.fileName()), QueueFile::encode(sample()));
    EXPECT_EQ(ini.readString("Queue", "Site"), "My Site");

    prompt.answer(Prompt::No);
    EXPECT_EQ(pending.ask().answer, PendingQueue::Answer::Later);
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "A transfer batch to \"My Site\" was not completed.  Do you want to connect and "
                                      "finish the transfer now? ");
    EXPECT_EQ(prompt.asked()[0].buttons, Prompt::Yes | Prompt::No | Prompt::Cancel);
    EXPECT_EQ(prompt.asked()[0].icon, Prompt::Icon::Information);
    EXPECT_EQ(ini.readString("Queue", "Site"), "My Site");

    prompt.answer(Prompt::Yes);
    const PendingQueue::Offer yes = pending.ask();
    EXPECT_EQ(yes.answer, PendingQueue::Answer::Resume);
    expectSameEntries(yes.loaded.entries, sample());
    EXPECT_TRUE(pending.fileExists());  // kept until the batch begins
    EXPECT_EQ(pending.site(), "My Site");

    prompt.answer(Prompt::Cancel);
    EXPECT_EQ(pending.ask().answer, PendingQueue::Answer::Forget);
    EXPECT_FALSE(ini.sectionExists("Queue"));
    EXPECT_TRUE(pending.fileExists());

    pending.discard();
    EXPECT_FALSE(pending.fileExists());

    // A queue that cannot be written leaves [Queue] alone.
    ini.writeString("Queue", "Site", "Older");
    PendingQueue nowhere(dir.filePath("missing/qfile.dat"), ini);
    EXPECT_THROW(nowhere.save(sample(), "New"), AppError);
    EXPECT_EQ(ini.readString("Queue", "Site"), "Older");
}

TEST(PendingQueue, ResumeDirectoryIsWhereTheFirstRemotePathLies)
{
    EXPECT_EQ(PendingQueue::resumeDirectory(entry(QueueEntry::DownloadFile, "/pub/x/a.txt", "", "/tmp/a.txt")), "/pub/x/");
    EXPECT_EQ(PendingQueue::resumeDirectory(entry(QueueEntry::DownloadFolder, "/pub/x/", "", "/tmp/x/")), "/pub/");
    // Uploads: the remote path is the target, never the local source.
    EXPECT_EQ(PendingQueue::resumeDirectory(entry(QueueEntry::UploadFile, "/home/u/a", "", "/in/a")), "/in/");
    EXPECT_EQ(PendingQueue::resumeDirectory(entry(QueueEntry::UploadFile, "/home/u/a", "", "~/a")), "");
}

}  // namespace
