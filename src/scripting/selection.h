#pragma once

#include "session/fileentry.h"

#include <QString>
#include <vector>

// Selection by mask for DEL, QUEUE, CHMOD, GET and PUT: with a "*" in the mask every entry
// whose name matches (MatchMask) is selected, otherwise the entry named exactly so. The
// parent entry is never selected, nor a name that could leave the directory it was listed
// in ("." , "..", or a name holding "/", which only a broken or hostile server sends).
// Returns the indexes into `entries`, in their order.
std::vector<int> SelectByMask(const std::vector<FileEntry>& entries, const QString& mask);

// A name that stays inside the directory it is joined to.
bool IsPlainName(const QString& name);
