#include "scripting/headlessrun.h"

#include "engine/ftp.h"
#include "fileops/remotefileops.h"
#include "platform/core/programdir.h"
#include "scripting/ddelink.h"
#include "scripting/sessionexecutor.h"
#include "session/localdirectory.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "sites/sitedatabase.h"
#include "sites/sitestats.h"
#include "transfers/batchrunner.h"
#include "transfers/transferqueue.h"

#include <QDir>
#include <QTimer>

#include <cstdio>

HeadlessRun::HeadlessRun(BatchOptions options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_console(m_out, m_err)
    , m_policy(m_options.keepGoing)
{
    m_out.open(stdout, QIODevice::WriteOnly);
    m_err.open(stderr, QIODevice::WriteOnly);
    const QString home = ProgramDirectory::path();
    m_settings = std::make_unique<SettingsStore>(home + QStringLiteral("orvoftp.ini"));
    m_sites = std::make_unique<TSiteDatabase>(home + QStringLiteral("sites.ini"));
    m_stats = std::make_unique<TSiteStats>(home + QStringLiteral("stats.dat"));
    m_local = new LocalDirectoryModel(this);
    // Relative names of a command-line run are those of the shell it was started from.
    m_local->setCurrentDirectory(QDir::currentPath());
    m_session = new SessionController(*m_settings, *m_sites, *m_stats, this);
    m_session->SetLocalDirectory(m_local);
    m_session->SetScriptRunning(true);
    m_queue = new TransferQueue(this);
    m_dde = new DdeLink(m_settings->config(), this);
    m_remoteOps = new RemoteFileOps(*m_session, this);
    m_executor = std::make_unique<SessionScriptExecutor>(*m_session, *m_local, *m_queue, *m_dde, *m_remoteOps);
    m_executor->SetHooks({{}, {}, [this] { m_exitRequested = true; }});
    m_batch = new BatchRunner(*m_session, *m_queue, *m_local, *m_stats, this);
    m_executor->SetBatchRunner(m_batch);
    m_runner = std::make_unique<ScriptRunner>(*m_executor);

    connect(m_session, &SessionController::logLine, this, [this](const QString& text, int kind) { m_console.Log(text, kind); });
    connect(m_runner.get(), &ScriptRunner::logLine, this, [this](const QString& text, int kind) { m_console.Log(text, kind); });
    connect(m_dde, &DdeLink::logLine, this, [this](const QString& text, int kind) { m_console.Log(text, kind); });
    connect(m_dde, &DdeLink::replied, this, [this](const QString& text) { m_console.Reply(text); });
    connect(m_runner.get(), &ScriptRunner::reply, m_dde, &DdeLink::SendToDdeClient);
    connect(m_runner.get(), &ScriptRunner::scriptError, this, [this](const QString& text) { m_console.Error(text); });
    connect(m_runner.get(), &ScriptRunner::instructionFinished, this, &HeadlessRun::instructionDone);
    connect(m_runner.get(), &ScriptRunner::finished, this, &HeadlessRun::scriptEnded);
}

HeadlessRun::~HeadlessRun()
{
    // The runner and the executor refer to the session: they go first.
    m_runner.reset();
    m_executor.reset();
}

void HeadlessRun::Start()
{
    m_session->SetState(SessionState::NotConnected);
    m_runner->RunScriptFile(m_options.script);
}

void HeadlessRun::instructionDone(const ScriptInstruction&, const ScriptOutcome& outcome)
{
    if (m_policy.Record(outcome) || m_exitRequested) {
        m_runner->Stop();
        endRun();
    }
}

void HeadlessRun::scriptEnded(ScriptRunner::End end)
{
    if (end == ScriptRunner::End::Unreadable || end == ScriptRunner::End::CompileError)
        m_policy.ScriptNotRun();
    endRun();
}

// A script that ends still connected says goodbye to the server first.
void HeadlessRun::endRun()
{
    if (std::exchange(m_ending, true))
        return;
    if (m_session->State() != SessionState::NotConnected)
        m_session->Disconnect();
    QTimer::singleShot(0, this, [this] { emit finished(m_policy.ExitCode()); });
}
