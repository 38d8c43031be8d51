#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// The "File Exists" question of a transfer: the target of a download or an upload exists.
// The texts are made by the batch; the window only shows them.
struct FileConflict
{
    bool upload = false;
    QString duplicate;   // "Duplicate local file: /home/me/a.txt"
    QString top;         // "Remote file: 1,234 bytes, 3/7/25 9:05" (the source)
    QString bottom;      // "Local file: 1,000 bytes, 3/7/25 9:01" (the existing target)
    QString renameText;  // what "R&ename" offers: the local path (download), the remote name (upload)
    bool resumeEnabled = false;  // "&Resume" can be chosen

    bool operator==(const FileConflict&) const = default;
};

struct FileConflictAnswer
{
    enum class Choice { Overwrite, Resume, Rename, Skip, SkipAll, OverwriteAll, Cancel };
    Choice choice = Choice::Cancel;
    QString newName;  // Rename: the name typed

    static FileConflictAnswer of(Choice choice, const QString& newName = {}) { return {choice, newName}; }
};

// Every message box, question, input box and file or folder dialog of the program goes
// through this interface, so that tests can answer them (see ScriptedPrompt).
class Prompt
{
public:
    enum class Icon { None, Information, Warning, Question, Error };

    enum Button : int {
        NoButton = 0,
        Ok = 0x1,
        Cancel = 0x2,
        Yes = 0x4,
        No = 0x8,
        Abort = 0x10,
        Retry = 0x20,
        Ignore = 0x40,
        YesToAll = 0x80,
        NoToAll = 0x100,
    };
    using Buttons = int;

    virtual ~Prompt() = default;

    // Returns the button chosen; closing the box counts as the "negative" button offered
    // (Cancel, else No, else Ok).
    virtual Button messageBox(const QString& text, const QString& caption, Icon icon, Buttons buttons) = 0;

    // Empty optional when the user cancelled.
    virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                            const QString& defaultText, bool masked = false) = 0;

    // The "Enter Password" window: user name (pre-filled) and masked password, OK/Cancel.
    // Empty optional when cancelled; otherwise the user name and the password.
    virtual std::optional<std::pair<QString, QString>> loginBox(const QString& caption, const QString& user) = 0;

    // `filter` uses the program's "Description|pattern|Description|pattern" form.
    virtual std::optional<QString> openFile(const QString& caption, const QString& directory,
                                            const QString& filter) = 0;
    virtual std::optional<QString> saveFile(const QString& caption, const QString& fileName,
                                            const QString& filter) = 0;
    virtual std::optional<QString> pickFolder(const QString& caption, const QString& startDirectory) = 0;

    // The "File Exists" window. A dismissed window (and a prompt that cannot ask) cancels
    // the batch: nothing is overwritten on a guess.
    virtual FileConflictAnswer fileExists(const FileConflict& conflict);

    // The button a dismissed box stands for.
    static Button dismissButton(Buttons buttons);
};

// The prompt the program uses: the one installed with setPrompt (tests install a
// ScriptedPrompt), else the default (the window installs the Qt dialogs), else a prompt
// that asks nobody and answers every question as if it were dismissed (headless runs).
Prompt& prompts();
// Not owning; nullptr falls back to the default.
void setPrompt(Prompt* prompt);
// Not owning; nullptr leaves the headless prompt.
void setDefaultPrompt(Prompt* prompt);
