// The site imports without a window: the text format (field rule, update by host, the
// closing message), hostile files, the older version's orvoftp.ini and the first start.
#include "platform/core/apperror.h"
#include "platform/core/inifile.h"
#include "settings/scramble.h"
#include "settings/settings.h"
#include "sites/sitedatabase.h"
#include "sites/siteimport.h"
#include "sites/siteoptions.h"
#include "testutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testutil::readFile;
using testutil::writeFile;

class SiteImportTest : public ::testing::Test
{
public:
    QTemporaryDir dir;
    TSiteDatabase db{dir.filePath("sites.ini")};

    // Personal lists Home (ftp.example.org, port 2121), Work lists Office.
    void seed()
    {
        db.saveGroups({"Personal", "Work"}, 1);
        TSiteRecord home;
        home.IP = "ftp.example.org";
        home.Port = "2121";
        home.User = "old";
        home.Options = FreshSiteOptions;
        db.writeSite("Home", home);
        db.saveGroupSites("Personal", {"Home"});
        TSiteRecord office;
        office.IP = "office.example.org";
        db.writeSite("Office", office);
        db.saveGroupSites("Work", {"Office"});
    }
    QString raw(const QString& section, const QString& key) const { return db.file().readString(section, key); }
    bool hasKey(const QString& section, const QString& key) const { return db.file().valueExists(section, key); }

    // Every numbered list of sites.ini runs from 1 without a gap, and every site a group
    // lists exists.
    void expectSoundLists() const
    {
        const auto doc = db.file().read();
        const auto expectNumbered = [&](const QString& section, const QString& prefix) {
            const QStringList keys = doc->sectionKeys(section);
            for (int i = 0; i < keys.size(); ++i) {
                if (keys[i] != "Import") {
                    EXPECT_EQ(keys[i].toLower(), prefix + QString::number(i + 1)) << section.toStdString();
                }
            }
        };
        expectNumbered("_Groups_", "g");
        for (const QString& group : db.groups()) {
            expectNumbered(TSiteDatabase::groupSection(group), "s");
            EXPECT_EQ(doc->sectionKeys(TSiteDatabase::groupSection(group)).size(), db.groupSites(group).size());
            for (const QString& site : db.groupSites(group))
                EXPECT_TRUE(db.SiteExists(site)) << site.left(40).toStdString();
        }
    }
};

