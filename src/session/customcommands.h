#pragma once

#include "session/sessionstate.h"

#include <QObject>
#include <QStringList>

class SessionController;

// Runs the user's custom commands (the "Custom Commands" submenu) on a session: "%d" stands
// for an argument asked through the prompt interface ("Enter Argument"), "%f" for the name
// of each selected remote entry, one command per entry. Every run is one activity in state
// CustomCommand: the first command is sent at once, each further one when the server has
// answered the one before (rawCommandDone), and the session becomes ready after the last.
class CustomCommandRunner : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* PromptCaption = "Custom Command";
    static constexpr const char* PromptText = "Enter Argument";

    explicit CustomCommandRunner(SessionController& session, QObject* parent = nullptr);

    // Runs `command` with `selectedNames` (the remote view's selection in list order; ".."
    // is skipped). Only when the session is idle: a command sent during a transfer or a
    // listing would break it. Cancelling the argument prompt, an empty command and a "%f"
    // command without a selected entry send nothing. True when a command was sent.
    bool Run(const QString& command, const QStringList& selectedNames);

    // The commands a run sends, by the template alone: "%d" and "%f" are replaced in one
    // pass over the template (only their first occurrences), so an argument or a name that
    // holds "%f" or "%d" stays as it is. A template without "%f" gives one command.
    static QStringList Expand(const QString& command, const QString& argument, const QStringList& names);

    bool Running() const { return m_running; }
    const QStringList& Pending() const { return m_pending; }

private:
    void sendNext();
    void stateChanged(SessionState state);

    SessionController& m_session;
    QStringList m_pending;
    bool m_running = false;
};
