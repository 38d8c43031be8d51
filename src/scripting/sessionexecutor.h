#pragma once

#include "scripting/scriptrunner.h"

#include <QObject>
#include <functional>
#include <memory>

class BatchRunner;
class DdeLink;
class LocalDirectoryModel;
class RemoteFileOps;
class SessionController;
class TransferQueue;
class TTapi;
struct FileEntry;
struct FileOpResult;

// Carries out the script language's commands on a session: the main window's or the
// headless run's. Each command reports its end exactly once: a session operation when the
// activity it started finishes, a local one at once. What only a window can do (hide,
// restore, close, the views' selections) comes through Hooks; without them those commands
// do nothing and succeed.
class SessionScriptExecutor : public QObject, public ScriptExecutor
{
    Q_OBJECT

public:
    struct Hooks
    {
        std::function<void()> hide;
        std::function<void()> unhide;
        std::function<void()> exit;
    };

    SessionScriptExecutor(SessionController& session, LocalDirectoryModel& local, TransferQueue& queue, DdeLink& dde,
                          RemoteFileOps& remoteOps, QObject* parent = nullptr);
    ~SessionScriptExecutor() override;

    void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // The batch runner GET, PUT and TRANSFER run on (without one they fail).
    void SetBatchRunner(BatchRunner* batch) { m_batch = batch; }

    // ScriptExecutor
    void Execute(const ScriptInstruction& instruction, ScriptCompletion done) override;
    bool Exists(ScriptSide side, const QString& name) override;
    bool SessionBusy() const override;
    QString LocalPath(const QString& name) const override;

    // The replies of a listing for the DDE client, as the views are read anew.
    void SendLocalListing();
    void SendRemoteListing();

private:
    // Completes `done` when the activity the command just started finishes; a command that
    // started none (it was refused) fails with `refusal`.
    void completeWithActivity(ScriptCompletion done, const QString& refusal);
    bool ensureIdle(const ScriptInstruction& instruction, const ScriptCompletion& done);

    void connectTo(const QString& argument, ScriptCompletion done);
    void changeDirectory(const ScriptInstruction& instruction, ScriptCompletion done);
    void listDirectory(const ScriptInstruction& instruction, ScriptCompletion done);
    void addToQueue(const ScriptInstruction& instruction, ScriptCompletion done);
    void queueFile(const ScriptInstruction& instruction, ScriptCompletion done);
    void dial(const QString& entry, ScriptCompletion done);
    void hangUp(ScriptCompletion done);
    void sendRaw(const QString& command, ScriptCompletion done);
    // File operations (sessionexecutorfiles.cpp) and transfers (sessionexecutortransfers.cpp).
    void executeFileCommand(const ScriptInstruction& instruction, ScriptCompletion done);
    void finishFileOp(const FileOpResult& result, const ScriptCompletion& done);
    void executeTransfer(const ScriptInstruction& instruction, ScriptCompletion done);
    void completeWithBatch(quint64 batch, ScriptCompletion done, const QString& refusal);

    SessionController& m_session;
    LocalDirectoryModel& m_local;
    TransferQueue& m_queue;
    DdeLink& m_dde;
    RemoteFileOps& m_remoteOps;
    BatchRunner* m_batch = nullptr;
    Hooks m_hooks;
    std::unique_ptr<TTapi> m_dialup;
};
