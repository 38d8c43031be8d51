#include "platform/desktop/desktopentry.h"

#include <QFile>
#include <QSaveFile>

namespace DesktopEntry {

namespace {

const QString Marker = QStringLiteral("X-OrvoFTP-Shortcut=true");
const QString Reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

}  // namespace

QString escapeValue(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char(' ') && i == 0)
            out += QLatin1String("\\s");
        else
            out += c;
    }
    return out;
}

QString execArgument(const QString& argument)
{
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || Reserved.contains(c);
    QString out;
    for (const QChar c : argument) {
        if (c == QLatin1Char('%'))
            out += QLatin1String("%%");
        else if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')))
            out += QLatin1Char('\\') + c;
        else
            out += c;
    }
    return quote ? QLatin1Char('"') + out + QLatin1Char('"') : out;
}

QString execLine(const QString& program, const QStringList& arguments)
{
    QStringList parts{execArgument(program)};
    for (const QString& argument : arguments)
        parts << execArgument(argument);
    return parts.join(QLatin1Char(' '));
}

QString launcherText(const Launcher& launcher)
{
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\nVersion=1.0\n");
    text += QStringLiteral("Name=") + escapeValue(launcher.name) + QLatin1Char('\n');
    if (!launcher.comment.isEmpty())
        text += QStringLiteral("Comment=") + escapeValue(launcher.comment) + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + escapeValue(execLine(launcher.program, launcher.arguments)) + QLatin1Char('\n');
    if (!launcher.workingDirectory.isEmpty())
        text += QStringLiteral("Path=") + escapeValue(launcher.workingDirectory) + QLatin1Char('\n');
    if (!launcher.icon.isEmpty())
        text += QStringLiteral("Icon=") + escapeValue(launcher.icon) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n") + Marker + QLatin1Char('\n');
    return text;
}

bool isOurs(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(in.read(64 * 1024));
    return text.split(QLatin1Char('\n')).contains(Marker);
}

QString fileName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot > 0 ? name.left(dot) : name) + QStringLiteral(".desktop");
}

WriteResult write(const QString& file, const Launcher& launcher, bool replaceForeign)
{
    if (QFile::exists(file) && !replaceForeign && !isOurs(file))
        return WriteResult::Foreign;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return WriteResult::Failed;
    out.write(launcherText(launcher).toUtf8());
    if (!out.commit())
        return WriteResult::Failed;
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    return WriteResult::Written;
}

}  // namespace DesktopEntry