TEST(SiteImportLineTest, FieldsAreTakenFromTheFront)
{
    struct Case {
        const char* line;
        std::optional<SiteImportLine> fields;
    };
    const Case cases[] = {
        {"name:host:user:pass", SiteImportLine{"name", "host", "user", "pass", ""}},
        {"name:host:user:pass:2121", SiteImportLine{"name", "host", "user", "pass", "2121"}},
        // Two colons: the user is empty and the third field is the password.
        {"name:host:secret", SiteImportLine{"name", "host", "", "secret", ""}},
        // One colon: no colon is left for the host, so the rest is the password.
        {"name:host", SiteImportLine{"name", "", "", "host", ""}},
        {"name:host:user:pass:21:extra", SiteImportLine{"name", "host", "user", "pass", "21:extra"}},
        {":host:user:", SiteImportLine{"", "host", "user", "", ""}},
        {" a : h : u : p ", SiteImportLine{" a ", " h ", " u ", " p ", ""}},
        {"no colon at all", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseImportLine(QString::fromUtf8(c.line)), c.fields) << c.line;
}

// The text import's rules with the closing message each file ends with. Expectations:
// "Site.Key=text" stored text, "Site.Key!" no such key, "Site.Pass:plain" the password it
// stands for, "Group=a,b" the group's list.
TEST_F(SiteImportTest, TextImportUpdatesByHostAddsNewNamesAndSaysSo)
{
    struct Case {
        const char* what;
        QByteArray file;
        QString message;
        QStringList expect;
    };
    const QByteArray utf16 = QByteArray("\xFF\xFE", 2)
                             + QByteArray(reinterpret_cast<const char*>(QStringLiteral("w16:h16:u:p").utf16()), 22);
    QByteArray manyBad;
    for (int i = 0; i < 25; ++i)
        manyBad += "bad" + QByteArray::number(i) + ":h:u:p:x\n";
    const QString done10 = "Import Complete: 1 new entries, 0 updated entries.";
    const QString done01 = "Import Complete: 0 new entries, 1 updated entries.";
    const Case cases[] = {
        {"four fields: a new site without a Port key", "New:new.example.org:joe:pw\n", done10,
         {"Personal=Home,New", "New.IP=new.example.org", "New.User=joe", "New.Port!", "New.Options=3000000000", "New.Pass:pw"}},
        {"a host in other letter case updates that site, whatever the name", "Other:FTP.EXAMPLE.ORG:newuser:newpass:2200\n",
         done01, {"Personal=Home", "Other.IP!", "Home.IP=FTP.EXAMPLE.ORG", "Home.User=newuser", "Home.Pass:newpass",
                  "Home.Port=2200", "Home.Options=3000000000"}},
        {"an update without a port keeps the site's", "Other:ftp.example.org::\n", done01,
         {"Home.Port=2121", "Home.User=", "Home.Pass:"}},
        {"an update with port 21 leaves no other port behind", "Other:ftp.example.org:u:p:21\n", done01, {"Home.Port!"}},
        {"the name of a site of another group is passed over, counted nowhere", "Office:elsewhere.example.org:u:p\n",
         "Import Complete: 0 new entries, 0 updated entries.", {"Office.IP=office.example.org", "Personal=Home"}},
        {"port 21 writes no Port key, 2121 does; two colons: empty user, the rest is the password",
         "A:a.example.org:u:p:21\nB:b.example.org:u:p:2121\nC:c.example.org:secret\n",
         "Import Complete: 3 new entries, 0 updated entries.",
         {"A.Port!", "B.Port=2121", "C.User=", "C.Pass:secret", "Personal=Home,A,B,C"}},
        {"the second line of a host updates what the first added", "D:d.example.org:u1:p1\nE:D.example.org:u2:p2\n",
         "Import Complete: 1 new entries, 1 updated entries.", {"Personal=Home,D", "D.User=u2"}},
        {"byte-order mark and CR LF are no part of the fields; lines without a colon are ignored",
         "\xEF\xBB\xBF" "F:f.example.org:u:p\r\na comment\r\n\r\nG:g.example.org:u:pw:990\r\n",
         "Import Complete: 2 new entries, 0 updated entries.", {"Personal=Home,F,G", "F.Pass:p", "G.Port=990"}},
        {"a port that is no number skips its line only, an update's too",
         "I:i.example.org:u:p:ftp\nJ:j.example.org:u:p:0\nX:ftp.example.org:u:p:70000\nK:k.example.org:u:p\n",
         done10 + "  Lines skipped: 1, 2, 3.", {"Personal=Home,K", "Home.User=old"}},
        {"a password that cannot be stored skips its line, not the rest",
         "L:l.example.org:u:pa\x01ss\nM:m.example.org:u:" + QByteArray(600, 'p') + "\nN:n.example.org:u:p\n",
         done10 + "  Lines skipped: 1, 2.", {"Personal=Home,N"}},
        {"a file that is not UTF-8 is Latin-1", "caf\xE9:cafe.example.org:u:p\n", done10,
         {QString::fromUtf8("Personal=Home,caf\xC3\xA9")}},
        {"UTF-16 with its byte-order mark", utf16, done10, {"w16.IP=h16"}},
        {"twenty skipped numbers are named, then how many more", manyBad,
         "Import Complete: 0 new entries, 0 updated entries.  Lines skipped: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, "
         "13, 14, 15, 16, 17, 18, 19, 20 and 5 more.",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(db.file().fileName());
        seed();
        EXPECT_EQ(importCompleteText(importText(db, "Personal", c.file)), c.message);
        for (const QString& e : c.expect) {
            SCOPED_TRACE(e.toStdString());
            const qsizetype dot = e.indexOf('.');
            const QString site = e.left(dot);
            const QString rest = e.mid(dot + 1);
            if (dot < 0)
                EXPECT_EQ(db.groupSites(e.section('=', 0, 0)).join(','), e.section('=', 1));
            else if (rest.endsWith('!'))
                EXPECT_FALSE(hasKey(site, rest.chopped(1)));
            else if (rest.startsWith("Pass:"))
                EXPECT_EQ(db.readSite(site).Pass, rest.mid(5));
            else
                EXPECT_EQ(raw(site, rest.section('=', 0, 0)), rest.section('=', 1));
        }
        expectSoundLists();
    }
}

TEST_F(SiteImportTest, HostileLinesAreSkippedAndEveryListedSiteExists)
{
    seed();
    const QByteArray longText(5000, 'x');
    const QByteArray file = ":empty.example.org:u:p\n"             // 1 empty name
                            "_Personal_:h2.example.org:u:p\n"      // 2 a group list's section
                            "a]b:h3.example.org:u:p\n"             // 3 breaks a section line
                            + longText + ":h4.example.org:u:p\n"   // 4 too long to read back
                            + QByteArray("nu\0l:h5.example.org:u:p\n", 24)  // 5 NUL
                            + "ok1:h6.example.org:u:p\r\n"          // 6
                            "x:" + longText + ":u:p\n"             // 7 host too long
                            "ok2:h8.example.org:u:" + longText + "\n"  // 8 password too long
                            " lead:h9.example.org:u:p\n"           // 9 begins with a blank
                            "ok3:h10.example.org:u:p\n"            // 10
                            "a=b:h11.example.org:u:p\n"            // 11
                            "nohost::u:p\n"                         // 12 no host
                            "ok4:h13.example.org:u" + longText + ":p\n"  // 13 user too long
                            "Ok1:h14.example.org:u:p\n";           // 14 ok1 in other case: passed over
    const SiteImportResult result = importText(db, "Personal", file);
    EXPECT_EQ(importCompleteText(result),
              "Import Complete: 2 new entries, 0 updated entries.  Lines skipped: 1, 2, 3, 4, 5, 7, 8, 9, 11, 12, 13.");
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"Home", "ok1", "ok3"}));
    EXPECT_EQ(db.file().read()->sectionKeys("_Personal_"), QStringList({"s1", "s2", "s3"}));
    EXPECT_EQ(db.readSite("ok1").Pass, "p");
    expectSoundLists();

    // Again: nothing new, nothing lost.
    const SiteImportResult again = importText(db, "Personal", file);
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.updated, 2);  // ok1 and ok3 by their hosts
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"Home", "ok1", "ok3"}));
    expectSoundLists();
}

