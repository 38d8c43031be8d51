// The file commands of the main window on the focused view, their menus and the drops of a
// view's rows onto one of its own folders.
#include "app/mainfileops.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/mainwindow.h"
#include "controls/orvoview.h"
#include "dialogs/propertiesdialog.h"
#include "engine/ftp.h"
#include "fileops/localfileops.h"
#include "fileops/programlauncher.h"
#include "fileops/remotefileops.h"
#include "platform/core/prompt.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/configdata.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QToolBar>

const QStringList MainFileOps::MenuOrder = {
    QStringLiteral("mnuDownload"), QStringLiteral("mnuUpload"), QStringLiteral("mnuManualDownload"), QStringLiteral("-"),
    QStringLiteral("mnuView"), QStringLiteral("mnuEdit"), QStringLiteral("popExecute"), QStringLiteral("-"),
    QStringLiteral("mnuNewFold"), QStringLiteral("mnuChangeDir"), QStringLiteral("popDelete"), QStringLiteral("popRename"),
    QStringLiteral("popMove"), QStringLiteral("mnuCHMOD"), QStringLiteral("popProperties"), QStringLiteral("-"),
    QStringLiteral("Custom Commands"),
};

const QStringList MainFileOps::PopupOrder = {
    QStringLiteral("popDownload"), QStringLiteral("popQueue"), QStringLiteral("-"), QStringLiteral("popView"),
    QStringLiteral("popEdit"), QStringLiteral("popExecute"), QStringLiteral("-"), QStringLiteral("popNewFold"),
    QStringLiteral("popDelete"), QStringLiteral("popRename"), QStringLiteral("popMove"), QStringLiteral("popCHMOD"),
    QStringLiteral("-"), QStringLiteral("popProperties"),
};

MainFileOps::MainFileOps(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
    , m_remote(new RemoteFileOps(*window.Session, this))
{
}

MainFileOps::~MainFileOps() = default;

// --- Commands and menus ----------------------------------------------------------------------

void MainFileOps::RegisterCommands(CommandRegistry& c)
{
    using Rule = CommandRegistry::Rule;
    const Rule makeDirectory = [](const CommandContext& x) {
        return x.remoteFocused ? x.idle() : x.state != SessionState::Downloading;
    };
    const Rule onSelection = [](const CommandContext& x) { return x.selected > 0 && (!x.remoteFocused || x.idle()); };
    const Rule remoteSelection = [](const CommandContext& x) { return x.remoteFocused && x.idle() && x.selected > 0; };
    const Rule executable = [](const CommandContext& x) {
        return !x.remoteFocused && x.selected > 0 && !x.folderSelected;
    };
    QStyle* look = m_window.style();
    QList<QAction*> withKeys;
    withKeys << c.add(QStringLiteral("mnuNewFold"), QStringLiteral("Make &Directory"), [this] { popNewFoldClick(); }, makeDirectory);
    withKeys.last()->setShortcut(Qt::Key_Insert);
    c.add(QStringLiteral("popNewFold"), QStringLiteral("&Make Directory"), [this] { popNewFoldClick(); }, makeDirectory);
    QAction* deleteCmd = c.add(QStringLiteral("popDelete"), QStringLiteral("De&lete"), [this] { popDeleteClick(); }, onSelection);
    deleteCmd->setIconText(QStringLiteral("Delete file"));
    deleteCmd->setIcon(QIcon::fromTheme(QStringLiteral("edit-delete"), look->standardIcon(QStyle::SP_TrashIcon)));
    withKeys << c.add(QStringLiteral("popRename"), QStringLiteral("&Rename"), [this] { popRenameClick(); }, onSelection);
    withKeys.last()->setShortcut(Qt::Key_F2);
    withKeys << c.add(QStringLiteral("popMove"), QStringLiteral("&Move"), [this] { popMoveClick(); }, onSelection);
    withKeys.last()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    c.add(QStringLiteral("mnuCHMOD"), QStringLiteral("&Chmod"), [this] { popCHMODClick(); }, remoteSelection);
    c.add(QStringLiteral("popCHMOD"), QStringLiteral("Chmod"), [this] { popCHMODClick(); }, remoteSelection);
    withKeys << c.add(QStringLiteral("popExecute"), QStringLiteral("E&xecute"), [this] { popExecuteClick(); }, executable);
    withKeys.last()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    withKeys << c.add(QStringLiteral("popProperties"), QStringLiteral("&Properties"), [this] { popPropertiesClick(); }, onSelection);
    withKeys.last()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    withKeys.last()->setIconText(QStringLiteral("Properties"));
    withKeys.last()->setIcon(QIcon::fromTheme(QStringLiteral("document-properties"), look->standardIcon(QStyle::SP_FileDialogInfoView)));
    for (QAction* action : withKeys)
        m_window.addAction(action);  // the keys work without a menu open
}

QMenu* MainFileOps::BuildMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("C&ommands"), parent);
    menu->setObjectName(QStringLiteral("mnuCommands"));
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { fillMenu(menu, MenuOrder); });
    fillMenu(menu, MenuOrder);
    return menu;
}

