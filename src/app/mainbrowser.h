#pragma once

#include "dialogs/browseserver.h"

#include <QObject>
#include <QPointer>
#include <vector>

class CommandRegistry;
class TfrmMain;
class TOrvoListView;

// The main window's server browsers: "Browse Server" (Ctrl+B, "S&ites", while a session is
// open) opens one on the main session's server, login and route, in its current remote
// directory. The browsers' entries go into the main window's queue (from their commands, a
// double click or a drag onto the queue) only while the main session is on the same server
// and account. The main window closes its browsers when it closes.
class MainBrowsers : public QObject, public BrowserHost
{
    Q_OBJECT

public:
    explicit MainBrowsers(TfrmMain& window);
    ~MainBrowsers() override;

    // "mnuBrowseServer" with its rule and key.
    void RegisterCommands(CommandRegistry& commands);

    // "Browse Server": nullptr when no session is open.
    TfrmBrowseServer* mnuBrowseServerClick();
    // A browser on `request` (its login and route as they are), entering `directory`.
    TfrmBrowseServer* Open(const ConnectionRequest& request, const QString& directory, const QString& title);
    // The browsers still open, oldest first.
    std::vector<TfrmBrowseServer*> Windows() const;
    // The browser whose list `view` is; nullptr when it is none of theirs.
    TfrmBrowseServer* BrowserOf(const TOrvoListView* view) const;
    // Closes every browser now (QUIT to each logged-in server); none outlives the window.
    void CloseAll();

    // --- BrowserHost ---------------------------------------------------------------------
    bool ShowLinks() const override;
    bool ResolveLinks() const override;
    int QueueFromBrowser(const ConnectionRequest& server, const QString& directory,
                         const std::vector<FileEntry>& entries) override;
    EditStore& Store() override;
    EditHooks HooksFor(QWidget* window) override;

private:
    QString localHome() const;

    TfrmMain& m_window;
    std::vector<QPointer<TfrmBrowseServer>> m_windows;
};
