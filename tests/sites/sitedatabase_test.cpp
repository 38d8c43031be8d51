#include "platform/core/apperror.h"
#include "platform/core/scriptedprompt.h"
#include "sites/sitedatabase.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SiteDatabaseTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("sites.ini"); }
    TSiteDatabase db{dir.filePath("sites.ini")};
    ScriptedPrompt prompt;

    TSiteRecord fullRecord() const
    {
        TSiteRecord r;
        r.IP = "ftp.example.org";
        r.Port = "2121";
        r.User = "joe";
        r.Pass = QString::fromUtf8("s\xC3\xA9same");
        r.Account = "acct";
        r.LocalDir = "/home/joe/dl";
        r.RemoteDir = "/pub";
        r.LocalFilter = "*.txt";
        r.RemoteFilter = "*.zip";
        r.Resume = "1";
        r.Retry = "3";
        r.Timeout = "20";
        r.Options = "0121100400";
        r.Encryption = "2";
        r.Notes = {"first line", "", "   ", "indented = text; here", ""};
        return r;
    }
};

// A password stored the way the program stores it, built byte by byte.
QByteArray scrambledByHand(const QByteArray& plain)
{
    QByteArray stored(1, char(127));
    for (const char c : plain)
        stored += char(quint8(c) + 11) + QByteArray("a");
    return stored;
}

TEST_F(SiteDatabaseTest, ACarriedOverDatabaseReadsFieldByField)
{
    ASSERT_TRUE(testutil::writeFile(path(), "[_Groups_]\r\n"
                                            "g1=Personal\r\n"
                                            "g2=Work\r\n"
                                            "Import=1\r\n"
                                            "[_Personal_]\r\n"
                                            "s1=Home\r\n"
                                            "s2=Mirror\r\n"
                                            "[_Work_]\r\n"
                                            "s1=Build Server\r\n"
                                            "[Home]\r\n"
                                            "IP=ftp.example.org\r\n"
                                            "Options=0121100400\r\n"
                                            "User=joe\r\n"
                                            "Pass=" + scrambledByHand("pa$$w0rd") + "\r\n"
                                            "Account=acct\r\n"
                                            "Port=2121\r\n"
                                            "LocalDir=/home/joe\r\n"
                                            "Remotedir=/pub/incoming\r\n"
                                            "LocalFilter=*.txt\r\n"
                                            "RemoteFilter=*.*\r\n"
                                            "Resume=1\r\n"
                                            "Retry=5\r\n"
                                            "Timeout=45\r\n"
                                            "n1=Line one\r\n"
                                            "n2=Line two\r\n"
                                            "[Mirror]\r\n"
                                            "IP=mirror.example.net\r\n"
                                            "User=anna\r\n"
                                            "Pass=typed by hand\r\n"
                                            "[Build Server]\r\n"
                                            "IP=10.0.0.5\r\n"
                                            "Options=3000000000\r\n"));
    EXPECT_EQ(db.groups(), QStringList({"Personal", "Work"}));
    EXPECT_EQ(db.importFlag(), 1);
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"Home", "Mirror"}));
    EXPECT_EQ(db.groupSites("work"), QStringList({"Build Server"}));

    const TSiteRecord home = db.readSite("Home");
    EXPECT_EQ(home.IP, "ftp.example.org");
    EXPECT_EQ(home.Options, "0121100400");
    EXPECT_EQ(home.User, "joe");
    EXPECT_EQ(home.Pass, "pa$$w0rd");
    EXPECT_EQ(home.Account, "acct");
    EXPECT_EQ(home.Port, "2121");
    EXPECT_EQ(home.LocalDir, "/home/joe");
    EXPECT_EQ(home.RemoteDir, "/pub/incoming");
    EXPECT_EQ(home.LocalFilter, "*.txt");
    EXPECT_EQ(home.RemoteFilter, "*.*");
    EXPECT_EQ(home.Resume, "1");
    EXPECT_EQ(home.Retry, "5");
    EXPECT_EQ(home.Timeout, "45");
    EXPECT_EQ(home.Notes, QStringList({"Line one", "Line two"}));

    const TSiteRecord mirror = db.readSite("MIRROR");
    EXPECT_EQ(mirror.IP, "mirror.example.net");
    EXPECT_EQ(mirror.Port, "21");
    EXPECT_EQ(mirror.User, "anna");
    EXPECT_EQ(mirror.Pass, "typed by hand");
    EXPECT_EQ(mirror.Options, "");
    EXPECT_TRUE(mirror.Notes.isEmpty());
    EXPECT_TRUE(db.SiteExists("build server"));
}