TEST_F(SiteImportTest, AFileThatCannotBeOpenedChangesNothing)
{
    seed();
    const QByteArray before = readFile(db.file().fileName());
    for (const QString& name : {dir.filePath("missing.txt"), dir.path()}) {
        for (int kind = 0; kind < 2; ++kind) {
            try {
                if (kind == 0)
                    importTextFile(db, "Personal", name);
                else
                    importOlderVersion(db, "Personal", name);
                ADD_FAILURE() << "no error for " << name.toStdString();
            } catch (const AppError& error) {
                EXPECT_EQ(error.text(), "Unable to open " + name);
            }
        }
    }
    EXPECT_EQ(readFile(db.file().fileName()), before);
}

// An older version's file: its first name exists, so only the other two are added, at the
// end of the group without a gap. Latin-1 text from the older system decodes.
QByteArray olderFile(const QByteArray& scrambled, const QByteArray& setup = "[Setup]\r\nEmail=old@example.org\r\n")
{
    return setup + "[Servers]\r\ns1=Home\r\ns2=Bravo\r\ns3=Caf\xE9\r\ns4=Bad]Name\r\ns5=NoAddress\r\ns6=BadPort\r\n\r\n"
           "[Home]\r\nIP=other.example.org\r\n"
           "[Bravo]\r\nIP=bravo.example.org\r\nPort=2121\r\nUser=bob\r\nPass=" + scrambled + "\r\n"
           "LocalDir=/home/bob\r\nRemoteDir=/pub\r\nTransMode=1\r\n"
           "[Caf\xE9]\r\nIP=cafe.example.org\r\nPort=21\r\nPass=pl\xE4in\r\nTransMode=2\r\n"
           "[Bad]Name]\r\nIP=bad.example.org\r\n"
           "[BadPort]\r\nIP=port.example.org\r\nPort=ftp\r\n";
}

TEST_F(SiteImportTest, OlderVersionAppendsNewSitesAndKeepsScrambledPasswords)
{
    seed();
    const QByteArray scrambled = ScramblePassword("secret");
    const QString file = dir.filePath("orvoftp.ini");
    ASSERT_TRUE(writeFile(file, olderFile(scrambled)));

    const SiteImportResult result = importOlderVersion(db, "Personal", file);
    EXPECT_EQ(importCompleteText(result), "Import Complete: 2 new entries, 0 updated entries.  Entries skipped: s4, s5, s6.");
    const QString cafe = QString::fromUtf8("Caf\xC3\xA9");
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"Home", "Bravo", cafe}));
    EXPECT_EQ(db.groups(), QStringList({"Personal", "Work"}));  // listed once
    EXPECT_EQ(raw("Home", "IP"), "ftp.example.org");

    EXPECT_EQ(db.file().readBytes("Bravo", "Pass"), scrambled);
    const TSiteRecord bravo = db.readSite("Bravo");
    EXPECT_EQ(bravo.IP, "bravo.example.org");
    EXPECT_EQ(bravo.Port, "2121");
    EXPECT_EQ(bravo.User, "bob");
    EXPECT_EQ(bravo.Pass, "secret");
    EXPECT_EQ(bravo.LocalDir, "/home/bob");
    EXPECT_EQ(bravo.RemoteDir, "/pub");
    EXPECT_EQ(bravo.Options, "3000000000");

    EXPECT_TRUE(IsScrambled(db.file().readBytes(cafe, "Pass")));
    EXPECT_EQ(db.readSite(cafe).Pass, QString::fromUtf8("pl\xC3\xA4in"));
    EXPECT_FALSE(hasKey(cafe, "Port"));
    EXPECT_FALSE(hasKey(cafe, "Options"));  // TransMode 2
    EXPECT_FALSE(hasKey(cafe, "User"));
    EXPECT_EQ(db.importFlag(), 1);  // the site manager's import leaves the flag alone
    expectSoundLists();

    // Into a group of its own: listed as the next group, sites that exist passed over.
    const SiteImportResult again = importOlderVersion(db, "Old", file);
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(db.groups(), QStringList({"Personal", "Work", "Old"}));
    EXPECT_TRUE(db.groupSites("Old").isEmpty());
}

