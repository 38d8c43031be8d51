#pragma once

#include "session/fileentry.h"
#include "session/sessionstate.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <vector>

class SessionController;

// How a file operation ended.
struct FileOpResult
{
    bool ok = false;
    bool cancelled = false;  // the user answered No: nothing was done
    bool aborted = false;    // Abort stopped it part-way
    QString message;         // why it failed; empty on success
};
using FileOpDone = std::function<void(const FileOpResult& result)>;

// The file commands on the server of one session, each a chain of one request and one
// session event at a time: make directory, recursive delete, rename, move, CHMOD. One
// runs at a time, only while the session is Idle; during it the session is busy, and at its
// end the listing-cache entries of the directories it changed are dropped and the current
// directory is listed again.
//
// Every start method returns the operation's id (0 when it could not start) and completes
// exactly once: `done` is called and `finished` emitted from the event loop, never from
// inside the start call, also when the operation could not start or the user declined. An
// operation ends when the session's activity it began ends (after the final listing, or at
// a refusal or disconnect), so whoever continues finds the listing current.
//
// Each step continues through a queued call, so a tree of any size never deepens the stack;
// Abort (the session's AbortChain) is looked at before every step.
class RemoteFileOps : public QObject
{
    Q_OBJECT

public:
    enum class Operation : quint8 { None, MakeDirectory, RemoveDirectory, Delete, Rename, Move, ChangeMode };

    // Installs itself as the session's AbortChain: one per session.
    explicit RemoteFileOps(SessionController& session, QObject* parent = nullptr);
    ~RemoteFileOps() override;

    // MKD `name` (relative to the current directory or absolute).
    quint64 MakeDirectory(const QString& name, FileOpDone done = {});
    // RMD `path` (an empty folder; relative to the current directory or absolute), then the
    // current directory is listed again.
    quint64 RemoveDirectory(const QString& path, FileOpDone done = {});
    // Deletes entries of the current directory, folders with everything in them. Unless a
    // script runs, asks "Delete selected file(s) ?" (when ConfirmDel is on) and, when folders
    // are among them, the folder warning; No does nothing.
    quint64 Delete(const std::vector<FileEntry>& entries, FileOpDone done = {});
    // RNFR/RNTO in the current directory.
    quint64 Rename(const QString& oldName, const QString& newName, FileOpDone done = {});
    // Moves entries of the current directory into `destination` (absolute, or relative to the
    // current directory), one rename each, and lists once at the end.
    quint64 Move(const QStringList& names, const QString& destination, FileOpDone done = {});
    // "SITE CHMOD mode name" for each name of the current directory; the mode as typed.
    quint64 ChangeMode(const QStringList& names, const QString& mode, FileOpDone done = {});

    Operation Current() const { return m_op; }
    bool Running() const { return m_op != Operation::None; }
    // Stops a running delete, move or CHMOD at its next step (a delete goes back to the
    // directory it started in). False when no such chain runs or it is already ending.
    bool Abort();

    // The chains' lists: full remote paths (delete) or names (move, CHMOD) still to do, the
    // first in progress; folders still to list; folders to remove, in the order visited.
    const QStringList& PendingFiles() const { return m_pendingFiles; }
    const QStringList& PendingFolders() const { return m_pendingFolders; }
    const QStringList& EmptiedFolders() const { return m_emptiedFolders; }
    // Where the running delete started; the running move's target directory.
    const QString& BatchRemoteHome() const { return m_home; }
    const QString& FolderTarget() const { return m_target; }

signals:
    void finished(quint64 id, const FileOpResult& result);

private:
    bool canStart(FileOpDone& done);
    quint64 begin(Operation op, SessionState state, FileOpDone done);
    void refuse(FileOpDone done, const QString& message);
    void refuse(FileOpDone done, FileOpResult result);
    void continueLater(void (RemoteFileOps::*step)());
    bool stepIsCurrent() const;
    void fail(const QString& message);
    void finishWithListing();
    void activityFinished(quint64 activity, bool ok);
    QString incompleteReason() const;
    void dropCacheUnder(const QString& directory);
    bool confirmDelete(bool folders) const;

    // The recursive delete (remotedelete.cpp).
    void DeleteStep();
    void FTPListingDone(bool success);
    void afterListing();
    void readFolderListing();
    void RemoveNextFolder();
    void FTPFileDeleted(bool success);
    void FTPDirectoryDeleted(bool success);
    void stopDelete();
    // Move, rename, CHMOD, make directory.
    void MoveNext();
    void FTPFileRenamed(bool success);
    void ChmodNext();
    void FTPFileCHMOD(bool success);
    void FTPDirectoryCreated(bool success);

    SessionController& m_session;
    Operation m_op = Operation::None;
    quint64 m_id = 0;
    quint64 m_lastId = 0;
    quint64 m_activity = 0;
    FileOpDone m_done;
    bool m_abort = false;
    bool m_ending = false;         // the final listing (or the way back) is under way
    bool m_awaitingListing = false;
    bool m_listingOk = false;
    bool m_savedHidden = false;    // the session's own choice about hidden files
    bool m_hiddenRefused = false;  // the server refused "LIST -al" during this delete
    int m_failures = 0;            // items the server refused
    QString m_failure;             // why the chain stopped
    QStringList m_pendingFiles;
    QStringList m_pendingFolders;
    QStringList m_emptiedFolders;
    QString m_home;
    QString m_target;
    QString m_expectedDir;  // the folder a delete changed into, with a trailing "/"
    QString m_mode;
    QString m_oldName;
    QString m_newName;
    int m_total = 0;
};
