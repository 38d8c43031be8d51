// The properties dialog: mode words to boxes and value, toggling boxes (special bits kept),
// 64-bit sizes, entries it cannot find, and local attributes.
#include "dialogs/propertiesdialog.h"
#include "testutil.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString boxes(const TfrmProperties& dialog)
{
    QString marks;
    for (QCheckBox* box : dialog.chkPermission)
        marks += box->isChecked() ? QLatin1Char('x') : QLatin1Char('.');
    return marks;
}

QString unixLine(const QString& mode, const QString& name, const QString& size = "1024")
{
    return mode + "   2 alice    staff    " + size + " Mar  4  2020 " + name;
}

}  // namespace

// Each mode word: the boxes it sets and the value shown. "S" and "T" are no execute; the
// special bits lead the value.
TEST(Properties, ModeWordsGiveBoxesAndValue)
{
    const struct {
        const char* mode;
        const char* boxes;
        const char* value;
    } cases[] = {
        {"-rwxr-xr-x", "xxxx.xx.x", "755"},
        {"----------", ".........", "0"},
        {"-----r--r--", "", ""},       // eleven characters: not a Unix mode
        {"-rw-r--r-r", "", ""},        // a letter out of place
        {"----r--r--", "...x..x..", "44"},
        {"drwsr-x---", "xxxx.x...", "4750"},
        {"-rwSr--r--", "xx.x..x..", "4644"},
        {"drwxrwxrwt", "xxxxxxxxx", "1777"},
        {"drwxrwxrwT", "xxxxxxxx.", "1776"},
        {"-rwxr-sr-x", "xxxx.xx.x", "2755"},
    };
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        TfrmProperties dialog;
        ASSERT_TRUE(dialog.FillRemote({unixLine(QString::fromLatin1(c.mode), "f")}, ftpstUNIX, "f"));
        const bool unixMode = *c.boxes != 0;
        EXPECT_EQ(dialog.PermissionsEditable(), unixMode);
        EXPECT_EQ(dialog.pnlPriv->text(), QString::fromLatin1(c.value));
        for (QCheckBox* box : dialog.chkPermission)
            EXPECT_EQ(box->isEnabled(), unixMode);
        if (unixMode) {
            EXPECT_EQ(boxes(dialog), QString::fromLatin1(c.boxes));
        }
        EXPECT_FALSE(dialog.ChangedValue().has_value());
    }
}

// Toggling one box on a sticky directory keeps the sticky bit; turning everything off sends
// "0"; toggling back gives nothing to send.
TEST(Properties, ToggledBoxesKeepTheSpecialBits)
{
    TfrmProperties dialog;
    dialog.show();
    ASSERT_TRUE(dialog.FillRemote({unixLine("-rw-r--r--", "other"), unixLine("drwxrwxrwt", "tmp", "4096")}, ftpstUNIX, "tmp"));
    EXPECT_EQ(dialog.lblType->text(), "Remote Directory");
    EXPECT_EQ(dialog.lblOwner->text(), "alice");
    EXPECT_EQ(dialog.lblGroupCaption->text(), "staff");
    QTest::mouseClick(dialog.chkPermission[7], Qt::LeftButton);  // world write off
    EXPECT_EQ(dialog.pnlPriv->text(), "1775");
    EXPECT_EQ(dialog.ChangedValue(), std::optional<QString>("1775"));
    QTest::mouseClick(dialog.chkPermission[7], Qt::LeftButton);
    EXPECT_FALSE(dialog.ChangedValue().has_value());

    TfrmProperties plain;
    plain.show();
    ASSERT_TRUE(plain.FillRemote({unixLine("-rwxr-xr-x", "run")}, ftpstUNIX, "run"));
    for (QCheckBox* box : plain.chkPermission) {
        if (box->isChecked())
            QTest::mouseClick(box, Qt::LeftButton);
    }
    EXPECT_EQ(plain.pnlPriv->text(), "0");
    EXPECT_EQ(plain.ChangedValue(), std::optional<QString>("0"));
}

// Names match exactly; sizes are 64-bit; links and files get their type; a Windows NT line
// has no Unix mode, so its boxes stay disabled; a name not listed fills nothing.
TEST(Properties, RemoteEntriesFoundByExactName)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QStringList lines = {
        unixLine("-rw-r--r--", "big.iso", "5000000000"),
        unixLine("lrwxrwxrwx", "link -> big.iso", "7"),
        "01-15-99  10:30PM       <DIR>          winfolder",
    };
    TfrmProperties big;
    ASSERT_TRUE(big.FillRemote(lines, ftpstUNIX, "big.iso"));
    EXPECT_EQ(big.lblSize->text(), "5,000,000,000 bytes");
    EXPECT_EQ(big.lblType->text(), "Remote File");
    TfrmProperties link;
    ASSERT_TRUE(link.FillRemote(lines, ftpstUNIX, "link"));
    EXPECT_EQ(link.lblType->text(), "Remote Symbolic Link");
    TfrmProperties windows;
    ASSERT_TRUE(windows.FillRemote({lines[2]}, ftpstWinNT, "winfolder"));
    EXPECT_FALSE(windows.PermissionsEditable());
    EXPECT_FALSE(windows.ChangedValue().has_value());
    TfrmProperties missing;
    EXPECT_FALSE(missing.FillRemote(lines, ftpstUNIX, "BIG.ISO"));
    EXPECT_TRUE(missing.lblName->text().isEmpty());
}

// A local hidden, read-only file shows those two attributes, disabled; the remote parts are
// hidden.
TEST(Properties, LocalAttributesAreShownReadOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(".secret");
    ASSERT_TRUE(testutil::writeFile(path, "s"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    FileEntry entry;
    entry.name = ".secret";
    entry.kind = FileEntry::File;
    TfrmProperties dialog;
    dialog.show();
    dialog.FillLocal(entry, "1", "3/4/20 10:00 AM", path);
    EXPECT_TRUE(dialog.chkReadOnly->isChecked());
    EXPECT_TRUE(dialog.chkHidden->isChecked());
    EXPECT_FALSE(dialog.chkSystem->isChecked() || dialog.chkArchive->isChecked());
    EXPECT_FALSE(dialog.grpWin->isEnabled());
    EXPECT_TRUE(dialog.grpWin->isVisible());
    EXPECT_FALSE(dialog.grpOwner->isVisible() || dialog.pnlPriv->isVisible() || dialog.lblOwner->isVisible());
    EXPECT_EQ(dialog.lblType->text(), "Local File");
    EXPECT_EQ(dialog.lblSize->text(), "1 bytes");
    EXPECT_FALSE(dialog.ChangedValue().has_value());

    entry.kind = FileEntry::Folder;
    entry.name = "folder";
    dialog.FillLocal(entry, "", "", dir.path());
    EXPECT_EQ(dialog.lblType->text(), "Local Directory");
    EXPECT_EQ(dialog.lblSize->text(), "(Unknown)");
    EXPECT_FALSE(dialog.chkReadOnly->isChecked() || dialog.chkHidden->isChecked());
}
