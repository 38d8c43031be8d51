// The main window: building it, the start-up sequence, the exit sequence.
#include "app/mainwindow.h"

#include "app/columnfit.h"
#include "app/pathhelpers.h"
#include "app/progresspanel.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "platform/inifile.h"
#include "platform/programdir.h"
#include "platform/prompt.h"
#include "settings/layout.h"
#include "sites/sitedatabase.h"
#include "sites/sitestats.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QLabel* countLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setContentsMargins(4, 1, 4, 1);
    return label;
}

QComboBox* pathBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(10);
    return box;
}

}  // namespace

TfrmMain::TfrmMain(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    FTP = new TFtp(this);
    FTP->Retry = 500;  // the window's component is stored with it; the connect routine sets it
    buildWindow();
    wireSession();
    wireViews();
    FormCreate(arguments);
}

TfrmMain::~TfrmMain()
{
    // No event of the session may reach a window that is going away.
    FTP->OnFtpInfo = nullptr;
    FTP->OnFtpError = nullptr;
    FTP->OnFtpQuit = nullptr;
    FTP->OnListingDone = nullptr;
    FTP->OnDirectoryChanged = nullptr;
    FTP->Close();
}

QStringList TfrmMain::CollectArguments(const QStringList& raw)
{
    QStringList collected;
    for (const QString& argument : raw) {
        if (argument.isEmpty())
            break;
        if (argument.toUpper().contains(QLatin1String("ORVOFTP.EXE")))
            continue;
        // The executable's own path, as a shell or launcher may pass it again.
        if (QFileInfo(argument).canonicalFilePath() == QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath())
            continue;
        collected << argument;
    }
    return collected;
}

// --- Building ------------------------------------------------------------------------------

void TfrmMain::buildWindow()
{
    setWindowTitle(QString::fromLatin1(Caption));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("network-server"), QApplication::windowIcon()));
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(2, 2, 2, 0);
    outer->setSpacing(2);

    // Quick-connect bar: the server box, then the user, password and port boxes.
    auto* quick = new QWidget(central);
    auto* quickLayout = new QHBoxLayout(quick);
    quickLayout->setContentsMargins(0, 0, 0, 0);
    PanelServer = new QWidget(quick);
    auto* serverLayout = new QHBoxLayout(PanelServer);
    serverLayout->setContentsMargins(0, 0, 0, 0);
    txtFTPServer = new QComboBox(PanelServer);
    txtFTPServer->setObjectName(QStringLiteral("txtFTPServer"));
    txtFTPServer->setEditable(true);
    txtFTPServer->setInsertPolicy(QComboBox::NoInsert);
    txtFTPServer->setMaxCount(15);
    txtFTPServer->lineEdit()->setPlaceholderText(QStringLiteral("IP:<user>:<pass>:<port>"));
    txtFTPServer->setToolTip(QStringLiteral("IP:<user>:<pass>:<port>"));
    serverLayout->addWidget(new QLabel(QStringLiteral("FTP Server"), PanelServer));
    serverLayout->addWidget(txtFTPServer, 1);
    quickLayout->addWidget(PanelServer, 3);
    PanelInfo = new QWidget(quick);
    auto* infoLayout = new QHBoxLayout(PanelInfo);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    txtUser = new QLineEdit(PanelInfo);
    txtUser->setObjectName(QStringLiteral("txtUser"));
    txtPass = new QLineEdit(PanelInfo);
    txtPass->setObjectName(QStringLiteral("txtPass"));
    txtPass->setEchoMode(QLineEdit::Password);
    txtPort = new QLineEdit(QStringLiteral("21"), PanelInfo);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setMaximumWidth(70);
    infoLayout->addWidget(new QLabel(QStringLiteral("User"), PanelInfo));
    infoLayout->addWidget(txtUser, 1);
    infoLayout->addWidget(new QLabel(QStringLiteral("Password"), PanelInfo));
    infoLayout->addWidget(txtPass, 1);
    infoLayout->addWidget(new QLabel(QStringLiteral("Port"), PanelInfo));
    infoLayout->addWidget(txtPort);
    quickLayout->addWidget(PanelInfo, 4);
    outer->addWidget(quick);

    buildPanes();
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
    buildMenus();
    buildToolBar();
    buildTray();

    for (QTimer* timer : {&IdleTimer, &RestartTimer, &ScriptTimer, &TransferTimer})
        timer->stop();
    IdleTimer.setInterval(1000);
    RestartTimer.setInterval(1000);
    TransferTimer.setInterval(1000);
    ScriptTimer.setSingleShot(true);
    connect(&IdleTimer, &QTimer::timeout, this, &TfrmMain::IdleTimerTimer);
    connect(&RestartTimer, &QTimer::timeout, this, &TfrmMain::RestartTimerTimer);

    connect(txtFTPServer, &QComboBox::editTextChanged, this, &TfrmMain::txtFTPServerChange);
    for (QLineEdit* edit : {txtFTPServer->lineEdit(), txtUser, txtPass, txtPort})
        connect(edit, &QLineEdit::returnPressed, this, &TfrmMain::QuickConnectEnter);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TfrmMain::CheckClipboard);
    qApp->installEventFilter(this);
}

