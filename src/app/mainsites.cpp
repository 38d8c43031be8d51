// The site commands of the main window: site manager, group menu, Add and Edit Current Site,
// desktop shortcuts and new sessions.
#include "app/mainsites.h"

#include "app/commandregistry.h"
#include "app/mainwindow.h"
#include "app/quickconnectbar.h"
#include "dialogs/sitegroupdialog.h"
#include "dialogs/sitemanager.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/prompt.h"
#include "platform/desktop/desktopentry.h"
#include "platform/desktop/launcher.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "sites/sitedatabase.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>
#include <QStyle>
#include <QToolButton>

namespace {

using Rule = CommandRegistry::Rule;

QString menuCaption(const QString& text)
{
    QString caption = text;
    return caption.replace(QLatin1Char('&'), QLatin1String("&&"));
}

}  // namespace

QProcessEnvironment SessionLaunch::environment(const QProcessEnvironment& base) const
{
    QProcessEnvironment env = base;
    // What this process may have been given is not the new session's.
    env.remove(QString::fromLatin1(MainSites::UserVariable));
    env.remove(QString::fromLatin1(MainSites::PasswordVariable));
    if (!user.isEmpty())
        env.insert(QString::fromLatin1(MainSites::UserVariable), user);
    if (!password.isEmpty())
        env.insert(QString::fromLatin1(MainSites::PasswordVariable), password);
    return env;
}

