#pragma once

#include <QProcessEnvironment>
#include <QString>

// Where the program keeps "orvoftp.ini", "sites.ini", "stats.dat", "qfile.dat" and
// "error.log". Paths returned here end with "/".
namespace ProgramDirectory {

// $ORVOFTP_HOME when set; else the executable's directory when it already holds
// "orvoftp.ini" (a portable install); else $XDG_CONFIG_HOME/orvoftp, which is normally
// ~/.config/orvoftp. No side effects.
QString resolve(const QProcessEnvironment& env, const QString& executableDir);

// The program directory of this process (from its environment and executable), created
// with mode 0700 when it does not exist yet. When it cannot be created the path is still
// returned: the first write there reports "Unable to write to ...".
QString path();

// `name` inside path().
QString filePath(const QString& name);

// Creates `dir` and its missing parents; the directories created get mode 0700.
bool ensureExists(const QString& dir);

// Where an older version kept its own "orvoftp.ini" (the first-start import looks there):
// the user's home directory, with a trailing "/".
QString legacyDirectory();

}  // namespace ProgramDirectory
