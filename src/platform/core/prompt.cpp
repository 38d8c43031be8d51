#include "platform/core/prompt.h"

namespace {

Prompt* installed = nullptr;
Prompt* fallback = nullptr;

// Nobody to ask: every question is dismissed, so nothing is overwritten or deleted on a
// guess, and every input box is cancelled.
class HeadlessPrompt final : public Prompt
{
public:
    Button messageBox(const QString&, const QString&, Icon, Buttons buttons) override { return dismissButton(buttons); }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&, bool) override { return {}; }
    std::optional<std::pair<QString, QString>> loginBox(const QString&, const QString&) override { return {}; }
    std::optional<QString> openFile(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFile(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> pickFolder(const QString&, const QString&) override { return {}; }
};

}  // namespace

Prompt::Button Prompt::dismissButton(Buttons buttons)
{
    if (buttons & Cancel)
        return Cancel;
    if (buttons & No)
        return No;
    if (buttons & Abort)
        return Abort;
    return Ok;
}

FileConflictAnswer Prompt::fileExists(const FileConflict&)
{
    return FileConflictAnswer::of(FileConflictAnswer::Choice::Cancel);
}

Prompt& prompts()
{
    if (installed)
        return *installed;
    if (fallback)
        return *fallback;
    static HeadlessPrompt headless;
    return headless;
}

void setPrompt(Prompt* prompt)
{
    installed = prompt;
}

void setDefaultPrompt(Prompt* prompt)
{
    fallback = prompt;
}
