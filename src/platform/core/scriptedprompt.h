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
    enum class Kind { MessageBox, InputBox, LoginBox, OpenFile, SaveFile, PickFolder, ChooseFont, Certificate, FileExists };

    struct Question {
        Kind kind;
        QString caption;
        QString text;         // message text, input prompt
        QString defaultText;  // input default, start directory, proposed file name, font family
        QString filter;
        Icon icon = Icon::None;
        Buttons buttons = NoButton;
        bool masked = false;
        int pointSize = 0;  // the font offered
    };

    // Installs itself as the program's prompt for its lifetime.
    ScriptedPrompt();
    ~ScriptedPrompt() override;

    void answer(Button button) { m_answers.emplace_back(button); }
    void answer(const QString& text) { m_answers.emplace_back(std::optional<QString>(text)); }
    void answerCancel() { m_answers.emplace_back(std::optional<QString>()); }
    void answerLogin(const QString& user, const QString& password) { m_answers.emplace_back(std::make_pair(user, password)); }
    // An open-file window answered with a file and the filter chosen (openFileOfType); a
    // plain text answer there chooses the filter that matches the file's name.
    void answerFile(const QString& file, int filterIndex) { m_answers.emplace_back(ChosenFile{file, filterIndex}); }
    void answerFont(const QString& family, int pointSize) { m_answers.emplace_back(FontChoice{family, pointSize}); }
    void answerCertificate(CertificateAnswer choice) { m_answers.emplace_back(choice); }
    void answer(FileConflictAnswer::Choice choice, const QString& newName = {})
    {
        m_answers.emplace_back(FileConflictAnswer::of(choice, newName));
    }

    const std::vector<Question>& asked() const { return m_asked; }
    // The certificate questions in full (each also appears in asked() with its text).
    const std::vector<CertificateQuestion>& certificatesAsked() const { return m_certificates; }
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
    std::optional<ChosenFile> openFileOfType(const QString& caption, const QString& directory,
                                             const QString& filter) override;
    std::optional<FontChoice> chooseFont(const QString& caption, const FontChoice& current) override;
    CertificateAnswer certificateBox(const CertificateQuestion& question) override;
    FileConflictAnswer fileExists(const FileConflict& conflict) override;

private:
    using Answer = std::variant<Button, std::optional<QString>, std::pair<QString, QString>, ChosenFile, FontChoice,
                                CertificateAnswer, FileConflictAnswer>;
    std::optional<QString> nextText();

    std::deque<Answer> m_answers;
    std::vector<Question> m_asked;
    std::vector<CertificateQuestion> m_certificates;
    std::vector<FileConflict> m_conflicts;
    int m_unanswered = 0;
};
