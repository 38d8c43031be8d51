// The ASCII and rename extension windows over a settings file of a temporary directory.
#include "controls/orvoview.h"
#include "dialogs/asciiextensions.h"
#include "dialogs/renameextensions.h"
#include "platform/core/inifile.h"
#include "platform/core/scriptedprompt.h"
#include "settings/settingsstore.h"
#include "testutil.h"

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ExtensionListsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    std::unique_ptr<SettingsStore> store;

    void openStore(const QByteArray& ini)
    {
        ASSERT_TRUE(testutil::writeFile(dir.filePath("orvoftp.ini"), ini));
        store = std::make_unique<SettingsStore>(dir.filePath("orvoftp.ini"));
    }
    static QStringList items(const QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
};

// Typing "txt" shows "TXT" and stores the mask "*.TXT" (the bare form never matched a file);
// an entry ".txt" of the file shows as "*.txt". OK writes e1..eN and then changes the list
// the transfers consult.
TEST_F(ExtensionListsTest, AsciiEntriesAreMasks)
{
    openStore("[Extensions]\ne1=.txt\ne2=*.htm\ne3=.\n");
    TfrmASCII form(*store);
    form.show();
    EXPECT_EQ(items(form.ExtensionList), QStringList({"*.txt", "*.htm", "."}));
    EXPECT_FALSE(form.btnAdd->isEnabled());
    QTest::keyClicks(form.txtExtension, "txt");
    EXPECT_EQ(form.txtExtension->text(), "TXT");
    form.btnAdd->click();
    EXPECT_FALSE(form.btnAdd->isEnabled());
    EXPECT_TRUE(form.txtExtension->text().isEmpty());
    form.ExtensionList->item(2)->setSelected(true);  // "."
    form.btnDelete->click();
    EXPECT_EQ(store->prefs().AsciiExtensions, QStringList({"*.txt", "*.htm", "."}));  // not before OK
    ASSERT_TRUE(form.btnOKClick());
    EXPECT_EQ(store->file().read()->readList("Extensions", "e"), QStringList({"*.txt", "*.htm", "*.TXT"}));
    EXPECT_EQ(store->prefs().AsciiExtensions, QStringList({"*.txt", "*.htm", "*.TXT"}));
}

// Deleting every entry leaves [Extensions] empty; Cancel changes nothing.
TEST_F(ExtensionListsTest, AsciiEmptiedAndCancelled)
{
    openStore("[Extensions]\ne1=*.txt\ne2=*.c\n");
    {
        TfrmASCII form(*store);
        QTest::keyClicks(form.txtExtension, "log");
        form.btnAdd->click();
        form.btnCancel->click();
    }
    EXPECT_EQ(store->prefs().AsciiExtensions, QStringList({"*.txt", "*.c"}));
    EXPECT_EQ(store->file().read()->readList("Extensions", "e"), QStringList({"*.txt", "*.c"}));

    TfrmASCII form(*store);
    form.ExtensionList->selectAll();
    form.btnDelete->click();
    ASSERT_TRUE(form.btnOKClick());
    EXPECT_TRUE(store->prefs().AsciiExtensions.isEmpty());
    EXPECT_TRUE(store->file().read()->sectionKeys("Extensions").isEmpty());
}

// Rename rules: typed extensions get their dot, commas and separators are refused (a comma
// in the local part would move the split point when the rule is read back).
TEST_F(ExtensionListsTest, RenameRules)
{
    openStore("[Rename]\nr1=.html,.htm\nr2=.jpeg\n");
    TfrmRename form(*store);
    form.show();
    ASSERT_EQ(form.RenameList->Count(), 2);
    EXPECT_EQ(form.RenameList->Item(1).Caption, "");  // stored without a comma
    EXPECT_EQ(form.RenameList->Item(1).columnText(1), ".jpeg");

    const struct {
        const char* local;
        const char* remote;
        bool refused;
    } cases[] = {{"a,b", "htm", true}, {"txt", "t/x", true}, {"tar.gz", "tgz", true}, {"text", ".txt", false}};
    for (const auto& c : cases) {
        prompt.clear();
        form.txtLocal->setText(c.local);
        form.txtRemote->setText(c.remote);
        form.btnAdd->click();
        EXPECT_EQ(prompt.asked().size(), c.refused ? 1u : 0u) << c.local;
    }
    EXPECT_EQ(form.RenameList->Count(), 3);
    form.RenameList->SetSelection({1});
    ASSERT_TRUE(form.btnDelete->isEnabled());
    form.btnDelete->click();
    ASSERT_TRUE(form.btnOKClick());
    EXPECT_EQ(store->file().read()->readList("Rename", "r"), QStringList({".html,.htm", ".text,.txt"}));
    EXPECT_EQ(store->prefs().RenameRules, QStringList({".html,.htm", ".text,.txt"}));
}

// The lists in memory change only when the file took them; the window stays open.
TEST_F(ExtensionListsTest, AFailedWriteChangesNothingInMemory)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("orvoftp.ini"));
    store = std::make_unique<SettingsStore>(dir.filePath("orvoftp.ini"));
    store->prefs().AsciiExtensions = {"*.txt"};
    store->prefs().RenameRules = {".html,.htm"};
    TfrmASCII ascii(*store);
    ascii.show();
    ascii.ExtensionList->selectAll();
    ascii.btnDelete->click();
    EXPECT_FALSE(ascii.btnOKClick());
    EXPECT_TRUE(ascii.isVisible());
    EXPECT_EQ(store->prefs().AsciiExtensions, QStringList({"*.txt"}));

    TfrmRename rename(*store);
    rename.show();
    rename.RenameList->SelectAll();
    rename.btnDelete->click();
    EXPECT_FALSE(rename.btnOKClick());
    EXPECT_TRUE(rename.isVisible());
    EXPECT_EQ(store->prefs().RenameRules, QStringList({".html,.htm"}));
    ASSERT_EQ(prompt.asked().size(), 2u);
    EXPECT_TRUE(prompt.asked()[0].text.startsWith("Unable to write to "));
}

}  // namespace