class FirstStartTest : public SiteImportTest
{
public:
    QTemporaryDir home;     // where the older version kept its file
    QTemporaryDir program;  // the program directory
    IniFile settings{program.filePath("orvoftp.ini")};
    QString olderPath() const { return home.filePath("orvoftp.ini"); }
};

TEST_F(FirstStartTest, ImportsIntoPersonalWithTheSettingsOnce)
{
    const QByteArray setup = "[Setup]\nEmail=old@example.org\nRetry=3\nEditor=notepad.exe\nProxyPass=prox\nTop=10\n"
                             "[Extensions]\ne1=.txt\ne2=.htm\n";
    ASSERT_TRUE(writeFile(olderPath(), olderFile(ScramblePassword("secret"), setup)));
    settings.writeString("Setup", "Editor", "vim");

    const FirstStartImport first = firstStartImport(db, settings, home.path());
    EXPECT_FALSE(first.problem) << first.problem.value_or(QString()).toStdString();
    EXPECT_EQ(first.file, olderPath());
    EXPECT_EQ(first.result.added, 3);  // Home exists nowhere yet
    EXPECT_EQ(db.groups(), QStringList({"Personal"}));
    EXPECT_EQ(db.groupSites("Personal").size(), 3);
    EXPECT_EQ(db.importFlag(), 1);
    expectSoundLists();

    Settings loaded;
    QStringList noProxy;
    LoadSettings(settings, loaded, noProxy);
    EXPECT_EQ(loaded.config.Email, "old@example.org");
    EXPECT_EQ(loaded.config.Retry, 3);
    EXPECT_EQ(loaded.config.Editor, "vim");  // a Windows program is not taken over
    EXPECT_EQ(loaded.AsciiExtensions, QStringList({"*.txt", "*.htm"}));
    EXPECT_EQ(readViewSettings(*settings.read()).ProxyPass, "prox");
    EXPECT_TRUE(IsScrambled(settings.readBytes("Setup", "ProxyPass")));
    EXPECT_FALSE(settings.valueExists("Setup", "Top"));  // the older window's layout is not ours

    // The second start imports nothing, even when a site was deleted meanwhile.
    db.eraseSite("Bravo");
    const QByteArray before = readFile(db.file().fileName());
    const FirstStartImport second = firstStartImport(db, settings, home.path());
    EXPECT_TRUE(second.file.isEmpty());
    EXPECT_FALSE(second.problem);
    EXPECT_EQ(readFile(db.file().fileName()), before);
}

// No older file; the program's own settings file (the program directory is the home
// directory); an older file that cannot be read. Import is 1 after each.
TEST_F(FirstStartTest, NothingToImportStillSetsTheFlag)
{
    settings.writeString("Servers", "s1", "Mine");
    settings.writeString("Mine", "IP", "mine.example.org");
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(step);
        if (step == 2)
            QDir().mkdir(olderPath());
        const FirstStartImport outcome = firstStartImport(db, settings, step == 1 ? program.path() : home.path());
        EXPECT_TRUE(outcome.file.isEmpty());
        EXPECT_EQ(outcome.problem, step == 2 ? std::optional<QString>("Unable to open " + olderPath()) : std::nullopt);
        EXPECT_EQ(db.importFlag(), 1);
        EXPECT_TRUE(db.groups().isEmpty());
        QFile::remove(db.file().fileName());
    }
}

TEST_F(FirstStartTest, SettingsThatCannotBeWrittenKeepTheSitesAndSaySo)
{
    ASSERT_TRUE(writeFile(olderPath(), olderFile(ScramblePassword("secret"))));
    ASSERT_TRUE(writeFile(program.filePath("file"), "not a directory"));
    IniFile unwritable(program.filePath("file/orvoftp.ini"));

    const FirstStartImport outcome = firstStartImport(db, unwritable, home.path());
    ASSERT_TRUE(outcome.problem);
    EXPECT_TRUE(outcome.problem->startsWith("Unable to write to ")) << outcome.problem->toStdString();
    EXPECT_EQ(outcome.result.added, 3);
    EXPECT_EQ(db.importFlag(), 1);
}

}  // namespace
