#pragma once

#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

class CommandRegistry;
class FilePanel;
class PendingQueue;
class QKeyEvent;
class QMenu;
class QToolBar;
class QTimer;
class QueueView;
class TfrmMain;
class TOrvoListView;
class TransferQueue;
struct QueueSelection;

// The main window's side of the transfer queue: the queue list as a view of the window's
// TransferQueue, the queue commands with their enabled rules, drops onto the queue, queue
// files, and the pending queue of an unfinished batch at exit and at the next start.
// Starting a batch from the queue belongs to the batch runner.
class QueueController : public QObject
{
    Q_OBJECT

public:
    explicit QueueController(TfrmMain& window);
    ~QueueController() override;

    QueueView& View() const { return *m_view; }
    TransferQueue& Queue() const;

    // The queue commands (ids "expAdd", "popQueue", "que..."), the "&Queue" menu, the queue's
    // pop-up menu (QueueMenu) and the toolbar's "Add to queue" and "Clear queue".
    void RegisterCommands(CommandRegistry& commands);
    QMenu* BuildMenu(QWidget* parent);
    // The file views' pop-up offers "&Queue" for their selection.
    void AddToViewMenu(QMenu* views);
    QMenu* QueueMenu() const { return m_popup; }
    void AddToolButtons(QToolBar* toolBar);
    // Rows selected in the queue (the commands' enabled rules look at them).
    int SelectedCount() const;

    // AddSelectionToQueue for a file view (the remote view downloads, the local one uploads);
    // `subfolder` is a folder under the target directory. Returns the entries added.
    int AddSelection(FilePanel* panel, const QString& subfolder = {});
    // What AddSelection adds, for whoever adds it itself (the batch).
    QueueSelection SelectionOf(FilePanel* panel, const QString& subfolder = {}) const;

    // --- Commands --------------------------------------------------------------------------
    void expAddClick();
    void popQueueClick();
    void queDeleteClick();
    void queEditTargetClick();
    void queMoveUpClick();
    void queMoveDownClick();
    void queQueueInfoClick();
    void queLoadQueueClick();
    void queSaveQueueClick();
    void queClearClick();
    // Appends a queue file's entries; the lines left out are reported. False when the file
    // could not be read.
    bool LoadQueueFile(const QString& path);
    // Writes the queue; false (after telling the user) when it could not be written.
    bool SaveQueueFile(const QString& path);

    // --- Drops and keys --------------------------------------------------------------------
    void QueueFileDrop(const QStringList& files);
    bool QueueDragOver(TOrvoListView* source, int targetRow) const;
    void QueueDragDrop(TOrvoListView* source, int targetRow);
    bool QueueKeyDown(QKeyEvent* event);

    // --- The pending queue -----------------------------------------------------------------
    // Exit: with a batch under way (also while aborting or waiting to reconnect), a site and
    // entries, the queue goes to "qfile.dat" and the site to [Queue] Site.
    void SavePendingQueue();
    // Start-up without arguments: when [Queue] names a site, the question comes once the
    // window is shown (false: nothing is pending).
    bool PostPendingQueueOffer();
    // The question itself; Yes loads the queue and connects to the site to finish it.
    void OfferPendingQueue();
    // The batch runner calls this whenever a batch begins: once the batch that holds the
    // pending queue of the last run has begun, [Queue] is erased and "qfile.dat" deleted.
    void PendingBatchBegins();

    // An "ftp://" address named a file: it is queued as a download into the current local
    // directory (the session then runs the queue after the login).
    void QueueUrlFile(const QString& remotePath);

    // Reordering keeps the running entry first while a batch runs.
    bool BatchRunning() const;

private:
    void wireView();
    QString remoteDirectory() const;
    void log(const QStringList& lines, int kind);
    PendingQueue& pending();
    bool confirmOverwrite(const QString& path) const;

    TfrmMain& m_window;
    std::unique_ptr<QueueView> m_view;
    std::unique_ptr<PendingQueue> m_pending;
    QMenu* m_popup = nullptr;
    QTimer* m_update = nullptr;   // the commands' enabled state, once per turn of the loop
    bool m_resumePending = false;  // the queue of the last run was loaded to be finished
};
