// The command line in the window: the address, keyword, script and upload forms, and the
// unattended end of a run started with QUIT.
#include "app/maincommandline.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/mainscripts.h"
#include "app/mainsites.h"
#include "app/maintransfers.h"
#include "app/mainwindow.h"
#include "app/quickconnectbar.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "scripting/commandline.h"
#include "scripting/scriptrunner.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "transfers/batchrunner.h"
#include "transfers/queuefile.h"
#include "transfers/transferqueue.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>

MainCommandLine::MainCommandLine(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
    , m_launchDir(QDir::currentPath())
{
    m_sessionUser = qEnvironmentVariable(MainSites::UserVariable);
    m_sessionPassword = qEnvironmentVariable(MainSites::PasswordVariable);
    qunsetenv(MainSites::UserVariable);
    qunsetenv(MainSites::PasswordVariable);
    // The session's state leaves "starting" at the window's first resize.
    connect(window.Session, &SessionController::stateChanged, this, [this](SessionState state) {
        if (!m_windowUp && state != SessionState::StartingUp) {
            m_windowUp = true;
            QMetaObject::invokeMethod(this, &MainCommandLine::runWhatWaited, Qt::QueuedConnection);
        }
    });
    watchSession();
}

void MainCommandLine::Process(const QStringList& arguments)
{
    switch (ChooseCommandLineForm(arguments)) {
    case CommandLineForm::None:
        return;
    case CommandLineForm::Upload:
        processUpload(arguments);
        return;
    case CommandLineForm::Keyword:
        processKeywords(arguments);
        return;
    case CommandLineForm::Script: {
        const QString script = CommandLineLocalPath(arguments.first().mid(1), m_launchDir);
        whenWindowUp([this, script] { m_window.Scripts->Runner().RunScriptFile(script); });
        return;
    }
    case CommandLineForm::Address:
        processAddress(arguments);
        return;
    }
}

// --- The forms -------------------------------------------------------------------------------

void MainCommandLine::processAddress(const QStringList& arguments)
{
    m_window.QuickConnect->SetServerText(arguments.join(QLatin1Char(' ')));
    m_window.Commands->update();
    whenWindowUp([this] { connectFromBoxes(true); });
}

void MainCommandLine::processUpload(const QStringList& arguments)
{
    QueueAddition addition = UploadFormEntries(arguments, m_launchDir);
    queueEntries(std::move(addition.entries), addition.logLines);
}

void MainCommandLine::processKeywords(const QStringList& arguments)
{
    m_window.Session->SetFollow(FollowUp::RunQueueAfterLogin);
    bool connect = false;
    for (const QString& argument : arguments)
        applyKeyword(SplitKeywordArgument(argument), &connect);
    if (!connect)
        return;
    whenWindowUp([this] {
        // A script started before may have changed the follow-up.
        m_window.Session->SetFollow(FollowUp::RunQueueAfterLogin);
        connectFromBoxes(false);
    });
}

void MainCommandLine::applyKeyword(const KeywordArgument& argument, bool* connect)
{
    const QString& key = argument.keyword;
    const QString& value = argument.value;
    QuickConnectBar& boxes = *m_window.QuickConnect;
    if (key.isEmpty()) {
        return;
    } else if (key == QLatin1String("HOST")) {
        boxes.SetServerText(value);
        *connect = true;
    } else if (key == QLatin1String("USER")) {
        boxes.txtUser->setText(value);
    } else if (key == QLatin1String("PASS")) {
        boxes.txtPass->setText(value);
    } else if (key == QLatin1String("PORT")) {
        boxes.txtPort->setText(value);
    } else if (key == QLatin1String("QUEUE")) {
        loadQueueFile(CommandLineLocalPath(value, m_launchDir));
    } else if (key == QLatin1String("SCRIPT")) {
        const QString script = CommandLineLocalPath(value, m_launchDir);
        whenWindowUp([this, script] { m_window.Scripts->Runner().RunScriptFile(script); });
    } else if (key == QLatin1String("DDE")) {
        whenWindowUp([this] { m_window.command(QStringLiteral("mnuDDEClient"))->trigger(); });
    } else if (key == QLatin1String("GET")) {
        QString logLine;
        std::optional<QueueEntry> entry = GetArgumentEntry(value, m_window.Config().Path, m_launchDir, &logLine);
        queueEntries(entry ? std::vector<QueueEntry>{*entry} : std::vector<QueueEntry>{}, {logLine});
    } else if (key == QLatin1String("PUT")) {
        QString logLine;
        std::optional<QueueEntry> entry = PutArgumentEntry(value, m_launchDir, &logLine);
        queueEntries(entry ? std::vector<QueueEntry>{*entry} : std::vector<QueueEntry>{}, {logLine});
    } else if (key == QLatin1String("QUIT")) {
        setQuitWhenDone();
    } else if (key == QLatin1String("LOCALDIR")) {
        const QString directory = CommandLineLocalPath(value, m_launchDir);
        if (!m_window.LocalDir->enter(EnsureTrailingSeparator(directory)))
            log(QStringLiteral("ERROR: Unable to access ") + directory + QStringLiteral(" ."), SessionController::LogError);
    } else if (key == QLatin1String("REMOTEDIR")) {
        m_window.Session->Ftp().InitialDirectory = RemoteDirectoryArgument(value);
    } else {
        log(QStringLiteral("Unknown keyword ") + key + QStringLiteral(" ignored."), SessionController::LogStatus);
    }
}

// As "&Load Queue" does, but what goes wrong is logged: no message box stops a run that is
// meant to end by itself.
void MainCommandLine::loadQueueFile(const QString& path)
{
    QueueFile::ReadResult read = QueueFile::read(path);
    if (!read.ok) {
        log(QStringLiteral("ERROR: ") + read.error, SessionController::LogError);
        m_leftOut = true;
        return;
    }
    QStringList problems;
    for (const QString& problem : std::as_const(read.problems))
        problems << QStringLiteral("Left out of ") + path + QStringLiteral(": ") + problem;
    queueEntries(std::move(read.entries), problems);
}

void MainCommandLine::queueEntries(std::vector<QueueEntry> entries, const QStringList& logLines)
{
    for (const QString& line : logLines) {
        if (line.isEmpty())
            continue;
        log(line, SessionController::LogError);
        m_leftOut = true;
    }
    if (!entries.empty())
        m_window.QueueModel->append(std::move(entries));
}

// "T&ransfer Complete": only "&Quit OrvoFTP" is checked.
void MainCommandLine::setQuitWhenDone()
{
    m_quit = true;
    m_window.command(QStringLiteral("mnuCompleteQuit"))->setChecked(true);
    m_window.Transfers->Runner().SetCompletion(CompletionAction::Quit);
}

// What the server box and the boxes hold, as the connect routine reads them; an address
// without a login gets the one "New Session" handed over.
void MainCommandLine::connectFromBoxes(bool sessionLogin)
{
    SessionController& session = *m_window.Session;
    const QString text = m_window.QuickConnect->ServerText();
    ConnectionRequest request;
    if (!text.isEmpty()) {
        request = resolveServerText(text, m_window.QuickConnect->Boxes(), session.CurrentSiteName(),
                                    *m_window.SiteDatabase, m_window.Config().Email);
    }
    if (sessionLogin && request.user.isEmpty() && !m_sessionUser.isEmpty()) {
        request.user = m_sessionUser;
        request.password = m_sessionPassword;
    }
    m_watching = m_quit;
    m_ownBatch = 0;
    session.SetState(SessionState::LoggingIn);
    m_window.LocalPanel->View()->setFocus();
    if (!session.Connect(request)) {
        if (session.State() != SessionState::NotConnected)
            session.ResetToDisconnected();
        m_window.Commands->update();
    }
}

// --- Waiting for the window ------------------------------------------------------------------

void MainCommandLine::whenWindowUp(std::function<void()> step)
{
    if (m_windowUp)
        QMetaObject::invokeMethod(this, std::move(step), Qt::QueuedConnection);
    else
        m_waiting.push_back(std::move(step));
}

void MainCommandLine::log(const QString& text, int kind)
{
    if (m_windowUp)
        m_window.Session->LogLine(text, kind);
    else
        m_logLines.emplace_back(text, kind);
}

void MainCommandLine::runWhatWaited()
{
    for (const auto& [text, kind] : std::exchange(m_logLines, {}))
        m_window.Session->LogLine(text, kind);
    for (const std::function<void()>& step : std::exchange(m_waiting, {}))
        step();
}

// --- QUIT: the end of an unattended run --------------------------------------------------------

void MainCommandLine::watchSession()
{
    SessionController* session = m_window.Session;
    BatchRunner* runner = &m_window.Transfers->Runner();
    connect(session, &SessionController::stateChanged, this, [this](SessionState state) {
        if (state == SessionState::NotConnected || state == SessionState::Idle)
            connectEnded(state == SessionState::Idle);
    });
    connect(runner, &BatchRunner::batchStarted, this, [this](quint64 id) {
        if (m_watching && m_ownBatch == 0)
            m_ownBatch = id;
    });
    connect(runner, &BatchRunner::batchFinished, this, &MainCommandLine::batchFinished);
}

// Connecting failed for good (the retries are the engine's), or the login is over and there
// is nothing to run: the run is over too, unless a script still has work to do.
void MainCommandLine::connectEnded(bool reachedIdle)
{
    if (!m_watching || m_ownBatch != 0)
        return;
    if (!reachedIdle) {
        closeWith(2);
        return;
    }
    const FollowUp follow = m_window.Session->Follow();
    if (follow == FollowUp::ResumeBatch || follow == FollowUp::QueueUrlFile || m_window.Transfers->Runner().Running())
        return;
    if (m_window.Scripts->Runner().ScriptRunning())
        m_watching = false;
    else
        closeWith(m_leftOut ? 3 : 0);
}

// Any batch that fails makes the status 3 (a script's batches too). The batch runner closes
// the program after a batch that ran to its end; the batch of the command line that the lost
// connection ended does not get there.
void MainCommandLine::batchFinished(const BatchSummary& summary)
{
    if (!m_quit)
        return;
    if (!summary.ok() || m_leftOut)
        m_exitCode = 3;
    if (summary.id != m_ownBatch)
        return;
    m_watching = false;
    if (summary.disconnected && !m_window.Scripts->Runner().ScriptRunning())
        closeWith(3);
}

void MainCommandLine::closeWith(int code)
{
    m_exitCode = code;
    m_watching = false;
    QMetaObject::invokeMethod(&m_window, [this] { m_window.CloseWithoutAsking(); }, Qt::QueuedConnection);
}
