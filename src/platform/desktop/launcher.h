#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Starts a local program detached: the command line is split as a shell would split it.
// Returns false when the program could not be started.
bool RunProgram(const QString& commandLine);

// Starts `program` detached with exactly `arguments` (no shell) and `environment`; the way
// to hand a child what must not show on its command line. False when it could not start.
bool StartDetached(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment);
