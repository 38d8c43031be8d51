#pragma once

#include <QString>

// Starts a local program detached: the command line is split as a shell would split it.
// Returns false when the program could not be started.
bool RunProgram(const QString& commandLine);
