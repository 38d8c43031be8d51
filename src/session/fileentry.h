#pragma once

#include <QString>
#include <QtGlobal>

// One entry of a directory as the programs's models hold it: typed, so that whoever needs a
// size or a kind reads it here instead of parsing what a view shows.
struct FileEntry
{
    // The numbering is the views' image index.
    enum Kind : quint8 { Parent = 0, Folder = 1, Link = 2, File = 3 };

    QString name;
    Kind kind = File;
    qint64 size = -1;      // bytes; -1 when not known (a directory, or a size that is no number)
    QString sizeText;      // a remote size that is no number ("12/24" blocks), as the server wrote it
    qint64 mtimeMs = 0;    // local entries: modification time, ms since the epoch
    bool timeKnown = false;
    QString dateText;      // remote entries: the date as the listing gave it
    QString linkTarget;    // remote links: what " -> " names, when the listing says
    QString permissions;   // remote entries: a ten-character Unix mode ("drwxr-xr-x"), or empty

    bool isParent() const { return kind == Parent; }
    bool isFolder() const { return kind == Folder; }
    bool isLink() const { return kind == Link; }
    bool isFile() const { return kind == File; }
    bool sizeKnown() const { return size >= 0; }
};
