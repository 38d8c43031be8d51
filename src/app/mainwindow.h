#pragma once

#include "app/listingcache.h"
#include "app/sessionstate.h"
#include "engine/listparser.h"
#include "settings/configdata.h"
#include "settings/settings.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <memory>

class QAction;
class QActionGroup;
class QComboBox;
class QKeyEvent;
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
class TFindBox;

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
//   mainviewcommands.cpp  commands on whichever file view has the focus: filters, selection,
//                       styles, sorting, find, context menus; saving and printing the listing
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
    TListingCache ListingCache;  // remote directory (with separator) -> file of raw lines
    QStringList LinkRecords;     // "where a link was followed;directory it led to"
    int RemoteFolders = 0;       // counters of the listing shown; links count in neither
    int RemoteFiles = 0;
    void RefreshRemote();  // after login and after every directory change
    void ListRemote();
    void ShowCachedListing(int index);
    void AddListingLine(const QString& rawLine);  // information 15
    void FTPListingDone();
    void FTPDirectoryChanged();
    void FlushListingCache();
    void DropCacheEntry(int index);
    void ClearRemoteView();  // the view, its counters and its count label
    // Every raw line of the listing the view shows, as received or as read from the cache.
    const QStringList& RemoteListingLines() const { return m_remoteRawLines; }
    void RemoteDblClick(int row);
    bool RemoteKeyDown(QKeyEvent* event);
    void RemotePathBoxChoose(int index);
    // Runs the end of the listing again over the raw lines shown, after a filter or switch
    // changed.
    void RefilterRemote();
    QString RemoteListedSummary() const;

    // --- Local view (mainlocal.cpp) --------------------------------------------------------
    int LocalFolders = 0;
    int LocalFiles = 0;
    void ListLocal();
    void RebuildLocalPathBox();
    void LocalPathBoxChange(int index);
    void LocalDblClick(int row);
    bool LocalKeyDown(QKeyEvent* event);
    // Makes `path` the current local directory and reads it; "Unable to access" otherwise.
    bool EnterLocalDirectory(const QString& path);
    QString LocalListedSummary() const;

    // --- Commands on the focused file view (mainviewcommands.cpp) --------------------------
    QAction* mnuRefresh = nullptr;
    QAction* mnuChangeDir = nullptr;
    QAction* mnuFilterFiles = nullptr;
    QAction* mnuFilterDirs = nullptr;
    QAction* mnuFlushCache = nullptr;
    QAction* mnuViewRaw = nullptr;
    QAction* mnuGroupSelect = nullptr;
    QAction* mnuSelectAll = nullptr;
    QAction* mnuInvertSelection = nullptr;
    QAction* mnuLargeIcons = nullptr;
    QAction* mnuSmallIcons = nullptr;
    QAction* mnuListStyle = nullptr;
    QAction* mnuDetails = nullptr;
    QAction* mnuLineUp = nullptr;
    QAction* mnuAutoArrange = nullptr;
    QAction* mnuSortName = nullptr;
    QAction* mnuSortSize = nullptr;
    QAction* mnuSortDate = nullptr;
    QAction* mnuSortExtension = nullptr;
    QAction* mnuFindFile = nullptr;
    QAction* mnuFindNext = nullptr;
    QAction* mnuSaveListing = nullptr;   // "&Save" of the server menu
    QAction* mnuPrintListing = nullptr;  // "&Print" of the server menu
    QAction* mnuSaveLocalPath = nullptr;
    QAction* mnuSaveRemotePath = nullptr;
    QMenu* PopupView = nullptr;  // the file views' right-button menu
    TFindBox* FindBox = nullptr;
    // The file view the commands act on: the one that had the focus last (local at first).
    TOrvoListView* ActiveView() const { return m_activeView; }
    bool RemoteActive() const { return m_activeView == Remote; }
    void SetActiveView(TOrvoListView* view);
    void mnuRefreshClick();
    void mnuChangeDirClick();
    void mnuFilterFilesClick();
    void mnuFilterDirsClick();
    void mnuGroupSelectClick();
    void SelectAllRows(TOrvoListView* view);  // every row but the parent entry
    void InvertSelection(TOrvoListView* view);
    void SetFocusedViewStyle(int style);
    void SortFocusedView(int column);  // 0-2 by column, 3 by extension
    void SortView(TOrvoListView& view);  // by the AutoSort preference
    void mnuFindFileClick();
    void FindFile(const QString& text);
    void mnuFindNextClick();
    void mnuSaveListingClick();
    void mnuPrintListingClick();
    void mnuViewRawClick();
    void mnuSaveLocalPathClick();
    void mnuSaveRemotePathClick();
    void ViewContextMenu(TOrvoListView* view, QPoint globalPos);
    // The count label of a view: the selected summary when rows are selected, else the
    // listed one.
    void UpdateSelectionSummary(TOrvoListView* view);
    // The view parts of the settings: console line limit, column headers, whole-row
    // selection (only ever switched on) and the font of the views, queue and console.
    void ApplyViewSettingsToWindow();
    QFont ViewFont() const;

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
    void beginRemoteFill();
    void endRemoteFill();
    void refillRemoteRows();
    void addRemoteRow(const QString& rawLine, const ListEntry& entry);
    void finishRemoteRows();
    void selectRemotePathItem();
    void beginRemoteDirectoryChange();
    void wireViews();

    TListParser RemoteParser;
    QStringList m_remoteRawLines;
    bool m_remoteFilling = false;     // rows are arriving (view updates suspended)
    bool m_refilterPending = false;   // a switch changed while rows were arriving
    bool m_followingLink = false;     // the next directory change ends a link record
    QElapsedTimer m_remoteBatchClock;  // rows are shown in batches while they arrive

    // --- Local view internals (mainlocal.cpp) ----------------------------------------------
    QString fallbackLocalDir() const;

    // --- Focused-view internals (mainviewcommands.cpp) -------------------------------------
    void buildViewMenus();
    void updateViewCommands();
    void updateCountLabelColours();
    void selectFoundRow(TOrvoListView* view, int row);
    QLabel* countLabelOf(TOrvoListView* view) const;

    TOrvoListView* m_activeView = nullptr;
    QString m_findText;
    QList<TOrvoListView*> m_summaryPending;  // views whose count label is due

    int m_statusAttempt = 0;
    bool m_closing = false;
    bool m_closeConfirmed = false;
    bool m_resized = false;
    bool m_suppressServerChange = false;
};
