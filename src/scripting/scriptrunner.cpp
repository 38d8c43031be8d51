#include "scripting/scriptrunner.h"

#include "platform/core/prompt.h"
#include "session/sessioncontroller.h"

#include <QFile>
#include <QFileInfo>
#include <QtDebug>

// --- Completions ------------------------------------------------------------------------------

struct ScriptCompletion::State
{
    QPointer<ScriptRunner> runner;
    quint64 ticket = 0;
    ScriptInstruction instruction;
    bool tracked = false;  // a script line or a single command the runner waits for
    bool done = false;
};

ScriptCompletion::ScriptCompletion(std::shared_ptr<State> state)
    : m_state(std::move(state))
{
}

void ScriptCompletion::Succeed() const
{
    finish(ScriptOutcome{});
}

void ScriptCompletion::Fail(const QString& message, ScriptFailure kind) const
{
    finish(ScriptOutcome{false, kind, message});
}

bool ScriptCompletion::Pending() const
{
    return m_state && !m_state->done;
}

void ScriptCompletion::finish(ScriptOutcome outcome) const
{
    if (!m_state)
        return;
    if (m_state->done) {
        qWarning("script: %s completed twice; the second completion is ignored",
                 qPrintable(m_state->instruction.CompiledText()));
        return;
    }
    m_state->done = true;
    if (!outcome.ok && outcome.failure == ScriptFailure::None)
        outcome.failure = FailureKindOf(m_state->instruction.command);
    if (m_state->runner)
        m_state->runner->completed(m_state->ticket, m_state->tracked, m_state->instruction, outcome);
}

ScriptFailure FailureKindOf(ScriptCommand command)
{
    switch (command) {
    case ScriptCommand::Connect:
        return ScriptFailure::Connect;
    case ScriptCommand::Transfer:
    case ScriptCommand::Get:
    case ScriptCommand::Put:
    case ScriptCommand::Del:
    case ScriptCommand::Rename:
    case ScriptCommand::Chmod:
    case ScriptCommand::Cd:
    case ScriptCommand::Md:
    case ScriptCommand::Rd:
        return ScriptFailure::Operation;
    default:
        return ScriptFailure::Other;
    }
}

// --- The runner -------------------------------------------------------------------------------

ScriptRunner::ScriptRunner(ScriptExecutor& executor, QObject* parent)
    : QObject(parent)
    , m_executor(executor)
{
    ScriptTimer.setSingleShot(true);
    connect(&ScriptTimer, &QTimer::timeout, this, &ScriptRunner::NextScriptLine);
}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::RunScriptFile(const QString& path)
{
    Stop();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        failToStart(End::Unreadable, QStringLiteral("ERROR: Cant open script file"));
        return;
    }
    QFile file(path);
    QByteArray data;
    if (file.open(QIODevice::ReadOnly))
        data = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        const QString text = QStringLiteral("Error opening script file.");
        prompts().messageBox(text, QString::fromLatin1(SessionController::Caption), Prompt::Icon::Error, Prompt::Ok);
        failToStart(End::Unreadable, text);
        return;
    }
    const CompileResult compiled = CompileScriptFile(data);
    if (!compiled.ok()) {
        ReportScriptError(compiled.errorLine, compiled.error);
        failToStart(End::CompileError, compiled.Message());
        return;
    }
    RunProgram(compiled.program);
}

void ScriptRunner::failToStart(End end, const QString& message)
{
    if (end == End::Unreadable && message.startsWith(QLatin1String("ERROR: ")))
        emit logLine(message, SessionController::LogError);
    emit scriptError(message);
    emit finished(end);
}

void ScriptRunner::RunProgram(ScriptProgram program)
{
    Stop();
    if (program.empty()) {
        emit finished(End::Completed);
        return;
    }
    m_program = std::move(program);
    m_pc = 0;
    m_loopPasses = 0;
    m_running = true;
    ++m_generation;
    emit runningChanged(true);
    NextScriptLine();
}

void ScriptRunner::NextScriptLine()
{
    // A line still waits for its completion, or the DELAY has not elapsed: that continues.
    if (!m_running || m_inFlight != 0 || ScriptTimer.isActive())
        return;
    if (m_pc >= m_program.size()) {
        finishScript(End::Completed);
        return;
    }
    const ScriptInstruction instruction = m_program.instructions[std::size_t(m_pc++)];
    const quint64 generation = m_generation;
    emit instructionStarted(instruction);
    if (generation != m_generation)
        return;  // stopped by a listener
    if (IsControlFlow(instruction.command)) {
        if (stepControlFlow(instruction))
            continueLater();
        return;
    }
    if (instruction.command == ScriptCommand::Script) {
        runScriptCommand(instruction);
        continueLater();
        return;
    }
    if (instruction.command == ScriptCommand::Abort && m_executor.SessionBusy()) {
        runImmediate(instruction);
        return;
    }
    dispatch(instruction);
}

