// Transfers in the main window: the commands that start batches, double clicks, drags between
// the views, desktop drops on the remote view, and what a batch shows while it runs.
#include "app/maintransfers.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/maineditview.h"
#include "app/mainwindow.h"
#include "app/progresspanel.h"
#include "app/queuecontroller.h"
#include "app/queueview.h"
#include "app/repaintpacer.h"
#include "console/xconsole.h"
#include "app/transferstatus.h"
#include "controls/orvoview.h"
#include "platform/core/prompt.h"
#include "platform/desktop/sound.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "sites/sitestats.h"
#include "transfers/batchrunner.h"
#include "transfers/queuebuilder.h"
#include "transfers/transferqueue.h"
#include "transfers/transferrules.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>

namespace {

using Rule = CommandRegistry::Rule;

const char* const CompletionIds[] = {"mnuCompleteIdle", "mnuCompleteDisconnect", "mnuCompleteHangup", "mnuCompleteQuit"};

}  // namespace

MainTransfers::MainTransfers(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
    , m_runner(new BatchRunner(*window.Session, *window.QueueModel, *window.LocalDir, *window.SiteStats, this))
    , m_status(new TransferStatus(*window.statusBar(), *window.Session))
{
    m_normalTitle = QString::fromLatin1(TfrmMain::Caption);
    Notify = [this](const QString& title, const QString& text) { notifyDesktop(title, text); };
    wireRunner();
    wirePacers();
}

// Hundreds of small files a second change the queue list, the log and both views as often;
// repainting them every time would cost more than moving the files.
void MainTransfers::wirePacers()
{
    const auto pacer = [this](QWidget* widget) {
        m_pacers.push_back(new RepaintPacer(widget, 100, this));
        return m_pacers.back();
    };
    RepaintPacer* queue = pacer(m_window.Queue);
    RepaintPacer* log = pacer(m_window.Memo1);
    RepaintPacer* remote = pacer(m_window.RemotePanel);
    RepaintPacer* local = pacer(m_window.LocalPanel);
    TransferQueue* model = m_window.QueueModel;
    connect(model, &TransferQueue::entriesInserted, queue, &RepaintPacer::changed);
    connect(model, &TransferQueue::entriesRemoved, queue, &RepaintPacer::changed);
    connect(model, &TransferQueue::entriesChanged, queue, &RepaintPacer::changed);
    connect(model, &TransferQueue::entriesReset, queue, &RepaintPacer::changed);
    connect(m_window.Session, &SessionController::logLine, log, &RepaintPacer::changed);
    connect(&m_window.Session->Remote(), &RemoteDirectoryModel::reset, remote, &RepaintPacer::changed);
    connect(m_window.LocalDir, &LocalDirectoryModel::finished, local, &RepaintPacer::changed);
}

MainTransfers::~MainTransfers() = default;

// --- Commands ------------------------------------------------------------------------------

void MainTransfers::RegisterCommands(CommandRegistry& c)
{
    const Rule remoteSelection = [](const CommandContext& x) { return x.idle() && x.remoteFocused && x.selected > 0; };
    const Rule localSelection = [](const CommandContext& x) { return x.idle() && !x.remoteFocused && x.selected > 0; };
    const Rule queued = [](const CommandContext& x) { return x.idle() && x.queueEntries > 0; };
    QStyle* look = m_window.style();

    QAction* download = c.add(QStringLiteral("mnuDownload"), QStringLiteral("Downl&oad"), [this] { mnuDownloadClick(); },
                              remoteSelection);
    download->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));
    QAction* upload = c.add(QStringLiteral("mnuUpload"), QStringLiteral("Upload"), [this] { mnuUploadClick(); },
                            localSelection);
    upload->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    c.add(QStringLiteral("popDownload"), QStringLiteral("Download"), [this] { popDownloadClick(); },
          [](const CommandContext& x) { return x.idle() && x.selected > 0; });
    QAction* send = c.add(QStringLiteral("queTransfer"), QStringLiteral("&Transfer"), [this] { queTransferClick(); }, queued);
    send->setIconText(QStringLiteral("Send queue"));
    send->setIcon(QIcon::fromTheme(QStringLiteral("mail-send"), look->standardIcon(QStyle::SP_MediaPlay)));
    QAction* transferQueue = c.add(QStringLiteral("mnuTransferQueue"), QStringLiteral("&Transfer Queue"),
                                   [this] { queTransferClick(); }, queued);
    transferQueue->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    c.add(QStringLiteral("mnuManualDownload"), QStringLiteral("Man&ual Download"), [this] { mnuManualDownloadClick(); },
          [](const CommandContext& x) { return x.idle() && x.remoteFocused; });
}

