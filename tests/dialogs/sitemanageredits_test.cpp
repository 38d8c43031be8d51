// Editing a site in the site manager: the dirty flag, the pending-changes question, the
// range checks, Save Password, rename, revert, the folder picker and Escape.
#include "sitemanagertest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// With AutoSave off an edit followed by a click on another site asks; No leaves the file as
// it was, Yes saves; with AutoSave on it saves without asking. A notes edit counts as an
// edit (it used to be lost silently).
TEST_F(SiteManagerTest, LeavingAnEditedSiteAsksOrSaves)
{
    makeGroup("Personal", {"a", "b"});
    struct Case {
        const char* what;
        bool autoSave;
        std::function<void(TfrmSite&)> change;
        std::optional<Prompt::Button> answer;  // none: no question expected
        bool saved;
    } cases[] = {
        {"address, No", false, [](TfrmSite& f) { f.txtServer->setText("changed.example.org"); }, Prompt::No, false},
        {"address, Yes", false, [](TfrmSite& f) { f.txtServer->setText("changed.example.org"); }, Prompt::Yes, true},
        {"notes, No", false, [](TfrmSite& f) { f.SiteMemo->setPlainText("call first"); }, Prompt::No, false},
        {"notes, AutoSave", true, [](TfrmSite& f) { f.SiteMemo->setPlainText("call first"); }, std::nullopt, true},
        {"check box, AutoSave", true, [](TfrmSite& f) { f.chkRenameExt->setChecked(true); }, std::nullopt, true},
        {"nothing", false, [](TfrmSite&) {}, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        makeGroup("Personal", {"a", "b"});
        const QByteArray before = sitesFile();
        auto form = open(c.autoSave);
        edit(*form, "a");
        c.change(*form);
        prompt.clear();
        if (c.answer)
            prompt.answer(*c.answer);
        click(*form, "b");
        EXPECT_EQ(prompt.asked().size(), c.answer ? 1u : 0u);
        if (c.answer) {
            EXPECT_EQ(prompt.asked()[0].text, "Save changes to current site ?");
        }
        EXPECT_EQ(sitesFile() != before, c.saved);
        EXPECT_EQ(form->LoadedSite(), "b");
        EXPECT_FALSE(form->Dirty());
    }
}

// Port, Timeout and Retry: a bad number is reported as typed and marks the site changed, an
// emptied field does not; Save checks the ranges again and refuses a bad one, so nothing out
// of range reaches the file (and leaving the site keeps it shown).
TEST_F(SiteManagerTest, NumbersAreCheckedAsTypedAndAgainOnSave)
{
    makeGroup("Personal", {"a", "b"});
    auto form = open();
    edit(*form, "a");
    form->txtTimeout->setText("");
    EXPECT_FALSE(form->Dirty());
    form->txtPort->setText("");
    EXPECT_FALSE(form->Dirty());
    EXPECT_TRUE(prompt.asked().empty());
    EXPECT_FALSE(form->btnConnect->isEnabled());

    struct Case {
        QLineEdit* field;
        const char* text;
        const char* message;
    } cases[] = {
        {form->txtPort, "70000", "Value must be in the range 1-65535"},
        {form->txtTimeout, "256", "Value must be in the range 0-255"},
        {form->txtRetry, "many", "Value must be in the range 0-32000"},
    };
    const QByteArray before = sitesFile();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        form->btnRevertClick();
        prompt.clear();
        c.field->setText(c.text);
        ASSERT_EQ(prompt.asked().size(), 1u);
        EXPECT_EQ(prompt.asked()[0].text, c.message);
        EXPECT_EQ(c.field->text(), c.text);
        EXPECT_TRUE(form->Dirty());
        EXPECT_FALSE(form->btnSaveClick());
        EXPECT_EQ(prompt.asked().back().text, c.message);
        EXPECT_EQ(sitesFile(), before);
    }
    // AutoSave or not, a refused save keeps the site shown.
    prompt.clear();
    prompt.answer(Prompt::Yes);
    click(*form, "b");
    EXPECT_EQ(form->LoadedSite(), "a");
    EXPECT_EQ(sitesFile(), before);
    form->txtRetry->setText("5");
    EXPECT_TRUE(form->btnSaveClick());
    EXPECT_EQ(db.readSite("a").Retry, "5");
}

// "Save Password" unchecked keeps the password out of the file: the connect asks for it.
// Loading shows what the file holds; the user name drives "Anonymous".
TEST_F(SiteManagerTest, SavePasswordUncheckedStoresNoPassword)
{
    makeGroup("Personal", {"a"});
    auto form = open();
    edit(*form, "a");
    EXPECT_TRUE(form->chkAnonymous->isChecked());
    EXPECT_TRUE(form->chkSavePass->isChecked());
    form->txtUsername->setText("joe");
    EXPECT_FALSE(form->chkAnonymous->isChecked());
    form->txtPassword->setText("pw");
    ASSERT_TRUE(form->btnSaveClick());
    EXPECT_EQ(db.readSite("a").Pass, "pw");

    form->chkSavePass->setChecked(false);
    EXPECT_TRUE(form->Dirty());
    ASSERT_TRUE(form->btnSaveClick());
    EXPECT_FALSE(IniFile(dir.filePath("sites.ini")).valueExists("a", "Pass"));
    EXPECT_EQ(db.readSite("a").User, "joe");
    form->btnRevertClick();
    EXPECT_FALSE(form->chkSavePass->isChecked());
    EXPECT_FALSE(form->chkAnonymous->isChecked());
    EXPECT_TRUE(form->txtPassword->text().isEmpty());
}

