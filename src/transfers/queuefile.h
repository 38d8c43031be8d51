#pragma once

#include "transfers/queueentry.h"

#include <QByteArray>
#include <QStringList>
#include <deque>
#include <vector>

// Queue files (".oqf", saved and loaded by the user) and the pending queue "qfile.dat" share
// one format: one entry a line, each line ended by CR LF, in queue order, no header:
//
//     kind 0x01 source 0x01 size 0x01 target CR LF
//
// The target is everything after the third 0x01, so a target may hold 0x01 itself; a source
// or size may not, and no field may hold CR or LF. Text is UTF-8; a file that is not valid
// UTF-8 comes from an older version and is read as Latin-1.
namespace QueueFile {

constexpr const char* Filter = "OrvoFTP Queue (*.oqf)|*.oqf";
constexpr const char* Extension = ".oqf";

struct ReadResult
{
    bool ok = false;             // false: the file could not be read (`error` says why)
    QString error;
    std::vector<QueueEntry> entries;  // the good lines, in file order (ids not given yet)
    QStringList problems;        // one text per line left out, naming its line number
    bool latin1 = false;         // the file was not valid UTF-8
};

struct WriteResult
{
    bool ok = false;             // false: nothing was written, an existing file is unchanged
    QString error;
    QStringList skipped;         // entries a line cannot hold (they are left out)
};

// An entry fits in a line: valid kind, no CR or LF anywhere, no 0x01 in source or size.
bool storable(const QueueEntry& entry);

QByteArray encode(const std::vector<QueueEntry>& entries, QStringList* skipped = nullptr);
ReadResult decode(const QByteArray& bytes);

ReadResult read(const QString& path);
// The whole file anew, written aside and moved into place only once complete: a full disk,
// a refused directory or a crash leave the old file exactly as it was.
WriteResult write(const QString& path, const std::vector<QueueEntry>& entries);
// The queue's own entries (TransferQueue::entries()).
inline WriteResult write(const QString& path, const std::deque<QueueEntry>& entries)
{
    return write(path, std::vector<QueueEntry>(entries.begin(), entries.end()));
}

}  // namespace QueueFile