MainSites::MainSites(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
{
    GroupMenu = new QMenu(&window);
    GroupMenu->setObjectName(QStringLiteral("GroupMenu"));
    m_window.QuickConnect->btnFTPServer->setMenu(GroupMenu);
    DesktopDirectory = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    StartProcess = &StartDetached;
}

void MainSites::buildCommands()
{
    CommandRegistry& c = *m_window.Commands;
    QStyle* look = m_window.style();
    QAction* manager = c.add(QStringLiteral("mnuSiteManager"), QStringLiteral("Site &Manager"), [this] { ShowSiteManager(); });
    manager->setShortcut(Qt::Key_F4);
    manager->setIconText(QStringLiteral("Site manager"));
    manager->setIcon(look->standardIcon(QStyle::SP_DirHomeIcon));
    QAction* add = c.add(QStringLiteral("mnuAddCurrentSite"), QStringLiteral("&Add Current Site"), [this] { AddCurrentSite(); },
                         [](const CommandContext& x) { return x.serverText && !x.siteShown; });
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    add->setIconText(QStringLiteral("Add site"));
    add->setIcon(look->standardIcon(QStyle::SP_FileDialogNewFolder));
    const Rule siteShown = [](const CommandContext& x) { return x.siteShown; };
    c.add(QStringLiteral("mnuEditCurrentSite"), QStringLiteral("&Edit Current Site"), [this] { EditCurrentSite(); }, siteShown)
        ->setShortcut(Qt::Key_F8);
    QAction* shortcut = c.add(QStringLiteral("mnuCreateShortcut"), QStringLiteral("Create &Shortcut"), [this] { CreateShortcut(); },
                              siteShown);
    shortcut->setIconText(QStringLiteral("Desktop shortcut"));
    shortcut->setIcon(look->standardIcon(QStyle::SP_DesktopIcon));
    c.add(QStringLiteral("mnuNewSession"), QStringLiteral("&New Session"), [this] { NewSession(); });
}

// --- Group menu -----------------------------------------------------------------------------

QList<QStringList> MainSites::menuColumns(const QStringList& sites)
{
    QList<QStringList> columns;
    for (int i = 0; i < sites.size(); ++i) {
        if (columns.isEmpty() || (i + 1) % ColumnBreak == 0)
            columns.append(QStringList());
        columns.last() << sites[i];
    }
    return columns;
}

void MainSites::BuildGroupMenu()
{
    GroupMenu->clear();
    const TSiteDatabase& sites = *m_window.SiteDatabase;
    const auto addSite = [this](QMenu* menu, const QString& site) {
        QAction* item = menu->addAction(menuCaption(site));
        item->setData(site);
        connect(item, &QAction::triggered, &m_window, [this, site] { m_window.ConnectToSiteEntry(site); });
    };
    for (const QString& group : sites.groups()) {
        QMenu* groupMenu = GroupMenu->addMenu(menuCaption(group));
        const QList<QStringList> columns = menuColumns(sites.groupSites(group));
        for (const QStringList& column : columns) {
            QMenu* target = groupMenu;
            if (columns.size() > 1)
                target = groupMenu->addMenu(menuCaption(column.first() + QStringLiteral(" - ") + column.last()));
            for (const QString& site : column)
                addSite(target, site);
        }
    }
}

// --- Site manager ---------------------------------------------------------------------------

TfrmSite* MainSites::ShowSiteManager(const QString& site)
{
    auto* dialog = new TfrmSite(*m_window.SiteDatabase, *m_window.SiteStats, m_window.Config().AutoSave, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &TfrmSite::groupMenuChanged, this, &MainSites::BuildGroupMenu);
    // The dialog has closed when it asks for the connection.
    connect(dialog, &TfrmSite::connectRequested, &m_window, &TfrmMain::ConnectToSiteEntry);
    if (!site.isEmpty())
        dialog->ShowSite(site);
    dialog->open();
    return dialog;
}

void MainSites::EditCurrentSite()
{
    const QString site = m_window.Session->CurrentSiteName();
    if (!site.isEmpty())
        ShowSiteManager(site);
}

// --- Add Current Site -----------------------------------------------------------------------

// The server box as the connect routine reads it: the host, port and login of a typed
// connection (the server's own port, not a proxy's).
ConnectionRequest MainSites::typedConnection() const
{
    return resolveServerText(m_window.QuickConnect->ServerText(), m_window.QuickConnect->Boxes(), QString(),
                             *m_window.SiteDatabase, m_window.Config().Email);
}

void MainSites::AddCurrentSite()
{
    TSiteDatabase& sites = *m_window.SiteDatabase;
    if (!m_window.Session->CurrentSiteName().isEmpty() || m_window.QuickConnect->ServerText().isEmpty())
        return;
    try {
        if (sites.groups().isEmpty())
            sites.saveGroups({QStringLiteral("Personal")}, sites.importFlag());
    } catch (const AppError& error) {
        showAppError(error);
        return;
    }
    auto* dialog = new TfrmSiteGroup(TfrmSiteGroup::Mode::Add, sites.groups(), &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->NameProblem = [&sites](const QString& name) { return sites.newSiteNameProblem(name); };
    connect(dialog, &QDialog::accepted, this, [this, dialog, &sites] {
        const QString name = dialog->SiteName();
        const ConnectionRequest connection = typedConnection();
        const bool anonymous = connection.user.isEmpty() || connection.user == QLatin1String("anonymous");
        try {
            sites.addConnectionSite(dialog->Group(), name, connection.host, QString::number(connection.portNumber()),
                                    anonymous ? QString() : connection.user, anonymous ? QString() : connection.password,
                                    connection.encryption == ftpeNone ? QString()
                                                                      : QString::number(int(connection.encryption)));
        } catch (const AppError& error) {
            showAppError(error);
            return;
        }
        m_window.Session->SetCurrentSiteName(name);
        BuildGroupMenu();
        QApplication::setApplicationDisplayName(name);
        m_window.Commands->update();
    });
    dialog->open();
}

// --- Shortcuts and new sessions ---------------------------------------------------------------

QString MainSites::addressWithoutLogin(const ConnectionRequest& request)
{
    QString host = request.host.trimmed();
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    // The scheme carries TLS to the new process; "ftp only when offered" has no scheme and stays plain.
    QString scheme = QStringLiteral("ftp://");
    quint16 defaultPort = 21;
    if (request.encryption == ftpeImplicit) {
        scheme = QStringLiteral("ftps://");
        defaultPort = 990;
    } else if (request.encryption == ftpeExplicit) {
        scheme = QStringLiteral("ftpes://");
    }
    QString address = scheme + host;
    if (request.portNumber() != defaultPort)
        address += QLatin1Char(':') + QString::number(request.portNumber());
    // A directory ends with "/": without it the address would name a file to download.
    QString dir = request.initialDirectory.value_or(QString());
    if (!dir.isEmpty()) {
        if (!dir.startsWith(QLatin1Char('/')))
            dir.prepend(QLatin1Char('/'));
        if (!dir.endsWith(QLatin1Char('/')))
            dir += QLatin1Char('/');
        address += dir;
    }
    return address;
}

SessionLaunch MainSites::planNewSession(const QString& currentSite, const QString& serverText,
                                        const ConnectionRequest& typed)
{
    if (!currentSite.isEmpty())
        return {{currentSite}, {}, {}};
    if (serverText.trimmed().isEmpty() || typed.host.trimmed().isEmpty())
        return {};
    if (typed.origin == ConnectionRequest::Origin::Site)
        return {{typed.siteName}, {}, {}};
    SessionLaunch launch{{addressWithoutLogin(typed)}, typed.user, typed.password};
    if (launch.user.isEmpty())
        launch.password.clear();
    return launch;
}

void MainSites::NewSession()
{
    const SessionLaunch launch = planNewSession(m_window.Session->CurrentSiteName(), m_window.QuickConnect->ServerText(),
                                                typedConnection());
    if (!StartProcess(QCoreApplication::applicationFilePath(), launch.arguments,
                      launch.environment(QProcessEnvironment::systemEnvironment())))
        prompts().messageBox(QStringLiteral("Unable to start ") + QCoreApplication::applicationFilePath(),
                             QString::fromLatin1(TfrmMain::Caption), Prompt::Icon::Error, Prompt::Ok);
}

void MainSites::CreateShortcut()
{
    const QString serverText = m_window.QuickConnect->ServerText();
    if (serverText.isEmpty())
        return;
    QString name = m_window.Session->CurrentSiteName();
    QStringList arguments{name};
    if (name.isEmpty()) {
        const ConnectionRequest typed = typedConnection();
        name = typed.host;
        arguments = planNewSession(QString(), serverText, typed).arguments;
    }
    WriteShortcut(name, arguments);
}

bool MainSites::WriteShortcut(const QString& name, const QStringList& arguments)
{
    QDir().mkpath(DesktopDirectory);
    const QString file = QDir(DesktopDirectory).filePath(DesktopEntry::fileName(name));
    const QString program = QCoreApplication::applicationFilePath();
    const DesktopEntry::Launcher launcher{name, program, program, arguments, QFileInfo(program).path(),
                                          QStringLiteral("org.orvoftp.OrvoFTP")};
    DesktopEntry::WriteResult result = DesktopEntry::write(file, launcher, false);
    if (result == DesktopEntry::WriteResult::Foreign) {
        if (prompts().messageBox(QStringLiteral("The file \"%1\" already exists and is not an OrvoFTP shortcut.  "
                                                "Do you want to replace it ?")
                                     .arg(file),
                                 QString::fromLatin1(TfrmMain::Caption), Prompt::Icon::Warning, Prompt::Yes | Prompt::No)
            != Prompt::Yes)
            return false;
        result = DesktopEntry::write(file, launcher, true);
    }
    if (result == DesktopEntry::WriteResult::Failed) {
        prompts().messageBox(QStringLiteral("Unable to write to ") + file, QString::fromLatin1(TfrmMain::Caption),
                             Prompt::Icon::Error, Prompt::Ok);
        return false;
    }
    return true;
}
