#pragma once

#include "session/sessionstate.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

class QAction;
class QKeyEvent;
class QLabel;
class QMenu;
class QSplitter;
class QSystemTrayIcon;
class QToolBar;
class CommandRegistry;
class FilePanel;
class LocalDirectoryModel;
class MainCommandLine;
class MainBrowsers;
class MainScripts;
class MainCustomCommands;
class MainPreferences;
class MainFileOps;
class MainEditView;
class MainTransfers;
class MainSites;
class QueueController;
class QuickConnectBar;
class SessionController;
class SettingsStore;
class TcXConsole;
class TFindBox;
class TOrvoListView;
class TProgressPanel;
class TSiteDatabase;
class TSiteStats;
class TransferQueue;
struct ConfigData;

// The main window: it assembles the panels, menus, toolbar and status bar around the
// controllers below it (the session, the local directory, the settings and the sites) and
// delegates to them. Its handlers live in files by concern:
//   mainwindow.cpp     building the window, start-up, the exit sequence
//   mainlayout.cpp     window state, resizing, splitters, show/hide, tray icon, keys, wheel
//   mainsession.cpp    what the session reports (log, status, titles, messages, sounds) and
//                      the connection commands
//   mainmenus.cpp      the commands with their enabled rules, menus, toolbar, About, help
//   mainpanes.cpp      navigation in the two file views and their path boxes
//   mainviewcommands.cpp  commands on the focused view: refresh, change directory, filters,
//                      selection, styles, sorting, find, the listing's save, print and view
// The transfer queue's window side lives in QueueController (queuecontroller.cpp, queuefiles.cpp),
// the batches' in MainTransfers (maintransfers.cpp, transferstatus.cpp), the file commands in
// MainFileOps (mainfileops.cpp), View and Edit in MainEditView (maineditview.cpp), scripts and
// the D-Bus link in MainScripts (mainscripts.cpp).
class TfrmMain : public QMainWindow
{
    Q_OBJECT

public:
    // `arguments`: the program's arguments after the program itself.
    explicit TfrmMain(const QStringList& arguments = {}, QWidget* parent = nullptr);
    ~TfrmMain() override;

    static constexpr const char* Caption = "OrvoFTP 2.50";

    // --- What the window assembles ----------------------------------------------------------
    QString ProgramDir;  // with a trailing separator
    std::unique_ptr<SettingsStore> Settings;
    std::unique_ptr<TSiteDatabase> SiteDatabase;
    std::unique_ptr<TSiteStats> SiteStats;
    SessionController* Session = nullptr;
    LocalDirectoryModel* LocalDir = nullptr;
    CommandRegistry* Commands = nullptr;
    QuickConnectBar* QuickConnect = nullptr;
    FilePanel* LocalPanel = nullptr;
    FilePanel* RemotePanel = nullptr;
    TcXConsole* Memo1 = nullptr;
    TOrvoListView* Queue = nullptr;          // the queue list, a view of QueueModel
    TransferQueue* QueueModel = nullptr;     // the transfer queue
    QueueController* QueueControl = nullptr; // the queue's commands, drops and files
    MainTransfers* Transfers = nullptr;      // batches: their commands, drops and display
    QSplitter* MiddleSplitter = nullptr;
    QSplitter* BottomSplitter = nullptr;
    QSplitter* Splitter3 = nullptr;
    QWidget* PanelMemo = nullptr;
    QToolBar* ToolBar = nullptr;
    QLabel* StatusText = nullptr;              // status panel 0
    TProgressPanel* StatusProgress = nullptr;  // status panel 1
    QSystemTrayIcon* TrayIcon = nullptr;
    QMenu* TrayMenu = nullptr;
    QMenu* PopupView = nullptr;  // the file views' right-button menu
    QMenu* PopupCommand = nullptr;  // the same over a selection of an idle session
    MainFileOps* FileOps = nullptr;  // the file commands (mainfileops.cpp)
    MainEditView* EditView = nullptr;  // View and Edit (maineditview.cpp)
    TFindBox* FindBox = nullptr;
    MainScripts* Scripts = nullptr;  // scripts, typed commands and the D-Bus link (mainscripts.cpp)
    MainSites* SiteMenus = nullptr;  // the site commands and the group menu (mainsites.cpp)
    MainPreferences* Prefs = nullptr;  // the "&Preferences" submenu (mainprefs.cpp)
    MainCustomCommands* CustomCommands = nullptr;  // the "Custom Commands" submenu (maincustom.cpp)
    MainCommandLine* CommandLine = nullptr;  // the program's arguments (maincommandline.cpp)
    MainBrowsers* Browsers = nullptr;  // the server browsers (mainbrowser.cpp)