QMenu* MainFileOps::BuildPopup(QWidget* parent)
{
    auto* popup = new QMenu(parent);
    popup->setObjectName(QStringLiteral("PopupCommand"));
    connect(popup, &QMenu::aboutToShow, this, [this, popup] { fillMenu(popup, PopupOrder); });  // PopupCommandPopup
    fillMenu(popup, PopupOrder);
    return popup;
}

// The menu's entries by id as registered now, without what the focused side does not
// offer (E&xecute on the remote side, Chmod on the local one), the enabled rules applied.
void MainFileOps::fillMenu(QMenu* menu, const QStringList& order)
{
    menu->clear();
    const bool remote = remoteActive();
    const QString notHere = remote ? QStringLiteral("popExecute") : QStringLiteral("popCHMOD");
    bool separatorDue = false;
    for (const QString& id : order) {
        if (id == QLatin1String("-")) {
            separatorDue = !menu->isEmpty();
            continue;
        }
        if (id == QLatin1String("Custom Commands") && CustomCommandsMenu) {
            // The submenu of the user's own commands: only while idle and not empty.
            if (std::exchange(separatorDue, false))
                menu->addSeparator();
            menu->addMenu(CustomCommandsMenu);
            CustomCommandsMenu->menuAction()->setEnabled(m_window.Session->State() == SessionState::Idle
                                                         && !CustomCommandsMenu->isEmpty());
            continue;
        }
        if (QAction* action = m_window.command(id); action && id != notHere) {
            if (std::exchange(separatorDue, false))
                menu->addSeparator();
            menu->addAction(action);
        }
    }
    m_window.Commands->update();
}

void MainFileOps::AddToolButtons(QToolBar* toolBar)
{
    toolBar->addSeparator();
    toolBar->addAction(m_window.command(QStringLiteral("popDelete")));
    toolBar->addAction(m_window.command(QStringLiteral("popProperties")));
}

bool MainFileOps::remoteActive() const
{
    return m_window.ActivePanel() == m_window.RemotePanel;
}

QStringList MainFileOps::selectedNames(FilePanel* panel) const
{
    QStringList names;
    for (const FileEntry& entry : panel->SelectedEntries())
        names << entry.name;
    return names;
}

QStringList MainFileOps::selectedLocalPaths() const
{
    QStringList paths;
    const QString directory = EnsureTrailingSeparator(m_window.LocalDir->currentDirectory());
    for (const QString& name : selectedNames(m_window.LocalPanel))
        paths << directory + name;
    return paths;
}

bool MainFileOps::ask(const QString& text) const
{
    return prompts().messageBox(text, QString::fromLatin1(TfrmMain::Caption), Prompt::Icon::Question,
                                Prompt::Yes | Prompt::No)
           == Prompt::Yes;
}

void MainFileOps::reportLocal(const FileOpResult& result)
{
    if (!result.ok)
        prompts().messageBox(result.message, QString::fromLatin1(TfrmMain::Caption), Prompt::Icon::Error, Prompt::Ok);
}

// --- The commands ------------------------------------------------------------------------------

