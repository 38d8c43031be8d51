#pragma once

#include <QString>
#include <QtGlobal>

// One pending transfer of the queue. Downloads go from a remote path to a local one, uploads
// the other way; folder targets end with a separator. A remote target may begin with "~/":
// the remote directory current when the batch starts.
struct QueueEntry
{
    // The numbering is that of queue files and of the queue's icons.
    enum Kind : quint8 { DownloadFolder = 0, DownloadFile = 1, UploadFolder = 2, UploadFile = 3 };

    Kind kind = DownloadFile;
    QString source;    // remote path (downloads) or local path (uploads)
    QString target;    // local path (downloads) or remote path (uploads)
    // The size as queue files keep it: decimal digits without separators, empty when not
    // known (a folder from a listing), or whatever an older file held. `size` is its value,
    // -1 when the text is no number; set both through setSize/setSizeText.
    QString sizeText;
    qint64 size = -1;
    // Given by the queue when the entry is added and never reused, so a batch can find or
    // remove the entry it runs even after the user reordered, deleted or added entries.
    // 0 for an entry that is in no queue.
    quint64 id = 0;

    static QueueEntry make(Kind kind, const QString& source, const QString& sizeText, const QString& target);

    void setSizeText(const QString& text);
    void setSize(qint64 bytes);  // -1: unknown (empty text)
    bool sizeKnown() const { return size >= 0; }

    bool isDownload() const { return kind == DownloadFolder || kind == DownloadFile; }
    bool isUpload() const { return !isDownload(); }
    bool isFolder() const { return kind == DownloadFolder || kind == UploadFolder; }
    bool isFile() const { return !isFolder(); }
    const QString& remotePath() const { return isDownload() ? source : target; }
    const QString& localPath() const { return isDownload() ? target : source; }

    // The value of a size text: plain decimal digits (an optional sign is refused); -1 for
    // anything else, the empty text included.
    static qint64 sizeOf(const QString& text);
    static bool validKind(int kind) { return kind >= DownloadFolder && kind <= UploadFile; }
};

// What the queue holds, as the batch and "Queue Info" count it: file entries with the sum
// of their known sizes, and folder entries.
struct QueueTotals
{
    int files = 0;
    int folders = 0;
    qint64 bytes = 0;
};
