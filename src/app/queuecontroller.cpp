// The queue list and its commands: adding selections, deleting, retargeting, reordering,
// the summary, clearing, drags from the file views and the queue itself, desktop drops.
#include "app/queuecontroller.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/mainbrowser.h"
#include "app/mainwindow.h"
#include "app/queueview.h"
#include "controls/orvoview.h"
#include "platform/core/prompt.h"
#include "session/localdirectory.h"
#include "session/sessioncontroller.h"
#include "session/viewtext.h"
#include "transfers/pendingqueue.h"
#include "transfers/queuebuilder.h"
#include "transfers/transferqueue.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

QueueController::QueueController(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
    , m_view(std::make_unique<QueueView>(*window.QueueModel, *window.Queue))
{
    m_update = new QTimer(this);
    m_update->setSingleShot(true);
    m_update->setInterval(0);
    connect(m_update, &QTimer::timeout, this, [this] { m_window.Commands->update(); });
    connect(window.QueueModel, &TransferQueue::contentsChanged, m_update, qOverload<>(&QTimer::start));
    connect(window.Session, &SessionController::queueUrlFile, this, &QueueController::QueueUrlFile);
    window.Session->HasQueuedEntries = [this] { return !Queue().isEmpty(); };
    wireView();
}

QueueController::~QueueController() = default;

TransferQueue& QueueController::Queue() const
{
    return *m_window.QueueModel;
}

void QueueController::wireView()
{
    TOrvoListView* queue = m_window.Queue;
    queue->OnFileDrop = [this](const QStringList& files, int, int) { QueueFileDrop(files); };
    queue->OnDragOver = [this](TOrvoListView* source, int row, QPoint) { return QueueDragOver(source, row); };
    queue->OnDragDrop = [this](TOrvoListView* source, int row, QPoint) { QueueDragDrop(source, row); };
    queue->OnKeyDown = [this](TOrvoListView*, QKeyEvent* event) { return QueueKeyDown(event); };
    queue->OnSelectionChanged = [this](TOrvoListView*) { m_update->start(); };
    queue->OnContextMenu = [this](TOrvoListView*, QPoint pos) {
        m_window.Commands->update();  // QueueMenuPopup
        m_popup->popup(pos);
    };
}

// --- Commands ----------------------------------------------------------------------------------

void QueueController::RegisterCommands(CommandRegistry& c)
{
    using Rule = CommandRegistry::Rule;
    const Rule selection = [](const CommandContext& x) { return x.selected > 0; };
    const Rule oneEntry = [](const CommandContext& x) { return x.queueSelected == 1; };
    const Rule someEntries = [](const CommandContext& x) { return x.queueSelected > 0; };
    const Rule notEmpty = [](const CommandContext& x) { return x.queueEntries > 0; };
    QStyle* look = m_window.style();

    QAction* add = c.add(QStringLiteral("expAdd"), QStringLiteral("&Add Files"), [this] { expAddClick(); }, selection);
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    add->setIconText(QStringLiteral("Add to queue"));
    add->setIcon(QIcon::fromTheme(QStringLiteral("list-add"), look->standardIcon(QStyle::SP_ArrowDown)));
    c.add(QStringLiteral("popQueue"), QStringLiteral("&Queue"), [this] { popQueueClick(); }, selection);
    c.add(QStringLiteral("queDelete"), QStringLiteral("&Delete Entry"), [this] { queDeleteClick(); }, someEntries);
    c.add(QStringLiteral("mnuQueueDelete"), QStringLiteral("&Delete Files"), [this] { queDeleteClick(); }, someEntries);
    c.add(QStringLiteral("queEditTarget"), QStringLiteral("&Edit Target"), [this] { queEditTargetClick(); }, someEntries);
    c.add(QStringLiteral("queMoveUp"), QStringLiteral("Move &Up"), [this] { queMoveUpClick(); }, oneEntry);
    c.add(QStringLiteral("queMoveDown"), QStringLiteral("&Move Down"), [this] { queMoveDownClick(); }, oneEntry);
    c.add(QStringLiteral("queQueueInfo"), QStringLiteral("Queue &Info"), [this] { queQueueInfoClick(); }, notEmpty);
    c.add(QStringLiteral("mnuQueueInfo"), QStringLiteral("Queue I&nfo"), [this] { queQueueInfoClick(); }, notEmpty);
    c.add(QStringLiteral("queLoadQueue"), QStringLiteral("&Load Queue"), [this] { queLoadQueueClick(); });
    c.add(QStringLiteral("queSaveQueue"), QStringLiteral("&Save Queue"), [this] { queSaveQueueClick(); }, notEmpty);
    QAction* clear = c.add(QStringLiteral("queClear"), QStringLiteral("&Clear Queue"), [this] { queClearClick(); }, notEmpty);
    clear->setIconText(QStringLiteral("Clear queue"));
    clear->setIcon(QIcon::fromTheme(QStringLiteral("edit-clear"), look->standardIcon(QStyle::SP_TrashIcon)));

    m_popup = new QMenu(&m_window);
    m_popup->setObjectName(QStringLiteral("QueueMenu"));
    for (const char* id : {"queTransfer", "-", "queDelete", "queEditTarget", "queMoveUp", "queMoveDown", "-",
                           "queQueueInfo", "queLoadQueue", "queSaveQueue", "queClear"}) {
        if (*id == '-')
            m_popup->addSeparator();
        else
            m_popup->addAction(c.action(QString::fromLatin1(id)));
    }
}

QMenu* QueueController::BuildMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&Queue"), parent);
    menu->setObjectName(QStringLiteral("mnuQueue"));
    CommandRegistry& c = *m_window.Commands;
    for (const char* id : {"expAdd", "mnuTransferQueue", "-", "mnuQueueDelete", "queEditTarget", "queMoveUp",
                           "queMoveDown", "-", "mnuQueueInfo", "queLoadQueue", "queSaveQueue", "queClear"}) {
        if (*id == '-')
            menu->addSeparator();
        else
            menu->addAction(c.action(QString::fromLatin1(id)));
    }
    connect(menu, &QMenu::aboutToShow, &c, &CommandRegistry::update);  // mnuQueueClick
    return menu;
}

