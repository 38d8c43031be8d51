#pragma once

#include "platform/core/prompt.h"

#include <functional>

class QWidget;

// The interactive prompt: Qt's standard dialogs, parented to the active window.
class QtPrompt : public Prompt
{
public:
    Button messageBox(const QString& text, const QString& caption, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& defaultText,
                                    bool masked) override;
    std::optional<std::pair<QString, QString>> loginBox(const QString& caption, const QString& user) override;
    std::optional<QString> openFile(const QString& caption, const QString& directory,
                                    const QString& filter) override;
    std::optional<QString> saveFile(const QString& caption, const QString& fileName,
                                    const QString& filter) override;
    std::optional<QString> pickFolder(const QString& caption, const QString& startDirectory) override;
    std::optional<ChosenFile> openFileOfType(const QString& caption, const QString& directory,
                                             const QString& filter) override;
    std::optional<FontChoice> chooseFont(const QString& caption, const FontChoice& current) override;
    CertificateAnswer certificateBox(const CertificateQuestion& question) override;

    // "Text files (*.txt)|*.txt|All files|*" -> "Text files (*.txt);;All files (*)"
    static QString toQtFilter(const QString& filter);

    // The program's own folder picker lives above this layer; whoever assembles the program
    // installs it here (Qt's folder dialog answers without one). Empty: cancelled.
    using FolderPicker = std::function<std::optional<QString>(const QString& caption, const QString& startDirectory)>;
    static void setFolderPicker(FolderPicker picker);

    // The "File Exists" window lives with the program's dialogs; whoever assembles the program
    // installs it here. Without one the question cancels, as a dismissed window does.
    using FileExistsWindow = std::function<FileConflictAnswer(const FileConflict& conflict)>;
    static void setFileExistsWindow(FileExistsWindow window);
    FileConflictAnswer fileExists(const FileConflict& conflict) override;
};

// Makes the Qt dialogs the program's prompt (the core layer alone answers nothing).
void installQtPrompt();
