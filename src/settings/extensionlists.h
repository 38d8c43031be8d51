#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The two extension lists of "orvoftp.ini": [Extensions] (the file masks the automatic
// transfer mode sends as ASCII) and [Rename] (rename-on-upload rules "local,remote").

// What the ASCII list stores for a typed entry: upper case, and a bare extension ("txt" or
// ".txt") as the mask "*.TXT", since the entries are matched as masks. A text with a
// wildcard, a file name with a dot inside and a lone "." stay as typed.
QString asciiExtensionEntry(const QString& typed);

// Why a typed rename extension cannot be stored, or nothing: a comma would move the split
// point of the rule when it is read back, and a path separator, a blank or a second dot
// makes something that is never a file's extension.
std::optional<QString> renameExtensionProblem(const QString& typed);
// The typed extension with its leading dot: "html" and ".html" both give ".html".
QString renameExtension(const QString& typed);
// A rule as [Rename] stores it, and its two halves (split at the first comma; a rule
// without a comma has an empty local part).
QString renameRule(const QString& local, const QString& remote);
std::pair<QString, QString> splitRenameRule(const QString& rule);
