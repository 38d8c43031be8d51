#include "session/remotedirectory.h"

#include "session/pathhelpers.h"

namespace {

// Arriving entries are announced this often, not line by line.
constexpr qint64 ArrivalBatchMs = 250;

// The permission string: the first blank-separated word of the raw line when it is exactly
// ten characters long ("drwxr-xr-x").
QString permissionToken(const QString& rawLine)
{
    const qsizetype blank = rawLine.indexOf(QLatin1Char(' '));
    const QStringView word = QStringView(rawLine).left(blank < 0 ? rawLine.size() : blank);
    return word.size() == 10 ? word.toString() : QString();
}

}  // namespace

FileEntry RemoteEntryOf(const QString& rawLine, const ListEntry& parsed)
{
    FileEntry entry;
    entry.name = parsed.Name;
    switch (EntryKind(parsed)) {
    case 'd': entry.kind = FileEntry::Folder; break;
    case 'l': entry.kind = FileEntry::Link; break;
    default: entry.kind = FileEntry::File; break;
    }
    bool ok = false;
    const qint64 whole = parsed.Size.toLongLong(&ok);
    if (ok && whole >= 0) {
        entry.size = whole;
    } else {
        const double value = parsed.Size.toDouble(&ok);
        if (ok && value >= 0 && value < 9.2e18)
            entry.size = qint64(value + 0.5);
        else
            entry.sizeText = parsed.Size;  // "12/24": shown as written, its size unknown
    }
    entry.dateText = parsed.Date;
    entry.permissions = permissionToken(rawLine);
    if (parsed.IsLink) {
        const qsizetype arrow = rawLine.indexOf(QLatin1String(" -> "));
        if (arrow >= 0)
            entry.linkTarget = rawLine.mid(arrow + 4);
    }
    return entry;
}

RemoteDirectoryModel::RemoteDirectoryModel(QObject* parent)
    : QObject(parent)
{
}

void RemoteDirectoryModel::beginListing(TFTPServerType serverType)
{
    m_serverType = serverType;
    emptyListing();
    m_listing = true;
    m_parser.Reset();
    m_batchClock.start();
    emit reset();
}

void RemoteDirectoryModel::addLine(const QString& rawLine, bool transferRunning)
{
    m_rawLines.append(rawLine);
    m_indexed = false;
    ListEntry parsed;
    if (!m_parser.ParseListLine(m_serverType, rawLine, parsed)) {
        // A VMS name too long for its column: the entry comes with the next line, and the
        // cache must keep both or the name is lost when the listing is read back.
        m_heldLine = m_parser.HasHeldText() ? rawLine : QString();
        return;
    }
    if (!m_heldLine.isEmpty())
        m_cache.writeLine(std::exchange(m_heldLine, QString()));
    m_cache.writeLine(rawLine);
    addEntry(rawLine, parsed, transferRunning);
    if (m_listing && m_batchClock.elapsed() >= ArrivalBatchMs) {
        m_batchClock.start();
        emit entriesArrived();
    }
}

void RemoteDirectoryModel::addEntry(const QString& rawLine, const ListEntry& parsed, bool transferRunning)
{
    if (parsed.Name == QLatin1String(".") || parsed.Name == QLatin1String(".."))
        return;
    FileEntry entry = RemoteEntryOf(rawLine, parsed);
    const bool folder = entry.isFolder();
    if (!MatchMask(entry.name, m_filter.mask) && !(folder && !m_filter.filterDirectories))
        return;
    // Links are hidden only from listings made during transfers (folder downloads).
    if (entry.isLink() && !m_filter.showLinks && transferRunning)
        return;
    if (folder)
        ++m_folders;
    else if (entry.isFile() || m_filter.resolveLinks)
        ++m_files;  // a link counts only when it is shown as a file
    m_entries.push_back(std::move(entry));
}

void RemoteDirectoryModel::offerParentEntry(bool transferRunning)
{
    m_hasParent = !transferRunning && m_currentDir.size() > 1;
}

