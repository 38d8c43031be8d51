// View and Edit from the main window: the commands, their rules and what the desktop lends.
#include "app/maineditview.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/listingprint.h"
#include "app/mainwindow.h"
#include "dialogs/editorwindow.h"
#include "fileops/editstore.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QStyle>
#include <QToolBar>
#include <QUrl>

MainEditView::MainEditView(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
    , m_store(std::make_unique<EditStore>())
    , m_remote(std::make_unique<RemoteEdit>(*window.Session, *m_store, DesktopHooks(&window)))
{
}

MainEditView::~MainEditView() = default;

EditHooks MainEditView::DesktopHooks(QWidget* parent)
{
    EditHooks hooks;
    hooks.openWithDesktop = [](const QString& path) {
        return QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    hooks.builtInEditor = [parent = QPointer<QWidget>(parent)](const QString& path, std::function<void(bool)> closed) {
        if (TfrmEditor* editor = TfrmEditor::open(parent, path, std::move(closed)))
            editor->ChoosePrinter = [](QPrinter& printer, QWidget* owner) { return choosePrinter(printer, owner); };
    };
    return hooks;
}

void MainEditView::RegisterCommands(CommandRegistry& c)
{
    // A file (no folder) of the focused view; a remote one only while the session is idle.
    const CommandRegistry::Rule onFiles = [](const CommandContext& x) {
        return x.selected > 0 && !x.folderSelected && (!x.remoteFocused || (x.idle() && x.connected));
    };
    QStyle* look = m_window.style();
    QAction* view = c.add(QStringLiteral("mnuView"), QStringLiteral("&View"), [this] { popViewClick(); }, onFiles);
    view->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    view->setIconText(QStringLiteral("View file"));
    view->setIcon(QIcon::fromTheme(QStringLiteral("document-open"), look->standardIcon(QStyle::SP_FileDialogContentsView)));
    QAction* edit = c.add(QStringLiteral("mnuEdit"), QStringLiteral("&Edit"), [this] { popEditClick(); }, onFiles);
    edit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    edit->setIconText(QStringLiteral("Edit file"));
    edit->setIcon(QIcon::fromTheme(QStringLiteral("document-edit"), look->standardIcon(QStyle::SP_FileIcon)));
    c.add(QStringLiteral("popView"), QStringLiteral("&View"), [this] { popViewClick(); }, onFiles);
    c.add(QStringLiteral("popEdit"), QStringLiteral("&Edit"), [this] { popEditClick(); }, onFiles);
    m_window.addAction(view);  // the keys work without a menu open
    m_window.addAction(edit);
}

void MainEditView::AddToolButtons(QToolBar* toolBar)
{
    toolBar->addAction(m_window.command(QStringLiteral("mnuView")));
    toolBar->addAction(m_window.command(QStringLiteral("mnuEdit")));
}

QString MainEditView::localPath(const QString& name) const
{
    return EnsureTrailingSeparator(m_window.LocalDir->currentDirectory()) + name;
}

void MainEditView::popViewClick()
{
    ViewFrom(m_window.ActivePanel());
}

void MainEditView::popEditClick()
{
    EditFrom(m_window.ActivePanel());
}

void MainEditView::ViewFrom(FilePanel* panel)
{
    if (!panel)
        return;
    const std::vector<FileEntry> selected = panel->SelectedEntries();
    if (selected.empty() || selected.front().isFolder())
        return;
    if (panel->IsRemote()) {
        if (m_window.Session->State() == SessionState::Idle)
            m_remote->View(selected.front().name);
        return;
    }
    const EditHooks hooks = DesktopHooks(&m_window);
    for (const FileEntry& entry : selected) {
        if (!entry.isFolder())
            ViewLocalFile(m_window.Config(), localPath(entry.name), hooks.openWithDesktop);
    }
}

void MainEditView::EditFrom(FilePanel* panel)
{
    if (!panel)
        return;
    const std::vector<FileEntry> selected = panel->SelectedEntries();
    if (selected.empty() || selected.front().isFolder())
        return;
    if (panel->IsRemote()) {
        if (m_window.Session->State() == SessionState::Idle)
            m_remote->Edit(selected.front().name);
        return;
    }
    EditLocalFile(m_window.Settings->file(), m_window.Config(), localPath(selected.front().name));
}
