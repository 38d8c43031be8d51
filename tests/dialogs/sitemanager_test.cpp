// The site manager's groups and lists against real files: what each button leaves in
// "sites.ini" and "stats.dat", the options as the controls show and write them, screenshots.
#include "sitemanagertest.h"

#include "dialogs/checkrange.h"
#include "dialogs/sitegroupdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>

namespace {

// An empty "sites.ini" gets the group "Personal"; "&Add" stores the site at once (address
// empty, fresh options); the same name again, in any case, is refused with the reason and
// changes nothing, even though the first one has no address yet.
TEST_F(SiteManagerTest, AddOnAnEmptyDatabaseAndTheSameNameTwice)
{
    auto form = open();
    EXPECT_EQ(form->GroupList->count(), 1);
    EXPECT_EQ(form->GroupList->currentText(), "Personal");
    EXPECT_EQ(form->SiteList->count(), 0);
    EXPECT_FALSE(form->SiteShown());
    EXPECT_FALSE(form->btnConnect->isEnabled());

    QSignalSpy menuChanges(form.get(), &TfrmSite::groupMenuChanged);
    prompt.answer(QString("  srv "));
    form->btnAddClick();
    EXPECT_EQ(prompt.asked().back().caption, "Add a site");
    EXPECT_EQ(prompt.asked().back().text, "Enter site name");
    EXPECT_EQ(sitesFile().toStdString(), "[_Groups_]\ng1=Personal\nImport=0\n\n[_Personal_]\ns1=srv\n\n[srv]\nIP=\nOptions=3000000000\n");
    EXPECT_EQ(form->ListedSites(), QStringList{"srv"});
    EXPECT_EQ(form->LoadedSite(), "srv");
    EXPECT_TRUE(form->SiteShown());
    EXPECT_EQ(form->txtSiteName->text(), "srv");
    EXPECT_EQ(form->txtPort->text(), "21");
    EXPECT_EQ(menuChanges.count(), 1);

    const QByteArray before = sitesFile();
    for (const char* again : {"srv", "SRV"}) {
        prompt.clear();
        prompt.answer(QString::fromLatin1(again));
        form->btnAddClick();
        EXPECT_EQ(messages(prompt).last(),
                  QString("A site named \"%1\" already exists.  Please choose another name.").arg(again));
        EXPECT_EQ(sitesFile(), before);
        EXPECT_EQ(form->ListedSites(), QStringList{"srv"});
    }
    // Cancel and an empty answer stop without a word.
    prompt.clear();
    prompt.answerCancel();
    prompt.answer(QString("   "));
    form->btnAddClick();
    form->btnAddClick();
    EXPECT_EQ(prompt.asked().size(), 2u);
    EXPECT_EQ(sitesFile(), before);
}

// The options as the controls show them and as a save writes them back.
TEST_F(SiteManagerTest, OptionsShowInTheControlsAndSaveBack)
{
    using S = Qt::CheckState;
    const S on = Qt::Checked, off = Qt::Unchecked, grey = Qt::PartiallyChecked;
    struct Case {
        const char* stored;
        int mode;
        S antiIdle, restore, log;
        bool rename;
        S hidden;
        int type;
        const char* written;
    } cases[] = {
        {"3000000000", 3, grey, grey, grey, false, grey, 0, "3000000000"},
        {"0121100400", 0, on, off, on, true, grey, 4, "0121100400"},
        {"1", 3, grey, grey, grey, false, grey, 0, "3000000000"},        // too short: all defaults
        {"1210", 3, grey, grey, grey, false, grey, 0, "3000000000"},     // four characters too
        {"21212", 2, on, off, on, true, grey, 0, "2121100000"},          // 1-5 only
        {"1012x1150", 1, grey, on, off, true, grey, 0, "1012100000"},    // nine: 6-8 ignored
        {"3x00020519", 3, off, grey, grey, false, off, 5, "3200020500"}, // odd tri-state is off
        {"0000000000", 0, grey, grey, grey, false, grey, 0, "0000000000"},
    };
    makeGroup("Personal", {"site"});
    auto form = open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        TSiteRecord record = db.readSite("site");
        record.Options = c.stored;
        db.writeSite("site", record);
        form->ClearFields();
        form->LoadSite("site");
        EXPECT_EQ(form->grpTransMode->checkedId(), c.mode);
        EXPECT_EQ(form->chkAntiIdle->checkState(), c.antiIdle);
        EXPECT_EQ(form->chkRestoreState->checkState(), c.restore);
        EXPECT_EQ(form->chkLog->checkState(), c.log);
        EXPECT_EQ(form->chkRenameExt->isChecked(), c.rename);
        EXPECT_EQ(form->chkShowhidden->checkState(), c.hidden);
        EXPECT_EQ(form->cboServerType->currentIndex(), c.type);
        EXPECT_FALSE(form->Dirty());
        ASSERT_TRUE(form->btnSaveClick());
        EXPECT_EQ(db.readSite("site").Options, c.written);
    }
    // And the other way: the controls as the user sets them.
    form->grpTransMode->button(1)->setChecked(true);
    form->chkAntiIdle->setCheckState(Qt::Unchecked);
    form->chkRestoreState->setCheckState(Qt::Checked);
    form->chkLog->setCheckState(Qt::PartiallyChecked);
    form->chkRenameExt->setChecked(true);
    form->chkShowhidden->setCheckState(Qt::Checked);
    form->cboServerType->setCurrentIndex(19);
    EXPECT_TRUE(form->Dirty());
    EXPECT_EQ(form->FieldsOptions().toString(), "1210111900");
}

