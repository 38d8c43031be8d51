#include "dialogs/customcommandwindow.h"

#include "dialogs/formparts.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/inifile.h"
#include "platform/core/prompt.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace FormParts;

TfrmCustom::TfrmCustom(QList<CustomCommand>& commands, IniFile& file,
                       std::function<QString(const QKeySequence&)> takenBy, QWidget* parent)
    : QDialog(parent)
    , m_commands(commands)
    , m_file(file)
    , m_takenBy(std::move(takenBy))
{
    setObjectName(QStringLiteral("frmCustom"));
    setWindowTitle(QString::fromLatin1(Caption));
    auto* grid = new QGridLayout(this);
    CustomList = new QListWidget(this);
    CustomList->setObjectName(QStringLiteral("CustomList"));
    grid->addWidget(CustomList, 0, 0, 2, 1);

    auto* form = new QFormLayout;
    txtCaption = lineEdit("txtCaption", this);
    txtCommand = lineEdit("txtCommand", this);
    txtShortcut = lineEdit("txtShortcut", this);
    txtShortcut->setMaxLength(1);
    txtShortcut->setMaximumWidth(40);
    form->addRow(QStringLiteral("Caption"), txtCaption);
    form->addRow(QStringLiteral("Command"), txtCommand);
    form->addRow(QStringLiteral("Shortcut Ctrl+Shift+"), txtShortcut);
    grid->addLayout(form, 0, 1);
    HelpMemo = new QPlainTextEdit(this);
    HelpMemo->setObjectName(QStringLiteral("HelpMemo"));
    HelpMemo->setReadOnly(true);
    HelpMemo->setPlainText(QStringLiteral("Command Tokens:\n%f - Selected filename \n%d - Dialog text"));
    HelpMemo->setMaximumHeight(70);
    grid->addWidget(HelpMemo, 1, 1);

    auto* buttons = new QHBoxLayout;
    btnAdd = button("btnAdd", QString::fromLatin1(AddText), this);
    btnDelete = button("btnDelete", QStringLiteral("&Delete"), this);
    btnExit = button("btnExit", QStringLiteral("E&xit"), this);
    btnExit->setAutoDefault(true);
    btnExit->setDefault(true);
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnDelete);
    buttons->addStretch(1);
    buttons->addWidget(btnExit);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    for (QLineEdit* field : {txtCaption, txtCommand}) {
        connect(field, &QLineEdit::textChanged, this, [this] {
            btnAdd->setEnabled(!txtCaption->text().isEmpty() && !txtCommand->text().isEmpty());
        });
    }
    // A lower-case letter would be the key code of another key: shortcuts are upper case.
    connect(txtShortcut, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text != text.toUpper())
            txtShortcut->setText(text.toUpper());
    });
    connect(CustomList, &QListWidget::itemClicked, this, &TfrmCustom::CustomListClick);
    connect(btnAdd, &QPushButton::clicked, this, &TfrmCustom::btnAddClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmCustom::btnDeleteClick);
    connect(btnExit, &QPushButton::clicked, this, &QDialog::accept);

    fillList();
    btnAdd->setEnabled(false);
    btnDelete->setEnabled(false);
    resize(520, 300);
}

QKeySequence TfrmCustom::shortcutFor(QChar key)
{
    if (key.isNull() || key.isSpace() || !key.isPrint())
        return {};
    const QKeySequence sequence(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key(key.toUpper().unicode())));
    // Stored as its text and read back by the last character: that must be the key itself.
    const QString text = sequence.toString(QKeySequence::PortableText);
    if (text.isEmpty() || text.back() != key.toUpper())
        return {};
    return sequence;
}

void TfrmCustom::fillList()
{
    CustomList->clear();
    for (const CustomCommand& command : m_commands)
        CustomList->addItem(command.caption);
}

void TfrmCustom::clearFields()
{
    txtCaption->clear();
    txtCommand->clear();
    txtShortcut->clear();
}

void TfrmCustom::CustomListClick()
{
    const int row = CustomList->currentRow();
    if (row < 0 || row >= m_commands.size())
        return;
    const CustomCommand& command = m_commands[row];
    txtCommand->setText(command.command);
    const QChar key = command.key();
    txtShortcut->setText(key.isNull() ? QString() : QString(key));
    txtCaption->setText(command.caption);
    btnDelete->setEnabled(true);
    btnAdd->setText(QString::fromLatin1(UpdateText));
}

QString TfrmCustom::shortcutProblem(QChar key, int row) const
{
    const QKeySequence sequence = shortcutFor(key);
    if (sequence.isEmpty())
        return QStringLiteral("\"%1\" cannot be a shortcut: use a letter, a digit or a sign.").arg(key);
    const QString text = sequence.toString(QKeySequence::NativeText);
    for (int i = 0; i < m_commands.size(); ++i) {
        if (i != row && m_commands[i].key() == key.toUpper())
            return QStringLiteral("%1 is already the shortcut of \"%2\".").arg(text, m_commands[i].caption);
    }
    const QString other = m_takenBy ? m_takenBy(sequence) : QString();
    if (!other.isEmpty())
        return QStringLiteral("%1 is already the shortcut of \"%2\".").arg(text, other);
    return {};
}

void TfrmCustom::btnAddClick()
{
    const QString caption = txtCaption->text();
    const QString command = txtCommand->text();
    if (caption.isEmpty() || command.isEmpty())
        return;
    const bool updating = btnAdd->text() == QLatin1String(UpdateText);
    const int row = updating ? CustomList->currentRow() : -1;
    if (updating && (row < 0 || row >= m_commands.size()))
        return;
    const QString typed = txtShortcut->text().trimmed();
    QString shortcutText;
    if (!typed.isEmpty()) {
        const QChar key = typed.back().toUpper();
        const QString problem = shortcutProblem(key, row);
        if (!problem.isEmpty()) {
            prompts().messageBox(problem, QString::fromLatin1(Caption), Prompt::Icon::Error, Prompt::Ok);
            return;
        }
        shortcutText = shortcutFor(key).toString(QKeySequence::PortableText);
    }
    if (updating) {
        CustomCommand& entry = m_commands[row];
        entry.caption = caption;
        entry.command = command;
        if (!shortcutText.isEmpty())  // an emptied field leaves the shortcut as it was
            entry.shortcutText = shortcutText;
        WriteList();
        btnAdd->setText(QString::fromLatin1(AddText));
    } else {
        m_commands.append({caption, command, shortcutText});
    }
    clearFields();
    fillList();
    btnDelete->setEnabled(false);
}

void TfrmCustom::btnDeleteClick()
{
    const int row = CustomList->currentRow();
    if (row < 0 || row >= m_commands.size())
        return;
    m_commands.removeAt(row);
    fillList();
    clearFields();
    btnAdd->setText(QString::fromLatin1(AddText));
    btnAdd->setEnabled(false);
    btnDelete->setEnabled(false);
}

bool TfrmCustom::WriteList()
{
    try {
        m_file.edit([this](IniDocument& doc) { writeCustomCommands(doc, m_commands); });
    } catch (const AppError& error) {
        showAppError(error);
        return false;
    }
    return true;
}

void TfrmCustom::done(int result)
{
    // Closing always writes the list, whichever way the window is closed.
    if (!m_closing) {
        m_closing = true;
        WriteList();
    }
    QDialog::done(result);
}