void TfrmMain::buildPanes()
{
    MiddleSplitter = new QSplitter(Qt::Horizontal, this);
    MiddleSplitter->setObjectName(QStringLiteral("MiddleSplitter"));

    auto* localPane = new QWidget(MiddleSplitter);
    auto* localLayout = new QVBoxLayout(localPane);
    localLayout->setContentsMargins(0, 0, 0, 0);
    localLayout->setSpacing(1);
    LocalPathBox = pathBox(localPane);
    LocalPathBox->setObjectName(QStringLiteral("LocalPathBox"));
    Local = new TOrvoListView(localPane);
    Local->setObjectName(QStringLiteral("Local"));
    PanelLocalCount = countLabel(localPane);
    localLayout->addWidget(LocalPathBox);
    localLayout->addWidget(Local, 1);
    localLayout->addWidget(PanelLocalCount);

    PanelRemote = new QWidget(MiddleSplitter);
    auto* remoteLayout = new QVBoxLayout(PanelRemote);
    remoteLayout->setContentsMargins(0, 0, 0, 0);
    remoteLayout->setSpacing(1);
    RemotePathBox = pathBox(PanelRemote);
    RemotePathBox->setObjectName(QStringLiteral("RemotePathBox"));
    Remote = new TOrvoListView(PanelRemote);
    Remote->setObjectName(QStringLiteral("Remote"));
    PanelRemoteCount = countLabel(PanelRemote);
    remoteLayout->addWidget(RemotePathBox);
    remoteLayout->addWidget(Remote, 1);
    remoteLayout->addWidget(PanelRemoteCount);

    MiddleSplitter->addWidget(localPane);
    MiddleSplitter->addWidget(PanelRemote);
    MiddleSplitter->setChildrenCollapsible(false);

    Local->AddColumn(QStringLiteral("Name"), 100);
    Local->AddColumn(QStringLiteral("Size"), 65, Qt::AlignRight);
    Local->AddColumn(QStringLiteral("Date"), 100);
    Remote->AddColumn(QStringLiteral("Name"), 100);
    Remote->AddColumn(QStringLiteral("Size"), 65, Qt::AlignRight);
    Remote->AddColumn(QStringLiteral("Date"), 90);
    Remote->AddColumn(QStringLiteral("Attrib"), 80);
    for (TOrvoListView* view : {Local, Remote}) {
        view->SetMultiSelect(true);
        view->SetDragEnabled(true);
    }
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
    Queue = new TOrvoListView(Splitter3);
    Queue->setObjectName(QStringLiteral("Queue"));
    Queue->AddColumn(QStringLiteral("Source"), 200);
    Queue->AddColumn(QStringLiteral("Size"), 70, Qt::AlignRight);
    Queue->AddColumn(QStringLiteral("Target"), 200);
    Queue->SetMultiSelect(true);
    Queue->SetRowSelect(true);
    Splitter3->addWidget(Memo1);
    Splitter3->addWidget(Queue);
    Splitter3->setChildrenCollapsible(false);
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
    // 1-2: starting; everything that needs a session or a later step stays off.
    State = SessionState::StartingUp;
    setWindowTitle(QString::fromLatin1(Caption));
    btnConnect->setEnabled(false);
    btnDisconnect->setEnabled(false);
    RemotePathBox->setEnabled(false);
    Follow = FollowUp::None;
    CurrentSiteName.clear();
    LocalFilter = RemoteFilter = QStringLiteral("*.*");

    // 3: directories.
    TempDir = EnsureTrailingSeparator(QDir::tempPath());
    ProgramDir = ProgramDirectory::path();
    HomeDir = ProgramDirectory::legacyDirectory();

    // 4-5: the three files and the settings.
    SettingsFile = std::make_unique<IniFile>(ProgramDir + QStringLiteral("orvoftp.ini"));
    FirstRun = !SettingsFile->exists();
    SiteDatabase = std::make_unique<TSiteDatabase>(ProgramDir + QStringLiteral("sites.ini"));
    SiteStats = std::make_unique<TSiteStats>(ProgramDir + QStringLiteral("stats.dat"));
    LoadSettings(*SettingsFile, Prefs, FTP->NoProxyHost);

    // 8: view settings and the completion check marks.
    View = ApplyViewSettings(*SettingsFile, *FTP);
    ApplyViewSettingsToWindow();
    setCompletionAction(Config().XferOption);

    // 9: transfer mode "Auto"; 10: the history.
    TransferModeText = QStringLiteral("Auto");
    m_suppressServerChange = true;
    txtFTPServer->addItems(readHistory(*SettingsFile->read()));
    txtFTPServer->setCurrentIndex(-1);
    txtFTPServer->setEditText(QString());
    m_suppressServerChange = false;

    // 11: a start directory that is gone gives way to the root.
    if (!QFileInfo(Config().Path).isDir())
        Config().Path = QStringLiteral("/");

    // 12: layout; 13: drops onto the queue.
    ApplyLayout();
    Queue->SetAcceptFiles(true);

    // 14: the local directory.
    CurrentLocalDir = Config().Path.isEmpty() ? ProgramDir : EnsureTrailingSeparator(Config().Path);
    ListLocal();
    if (Config().RemoteAutoSize)
        FitColumns(*Remote);
    FitColumns(*Queue);
    ShowStatus(0);

    // 15: arguments.
    const QStringList arguments = CollectArguments(rawArguments);
    if (!arguments.isEmpty())
        ProcessCommandLine(arguments);
}