// Deleting three of five selected sites erases their sections and renumbers the list
// without gaps; their statistics stay.
TEST_F(SiteManagerTest, DeleteThreeOfFiveKeepsTheListContiguousAndTheStatistics)
{
    makeGroup("Personal", {"a", "b", "c", "d", "e"});
    for (const char* site : {"a", "b", "c", "d", "e"})
        stats.AddUpload(site, 1000);
    const QByteArray statsBefore = statsFile();
    auto form = open();
    edit(*form, "a");
    click(*form, "c", Qt::ControlModifier);
    click(*form, "e", Qt::ControlModifier);
    EXPECT_TRUE(form->btnDelete->isEnabled());
    EXPECT_FALSE(form->btnEdit->isEnabled());
    prompt.answer(Prompt::Yes);
    form->btnDeleteClick();
    EXPECT_EQ(prompt.asked().back().text, "Remove site(s) from the database ?");
    const IniFile file(dir.filePath("sites.ini"));
    EXPECT_EQ(file.readString("_Personal_", "s1"), "b");
    EXPECT_EQ(file.readString("_Personal_", "s2"), "d");
    EXPECT_FALSE(file.valueExists("_Personal_", "s3"));
    for (const char* gone : {"a", "c", "e"})
        EXPECT_FALSE(file.sectionExists(gone)) << gone;
    EXPECT_TRUE(db.SiteExists("b"));
    EXPECT_EQ(statsFile(), statsBefore);
    EXPECT_EQ(form->ListedSites(), QStringList({"b", "d"}));
    EXPECT_FALSE(form->SiteShown());
    EXPECT_FALSE(form->btnDelete->isEnabled());
    EXPECT_FALSE(form->btnConnect->isEnabled());
}

// Moving two sites to a group of five: seven there, sorted; both gone from the shown group.
TEST_F(SiteManagerTest, MoveTwoSitesToAnotherGroup)
{
    makeGroup("Work", {"beta", "delta", "Echo", "golf", "kilo"});
    makeGroup("Personal", {"alpha", "foxtrot", "zulu"});
    auto form = open();
    ASSERT_EQ(form->CurrentGroup(), "Personal");
    click(*form, "alpha");
    click(*form, "foxtrot", Qt::ControlModifier);
    QSignalSpy menuChanges(form.get(), &TfrmSite::groupMenuChanged);
    form->MoveClick();
    auto* move = form->findChild<TfrmSiteGroup*>();
    ASSERT_TRUE(move);
    EXPECT_EQ(move->windowTitle(), "Move Site");
    EXPECT_FALSE(move->txtSiteName->isVisibleTo(move));
    move->txtSiteGroup->setCurrentText("Work");
    move->btnOKClick();
    EXPECT_EQ(db.groupSites("Work"), QStringList({"alpha", "beta", "delta", "Echo", "foxtrot", "golf", "kilo"}));
    EXPECT_EQ(db.groupSites("Personal"), QStringList{"zulu"});
    EXPECT_EQ(form->ListedSites(), QStringList{"zulu"});
    EXPECT_EQ(menuChanges.count(), 1);
}

// Groups: a new one is saved in sorted order with the import mark; a reserved or taken name
// is refused with the reason; deleting a group erases its sites, the site shown among them,
// and shows the first group.
TEST_F(SiteManagerTest, GroupsAreAddedSortedAndDeletedWithTheirSites)
{
    makeGroup("Personal", {"home"});
    auto form = open();
    prompt.answer(QString("Archive"));
    form->btnAddGroupClick();
    EXPECT_EQ(db.groups(), QStringList({"Archive", "Personal"}));
    EXPECT_EQ(db.importFlag(), 1);
    EXPECT_EQ(form->CurrentGroup(), "Personal");

    prompt.answer(QString("groups"));
    form->btnAddGroupClick();
    EXPECT_TRUE(messages(prompt).last().startsWith("The name \"groups\" is kept"));
    EXPECT_EQ(db.groups(), QStringList({"Archive", "Personal"}));

    edit(*form, "home");
    prompt.answer(Prompt::Yes);
    form->btnDeleteGroupClick();
    EXPECT_EQ(prompt.asked().back().text,
              "Are you sure you want to delete this group?  All site entries for this group will be lost!");
    EXPECT_EQ(db.groups(), QStringList{"Archive"});
    EXPECT_FALSE(IniFile(dir.filePath("sites.ini")).sectionExists("home"));
    EXPECT_EQ(form->CurrentGroup(), "Archive");
    EXPECT_EQ(form->SiteList->count(), 0);
    // The site shown went with its group: nothing is left to save back unlisted.
    EXPECT_FALSE(form->SiteShown());
    EXPECT_TRUE(form->LoadedSite().isEmpty());
}

