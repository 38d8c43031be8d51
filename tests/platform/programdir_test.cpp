#include "platform/core/programdir.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QProcessEnvironment env(std::initializer_list<std::pair<const char*, QString>> vars)
{
    QProcessEnvironment e;
    for (const auto& [name, value] : vars)
        e.insert(QString::fromLatin1(name), value);
    return e;
}

TEST(ProgramDirectory, ChoosesHomeVariablePortableInstallOrXdgConfig)
{
    QTemporaryDir exe;
    QTemporaryDir portable;
    ASSERT_TRUE(testutil::writeFile(portable.filePath("orvoftp.ini"), "[Setup]\n"));

    EXPECT_EQ(ProgramDirectory::resolve(env({{"ORVOFTP_HOME", "/srv/orvo"}, {"HOME", "/home/u"}}), portable.path()),
              "/srv/orvo/");
    EXPECT_EQ(ProgramDirectory::resolve(env({{"HOME", "/home/u"}}), portable.path()), portable.path() + "/");
    EXPECT_EQ(ProgramDirectory::resolve(env({{"HOME", "/home/u"}}), exe.path()), "/home/u/.config/orvoftp/");
    EXPECT_EQ(ProgramDirectory::resolve(env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}}), exe.path()),
              "/cfg/orvoftp/");
    // A relative XDG_CONFIG_HOME is not valid and is ignored.
    EXPECT_EQ(ProgramDirectory::resolve(env({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "cfg"}}), exe.path()),
              "/home/u/.config/orvoftp/");
    EXPECT_EQ(ProgramDirectory::resolve(env({{"ORVOFTP_HOME", ""}, {"HOME", "/home/u"}}), exe.path()),
              "/home/u/.config/orvoftp/");
}

TEST(ProgramDirectory, PathCreatesTheDirectoryPrivately)
{
    QTemporaryDir base;
    const QString home = base.filePath("a/b/orvo");
    qputenv("ORVOFTP_HOME", QFile::encodeName(home));
    const QString dir = ProgramDirectory::path();
    const QString file = ProgramDirectory::filePath("sites.ini");
    qunsetenv("ORVOFTP_HOME");

    EXPECT_EQ(dir, home + "/");
    EXPECT_EQ(file, home + "/sites.ini");
    ASSERT_TRUE(QFileInfo(home).isDir());
    struct stat st {};
    ::stat(QFile::encodeName(home).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, mode_t(0700));
}

}  // namespace
