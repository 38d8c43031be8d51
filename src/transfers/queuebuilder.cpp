#include "transfers/queuebuilder.h"

#include "session/pathhelpers.h"
#include "transfers/transferqueue.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A name as a log line can show it: control characters written out.
QString printable(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString refusalLine(const QString& name, const QString& reason)
{
    return QStringLiteral("Not queued: \"") + printable(name) + QStringLiteral("\" ") + reason;
}

// A size as queue files keep it: the digits of a known size, else the text the listing had
// (a block count such as "12/24") without the locale's separators, unless it holds control
// characters.
QString sizeTextOf(const FileEntry& item)
{
    if (item.sizeKnown())
        return QString::number(item.size);
    const QString text = StripThousands(item.sizeText);
    for (const QChar c : text) {
        if (c.unicode() < 0x20)
            return {};
    }
    return text;
}

// The directory with one trailing "/" (remote paths and local paths alike use "/" here).
QString slashed(const QString& directory)
{
    return directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
}

QString targetDirectory(const QString& base, const QString& subfolder)
{
    return subfolder.isEmpty() ? slashed(base) : slashed(slashed(base) + subfolder);
}

}  // namespace

QString RefusedNameReason(const QString& name)
{
    if (name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')) || name.contains(QChar(0x01)))
        return QStringLiteral("holds a line break or a 0x01 byte, which a saved queue cannot keep.");
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')))
        return QStringLiteral("is no name of a file in its folder.");
    return {};
}

QueueAddition SelectionEntries(const QueueSelection& selection)
{
    QueueAddition result;
    const bool upload = selection.side == QueueSide::Local;
    QString sourceDir;
    QString targetDir;
    if (upload) {
        sourceDir = slashed(selection.localDir);
        targetDir = selection.remoteDir.isEmpty()
                        ? QStringLiteral("~/") + (selection.subfolder.isEmpty() ? QString() : slashed(selection.subfolder))
                        : targetDirectory(selection.remoteDir, selection.subfolder);
    } else {
        sourceDir = slashed(selection.remoteDir);
        targetDir = targetDirectory(selection.localDir, selection.subfolder);
    }
    result.entries.reserve(selection.items.size());
    for (const FileEntry& item : selection.items) {
        if (item.isParent())
            continue;
        if (const QString reason = RefusedNameReason(item.name); !reason.isEmpty()) {
            result.logLines << refusalLine(item.name, reason);
            continue;
        }
        const bool folder = item.isFolder() || (item.isLink() && !(selection.linksAsFiles && !upload));
        QueueEntry::Kind kind;
        if (upload)
            kind = folder ? QueueEntry::UploadFolder : QueueEntry::UploadFile;
        else
            kind = folder ? QueueEntry::DownloadFolder : QueueEntry::DownloadFile;
        const QString target = folder ? slashed(targetDir + item.name) : targetDir + item.name;
        result.entries.push_back(QueueEntry::make(kind, sourceDir + item.name, sizeTextOf(item), target));
    }
    return result;
}

QueueAddition DroppedFileEntries(const QStringList& paths, const QString& currentRemoteDir)
{
    QueueAddition result;
    const QString remoteDir = currentRemoteDir.isEmpty() ? QStringLiteral("/") : slashed(currentRemoteDir);
    for (const QString& path : paths) {
        const QFileInfo info(path);
        const QString name = info.fileName();
        if (const QString reason = RefusedNameReason(name); !reason.isEmpty()) {
            result.logLines << refusalLine(path, reason);
            continue;
        }
        if (!info.exists()) {
            result.logLines << refusalLine(path, QStringLiteral("does not exist."));
            continue;
        }
        QueueEntry entry;
        entry.source = info.absoluteFilePath();
        if (info.isDir()) {
            entry.kind = QueueEntry::UploadFolder;
            entry.setSize(0);
            entry.target = slashed(remoteDir + name);
        } else {
            entry.kind = QueueEntry::UploadFile;
            entry.setSize(info.size());
            entry.target = remoteDir + name;
        }
        result.entries.push_back(std::move(entry));
    }
    return result;
}

std::optional<QueueEntry> AddressFileEntry(const QString& remotePath, const QString& localDir, QString* logLine)
{
    const QString name = FileNamePart(remotePath).value_or(remotePath);
    if (const QString reason = RefusedNameReason(name); !reason.isEmpty()) {
        if (logLine)
            *logLine = refusalLine(remotePath, reason);
        return std::nullopt;
    }
    return QueueEntry::make(QueueEntry::DownloadFile, remotePath, QString(), slashed(localDir) + name);
}

int AddSelectionToQueue(TransferQueue& queue, const QueueSelection& selection, QStringList* logLines)
{
    QueueAddition addition = SelectionEntries(selection);
    if (logLines)
        *logLines << addition.logLines;
    const int added = int(addition.entries.size());
    queue.append(std::move(addition.entries));
    return added;
}

namespace {

QString localTarget(const QString& typed, const QString& currentLocalDir)
{
    QString path = typed;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    else if (!QDir::isAbsolutePath(path))
        path = slashed(currentLocalDir) + path;
    const bool folderLike = path.endsWith(QLatin1Char('/'));
    path = QDir::cleanPath(path);
    return folderLike && path != QLatin1String("/") ? path + QLatin1Char('/') : path;
}

QString remoteTarget(const QString& typed, const QString& currentRemoteDir)
{
    if (typed.startsWith(QLatin1Char('/')) || typed.startsWith(QLatin1String("~/")))
        return typed;
    return (currentRemoteDir.isEmpty() ? QStringLiteral("~/") : slashed(currentRemoteDir)) + typed;
}

}  // namespace

QString EditedTarget(const QueueEntry& entry, const QString& typed, const QString& currentLocalDir,
                     const QString& currentRemoteDir)
{
    if (typed.isEmpty() || typed.contains(QLatin1Char('\r')) || typed.contains(QLatin1Char('\n')))
        return {};
    QString target = entry.isDownload() ? localTarget(typed, currentLocalDir) : remoteTarget(typed, currentRemoteDir);
    if (entry.isFolder())
        return slashed(target);
    if (target.endsWith(QLatin1Char('/'))) {
        QString name = FileNamePart(entry.source).value_or(entry.source);
        if (name.endsWith(QLatin1Char('/')))
            name.chop(1);
        target += name;
    }
    return target;
}
