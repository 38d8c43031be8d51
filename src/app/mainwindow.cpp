// The main window: building it, the start-up sequence, the exit sequence.
#include "app/mainwindow.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/maincommandline.h"
#include "app/mainbrowser.h"
#include "app/mainscripts.h"
#include "app/mainfileops.h"
#include "app/mainsites.h"
#include "app/progresspanel.h"
#include "app/queuecontroller.h"
#include "app/quickconnectbar.h"
#include "app/securityindicator.h"
#include "console/xconsole.h"
#include "controls/browsedir.h"
#include "controls/columnfit.h"
#include "controls/orvoview.h"
#include "dialogs/resumedialog.h"
#include "engine/ftp.h"
#include "platform/core/inifile.h"
#include "platform/core/programdir.h"
#include "platform/core/prompt.h"
#include "platform/desktop/qtprompt.h"
#include "scripting/commandline.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/layout.h"
#include "settings/settingsstore.h"
#include "sites/sitedatabase.h"
#include "sites/siteimport.h"
#include "sites/sitestats.h"
#include "transfers/transferqueue.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QVBoxLayout>

TfrmMain::TfrmMain(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    installQtPrompt();
    QtPrompt::setFolderPicker(&TOrvoBrowseDir::pick);
    QtPrompt::setFileExistsWindow(&TfrmResume::ask);
    // The three files of the program directory (start-up step 4) come first: every
    // controller reads them.
    ProgramDir = ProgramDirectory::path();
    Settings = std::make_unique<SettingsStore>(ProgramDir + QStringLiteral("orvoftp.ini"));
    SiteDatabase = std::make_unique<TSiteDatabase>(ProgramDir + QStringLiteral("sites.ini"));
    SiteStats = std::make_unique<TSiteStats>(ProgramDir + QStringLiteral("stats.dat"));
    LocalDir = new LocalDirectoryModel(this);
    LocalDir->setFallback([this] { return Config().Path; });
    Session = new SessionController(*Settings, *SiteDatabase, *SiteStats, this);
    Session->SetLocalDirectory(LocalDir);
    QueueModel = new TransferQueue(this);
    Commands = new CommandRegistry(this);
    buildWindow();
    wireSession();
    wirePanes();
    FileOps->WireViews();
    connect(Settings.get(), &SettingsStore::changed, this, &TfrmMain::ApplyViewSettingsToWindow);
    FormCreate(arguments);
}

TfrmMain::~TfrmMain()
{
    // The window's children go before the session: nothing it reports may reach them then.
    Session->disconnect(this);
    Browsers->CloseAll();  // they use the settings, sites and store that go with the window
}

ConfigData& TfrmMain::Config()
{
    return Settings->config();
}

QAction* TfrmMain::command(const QString& id) const
{
    return Commands->action(id);
}

// --- Building ------------------------------------------------------------------------------

void TfrmMain::buildWindow()
{
    setWindowTitle(QString::fromLatin1(Caption));
    setWindowIcon(QApplication::windowIcon());
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(2, 2, 2, 0);
    outer->setSpacing(2);
    QuickConnect = new QuickConnectBar(central);
    outer->addWidget(QuickConnect);

    MiddleSplitter = new QSplitter(Qt::Horizontal, central);
    MiddleSplitter->setObjectName(QStringLiteral("MiddleSplitter"));
    LocalPanel = new FilePanel(*LocalDir, Config(), MiddleSplitter);
    LocalPanel->View()->setObjectName(QStringLiteral("Local"));
    LocalPanel->PathBox()->setObjectName(QStringLiteral("LocalPathBox"));
    RemotePanel = new FilePanel(Session->Remote(), Config(), MiddleSplitter);
    RemotePanel->setObjectName(QStringLiteral("PanelRemote"));
    RemotePanel->View()->setObjectName(QStringLiteral("Remote"));
    RemotePanel->PathBox()->setObjectName(QStringLiteral("RemotePathBox"));
    MiddleSplitter->addWidget(LocalPanel);
    MiddleSplitter->addWidget(RemotePanel);
    MiddleSplitter->setChildrenCollapsible(false);
    // The stored sizes are those of the remote pane, the queue and the bottom panel: when the
    // window's size changes, the local pane and the log take up the difference, so the stored
    // sizes come back to the pixel however the window manager sizes the window at start.
    MiddleSplitter->setStretchFactor(0, 1);
    MiddleSplitter->setStretchFactor(1, 0);

    buildBottom();
    BottomSplitter = new QSplitter(Qt::Vertical, central);
    BottomSplitter->setObjectName(QStringLiteral("BottomSplitter"));
    BottomSplitter->addWidget(MiddleSplitter);
    BottomSplitter->addWidget(PanelMemo);
    BottomSplitter->setStretchFactor(0, 1);
    BottomSplitter->setStretchFactor(1, 0);
    BottomSplitter->setChildrenCollapsible(false);
    PanelMemo->setMinimumHeight(70);
    outer->addWidget(BottomSplitter, 1);
    setCentralWidget(central);

    buildStatusBar();
    buildCommands();
    buildMenus();
    buildToolBar();
    buildTray();
    qApp->installEventFilter(this);
}