void MainFileOps::popNewFoldClick()
{
    SessionController& session = *m_window.Session;
    const bool remote = remoteActive();
    if (remote ? session.State() != SessionState::Idle : session.State() == SessionState::Downloading)
        return;
    const auto name = prompts().inputBox(QStringLiteral("Create New Direcotry"), QStringLiteral("Name of Directory"), QString());
    if (!name || name->isEmpty())
        return;
    if (remote) {
        m_remote->MakeDirectory(*name);
        return;
    }
    reportLocal(LocalFileOps::MakeDirectory(m_window.LocalDir->currentDirectory(), *name));
    m_window.ListLocal();
}

void MainFileOps::popDeleteClick()
{
    if (!remoteActive()) {
        localDelete();
        return;
    }
    if (m_window.Session->State() == SessionState::Idle && !m_window.RemotePanel->SelectedEntries().empty())
        m_remote->Delete(m_window.RemotePanel->SelectedEntries());
}

// One question for the whole selection; everything goes to the Trash.
void MainFileOps::localDelete()
{
    const QStringList paths = selectedLocalPaths();
    if (paths.isEmpty())
        return;
    if (m_window.Config().ConfirmDel && !m_window.Session->ScriptRunning()
        && !ask(QStringLiteral("Move selected file(s) to the Trash ?")))
        return;
    reportLocal(LocalFileOps::MoveToTrash(paths));
    m_window.ListLocal();
}

void MainFileOps::popRenameClick()
{
    const bool remote = remoteActive();
    FilePanel* panel = remote ? m_window.RemotePanel : m_window.LocalPanel;
    const QStringList names = selectedNames(panel);
    if (names.isEmpty() || (remote && m_window.Session->State() != SessionState::Idle))
        return;
    const auto newName = prompts().inputBox(QStringLiteral("Rename File"), QStringLiteral("New Filename:"), names.first());
    if (!newName || newName->isEmpty() || *newName == names.first())
        return;
    if (remote) {
        m_remote->Rename(names.first(), *newName);
        return;
    }
    const QString directory = EnsureTrailingSeparator(m_window.LocalDir->currentDirectory());
    reportLocal(LocalFileOps::Rename(directory + names.first(), directory + *newName));
    m_window.ListLocal();
}

void MainFileOps::popMoveClick()
{
    if (!remoteActive()) {
        const QStringList paths = selectedLocalPaths();
        if (paths.isEmpty())
            return;
        const auto target = prompts().pickFolder(QStringLiteral("Select directory to move files to"),
                                                 m_window.LocalDir->currentDirectory());
        if (target && !target->isEmpty())
            moveLocal(paths, *target);
        return;
    }
    const QStringList names = selectedNames(m_window.RemotePanel);
    if (names.isEmpty() || m_window.Session->State() != SessionState::Idle)
        return;
    const auto target = prompts().inputBox(QStringLiteral("Move Files"), QStringLiteral("Destination Directory"),
                                           EnsureTrailingSeparator(m_window.Session->Remote().currentDirectory()));
    if (target && !target->isEmpty())
        m_remote->Move(names, *target);
}

// The view is read again even after a failure: what did move is no longer where it was.
void MainFileOps::moveLocal(const QStringList& paths, const QString& target)
{
    reportLocal(LocalFileOps::Move(paths, target));
    m_window.ListLocal();
}

void MainFileOps::popCHMODClick()
{
    const QStringList names = selectedNames(m_window.RemotePanel);
    if (!remoteActive() || names.isEmpty() || m_window.Session->State() != SessionState::Idle)
        return;
    const auto mode = prompts().inputBox(QStringLiteral("CHMOD files"), QStringLiteral("Enter new CHMOD"), QString());
    if (mode && !mode->isEmpty())
        m_remote->ChangeMode(names, *mode);
}

void MainFileOps::popExecuteClick()
{
    if (remoteActive())
        return;
    const std::vector<FileEntry> selected = m_window.LocalPanel->SelectedEntries();
    if (selected.empty() || selected.front().isFolder())
        return;
    OpenLocalFile(EnsureTrailingSeparator(m_window.LocalDir->currentDirectory()) + selected.front().name);
}

