// The two file views: which one the commands act on, reading the local directory, and
// navigation by mouse, keys and path boxes.
#include "app/mainwindow.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/maintransfers.h"
#include "app/queuecontroller.h"
#include "controls/orvoview.h"
#include "platform/core/prompt.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/configdata.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QSplitter>
#include <QTimer>

#include "controls/columnfit.h"

void TfrmMain::wirePanes()
{
    m_active = LocalPanel;
    for (FilePanel* panel : {LocalPanel, RemotePanel}) {
        TOrvoListView* view = panel->View();
        view->OnEnter = [this, panel](TOrvoListView*) { SetActivePanel(panel); };
        view->OnContextMenu = [this, panel](TOrvoListView*, QPoint pos) { ViewContextMenu(panel, pos); };
        // Coalesced: a selection made row by row is summed up once.
        auto* summary = new QTimer(panel);
        summary->setSingleShot(true);
        summary->setInterval(0);
        connect(summary, &QTimer::timeout, this, [this, panel] {
            panel->UpdateCountLabel();
            if (panel == m_active)
                Commands->update();
        });
        view->OnSelectionChanged = [summary](TOrvoListView*) { summary->start(); };
    }
    RemotePanel->View()->OnDblClick = [this](TOrvoListView*, int row) { RemoteDblClick(row); };
    RemotePanel->View()->OnKeyDown = [this](TOrvoListView*, QKeyEvent* event) { return RemoteKeyDown(event); };
    LocalPanel->View()->OnDblClick = [this](TOrvoListView*, int row) { LocalDblClick(row); };
    LocalPanel->View()->OnKeyDown = [this](TOrvoListView*, QKeyEvent* event) { return LocalKeyDown(event); };
    connect(LocalPanel->PathBox(), &QComboBox::activated, this, [this](int index) {
        if (index < 0)
            return;
        if (!EnterLocalDirectory(LocalPanel->PathOfItem(index)))
            LocalPanel->RebuildPathBox();
        LocalPanel->View()->setFocus();
    });
    connect(RemotePanel->PathBox(), &QComboBox::activated, this, [this](int index) {
        const QString directory = RemotePanel->PathOfItem(index);
        if (directory != Session->Remote().currentDirectory())
            Session->ChangeRemoteDirectory(directory);
    });
    // The panes changed width: the columns follow (once per turn of the event loop, as a
    // drag moves the splitter many times).
    auto* refit = new QTimer(this);
    refit->setSingleShot(true);
    refit->setInterval(0);
    connect(refit, &QTimer::timeout, this, [this] {
        FitColumns(*LocalPanel->View());
        FitColumns(*RemotePanel->View());
    });
    connect(MiddleSplitter, &QSplitter::splitterMoved, refit, qOverload<>(&QTimer::start));
    connect(Splitter3, &QSplitter::splitterMoved, this, [this] { FitColumns(*Queue); });
    LocalPanel->SetActive(true);
    RemotePanel->SetActive(false);
}

void TfrmMain::SetActivePanel(FilePanel* panel)
{
    if (panel != LocalPanel && panel != RemotePanel)
        return;
    m_active = panel;
    LocalPanel->SetActive(panel == LocalPanel);
    RemotePanel->SetActive(panel == RemotePanel);
    Commands->update();
}

FilePanel* TfrmMain::panelOf(const TOrvoListView* view) const
{
    return view == RemotePanel->View() ? RemotePanel : LocalPanel;
}

void TfrmMain::ViewContextMenu(FilePanel* panel, QPoint globalPos)
{
    panel->View()->setFocus();
    SetActivePanel(panel);
    // The commands over a selection (the remote one of an idle session, the local one while
    // no transfer runs, connected or not), else the view's own menu.
    const bool commands = !panel->SelectedEntries().empty()
                          && (panel == RemotePanel ? Session->State() == SessionState::Idle : !Session->TransferRunning());
    (commands ? PopupCommand : PopupView)->popup(globalPos);
}