void TfrmMain::buildBottom()
{
    PanelMemo = new QWidget(this);
    PanelMemo->setObjectName(QStringLiteral("PanelMemo"));
    auto* layout = new QVBoxLayout(PanelMemo);
    layout->setContentsMargins(0, 0, 0, 0);
    Splitter3 = new QSplitter(Qt::Horizontal, PanelMemo);
    Splitter3->setObjectName(QStringLiteral("Splitter3"));
    Memo1 = new TcXConsole(Splitter3);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    // The session log scrolls vertically and shows addresses as plain text.
    Memo1->SetScrollBars(TcXConsole::ssVertical);
    Memo1->SetURLRecognize(false);
    Queue = new TOrvoListView(Splitter3);  // its columns and rows: QueueView
    Queue->setObjectName(QStringLiteral("Queue"));
    Splitter3->addWidget(Memo1);
    Splitter3->addWidget(Queue);
    Splitter3->setChildrenCollapsible(false);
    Splitter3->setStretchFactor(0, 1);
    Splitter3->setStretchFactor(1, 0);
    layout->addWidget(Splitter3);
}

void TfrmMain::buildStatusBar()
{
    StatusText = new QLabel(this);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    StatusProgress = new TProgressPanel(this);
    StatusProgress->setObjectName(QStringLiteral("StatusProgress"));
    statusBar()->addWidget(StatusText, 1);
    statusBar()->addWidget(StatusProgress, 1);
    statusBar()->addPermanentWidget(new TSecurityIndicator(*Session, this));
}

void TfrmMain::buildTray()
{
    TrayMenu = new QMenu(this);
    QAction* restore = TrayMenu->addAction(QStringLiteral("&Restore"), this, &TfrmMain::RestoreFromTray);
    QFont bold = restore->font();
    bold.setBold(true);
    restore->setFont(bold);  // the default item
    TrayMenu->addSeparator();
    TrayMenu->addAction(QStringLiteral("&Exit"), this, &QWidget::close);
    TrayIcon = new QSystemTrayIcon(windowIcon(), this);
    TrayIcon->setContextMenu(TrayMenu);
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
            RestoreFromTray();
    });
}

// --- Start-up ------------------------------------------------------------------------------

