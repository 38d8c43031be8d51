#pragma once

#include "fileops/edittext.h"

#include <QDialog>
#include <functional>

class QAction;
class QMenu;
class QPlainTextEdit;
class QPrinter;

// The built-in editor ("Editor" until a file is loaded, then "Editing: " and its name): one
// plain-text area in a fixed-width font, and menus to send the file back ("&Re-Upload"),
// print, abort, work with the clipboard, wrap lines and find text.
//
// "&Re-Upload" writes the text back to the file it came from, in the file's own encoding and
// line ends (nothing is written when the text was not changed), and closes the window with
// Accepted. "&Abort", Escape or closing the window asks "Are you sure you want to abort ?"
// unless the text was written; No keeps the window open, Yes closes it with Rejected and
// leaves the file as it was.
class TfrmEditor : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmEditor(QWidget* parent = nullptr);

    // Reads `path` into the text area. False, with the reason in `error`, when it cannot be
    // read; the window then holds nothing.
    bool LoadFile(const QString& path, QString* error = nullptr);
    const QString& FileName() const { return m_path; }
    bool Saved() const { return m_saved; }
    const TextFileFormat& Format() const { return m_format; }

    QPlainTextEdit* Memo1 = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuSearch = nullptr;
    QAction* mnuReUpload = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuAbort = nullptr;
    QAction* mnuCut = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuPaste = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuSelectAll = nullptr;
    QAction* mnuWordWrap = nullptr;
    QAction* mnuFind = nullptr;
    QAction* mnuFindNext = nullptr;

    // Sets `printer` up for "&Print"; false when the user cancelled. The system's print
    // dialog unless set (tests print to a PDF file).
    std::function<bool(QPrinter& printer, QWidget* parent)> ChoosePrinter;

    void mnuReUploadClick();
    void mnuPrintClick();
    void mnuWordWrapClick(bool wrap);
    void mnuFindClick();
    void mnuFindNextClick();
    // What the "&Edit" menu offers now: Paste with text on the clipboard, Cut, Copy and Clear
    // with a selection.
    void mnuEditPopup();

    // Opens an editor on `path` as a window of `parent` (blocking only that window) and calls
    // `closed` exactly once when it closes: true after "&Re-Upload". A file that cannot be read
    // is reported and counts as closed without it (nullptr is returned then).
    static TfrmEditor* open(QWidget* parent, const QString& path, std::function<void(bool reupload)> closed);

    void done(int result) override;

private:
    void buildMenus();
    void findFrom(qsizetype from);
    QString text() const;

    QString m_path;
    TextFileFormat m_format;
    bool m_saved = false;
    QString m_findText;
};