void QueueController::AddToViewMenu(QMenu* views)
{
    const QList<QAction*> existing = views->actions();
    QAction* first = existing.isEmpty() ? nullptr : existing.first();
    views->insertAction(first, m_window.command(QStringLiteral("popQueue")));
    if (first)
        views->insertSeparator(first);
}

void QueueController::AddToolButtons(QToolBar* toolBar)
{
    toolBar->addSeparator();
    toolBar->addAction(m_window.command(QStringLiteral("expAdd")));
    toolBar->addAction(m_window.command(QStringLiteral("queTransfer")));
    toolBar->addAction(m_window.command(QStringLiteral("queClear")));
}

int QueueController::SelectedCount() const
{
    return int(m_view->SelectedRows().size());
}

bool QueueController::BatchRunning() const
{
    return m_window.Session->TransferRunning();
}

// The current remote directory, empty when there is none yet (not connected or logging in).
QString QueueController::remoteDirectory() const
{
    switch (m_window.Session->State()) {
    case SessionState::NotConnected:
    case SessionState::StartingUp:
    case SessionState::Connecting:
    case SessionState::LoggingIn:
        return {};
    default:
        return m_window.Session->Remote().currentDirectory();
    }
}

void QueueController::log(const QStringList& lines, int kind)
{
    for (const QString& line : lines)
        m_window.Session->LogLine(line, kind);
}

QueueSelection QueueController::SelectionOf(FilePanel* panel, const QString& subfolder) const
{
    QueueSelection selection;
    selection.side = panel->IsRemote() ? QueueSide::Remote : QueueSide::Local;
    selection.items = panel->SelectedEntries();
    selection.localDir = m_window.LocalDir->currentDirectory();
    selection.remoteDir = panel->IsRemote() ? m_window.Session->Remote().currentDirectory() : remoteDirectory();
    selection.subfolder = subfolder;
    selection.linksAsFiles = m_window.Session->Remote().filter().resolveLinks;
    return selection;
}