// "&Reset" shows "Unknown" and zeros; the counters show with thousands separators.
TEST_F(SiteManagerTest, StatisticsShowAndReset)
{
    makeGroup("Personal", {"site", "other"});
    for (int i = 0; i < 3; ++i)
        stats.AddDownload("site", 1000);
    stats.AddDownload("other", 5);
    auto form = open();
    edit(*form, "site");
    EXPECT_EQ(form->lblFilesDown->text(), "3");
    EXPECT_EQ(form->lblBytesDown->text(), "3,000");
    EXPECT_EQ(form->lblLastConnect->text(), "Unknown");
    form->btnResetStatsClick();
    for (QLabel* label : {form->lblConnects, form->lblFilesUp, form->lblFilesDown, form->lblBytesUp, form->lblBytesDown})
        EXPECT_EQ(label->text(), "0");
    EXPECT_EQ(form->lblLastConnect->text(), "Unknown");
    EXPECT_EQ(stats.ReadStats("other").FilesDown, "1");
}

// "C&onnect" hands the site itself back (a name with ":" is no host) and closes; a click
// on the focused row of several connects to that one.
TEST_F(SiteManagerTest, ConnectHandsTheSiteBackAndCloses)
{
    makeGroup("Personal", {"alpha", "host:21", "zulu"});
    {
        auto form = open();
        QSignalSpy connects(form.get(), &TfrmSite::connectRequested);
        edit(*form, "host:21");
        EXPECT_TRUE(form->btnConnect->isEnabled());
        form->btnConnectClick();
        ASSERT_EQ(connects.count(), 1);
        EXPECT_EQ(connects.at(0).at(0).toString(), "host:21");
        EXPECT_EQ(form->result(), QDialog::Accepted);
        EXPECT_FALSE(form->isVisible());
    }
    auto form = open();
    QSignalSpy connects(form.get(), &TfrmSite::connectRequested);
    edit(*form, "alpha");
    click(*form, "zulu", Qt::ControlModifier);
    form->btnConnectClick();
    ASSERT_EQ(connects.count(), 1);
    EXPECT_EQ(connects.at(0).at(0).toString(), "zulu");
}

// Screenshots of the three tabs, for a person to look at.
TEST_F(SiteManagerTest, ScreenshotsOfTheThreeTabs)
{
    makeGroup("Personal", {"Build server", "Mirror", "Photos"});
    TSiteRecord site = db.readSite("Mirror");
    site.Port = "2121";
    site.User = "anna";
    site.Pass = "secret";
    site.RemoteDir = "/pub/releases";
    site.LocalDir = "/home/anna/mirror";
    site.Timeout = "30";
    site.Options = "2121000300";
    site.Notes = {"Nightly mirror of the release tree.", "Ask Anna before deleting anything."};
    db.writeSite("Mirror", site);
    stats.RecordConnect("Mirror");
    stats.AddDownload("Mirror", 123456789);
    auto form = open();
    edit(*form, "Mirror");
    const QDir out(QStringLiteral(ORVO_TEST_OUTPUT_DIR));
    QDir().mkpath(out.path());
    const char* files[] = {"sitemanager-general.png", "sitemanager-advanced.png", "sitemanager-stats.png"};
    for (int tab = 0; tab < 3; ++tab) {
        form->Tabs->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        const QImage shot = form->grab().toImage();
        ASSERT_TRUE(shot.save(out.filePath(files[tab]))) << files[tab];
        EXPECT_GT(shot.width(), 500);
    }
}

// CheckRange: empty passes; anything else must be a whole number within the bounds, or the
// message names them.
TEST(CheckRange, WholeNumbersWithinTheBounds)
{
    struct Case {
        const char* text;
        bool ok;
    } cases[] = {{"", true}, {"1", true}, {"65535", true}, {"0", false}, {"65536", false}, {"-5", false},
                 {"21a", false}, {"2.5", false}, {" 21 ", true}, {"99999999999999999999", false}};
    for (const Case& c : cases)
        EXPECT_EQ(!rangeProblem(c.text, 1, 65535), c.ok) << c.text;
    EXPECT_EQ(rangeProblem("300", 0, 255), "Value must be in the range 0-255");
    ScriptedPrompt prompt;
    EXPECT_FALSE(CheckRange("x", 0, 32000));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "Value must be in the range 0-32000");
    EXPECT_EQ(prompt.asked()[0].icon, Prompt::Icon::Error);
    EXPECT_TRUE(CheckRange("", 0, 32000));
    EXPECT_EQ(prompt.asked().size(), 1u);
}

}  // namespace
