#include "platform/core/apperror.h"
#include "platform/core/inifile.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

class IniFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString& name = QStringLiteral("orvoftp.ini")) const { return dir.filePath(name); }
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndIsNotCreatedByNoOps)
{
    IniFile ini(path());
    EXPECT_FALSE(ini.exists());
    EXPECT_EQ(ini.readInteger("Setup", "Retry", 10), 10);
    EXPECT_EQ(ini.readString("Setup", "Email", "x"), "x");
    ini.eraseSection("Setup");
    ini.deleteKey("Setup", "Retry");
    EXPECT_FALSE(ini.exists());
}

TEST_F(IniFileTest, EveryWriteIsSeenByTheNextReadOfAnyReader)
{
    IniFile a(path());
    IniFile b(path());
    a.writeString("S", "k", "one");
    EXPECT_EQ(b.readString("S", "k"), "one");
    b.writeString("S", "k", "two");
    EXPECT_EQ(a.readString("S", "k"), "two");

    // Changed behind the program's back, with the same size: still seen.
    ASSERT_TRUE(testutil::writeFile(path(), "[S]\nk=six\n"));
    EXPECT_EQ(a.readString("S", "k"), "six");
    EXPECT_EQ(b.readString("S", "k"), "six");
}

TEST_F(IniFileTest, NewFilesArePrivateAndExistingModesAreKept)
{
    IniFile ini(path());
    ini.writeString("S", "k", "v");
    EXPECT_EQ(modeOf(path()), mode_t(0600));

    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0640), 0);
    ini.writeString("S", "k", "w");
    EXPECT_EQ(modeOf(path()), mode_t(0640));
}

TEST_F(IniFileTest, ARefusedWriteNamesTheFileAndChangesNothing)
{
    ASSERT_TRUE(testutil::writeFile(path("plain"), "not a directory"));
    const QString impossible = path("plain") + QStringLiteral("/orvoftp.ini");
    IniFile ini(impossible);
    try {
        ini.writeString("S", "k", "v");
        FAIL() << "no error";
    } catch (const IniError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Unable to write to ") + impossible);
        EXPECT_EQ(e.fileName(), impossible);
    }
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverReplaced)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("orvoftp.ini")));  // a directory in its place
    IniFile ini(path());
    EXPECT_EQ(ini.readInteger("S", "k", 3), 3);
    EXPECT_THROW(ini.writeString("S", "k", "v"), IniError);
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

TEST_F(IniFileTest, EditsAreAllOrNothingAndLeaveNoTemporaryFiles)
{
    IniFile ini(path());
    ini.edit([](IniDocument& d) {
        d.writeString("S", "a", "1");
        d.writeString("S", "b", "2");
    });
    const QByteArray before = testutil::readFile(path());
    EXPECT_THROW(ini.edit([](IniDocument& d) {
        d.eraseSection("S");
        d.writeString("S", "bad", "line\nbreak");
    }),
                 IniError);
    EXPECT_EQ(testutil::readFile(path()), before);
    EXPECT_EQ(ini.readString("S", "b"), "2");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"orvoftp.ini"}));
}

TEST_F(IniFileTest, WritesThroughASymbolicLinkKeepTheLink)
{
    ASSERT_TRUE(testutil::writeFile(path("real.ini"), "[S]\nk=1\n"));
    ASSERT_TRUE(QFile::link(path("real.ini"), path("link.ini")));
    IniFile ini(path("link.ini"));
    ini.writeInteger("S", "k", 2);
    EXPECT_TRUE(QFileInfo(path("link.ini")).isSymLink());
    EXPECT_EQ(testutil::readFile(path("real.ini")), QByteArray("[S]\nk=2\n"));
}

}  // namespace