QMenu* MainTransfers::BuildCommandsMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("C&ommands"), parent);
    menu->setObjectName(QStringLiteral("mnuCommands"));
    for (const char* id : {"mnuDownload", "mnuUpload", "-", "mnuManualDownload"}) {
        if (*id == '-')
            menu->addSeparator();
        else
            menu->addAction(m_window.command(QString::fromLatin1(id)));
    }
    connect(menu, &QMenu::aboutToShow, m_window.Commands, &CommandRegistry::update);
    return menu;
}

void MainTransfers::AddToViewMenu(QMenu* views)
{
    const QList<QAction*> existing = views->actions();
    QAction* first = existing.isEmpty() ? nullptr : existing.first();
    views->insertAction(first, m_window.command(QStringLiteral("popDownload")));
    // It reads "Download" over the remote view and "Upload" over the local one.
    connect(views, &QMenu::aboutToShow, this, [this] {
        const bool remote = m_window.ActivePanel() == m_window.RemotePanel;
        m_window.command(QStringLiteral("popDownload"))->setText(remote ? QStringLiteral("Download") : QStringLiteral("Upload"));
    });
}

quint64 MainTransfers::StartDownload(const QString& subfolder)
{
    return m_runner->StartDownload(m_window.QueueControl->SelectionOf(m_window.RemotePanel, subfolder));
}

quint64 MainTransfers::StartUpload(const QString& subfolder)
{
    return m_runner->StartUpload(m_window.QueueControl->SelectionOf(m_window.LocalPanel, subfolder));
}

void MainTransfers::mnuDownloadClick()
{
    if (!m_window.RemotePanel->SelectedEntries().empty())
        StartDownload();
}

void MainTransfers::mnuUploadClick()
{
    if (!m_window.LocalPanel->SelectedEntries().empty())
        StartUpload();
}

void MainTransfers::popDownloadClick()
{
    if (m_window.ActivePanel() == m_window.RemotePanel)
        mnuDownloadClick();
    else
        mnuUploadClick();
}

void MainTransfers::queTransferClick()
{
    m_runner->RunQueue();
}

// The typed name is fetched from the current remote directory into the current local one;
// of a typed path only its last part names the local file.
void MainTransfers::mnuManualDownloadClick()
{
    if (m_window.Session->State() != SessionState::Idle)
        return;
    const auto typed = prompts().inputBox(QStringLiteral("Manual download"), QStringLiteral("Enter filename"), {});
    if (!typed || typed->trimmed().isEmpty())
        return;
    QString localName = FileNamePart(*typed).value_or(*typed);
    if (localName.endsWith(QLatin1Char('/')))
        localName.chop(1);
    if (const QString reason = UnsafeLocalNameReason(localName); !reason.isEmpty()) {
        m_window.Session->LogLine(QStringLiteral("Not downloaded: \"") + *typed + QStringLiteral("\" ") + reason,
                                  SessionController::LogError);
        return;
    }
    m_runner->DirectDownload(EnsureTrailingSeparator(m_window.LocalDir->currentDirectory()) + localName, *typed, false,
                             QStringLiteral("0"));
}

