#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// A server certificate that could not be verified (an unknown issuer, another name, out of
// date), as the user is asked about it.
struct CertificateQuestion {
    QString host;
    quint16 port = 0;
    QString subject;
    QString issuer;
    QDateTime notBefore;
    QDateTime notAfter;
    QString sha256;   // 64 hexadecimal digits
    QString problem;  // why it failed the check
    bool changed = false;  // another certificate was trusted always for this host and port
};

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

    // An open-file window whose chosen filter decides what is done with the file: the file
    // and the index of that filter in `filter` (0 for the first). This default asks
    // openFile() and takes the first filter whose patterns match the file's name.
    struct ChosenFile {
        QString file;
        int filterIndex = 0;
        bool operator==(const ChosenFile&) const = default;
    };
    virtual std::optional<ChosenFile> openFileOfType(const QString& caption, const QString& directory,
                                                     const QString& filter);
    // The index of the first filter whose patterns (";" between them) match the name of
    // `file` ignoring case; 0 when none does.
    static int matchingFilter(const QString& filter, const QString& file);
    // A font by family and point size (the core layer knows no QFont). Empty optional when
    // cancelled; a prompt that cannot show fonts answers as cancelled.
    struct FontChoice {
        QString family;
        int pointSize = 0;
        bool operator==(const FontChoice&) const = default;
    };
    virtual std::optional<FontChoice> chooseFont(const QString& caption, const FontChoice& current);
    // "Trust once", "Always trust" or "Cancel" for a certificate; closing the box cancels.
    // Without an implementation nobody is asked and the answer is Cancel.
    enum class CertificateAnswer { TrustOnce, AlwaysTrust, Cancel };
    virtual CertificateAnswer certificateBox(const CertificateQuestion& question);
    static QString certificateCaption() { return QStringLiteral("Untrusted Certificate"); }
    // The box's text: what is wrong, then subject, issuer, validity and fingerprint.
    static QString certificateText(const CertificateQuestion& question);
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