bool ScriptRunner::stepControlFlow(const ScriptInstruction& instruction)
{
    switch (instruction.command) {
    case ScriptCommand::Loop:
        // The body runs `number` times, and once for LOOP:0.
        m_loopPasses = instruction.number - 1;
        return true;
    case ScriptCommand::EndLoop:
        if (m_loopPasses > 0 && instruction.jump >= 0) {
            --m_loopPasses;
            m_pc = instruction.jump;
        }
        return true;
    case ScriptCommand::Delay:
        ScriptTimer.start(int(instruction.number * 1000));
        return false;
    case ScriptCommand::IfExist:
        if (instruction.jump >= 0 && !m_executor.Exists(instruction.side, instruction.argument))
            m_pc = instruction.jump + 1;
        return true;
    default:
        return true;
    }
}

void ScriptRunner::continueLater()
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation)
                NextScriptLine();
        },
        Qt::QueuedConnection);
}

void ScriptRunner::dispatch(const ScriptInstruction& instruction)
{
    auto state = std::make_shared<ScriptCompletion::State>();
    state->runner = this;
    state->ticket = ++m_nextTicket;
    state->instruction = instruction;
    state->tracked = true;
    m_inFlight = state->ticket;
    m_current = instruction;
    m_executor.Execute(instruction, ScriptCompletion(state));
}

void ScriptRunner::runImmediate(const ScriptInstruction& instruction)
{
    // ABORT while an operation runs ends the script before the operation is aborted, so the
    // aborted operation's completion starts nothing more.
    if (instruction.command == ScriptCommand::Abort && m_running && m_executor.SessionBusy())
        Stop();
    auto state = std::make_shared<ScriptCompletion::State>();
    state->runner = this;
    state->ticket = ++m_nextTicket;
    state->instruction = instruction;
    m_executor.Execute(instruction, ScriptCompletion(state));
}

void ScriptRunner::completed(quint64 ticket, bool tracked, const ScriptInstruction& instruction,
                             const ScriptOutcome& outcome)
{
    if (!tracked) {  // an immediate command: nothing waits for it
        emit instructionFinished(instruction, outcome);
        return;
    }
    if (ticket != m_inFlight)
        return;  // its script was stopped meanwhile
    m_inFlight = 0;
    emit instructionFinished(instruction, outcome);
    if (m_running)
        continueLater();
    else
        announceReady();
}

void ScriptRunner::Stop()
{
    ScriptTimer.stop();
    if (!m_running)
        return;
    finishScript(End::Stopped);
}

void ScriptRunner::finishScript(End end)
{
    ScriptTimer.stop();
    m_running = false;
    m_program = {};
    m_pc = 0;
    m_loopPasses = 0;
    m_inFlight = 0;  // whatever still runs completes unheard
    ++m_generation;
    emit runningChanged(false);
    emit finished(end);
    announceReady();
}

void ScriptRunner::announceReady()
{
    // Queued: a queue that runs its next command from here must not nest inside the
    // completion of the previous one.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!Busy())
                emit readyForCommands();
        },
        Qt::QueuedConnection);
}

bool ScriptRunner::runScriptCommand(const ScriptInstruction& instruction)
{
    if (m_running) {
        // One script at a time: the running one goes on with its next line.
        emit logLine(QStringLiteral("A script is running: \"%1\" is not started.").arg(instruction.argument),
                     SessionController::LogStatus);
        return false;
    }
    RunScriptFile(m_executor.LocalPath(instruction.argument));
    return true;
}

// --- Single commands --------------------------------------------------------------------------

bool ScriptRunner::ExecuteCommand(const ScriptInstruction& instruction)
{
    if (IsImmediate(instruction.command)) {
        emit instructionStarted(instruction);
        runImmediate(instruction);
        return true;
    }
    if (Busy())
        return false;
    emit instructionStarted(instruction);
    if (instruction.command == ScriptCommand::Script)
        runScriptCommand(instruction);
    else if (!IsControlFlow(instruction.command))  // IFEXIST and ENDIF alone have no effect
        dispatch(instruction);
    return true;
}

void ScriptRunner::ExecuteTyped(const QString& text)
{
    if (text.isEmpty())
        return;
    const ParsedCommand parsed = ParseCommand(text, -1);
    if (!parsed.ok()) {
        ReportScriptError(-1, parsed.error);
        emit logLine(QStringLiteral("Invalid command: \"%1\"").arg(text), SessionController::LogError);
        return;
    }
    if (!ExecuteCommand(parsed.instruction))
        emit logLine(QStringLiteral("ERROR: Another command is running: \"%1\" was not executed.").arg(text),
                     SessionController::LogError);
}

void ScriptRunner::ExecutePoke(const QString& text)
{
    const ParsedCommand parsed = ParseCommand(text, -1);
    if (!parsed.ok()) {
        ReportScriptError(-1, parsed.error);
        emit reply(QStringLiteral("OrvoFTP: Unknown command \"%1\"").arg(text));
        return;
    }
    if (!ExecuteCommand(parsed.instruction))
        emit logLine(QStringLiteral("ERROR: Another command is running: \"%1\" was not executed.").arg(text),
                     SessionController::LogError);
}

void ScriptRunner::ReportScriptError(int line, ScriptError error)
{
    if (line > 0) {
        CompileResult shown;
        shown.error = error;
        shown.errorLine = line;
        prompts().messageBox(shown.Message(), QString::fromLatin1(SessionController::Caption), Prompt::Icon::Error,
                             Prompt::Ok);
        Stop();
    }
    emit reply(QStringLiteral("OrvoFTP: Error in DDE command"));
}
