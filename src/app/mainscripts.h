#pragma once

#include <QObject>
#include <memory>

class DdeLink;
class PokeQueue;
class ScriptRunner;
class SessionScriptExecutor;
class TfrmMain;

// The main window's script and D-Bus commands: "Run &Script"/"Stop &Script", "Script
// Sh&ortcut", "Script &Command", "&DDE Client", the D-Bus server taking poked commands, and
// the DDE client link that hears status, listings and (with DDEFilter) the log.
class MainScripts : public QObject
{
    Q_OBJECT

public:
    explicit MainScripts(TfrmMain& window);
    ~MainScripts() override;

    // Adds the commands with their enabled rules to the window's registry.
    void buildCommands();
    // Start-up: the bus name is taken (a second window queues for it).
    void Start();
    // The exit: the script ends, the client link closes.
    void Shutdown();

    ScriptRunner& Runner() { return *m_runner; }
    DdeLink& Dde() { return *m_dde; }
    PokeQueue& Pokes() { return *m_pokes; }

    void mnuRunScriptClick();
    void mnuScriptShortcutClick();
    void mnuScriptCommandClick();
    // A line written to the log console: forwarded to the client link when DDEFilter is on.
    void LogWritten(const QString& text);

private:
    TfrmMain& m_window;
    DdeLink* m_dde = nullptr;
    std::unique_ptr<SessionScriptExecutor> m_executor;
    std::unique_ptr<ScriptRunner> m_runner;
    std::unique_ptr<PokeQueue> m_pokes;
};