TEST_F(SiteDatabaseTest, WriteAndReadASite)
{
    const TSiteRecord written = fullRecord();
    db.writeSite("Home", written);
    EXPECT_EQ(db.readSite("Home"), written);

    const auto doc = db.file().read();
    EXPECT_EQ(doc->sectionKeys("Home"),
              QStringList({"IP", "Options", "User", "Pass", "Account", "Port", "LocalDir", "RemoteDir", "LocalFilter",
                           "RemoteFilter", "Resume", "Retry", "Timeout", "Encryption", "n1", "n2", "n3", "n4", "n5"}));
    const QByteArray pass = doc->readBytes("Home", "Pass");
    EXPECT_TRUE(IsScrambled(pass));
    EXPECT_EQ(pass.size(), 2 * written.Pass.toUtf8().size() + 1);

    // A smaller record replaces the section as a whole.
    TSiteRecord small;
    small.IP = "ftp.example.org";
    small.Options = FreshSiteOptions;
    db.writeSite("home", small);
    EXPECT_EQ(db.file().read()->sectionKeys("Home"), QStringList({"IP", "Options"}));
    EXPECT_EQ(db.readSite("Home"), small);
    EXPECT_EQ(db.readSite("Home").Port, "21");
}

TEST_F(SiteDatabaseTest, EncryptionIsWrittenOnlyWhenNotPlain)
{
    const struct {
        const char* value;
        bool written;
    } cases[] = {{"", false}, {"0", false}, {"1", true}, {"2", true}, {"3", true}};
    for (const auto& c : cases) {
        TSiteRecord site = fullRecord();
        site.Encryption = c.value;
        db.writeSite("Tls", site);
        EXPECT_EQ(db.file().read()->valueExists("Tls", "Encryption"), c.written) << c.value;
        EXPECT_EQ(db.readSite("Tls").Encryption, c.written ? QString(c.value) : QString()) << c.value;
    }
}

TEST_F(SiteDatabaseTest, SitesAreNotCorruptedByWhatTheyHold)
{
    TSiteRecord r = fullRecord();
    r.Notes = {"", "", "x"};
    db.writeSite("Notes", r);
    EXPECT_EQ(db.readSite("Notes").Notes, r.Notes);

    TSiteRecord bad = fullRecord();
    bad.Pass = "tab\tpass";
    db.writeSite("Keep", fullRecord());
    const QByteArray before = testutil::readFile(path());
    EXPECT_THROW(db.writeSite("Keep", bad), AppError);
    EXPECT_EQ(testutil::readFile(path()), before);
}

TEST_F(SiteDatabaseTest, SiteExistsOnlyWithAnAddress)
{
    db.saveGroupSites("Personal", {"Listed"});
    EXPECT_FALSE(db.SiteExists("Listed"));
    TSiteRecord blank;
    blank.Options = FreshSiteOptions;
    db.writeSite("Listed", blank);
    EXPECT_FALSE(db.SiteExists("Listed"));
    EXPECT_FALSE(db.siteNameProblem("Listed"));  // may be created again

    blank.IP = "host";
    db.writeSite("Listed", blank);
    EXPECT_TRUE(db.SiteExists("listed"));
    db.eraseSite("LISTED");
    EXPECT_FALSE(db.SiteExists("Listed"));
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"Listed"}));  // callers rewrite the lists
}

TEST_F(SiteDatabaseTest, SiteNameChecks)
{
    TSiteRecord r;
    r.IP = "host";
    db.writeSite("Existing", r);
    const QString forbidden = "Site names cannot contain any of the following characters: ] [ = / \\";
    const QString alnum = "Site name must begin with an alphanumeric character.";
    const QString reserved =
        "Site names cannot begin and end with \"_\": such names are kept for the lists of site groups.";
    struct Case {
        QString name;
        QString message;  // empty: accepted (or, for an empty name, refused silently)
    };
    const Case cases[] = {
        {"Fine", ""},        {"-dash", ""},          {"_under", ""},      {"under_", ""},      {"_", ""},
        {"a=b", forbidden},  {"a/b", forbidden},     {"[x", forbidden},   {"x]", forbidden},   {"a\\b", forbidden},
        {" lead", alnum},    {QString("\tx"), alnum}, {" a=b", forbidden}, {"_Personal_", reserved},
        {"_gROUPS_", reserved}, {"__", reserved},
        // A NUL or line break cannot be stored; a longer name would not read back whole.
        {QString("a\nb"), "Site names cannot contain control characters."},
        {QString::fromUtf8("a\0b", 3), "Site names cannot contain control characters."},
        {QString(1023, 'n'), ""}, {QString(1024, 'n'), "Site names cannot be longer than 1023 bytes."},
        {"existing", "A site named \"existing\" already exists.  Please choose another name."},
    };
    for (const Case& c : cases) {
        const std::optional<QString> problem = db.siteNameProblem(c.name);
        EXPECT_EQ(problem.has_value(), !c.message.isEmpty()) << c.name.toStdString();
        EXPECT_EQ(problem.value_or(QString()), c.message) << c.name.toStdString();
    }
    // An empty name fails without a reason to show; the database itself never asks anything.
    EXPECT_EQ(db.siteNameProblem(""), QString());
    EXPECT_TRUE(prompt.asked().empty());
}