void MainTransfers::FileDblClick(FilePanel* panel)
{
    switch (m_window.Config().DoubleClick) {
    case 0:
        if (panel == m_window.RemotePanel)
            StartDownload();
        else
            StartUpload();
        return;
    case 1:
        m_window.EditView->ViewFrom(panel);
        return;
    case 2:
        m_window.EditView->EditFrom(panel);
        return;
    case 3:
        m_window.QueueControl->AddSelection(panel);
        return;
    default:
        return;
    }
}

// --- Drops ---------------------------------------------------------------------------------

// A drop onto a folder row goes into that folder; onto anything else, into the directory.
QString MainTransfers::subfolderAt(FilePanel* panel, int row) const
{
    const FileEntry* entry = row >= 0 ? panel->EntryAt(row) : nullptr;
    return entry && (entry->isFolder() || (entry->isLink() && panel->IsRemote())) ? entry->name : QString();
}

bool MainTransfers::LocalDragOver(TOrvoListView* source, int) const
{
    return source == m_window.RemotePanel->View() && m_window.Session->State() == SessionState::Idle;
}

void MainTransfers::LocalDragDrop(TOrvoListView* source, int row)
{
    if (LocalDragOver(source, row))
        StartDownload(subfolderAt(m_window.LocalPanel, row));
}

bool MainTransfers::RemoteDragOver(TOrvoListView* source, int) const
{
    return source == m_window.LocalPanel->View() && m_window.Session->State() == SessionState::Idle;
}

void MainTransfers::RemoteDragDrop(TOrvoListView* source, int row)
{
    if (RemoteDragOver(source, row))
        StartUpload(subfolderAt(m_window.RemotePanel, row));
}

void MainTransfers::RemoteFileDrop(const QStringList& files)
{
    m_runner->StartUploadOfFiles(files);
}

// --- Wiring --------------------------------------------------------------------------------

void MainTransfers::Wire()
{
    wireViews();
    wireChecks();
}

void MainTransfers::wireViews()
{
    TOrvoListView* local = m_window.LocalPanel->View();
    TOrvoListView* remote = m_window.RemotePanel->View();
    local->OnDragOver = [this](TOrvoListView* source, int row, QPoint) { return LocalDragOver(source, row); };
    local->OnDragDrop = [this](TOrvoListView* source, int row, QPoint) { LocalDragDrop(source, row); };
    remote->OnDragOver = [this](TOrvoListView* source, int row, QPoint) { return RemoteDragOver(source, row); };
    remote->OnDragDrop = [this](TOrvoListView* source, int row, QPoint) { RemoteDragDrop(source, row); };
    remote->OnFileDrop = [this](const QStringList& files, int, int) { RemoteFileDrop(files); };
    // Desktop files are taken only while the session is ready for a batch.
    connect(m_window.Session, &SessionController::busyChanged, remote, [this, remote](bool busy) {
        remote->SetAcceptFiles(!busy && m_window.Session->State() == SessionState::Idle);
    });
    connect(m_window.Session, &SessionController::loggedIn, this, [this](const QString& displayName) {
        m_normalTitle = displayName;
    });
    connect(m_window.Session, &SessionController::disconnected, this, [this] {
        m_normalTitle = QString::fromLatin1(TfrmMain::Caption);
    });
}

void MainTransfers::wireChecks()
{
    QAction* halt = m_window.command(QStringLiteral("mnuHalt"));
    connect(halt, &QAction::toggled, m_runner, &BatchRunner::SetHalt);
    connect(m_runner, &BatchRunner::haltChanged, halt, &QAction::setChecked);
    for (int action = 0; action < 4; ++action) {
        connect(m_window.command(QString::fromLatin1(CompletionIds[action])), &QAction::toggled, this, [this, action](bool on) {
            if (on)
                m_runner->SetCompletion(CompletionAction(action));
        });
    }
}

