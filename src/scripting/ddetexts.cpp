#include "scripting/ddetexts.h"

namespace DdeText {

std::optional<QString> StatusReply(SessionState state)
{
    switch (state) {
    case SessionState::NotConnected: return QStringLiteral("OrvoFTP: Not connected");
    case SessionState::Connecting: return QStringLiteral("OrvoFTP: Connecting to server");
    case SessionState::Idle: return QStringLiteral("OrvoFTP: Idle");
    case SessionState::Downloading: return QStringLiteral("OrvoFTP: Receiving file");
    case SessionState::Uploading: return QStringLiteral("OrvoFTP: Sending file");
    case SessionState::RemoteCommand: return QStringLiteral("OrvoFTP: Session busy");
    default: return std::nullopt;
    }
}

QString LocalPathReply(const QString& currentLocalDir)
{
    return QStringLiteral("Local Path: ") + currentLocalDir;
}

QString RemotePathReply(const QString& currentRemoteDir)
{
    return QStringLiteral("Remote Path: ") + currentRemoteDir;
}

QString EntryReply(const FileEntry& entry)
{
    return entry.isFolder() ? QLatin1Char('[') + entry.name + QLatin1Char(']') : entry.name;
}

namespace {

void appendEntries(QStringList& replies, const std::vector<FileEntry>& entries)
{
    for (const FileEntry& entry : entries)
        if (!entry.isParent())
            replies << EntryReply(entry);
}

}  // namespace

QStringList LocalListingReplies(const QString& currentLocalDir, const std::vector<FileEntry>& entries,
                                bool batchRunning)
{
    QStringList replies{QStringLiteral("Directory of: ") + currentLocalDir};
    if (!batchRunning)
        appendEntries(replies, entries);
    replies << QStringLiteral("End Local Directory");
    return replies;
}

QStringList RemoteListingReplies(const std::vector<FileEntry>& entries, bool batchRunning)
{
    QStringList replies;
    if (!batchRunning)
        appendEntries(replies, entries);
    replies << QStringLiteral("End Remote Directory");
    return replies;
}

}  // namespace DdeText
