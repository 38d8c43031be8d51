#pragma once

#include "settings/customcommandlist.h"

#include <QDialog>
#include <QKeySequence>
#include <functional>

class IniFile;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// The custom-command window: edits the list of the "Custom Commands" submenu in place and
// writes it to [Commands] on every "&Update" and whenever it closes; the owner rebuilds the
// submenu when it has closed (finished). Shortcuts are Ctrl+Shift and one character, kept
// in upper case; a character whose shortcut another command already has is refused.
class TfrmCustom : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* Caption = "Custom Commands";
    static constexpr const char* AddText = "&Add";
    static constexpr const char* UpdateText = "&Update";

    // `takenBy`: the name of a command of the program that already has a key sequence, or
    // an empty text when none has.
    TfrmCustom(QList<CustomCommand>& commands, IniFile& file, std::function<QString(const QKeySequence&)> takenBy,
               QWidget* parent = nullptr);

    // Ctrl+Shift+key; empty for a character that cannot stand alone as a shortcut.
    static QKeySequence shortcutFor(QChar key);

    QListWidget* CustomList = nullptr;
    QLineEdit* txtCaption = nullptr;
    QLineEdit* txtCommand = nullptr;
    QLineEdit* txtShortcut = nullptr;
    QPlainTextEdit* HelpMemo = nullptr;
    QPushButton* btnAdd = nullptr;  // "&Add" or "&Update"
    QPushButton* btnDelete = nullptr;
    QPushButton* btnExit = nullptr;

    void CustomListClick();
    void btnAddClick();
    void btnDeleteClick();
    // Erases [Commands] and writes the list; false (and the error shown) when that failed.
    bool WriteList();

    void done(int result) override;

private:
    void fillList();
    void clearFields();
    // Why the shortcut field's character cannot be the shortcut of the entry at `row` (-1: a
    // new entry), or an empty text when it can.
    QString shortcutProblem(QChar key, int row) const;

    QList<CustomCommand>& m_commands;
    IniFile& m_file;
    std::function<QString(const QKeySequence&)> m_takenBy;
    bool m_closing = false;
};
