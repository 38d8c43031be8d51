#pragma once

#include "session/fileentry.h"
#include "session/sessionstate.h"

#include <QStringList>
#include <optional>
#include <vector>

// The texts the program sends to a DDE client (and as D-Bus Reply signals).
namespace DdeText {

inline constexpr const char* LinkEnabled = "OrvoFTP 2.50 DDE link enabled";
inline constexpr const char* ErrorInCommand = "OrvoFTP: Error in DDE command";
inline constexpr const char* CannotGetRemoteDirectory = "OrvoFTP: Cannot get remote directory.";

// The STATUS reply for a session state; none for states that have no reply (a recursive
// delete, a batch ending ...).
std::optional<QString> StatusReply(SessionState state);

// PATH-L / PATH-R.
QString LocalPathReply(const QString& currentLocalDir);
QString RemotePathReply(const QString& currentRemoteDir);

// One entry of a listing: a folder as "[name]", anything else as its name.
QString EntryReply(const FileEntry& entry);

// A refresh of the local view: "Directory of: " + the directory, the entries unless a batch
// runs, "End Local Directory".
QStringList LocalListingReplies(const QString& currentLocalDir, const std::vector<FileEntry>& entries,
                                bool batchRunning);
// A remote listing: the entries unless a batch runs, "End Remote Directory".
QStringList RemoteListingReplies(const std::vector<FileEntry>& entries, bool batchRunning);

}  // namespace DdeText