bool RemoteDirectoryModel::finishListing(bool success, const QString& directory, bool transferRunning)
{
    bool written = true;
    if (m_cache.writing()) {
        if (!success)
            m_cache.abandonEntry();
        else
            written = m_cache.endEntry();
    }
    m_listing = false;
    m_currentDir = directory;
    if (m_history.isEmpty()) {
        m_history << m_currentDir;
        while (const std::optional<QString> parent = DirectoryPart(m_history.last()))
            m_history << *parent;
    }
    if (std::exchange(m_refilterPending, false)) {
        refilter(transferRunning);  // a switch changed while the lines arrived
        return written;
    }
    offerParentEntry(transferRunning);
    emit finished();
    return written;
}

void RemoteDirectoryModel::refilter(bool transferRunning)
{
    if (m_listing) {
        m_refilterPending = true;  // the listing under way ends with it
        return;
    }
    m_entries.clear();
    m_hasParent = false;
    m_folders = 0;
    m_files = 0;
    emit reset();
    TListParser parser;
    for (const QString& line : std::as_const(m_rawLines)) {
        ListEntry parsed;
        if (parser.ParseListLine(m_serverType, line, parsed))
            addEntry(line, parsed, transferRunning);
    }
    offerParentEntry(transferRunning);
    emit finished();
}

void RemoteDirectoryModel::emptyListing()
{
    m_listing = false;
    m_refilterPending = false;
    m_entries.clear();
    m_hasParent = false;
    m_rawLines.clear();
    m_heldLine.clear();
    m_folders = 0;
    m_files = 0;
    m_indexed = false;
    m_index.clear();
}

void RemoteDirectoryModel::clear()
{
    emptyListing();
    m_history.clear();
    clearLinks();
    emit cleared();
}

const FileEntry* RemoteDirectoryModel::listedEntry(const QString& name) const
{
    if (!m_indexed) {
        m_index.clear();
        m_index.reserve(m_rawLines.size());
        TListParser parser;
        for (const QString& line : m_rawLines) {
            ListEntry parsed;
            if (!parser.ParseListLine(m_serverType, line, parsed))
                continue;
            if (parsed.Name == QLatin1String(".") || parsed.Name == QLatin1String("..") || m_index.contains(parsed.Name))
                continue;
            m_index.insert(parsed.Name, RemoteEntryOf(line, parsed));
        }
        m_indexed = true;
    }
    const auto found = m_index.constFind(name);
    return found == m_index.constEnd() ? nullptr : &found.value();
}

QString RemoteDirectoryModel::listedSummary() const
{
    return QStringLiteral("%1 folder(s), %2 file(s) listed [%3]").arg(m_folders).arg(m_files).arg(m_filter.mask);
}

int RemoteDirectoryModel::currentHistoryIndex() const
{
    const qsizetype index = m_history.indexOf(m_currentDir);
    return index < 0 ? (m_history.isEmpty() ? -1 : 0) : int(index);
}

void RemoteDirectoryModel::noteDirectory(const QString& directory)
{
    if (!m_history.contains(directory))
        m_history.prepend(directory);
}

void RemoteDirectoryModel::startFollowingLink()
{
    m_linkRecords << m_currentDir + QLatin1Char(';');
    m_followingLink = true;
}

void RemoteDirectoryModel::linkReached(const QString& reached)
{
    if (!std::exchange(m_followingLink, false) || m_linkRecords.isEmpty())
        return;
    // A link that led nowhere (the change failed) leaves no way back to record; keeping it
    // would turn ".." in that directory into a change to itself.
    if (m_linkRecords.last() == reached + QLatin1Char(';'))
        m_linkRecords.removeLast();
    else
        m_linkRecords.last() += reached;
}

QString RemoteDirectoryModel::linkOrigin() const
{
    for (qsizetype i = m_linkRecords.size() - 1; i >= 0; --i) {
        const qsizetype split = m_linkRecords[i].indexOf(QLatin1Char(';'));
        if (m_linkRecords[i].mid(split + 1) == m_currentDir)
            return m_linkRecords[i].left(split);
    }
    return {};
}

void RemoteDirectoryModel::clearLinks()
{
    m_linkRecords.clear();
    m_followingLink = false;
}