void TfrmMain::FormCreate(const QStringList& rawArguments)
{
    // 1-2: starting; everything that needs a session or a later step stays off. The
    // command line takes the working directory before the local view makes its own current.
    Session->SetState(SessionState::StartingUp);
    CommandLine = new MainCommandLine(*this);
    setWindowTitle(QString::fromLatin1(Caption));
    RemotePanel->PathBox()->setEnabled(false);
    Commands->update();

    // 6: the first-start import of an older version's sites and settings from the home
    // directory; it runs once, failed or not.
    const FirstStartImport imported = firstStartImport(*SiteDatabase, Settings->file(), ProgramDirectory::legacyDirectory());
    if (!imported.file.isEmpty()) {
        Settings->reload();
        Session->LogLine(QStringLiteral("Imported the sites and settings of %1: %2").arg(imported.file, importCompleteText(imported.result)));
    }
    if (imported.problem)
        Session->LogLine(QStringLiteral("ERROR: Importing the sites of an older version failed: ") + *imported.problem,
                         SessionController::LogError);

    // 8: the group menu, view settings and the completion check marks; 9: "Auto"; 10: the
    // history.
    SiteMenus->BuildGroupMenu();
    ApplyViewSettingsToWindow();
    Session->SetTransferMode(TransferModeChoice::Auto);
    QuickConnect->SetHistory(readHistory(*Settings->file().read()));

    // 11: a start directory that is gone gives way to the home directory. The record keeps
    // the stored text: the preferences show and keep it (a disk that is not mounted now).
    const QString startDir = QFileInfo(Config().Path).isDir() ? Config().Path : QDir::homePath();

    // 12: layout (the pane sizes wait for the window's final size: FirstResize).
    ApplyLayout();

    // 14: the local directory.
    LocalDir->setCurrentDirectory(EnsureTrailingSeparator(startDir));
    ListLocal();
    if (Config().RemoteAutoSize)
        FitColumns(*RemotePanel->View());
    FitColumns(*Queue);
    Session->ShowStatus(0);
    // Other programs poke commands over the session bus (when there is one).
    Scripts->Start();

    // 15: arguments.
    const QStringList arguments =
        CollectArguments(rawArguments, QCoreApplication::applicationFilePath(), CommandLine->LaunchDirectory());
    if (!arguments.isEmpty())
        ProcessCommandLine(arguments);
    else if (!QueueControl->PostPendingQueueOffer() && Config().ShowSiteManager)
        QMetaObject::invokeMethod(this, [this] { SiteMenus->ShowSiteManager(); }, Qt::QueuedConnection);
}

void TfrmMain::ProcessCommandLine(const QStringList& arguments)
{
    CommandLine->Process(arguments);
}

void TfrmMain::FirstResize()
{
    Memo1->AddLine(Session->Ftp().Description(), clBlack);
    applyPaneSizes();
    for (TOrvoListView* view : {LocalPanel->View(), RemotePanel->View(), Queue})
        FitColumns(*view);
    Session->SetState(SessionState::NotConnected);
    Commands->update();
}

// --- Exit ----------------------------------------------------------------------------------

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (!m_closeConfirmed && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    m_closeConfirmed = true;
    if (!m_closing) {
        m_closing = true;
        FormClose();
    }
    event->accept();
}

void TfrmMain::CloseWithoutAsking()
{
    m_closeConfirmed = true;
    close();
}

bool TfrmMain::FormCloseQuery()
{
    if (Session->TransferRunning() && Config().ExitWarn) {
        return prompts().messageBox(QStringLiteral("There is a transfer in progress.  Are you sure you want to exit?"),
                                    QString::fromLatin1(Caption), Prompt::Icon::Question, Prompt::Yes | Prompt::No)
               == Prompt::Yes;
    }
    if (Config().ConfirmQueue && Queue->Count() > 0) {
        return prompts().messageBox(
                   QStringLiteral("There are still files in the transfer queue.  Are you sure you want to exit?"),
                   QString::fromLatin1(Caption), Prompt::Icon::Question, Prompt::Yes | Prompt::No)
               == Prompt::Yes;
    }
    return true;
}

void TfrmMain::FormClose()
{
    QApplication::setApplicationDisplayName(QStringLiteral("Closing OrvoFTP..."));
    Scripts->Shutdown();
    Session->SetScriptRunning(false);
    QueueControl->SavePendingQueue();  // while the session still tells whether a batch runs
    Browsers->CloseAll();
    Session->Shutdown();
    const bool hidden = TrayIcon->isVisible();
    if (hidden)
        TrayIcon->hide();
    try {
        Settings->file().edit([&](IniDocument& doc) { writeHistory(doc, QuickConnect->History()); });
        SaveLayout(hidden);
    } catch (const std::exception&) {
        // Nothing to be done at exit beyond not crashing: the file stays as it was.
    }
}
