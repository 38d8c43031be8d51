// The local file operations on real file systems, and starting programs: nothing is ever
// replaced, deleted files go to the Trash, paths stay one argument.
#include "fileops/localfileops.h"
#include "fileops/programlauncher.h"
#include "platform/core/scriptedprompt.h"
#include "testutil.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using testutil::readFile;
using testutil::writeFile;

namespace {

class EnvironmentValue
{
public:
    EnvironmentValue(const char* name, const QByteArray& value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvironmentValue()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

}  // namespace

// A rename or move onto an existing name is refused and both stay as they were; otherwise
// the item moves.
TEST(LocalOps, RenameAndMoveNeverReplace)
{
    QTemporaryDir root;
    QDir dir(root.path());
    dir.mkpath("folder");
    dir.mkpath("target/folder");
    writeFile(dir.filePath("a.txt"), "a");
    writeFile(dir.filePath("b.txt"), "b");
    writeFile(dir.filePath("target/b.txt"), "old b");
    const struct {
        const char* from;
        const char* to;
        bool ok;
    } renames[] = {
        {"a.txt", "b.txt", false},          // a file
        {"a.txt", "folder", false},         // a folder
        {"folder", "target/folder", false}, // an empty folder rename(2) would replace
        {"a.txt", "c.txt", true},
        {"c.txt", "c.txt", true},           // onto itself: nothing to do
    };
    for (const auto& c : renames) {
        SCOPED_TRACE(c.from + std::string(" -> ") + c.to);
        const FileOpResult result = LocalFileOps::Rename(dir.filePath(c.from), dir.filePath(c.to));
        EXPECT_EQ(result.ok, c.ok) << result.message.toStdString();
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(c.to)));
        if (!c.ok) {
            EXPECT_TRUE(result.message.contains("exists")) << result.message.toStdString();
        }
    }
    EXPECT_EQ(readFile(dir.filePath("b.txt")), "b");
    EXPECT_EQ(readFile(dir.filePath("c.txt")), "a");

    // The first existing target stops the move: what went before stays moved.
    writeFile(dir.filePath("d.txt"), "d");
    const FileOpResult move = LocalFileOps::Move({dir.filePath("c.txt"), dir.filePath("b.txt"), dir.filePath("d.txt")},
                                                 dir.filePath("target"));
    EXPECT_FALSE(move.ok);
    EXPECT_TRUE(move.message.startsWith("Unable to move selected files.")) << move.message.toStdString();
    EXPECT_EQ(readFile(dir.filePath("target/c.txt")), "a");
    EXPECT_EQ(readFile(dir.filePath("target/b.txt")), "old b");
    EXPECT_EQ(readFile(dir.filePath("b.txt")), "b");
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("d.txt")));
    EXPECT_TRUE(LocalFileOps::Move({dir.filePath("d.txt"), dir.filePath("folder")}, dir.filePath("target/folder")).ok);
    EXPECT_TRUE(QFileInfo(dir.filePath("target/folder/folder")).isDir());
}

