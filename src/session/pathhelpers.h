#pragma once

#include <QString>
#include <optional>

// Path, size-text and wildcard helpers shared by the views, the queue, the batch engine and the
// script commands. They hold no state and touch neither widgets nor the file system.

// Appends the path's separator ("/" when the path holds one, else "\") unless the path is a
// single character or already ends with it: "/pub" gives "/pub/", "C:\data" gives "C:\data\".
QString EnsureTrailingSeparator(const QString& path);

// Split a path at its last "/" or "\" before the final character, so a trailing separator
// stays with the name: for "/pub/dir/" the directory is "/pub/" and the name "dir/".
// Without such a separator there is no result; callers keep what they held, e.g.
//     name = FileNamePart(path).value_or(name);
std::optional<QString> FileNamePart(const QString& path);
std::optional<QString> DirectoryPart(const QString& path);

// Removes every thousands separator of the current locale ("1,234,567" gives "1234567").
QString StripThousands(const QString& text);

// The program's own wildcard test (not a glob): case-insensitive, and only the mask shapes
// "*", "*.*", "*.EXT", "*PART.EXT", "*PART.*", "PRE*.EXT", "PRE*" and "PRE.*" are meaningful.
bool MatchMask(const QString& name, const QString& mask);
