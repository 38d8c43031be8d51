#include "platform/core/scriptedprompt.h"

ScriptedPrompt::ScriptedPrompt()
{
    setPrompt(this);
}

ScriptedPrompt::~ScriptedPrompt()
{
    if (&prompts() == this)
        setPrompt(nullptr);
}

void ScriptedPrompt::clear()
{
    m_answers.clear();
    m_asked.clear();
    m_certificates.clear();
    m_conflicts.clear();
    m_unanswered = 0;
}

Prompt::Button ScriptedPrompt::messageBox(const QString& text, const QString& caption, Icon icon, Buttons buttons)
{
    m_asked.push_back({Kind::MessageBox, caption, text, {}, {}, icon, buttons, false});
    if (m_answers.empty()) {
        ++m_unanswered;
        return dismissButton(buttons);
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    if (const auto* button = std::get_if<Button>(&answer))
        return *button;
    // A text answer to a message box is a scripting mistake; treat it as dismissal.
    ++m_unanswered;
    return dismissButton(buttons);
}

std::optional<QString> ScriptedPrompt::nextText()
{
    if (m_answers.empty()) {
        ++m_unanswered;
        return std::nullopt;
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    if (const auto* text = std::get_if<std::optional<QString>>(&answer))
        return *text;
    ++m_unanswered;
    return std::nullopt;
}

std::optional<QString> ScriptedPrompt::inputBox(const QString& caption, const QString& prompt,
                                                const QString& defaultText, bool masked)
{
    m_asked.push_back({Kind::InputBox, caption, prompt, defaultText, {}, Icon::None, NoButton, masked});
    return nextText();
}

std::optional<std::pair<QString, QString>> ScriptedPrompt::loginBox(const QString& caption, const QString& user)
{
    m_asked.push_back({Kind::LoginBox, caption, {}, user, {}});
    if (m_answers.empty()) {
        ++m_unanswered;
        return std::nullopt;
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    if (const auto* login = std::get_if<std::pair<QString, QString>>(&answer))
        return *login;
    const auto* text = std::get_if<std::optional<QString>>(&answer);
    if (!text || text->has_value())
        ++m_unanswered;  // anything but answerCancel() is a scripting mistake here
    return std::nullopt;
}

std::optional<QString> ScriptedPrompt::openFile(const QString& caption, const QString& directory,
                                                const QString& filter)
{
    m_asked.push_back({Kind::OpenFile, caption, {}, directory, filter});
    return nextText();
}

std::optional<Prompt::ChosenFile> ScriptedPrompt::openFileOfType(const QString& caption, const QString& directory,
                                                                 const QString& filter)
{
    if (!m_answers.empty()) {
        if (const auto* chosen = std::get_if<ChosenFile>(&m_answers.front())) {
            const ChosenFile answer = *chosen;
            m_answers.pop_front();
            m_asked.push_back({Kind::OpenFile, caption, {}, directory, filter});
            return answer;
        }
    }
    return Prompt::openFileOfType(caption, directory, filter);
}

std::optional<QString> ScriptedPrompt::saveFile(const QString& caption, const QString& fileName,
                                                const QString& filter)
{
    m_asked.push_back({Kind::SaveFile, caption, {}, fileName, filter});
    return nextText();
}

std::optional<QString> ScriptedPrompt::pickFolder(const QString& caption, const QString& startDirectory)
{
    m_asked.push_back({Kind::PickFolder, caption, {}, startDirectory, {}});
    return nextText();
}

std::optional<Prompt::FontChoice> ScriptedPrompt::chooseFont(const QString& caption, const FontChoice& current)
{
    m_asked.push_back({Kind::ChooseFont, caption, {}, current.family, {}, Icon::None, NoButton, false, current.pointSize});
    if (m_answers.empty()) {
        ++m_unanswered;
        return std::nullopt;
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    if (const auto* font = std::get_if<FontChoice>(&answer))
        return *font;
    const auto* text = std::get_if<std::optional<QString>>(&answer);
    if (!text || text->has_value())
        ++m_unanswered;  // anything but answerCancel() is a scripting mistake here
    return std::nullopt;
}

Prompt::CertificateAnswer ScriptedPrompt::certificateBox(const CertificateQuestion& question)
{
    m_asked.push_back({Kind::Certificate, certificateCaption(), certificateText(question), {}, {}, Icon::Warning,
                       NoButton, false});
    m_certificates.push_back(question);
    if (!m_answers.empty()) {
        const Answer answer = m_answers.front();
        m_answers.pop_front();
        if (const auto* choice = std::get_if<CertificateAnswer>(&answer))
            return *choice;
    }
    ++m_unanswered;
    return CertificateAnswer::Cancel;
}

FileConflictAnswer ScriptedPrompt::fileExists(const FileConflict& conflict)
{
    m_asked.push_back({Kind::FileExists, QStringLiteral("File Exists"), conflict.duplicate, conflict.renameText, {},
                       Icon::None, NoButton, false});
    m_conflicts.push_back(conflict);
    const auto dismissed = FileConflictAnswer::of(FileConflictAnswer::Choice::Cancel);
    if (m_answers.empty()) {
        ++m_unanswered;
        return dismissed;
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    if (const auto* chosen = std::get_if<FileConflictAnswer>(&answer))
        return *chosen;
    ++m_unanswered;
    return dismissed;
}
