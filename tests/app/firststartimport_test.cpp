// The first start takes over an older version's sites and settings from the home directory,
// once; a failed import is logged and not tried again at every start.
#include "viewfixture.h"

#include "platform/core/inifile.h"
#include "sites/sitedatabase.h"

namespace {

class FirstStartImportTest : public ViewWindowTest
{
public:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        ASSERT_TRUE(userHome.isValid());
        m_home = qgetenv("HOME");
        qputenv("HOME", userHome.path().toUtf8());
    }
    void TearDown() override
    {
        qputenv("HOME", m_home);
        ViewWindowTest::TearDown();
    }

    QTemporaryDir userHome;

private:
    QByteArray m_home;
};

TEST_F(FirstStartImportTest, OlderSitesAndSettingsComeOverOnce)
{
    ASSERT_TRUE(testutil::writeFile(userHome.filePath("orvoftp.ini"),
                                    "[Setup]\nEmail=older@example.org\n[Servers]\ns1=Old Site\n"
                                    "[Old Site]\nIP=old.example.org\nUser=me\nPass=plain\n"));
    {
        auto window = openWindow();
        TSiteDatabase& db = *window->SiteDatabase;
        EXPECT_EQ(db.groups(), QStringList({"Personal"}));
        EXPECT_EQ(db.groupSites("Personal"), QStringList({"Old Site"}));
        EXPECT_EQ(db.readSite("Old Site").Pass, "plain");
        EXPECT_EQ(db.importFlag(), 1);
        // (openWindow sets the record's Email for the tests afterwards.)
        EXPECT_EQ(window->Settings->file().readString("Setup", "Email"), "older@example.org");
        EXPECT_TRUE(window->Memo1->Text().contains("Imported the sites and settings of " + userHome.filePath("orvoftp.ini")
                                                   + ": Import Complete: 1 new entries, 0 updated entries."))
            << window->Memo1->Text().toStdString();
        db.eraseSite("Old Site");
        db.saveGroupSites("Personal", {});
    }
    auto second = openWindow();
    EXPECT_TRUE(second->SiteDatabase->groupSites("Personal").isEmpty());
    EXPECT_FALSE(second->Memo1->Text().contains("Import"));
}

TEST_F(FirstStartImportTest, AFailedImportIsLoggedAndNotRepeated)
{
    ASSERT_TRUE(QDir().mkdir(userHome.filePath("orvoftp.ini")));  // there, but cannot be read
    auto window = openWindow();
    EXPECT_TRUE(window->Memo1->Text().contains("ERROR: Importing the sites of an older version failed: Unable to open "
                                               + userHome.filePath("orvoftp.ini")))
        << window->Memo1->Text().toStdString();
    EXPECT_EQ(window->SiteDatabase->importFlag(), 1);
    window.reset();
    EXPECT_FALSE(openWindow()->Memo1->Text().contains("ERROR"));
}

}  // namespace