// To another file system a file is copied with its mode and time and the original goes; a
// link stays a link; a folder is reported and left whole where it was.
TEST(LocalOps, MovingToAnotherFileSystem)
{
    QTemporaryDir source(QStringLiteral("/dev/shm/orvo-fileops-XXXXXX"));
    QTemporaryDir target;
    struct stat a {}, b {};
    if (!source.isValid() || ::stat("/dev/shm", &a) != 0 || ::stat(QFile::encodeName(target.path()), &b) != 0
        || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system (/dev/shm) here";
    QDir from(source.path());
    from.mkpath("tree/inner");
    writeFile(from.filePath("tree/inner/x"), "x");
    testutil::writePatternFile(from.filePath("data.bin"), 3 * 1024 * 1024 + 7);
    const QByteArray hash = testutil::sha256OfFile(from.filePath("data.bin"));
    QFile::setPermissions(from.filePath("data.bin"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(1500000000);
    {
        QFile file(from.filePath("data.bin"));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(stamp, QFileDevice::FileModificationTime);
    }
    ASSERT_EQ(::symlink("data.bin", QFile::encodeName(from.filePath("link")).constData()), 0);

    EXPECT_TRUE(LocalFileOps::Move({from.filePath("data.bin"), from.filePath("link")}, target.path()).ok);
    const QString moved = target.filePath("data.bin");
    EXPECT_FALSE(QFileInfo::exists(from.filePath("data.bin")));
    EXPECT_EQ(testutil::sha256OfFile(moved), hash);
    EXPECT_EQ(testutil::fileMode(moved), 0700);
    EXPECT_EQ(QFileInfo(moved).lastModified(), stamp);
    EXPECT_EQ(QFileInfo(target.filePath("link")).symLinkTarget(), moved);
    EXPECT_FALSE(QFileInfo(from.filePath("link")).isSymLink());

    const FileOpResult folder = LocalFileOps::Move({from.filePath("tree")}, target.path());
    EXPECT_FALSE(folder.ok);
    EXPECT_TRUE(folder.message.contains("another file system")) << folder.message.toStdString();
    EXPECT_TRUE(QFileInfo::exists(from.filePath("tree/inner/x")));
    EXPECT_FALSE(QFileInfo::exists(target.filePath("tree")));
}

// Deleting goes to the Trash of XDG_DATA_HOME with its .trashinfo; where no Trash can be
// made the file stays and the result names it.
TEST(LocalOps, DeletingMovesToTheTrashAndNeverDeletesForGood)
{
    QTemporaryDir root;
    QTemporaryDir data;
    QDir dir(root.path());
    dir.mkpath("folder/inner");
    writeFile(dir.filePath("folder/inner/y"), "y");
    writeFile(dir.filePath("gone.txt"), "gone");
    {
        EnvironmentValue xdg("XDG_DATA_HOME", data.path().toUtf8());
        EXPECT_TRUE(LocalFileOps::MoveToTrash({dir.filePath("gone.txt"), dir.filePath("folder")}).ok);
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("gone.txt")));
    EXPECT_EQ(readFile(data.filePath("Trash/files/gone.txt")), "gone");
    EXPECT_EQ(readFile(data.filePath("Trash/files/folder/inner/y")), "y");
    const QByteArray info = readFile(data.filePath("Trash/info/gone.txt.trashinfo"));
    EXPECT_TRUE(info.startsWith("[Trash Info]")) << info.toStdString();
    EXPECT_TRUE(info.contains("Path=" + QUrl::toPercentEncoding(dir.filePath("gone.txt"), "/"))) << info.toStdString();

    writeFile(dir.filePath("kept.txt"), "kept");
    writeFile(dir.filePath("blocker"), "a file where the Trash would go");
    {
        EnvironmentValue xdg("XDG_DATA_HOME", dir.filePath("blocker/data").toUtf8());
        const FileOpResult result = LocalFileOps::MoveToTrash({dir.filePath("kept.txt")});
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(dir.filePath("kept.txt"))) << result.message.toStdString();
    }
    EXPECT_EQ(readFile(dir.filePath("kept.txt")), "kept");
}

TEST(LocalOps, MakeDirectoryCreatesTheMissingParents)
{
    QTemporaryDir root;
    EXPECT_TRUE(LocalFileOps::MakeDirectory(root.path(), "a/b/c").ok);
    EXPECT_TRUE(QFileInfo(root.filePath("a/b/c")).isDir());
    writeFile(root.filePath("file"), "f");
    const FileOpResult refused = LocalFileOps::MakeDirectory(root.path(), "file/sub");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, "Unable to create " + root.filePath("file/sub") + " .");
}

// A program receives a path with blanks and ";" as one argument, and a program whose own
// path has them runs; nothing goes through a shell. A program that cannot start is reported.
TEST(Launcher, PathsStayOneArgumentAndFailuresAreReported)
{
    QTemporaryDir root;
    QDir dir(root.path());
    dir.mkpath("my programs; x");
    const QString record = dir.filePath("args.txt");
    const QString script = dir.filePath("my programs; x/record args.sh");
    writeFile(script, "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"[$a]\"; done; } > '" + record.toUtf8() + "'\n");
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString argument = dir.filePath("a file; touch pwned.txt");
    ScriptedPrompt prompt;

    ASSERT_TRUE(RunProgram(script, {argument}));
    ASSERT_TRUE(testutil::waitFor([&] { return readFile(record).endsWith("]\n"); }));
    EXPECT_EQ(readFile(record), "1\n[" + argument.toUtf8() + "]\n");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("pwned.txt")));

    QFile::remove(record);
    ASSERT_TRUE(OpenLocalFile(script));
    ASSERT_TRUE(testutil::waitFor([&] { return readFile(record) == "0\n"; }));

    EXPECT_FALSE(RunProgram(dir.filePath("no such program"), {}, "Tool"));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "Could not execute the program \"Tool\"  Check to make sure the file path is "
                                      "correct, and that all libraries are available.");
    EXPECT_EQ(prompt.asked()[0].icon, Prompt::Icon::Error);
}
