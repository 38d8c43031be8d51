#pragma once

#include "platform/core/prompt.h"

#include <QDialog>

class QLabel;
class QPushButton;

// "File Exists": the target of a transfer exists. Three labels say which file and what both
// sides hold; seven buttons say what to do. "R&ename" asks for a new name first, and the
// window stays open when that question is cancelled.
class TfrmResume : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmResume(const FileConflict& conflict, QWidget* parent = nullptr);

    QLabel* lblDuplicate = nullptr;
    QLabel* lblTop = nullptr;
    QLabel* lblBottom = nullptr;
    QPushButton* btnOverwrite = nullptr;
    QPushButton* btnResume = nullptr;
    QPushButton* btnRename = nullptr;
    QPushButton* btnSkip = nullptr;
    QPushButton* btnSkipAll = nullptr;
    QPushButton* btnOverwriteAll = nullptr;
    QPushButton* btnCancel = nullptr;

    // What was chosen; Cancel until a button closes the window (closing it is Cancel too).
    const FileConflictAnswer& Answer() const { return m_answer; }
    void btnRenameClick();

    // Shows the window modally, centred on the active window: the prompt interface's
    // "File Exists" question in the program.
    static FileConflictAnswer ask(const FileConflict& conflict);

private:
    QPushButton* addButton(const QString& name, const QString& text, FileConflictAnswer::Choice choice);
    void choose(FileConflictAnswer::Choice choice);

    FileConflict m_conflict;
    FileConflictAnswer m_answer;
};
