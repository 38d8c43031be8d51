#include "fileops/programlauncher.h"

#include "platform/core/prompt.h"

#include <QFileInfo>
#include <QProcess>

namespace {

bool startIn(const QString& program, const QStringList& arguments, const QString& workingDirectory,
             const QString& displayName)
{
    if (!program.isEmpty() && QProcess::startDetached(program, arguments, workingDirectory))
        return true;
    const QString shown = displayName.isEmpty() ? program : displayName;
    prompts().messageBox(QStringLiteral("Could not execute the program \"") + shown
                             + QStringLiteral("\"  Check to make sure the file path is correct, and that all "
                                              "libraries are available."),
                         QStringLiteral("OrvoFTP 2.50"), Prompt::Icon::Error, Prompt::Ok);
    return false;
}

}  // namespace

bool RunProgram(const QString& program, const QStringList& arguments, const QString& displayName)
{
    return startIn(program, arguments, QString(), displayName);
}

bool OpenLocalFile(const QString& path, const QString& displayName)
{
    const QFileInfo file(path);
    const QString shown = displayName.isEmpty() ? path : displayName;
    if (file.isFile() && file.isExecutable())
        return startIn(file.absoluteFilePath(), {}, file.absolutePath(), shown);
    return startIn(QStringLiteral("xdg-open"), {path}, file.absolutePath(), shown);
}
