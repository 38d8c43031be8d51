#include "fileops/remotepath.h"

#include <QStringList>

namespace {
const QChar Slash = QLatin1Char('/');
}

QString RemoteFileName(const QString& path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(Slash))
        trimmed.chop(1);
    const qsizetype at = trimmed.lastIndexOf(Slash);
    return at < 0 || trimmed == QLatin1String("/") ? trimmed : trimmed.mid(at + 1);
}

QString RemoteParent(const QString& path)
{
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(Slash))
        trimmed.chop(1);
    if (trimmed == QLatin1String("/"))
        return trimmed;
    const qsizetype at = trimmed.lastIndexOf(Slash);
    return at < 0 ? QString() : trimmed.left(at + 1);
}

QString RemoteDirectoryOf(const QString& path)
{
    if (path.isEmpty())
        return path;
    QString directory = path;
    while (directory.size() > 1 && directory.endsWith(QLatin1String("//")))
        directory.chop(1);
    return directory.endsWith(Slash) ? directory : directory + Slash;
}

QString RemoteJoin(const QString& directory, const QString& name)
{
    if (directory.isEmpty())
        return name;
    return RemoteDirectoryOf(directory) + name;
}

QString RemoteResolve(const QString& current, const QString& path)
{
    // "~/x" means the user's home on the server, which only the server can tell.
    if (path.startsWith(QLatin1Char('~')))
        return path;
    const QString whole = path.startsWith(Slash) ? path : RemoteJoin(RemoteDirectoryOf(current.isEmpty() ? QStringLiteral("/") : current), path);
    QStringList parts;
    for (const QString& part : whole.split(Slash, Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts << part;
    }
    QString resolved = Slash + parts.join(Slash);
    if (path.endsWith(Slash) && resolved.size() > 1)
        resolved += Slash;
    return resolved;
}

bool IsPlainRemoteName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(Slash);
}