// --- Local view ----------------------------------------------------------------------------

void TfrmMain::ListLocal()
{
    LocalDir->read(Session->TransferRunning());
}

bool TfrmMain::EnterLocalDirectory(const QString& path)
{
    if (LocalDir->enter(path))
        return true;
    prompts().messageBox(QStringLiteral("Unable to access ") + LocalDir->resolve(path) + QStringLiteral(" ."),
                         QString::fromLatin1(Caption), Prompt::Icon::Error, Prompt::Ok);
    return false;
}

void TfrmMain::LocalDblClick(int row)
{
    TOrvoListView* view = LocalPanel->View();
    if (Session->TransferRunning() || view->SelCount() == 0)
        return;
    if (row < 0 || !view->IsSelected(row))
        row = view->SelectedRow();
    if (LocalPanel->IsParentRow(row)) {
        EnterLocalDirectory(DirectoryPart(LocalDir->currentDirectory()).value_or(LocalDir->currentDirectory()));
        return;
    }
    const FileEntry* entry = LocalPanel->EntryAt(row);
    if (entry && entry->isFolder())
        EnterLocalDirectory(LocalDir->currentDirectory() + entry->name + QLatin1Char('/'));
    else if (entry)
        Transfers->FileDblClick(LocalPanel);
}

bool TfrmMain::LocalKeyDown(QKeyEvent* event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAllRows(LocalPanel);
        return true;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    const QString current = LocalDir->currentDirectory();
    if (event->key() == Qt::Key_Backspace) {
        // Nothing above the root.
        if (current.size() > 1)
            EnterLocalDirectory(DirectoryPart(current).value_or(current));
        return true;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const int row = LocalPanel->View()->SelectedRow();
        const FileEntry* entry = LocalPanel->EntryAt(row);
        if (LocalPanel->IsParentRow(row))
            EnterLocalDirectory(DirectoryPart(current).value_or(current));
        else if (entry && entry->isFolder())
            EnterLocalDirectory(current + entry->name + QLatin1Char('/'));
        return true;
    }
    return false;
}

// --- Remote view ---------------------------------------------------------------------------

void TfrmMain::RemoteDblClick(int row)
{
    TOrvoListView* view = RemotePanel->View();
    if (Session->State() != SessionState::Idle || view->SelCount() == 0)
        return;
    if (row < 0 || !view->IsSelected(row))
        row = view->SelectedRow();
    if (RemotePanel->IsParentRow(row)) {
        Session->OpenRemoteParent();
        return;
    }
    const FileEntry* entry = RemotePanel->EntryAt(row);
    if (!entry)
        return;
    if (entry->isLink() && !Session->Remote().filter().resolveLinks)
        Session->FollowLink(entry->name);
    else if (entry->isFolder())
        Session->ChangeRemoteDirectory(entry->name);
    else
        Transfers->FileDblClick(RemotePanel);
}

bool TfrmMain::RemoteKeyDown(QKeyEvent* event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAllRows(RemotePanel);
        return true;
    }
    if (Session->State() != SessionState::Idle || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    const QString current = Session->Remote().currentDirectory();
    if (event->key() == Qt::Key_Backspace) {
        if (const std::optional<QString> parent = DirectoryPart(RemotePanel->PathBox()->currentText()))
            Session->ChangeRemoteDirectory(*parent);
        return true;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const int row = RemotePanel->View()->SelectedRow();
        const FileEntry* entry = RemotePanel->EntryAt(row);
        if (RemotePanel->IsParentRow(row))
            Session->ChangeRemoteDirectory(DirectoryPart(current).value_or(current));
        else if (entry && !entry->isFile() && !(entry->isLink() && Session->Remote().filter().resolveLinks))
            Session->ChangeRemoteDirectory(EnsureTrailingSeparator(current + entry->name));
        return true;
    }
    return false;
}
