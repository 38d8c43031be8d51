#pragma once

#include "app/sessionstate.h"
#include "settings/configdata.h"
#include "settings/settings.h"

#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <memory>

class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QSystemTrayIcon;
class QToolBar;
class IniFile;
class TcXConsole;
class TFtp;
class TOrvoListView;
class TSiteDatabase;
class TSiteStats;
class TProgressPanel;

// The main window: it owns the FTP session, the views, the log console and the timers, and
// ties them together. The class is one, as every part of the program knows it; its handlers
// live in files by concern:
//   mainwindow.cpp      building the window, start-up, the exit sequence, error reports
//   mainlayout.cpp      window state, resizing, splitters, show/hide, tray icon, history
//   mainconnect.cpp     the connect routine (quick-connect box, addresses, sites, proxy)
//   mainsession.cpp     the session's events, status texts, log lines, timers, abort
//   mainmenus.cpp       menus, toolbar and command availability
//   mainremote.cpp      the remote view and the listing cache
//   mainlocal.cpp       the local view
class TfrmMain : public QMainWindow
{
    Q_OBJECT

public:
    // `arguments`: the program's arguments after the program itself.
    explicit TfrmMain(const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~TfrmMain() override;

    static constexpr const char* Caption = "OrvoFTP 2.50";

    // --- Window parts ---------------------------------------------------------------------
    QWidget* PanelServer = nullptr;
    QComboBox* txtFTPServer = nullptr;
    QWidget* PanelInfo = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPass = nullptr;
    QLineEdit* txtPort = nullptr;
    QToolBar* ToolBar = nullptr;
    QComboBox* LocalPathBox = nullptr;
    TOrvoListView* Local = nullptr;
    QLabel* PanelLocalCount = nullptr;
    QWidget* PanelRemote = nullptr;
    QComboBox* RemotePathBox = nullptr;
    TOrvoListView* Remote = nullptr;
    QLabel* PanelRemoteCount = nullptr;
    QSplitter* MiddleSplitter = nullptr;
    QWidget* PanelMemo = nullptr;
    QSplitter* BottomSplitter = nullptr;
    QSplitter* Splitter3 = nullptr;
    TcXConsole* Memo1 = nullptr;
    TOrvoListView* Queue = nullptr;
    QLabel* StatusText = nullptr;         // status panel 0
    TProgressPanel* StatusProgress = nullptr;  // status panel 1
    QTimer IdleTimer;
    QTimer RestartTimer;
    QTimer ScriptTimer;
    QTimer TransferTimer;
    QSystemTrayIcon* TrayIcon = nullptr;
    QMenu* TrayMenu = nullptr;

    // Commands the other parts and the tests reach by name.
    QAction* btnConnect = nullptr;
    QAction* btnDisconnect = nullptr;
    QAction* btnAbort = nullptr;
    QAction* mnuReconnect = nullptr;
    QAction* mnuIdle = nullptr;
    QAction* mnuSiteResumes = nullptr;
    QAction* mnuRawCmd = nullptr;
    QAction* mnuHalt = nullptr;
    QAction* mnuShowToolbar = nullptr;
    QAction* mnuShowPrompts = nullptr;
    QAction* mnuShowQueue = nullptr;
    QAction* mnuShowLinks = nullptr;
    QAction* mnuResolveFile = nullptr;
    QAction* mnuHide = nullptr;
    QAction* mnuClearHistory = nullptr;
    QAction* mnuCompleteIdle = nullptr;
    QAction* mnuCompleteDisconnect = nullptr;
    QAction* mnuCompleteHangup = nullptr;
    QAction* mnuCompleteQuit = nullptr;
    QMenu* mnuServerMenu = nullptr;
    QMenu* mnuCommandsMenu = nullptr;
    QMenu* mnuDirectoryMenu = nullptr;
    QMenu* mnuQueueMenu = nullptr;
    QMenu* mnuOptionsMenu = nullptr;
    QMenu* mnuSitesMenu = nullptr;
    QMenu* mnuToolsMenu = nullptr;
    QMenu* mnuHelpMenu = nullptr;

    // --- Process-wide state ---------------------------------------------------------------
    TFtp* FTP = nullptr;
    SessionState State = SessionState::StartingUp;
    FollowUp Follow = FollowUp::None;
    QString CurrentSiteName;
    QString CurrentLocalDir;
    QString CurrentRemoteDir;
    QString LocalFilter = QStringLiteral("*.*");
    QString RemoteFilter = QStringLiteral("*.*");
    QString ProgramDir;  // with a trailing separator
    QString TempDir;     // with a trailing separator
    QString HomeDir;     // stands for the old version's "Windows directory"
    bool FirstRun = false;
    bool ScriptRunning = false;
    Settings Prefs;  // the settings record (ConfigData in Prefs.config) and its lists
    ViewSettings View;
    std::unique_ptr<IniFile> SettingsFile;
    std::unique_ptr<TSiteDatabase> SiteDatabase;
    std::unique_ptr<TSiteStats> SiteStats;

    // Per connection.
    bool ExternalRedialer = false;
    bool RenameExtensions = false;
    int IdleSeconds = 0;
    int ReconnectTicks = 0;
    QStringList MessageLines;
    QString TransferModeText = QStringLiteral("Auto");
    int ProgressPercent = 0;
    QString ProgressText;
    bool ProgressTicked = false;

    ConfigData& Config() { return Prefs.config; }

    // --- Steps every main-window part uses (mainsession.cpp) -------------------------------
    enum LogKind { LogStatus = 0, LogCommand = 1, LogReply = 2, LogError = 3 };
    void LogLine(const QString& text, int kind = LogStatus);
    void ShowStatus(int code, const QString& attempt = {});
    void EnterBusy();
    void EnterReady();
    void ResetToDisconnected();
    bool TransferRunning() const { return State == SessionState::Downloading || State == SessionState::Uploading; }
    void SetSessionState(SessionState state) { State = state; }

    // --- Connection control (mainconnect.cpp, mainsession.cpp) -----------------------------
    void btnConnectClick();
    void btnDisconnectClick();
    void btnAbortClick();
    void mnuReconnectClick();
    void mnuRawCmdClick();
    void mnuRunProgramClick();
    void mnuOpenUrlClick();
    void ConnectRoutine();
    void BeginConnect();
    void ConnectToSiteEntry(const QString& siteName);  // an entry of the group menu
    void txtFTPServerChange(const QString& text);
    void QuickConnectEnter();
    void CheckClipboard();
    void RestartTimerTimer();  // the reconnect timer's tick
    void IdleTimerTimer();     // the anti-idle timer's tick

    // --- Start-up, layout and exit (mainwindow.cpp, mainlayout.cpp) -----------------------
    void AddHistory(const QString& item);
    QStringList History() const;
    void mnuHideClick();
    void RestoreFromTray();
    void ApplyLayout();
    void SaveLayout();
    void ProcessCommandLine(const QStringList& arguments);
    void ShowAbout();
    void ShowHelp();
    // The first resize: description line, pane sizes on a first run, state 0.
    void FirstResize();

    // The arguments the program was started with, as the start-up collected them.
    static QStringList CollectArguments(const QStringList& raw);

    // --- Remote view (mainremote.cpp) ------------------------------------------------------

    // --- Local view (mainlocal.cpp) --------------------------------------------------------

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void buildPanes();
    void buildBottom();
    void buildStatusBar();
    void buildMenus();
    void buildToolBar();
    void buildTray();
    void wireSession();
    void FormCreate(const QStringList& arguments);
    bool FormCloseQuery();
    void FormClose();
    void updateOptionsMenu();
    void updateCommandsMenu();
    void setCompletionAction(int option);

    // Session events (mainsession.cpp).
    void FTPFtpInfo(quint8 info, const QString& addinfo);
    void FTPFtpError(quint8 error, const QString& addinfo);
    void FTPLoggedIn();
    void FTPFtpQuit();
    void FTPFtpReady();
    void FTPRawCommand();
    void showMessageWindow(const QString& title);

    // Connect routine steps (mainconnect.cpp).
    bool applySiteEntry(const QString& siteName, QString* initialDirectory);
    bool askPassword();
    void applyProxy(const QString& host, quint16 port);

    // --- Remote view internals (mainremote.cpp) ---------------------------------------------

    // --- Local view internals (mainlocal.cpp) ----------------------------------------------

    int m_statusAttempt = 0;
    bool m_closing = false;
    bool m_closeConfirmed = false;
    bool m_resized = false;
    bool m_suppressServerChange = false;
};
