#pragma once

#include "platform/core/prompt.h"

#include <deque>
#include <variant>
#include <vector>

// A prompt for tests: records every question and answers from a queue. When the queue is
// empty a question is answered as if the user dismissed it (and counted as unanswered),
// so a test that forgot an answer sees a refusal rather than a hang.
class ScriptedPrompt : public Prompt
{
public:
    enum class Kind { MessageBox, InputBox, LoginBox, OpenFile, SaveFile, PickFolder, FileExists };

    struct Question {
        Kind kind;
        QString caption;
        QString text;         // message text, input prompt
        QString defaultText;  // input default, start directory, proposed file name
        QString filter;
        Icon icon = Icon::None;
        Buttons buttons = NoButton;
        bool masked = false;
    };

    // Installs itself as the program's prompt for its lifetime.
    ScriptedPrompt();
    ~ScriptedPrompt() override;

    void answer(Button button) { m_answers.emplace_back(button); }
    void answer(const QString& text) { m_answers.emplace_back(std::optional<QString>(text)); }
    void answerCancel() { m_answers.emplace_back(std::optional<QString>()); }
    void answerLogin(const QString& user, const QString& password) { m_answers.emplace_back(std::make_pair(user, password)); }
    void answer(FileConflictAnswer::Choice choice, const QString& newName = {})
    {
        m_answers.emplace_back(FileConflictAnswer::of(choice, newName));
    }

    const std::vector<Question>& asked() const { return m_asked; }
    // What each "File Exists" question showed, in order.
    const std::vector<FileConflict>& conflicts() const { return m_conflicts; }
    int unanswered() const { return m_unanswered; }
    int pendingAnswers() const { return int(m_answers.size()); }
    void clear();

    Button messageBox(const QString& text, const QString& caption, Icon icon, Buttons buttons) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& defaultText,
                                    bool masked) override;
    std::optional<std::pair<QString, QString>> loginBox(const QString& caption, const QString& user) override;
    std::optional<QString> openFile(const QString& caption, const QString& directory,
                                    const QString& filter) override;
    std::optional<QString> saveFile(const QString& caption, const QString& fileName,
                                    const QString& filter) override;
    std::optional<QString> pickFolder(const QString& caption, const QString& startDirectory) override;
    FileConflictAnswer fileExists(const FileConflict& conflict) override;

private:
    using Answer = std::variant<Button, std::optional<QString>, std::pair<QString, QString>, FileConflictAnswer>;
    std::optional<QString> nextText();

    std::deque<Answer> m_answers;
    std::vector<Question> m_asked;
    std::vector<FileConflict> m_conflicts;
    int m_unanswered = 0;
};
