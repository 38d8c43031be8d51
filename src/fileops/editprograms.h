#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class IniFile;
struct ConfigData;

// The programs that view and edit files: the editor an [Editors] rule names, the `Editor`
// and `Viewer` settings, and the desktop's opener (`DefaultViewer`). A file's path is always
// one argument of its own, never part of a command line a shell would read.

// A program setting as the program and its own arguments, split as a shell would split it
// (double quotes group), unless the whole setting names an existing file (a path with blanks
// chosen in a file dialog).
// "notepad.exe" (any case, with or without a directory or ".exe"), which settings carried
// over from elsewhere name, stands for the desktop's text editor.
QStringList ProgramCommand(const QString& setting);

// Starts the program of `setting` with `path` as its last argument. When it cannot start,
// the user is told (naming `displayName`, else the program) and the result is false.
bool RunProgramOn(const QString& setting, const QString& path, const QString& displayName = {});

// RunEditorRule: the [Editors] rule for the path's extension, read afresh from the settings
// file. True when a rule matched and its program started; false when none matched (nothing
// is said) or the program could not start (the user was told).
bool RunEditorRule(const IniFile& settings, const QString& path);

// The desktop's opener for a local file; false when nothing could be started for it.
using DesktopOpener = std::function<bool(const QString& path)>;

// Edit of a local file: the rule's program, else `Editor`.
void EditLocalFile(const IniFile& settings, const ConfigData& config, const QString& path);

// View of a local file. With `DefaultViewer` the desktop opens it, and when the desktop
// cannot, the text editor does; a file that is not there is not opened at all. Without it,
// `Viewer` is run on it.
void ViewLocalFile(const ConfigData& config, const QString& path, const DesktopOpener& openWithDesktop);
