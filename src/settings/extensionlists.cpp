#include "settings/extensionlists.h"

QString asciiExtensionEntry(const QString& typed)
{
    const QString entry = typed.trimmed().toUpper();
    if (entry.contains(QLatin1Char('*')) || entry.contains(QLatin1Char('?')) || entry.isEmpty()
        || entry == QLatin1String("."))
        return entry;
    if (entry.startsWith(QLatin1Char('.')))
        return QLatin1Char('*') + entry;
    if (!entry.contains(QLatin1Char('.')))
        return QStringLiteral("*.") + entry;
    return entry;
}

std::optional<QString> renameExtensionProblem(const QString& typed)
{
    const QString extension = renameExtension(typed);
    const QString body = extension.mid(1);
    bool bad = body.isEmpty();
    for (const QChar c : body)
        bad = bad || c == QLatin1Char(',') || c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('.')
              || c.isSpace();
    if (!bad)
        return std::nullopt;
    return QStringLiteral("\"%1\" is not a file extension such as \".html\": commas, slashes, blanks and further "
                          "dots are not allowed.")
        .arg(typed);
}

QString renameExtension(const QString& typed)
{
    const QString extension = typed.trimmed();
    return extension.startsWith(QLatin1Char('.')) ? extension : QLatin1Char('.') + extension;
}

QString renameRule(const QString& local, const QString& remote)
{
    return local + QLatin1Char(',') + remote;
}

std::pair<QString, QString> splitRenameRule(const QString& rule)
{
    const qsizetype comma = rule.indexOf(QLatin1Char(','));
    if (comma < 0)
        return {QString(), rule};
    return {rule.left(comma), rule.mid(comma + 1)};
}
