#pragma once

#include <QString>
#include <deque>
#include <functional>

// Commands that arrive while the program cannot take them yet (a modal dialog is open, a
// script or another command runs) wait here and run in arrival order. ABORT, STATUS, PATH
// and DDECLOSE act at once, ahead of whatever waits.
//
// The owner says when a command can run (canRunNow) and calls Poll whenever that may have
// changed (a dialog closed, the runner's readyForCommands).
class PokeQueue
{
public:
    enum class Origin { Poke, Typed };
    using CanRun = std::function<bool()>;
    using Run = std::function<void(const QString& text, Origin origin)>;

    PokeQueue(CanRun canRunNow, Run run);

    // A command text arrives: an immediate one runs now, any other waits its turn (and runs
    // now when nothing waits and it can).
    void Arrive(const QString& text, Origin origin = Origin::Poke);
    // Runs what waits, oldest first, while the owner allows.
    void Poll();
    int Waiting() const { return int(m_waiting.size()); }
    void Clear() { m_waiting.clear(); }

    // ABORT, STATUS, PATH, DDECLOSE (in any letter case, with their arguments).
    static bool IsImmediateText(const QString& text);

private:
    struct Entry
    {
        QString text;
        Origin origin;
    };

    CanRun m_canRunNow;
    Run m_run;
    std::deque<Entry> m_waiting;
    bool m_polling = false;
};
