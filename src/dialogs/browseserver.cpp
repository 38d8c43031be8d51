// The server browser window: its own session, console, list and path box; navigation, View
// and Edit through RemoteEdit, and entries for the main window's queue.
#include "dialogs/browseserver.h"

#include "console/xconsole.h"
#include "controls/columnfit.h"
#include "controls/orvoview.h"
#include "dialogs/sessionlogcolour.h"
#include "engine/ftp.h"
#include "platform/core/prompt.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "session/viewtext.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

constexpr int ParentTag = -2;

TListItem parentRow()
{
    TListItem item;
    item.Caption = QStringLiteral("..");
    item.ImageIndex = FileEntry::Parent;
    item.Tag = ParentTag;
    return item;
}

}  // namespace

TfrmBrowseServer::TfrmBrowseServer(BrowserHost& host, SettingsStore& settings, TSiteDatabase& sites, TSiteStats& stats,
                                   QWidget* parent)
    : QMainWindow(parent)
    , m_host(host)
    , m_session(std::make_unique<SessionController>(settings, sites, stats))
{
    setObjectName(QStringLiteral("frmBrowseServer"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_session->SetBrowsing(true);
    buildWindow();
    buildMenus();
    wireSession();
    wireList();
    // The editor opened for an edit blocks this window only.
    m_edit = std::make_unique<RemoteEdit>(*m_session, host.Store(), host.HooksFor(this));
    UpdateCommands();
}

TfrmBrowseServer::~TfrmBrowseServer()
{
    m_edit.reset();
    endSession();
}

void TfrmBrowseServer::buildWindow()
{
    const ViewSettings& view = m_session->Settings().view();
    auto* splitter = new QSplitter(Qt::Vertical, this);
    auto* top = new QWidget(splitter);
    auto* layout = new QVBoxLayout(top);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(1);
    BrowsePathBox = new QComboBox(top);
    BrowsePathBox->setObjectName(QStringLiteral("BrowsePathBox"));
    Browse = new TOrvoListView(top);
    Browse->setObjectName(QStringLiteral("Browse"));
    Browse->AddColumn(QStringLiteral("Name"), 100);
    Browse->AddColumn(QStringLiteral("Size"), 65, Qt::AlignRight);
    Browse->AddColumn(QStringLiteral("Date"), 90);
    Browse->AddColumn(QStringLiteral("Attrib"), 80);
    Browse->SetMultiSelect(true);
    Browse->SetDragEnabled(true);  // onto the main window's queue
    Browse->SetShowColumnHeaders(!view.HideHeader);
    if (view.SelectLine)
        Browse->SetRowSelect(true);
    layout->addWidget(BrowsePathBox);
    layout->addWidget(Browse, 1);

    Memo1 = new TcXConsole(splitter);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->SetScrollBars(TcXConsole::ssVertical);
    Memo1->SetURLRecognize(false);
    Memo1->SetMaxLines(consoleViewSettings(view).maxLines);
    splitter->addWidget(top);
    splitter->addWidget(Memo1);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setChildrenCollapsible(false);
    Memo1->setMinimumHeight(60);
    splitter->setSizes({300, 110});
    setCentralWidget(splitter);

    StatusBar = new QLabel(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(StatusBar, 1);
    resize(520, 440);
}

void TfrmBrowseServer::buildMenus()
{
    mnuBrowser = menuBar()->addMenu(QStringLiteral("&Browser"));
    mnuBrowser->setObjectName(QStringLiteral("mnuBrowser"));
    mnuQueue = mnuBrowser->addAction(QStringLiteral("&Queue"), this, &TfrmBrowseServer::mnuQueueClick);
    mnuQueue->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    mnuEdit = mnuBrowser->addAction(QStringLiteral("&Edit"), this, &TfrmBrowseServer::mnuEditClick);
    mnuView = mnuBrowser->addAction(QStringLiteral("&View"), this, &TfrmBrowseServer::mnuViewClick);
    mnuChangeDir = mnuBrowser->addAction(QStringLiteral("&Change Dir"), this, &TfrmBrowseServer::mnuChangeDirClick);
    mnuBrowser->addSeparator();
    mnuClose = mnuBrowser->addAction(QStringLiteral("&Close"), this, &TfrmBrowseServer::mnuCloseClick);
    connect(mnuBrowser, &QMenu::aboutToShow, this, &TfrmBrowseServer::UpdateCommands);
    // Ctrl+F11 opens the menu from the keyboard.
    auto* openMenu = new QAction(this);
    openMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F11));
    connect(openMenu, &QAction::triggered, this, [this] { menuBar()->setActiveAction(mnuBrowser->menuAction()); });
    addAction(openMenu);

    BrowseMenu = new QMenu(this);
    BrowseMenu->setObjectName(QStringLiteral("BrowseMenu"));
    BrowseMenu->addActions({mnuQueue, mnuEdit, mnuView, mnuChangeDir});
    BrowseMenu->addSeparator();
    BrowseMenu->addAction(QStringLiteral("E&xit"), this, &TfrmBrowseServer::mnuCloseClick);
}

void TfrmBrowseServer::wireSession()
{
    SessionController* session = m_session.get();
    connect(session, &SessionController::logLine, this,
            [this](const QString& text, int kind) { Memo1->AddLine(text, sessionLogColour(kind)); });
    connect(session, &SessionController::clearLog, Memo1, &TcXConsole::Clear);
    connect(session, &SessionController::statusText, this, [this](const QString& text) {
        // While the session is idle its texts are the idle clock: "Ready" stays.
        if (m_session->State() != SessionState::Idle)
            StatusBar->setText(text);
    });
    connect(session, &SessionController::busyChanged, this, [this](bool busy) {
        if (busy)
            EnterBusy();
        else if (m_session->State() == SessionState::Idle)
            EnterReady();
    });
    connect(session, &SessionController::loggedIn, this, &TfrmBrowseServer::FTPLoggedIn);
    connect(session, &SessionController::disconnected, this, &TfrmBrowseServer::SessionEnded);
    connect(session, &SessionController::ftpError, this, [this] {
        // An error the session survives (a data connection, a local file) is in the log.
        if (!m_session->Ftp().SessionConnected())
            m_failed = true;
    });
    RemoteDirectoryModel& remote = session->Remote();
    connect(&remote, &RemoteDirectoryModel::reset, this, &TfrmBrowseServer::listingStarted);
    connect(&remote, &RemoteDirectoryModel::entriesArrived, this, &TfrmBrowseServer::entriesArrived);
    connect(&remote, &RemoteDirectoryModel::finished, this, &TfrmBrowseServer::FTPListingDone);
}

void TfrmBrowseServer::wireList()
{
    Browse->OnDblClick = [this](TOrvoListView*, int row) { BrowseDblClick(row); };
    Browse->OnSelectionChanged = [this](TOrvoListView*) { UpdateCommands(); };
    Browse->OnContextMenu = [this](TOrvoListView*, QPoint pos) {
        UpdateCommands();
        BrowseMenu->popup(pos);
    };
    connect(BrowsePathBox, &QComboBox::activated, this, &TfrmBrowseServer::BrowsePathBoxChange);
}

// --- Opening ---------------------------------------------------------------------------------

bool TfrmBrowseServer::Open(ConnectionRequest request, const QString& directory, const QString& title)
{
    setWindowTitle(QStringLiteral("Browsing ") + title);
    // The login, the encryption and the way to the server are the request's; the browser
    // records no statistics, offers to store nothing and fetches no address's file.
    request.siteName.clear();
    request.remoteFile.clear();
    request.keepRoute = true;
    request.initialDirectory = directory;
    StatusBar->setText(QStringLiteral("Connecting to server"));
    EnterBusy();
    show();
    if (!m_session->Connect(request))
        return false;
    // Every entry is shown: no filter of a site applies here.
    RemoteFilter& filter = m_session->Remote().filter();
    filter.mask = QStringLiteral("*.*");
    filter.filterDirectories = false;
    return true;
}

QString TfrmBrowseServer::CurrentDirectory() const
{
    return m_session->Remote().currentDirectory();
}

// --- Busy and ready --------------------------------------------------------------------------

void TfrmBrowseServer::EnterBusy()
{
    m_busy = true;
    BrowsePathBox->setEnabled(false);
    Browse->setCursor(Qt::WaitCursor);
    UpdateCommands();
}

void TfrmBrowseServer::EnterReady()
{
    Browse->unsetCursor();
    BrowsePathBox->setEnabled(true);
    StatusBar->setText(QStringLiteral("Ready"));
    m_busy = false;
    UpdateCommands();
}

// --- What the session reports ------------------------------------------------------------------

void TfrmBrowseServer::FTPLoggedIn()
{
    m_loggedIn = true;
    StatusBar->setText(QStringLiteral("Logged in"));
}

// The session is over: the window goes, saying why unless the user closed it.
void TfrmBrowseServer::SessionEnded()
{
    if (m_ending)
        return;
    const bool failed = m_failed || !m_loggedIn;
    m_loggedIn = false;
    endWithMessage(failed ? QStringLiteral("Unable to browse server") : QStringLiteral("Server disconnected."));
}

void TfrmBrowseServer::endWithMessage(const QString& text)
{
    m_ending = true;
    Browse->unsetCursor();
    // Asked once the session's handler has returned; the window closes after the answer
    // (unless the main window closed it meanwhile).
    QMetaObject::invokeMethod(this, [self = QPointer<TfrmBrowseServer>(this), text] {
        prompts().messageBox(text, QString::fromLatin1(SessionController::Caption), Prompt::Icon::Error, Prompt::Ok);
        if (self)
            self->close();
    }, Qt::QueuedConnection);
}

void TfrmBrowseServer::closeEvent(QCloseEvent* event)
{
    m_ending = true;
    m_loggedIn = false;
    endSession();
    event->accept();
}

// QUIT when logged in, then the connection closes; nothing the session says afterwards
// reaches the window.
void TfrmBrowseServer::endSession()
{
    if (std::exchange(m_sessionClosed, true))
        return;
    m_session->disconnect(this);
    m_session->Remote().disconnect(this);
    m_session->Shutdown();
}

// --- The listing -------------------------------------------------------------------------------

void TfrmBrowseServer::listingStarted()
{
    if (!m_filling) {
        m_filling = true;
        Browse->BeginUpdate();
    }
    Browse->Clear();
    m_shown = 0;
}

void TfrmBrowseServer::entriesArrived()
{
    appendRows();
    if (m_filling) {  // this batch is shown, the next one is held again
        Browse->EndUpdate();
        Browse->BeginUpdate();
    }
}

// The end of a listing: "..", sorting by kind and name, the columns, the path box.
void TfrmBrowseServer::FTPListingDone()
{
    if (!m_filling) {
        m_filling = true;
        Browse->BeginUpdate();
        Browse->Clear();
        m_shown = 0;
    }
    appendRows();
    if (m_session->Remote().hasParent())
        Browse->InsertItem(0, parentRow());
    Browse->SortFiles(0, true, false);
    FitColumns(*Browse);
    m_filling = false;
    Browse->EndUpdate();
    fillPathBox();
    UpdateCommands();
}

void TfrmBrowseServer::appendRows()
{
    const std::vector<FileEntry>& entries = m_session->Remote().entries();
    for (size_t i = m_shown; i < entries.size(); ++i) {
        if (shown(entries[i]))
            Browse->AddItem(rowOf(i));
    }
    m_shown = entries.size();
}

// Links are left out while the main window's "&Show Links" is off.
bool TfrmBrowseServer::shown(const FileEntry& entry) const
{
    return !entry.isLink() || m_host.ShowLinks();
}

TListItem TfrmBrowseServer::rowOf(size_t index) const
{
    const FileEntry& entry = m_session->Remote().entries()[index];
    TListItem item;
    item.Tag = int(index);
    item.Caption = entry.name;
    item.ImageIndex = entry.isLink() && m_host.ResolveLinks() ? int(FileEntry::File) : int(entry.kind);
    item.SubItems = {entry.sizeKnown() ? SizeText(entry.size) : entry.sizeText, entry.dateText, entry.permissions};
    return item;
}

QStringList TfrmBrowseServer::PathLevels(const QString& directory)
{
    QStringList levels{directory};
    while (const std::optional<QString> parent = DirectoryPart(levels.last()))
        levels << *parent;
    return levels;
}

void TfrmBrowseServer::fillPathBox()
{
    BrowsePathBox->clear();
    BrowsePathBox->addItems(PathLevels(CurrentDirectory()));
    BrowsePathBox->setCurrentIndex(0);
}

// --- Rows ----------------------------------------------------------------------------------

const FileEntry* TfrmBrowseServer::EntryAt(int row) const
{
    if (row < 0 || row >= Browse->Count())
        return nullptr;
    const int tag = Browse->Item(row).Tag;
    const std::vector<FileEntry>& entries = m_session->Remote().entries();
    return tag >= 0 && size_t(tag) < entries.size() ? &entries[size_t(tag)] : nullptr;
}

std::vector<FileEntry> TfrmBrowseServer::SelectedEntries() const
{
    std::vector<FileEntry> selected;
    for (const int row : Browse->SelectedRows()) {
        if (const FileEntry* entry = EntryAt(row))
            selected.push_back(*entry);
    }
    return selected;
}

// The first selected entry when it is a file (or a link shown as one): View and Edit fetch
// files only, as a folder's RETR can only fail.
const FileEntry* TfrmBrowseServer::selectedFile() const
{
    for (const int row : Browse->SelectedRows()) {
        if (const FileEntry* entry = EntryAt(row))
            return Browse->Item(row).ImageIndex == FileEntry::File ? entry : nullptr;
    }
    return nullptr;
}

void TfrmBrowseServer::UpdateCommands()
{
    const bool ready = !m_ending && m_session->State() == SessionState::Idle;
    mnuQueue->setEnabled(!m_ending && !SelectedEntries().empty());
    const bool file = ready && selectedFile() != nullptr;
    mnuView->setEnabled(file);
    mnuEdit->setEnabled(file);
    mnuChangeDir->setEnabled(ready);
}

// --- Commands ------------------------------------------------------------------------------

void TfrmBrowseServer::BrowseDblClick(int row)
{
    if (m_ending || m_session->State() != SessionState::Idle || Browse->SelCount() == 0)
        return;
    if (row < 0 || !Browse->IsSelected(row))
        row = Browse->SelectedRow();
    if (row >= 0 && Browse->Item(row).Tag == ParentTag) {
        m_session->OpenRemoteParent();
        return;
    }
    const FileEntry* entry = EntryAt(row);
    if (!entry)
        return;
    if (Browse->Item(row).ImageIndex == FileEntry::File)
        mnuQueueClick();  // as if the selection were dropped on the queue
    else if (entry->isLink())
        m_session->FollowLink(entry->name);
    else
        changeDirectory(CurrentDirectory() + entry->name);
}

void TfrmBrowseServer::mnuQueueClick()
{
    const std::vector<FileEntry> selected = SelectedEntries();
    if (m_ending || selected.empty())
        return;
    m_host.QueueFromBrowser(m_session->Request(), CurrentDirectory(), selected);
}

void TfrmBrowseServer::mnuEditClick()
{
    editOrView(true);
}

void TfrmBrowseServer::mnuViewClick()
{
    editOrView(false);
}

void TfrmBrowseServer::editOrView(bool edit)
{
    const FileEntry* file = selectedFile();
    if (m_ending || !file || m_session->State() != SessionState::Idle)
        return;
    // The outcome is this window's: whatever it was, only this session is concerned.
    const auto done = [self = QPointer<TfrmBrowseServer>(this)](const RemoteEditResult& result) {
        if (self && !result.ok && !result.message.isEmpty() && !self->m_ending)
            self->StatusBar->setText(result.message);
    };
    if (edit)
        m_edit->Edit(file->name, done);
    else
        m_edit->View(file->name, done);
}

void TfrmBrowseServer::mnuChangeDirClick()
{
    if (m_ending || m_session->State() != SessionState::Idle)
        return;
    const std::optional<QString> answer =
        prompts().inputBox(QStringLiteral("Change Directory"), QStringLiteral("New Directory"), CurrentDirectory());
    if (answer && !answer->trimmed().isEmpty())
        changeDirectory(EnsureTrailingSeparator(answer->trimmed()));
}

void TfrmBrowseServer::mnuCloseClick()
{
    close();
}

void TfrmBrowseServer::BrowsePathBoxChange(int index)
{
    const QString directory = BrowsePathBox->itemText(index);
    if (index >= 0 && directory != CurrentDirectory())
        changeDirectory(directory);
}

void TfrmBrowseServer::changeDirectory(const QString& directory)
{
    if (!m_ending)
        m_session->ChangeRemoteDirectory(directory);
}
