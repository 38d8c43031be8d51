#pragma once

#include "session/fileentry.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <vector>

struct LocalFilter
{
    QString mask = QStringLiteral("*.*");
    bool filterDirectories = false;  // the mask hides directories too
};

// One level of the local path box: "/", "/home/", "/home/user/" ... down to the current
// directory, which carries the free space of its file system.
struct LocalPathLevel
{
    QString path;
    int level = 1;
    bool current = false;
    double freeMegabytes = 0;  // the current level only
};

// The local directory shown: the current directory, its typed entries after the filter
// (whether the parent entry ".." goes above them is hasParent()), the counters and the path
// levels. No widgets.
class LocalDirectoryModel : public QObject
{
    Q_OBJECT

public:
    explicit LocalDirectoryModel(QObject* parent = nullptr);

    // Where to go when the current directory has vanished (the `Path` preference); the home
    // directory when that is gone too.
    void setFallback(std::function<QString()> fallback) { m_fallback = std::move(fallback); }

    // The current directory, with a trailing "/".
    const QString& currentDirectory() const { return m_currentDir; }
    // Sets the directory without reading it.
    void setCurrentDirectory(const QString& directory);
    // Makes `path` (absolute, or relative to the current directory) current and reads it;
    // false, changing nothing, when it is no directory that can be entered.
    bool enter(const QString& path);
    static bool accessible(const QString& path);
    // The absolute, clean form of `path` with a trailing "/"; relative paths are taken from
    // the current directory, never from the process's working directory.
    QString resolve(const QString& path) const;

    // Reads the current directory (falling back when it vanished). While a transfer runs the
    // parent entry is left out.
    void read(bool transferRunning);

    // The entries shown, in the order the system gave them; never "." nor "..".
    const std::vector<FileEntry>& entries() const { return m_entries; }
    bool hasParent() const { return m_hasParent; }
    int folderCount() const { return m_folders; }
    int fileCount() const { return m_files; }
    QString listedSummary() const;

    LocalFilter& filter() { return m_filter; }
    const LocalFilter& filter() const { return m_filter; }

    std::vector<LocalPathLevel> pathLevels() const;

signals:
    // The entries were read anew.
    void finished();

private:
    QString fallbackDirectory() const;

    std::function<QString()> m_fallback;
    QString m_currentDir;
    LocalFilter m_filter;
    std::vector<FileEntry> m_entries;
    int m_folders = 0;
    int m_files = 0;
    bool m_hasParent = false;
};
