// The built-in editor: what Re-Upload writes (the file's own encoding and line ends), the
// abort question, the Edit menu's enabling, Word Wrap, Find and Find Next, Print.
#include "dialogs/editorwindow.h"
#include "platform/core/scriptedprompt.h"
#include "testutil.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <gtest/gtest.h>

namespace {

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString fileWith(const QByteArray& bytes, const QString& name = "latin.txt")
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(testutil::writeFile(path, bytes));
        return path;
    }
    static void append(TfrmEditor& editor, const QString& text)
    {
        QTextCursor cursor = editor.Memo1->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
        editor.Memo1->setTextCursor(cursor);
    }
    static void select(TfrmEditor& editor, int from, int to)
    {
        QTextCursor cursor = editor.Memo1->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        editor.Memo1->setTextCursor(cursor);
    }

    QTemporaryDir dir;
    ScriptedPrompt prompt;
};

}  // namespace

// Re-Upload writes the text back as the file was written: unchanged it is the same bytes;
// changed, Latin-1 stays Latin-1 and CR LF stays CR LF; a character Latin-1 cannot hold asks
// first (No keeps the window open and the file as it was, Yes writes UTF-8).
TEST_F(EditorTest, ReUploadKeepsEncodingAndLineEnds)
{
    const QByteArray latin("caf\xe9\r\nna\xefve\xa0text\r\n");
    const struct {
        const char* typed;
        QByteArray expected;
    } cases[] = {
        {"", latin},
        {"\xc3\xa0 la carte\n", latin + "\xe0 la carte\r\n"},
    };
    for (const auto& c : cases) {
        const QString path = fileWith(latin);
        TfrmEditor editor;
        EXPECT_EQ(editor.windowTitle(), "Editor");
        ASSERT_TRUE(editor.LoadFile(path));
        EXPECT_EQ(editor.windowTitle(), "Editing: latin.txt");
        EXPECT_EQ(editor.Memo1->toPlainText().left(4), QString::fromLatin1("caf\xe9"));
        if (*c.typed)
            append(editor, QString::fromUtf8(c.typed));
        editor.show();
        editor.mnuReUpload->trigger();
        EXPECT_EQ(editor.result(), QDialog::Accepted);
        EXPECT_TRUE(editor.Saved());
        EXPECT_EQ(testutil::readFile(path), c.expected) << c.typed;
    }
    EXPECT_EQ(prompt.asked().size(), 0u);

    const QString path = fileWith(latin);
    TfrmEditor editor;
    ASSERT_TRUE(editor.LoadFile(path));
    editor.show();
    append(editor, QString::fromUtf8("5 \xe2\x82\xac\n"));
    prompt.answer(Prompt::No);
    editor.mnuReUpload->trigger();
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(testutil::readFile(path), latin);
    prompt.answer(Prompt::Yes);
    editor.mnuReUpload->trigger();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(testutil::readFile(path), QString::fromLatin1(latin).toUtf8() + "5 \xe2\x82\xac\r\n");
    ASSERT_EQ(prompt.asked().size(), 2u);
    EXPECT_TRUE(prompt.asked()[0].text.contains("Latin-1"));
}

// Abort, Escape and closing the window ask "Are you sure you want to abort ?"; No keeps it
// open, Yes closes it without writing.
TEST_F(EditorTest, AbortAsksAndWritesNothing)
{
    const QByteArray original("keep me\n");
    const QString path = fileWith(original, "readme");
    const std::function<void(TfrmEditor&)> ways[] = {
        [](TfrmEditor& e) { e.mnuAbort->trigger(); },
        [](TfrmEditor& e) { e.close(); },
        [](TfrmEditor& e) { e.reject(); },
    };
    for (const auto& way : ways) {
        prompt.clear();
        TfrmEditor editor;
        ASSERT_TRUE(editor.LoadFile(path));
        editor.show();
        append(editor, "lost");
        prompt.answer(Prompt::No);
        way(editor);
        EXPECT_TRUE(editor.isVisible());
        prompt.answer(Prompt::Yes);
        way(editor);
        EXPECT_FALSE(editor.isVisible());
        EXPECT_EQ(editor.result(), QDialog::Rejected);
        ASSERT_EQ(prompt.asked().size(), 2u);
        EXPECT_EQ(prompt.asked()[0].text, "Are you sure you want to abort ?");
        EXPECT_EQ(prompt.asked()[0].buttons, Prompt::Yes | Prompt::No);
        EXPECT_EQ(testutil::readFile(path), original);
    }
}

