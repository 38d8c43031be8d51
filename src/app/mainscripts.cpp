#include "app/mainscripts.h"

#include "app/commandregistry.h"
#include "app/mainfileops.h"
#include "app/mainsites.h"
#include "app/maintransfers.h"
#include "app/mainwindow.h"
#include "app/progresspanel.h"
#include "app/filepanel.h"
#include "controls/orvoview.h"
#include "platform/core/prompt.h"
#include "scripting/ddelink.h"
#include "scripting/pokequeue.h"
#include "scripting/scriptrunner.h"
#include "scripting/sessionexecutor.h"
#include "session/localdirectory.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>

namespace {

constexpr const char* ScriptFilter = "Script files (*.txt)|*.txt";

}  // namespace

MainScripts::MainScripts(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
{
    m_dde = new DdeLink(window.Config(), this);
    m_executor = std::make_unique<SessionScriptExecutor>(*window.Session, *window.LocalDir, *window.QueueModel, *m_dde,
                                                         window.FileOps->Remote());
    m_executor->SetBatchRunner(&window.Transfers->Runner());
    m_executor->SetHooks({[&window] { window.command(QStringLiteral("mnuHide"))->trigger(); },
                          [&window] { window.RestoreFromTray(); }, [&window] { window.close(); }});
    m_runner = std::make_unique<ScriptRunner>(*m_executor);
    // Commands wait while a dialog is open or another command runs.
    m_pokes = std::make_unique<PokeQueue>(
        [this] { return !QApplication::activeModalWidget() && !m_runner->Busy(); },
        [this](const QString& text, PokeQueue::Origin origin) {
            if (origin == PokeQueue::Origin::Typed)
                m_runner->ExecuteTyped(text);
            else
                m_runner->ExecutePoke(text);
        });

    SessionController* session = window.Session;
    connect(m_runner.get(), &ScriptRunner::logLine, session, &SessionController::LogLine);
    connect(m_dde, &DdeLink::logLine, session, &SessionController::LogLine);
    connect(m_runner.get(), &ScriptRunner::reply, m_dde, &DdeLink::SendToDdeClient);
    connect(m_runner.get(), &ScriptRunner::readyForCommands, this, [this] { m_pokes->Poll(); });
    connect(m_dde, &DdeLink::commandPoked, this, [this](const QString& text) { m_pokes->Arrive(text); });
    connect(m_runner.get(), &ScriptRunner::runningChanged, this, [this, session](bool running) {
        session->SetScriptRunning(running);
        if (QAction* run = m_window.command(QStringLiteral("mnuRunScript")))
            run->setText(QString::fromLatin1(running ? ScriptRunner::StopCaption : ScriptRunner::RunCaption));
    });
    connect(m_runner.get(), &ScriptRunner::finished, this, [this](ScriptRunner::End end) {
        if (end != ScriptRunner::End::Completed)
            return;
        m_window.StatusProgress->setText(QString::fromLatin1(ScriptRunner::CompleteText));
        m_window.RemotePanel->View()->ClearSelection();
    });
    connect(m_dde, &DdeLink::clientOpenChanged, this, [this](bool open) {
        if (QAction* client = m_window.command(QStringLiteral("mnuDDEClient")))
            client->setChecked(open);
    });
    // A dialog that closes lets the waiting commands run.
    connect(qApp, &QApplication::focusChanged, this, [this] { m_pokes->Poll(); });
}

MainScripts::~MainScripts()
{
    m_runner.reset();
    m_executor.reset();
}

void MainScripts::buildCommands()
{
    CommandRegistry& c = *m_window.Commands;
    c.add(QStringLiteral("mnuRunScript"), QString::fromLatin1(ScriptRunner::RunCaption), [this] { mnuRunScriptClick(); });
    c.add(QStringLiteral("mnuScriptShortcut"), QStringLiteral("Script Sh&ortcut"), [this] { mnuScriptShortcutClick(); });
    c.add(QStringLiteral("mnuScriptCommand"), QStringLiteral("Script &Command"), [this] { mnuScriptCommandClick(); });
    c.addToggle(QStringLiteral("mnuDDEClient"), QStringLiteral("&DDE Client"), [this](bool) {
        // The mark follows the link, not the click.
        m_window.command(QStringLiteral("mnuDDEClient"))->setChecked(m_dde->ClientOpen());
        m_dde->ToggleFromMenu();
    });
}

void MainScripts::Start()
{
    m_dde->StartServer();
}

void MainScripts::Shutdown()
{
    m_runner->Stop();
    m_pokes->Clear();
    if (m_dde->ClientOpen())
        m_dde->CloseClient();
}

void MainScripts::mnuRunScriptClick()
{
    if (m_runner->ScriptRunning()) {
        m_runner->Stop();
        return;
    }
    const std::optional<QString> file =
        prompts().openFile(QStringLiteral("Run Script"), m_window.LocalDir->currentDirectory(), QString::fromLatin1(ScriptFilter));
    if (file && !file->isEmpty())
        m_runner->RunScriptFile(*file);
}

void MainScripts::mnuScriptShortcutClick()
{
    const std::optional<QString> file =
        prompts().openFile(QStringLiteral("Browse Script"), m_window.LocalDir->currentDirectory(), QString::fromLatin1(ScriptFilter));
    if (!file || file->isEmpty())
        return;
    const QFileInfo script(*file);
    m_window.SiteMenus->WriteShortcut(script.completeBaseName(), {QLatin1Char('+') + script.absoluteFilePath()});
}

void MainScripts::mnuScriptCommandClick()
{
    const std::optional<QString> text =
        prompts().inputBox(QStringLiteral("Script Command"), QStringLiteral("Command to execute"), QString());
    if (text && !text->isEmpty())
        m_pokes->Arrive(*text, PokeQueue::Origin::Typed);
}

void MainScripts::LogWritten(const QString& text)
{
    m_dde->ForwardLogLine(text);
}
