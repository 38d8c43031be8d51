#pragma once

#include "engine/ftptypes.h"
#include "engine/listparser.h"
#include "session/fileentry.h"
#include "session/listingcache.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <vector>

// What the remote view shows of a listing, and the switches that decide it.
struct RemoteFilter
{
    QString mask = QStringLiteral("*.*");
    bool filterDirectories = false;  // the mask hides directories too
    bool showLinks = true;           // links stay in listings made during transfers
    bool resolveLinks = false;       // links are shown (and counted) as files
};

// The server's current directory as the session listed it: the raw lines, the typed entries
// shown (whether the parent entry ".." goes above them is hasParent()), the counters, the listing cache, the
// directory history of the path box and the records of followed links. No widgets: views
// show `entries()` and listen to the signals.
class RemoteDirectoryModel : public QObject
{
    Q_OBJECT

public:
    explicit RemoteDirectoryModel(QObject* parent = nullptr);

    // --- The listing -------------------------------------------------------------------------
    // Empties the entries for a listing that starts now (from the server or from the cache);
    // its lines are read as `serverType` writes them.
    void beginListing(TFTPServerType serverType);
    bool listing() const { return m_listing; }
    // One raw line: accepted lines go to the cache file being written and, when the filter
    // lets them, to the entries. During a transfer links may be hidden (RemoteFilter::showLinks).
    void addLine(const QString& rawLine, bool transferRunning);
    // The listing is complete: the cache entry is kept when `success` (else dropped, as a
    // partial file would later pass for the whole directory), `directory` becomes the current
    // one, the path box history learns it, and the parent entry is offered unless a transfer
    // runs or the directory is the root. False when the cache file could not be written.
    bool finishListing(bool success, const QString& directory, bool transferRunning);
    // Builds the entries again from the raw lines with the current filter (after a switch
    // changed). During a listing the rebuild waits for its end.
    void refilter(bool transferRunning);
    // Everything goes: entries, lines, history, link records (the disconnect reset).
    void clear();

    // The entries shown, in listing order; never "." nor "..".
    const std::vector<FileEntry>& entries() const { return m_entries; }
    // The view shows the parent entry ".." above the entries.
    bool hasParent() const { return m_hasParent; }
    // Every raw line of the listing shown, as received or as read from the cache.
    const QStringList& rawLines() const { return m_rawLines; }
    // Any entry of the listing by its exact name, whatever the filter hides (a mask, links
    // left out during transfers); nullptr when the listing has none. Built on the first
    // look-up after a listing, so a batch checking every file of a large folder stays linear.
    const FileEntry* listedEntry(const QString& name) const;
    int folderCount() const { return m_folders; }
    int fileCount() const { return m_files; }
    // "N folder(s), M file(s) listed [mask]"
    QString listedSummary() const;

    RemoteFilter& filter() { return m_filter; }
    const RemoteFilter& filter() const { return m_filter; }

    // The directory of the last listing, with a trailing "/".
    const QString& currentDirectory() const { return m_currentDir; }
    void setCurrentDirectory(const QString& directory) { m_currentDir = directory; }

    // --- Path box history --------------------------------------------------------------------
    // The directories offered, newest first; the current one is `currentHistoryIndex()`.
    const QStringList& history() const { return m_history; }
    int currentHistoryIndex() const;
    // A directory the session changed into goes on top unless it is there already.
    void noteDirectory(const QString& directory);

    // --- Links -------------------------------------------------------------------------------
    // "where a link was followed;directory it led to"
    const QStringList& linkRecords() const { return m_linkRecords; }
    void startFollowingLink();
    // The directory change that a link started has ended in `reached`.
    void linkReached(const QString& reached);
    bool followingLink() const { return m_followingLink; }
    // Where ".." leads back to from the current directory when it was reached through a
    // link; empty when it was not.
    QString linkOrigin() const;
    void clearLinks();

    TListingCache& cache() { return m_cache; }

signals:
    // A listing or a rebuild started: the entries are empty.
    void reset();
    // More entries arrived during a listing; sent at most every quarter second so that a
    // listing of 100,000 lines is shown in batches, not line by line.
    void entriesArrived();
    // The listing or a rebuild is complete: entries, counters and history are final.
    void finished();
    // Everything was emptied (disconnect).
    void cleared();

private:
    void addEntry(const QString& rawLine, const ListEntry& parsed, bool transferRunning);
    void offerParentEntry(bool transferRunning);
    void emptyListing();

    TListParser m_parser;
    TFTPServerType m_serverType = ftpstDefault;
    TListingCache m_cache;
    RemoteFilter m_filter;
    QStringList m_rawLines;
    QString m_heldLine;  // a VMS name whose entry continues on the next line
    std::vector<FileEntry> m_entries;
    int m_folders = 0;
    int m_files = 0;
    QString m_currentDir = QStringLiteral("/");
    QStringList m_history;
    QStringList m_linkRecords;
    bool m_followingLink = false;
    bool m_hasParent = false;
    bool m_listing = false;
    bool m_refilterPending = false;
    QElapsedTimer m_batchClock;
    mutable QHash<QString, FileEntry> m_index;  // listedEntry's, by name
    mutable bool m_indexed = false;
};

// The typed entry of a parsed listing line.
FileEntry RemoteEntryOf(const QString& rawLine, const ListEntry& parsed);