// The Edit menu: Paste with text on the clipboard, Cut, Copy and Clear with a selection; the
// commands do what they say. Word Wrap toggles wrapping and the horizontal scroll bar.
TEST_F(EditorTest, EditMenuAndWordWrap)
{
    TfrmEditor editor;
    ASSERT_TRUE(editor.LoadFile(fileWith("alpha beta gamma\n")));
    editor.show();
    QApplication::clipboard()->clear();
    emit editor.mnuEdit->aboutToShow();
    for (QAction* action : {editor.mnuPaste, editor.mnuCut, editor.mnuCopy, editor.mnuClear})
        EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();

    select(editor, 6, 10);  // "beta"
    emit editor.mnuEdit->aboutToShow();
    EXPECT_TRUE(editor.mnuCut->isEnabled() && editor.mnuCopy->isEnabled() && editor.mnuClear->isEnabled());
    editor.mnuCopy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "beta");
    emit editor.mnuEdit->aboutToShow();
    EXPECT_TRUE(editor.mnuPaste->isEnabled());
    editor.mnuClear->trigger();
    EXPECT_EQ(editor.Memo1->toPlainText(), "alpha  gamma\n");
    editor.mnuSelectAll->trigger();
    editor.mnuPaste->trigger();
    EXPECT_EQ(editor.Memo1->toPlainText(), "beta");

    EXPECT_FALSE(editor.mnuWordWrap->isChecked());
    EXPECT_EQ(editor.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    editor.mnuWordWrap->trigger();
    EXPECT_TRUE(editor.mnuWordWrap->isChecked());
    EXPECT_EQ(editor.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(editor.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    editor.mnuWordWrap->trigger();
    EXPECT_EQ(editor.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(editor.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_TRUE(QFontInfo(editor.Memo1->font()).fixedPitch());
}

// Find searches from the start (any case) and selects the hit; Find Next goes on from one
// character after the selection's start; past the last hit it says "Text Not found".
TEST_F(EditorTest, FindAndFindNext)
{
    TfrmEditor editor;
    ASSERT_TRUE(editor.LoadFile(fileWith("One two ONE\nthree one\n")));
    editor.show();
    prompt.answer("one");
    editor.mnuFind->trigger();
    const struct {
        int start;
    } hits[] = {{0}, {8}, {18}};
    for (const auto& hit : hits) {
        EXPECT_EQ(editor.Memo1->textCursor().selectionStart(), hit.start);
        EXPECT_EQ(editor.Memo1->textCursor().selectedText().toLower(), "one");
        if (hit.start != 18)
            editor.mnuFindNext->trigger();
    }
    EXPECT_EQ(prompt.asked().size(), 1u);
    editor.mnuFindNext->trigger();
    ASSERT_EQ(prompt.asked().size(), 2u);
    EXPECT_EQ(prompt.asked()[1].text, "Text Not found");
    EXPECT_EQ(editor.Memo1->textCursor().selectionStart(), 18);  // the selection stays

    prompt.answer("absent");
    editor.mnuFind->trigger();
    ASSERT_EQ(prompt.asked().size(), 4u);
    EXPECT_EQ(prompt.asked()[3].text, "Text Not found");
}

// Print sends the text to the printer the user chose (a PDF file here); cancelled, nothing.
TEST_F(EditorTest, PrintGoesToTheChosenPrinter)
{
    TfrmEditor editor;
    ASSERT_TRUE(editor.LoadFile(fileWith("printed line\n")));
    const QString pdf = dir.filePath("out.pdf");
    bool accept = false;
    editor.ChoosePrinter = [&](QPrinter& printer, QWidget*) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return accept;
    };
    editor.mnuPrint->trigger();
    EXPECT_FALSE(QFileInfo::exists(pdf));
    accept = true;
    editor.mnuPrint->trigger();
    EXPECT_TRUE(testutil::readFile(pdf).startsWith("%PDF"));
}

// A file that cannot be read is reported and counts as closed without Re-Upload.
TEST_F(EditorTest, AnUnreadableFileOpensNoEditor)
{
    int calls = 0;
    bool reupload = true;
    EXPECT_EQ(TfrmEditor::open(nullptr, dir.filePath("missing.txt"), [&](bool r) {
        ++calls;
        reupload = r;
    }), nullptr);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(reupload);
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_TRUE(prompt.asked()[0].text.startsWith("Unable to read"));
}