    ConfigData& Config();
    // A command by its id ("btnConnect", "mnuRefresh", ...).
    QAction* command(const QString& id) const;

    // --- Connection commands (mainsession.cpp) --------------------------------------------
    void btnConnectClick();
    void QuickConnectEnter();
    // A site entry of a site menu: connects to it (refused while a transfer runs).
    void ConnectToSiteEntry(const QString& siteName);
    void ConnectRoutine();
    void mnuRawCmdClick();
    void CheckClipboard();

    // --- Panes (mainpanes.cpp, mainviewcommands.cpp) ---------------------------------------
    // The pane the view commands act on: the one that had the focus last (local at first).
    FilePanel* ActivePanel() const { return m_active; }
    void SetActivePanel(FilePanel* panel);
    void ListLocal();
    // Makes `path` the current local directory and reads it; "Unable to access" otherwise.
    bool EnterLocalDirectory(const QString& path);
    void RemoteDblClick(int row);
    void LocalDblClick(int row);
    bool RemoteKeyDown(QKeyEvent* event);
    bool LocalKeyDown(QKeyEvent* event);
    void ViewContextMenu(FilePanel* panel, QPoint globalPos);

    // The window back from the notification area.
    void RestoreFromTray();

    // The first resize: the socket layer's description line, pane sizes on a first run,
    // state 0.
    void FirstResize();
    // Closes without the exit questions: an unattended run (QUIT) has ended.
    void CloseWithoutAsking();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building (mainwindow.cpp, mainmenus.cpp).
    void buildWindow();
    void buildBottom();
    void buildStatusBar();
    void buildCommands();
    void buildConnectionCommands();
    void buildViewCommands();
    void buildMenus();
    void buildToolBar();
    void buildTray();
    void wireSession();
    void wirePanes();
    struct CommandContext commandContext() const;
    // Start-up and exit (mainwindow.cpp).
    void FormCreate(const QStringList& arguments);
    void ProcessCommandLine(const QStringList& arguments);
    bool FormCloseQuery();
    void FormClose();
    // Layout (mainlayout.cpp).
    void ApplyLayout();
    void applyPaneSizes();
    void SaveLayout(bool hiddenToTray);
    void mnuHideClick();
    // Session reports (mainsession.cpp).
    void SessionBusyChanged(bool busy);
    void SessionLoggedIn(const QString& displayName);
    void SessionDisconnected();
    void ShowMessageWindow(const QString& title, const QStringList& lines);
    // View commands (mainviewcommands.cpp).
    void mnuRefreshClick();
    void mnuChangeDirClick();
    void mnuFilterFilesClick();
    void mnuFilterDirsClick();
    void mnuGroupSelectClick();
    void SelectAllRows(FilePanel* panel);
    void InvertSelection(FilePanel* panel);
    void SetFocusedViewStyle(int style);
    void SortFocusedView(int column);
    void mnuFindFileClick();
    void FindFile(const QString& text);
    void mnuFindNextClick();
    void mnuSaveListingClick();
    void mnuPrintListingClick();
    void mnuViewRawClick();
    void mnuSaveLocalPathClick();
    void mnuSaveRemotePathClick();
    void updateViewChecks();
    void ApplyViewSettingsToWindow();
    QFont ViewFont() const;
    FilePanel* panelOf(const TOrvoListView* view) const;

    std::unique_ptr<struct WindowLayout> m_layout;  // applied at start, pane sizes at FirstResize
    FilePanel* m_active = nullptr;
    QString m_findText;
    bool m_closing = false;
    bool m_closeConfirmed = false;
    bool m_resized = false;
};
