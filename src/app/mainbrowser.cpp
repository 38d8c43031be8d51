// "Browse Server": the server browsers of the main window, what they borrow from it, and
// their entries for its queue.
#include "app/mainbrowser.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/maineditview.h"
#include "app/maintransfers.h"
#include "app/mainwindow.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "platform/core/prompt.h"
#include "session/localdirectory.h"
#include "session/sessioncontroller.h"
#include "sites/sitedatabase.h"
#include "sites/sitestats.h"
#include "settings/settingsstore.h"
#include "transfers/batchrunner.h"
#include "transfers/queuebuilder.h"
#include "transfers/transferqueue.h"

#include <QAction>

MainBrowsers::MainBrowsers(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
{
}

MainBrowsers::~MainBrowsers()
{
    CloseAll();
}

void MainBrowsers::RegisterCommands(CommandRegistry& c)
{
    QAction* browse = c.add(QStringLiteral("mnuBrowseServer"), QStringLiteral("Browse Server"),
                            [this] { mnuBrowseServerClick(); }, [](const CommandContext& x) { return x.connected; });
    browse->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
}

TfrmBrowseServer* MainBrowsers::mnuBrowseServerClick()
{
    SessionController& session = *m_window.Session;
    if (!session.Ftp().SessionConnected())
        return nullptr;
    // The whole request as the main session applied it, its route included: the server and
    // port alone would be the proxy's when the session goes through a firewall.
    const ConnectionRequest& request = session.Request();
    const QString title = request.siteName.isEmpty() ? request.host : request.siteName;
    return Open(request, session.Remote().currentDirectory(), title);
}

TfrmBrowseServer* MainBrowsers::Open(const ConnectionRequest& request, const QString& directory, const QString& title)
{
    auto* browser = new TfrmBrowseServer(*this, *m_window.Settings, *m_window.SiteDatabase, *m_window.SiteStats);
    browser->Session().SetTempDir(m_window.Session->TempDir());
    browser->Browse->setFont(m_window.RemotePanel->View()->font());
    browser->Memo1->setFont(m_window.Memo1->font());
    m_windows.emplace_back(browser);
    browser->Open(request, directory, title);
    return browser;
}

std::vector<TfrmBrowseServer*> MainBrowsers::Windows() const
{
    std::vector<TfrmBrowseServer*> open;
    for (const QPointer<TfrmBrowseServer>& window : m_windows) {
        if (window)
            open.push_back(window.data());
    }
    return open;
}

TfrmBrowseServer* MainBrowsers::BrowserOf(const TOrvoListView* view) const
{
    for (TfrmBrowseServer* browser : Windows()) {
        if (browser->Browse == view)
            return browser;
    }
    return nullptr;
}

void MainBrowsers::CloseAll()
{
    for (TfrmBrowseServer* browser : Windows()) {
        browser->close();
        delete browser;  // not later: the session and the store it uses are about to go
    }
    m_windows.clear();
}

// --- What the browsers borrow ------------------------------------------------------------------

bool MainBrowsers::ShowLinks() const
{
    return m_window.Session->Remote().filter().showLinks;
}

bool MainBrowsers::ResolveLinks() const
{
    return m_window.Session->Remote().filter().resolveLinks;
}

EditStore& MainBrowsers::Store()
{
    return m_window.EditView->Store();
}

EditHooks MainBrowsers::HooksFor(QWidget* window)
{
    return MainEditView::DesktopHooks(window);
}

// Downloads land where the running batch began, else in the current local directory.
QString MainBrowsers::localHome() const
{
    const BatchRunner& runner = m_window.Transfers->Runner();
    if (runner.Running() && !runner.BatchLocalHome().isEmpty())
        return runner.BatchLocalHome();
    return m_window.LocalDir->currentDirectory();
}

int MainBrowsers::QueueFromBrowser(const ConnectionRequest& server, const QString& directory,
                                   const std::vector<FileEntry>& entries)
{
    // The batch fetches from wherever the main session is: after it moved to another server
    // or account the same paths would be fetched from there.
    if (!m_window.Session->Request().sameAccount(server)) {
        const QString where = server.host + QLatin1Char(':') + QString::number(server.portNumber());
        prompts().messageBox(QStringLiteral("The main window is no longer connected to %1 as %2, so these entries "
                                            "cannot be queued there.").arg(where, server.user),
                             QString::fromLatin1(TfrmMain::Caption), Prompt::Icon::Warning, Prompt::Ok);
        return -1;
    }
    QueueSelection selection;
    selection.side = QueueSide::Browser;
    selection.items = entries;
    selection.localDir = localHome();
    selection.remoteDir = directory;
    selection.linksAsFiles = ResolveLinks();
    QStringList refused;
    const int added = AddSelectionToQueue(*m_window.QueueModel, selection, &refused);
    for (const QString& line : refused)
        m_window.Session->LogLine(line, SessionController::LogError);
    return added;
}
