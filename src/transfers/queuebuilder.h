#pragma once

#include "session/fileentry.h"
#include "transfers/queueentry.h"

#include <QStringList>
#include <optional>
#include <vector>

class TransferQueue;

// Turning what the user picked into queue entries, for the window, the batch, the server
// browser, the scripts and the command line alike. Nothing here touches widgets; names that
// would corrupt a saved queue or leave their folder are refused with a log line.

// Where a selection comes from.
enum class QueueSide : quint8 {
    Remote,   // the remote view: downloads
    Local,    // the local view: uploads
    Browser,  // the server browser's list: downloads
};

struct QueueSelection
{
    QueueSide side = QueueSide::Remote;
    std::vector<FileEntry> items;  // in the view's order; the parent entry is left out
    // The local directory: the current one (the local and remote sides) or the batch's local
    // home (the browser), with or without a trailing "/".
    QString localDir;
    // The remote directory: the current one (empty when not connected: uploads then go to
    // "~/", the directory current when the batch starts), or the browser's directory.
    QString remoteDir;
    // A folder under the target directory (a drop onto a folder row); empty for none.
    QString subfolder;
    // "Resolve Links as Files": a remote link shown as a file is queued as one; otherwise
    // links are queued as folders.
    bool linksAsFiles = false;
};

struct QueueAddition
{
    std::vector<QueueEntry> entries;
    QStringList logLines;  // one for every item that was not queued, saying why
};

// The entries AddSelectionToQueue appends: one per item, sources in the source directory,
// targets in the target directory, folder (and link) targets ending with a separator, sizes
// as plain digits.
QueueAddition SelectionEntries(const QueueSelection& selection);

// Files and folders dropped from the desktop: uploads into the current remote directory ("/"
// when there is none), each with the size the file system reports (0 for a folder).
QueueAddition DroppedFileEntries(const QStringList& paths, const QString& currentRemoteDir);

// The file an "ftp://" address names, as a download into `localDir`; nothing (with a log
// line) when its name cannot be a local file name.
std::optional<QueueEntry> AddressFileEntry(const QString& remotePath, const QString& localDir, QString* logLine);

// AddSelectionToQueue: the entries of the selection appended to `queue`; the log lines of
// refused items are given back. Returns how many entries were added.
int AddSelectionToQueue(TransferQueue& queue, const QueueSelection& selection, QStringList* logLines);

// The target "Edit Target" gives `entry` for the typed text; empty when the text cannot be a
// target (empty, or a line break). Local targets: "~/" is the home directory and a relative
// path is taken from `currentLocalDir`. Remote targets: "/" is their only separator; a
// relative path is taken from `currentRemoteDir`, or from "~/" when that is empty. Folder
// targets end with "/"; a file target ending with "/" names a folder and gets the file's name.
QString EditedTarget(const QueueEntry& entry, const QString& typed, const QString& currentLocalDir,
                     const QString& currentRemoteDir);

// Why a name cannot be queued (empty when it can): it would split a line of a saved queue
// (CR, LF, 0x01) or name something outside its folder ("/", ".", "..").
QString RefusedNameReason(const QString& name);
