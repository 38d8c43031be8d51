#pragma once

#include "scripting/batchmode.h"

#include <QFile>
#include <QObject>
#include <memory>

class BatchRunner;
class DdeLink;
class LocalDirectoryModel;
class RemoteFileOps;
class SessionController;
class SessionScriptExecutor;
class SettingsStore;
class TransferQueue;
class TSiteDatabase;
class TSiteStats;

// orvoftp --batch: a script run without a window. The program's settings and sites are
// used as the window uses them; nobody is asked anything (a running script overwrites and
// deletes without asking, and every other question is dismissed); the log and the replies
// meant for a DDE client go to standard output. The run ends with finished(exit code).
class HeadlessRun : public QObject
{
    Q_OBJECT

public:
    explicit HeadlessRun(BatchOptions options, QObject* parent = nullptr);
    ~HeadlessRun() override;

    // Runs the script; finished comes once, later.
    void Start();
    SessionController& Session() { return *m_session; }

signals:
    void finished(int exitCode);

private:
    void instructionDone(const ScriptInstruction& instruction, const ScriptOutcome& outcome);
    void scriptEnded(ScriptRunner::End end);
    void endRun();

    BatchOptions m_options;
    QFile m_out;
    QFile m_err;
    BatchConsole m_console;
    BatchExitPolicy m_policy;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<TSiteDatabase> m_sites;
    std::unique_ptr<TSiteStats> m_stats;
    LocalDirectoryModel* m_local = nullptr;
    SessionController* m_session = nullptr;
    TransferQueue* m_queue = nullptr;
    DdeLink* m_dde = nullptr;
    RemoteFileOps* m_remoteOps = nullptr;
    BatchRunner* m_batch = nullptr;
    std::unique_ptr<SessionScriptExecutor> m_executor;
    std::unique_ptr<ScriptRunner> m_runner;
    bool m_exitRequested = false;
    bool m_ending = false;
};
