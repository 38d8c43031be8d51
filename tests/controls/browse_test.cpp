// The folder picker: the folder list, what "&OK" returns, the drive box's unusable volumes.
#include "controls/browsedir.h"
#include "controls/browseform.h"
#include "platform/core/scriptedprompt.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QStringList rows(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// The list shows the levels from "/" down to the folder, then its visible sub-folders; the
// path field follows it; "&OK" returns the list's folder whatever was typed into the field.
TEST(FolderPicker, ListLevelsAndTheFolderReturned)
{
    QTemporaryDir temp;
    const QString root = QDir(temp.path()).canonicalPath();
    for (const char* sub : {"b", "A", ".hidden", "A/inner"})
        QDir(root).mkpath(sub);
    TfrmBrowse dialog;
    dialog.SetDirectory(root + "/A/gone/deeper");  // nearest existing folder
    EXPECT_EQ(dialog.Directory(), root + "/A");
    dialog.SetDirectory(root);
    const QStringList levels = root.split('/', Qt::SkipEmptyParts);
    const QStringList shown = rows(dialog.DirectoryBox);
    ASSERT_EQ(shown.size(), levels.size() + 3);
    EXPECT_EQ(shown.first(), "/");
    EXPECT_EQ(shown[levels.size()], QString(levels.size() * 2, ' ') + levels.last());
    const QString indent((levels.size() + 1) * 2, ' ');
    EXPECT_EQ(shown.mid(levels.size() + 1), QStringList({indent + "A", indent + "b"}));
    EXPECT_EQ(dialog.DirectoryBox->currentRow(), levels.size());
    EXPECT_EQ(dialog.txtPath->text(), root);

    dialog.DirectoryBoxOpen(dialog.DirectoryBox->item(levels.size() + 1));
    EXPECT_EQ(dialog.Directory(), root + "/A");
    EXPECT_EQ(dialog.txtPath->text(), root + "/A");
    dialog.DirectoryBoxOpen(dialog.DirectoryBox->item(0));
    EXPECT_EQ(dialog.Directory(), "/");

    dialog.SetDirectory(root);
    dialog.txtPath->setText("/somewhere/else");
    EXPECT_EQ(dialog.Directory(), root);
    EXPECT_FALSE(dialog.txtPath->isReadOnly());
    dialog.SetReadOnly(true);
    EXPECT_TRUE(dialog.txtPath->isReadOnly());
}

// A volume that cannot be read: "Unable to access " with its root, Retry asks again while it
// stays so, Cancel goes back to the last drive chosen; once readable it is entered.
TEST(FolderPicker, UnusableDriveAsksRetryOrCancel)
{
    QTemporaryDir temp;
    const QString root = QDir(temp.path()).canonicalPath();
    const QString media = root + "/media";
    TfrmBrowse dialog;
    dialog.SetDrives({"/", root, media});
    dialog.SetDirectory(root);
    EXPECT_EQ(dialog.DriveBox->currentIndex(), 1);  // the longest root holding the folder

    ScriptedPrompt prompt;
    prompt.answer(Prompt::Retry);
    prompt.answer(Prompt::Cancel);
    dialog.DriveBox->setCurrentIndex(2);
    dialog.DriveBoxChange(2);
    ASSERT_EQ(prompt.asked().size(), 2u);
    for (const auto& question : prompt.asked()) {
        EXPECT_EQ(question.text, "Unable to access " + media);
        EXPECT_EQ(question.buttons, Prompt::Retry | Prompt::Cancel);
    }
    EXPECT_EQ(dialog.DriveBox->currentIndex(), 1);
    EXPECT_EQ(dialog.Directory(), root);

    QDir().mkpath(media);
    dialog.DriveBoxChange(2);
    EXPECT_EQ(prompt.asked().size(), 2u);
    EXPECT_EQ(dialog.Directory(), media);
    EXPECT_EQ(dialog.DriveBox->currentIndex(), 2);
    EXPECT_TRUE(TfrmBrowse::mountedVolumes().contains("/"));
}

// Execute: true with the folder after "&OK"; false and an empty Directory after "Ca&ncel".
TEST(FolderPicker, ExecuteReturnsTheChoice)
{
    QTemporaryDir temp;
    const QString root = QDir(temp.path()).canonicalPath();
    for (const bool ok : {true, false}) {
        QString caption;
        bool readOnly = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TfrmBrowse*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            caption = dialog->lblCaption->text();
            readOnly = dialog->txtPath->isReadOnly();
            ok ? dialog->accept() : dialog->reject();
        });
        TOrvoBrowseDir picker;
        picker.CaptionText = "Select Default Local Path";
        picker.InitialDir = root;
        picker.ReadOnly = true;
        picker.Directory = "before";
        EXPECT_EQ(picker.Execute(), ok);
        EXPECT_EQ(picker.Directory, ok ? root : QString());
        EXPECT_EQ(caption, "Select Default Local Path");
        EXPECT_TRUE(readOnly);
    }
}

}  // namespace