int QueueController::AddSelection(FilePanel* panel, const QString& subfolder)
{
    if (!panel)
        return 0;
    QStringList refused;
    const int added = AddSelectionToQueue(Queue(), SelectionOf(panel, subfolder), &refused);
    log(refused, SessionController::LogError);
    return added;
}

void QueueController::expAddClick()
{
    FilePanel* active = m_window.ActivePanel();
    if (active && !active->SelectedEntries().empty())
        AddSelection(active);
}

void QueueController::popQueueClick()
{
    AddSelection(m_window.ActivePanel());
}

void QueueController::queDeleteClick()
{
    Queue().removeIds(m_view->SelectedIds());
}

void QueueController::queEditTargetClick()
{
    const std::vector<int> rows = m_view->SelectedRows();
    if (rows.empty())
        return;
    const std::vector<quint64> ids = m_view->SelectedIds();
    const auto typed = prompts().inputBox(QStringLiteral("Edit Target"), QStringLiteral("Enter new target"),
                                          Queue().at(rows.front()).target);
    if (!typed)
        return;
    // By identity: the batch may have removed entries while the question was open.
    for (const quint64 id : ids) {
        const int row = Queue().indexOf(id);
        if (row < 0)
            continue;
        const QString target = EditedTarget(Queue().at(row), *typed, m_window.LocalDir->currentDirectory(), remoteDirectory());
        if (!target.isEmpty())
            Queue().setTarget(row, target);
    }
}

void QueueController::queMoveUpClick()
{
    const std::vector<int> rows = m_view->SelectedRows();
    if (rows.size() == 1 && Queue().moveUp(rows.front(), BatchRunning()))
        m_view->SelectRows({rows.front() - 1});
}

void QueueController::queMoveDownClick()
{
    const std::vector<int> rows = m_view->SelectedRows();
    if (rows.size() == 1 && Queue().moveDown(rows.front(), BatchRunning()))
        m_view->SelectRows({rows.front() + 1});
}

void QueueController::queQueueInfoClick()
{
    const QueueTotals totals = Queue().totals();
    const QString text = QStringLiteral("Queue Summary:\n\nTotal Files: %1\nTotal Dirs: %2\nTotal Bytes: %3")
                             .arg(totals.files)
                             .arg(totals.folders)
                             .arg(SizeText(totals.bytes));
    prompts().messageBox(text, QString::fromLatin1(TfrmMain::Caption), Prompt::Icon::Information, Prompt::Ok);
}

void QueueController::queClearClick()
{
    Queue().clear();
}

// --- Drops and keys ----------------------------------------------------------------------------

void QueueController::QueueFileDrop(const QStringList& files)
{
    QueueAddition added = DroppedFileEntries(files, remoteDirectory());
    log(added.logLines, SessionController::LogError);
    Queue().append(std::move(added.entries));
}

bool QueueController::QueueDragOver(TOrvoListView* source, int) const
{
    return source == m_window.LocalPanel->View() || source == m_window.RemotePanel->View() || source == m_window.Queue
           || m_window.Browsers->BrowserOf(source);
}

void QueueController::QueueDragDrop(TOrvoListView* source, int targetRow)
{
    if (source == m_window.Queue) {
        // Rows dragged within the queue go before the row they were dropped on.
        const int before = m_view->QueueRowOf(targetRow);
        const std::vector<int> moved = Queue().moveRows(m_view->SelectedRows(), before < 0 ? Queue().count() : before,
                                                        BatchRunning());
        m_view->SelectRows(moved);
        return;
    }
    if (source == m_window.LocalPanel->View())
        AddSelection(m_window.LocalPanel);
    else if (source == m_window.RemotePanel->View())
        AddSelection(m_window.RemotePanel);
    else if (TfrmBrowseServer* browser = m_window.Browsers->BrowserOf(source))
        browser->mnuQueueClick();
}

bool QueueController::QueueKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Delete || event->modifiers() != Qt::NoModifier)
        return false;
    queDeleteClick();
    return true;
}
