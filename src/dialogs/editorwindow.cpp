#include "dialogs/editorwindow.h"

#include "platform/core/prompt.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QTextBlock>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("OrvoFTP 2.50");

}  // namespace

TfrmEditor::TfrmEditor(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEditor"));
    setWindowTitle(QStringLiteral("Editor"));
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(Memo1);
    buildMenus();
    resize(720, 520);
}

void TfrmEditor::buildMenus()
{
    auto* bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    const auto add = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& keys = {}) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        addAction(action);  // the keys work with the menu closed
        return action;
    };
    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuReUpload = add(mnuFile, "mnuReUpload", QStringLiteral("&Re-Upload"));
    mnuPrint = add(mnuFile, "mnuPrint", QStringLiteral("&Print"));
    mnuFile->addSeparator();
    mnuAbort = add(mnuFile, "mnuAbort", QStringLiteral("&Abort"));
    connect(mnuReUpload, &QAction::triggered, this, &TfrmEditor::mnuReUploadClick);
    connect(mnuPrint, &QAction::triggered, this, &TfrmEditor::mnuPrintClick);
    connect(mnuAbort, &QAction::triggered, this, &QDialog::reject);

    mnuEdit = bar->addMenu(QStringLiteral("&Edit"));
    mnuCut = add(mnuEdit, "mnuCut", QStringLiteral("Cu&t"), QKeySequence::Cut);
    mnuCopy = add(mnuEdit, "mnuCopy", QStringLiteral("&Copy"), QKeySequence::Copy);
    mnuPaste = add(mnuEdit, "mnuPaste", QStringLiteral("&Paste"), QKeySequence::Paste);
    mnuClear = add(mnuEdit, "mnuClear", QStringLiteral("C&lear"), QKeySequence::Delete);
    mnuEdit->addSeparator();
    mnuSelectAll = add(mnuEdit, "mnuSelectAll", QStringLiteral("Select &All"), QKeySequence::SelectAll);
    mnuEdit->addSeparator();
    mnuWordWrap = add(mnuEdit, "mnuWordWrap", QStringLiteral("&Word Wrap"));
    mnuWordWrap->setCheckable(true);
    connect(mnuCut, &QAction::triggered, Memo1, &QPlainTextEdit::cut);
    connect(mnuCopy, &QAction::triggered, Memo1, &QPlainTextEdit::copy);
    connect(mnuPaste, &QAction::triggered, Memo1, &QPlainTextEdit::paste);
    connect(mnuClear, &QAction::triggered, this, [this] { Memo1->textCursor().removeSelectedText(); });
    connect(mnuSelectAll, &QAction::triggered, Memo1, &QPlainTextEdit::selectAll);
    connect(mnuWordWrap, &QAction::toggled, this, &TfrmEditor::mnuWordWrapClick);
    connect(mnuEdit, &QMenu::aboutToShow, this, &TfrmEditor::mnuEditPopup);
    // The keys follow the same rules as the menu.
    connect(Memo1, &QPlainTextEdit::selectionChanged, this, &TfrmEditor::mnuEditPopup);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TfrmEditor::mnuEditPopup);

    mnuSearch = bar->addMenu(QStringLiteral("&Search"));
    mnuFind = add(mnuSearch, "mnuFind", QStringLiteral("&Find"), QKeySequence(Qt::CTRL | Qt::Key_F));
    mnuFindNext = add(mnuSearch, "mnuFindNext", QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3));
    connect(mnuFind, &QAction::triggered, this, &TfrmEditor::mnuFindClick);
    connect(mnuFindNext, &QAction::triggered, this, &TfrmEditor::mnuFindNextClick);
    mnuEditPopup();
}

bool TfrmEditor::LoadFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Unable to read %1: %2").arg(path, file.errorString());
        return false;
    }
    DecodedText decoded = DecodeTextFile(file.readAll());
    m_format = decoded.format;
    Memo1->setPlainText(decoded.text);
    Memo1->document()->setModified(false);
    m_path = path;
    m_saved = false;
    setWindowTitle(QStringLiteral("Editing: ") + QFileInfo(path).fileName());
    return true;
}

