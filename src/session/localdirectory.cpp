#include "session/localdirectory.h"

#include "session/localdir.h"
#include "session/pathhelpers.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

LocalDirectoryModel::LocalDirectoryModel(QObject* parent)
    : QObject(parent)
    , m_currentDir(EnsureTrailingSeparator(QDir::homePath()))
{
}

bool LocalDirectoryModel::accessible(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QString LocalDirectoryModel::resolve(const QString& path) const
{
    return EnsureTrailingSeparator(QDir::cleanPath(QDir(m_currentDir).absoluteFilePath(path)));
}

void LocalDirectoryModel::setCurrentDirectory(const QString& directory)
{
    m_currentDir = resolve(directory);
}

bool LocalDirectoryModel::enter(const QString& path)
{
    const QString target = resolve(path);
    if (!accessible(target))
        return false;
    m_currentDir = target;
    read(false);
    return true;
}

QString LocalDirectoryModel::fallbackDirectory() const
{
    const QString preferred = m_fallback ? m_fallback() : QString();
    if (!preferred.isEmpty() && QFileInfo(preferred).isDir())
        return EnsureTrailingSeparator(QFileInfo(preferred).absoluteFilePath());
    return EnsureTrailingSeparator(QDir::homePath());
}

void LocalDirectoryModel::read(bool transferRunning)
{
    m_entries.clear();
    m_hasParent = false;
    m_folders = 0;
    m_files = 0;
    if (!QFileInfo(m_currentDir).isDir())
        m_currentDir = fallbackDirectory();

    std::vector<TLocalEntry> found;
    ReadLocalDirectory(m_currentDir, found);
    const bool root = m_currentDir == QLatin1String("/");
    m_entries.reserve(found.size());
    for (TLocalEntry& item : found) {
        if (item.name == QLatin1String("."))
            continue;
        FileEntry entry;
        entry.name = std::move(item.name);
        if (entry.name == QLatin1String("..")) {
            // The way up is navigation, not an entry: no filter hides it.
            m_hasParent = !transferRunning && !root;
            continue;
        }
        if (!MatchMask(entry.name, m_filter.mask) && !(item.isDir && !m_filter.filterDirectories))
            continue;
        entry.kind = item.isDir ? FileEntry::Folder : FileEntry::File;
        entry.size = item.isDir ? -1 : item.size;
        entry.mtimeMs = item.mtimeMs;
        entry.timeKnown = item.timeKnown;
        if (item.isDir)
            ++m_folders;
        else
            ++m_files;
        m_entries.push_back(std::move(entry));
    }
    // Later steps (transfers, scripts) rely on the process's directory being the one shown.
    QDir::setCurrent(m_currentDir);
    emit finished();
}

QString LocalDirectoryModel::listedSummary() const
{
    return QStringLiteral("%1 folder(s), %2 file(s) listed [%3]").arg(m_folders).arg(m_files).arg(m_filter.mask);
}

std::vector<LocalPathLevel> LocalDirectoryModel::pathLevels() const
{
    // One level per directory from the root down to the current directory: /, /home/, ...
    std::vector<LocalPathLevel> levels{{QStringLiteral("/"), 1, false, 0}};
    const QString& current = m_currentDir;
    for (qsizetype at = current.indexOf(QLatin1Char('/'), 1); at > 0; at = current.indexOf(QLatin1Char('/'), at + 1))
        levels.push_back({current.left(at + 1), int(levels.size()) + 1, false, 0});
    LocalPathLevel& last = levels.back();
    last.current = true;
    const QStorageInfo storage(last.path);
    last.freeMegabytes = storage.isValid() ? double(qMax<qint64>(0, storage.bytesAvailable())) / 1048576.0 : 0.0;
    return levels;
}
