#include "session/customcommands.h"

#include "engine/ftp.h"
#include "platform/core/prompt.h"
#include "session/sessioncontroller.h"

#include <algorithm>
#include <vector>

namespace {

const QString ArgumentToken = QStringLiteral("%d");
const QString NameToken = QStringLiteral("%f");

// The template with the first "%d" and the first "%f" replaced, in one pass: whatever the
// replacements hold is not looked at again.
QString substitute(const QString& command, const QString& argument, const QString& name)
{
    struct Token {
        qsizetype at;
        const QString* text;
    };
    std::vector<Token> tokens;
    for (const auto& [token, text] : {std::pair{&ArgumentToken, &argument}, std::pair{&NameToken, &name}}) {
        const qsizetype at = command.indexOf(*token);
        if (at >= 0)
            tokens.push_back({at, text});
    }
    std::sort(tokens.begin(), tokens.end(), [](const Token& a, const Token& b) { return a.at < b.at; });
    QString result;
    qsizetype from = 0;
    for (const Token& token : tokens) {  // two tokens never overlap
        result += command.mid(from, token.at - from) + *token.text;
        from = token.at + 2;
    }
    return result + command.mid(from);
}

}  // namespace

CustomCommandRunner::CustomCommandRunner(SessionController& session, QObject* parent)
    : QObject(parent)
    , m_session(session)
{
    connect(&session, &SessionController::rawCommandDone, this, [this] {
        if (m_running && m_session.State() == SessionState::CustomCommand)
            sendNext();
    });
    connect(&session, &SessionController::stateChanged, this, &CustomCommandRunner::stateChanged);
}

QStringList CustomCommandRunner::Expand(const QString& command, const QString& argument, const QStringList& names)
{
    QStringList commands;
    if (!command.contains(NameToken)) {
        commands << substitute(command, argument, QString());
    } else {
        for (const QString& name : names) {
            if (name != QLatin1String(".."))
                commands << substitute(command, argument, name);
        }
    }
    // A command that came out empty (only "%d", answered with nothing) is not sent.
    commands.removeIf([](const QString& text) { return text.trimmed().isEmpty(); });
    return commands;
}

bool CustomCommandRunner::Run(const QString& command, const QStringList& selectedNames)
{
    if (m_running || m_session.State() != SessionState::Idle || command.trimmed().isEmpty())
        return false;
    QString argument;
    if (command.contains(ArgumentToken)) {
        const std::optional<QString> answer =
            prompts().inputBox(QString::fromLatin1(PromptCaption), QString::fromLatin1(PromptText), QString());
        if (!answer)
            return false;  // cancelled: nothing is sent
        argument = *answer;
        // The prompt let events run: the session may be busy or gone by now.
        if (m_session.State() != SessionState::Idle)
            return false;
    }
    m_pending = Expand(command, argument, selectedNames);
    if (m_pending.isEmpty())
        return false;
    m_running = true;
    m_session.EnterBusy();
    m_session.SetState(SessionState::CustomCommand);
    sendNext();
    return true;
}

void CustomCommandRunner::sendNext()
{
    while (m_running && !m_pending.isEmpty()) {
        m_session.Ftp().SendRaw(m_pending.takeFirst());
        // Sent: the answer comes back through rawCommandDone. Not sent (a name with a line
        // break is refused and logged by the engine): on with the next one.
        if (m_session.Ftp().Busy())
            return;
    }
    if (!m_running)
        return;  // the session left the run (disconnected, aborted) while sending
    m_running = false;
    m_session.EnterReady();
}

void CustomCommandRunner::stateChanged(SessionState state)
{
    if (m_running && state != SessionState::CustomCommand) {
        m_running = false;
        m_pending.clear();
    }
}