// Rename changes the loaded site even when the focus is on another selected row: that
// row's entry and section stay. A name another group lists, or a taken one, is refused.
TEST_F(SiteManagerTest, RenameChangesOnlyTheLoadedSite)
{
    makeGroup("Other", {"elsewhere"});
    makeGroup("Personal", {"a", "b", "c"});
    auto form = open();
    form->GroupList->setCurrentText("Personal");
    form->GroupListClick();
    edit(*form, "b");
    click(*form, "a", Qt::ControlModifier);  // loads a, then b: the last selected
    form->txtServer->setText("renamed.example.org");  // unsaved: goes with the rename
    ASSERT_EQ(form->SiteList->currentItem()->text(), "a");
    ASSERT_EQ(form->LoadedSite(), "b");

    for (const char* taken : {"c", "elsewhere"}) {
        prompt.clear();
        const QByteArray before = sitesFile();
        prompt.answer(QString::fromLatin1(taken));
        form->btnRenameClick();
        EXPECT_EQ(messages(prompt).last(), QString("A site named \"%1\" already exists.  Please choose another name.").arg(taken));
        EXPECT_EQ(sitesFile(), before);
    }
    prompt.clear();
    prompt.answer(QString(" b2 "));
    form->btnRenameClick();
    EXPECT_EQ(prompt.asked()[0].caption, "Rename Site");
    EXPECT_EQ(prompt.asked()[0].text, "New Name");
    EXPECT_EQ(db.groupSites("Personal"), QStringList({"a", "b2", "c"}));
    EXPECT_FALSE(IniFile(dir.filePath("sites.ini")).sectionExists("b"));
    EXPECT_EQ(db.readSite("b2").IP, "renamed.example.org");
    EXPECT_EQ(db.readSite("a").IP, "a.example.org");
    EXPECT_EQ(form->ListedSites(), QStringList({"a", "b2", "c"}));
    EXPECT_EQ(form->LoadedSite(), "b2");
    EXPECT_EQ(form->txtSiteName->text(), "b2");
    EXPECT_FALSE(form->Dirty());
}

// "?" asks for the folder through the prompt interface and the answer marks the site
// changed; Escape closes at once, without the question, and the group menu is rebuilt.
TEST_F(SiteManagerTest, FolderPickerAndEscape)
{
    makeGroup("Personal", {"a"});
    const QByteArray before = sitesFile();
    auto form = open();
    edit(*form, "a");
    prompt.answer(QString("/srv/downloads"));
    form->btnBrowseLocalClick();
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].kind, ScriptedPrompt::Kind::PickFolder);
    EXPECT_EQ(prompt.asked()[0].caption, "Select Initial Local Directory");
    EXPECT_EQ(form->txtLocalPath->text(), "/srv/downloads");
    EXPECT_TRUE(form->Dirty());

    QSignalSpy menuChanges(form.get(), &TfrmSite::groupMenuChanged);
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(menuChanges.count(), 1);
    EXPECT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(sitesFile(), before);
}

// "E&xit" asks first (Enter presses it: it is the default button).
TEST_F(SiteManagerTest, ExitAsksAboutPendingChanges)
{
    makeGroup("Personal", {"a"});
    auto form = open();
    edit(*form, "a");
    form->txtAccount->setText("acct");
    EXPECT_TRUE(form->btnExit->isDefault());
    prompt.answer(Prompt::Yes);
    form->btnExit->click();
    EXPECT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(db.readSite("a").Account, "acct");
    EXPECT_FALSE(form->isVisible());
}

// Encryption: implicit TLS offers its own port in place of 21 and gives it back; the choice is
// stored as its number, plain as no key at all, and shown again when the site is loaded.
TEST_F(SiteManagerTest, EncryptionRoundTripsAndMovesThePort)
{
    makeGroup("Personal", {"a", "b"});
    auto form = open();
    edit(*form, "a");
    EXPECT_EQ(form->cboEncryption->currentIndex(), 0);
    form->cboEncryption->setCurrentIndex(2);
    EXPECT_EQ(form->txtPort->text(), "990");
    form->cboEncryption->setCurrentIndex(1);
    EXPECT_EQ(form->txtPort->text(), "21");
    form->txtPort->setText("2121");
    form->cboEncryption->setCurrentIndex(2);
    EXPECT_EQ(form->txtPort->text(), "2121");  // a port of the user's own stays
    ASSERT_TRUE(form->btnSaveClick());
    EXPECT_EQ(db.readSite("a").Encryption, "2");

    edit(*form, "b");
    EXPECT_EQ(form->cboEncryption->currentIndex(), 0);
    edit(*form, "a");
    EXPECT_EQ(form->cboEncryption->currentIndex(), 2);
    form->cboEncryption->setCurrentIndex(0);
    ASSERT_TRUE(form->btnSaveClick());
    EXPECT_FALSE(db.file().valueExists("a", "Encryption"));
}

}  // namespace
