#pragma once

#include "fileops/remotefileops.h"

#include <QString>
#include <QStringList>

// The file commands on the local file system. Each acts at once and says how it went; none
// asks a question (the window asks first) and none ever replaces an existing file.
class LocalFileOps
{
public:
    // `name` (absolute, or relative to `directory`) with every missing parent.
    static FileOpResult MakeDirectory(const QString& directory, const QString& name);
    // Each path to the desktop's Trash, in order. Where an item cannot go to the Trash (there
    // is none for its file system) it stays where it is and the result names it: nothing is
    // ever deleted for good. The others still go.
    static FileOpResult MoveToTrash(const QStringList& paths);
    // Renames `from` to `to`; refused when `to` exists.
    static FileOpResult Rename(const QString& from, const QString& to);
    // Moves each path into `targetDirectory` under its own name, in order, and stops at the
    // first that fails (those moved stay moved). An existing target is refused. Across file
    // systems a file is copied (contents, permissions, modification time) and then removed;
    // a folder that cannot be renamed there is reported, never half copied.
    static FileOpResult Move(const QStringList& paths, const QString& targetDirectory);
};
