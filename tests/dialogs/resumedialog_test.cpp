// The "File Exists" window: its labels, its seven buttons and what each answers, Resume only
// when it can, Rename asking for the name and staying open when that is cancelled.
#include "dialogs/resumedialog.h"
#include "platform/core/scriptedprompt.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

FileConflict conflict(bool resumable)
{
    FileConflict c;
    c.duplicate = "Duplicate local file: /home/me/a.txt";
    c.top = "Remote file: 2,000 bytes, 3/7/25 9:05 AM";
    c.bottom = "Local file: 1,000 bytes, 3/7/25 9:01 AM";
    c.renameText = "/home/me/a.txt";
    c.resumeEnabled = resumable;
    return c;
}

}  // namespace

TEST(TfrmResume, LabelsAndEveryButton)
{
    using Choice = FileConflictAnswer::Choice;
    const struct {
        const char* button;
        Choice choice;
    } cases[] = {
        {"btnOverwrite", Choice::Overwrite}, {"btnResume", Choice::Resume},         {"btnSkip", Choice::Skip},
        {"btnSkipAll", Choice::SkipAll},     {"btnOverwriteAll", Choice::OverwriteAll}, {"btnCancel", Choice::Cancel},
    };
    for (const auto& c : cases) {
        TfrmResume window(conflict(true));
        EXPECT_EQ(window.windowTitle(), "File Exists");
        EXPECT_EQ(window.lblDuplicate->text(), "Duplicate local file: /home/me/a.txt");
        EXPECT_EQ(window.lblTop->text(), "Remote file: 2,000 bytes, 3/7/25 9:05 AM");
        EXPECT_EQ(window.lblBottom->text(), "Local file: 1,000 bytes, 3/7/25 9:01 AM");
        EXPECT_TRUE(window.btnOverwrite->isDefault());
        window.findChild<QPushButton*>(c.button)->click();
        EXPECT_EQ(window.Answer().choice, c.choice) << c.button;
        EXPECT_EQ(window.result(), c.choice == Choice::Cancel ? QDialog::Rejected : QDialog::Accepted) << c.button;
    }
    TfrmResume cannot(conflict(false));
    EXPECT_FALSE(cannot.btnResume->isEnabled());
    const QStringList texts{"&Overwrite", "&Resume", "R&ename", "&Skip", "&Skip All", "&Overwrite All", "&Cancel"};
    QStringList shown;
    for (QPushButton* button : {cannot.btnOverwrite, cannot.btnResume, cannot.btnRename, cannot.btnSkip,
                                cannot.btnSkipAll, cannot.btnOverwriteAll, cannot.btnCancel})
        shown << button->text();
    EXPECT_EQ(shown, texts);
}

TEST(TfrmResume, RenameAsksForTheNameAndStaysOpenWhenCancelled)
{
    ScriptedPrompt prompt;
    TfrmResume window(conflict(false));
    prompt.answerCancel();
    window.btnRenameClick();
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].caption, "New name");
    EXPECT_EQ(prompt.asked()[0].text, "Enter a new filename");
    EXPECT_EQ(prompt.asked()[0].defaultText, "/home/me/a.txt");
    EXPECT_EQ(window.result(), 0);  // still open
    EXPECT_EQ(window.Answer().choice, FileConflictAnswer::Choice::Cancel);
    prompt.answer(QString("/home/me/b.txt"));
    window.btnRenameClick();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_EQ(window.Answer().choice, FileConflictAnswer::Choice::Rename);
    EXPECT_EQ(window.Answer().newName, "/home/me/b.txt");
}
