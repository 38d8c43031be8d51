#pragma once

#include "fileops/remoteedit.h"
#include "session/connectionrequest.h"
#include "session/fileentry.h"

#include <QMainWindow>
#include <memory>
#include <vector>

class EditStore;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class SessionController;
class SettingsStore;
class TcXConsole;
class TOrvoListView;
class TSiteDatabase;
class TSiteStats;
struct TListItem;

// What a server browser needs of the window that opened it.
class BrowserHost
{
public:
    virtual ~BrowserHost() = default;
    // The main window's "&Show Links" and "&Resolve Links as Files", as they are now.
    virtual bool ShowLinks() const = 0;
    virtual bool ResolveLinks() const = 0;
    // Puts `entries` of `directory` on the browser's server (`server`, its request) into the
    // main window's queue as downloads. Refused (with a message to the user) when the main
    // session is on another server or account now: the batch would fetch them from there.
    // The number of entries queued; -1 when refused.
    virtual int QueueFromBrowser(const ConnectionRequest& server, const QString& directory,
                                 const std::vector<FileEntry>& entries) = 0;
    // Where viewed and edited copies go, and what the desktop lends to a window's edits.
    virtual EditStore& Store() = 0;
    virtual EditHooks HooksFor(QWidget* window) = 0;
};

// The server browser: a second, independent window onto a server, with a session of its own
// (its own SessionController, console, list and path box). The user walks the server's
// directories, views or edits files and puts entries into the main window's queue while the
// main session is busy with transfers. Not modal; its owner is the desktop.
//
// The window ends with its session: a connect or login that fails, an error that ends the
// session ("Unable to browse server", once), the server closing it after the login ("Server
// disconnected."), "&Close", "E&xit" or closing the window (QUIT is sent when logged in).
// It deletes itself once closed.
class TfrmBrowseServer : public QMainWindow
{
    Q_OBJECT

public:
    TfrmBrowseServer(BrowserHost& host, SettingsStore& settings, TSiteDatabase& sites, TSiteStats& stats,
                     QWidget* parent = nullptr);
    ~TfrmBrowseServer() override;

    // Connects to `request` (its login, encryption and route taken as they are) and enters
    // `directory` after the login; the title is "Browsing " + `title`. False when nothing
    // started (the window then closes by itself).
    bool Open(ConnectionRequest request, const QString& directory, const QString& title);

    SessionController& Session() const { return *m_session; }
    // The browser's current directory, with a trailing "/".
    QString CurrentDirectory() const;
    bool LoggedIn() const { return m_loggedIn; }
    bool Busy() const { return m_busy; }

    QComboBox* BrowsePathBox = nullptr;
    TOrvoListView* Browse = nullptr;
    TcXConsole* Memo1 = nullptr;
    QLabel* StatusBar = nullptr;
    QMenu* mnuBrowser = nullptr;
    QMenu* BrowseMenu = nullptr;  // the list's context menu
    QAction* mnuQueue = nullptr;
    QAction* mnuEdit = nullptr;
    QAction* mnuView = nullptr;
    QAction* mnuChangeDir = nullptr;
    QAction* mnuClose = nullptr;

    // The entry a row shows; nullptr for the parent entry "..".
    const FileEntry* EntryAt(int row) const;
    // The selected entries in view order, ".." left out.
    std::vector<FileEntry> SelectedEntries() const;

    // --- Commands --------------------------------------------------------------------------
    void BrowseDblClick(int row);
    void mnuQueueClick();
    void mnuEditClick();
    void mnuViewClick();
    void mnuChangeDirClick();
    void mnuCloseClick();
    void BrowsePathBoxChange(int index);
    // The menus' entries by the selection and the busy state (the menus call it as they open).
    void UpdateCommands();

    // The directory and its parents, the directory first ("/pub/linux/", "/pub/", "/").
    static QStringList PathLevels(const QString& directory);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void buildMenus();
    void wireSession();
    void wireList();
    // Busy and ready states.
    void EnterBusy();
    void EnterReady();
    // What the session reports.
    void FTPLoggedIn();
    void SessionEnded();
    void endSession();
    void endWithMessage(const QString& text);
    // The listing: rows as entries arrive, the end of the listing.
    void listingStarted();
    void entriesArrived();
    void FTPListingDone();
    void appendRows();
    bool shown(const FileEntry& entry) const;
    TListItem rowOf(size_t index) const;
    void fillPathBox();
    void changeDirectory(const QString& directory);
    const FileEntry* selectedFile() const;
    void editOrView(bool edit);

    BrowserHost& m_host;
    std::unique_ptr<SessionController> m_session;
    std::unique_ptr<RemoteEdit> m_edit;
    bool m_loggedIn = false;
    bool m_busy = false;
    bool m_failed = false;   // an error ended the session
    bool m_ending = false;   // the window is on its way out
    bool m_sessionClosed = false;
    size_t m_shown = 0;      // entries made rows so far
    bool m_filling = false;  // the list's updates are held while rows arrive
};