// The text as typed. The document's plain text would turn non-breaking spaces into blanks.
QString TfrmEditor::text() const
{
    QString raw = Memo1->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return raw;
}

void TfrmEditor::mnuReUploadClick()
{
    if (m_path.isEmpty())
        return;
    // An unchanged text goes back as the very bytes that came.
    if (Memo1->document()->isModified()) {
        TextFileFormat format = m_format;
        std::optional<QByteArray> bytes = EncodeTextFile(text(), format);
        if (!bytes) {
            const Prompt::Button answer = prompts().messageBox(
                QStringLiteral("The file was written in Latin-1, which cannot hold some of the characters typed.  "
                               "Save it as UTF-8 ?"),
                kCaption, Prompt::Icon::Question, Prompt::Yes | Prompt::No);
            if (answer != Prompt::Yes)
                return;
            format.encoding = TextFileFormat::Encoding::Utf8;
            bytes = EncodeTextFile(text(), format);
        }
        QSaveFile file(m_path);
        if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
            prompts().messageBox(QStringLiteral("Unable to write %1: %2").arg(m_path, file.errorString()), kCaption,
                                 Prompt::Icon::Error, Prompt::Ok);
            return;
        }
        m_format = format;
        Memo1->document()->setModified(false);
    }
    m_saved = true;
    QDialog::done(Accepted);
}

void TfrmEditor::done(int result)
{
    if (result != Accepted && !m_saved
        && prompts().messageBox(QStringLiteral("Are you sure you want to abort ?"), kCaption, Prompt::Icon::Question,
                                Prompt::Yes | Prompt::No)
               != Prompt::Yes)
        return;
    QDialog::done(result);
}

void TfrmEditor::mnuPrintClick()
{
    QPrinter printer;
    const bool chosen = ChoosePrinter ? ChoosePrinter(printer, this) : [&] {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    }();
    if (chosen)
        Memo1->print(&printer);
}

void TfrmEditor::mnuWordWrapClick(bool wrap)
{
    mnuWordWrap->setChecked(wrap);
    Memo1->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

void TfrmEditor::mnuEditPopup()
{
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    mnuPaste->setEnabled(clip && clip->hasText() && !clip->text().isEmpty());
    const bool selection = Memo1->textCursor().hasSelection();
    mnuCut->setEnabled(selection);
    mnuCopy->setEnabled(selection);
    mnuClear->setEnabled(selection);
}

void TfrmEditor::mnuFindClick()
{
    const std::optional<QString> typed = prompts().inputBox(QStringLiteral("Find"), QStringLiteral("Find what:"), m_findText);
    if (!typed || typed->isEmpty())
        return;
    m_findText = *typed;
    findFrom(0);
}

void TfrmEditor::mnuFindNextClick()
{
    if (m_findText.isEmpty()) {
        mnuFindClick();
        return;
    }
    findFrom(Memo1->textCursor().selectionStart() + 1);
}

void TfrmEditor::findFrom(qsizetype from)
{
    const qsizetype at = text().indexOf(m_findText, from, Qt::CaseInsensitive);
    if (at < 0) {
        prompts().messageBox(QStringLiteral("Text Not found"), kCaption, Prompt::Icon::Information, Prompt::Ok);
        return;
    }
    QTextCursor cursor = Memo1->textCursor();
    cursor.setPosition(int(at));
    cursor.setPosition(int(at + m_findText.size()), QTextCursor::KeepAnchor);
    Memo1->setTextCursor(cursor);
    raise();
    activateWindow();
    Memo1->setFocus();
}

TfrmEditor* TfrmEditor::open(QWidget* parent, const QString& path, std::function<void(bool reupload)> closed)
{
    auto* editor = new TfrmEditor(parent);
    editor->setAttribute(Qt::WA_DeleteOnClose);
    QString error;
    if (!editor->LoadFile(path, &error)) {
        delete editor;
        prompts().messageBox(error, kCaption, Prompt::Icon::Error, Prompt::Ok);
        closed(false);
        return nullptr;
    }
    connect(editor, &QDialog::finished, editor, [closed = std::move(closed)](int result) {
        closed(result == QDialog::Accepted);
    });
    editor->setWindowModality(Qt::WindowModal);
    editor->show();
    return editor;
}
