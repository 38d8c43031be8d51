#pragma once

#include <QString>
#include <QStringList>

// freedesktop launchers (".desktop" files): the program's desktop shortcuts.
namespace DesktopEntry {

struct Launcher {
    QString name;
    QString comment;
    QString program;
    QStringList arguments;
    QString workingDirectory;
    QString icon;
};

// A string value as a key file holds it: "\\", "\n", "\t", "\r" escaped, a leading space as "\s".
QString escapeValue(const QString& value);
// One argument of an Exec line: quoted when it holds a reserved character (or is empty),
// with '"', '`', '$' and '\' escaped inside the quotes, and every '%' doubled.
QString execArgument(const QString& argument);
// The Exec value before escapeValue: the program and its arguments.
QString execLine(const QString& program, const QStringList& arguments);

// The whole file, marked as one of ours.
QString launcherText(const Launcher& launcher);
// True when `file` is a launcher this program wrote.
bool isOurs(const QString& file);

// The file name of a shortcut: the name up to its last "." (when something precedes it)
// with ".desktop"; "my.server.net" -> "my.server.desktop", "Home" -> "Home.desktop".
QString fileName(const QString& name);

enum class WriteResult { Written, Foreign, Failed };
// Writes the launcher (mode 0755, as desktops want launchers executable). A file that is
// not one of ours is kept unless `replaceForeign`: Foreign then.
WriteResult write(const QString& file, const Launcher& launcher, bool replaceForeign);

}  // namespace DesktopEntry
