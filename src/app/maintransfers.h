#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class BatchRunner;
class CommandRegistry;
class FilePanel;
class PacedText;
class QMenu;
class RepaintPacer;
class TfrmMain;
class TOrvoListView;
class TransferStatus;
struct BatchSummary;

// The main window's side of transfers: the commands that start batches (Download, Upload,
// the views' pop-up entry, the queue's Transfer, Manual Download), double clicks, drags
// between the two views, desktop drops on the remote view, and what a running batch shows:
// the status bar's transfer layout with its gauge and clocks, the title and the tray tip,
// the completion marks, the sound, the quit, and a desktop notice when a batch ends while the
// window is hidden or in the background. The batch itself is the BatchRunner below.
class MainTransfers : public QObject
{
    Q_OBJECT

public:
    explicit MainTransfers(TfrmMain& window);
    ~MainTransfers() override;

    BatchRunner& Runner() const { return *m_runner; }
    TransferStatus& Status() const { return *m_status; }

    // "mnuDownload", "mnuUpload", "popDownload", "queTransfer", "mnuTransferQueue",
    // "mnuManualDownload"; registered before the queue's menus are built.
    void RegisterCommands(CommandRegistry& commands);
    // Once the rest of the window's commands and views exist: check marks, views, session.
    void Wire();
    // "C&ommands": Download, Upload, Manual Download.
    QMenu* BuildCommandsMenu(QWidget* parent);
    // The views' pop-up starts with "Download" (remote view) or "Upload" (local view).
    void AddToViewMenu(QMenu* views);

    // --- Commands --------------------------------------------------------------------------
    void mnuDownloadClick();
    void mnuUploadClick();
    void popDownloadClick();
    void queTransferClick();
    void mnuManualDownloadClick();
    // A double click on a file of either view, by the DoubleClick preference: 0 transfers it,
    // 1 views it, 2 edits it (MainEditView), 3 queues it.
    void FileDblClick(FilePanel* panel);

    // StartDownload / StartUpload of the design: the selection of the remote (local) view,
    // into `subfolder` of the other side's directory (a drop onto a folder row).
    quint64 StartDownload(const QString& subfolder = {});
    quint64 StartUpload(const QString& subfolder = {});

    // --- Drops -----------------------------------------------------------------------------
    bool LocalDragOver(TOrvoListView* source, int row) const;
    void LocalDragDrop(TOrvoListView* source, int row);
    bool RemoteDragOver(TOrvoListView* source, int row) const;
    void RemoteDragDrop(TOrvoListView* source, int row);
    void RemoteFileDrop(const QStringList& files);

    // The desktop notice of a batch that ended out of sight (tests put a recorder here).
    std::function<void(const QString& title, const QString& text)> Notify;
    static QString NoticeText(const BatchSummary& summary);

private:
    void wireRunner();
    void wirePacers();
    void wireViews();
    void wireChecks();
    void showLayout(bool on);
    void showTitle(const QString& title);
    void batchFinished(const BatchSummary& summary);
    void notifyDesktop(const QString& title, const QString& text);
    QString subfolderAt(FilePanel* panel, int row) const;

    TfrmMain& m_window;
    BatchRunner* m_runner = nullptr;
    TransferStatus* m_status = nullptr;
    // The queue list, the log and the file views repaint at a pace while a batch runs.
    std::vector<RepaintPacer*> m_pacers;
    PacedText* m_statusText = nullptr;  // status panel 0 and the title, at most ten times a
    PacedText* m_title = nullptr;       // second
    QString m_normalTitle;  // what the title shows when no batch runs
};
