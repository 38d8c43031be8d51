#include "dialogs/resumedialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrmResume::TfrmResume(const FileConflict& conflict, QWidget* parent)
    : QDialog(parent)
    , m_conflict(conflict)
{
    setObjectName(QStringLiteral("frmResume"));
    setWindowTitle(QStringLiteral("File Exists"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    for (auto [label, text, name] : {std::tuple{&lblDuplicate, conflict.duplicate, "lblDuplicate"},
                                     std::tuple{&lblTop, conflict.top, "lblTop"},
                                     std::tuple{&lblBottom, conflict.bottom, "lblBottom"}}) {
        *label = new QLabel(text, this);
        (*label)->setObjectName(QString::fromLatin1(name));
        (*label)->setTextFormat(Qt::PlainText);  // file names are no markup
        layout->addWidget(*label);
    }
    lblDuplicate->setWordWrap(true);
    using Choice = FileConflictAnswer::Choice;
    auto* buttons = new QGridLayout;
    btnOverwrite = addButton(QStringLiteral("btnOverwrite"), QStringLiteral("&Overwrite"), Choice::Overwrite);
    btnResume = addButton(QStringLiteral("btnResume"), QStringLiteral("&Resume"), Choice::Resume);
    btnRename = new QPushButton(QStringLiteral("R&ename"), this);
    btnRename->setObjectName(QStringLiteral("btnRename"));
    connect(btnRename, &QPushButton::clicked, this, &TfrmResume::btnRenameClick);
    btnSkip = addButton(QStringLiteral("btnSkip"), QStringLiteral("&Skip"), Choice::Skip);
    btnSkipAll = addButton(QStringLiteral("btnSkipAll"), QStringLiteral("&Skip All"), Choice::SkipAll);
    btnOverwriteAll = addButton(QStringLiteral("btnOverwriteAll"), QStringLiteral("&Overwrite All"), Choice::OverwriteAll);
    btnCancel = addButton(QStringLiteral("btnCancel"), QStringLiteral("&Cancel"), Choice::Cancel);
    const QPushButton* order[] = {btnOverwrite, btnResume, btnRename, btnSkip, btnSkipAll, btnOverwriteAll, btnCancel};
    for (int i = 0; i < 7; ++i)
        buttons->addWidget(const_cast<QPushButton*>(order[i]), i / 4, i % 4);
    layout->addLayout(buttons);
    btnOverwrite->setDefault(true);
    btnOverwrite->setFocus();
    btnResume->setEnabled(conflict.resumeEnabled);
    setMinimumWidth(420);
}

QPushButton* TfrmResume::addButton(const QString& name, const QString& text, FileConflictAnswer::Choice choice)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, choice] { choose(choice); });
    return button;
}

void TfrmResume::choose(FileConflictAnswer::Choice choice)
{
    m_answer = FileConflictAnswer::of(choice);
    if (choice == FileConflictAnswer::Choice::Cancel)
        reject();
    else
        accept();
}

void TfrmResume::btnRenameClick()
{
    const auto name = prompts().inputBox(QStringLiteral("New name"), QStringLiteral("Enter a new filename"), m_conflict.renameText);
    if (!name || name->isEmpty())
        return;  // the question was cancelled: the window stays
    m_answer = FileConflictAnswer::of(FileConflictAnswer::Choice::Rename, *name);
    accept();
}

FileConflictAnswer TfrmResume::ask(const FileConflict& conflict)
{
    TfrmResume window(conflict, QApplication::activeWindow());
    window.exec();
    return window.Answer();
}