void MainTransfers::wireRunner()
{
    BatchRunner* runner = m_runner;
    m_statusText = new PacedText(100, [this](const QString& text) { m_window.StatusText->setText(text); }, this);
    m_title = new PacedText(100, [this](const QString& title) { showTitle(title); }, this);
    connect(runner, &BatchRunner::statusText, m_statusText, &PacedText::set);
    connect(runner, &BatchRunner::progressChanged, this, [this](int percent, const QString& text) {
        TProgressPanel* gauge = m_window.StatusProgress;
        if (gauge->percent() != percent || gauge->text() != text)
            gauge->setProgress(percent, text);
    });
    connect(runner, &BatchRunner::elapsedText, m_status->Elapsed(), &QLabel::setText);
    connect(runner, &BatchRunner::remainText, m_status->Remain(), &QLabel::setText);
    connect(runner, &BatchRunner::titleChanged, m_title, &PacedText::set);
    connect(runner, &BatchRunner::transferLayout, this, &MainTransfers::showLayout);
    connect(runner, &BatchRunner::playSound, this, [](int choice, const QString& wav) { Sound::playSetting(choice, wav); });
    connect(runner, &BatchRunner::quitRequested, &m_window, &QWidget::close);
    connect(runner, &BatchRunner::batchStarted, this, [this] { m_window.QueueControl->PendingBatchBegins(); });
    connect(runner, &BatchRunner::batchFinished, this, &MainTransfers::batchFinished);
}

void MainTransfers::showLayout(bool on)
{
    if (!on) {
        m_statusText->flush();
        m_title->flush();
    }
    m_status->SetTransferLayout(on);
    for (RepaintPacer* pacer : m_pacers)
        pacer->setActive(on);
    m_window.QueueControl->View().SetPaced(on);
    // The gauge takes what the status text gives up while a batch runs.
    m_window.StatusText->setMinimumWidth(on ? qMax(120, m_window.width() / 4) : m_window.width() / 2 - 8);
    m_window.LocalPanel->PathBox()->setEnabled(!on);
    if (!on)
        m_window.StatusProgress->clear();
    m_window.Commands->update();
}

// The application title (and the tray tip, which holds at most 63 characters).
void MainTransfers::showTitle(const QString& title)
{
    const QString shown = title.isEmpty() ? m_normalTitle : title;
    if (QApplication::applicationDisplayName() != shown)
        QApplication::setApplicationDisplayName(shown);
    if (m_window.TrayIcon)
        m_window.TrayIcon->setToolTip(shown.left(63));
}

void MainTransfers::batchFinished(const BatchSummary& summary)
{
    m_window.Commands->update();
    if (m_window.isVisible() && m_window.isActiveWindow() && !m_window.isMinimized())
        return;
    if (Notify)
        Notify(QString::fromLatin1(TfrmMain::Caption), NoticeText(summary));
}

QString MainTransfers::NoticeText(const BatchSummary& summary)
{
    QString text = summary.files == 1 ? QStringLiteral("1 file transferred")
                                       : QStringLiteral("%1 files transferred").arg(summary.files);
    if (summary.failed > 0)
        text += QStringLiteral(", %1 failed").arg(summary.failed);
    if (summary.skipped > 0)
        text += QStringLiteral(", %1 skipped").arg(summary.skipped);
    if (summary.disconnected)
        text += QStringLiteral("; the connection ended before the batch did");
    else if (summary.cancelled)
        text += QStringLiteral("; the batch was stopped");
    return text + QLatin1Char('.');
}

// The tray's balloon while the window hides there; the desktop's notification service
// otherwise (nothing when there is none, nor without a screen: headless runs and tests).
void MainTransfers::notifyDesktop(const QString& title, const QString& text)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    QSystemTrayIcon* tray = m_window.TrayIcon;
    if (tray && tray->isVisible() && QSystemTrayIcon::supportsMessages()) {
        tray->showMessage(title, text, QSystemTrayIcon::Information);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage notice = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("Notify"));
    notice << QStringLiteral("OrvoFTP") << quint32(0) << QStringLiteral("org.orvoftp.OrvoFTP") << title << text
           << QStringList() << QVariantMap() << qint32(-1);
    bus.call(notice, QDBus::NoBlock);
}
