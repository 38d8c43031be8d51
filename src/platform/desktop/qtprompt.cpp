#include "platform/desktop/qtprompt.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QtPrompt::FolderPicker& folderPicker()
{
    static QtPrompt::FolderPicker picker;
    return picker;
}

QtPrompt::FileExistsWindow& fileExistsWindow()
{
    static QtPrompt::FileExistsWindow window;
    return window;
}

QWidget* parentWindow()
{
    return QApplication::activeWindow();
}

QMessageBox::Icon toQtIcon(Prompt::Icon icon)
{
    switch (icon) {
    case Prompt::Icon::Information: return QMessageBox::Information;
    case Prompt::Icon::Warning: return QMessageBox::Warning;
    case Prompt::Icon::Question: return QMessageBox::Question;
    case Prompt::Icon::Error: return QMessageBox::Critical;
    case Prompt::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonPair {
    Prompt::Button ours;
    QMessageBox::StandardButton qt;
};

constexpr ButtonPair kButtons[] = {
    {Prompt::Yes, QMessageBox::Yes},           {Prompt::YesToAll, QMessageBox::YesToAll},
    {Prompt::No, QMessageBox::No},             {Prompt::NoToAll, QMessageBox::NoToAll},
    {Prompt::Ok, QMessageBox::Ok},             {Prompt::Cancel, QMessageBox::Cancel},
    {Prompt::Abort, QMessageBox::Abort},       {Prompt::Retry, QMessageBox::Retry},
    {Prompt::Ignore, QMessageBox::Ignore},
};

}  // namespace

Prompt::Button QtPrompt::messageBox(const QString& text, const QString& caption, Icon icon, Buttons buttons)
{
    if (buttons == NoButton)
        buttons = Ok;
    QMessageBox box(toQtIcon(icon), caption, text, QMessageBox::NoButton, parentWindow());
    // Texts carry server replies and path names; "<b>" in a file name is not markup.
    box.setTextFormat(Qt::PlainText);
    for (const auto& pair : kButtons) {
        if (buttons & pair.ours)
            box.addButton(pair.qt);
    }
    const auto escape = dismissButton(buttons);
    for (const auto& pair : kButtons) {
        if (pair.ours == escape)
            box.setEscapeButton(pair.qt);
    }
    const int chosen = box.exec();
    for (const auto& pair : kButtons) {
        if (chosen == pair.qt)
            return pair.ours;
    }
    return escape;
}

std::optional<QString> QtPrompt::inputBox(const QString& caption, const QString& prompt,
                                          const QString& defaultText, bool masked)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parentWindow(), caption, prompt,
                                               masked ? QLineEdit::Password : QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<std::pair<QString, QString>> QtPrompt::loginBox(const QString& caption, const QString& user)
{
    QDialog dialog(parentWindow());
    dialog.setWindowTitle(caption);
    auto* form = new QFormLayout(&dialog);
    auto* userEdit = new QLineEdit(user, &dialog);
    auto* passEdit = new QLineEdit(&dialog);
    passEdit->setEchoMode(QLineEdit::Password);
    auto* userLabel = new QLabel(QStringLiteral("&Username"), &dialog);
    userLabel->setBuddy(userEdit);
    auto* passLabel = new QLabel(QStringLiteral("Pass&word"), &dialog);
    passLabel->setBuddy(passEdit);
    form->addRow(userLabel, userEdit);
    form->addRow(passLabel, passEdit);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Ca&ncel"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    passEdit->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return std::make_pair(userEdit->text(), passEdit->text());
}

std::optional<QString> QtPrompt::openFile(const QString& caption, const QString& directory, const QString& filter)
{
    const QString file = QFileDialog::getOpenFileName(parentWindow(), caption, directory, toQtFilter(filter));
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<Prompt::ChosenFile> QtPrompt::openFileOfType(const QString& caption, const QString& directory,
                                                           const QString& filter)
{
    const QString qtFilter = toQtFilter(filter);
    QString chosenFilter;
    const QString file = QFileDialog::getOpenFileName(parentWindow(), caption, directory, qtFilter, &chosenFilter);
    if (file.isEmpty())
        return std::nullopt;
    const int index = int(qtFilter.split(QStringLiteral(";;")).indexOf(chosenFilter));
    return ChosenFile{file, index >= 0 ? index : matchingFilter(filter, file)};
}

std::optional<QString> QtPrompt::saveFile(const QString& caption, const QString& fileName, const QString& filter)
{
    const QString file = QFileDialog::getSaveFileName(parentWindow(), caption, fileName, toQtFilter(filter));
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

void QtPrompt::setFolderPicker(FolderPicker picker)
{
    folderPicker() = std::move(picker);
}

std::optional<QString> QtPrompt::pickFolder(const QString& caption, const QString& startDirectory)
{
    if (folderPicker())
        return folderPicker()(caption, startDirectory);
    const QString dir = QFileDialog::getExistingDirectory(parentWindow(), caption, startDirectory);
    if (dir.isEmpty())
        return std::nullopt;
    return dir;
}

std::optional<Prompt::FontChoice> QtPrompt::chooseFont(const QString& caption, const FontChoice& current)
{
    QFont start(current.family);
    if (current.pointSize > 0)
        start.setPointSize(current.pointSize);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, start, parentWindow(), caption);
    if (!ok)
        return std::nullopt;
    return FontChoice{chosen.family(), chosen.pointSize()};
}

Prompt::CertificateAnswer QtPrompt::certificateBox(const CertificateQuestion& question)
{
    QMessageBox box(question.changed ? QMessageBox::Critical : QMessageBox::Warning, certificateCaption(),
                    certificateText(question), QMessageBox::NoButton, parentWindow());
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* once = box.addButton(QStringLiteral("Trust &once"), QMessageBox::AcceptRole);
    QPushButton* always = box.addButton(QStringLiteral("&Always trust"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    // Enter must not trust a certificate by accident.
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == once)
        return CertificateAnswer::TrustOnce;
    if (box.clickedButton() == always)
        return CertificateAnswer::AlwaysTrust;
    return CertificateAnswer::Cancel;
}

void QtPrompt::setFileExistsWindow(FileExistsWindow window)
{
    fileExistsWindow() = std::move(window);
}

FileConflictAnswer QtPrompt::fileExists(const FileConflict& conflict)
{
    if (fileExistsWindow())
        return fileExistsWindow()(conflict);
    return Prompt::fileExists(conflict);
}

void installQtPrompt()
{
    static QtPrompt qtPrompt;
    setDefaultPrompt(&qtPrompt);
}

QString QtPrompt::toQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last parenthesis; add them when the description lacks them.
        if (description.contains(QLatin1Char('(')) && description.contains(patterns))
            out << description;
        else
            out << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    if (out.isEmpty() && !filter.isEmpty())
        out << filter;
    return out.join(QStringLiteral(";;"));
}
