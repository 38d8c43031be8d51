// The site manager's "&Import": the open-file window's filter chooses the import, the lists
// show what came in, failures are told.
#include "dialogs/siteimportdialog.h"
#include "settings/scramble.h"
#include "sitemanagertest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

namespace {

using SiteImportWindowTest = SiteManagerTest;

TEST_F(SiteImportWindowTest, TheChosenFilterDecidesTheImport)
{
    makeGroup("Personal", {"Home"});
    makeGroup("Work", {"Office"});
    const QString text = dir.filePath("sites.txt");
    ASSERT_TRUE(testutil::writeFile(text, "Fresh:fresh.example.org:u:p\nOther:HOME.example.org:joe:pw\nbad]name:x:u:p\n"));
    const QString older = dir.filePath("orvoftp.ini");
    ASSERT_TRUE(testutil::writeFile(older, "[Servers]\ns1=Old One\n[Old One]\nIP=old.example.org\n"));

    auto form = open();
    form->GroupList->setCurrentIndex(form->GroupList->findText("Work"));
    form->GroupListClick();
    ASSERT_TRUE(form->btnImport->isVisibleTo(form.get()));

    // The text filter: into the shown group, with the closing message.
    prompt.answerFile(text, TfrmImport::TextFilter);
    QSignalSpy menuChanged(form.get(), &TfrmSite::groupMenuChanged);
    form->btnImport->click();
    ASSERT_EQ(prompt.asked().size(), 2u);
    EXPECT_EQ(prompt.asked()[0].kind, ScriptedPrompt::Kind::OpenFile);
    EXPECT_EQ(prompt.asked()[0].filter, "Text files (*.txt)|*.txt|OrvoFTP 1.X files (OrvoFTP.ini)|orvoftp.ini");
    EXPECT_EQ(prompt.asked()[1].text, "Import Complete: 2 new entries, 0 updated entries.  Lines skipped: 3.");
    EXPECT_EQ(prompt.asked()[1].icon, Prompt::Icon::Information);
    // HOME.example.org is Home's host, but Home is not in the shown group: a new site.
    EXPECT_EQ(form->ListedSites(), QStringList({"Fresh", "Office", "Other"}));
    EXPECT_EQ(menuChanged.count(), 1);

    // The older version's filter: no message, the new site listed at once.
    prompt.clear();
    prompt.answerFile(older, TfrmImport::OlderVersionFilter);
    form->btnImport->click();
    EXPECT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(form->ListedSites(), QStringList({"Fresh", "Office", "Old One", "Other"}));

    // A plain answer naming orvoftp.ini picks the older version's filter by its pattern: the
    // same file again passes its existing site over.
    prompt.clear();
    prompt.answer(older);
    form->btnImport->click();
    EXPECT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(db.groupSites("Work").size(), 4);
    // The patterns match names ignoring case; a name neither matches is taken as text.
    EXPECT_EQ(Prompt::matchingFilter(TfrmImport::Filter, "/home/me/OrvoFTP.INI"), TfrmImport::OlderVersionFilter);
    EXPECT_EQ(Prompt::matchingFilter(TfrmImport::Filter, "/home/me/sites.dat"), TfrmImport::TextFilter);
}

TEST_F(SiteImportWindowTest, FailuresAreToldAndCancelChangesNothing)
{
    makeGroup("Personal", {"Home"});
    const QByteArray before = sitesFile();
    auto form = open();

    prompt.answerCancel();
    form->btnImport->click();
    EXPECT_EQ(prompt.asked().size(), 1u);

    prompt.clear();
    const QString missing = dir.filePath("gone.txt");
    prompt.answerFile(missing, TfrmImport::TextFilter);
    form->btnImport->click();
    ASSERT_EQ(prompt.asked().size(), 2u);
    EXPECT_EQ(prompt.asked()[1].text, "Unable to open " + missing);
    EXPECT_EQ(prompt.asked()[1].icon, Prompt::Icon::Error);
    EXPECT_EQ(sitesFile(), before);
    EXPECT_EQ(form->ListedSites(), QStringList({"Home"}));
}

// The shown site's edits are saved before an import may rewrite it, and its fields are not
// left on show with what the file held before.
TEST_F(SiteImportWindowTest, TheShownSiteIsSavedFirstAndNotShownAfterwards)
{
    makeGroup("Personal", {"Home"});
    const QString text = dir.filePath("sites.txt");
    ASSERT_TRUE(testutil::writeFile(text, "Any:home.example.org:imported:pw\n"));
    auto form = open(/*autoSave=*/true);
    edit(*form, "Home");
    form->txtRemotePath->setText("/edited");

    prompt.answerFile(text, TfrmImport::TextFilter);
    form->btnImport->click();
    EXPECT_FALSE(form->SiteShown());
    const TSiteRecord home = db.readSite("Home");
    EXPECT_EQ(home.RemoteDir, "/edited");
    EXPECT_EQ(home.User, "imported");
}

}  // namespace