void MainFileOps::popPropertiesClick()
{
    const bool remote = remoteActive();
    FilePanel* panel = remote ? m_window.RemotePanel : m_window.LocalPanel;
    const TOrvoListView* view = panel->View();
    const int row = view->SelectedRow();
    const FileEntry* entry = panel->EntryAt(row);
    if (!entry)
        return;
    auto* dialog = new TfrmProperties(&m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    bool filled = true;
    if (remote) {
        SessionController& session = *m_window.Session;
        filled = dialog->FillRemote(session.Remote().rawLines(), session.Ftp().ServerType, entry->name);
    } else {
        const TListItem& item = view->Item(row);
        dialog->FillLocal(*entry, item.columnText(1), item.columnText(2),
                          EnsureTrailingSeparator(m_window.LocalDir->currentDirectory()) + entry->name);
    }
    if (!filled) {
        delete dialog;
        prompts().messageBox(QStringLiteral("Properties are not available for this item."),
                             QString::fromLatin1(TfrmMain::Caption), Prompt::Icon::Error, Prompt::Ok);
        return;
    }
    const QString name = entry->name;
    connect(dialog, &QDialog::accepted, this, [this, dialog, name] {
        // Sent only to an idle session; the session is busy while it runs and the directory
        // is listed afresh after it.
        if (const auto value = dialog->ChangedValue(); value && m_window.Session->State() == SessionState::Idle)
            m_remote->ChangeMode({name}, *value);
    });
    dialog->open();
}

// --- Keys and drops ----------------------------------------------------------------------------

void MainFileOps::WireViews()
{
    wireView(m_window.LocalPanel);
    wireView(m_window.RemotePanel);
}

void MainFileOps::wireView(FilePanel* panel)
{
    TOrvoListView* view = panel->View();
    auto keyDown = view->OnKeyDown;
    view->OnKeyDown = [this, panel, keyDown](TOrvoListView* sender, QKeyEvent* event) {
        return viewKeyDown(panel, event) || (keyDown && keyDown(sender, event));
    };
    auto dragOver = view->OnDragOver;
    view->OnDragOver = [this, panel, dragOver](TOrvoListView* source, int row, QPoint pos) {
        if (source == panel->View())
            return FolderDragOver(panel, row);
        return dragOver && dragOver(source, row, pos);
    };
    auto dragDrop = view->OnDragDrop;
    view->OnDragDrop = [this, panel, dragDrop](TOrvoListView* source, int row, QPoint pos) {
        if (source == panel->View())
            FolderDrop(panel, row);
        else if (dragDrop)
            dragDrop(source, row, pos);
    };
}

// Delete with a selection deletes (the remote view only while idle).
bool MainFileOps::viewKeyDown(FilePanel* panel, QKeyEvent* event)
{
    if (event->key() != Qt::Key_Delete || event->modifiers() != Qt::NoModifier || panel->SelectedEntries().empty())
        return false;
    if (panel->IsRemote() && m_window.Session->State() != SessionState::Idle)
        return false;
    m_window.SetActivePanel(panel);
    popDeleteClick();
    return true;
}

// A folder row of the same view that is not among the dragged rows; the remote view takes
// drops only while idle, the local one while no transfer runs.
bool MainFileOps::FolderDragOver(FilePanel* panel, int targetRow) const
{
    const FileEntry* target = panel->EntryAt(targetRow);
    if (!target || !target->isFolder() || panel->View()->IsSelected(targetRow))
        return false;
    const SessionController& session = *m_window.Session;
    return panel->IsRemote() ? session.State() == SessionState::Idle : !session.TransferRunning();
}

void MainFileOps::FolderDrop(FilePanel* panel, int targetRow)
{
    if (!FolderDragOver(panel, targetRow))
        return;
    const QString folder = panel->EntryAt(targetRow)->name;
    const bool remote = panel->IsRemote();
    if (m_window.Config().ConfirmMove
        && !ask((remote ? QStringLiteral("Move selected files into \"") : QStringLiteral("Move selected file(s) into \""))
                + folder + QStringLiteral("\" ? ")))
        return;
    if (remote) {
        m_remote->Move(selectedNames(panel), EnsureTrailingSeparator(m_window.Session->Remote().currentDirectory()) + folder);
        return;
    }
    moveLocal(selectedLocalPaths(), EnsureTrailingSeparator(m_window.LocalDir->currentDirectory() + folder));
}
