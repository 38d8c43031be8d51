#include "fileops/editprograms.h"

#include "fileops/programlauncher.h"
#include "platform/core/inifile.h"
#include "settings/configdata.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"

#include <QFileInfo>
#include <QProcess>

namespace {

bool namesNotepad(const QString& program)
{
    QString name = program.mid(qMax(program.lastIndexOf(QLatin1Char('/')), program.lastIndexOf(QLatin1Char('\\'))) + 1);
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        name.chop(4);
    return name.compare(QLatin1String("notepad"), Qt::CaseInsensitive) == 0;
}

}  // namespace

QStringList ProgramCommand(const QString& setting)
{
    const QString text = setting.trimmed();
    // A program chosen in a file dialog is stored as its bare path, blanks and all.
    if (QFileInfo(text).isFile())
        return {text};
    QStringList command = QProcess::splitCommand(text);
    if (command.isEmpty() && !text.isEmpty())
        command << text;  // an unbalanced quote: the whole text is the program
    if (!command.isEmpty() && namesNotepad(command.front()))
        command.front() = defaultEditor();
    return command;
}

bool RunProgramOn(const QString& setting, const QString& path, const QString& displayName)
{
    QStringList command = ProgramCommand(setting);
    const QString program = command.isEmpty() ? QString() : command.takeFirst();
    command << path;
    return RunProgram(program, command, displayName.isEmpty() ? program : displayName);
}

bool RunEditorRule(const IniFile& settings, const QString& path)
{
    const QString program = editorForFile(*settings.read(), path);
    if (program.trimmed().isEmpty())
        return false;
    return RunProgramOn(program, path);
}

void EditLocalFile(const IniFile& settings, const ConfigData& config, const QString& path)
{
    if (!RunEditorRule(settings, path))
        RunProgramOn(config.Editor, path);
}

void ViewLocalFile(const ConfigData& config, const QString& path, const DesktopOpener& openWithDesktop)
{
    if (!config.DefaultViewer) {
        RunProgramOn(config.Viewer, path, config.Viewer);
        return;
    }
    // A file that has gone is not handed to any program.
    if (!QFileInfo(path).isFile())
        return;
    const bool opened = openWithDesktop ? openWithDesktop(path) : QProcess::startDetached(QStringLiteral("xdg-open"), {path});
    if (!opened)
        RunProgramOn(defaultEditor(), path);
}
