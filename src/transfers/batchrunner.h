#pragma once

#include "session/sessionstate.h"
#include "transfers/localscan.h"
#include "transfers/queuebuilder.h"
#include "transfers/queueentry.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <memory>

class DialupService;
class LocalDirectoryModel;
class SessionController;
class TSiteStats;
class TTapi;
class TransferQueue;
struct ConflictDecision;
struct FileConflict;
struct FileEntry;

// What happens when a batch has run its queue ("T&ransfer Complete").
enum class CompletionAction : quint8 { Idle = 0, Disconnect = 1, Hangup = 2, Quit = 3 };

// How a batch went, as its batchFinished reports it.
struct BatchSummary
{
    quint64 id = 0;
    int files = 0;              // files moved completely
    qint64 bytes = 0;           // their bytes (of a resumed file: the part moved now)
    int failed = 0;             // files and folders the server or the local disk refused
    int skipped = 0;            // files left out by the skip rules or the user
    bool cancelled = false;     // Cancel in "File Exists", No to the free-space question, Abort
    bool disconnected = false;  // the session ended before the batch did
    bool ok() const { return failed == 0 && !cancelled && !disconnected; }
};

// The batch engine: runs the transfer queue from its first entry through a SessionController,
// one step at a time on the event loop. Folder entries are replaced by their contents; each
// file is checked against the skip rules and an existing target ("File Exists", through the
// prompt interface), moved in ASCII or binary, counted in the site's statistics and removed
// from the queue by its identity; when the queue is empty (or the user halted) the views
// come back to where the batch began and the completion action runs. No widgets: the window
// shows what the signals carry.
//
// How others use it. Every Start... returns the id of the batch it began (0 when it could
// not begin: the session is not idle, or a batch runs), and every batch that began ends with
// exactly one batchFinished carrying that id, once the session is ready again (or has ended).
// A batch may pause while the session reconnects after the server dropped it; it goes on
// with the same id when the session is back. The file operations, edit/view and scripts
// start transfers through these calls and wait for batchFinished.
class BatchRunner : public QObject
{
    Q_OBJECT

public:
    BatchRunner(SessionController& session, TransferQueue& queue, LocalDirectoryModel& local, TSiteStats& stats,
                QObject* parent = nullptr);
    ~BatchRunner() override;

    // --- Starting ------------------------------------------------------------------------
    // StartDownload / StartUpload: the selection (of the remote or the local side) is added to
    // the end of the queue, then the whole queue runs from its first entry. An empty
    // selection runs the queue as it is.
    quint64 StartDownload(const QueueSelection& selection);
    quint64 StartUpload(const QueueSelection& selection);
    // Files and folders dropped from the desktop on the remote view: queued as uploads into
    // the current remote directory, then the queue runs.
    quint64 StartUploadOfFiles(const QStringList& paths);
    // The queue's Transfer command: the queue as it is (nothing when it is empty).
    quint64 RunQueue();
    // One named file of the current remote directory, outside the queue ("Man&ual
    // Download"); an existing local file is handled by the "File Exists" rules.
    quint64 DirectDownload(const QString& localPath, const QString& remoteName, bool resume, const QString& sizeText);

    bool Running() const { return m_running; }
    quint64 CurrentBatch() const { return m_running ? m_batchId : 0; }
    // The local directory the running batch began in (its downloads' home).
    const QString& BatchLocalHome() const { return m_batchLocalHome; }
    // "&Halt Transfer": the batch stops once the file under way is done.
    bool Halted() const { return m_halt; }
    void SetHalt(bool halt);
    CompletionAction Completion() const { return m_completion; }
    void SetCompletion(CompletionAction action) { m_completion = action; }
    // The dial-up service "&Hangup ISP" uses (tests give a fake one); the system's by default.
    void SetDialupService(DialupService* service);

    // --- Progress (what the transfer timer shows) ------------------------------------------
    qint64 CurrentFileSize() const { return m_currentFileSize; }  // -1 when not known
    qint64 BatchBytes() const { return m_batchBytes; }
    int BatchFiles() const { return m_batchFiles; }
    int BatchFolders() const { return m_batchFolders; }
    int ElapsedSeconds() const { return m_elapsedSeconds; }
    int ProgressPercent() const { return m_progressPercent; }
    const QString& ProgressText() const { return m_progressText; }
    // The one-second timer of a file in transfer; its tick is public for tests.
    QTimer TransferTimer;
    void TransferTimerTimer();

signals:
    void batchStarted(quint64 id);
    void batchFinished(const BatchSummary& summary);
    void statusText(const QString& text);                  // status panel 0
    void progressChanged(int percent, const QString& text);  // the gauge of status panel 1
    void elapsedText(const QString& text);                 // status panel 2
    void remainText(const QString& text);                  // status panel 3
    void titleChanged(const QString& title);               // empty: the normal title again
    void transferLayout(bool on);                          // the status bar's transfer layout
    void haltChanged(bool halt);
    void playSound(int choice, const QString& wavFile);    // TransferSound, TransferWav
    void quitRequested();                                  // the completion action "Quit"

private:
    enum class Step : quint8 {
        None,
        EnterDownloadDir,   // the directory of a file to download
        ExpandDownload,     // a folder to download
        MakeUploadDir,      // MKD of a folder to upload
        EnterUploadFolder,  // into the folder just made (or found)
        EnterUploadDir,     // the directory of a file to upload
        Transfer,           // a file moves
        Ending,             // EndBatch ran; the session is on its way back to ready
    };
    enum class ConflictOutcome { Go, Resume, Skip, Cancel, Gone };

