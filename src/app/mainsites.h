#pragma once

#include "session/connectionrequest.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>
#include <functional>

class QMenu;
class TfrmMain;
class TfrmSite;

// What "New Session" starts: the arguments of the new process and the login it gets through
// its environment (never on its command line, where every local user can read it).
struct SessionLaunch {
    QStringList arguments;  // the site name, the address without credentials, or nothing
    QString user;
    QString password;

    QProcessEnvironment environment(const QProcessEnvironment& base) const;
    bool operator==(const SessionLaunch&) const = default;
};

// The main window's site commands: the "S&ites" menu entries, the group menu of the "FTP
// Server" button, the site manager, "Add Current Site", "Edit Current Site", desktop
// shortcuts and new sessions.
class MainSites : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* UserVariable = "ORVOFTP_SESSION_USER";
    static constexpr const char* PasswordVariable = "ORVOFTP_SESSION_PASS";
    // A column (or, here, a submenu) of the group menu holds at most this many sites.
    static constexpr int ColumnBreak = 20;

    explicit MainSites(TfrmMain& window);

    // Adds the commands with their enabled rules to the window's registry.
    void buildCommands();

    QMenu* GroupMenu = nullptr;
    // The groups of "sites.ini" in file order, each a submenu of its sites in list order.
    // Every site whose counter is a multiple of 20 starts a new column: a group of 20 sites
    // or more shows its columns as submenus named by their first and last sites.
    void BuildGroupMenu();
    static QList<QStringList> menuColumns(const QStringList& sites);

    // Opens the site manager (modal, without blocking the caller), on `site` when given.
    TfrmSite* ShowSiteManager(const QString& site = {});
    void AddCurrentSite();
    void EditCurrentSite();
    void CreateShortcut();
    // A launcher named `name` in DesktopDirectory starting this program with `arguments`
    // (a launcher that is not ours is replaced only after asking).
    bool WriteShortcut(const QString& name, const QStringList& arguments);
    void NewSession();

    // The address of a typed connection without its login: "ftp://host[:port][/dir/]".
    static QString addressWithoutLogin(const ConnectionRequest& request);
    static SessionLaunch planNewSession(const QString& currentSite, const QString& serverText,
                                        const ConnectionRequest& typed);
    // Where shortcuts go (the desktop folder unless a test says otherwise).
    QString DesktopDirectory;
    // Starts the new session's process; StartDetached unless a test listens.
    std::function<bool(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)>
        StartProcess;

private:
    ConnectionRequest typedConnection() const;

    TfrmMain& m_window;
};
