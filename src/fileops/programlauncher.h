#pragma once

#include <QString>
#include <QStringList>

// Starts `program` detached with exactly `arguments`, never through a shell: a path with
// blanks, quotes or ";" stays one argument and runs nothing else. When it cannot be started
// the user is told "Could not execute the program "<display name>"  Check ..." (the program
// when `displayName` is empty) and the result is false.
bool RunProgram(const QString& program, const QStringList& arguments, const QString& displayName = {});

// Opens a local file as the desktop would: an executable file runs (in its own directory),
// anything else goes to the desktop's opener (xdg-open). False, after telling the user,
// when nothing could be started.
bool OpenLocalFile(const QString& path, const QString& displayName = {});
