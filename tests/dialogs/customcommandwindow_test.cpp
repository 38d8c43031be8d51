// The custom-command window over a settings file of a temporary directory: adding,
// updating and deleting entries, the shortcut rules, and what is written when.
#include "dialogs/customcommandwindow.h"
#include "platform/core/inifile.h"
#include "platform/core/scriptedprompt.h"
#include "testutil.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class CustomCommandWindowTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    IniFile ini{dir.filePath("orvoftp.ini")};
    ScriptedPrompt prompt;
    QList<CustomCommand> commands;
    // Ctrl+Shift+R belongs to a command of the main window.
    QString takenBy(const QKeySequence& sequence) const
    {
        return sequence == QKeySequence(QStringLiteral("Ctrl+Shift+R")) ? QStringLiteral("Refresh") : QString();
    }

    std::unique_ptr<TfrmCustom> open()
    {
        auto form = std::make_unique<TfrmCustom>(commands, ini, [this](const QKeySequence& s) { return takenBy(s); });
        form->show();
        return form;
    }
    static void add(TfrmCustom& form, const QString& caption, const QString& command, const QString& key = {})
    {
        form.txtCaption->setText(caption);
        form.txtCommand->setText(command);
        form.txtShortcut->clear();
        QTest::keyClicks(form.txtShortcut, key);
        form.btnAdd->click();
    }
    static void select(TfrmCustom& form, int row)
    {
        form.CustomList->setCurrentRow(row);
        form.CustomListClick();
    }
    QStringList listed(const TfrmCustom& form) const
    {
        QStringList out;
        for (int i = 0; i < form.CustomList->count(); ++i)
            out << form.CustomList->item(i)->text();
        return out;
    }
};

// Adding keeps the list in memory; closing writes it, numbered from 1. A typed lower-case
// letter is the upper-case shortcut, stored as its display text.
TEST_F(CustomCommandWindowTest, AddedCommandsAreWrittenWhenTheWindowCloses)
{
    auto form = open();
    EXPECT_FALSE(form->btnAdd->isEnabled());
    EXPECT_FALSE(form->btnDelete->isEnabled());
    EXPECT_EQ(form->HelpMemo->toPlainText(), "Command Tokens:\n%f - Selected filename \n%d - Dialog text");
    add(*form, "Who", "SITE WHO", "w");
    add(*form, "Chmod", "SITE CHMOD %d %f");
    add(*form, "Idle", "SITE IDLE %d", "1");
    EXPECT_EQ(listed(*form), QStringList({"Who", "Chmod", "Idle"}));
    EXPECT_TRUE(form->txtCaption->text().isEmpty());
    EXPECT_FALSE(ini.sectionExists("Commands"));  // "&Add" alone writes nothing yet

    form->btnExit->click();
    EXPECT_EQ(readCustomCommands(*ini.read()), QList<CustomCommand>({{"Who", "SITE WHO", "Ctrl+Shift+W"},
                                                                     {"Chmod", "SITE CHMOD %d %f", ""},
                                                                     {"Idle", "SITE IDLE %d", "Ctrl+Shift+1"}}));
}

// "&Update" changes the selected entry and writes at once; an emptied shortcut field keeps the
// old shortcut. Deleting the second of three stores the third under c2, p2 and k2.
TEST_F(CustomCommandWindowTest, UpdateWritesAtOnceAndDeleteRenumbers)
{
    commands = {{"Who", "SITE WHO", "Ctrl+Shift+W"}, {"Help", "HELP", ""}, {"Idle", "SITE IDLE %d", "Ctrl+Shift+I"}};
    auto form = open();
    select(*form, 0);
    EXPECT_EQ(form->txtShortcut->text(), "W");
    EXPECT_EQ(form->btnAdd->text(), TfrmCustom::UpdateText);
    EXPECT_TRUE(form->btnDelete->isEnabled());
    form->txtCommand->setText("SITE WHO ALL");
    form->txtShortcut->clear();
    form->btnAdd->click();
    EXPECT_EQ(form->btnAdd->text(), TfrmCustom::AddText);
    EXPECT_EQ(readCustomCommands(*ini.read()).value(0), (CustomCommand{"Who", "SITE WHO ALL", "Ctrl+Shift+W"}));

    select(*form, 1);
    form->btnDelete->click();
    EXPECT_FALSE(form->btnAdd->isEnabled());
    EXPECT_FALSE(form->btnDelete->isEnabled());
    EXPECT_TRUE(form->txtCommand->text().isEmpty());
    QTest::keyClick(form.get(), Qt::Key_Escape);  // closing by Escape writes as well
    const auto doc = ini.read();
    EXPECT_EQ(doc->sectionKeys("Commands"), QStringList({"c1", "p1", "k1", "c2", "p2", "k2"}));
    EXPECT_EQ(doc->readString("Commands", "c2"), "Idle");
    EXPECT_EQ(doc->readString("Commands", "k2"), "Ctrl+Shift+I");
}

// A shortcut another command already has (another custom command or a command of the main
// window) would leave one of them unreachable: refused, and nothing changes.
TEST_F(CustomCommandWindowTest, ATakenShortcutIsRefused)
{
    commands = {{"Who", "SITE WHO", "Ctrl+Shift+W"}};
    auto form = open();
    const struct {
        const char* key;
        bool refused;
    } cases[] = {{"w", true}, {"W", true}, {"r", true}, {"x", false}};
    for (const auto& c : cases) {
        prompt.clear();
        add(*form, "New", "NOOP", c.key);
        EXPECT_EQ(prompt.asked().size(), c.refused ? 1u : 0u) << c.key;
        EXPECT_EQ(commands.size(), c.refused ? 1 : 2) << c.key;
    }
    EXPECT_TRUE(prompt.asked().empty());
    ASSERT_EQ(commands.size(), 2);
    EXPECT_EQ(commands[1].shortcutText, "Ctrl+Shift+X");

    // Updating an entry may keep its own shortcut.
    prompt.clear();
    select(*form, 0);
    form->txtShortcut->setText("W");
    form->btnAdd->click();
    EXPECT_TRUE(prompt.asked().empty());
}

}  // namespace
