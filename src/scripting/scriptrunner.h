#pragma once

#include "scripting/scriptcompiler.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class ScriptRunner;

// What kind of failure ended an operation; the numbers are the headless run's exit codes.
enum class ScriptFailure : quint8 {
    None = 0,
    Script = 1,     // the script cannot be read or does not compile
    Connect = 2,    // connecting or logging in failed, the certificate is not trusted
    Operation = 3,  // a transfer, a file operation, CD/MD/RD or RENAME failed or was refused
    Other = 4,      // anything else (RAW refused, DIAL, a D-Bus link command ...)
};

// The failure kind of a command that failed without saying more.
ScriptFailure FailureKindOf(ScriptCommand command);

struct ScriptOutcome
{
    bool ok = true;
    ScriptFailure failure = ScriptFailure::None;
    QString message;
};

// The completion of one instruction the executor started. Copies share one state: the first
// Succeed or Fail counts, later ones are ignored (and warned about). Safe to keep after the
// runner is gone or the script was stopped: such a completion is dropped.
class ScriptCompletion
{
public:
    ScriptCompletion() = default;

    void Succeed() const;
    // `kind` None takes the command's own kind (FailureKindOf).
    void Fail(const QString& message = {}, ScriptFailure kind = ScriptFailure::None) const;
    bool Pending() const;

private:
    friend class ScriptRunner;
    struct State;
    explicit ScriptCompletion(std::shared_ptr<State> state);
    void finish(ScriptOutcome outcome) const;

    std::shared_ptr<State> m_state;
};

// What carries out the commands: the main window, the headless batch mode, the tests.
// The runner keeps the control flow (LOOP, ENDLOOP, DELAY, IFEXIST, ENDIF, SCRIPT) and hands
// every other instruction to Execute.
class ScriptExecutor
{
public:
    virtual ~ScriptExecutor() = default;

    // Starts the instruction's operation and reports its end through `done`, exactly once,
    // now or later (an operation that cannot even start reports a failure). Immediate
    // commands (IsImmediate) may arrive while another command's operation is under way.
    virtual void Execute(const ScriptInstruction& instruction, ScriptCompletion done) = 0;
    // IFEXIST: whether `name` exists in the current local directory (side None or L) or in
    // the remote listing shown (side R).
    virtual bool Exists(ScriptSide side, const QString& name) = 0;
    // An operation runs in the session: ABORT then stops a running script first.
    virtual bool SessionBusy() const = 0;
    // A script file name of SCRIPT, relative names resolving in the current local directory.
    virtual QString LocalPath(const QString& name) const = 0;
};

// Runs scripts and single commands through an executor, one operation at a time. Each line
// waits for its own operation's completion; the next line always starts from a queued call,
// so a long loop over commands that complete at once does not grow the stack.
//
// Single commands (typed under "Script Command", poked over D-Bus) go through
// ExecuteCommand: an immediate command runs at once; any other runs only when the runner is
// not Busy (the poke queue holds it until readyForCommands).
class ScriptRunner : public QObject
{
    Q_OBJECT

public:
    enum class End : quint8 {
        Completed,    // the last line ran ("Script Complete")
        Stopped,      // "Stop &Script", ABORT while busy, a caller's Stop
        Unreadable,   // the file is missing or cannot be read
        CompileError, // a line did not compile; nothing ran
    };
    static constexpr const char* RunCaption = "Run &Script";
    static constexpr const char* StopCaption = "Stop &Script";
    static constexpr const char* CompleteText = "Script Complete";

    explicit ScriptRunner(ScriptExecutor& executor, QObject* parent = nullptr);
    ~ScriptRunner() override;

    // --- Scripts ------------------------------------------------------------------------------
    // Reads, compiles and starts a script file; a script already running is stopped first.
    // Loop state and the DELAY timer start afresh. Errors: a missing file logs "ERROR: Cant
    // open script file"; an unreadable one and a compile error show their message box.
    void RunScriptFile(const QString& path);
    // Starts a compiled script (an empty one ends at once as Completed).
    void RunProgram(ScriptProgram program);
    // Runs the next line now (the runner itself always continues through a queued call).
    void NextScriptLine();
    // Ends the script: the timer stops, nothing more runs; a completion still outstanding is
    // dropped when it comes.
    void Stop();
    bool ScriptRunning() const { return m_running; }
    // The instruction being executed, for a script line or a single command.
    const ScriptInstruction* Current() const { return m_inFlight ? &m_current : nullptr; }
    // A script runs or a single command waits for its completion.
    bool Busy() const { return m_running || m_inFlight != 0; }
    bool Delaying() const { return ScriptTimer.isActive(); }

    // --- Single commands ----------------------------------------------------------------------
    // A command typed under "Script Command": an error logs "Invalid command: "text"".
    void ExecuteTyped(const QString& text);
    // A command poked into the D-Bus link: an error replies "OrvoFTP: Unknown command "text"".
    void ExecutePoke(const QString& text);
    // A compiled single command. False when it cannot run now (Busy and not immediate).
    bool ExecuteCommand(const ScriptInstruction& instruction);

    // The error box of a script line (line above 0, the script ends) and, always, the reply
    // "OrvoFTP: Error in DDE command".
    void ReportScriptError(int line, ScriptError error);

    QTimer ScriptTimer;  // DELAY; public for tests

signals:
    void runningChanged(bool running);     // "Run &Script" / "Stop &Script", ScriptRunning
    void finished(ScriptRunner::End end);  // a script ended (also one that never started)
    void instructionStarted(const ScriptInstruction& instruction);
    void instructionFinished(const ScriptInstruction& instruction, const ScriptOutcome& outcome);
    void logLine(const QString& text, int kind);  // SessionController::LogKind
    void reply(const QString& text);              // to the DDE client and the Reply signal
    // The message of a script that did not start (also shown in a box).
    void scriptError(const QString& message);
    // Busy() became false: queued commands may run.
    void readyForCommands();

private:
    friend class ScriptCompletion;
    void completed(quint64 ticket, bool tracked, const ScriptInstruction& instruction, const ScriptOutcome& outcome);
    void dispatch(const ScriptInstruction& instruction);
    void runImmediate(const ScriptInstruction& instruction);
    bool stepControlFlow(const ScriptInstruction& instruction);
    void continueLater();
    void finishScript(End end);
    void announceReady();
    bool runScriptCommand(const ScriptInstruction& instruction);
    void failToStart(End end, const QString& message);

    ScriptExecutor& m_executor;
    ScriptProgram m_program;
    int m_pc = 0;             // the next line
    qint64 m_loopPasses = 0;  // passes left after the current one
    bool m_running = false;
    quint64 m_generation = 0; // a Stop or a new script drops queued steps and old completions
    quint64 m_nextTicket = 0;
    quint64 m_inFlight = 0;   // the ticket of the instruction waited for
    ScriptInstruction m_current;
};