    // Batch steps (batchrunner.cpp).
    bool canStart() const;
    quint64 beginNew();
    quint64 startWith(const QueueSelection& selection, bool upload);
    void BeginBatch(bool continuing);
    void RunNextEntry();
    void scheduleNext();
    void SkipEntry(int code);
    void continueAfterEntry();
    void DropFirstEntry();
    void failEntry(const QString& message);
    bool entryGone() const;
    bool stillStanding(quint64 batch) const;
    bool changeDirectory(const QString& path, Step step);
    bool sameRemoteDirectory(const QString& directory) const;
    void onListingDone(bool success);
    void ResumeQueuedBatch();
    void onStateChanged(SessionState state);
    void onConnectionLost();
    void showLocal(const QString& directory);
    void readLocalSoon();
    void readLocalNow();
    void log(const QString& text, int kind = 0);
    // Transfer rules in force (batchrunner.cpp).
    void ChooseTransferMode(const QString& fileName);
    bool IsSkipped(const QString& fileName) const;
    QString MapRenameExtension(const QString& path, bool upload) const;
    ConflictOutcome askConflict(const FileConflict& conflict, int skipCode, QString* renamed);
    ConflictOutcome applyDecision(const ConflictDecision& decision, const FileConflict& conflict, QString* renamed);
    // Downloads (batchdownload.cpp).
    void DownloadEntry();
    void ExpandDownloadFolder(bool listed);
    std::vector<QueueEntry> downloadChildren(const QString& remoteDir, const QString& localDir);
    ConflictOutcome downloadConflict(const QString& localFile, const QString& remoteName, qint64 remoteSize,
                                     QString* target);
    bool enoughSpace(const QString& directory, qint64 size);
    qint64 freeBytes(const QString& directory);
    void startDownload(const QString& localFile, const QString& remoteName, bool resume, const QString& status);
    void resumeDirectDownload();
    void FTPFileReceived(bool success);
    void preserveDate(const QString& localFile, const QString& remoteName);
    // Uploads (batchupload.cpp).
    void UploadEntry();
    void startUploadFolder();
    bool listedAsFolder(const QString& path) const;
    void ExpandUploadFolder();
    ConflictOutcome uploadConflict(const QString& localFile, QString* remoteName, qint64* resumePos);
    void FTPDirectoryCreated();
    void FTPFileStored(bool success);
    // End and progress (batchend.cpp).
    void EndBatch();
    void restoreRemote(SessionState previous);
    void hangUp();
    void finishBatch();
    void abandonBatch();
    void ComputeBatchTotals();
    void resetProgress();
    void onTransferInfo(quint8 info, const QString& addinfo);
    void countStatistics(bool upload, qint64 bytes);

    SessionController& m_session;
    TransferQueue& m_queue;
    LocalDirectoryModel& m_local;
    TSiteStats& m_stats;

    // The batch.
    bool m_running = false;
    quint64 m_batchId = 0;
    quint64 m_lastId = 0;
    BatchSummary m_summary;
    Step m_step = Step::None;
    QueueEntry m_entry;   // the entry under way, as it was when it began
    bool m_direct = false;  // a DirectDownload: no queue entry
    QString m_fileName;     // the remote file name of the entry under way, for the log
    QString m_directSizeText;
    QString m_batchLocalHome;
    QString m_batchRemoteHome;
    QString m_folderTarget;
    int m_bulkConflictChoice = 0;  // 0 none, 1 skip all, 2 overwrite all
    bool m_resumeFirst = false;    // the first file resumes (after a reconnect or a restart)
    bool m_halt = false;
    bool m_quitAfter = false;
    CompletionAction m_completion = CompletionAction::Idle;
    QString m_requestedDir;      // the last directory the batch changed to ...
    QString m_reachedDir;        // ... and where the server said that is
    QSet<QString> m_listedFolders;  // remote folders this batch expanded (links that loop)
    QSet<QString> m_remoteFolders;  // folders to upload that a listing showed to exist
    UploadFolderScan m_uploadScan;  // the local folder of the upload folder under way

    // Progress.
    qint64 m_currentFileSize = -1;
    qint64 m_batchBytes = 0;
    int m_batchFiles = 0;
    int m_batchFolders = 0;
    int m_elapsedSeconds = 0;
    int m_progressPercent = 0;
    QString m_progressText;

    // The local view is read at most twice a second while files arrive.
    QTimer m_localRead;
    QElapsedTimer m_sinceLocalRead;

    QString m_freeDirectory;
    qint64 m_freeBytes = 0;
    QElapsedTimer m_sinceFreeQuery;

    DialupService* m_dialupService = nullptr;
    std::unique_ptr<TTapi> m_dialup;
};
