#pragma once

#include "session/localdirectory.h"

#include <QStringList>
#include <vector>

// One item of a local folder an upload takes along.
struct UploadItem
{
    QString name;
    bool folder = false;
    qint64 size = 0;  // files: bytes
};

struct UploadFolderScan
{
    bool ok = false;                 // the folder exists and could be read
    std::vector<UploadItem> items;   // folders first, then files, each by name
    QStringList skipped;             // one log line per item left out, saying why
};

// What an upload of `folder` takes: regular files and folders (links count as what they
// point to) that pass the local view's filter. FIFOs, sockets and devices are left out (a
// FIFO would block the upload forever), so are broken links and links that lead back into
// the folder or one of its parents (an upload that would never end).
UploadFolderScan ScanUploadFolder(const QString& folder, const LocalFilter& filter);

// True when `path` is a regular file (or a link to one), so reading it ends.
bool IsRegularFile(const QString& path);