void TfrmMain::ProcessCommandLine(const QStringList& arguments)
{
    // The address form: every argument joined into the server box, then connect. The other
    // forms (keywords, scripts, uploads) choose by the first argument as well.
    const QString first = arguments.first();
    if (first.contains(QLatin1Char('=')) || first.startsWith(QLatin1Char('+')))
        return;
    m_suppressServerChange = true;
    txtFTPServer->setEditText(arguments.join(QLatin1Char(' ')));
    m_suppressServerChange = false;
    btnConnect->setEnabled(true);
    // Connect once the window is up, as the start-up sequence ends before the loop runs.
    QMetaObject::invokeMethod(this, [this] { btnConnectClick(); }, Qt::QueuedConnection);
}

void TfrmMain::FirstResize()
{
    Memo1->AddLine(FTP->Description(), clBlack);
    if (FirstRun) {
        Splitter3->setSizes({width() / 2, width() / 2});
        MiddleSplitter->setSizes({width() / 2, width() / 2});
    }
    for (TOrvoListView* view : {Local, Remote, Queue})
        FitColumns(*view);
    State = SessionState::NotConnected;
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

bool TfrmMain::FormCloseQuery()
{
    if (TransferRunning() && Config().ExitWarn) {
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
    for (QTimer* timer : {&IdleTimer, &RestartTimer, &ScriptTimer, &TransferTimer})
        timer->stop();
    if (quint8(State) > quint8(SessionState::Connecting))
        FTP->SendRaw(QStringLiteral("QUIT"));
    ScriptRunning = false;
    if (TransferRunning())
        FTP->AbortWithSynch();
    FTP->Close();
    FlushListingCache();
    if (TrayIcon->isVisible())
        TrayIcon->hide();
    try {
        SettingsFile->edit([&](IniDocument& doc) { writeHistory(doc, History()); });
        SaveLayout();
    } catch (const std::exception&) {
        // Nothing to be done at exit beyond not crashing: the file stays as it was.
    }
}
