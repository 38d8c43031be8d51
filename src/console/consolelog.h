#pragma once

#include <QString>

namespace ConsoleLog {

// A log-file name is valid when its directory part (up to the last "/") is empty or an
// existing directory, and its file part has 1 to 256 characters, none of them
// / \ ? " * : < > | or a control character.
bool IsValidLogFileName(const QString& name);

// Appends one line (and a line feed) to the file, creating it when missing; the file is
// opened, written, flushed and closed each time. Returns an empty text or the failure.
QString AppendLine(const QString& fileName, const QString& line);

}  // namespace ConsoleLog