// The connect routine's "save the changes ?" stores the new login and nothing else.
TEST_F(SiteDatabaseTest, SavingCredentialsKeepsEveryOtherKey)
{
    const TSiteRecord stored = fullRecord();
    db.writeSite("Keep", stored);
    db.saveCredentials("Keep", "other", "n3w pass");
    TSiteRecord expected = stored;
    expected.User = "other";
    expected.Pass = "n3w pass";
    EXPECT_EQ(db.readSite("Keep"), expected);
    EXPECT_NE(db.file().readString("Keep", "Pass"), "n3w pass");  // scrambled
    db.saveCredentials("Keep", "", "");
    expected.User.clear();
    expected.Pass.clear();
    EXPECT_EQ(db.readSite("Keep"), expected);
}

TEST_F(SiteDatabaseTest, GroupNameChecks)
{
    db.saveGroups({"Personal"}, 0);
    EXPECT_FALSE(db.groupNameProblem("Work"));
    EXPECT_EQ(db.groupNameProblem("gRoUpS"),
              "The name \"gRoUpS\" is kept for the list of site groups.  Please choose another name.");
    EXPECT_EQ(db.groupNameProblem("personal"), "A group named \"personal\" already exists.  Please choose another name.");
    EXPECT_TRUE(db.groupNameProblem("_x_"));
    EXPECT_EQ(db.groupNameProblem("a]b"), "Group names cannot contain any of the following characters: ] [ = / \\");
    EXPECT_EQ(db.groupNameProblem(""), QString());
}

TEST_F(SiteDatabaseTest, AGroupAndASiteOfTheSameNameCoexist)
{
    db.saveGroups({"Personal", "Work"}, 1);
    db.saveGroupSites("Personal", {"Personal", "", "Other"});
    TSiteRecord r = fullRecord();
    db.writeSite("Personal", r);
    db.saveGroupSites("Personal", {"Other", "Personal"});
    EXPECT_EQ(db.readSite("Personal"), r);
    db.writeSite("Personal", r);
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"Other", "Personal"}));
    EXPECT_EQ(db.file().read()->sectionKeys("_Personal_"), QStringList({"s1", "s2"}));
    EXPECT_EQ(db.groups(), QStringList({"Personal", "Work"}));
    EXPECT_EQ(db.importFlag(), 1);
}

TEST_F(SiteDatabaseTest, GroupListsAppendAndDelete)
{
    db.saveGroups({"A", "B", "C"}, 1);
    db.saveGroupSites("B", {"b1", "b2"});
    db.appendGroupSite("B", "b3");
    EXPECT_EQ(db.groupSites("B"), QStringList({"b1", "b2", "b3"}));
    db.appendGroup("D");
    EXPECT_EQ(db.groups(), QStringList({"A", "B", "C", "D"}));

    TSiteRecord r;
    r.IP = "h";
    for (const char* site : {"b1", "b2", "b3", "keep"})
        db.writeSite(site, r);
    db.deleteGroup("b");
    EXPECT_EQ(db.groups(), QStringList({"A", "C", "D"}));
    EXPECT_EQ(db.importFlag(), 1);
    EXPECT_FALSE(db.file().read()->sectionExists("_B_"));
    EXPECT_FALSE(db.SiteExists("b2"));
    EXPECT_TRUE(db.SiteExists("keep"));

    db.saveGroups({"Z"}, 0);
    EXPECT_EQ(db.file().read()->sectionKeys("_Groups_"), QStringList({"g1", "Import"}));
    EXPECT_EQ(db.importFlag(), 0);
}

TEST_F(SiteDatabaseTest, FindSiteByHost)
{
    TSiteRecord r;
    r.IP = "FTP.Example.org";
    db.writeSite("One", r);
    db.writeSite("Two", r);
    r.IP = "other.example.org";
    db.writeSite("Three", r);
    db.saveGroupSites("G", {"Three", "Two", "One"});
    EXPECT_EQ(db.findSiteByHost("G", "ftp.example.ORG"), "Two");
    EXPECT_EQ(db.findSiteByHost("G", "nowhere"), "");
    EXPECT_EQ(db.findSiteByHost("Missing", "ftp.example.org"), "");
}

TEST_F(SiteDatabaseTest, SavingAPathChangesOnlyThatKey)
{
    db.writeSite("Home", fullRecord());
    db.saveLocalPath("Home", "/new/local/");
    db.saveRemotePath("home", "/new/remote/");
    TSiteRecord expected = fullRecord();
    expected.LocalDir = "/new/local/";
    expected.RemoteDir = "/new/remote/";
    EXPECT_EQ(db.readSite("Home"), expected);

    TSiteDatabase other(dir.filePath("untouched.ini"));
    other.saveLocalPath("", "/x/");
    EXPECT_FALSE(QFile::exists(dir.filePath("untouched.ini")));
}

// A rename replaces the loaded site's entry in its place and its section under the new name
// (written before the old one goes: one edit); other entries and sections stay.
TEST_F(SiteDatabaseTest, RenameReplacesOnlyThatSiteInOneEdit)
{
    db.saveGroups({"Personal"}, 1);
    TSiteRecord r = fullRecord();
    db.writeSite("a", r);
    db.writeSite("b", r);
    db.saveGroupSites("Personal", {"a", "b", "c"});
    r.IP = "renamed.example.org";
    db.renameSite("Personal", "B", "b2", r);
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"a", "b2", "c"}));
    EXPECT_FALSE(db.file().sectionExists("b"));
    EXPECT_EQ(db.readSite("b2"), r);
    EXPECT_EQ(db.readSite("a"), fullRecord());
    // Only the case changes: the section is rewritten, not erased with the old name.
    db.renameSite("Personal", "b2", "B2", r);
    EXPECT_EQ(db.readSite("B2"), r);
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"a", "B2", "c"}));
    // A password that cannot be stored leaves everything as it was.
    const QByteArray before = testutil::readFile(path());
    TSiteRecord bad = r;
    bad.Pass = "tab\tpass";
    EXPECT_THROW(db.renameSite("Personal", "B2", "b3", bad), AppError);
    EXPECT_EQ(testutil::readFile(path()), before);
}

// A new site may not take a name some group lists, even while that site has no address yet
// (two entries would share one section); groupOf finds the group, ignoring case.
TEST_F(SiteDatabaseTest, ANameAGroupListsIsTakenForNewSites)
{
    db.saveGroups({"Personal", "Work"}, 1);
    db.saveGroupSites("Work", {"Fresh"});
    TSiteRecord blank;
    blank.Options = FreshSiteOptions;
    db.writeSite("Fresh", blank);
    EXPECT_EQ(db.groupOf("fresh"), "Work");
    EXPECT_EQ(db.groupOf("nowhere"), "");
    EXPECT_FALSE(db.siteNameProblem("fresh"));
    EXPECT_EQ(db.newSiteNameProblem("fresh"), "A site named \"fresh\" already exists.  Please choose another name.");
    EXPECT_EQ(db.newSiteNameProblem("a=b"), "Site names cannot contain any of the following characters: ] [ = / \\");
    EXPECT_EQ(db.newSiteNameProblem(""), QString());
    EXPECT_FALSE(db.newSiteNameProblem("Other"));
}

// "Add Current Site" stores IP, Port (also 21), and the login; the group's list is sorted.
TEST_F(SiteDatabaseTest, AddConnectionSiteWritesItsSubsetAndSortsTheList)
{
    db.saveGroupSites("Personal", {"beta", "Delta"});
    db.addConnectionSite("Personal", "alpha", "ftp.example.org", "21", "joe", "pw:1");
    db.addConnectionSite("Personal", "Charlie", "10.0.0.1", "2121", "", "");
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"alpha", "beta", "Charlie", "Delta"}));
    const TSiteRecord alpha = db.readSite("alpha");
    EXPECT_EQ(alpha.IP, "ftp.example.org");
    EXPECT_EQ(alpha.User, "joe");
    EXPECT_EQ(alpha.Pass, "pw:1");
    EXPECT_EQ(db.file().readString("alpha", "Port"), "21");
    EXPECT_NE(db.file().readString("alpha", "Pass"), "pw:1");
    EXPECT_FALSE(db.file().valueExists("alpha", "Options"));
    EXPECT_FALSE(db.file().valueExists("Charlie", "User"));
    EXPECT_FALSE(db.file().valueExists("Charlie", "Pass"));
    EXPECT_EQ(db.readSite("Charlie").Port, "2121");
}

}  // namespace
