#include "session/pathhelpers.h"

#include <QLocale>

QString EnsureTrailingSeparator(const QString& path)
{
    const QChar separator = path.contains(QLatin1Char('/')) ? QLatin1Char('/') : QLatin1Char('\\');
    if (path.size() > 1 && !path.endsWith(separator))
        return path + separator;
    return path;
}

namespace {

// Index of the last separator, never looking at the final character; -1 when there is none.
qsizetype splitPoint(const QString& path)
{
    for (qsizetype i = path.size() - 2; i >= 0; --i) {
        const QChar c = path.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return i;
    }
    return -1;
}

// The text from the last dot to the end; empty when there is no dot.
QStringView extensionOf(QStringView text)
{
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QStringView() : text.mid(dot);
}

}  // namespace

std::optional<QString> FileNamePart(const QString& path)
{
    const qsizetype at = splitPoint(path);
    if (at < 0)
        return std::nullopt;
    return path.mid(at + 1);
}

std::optional<QString> DirectoryPart(const QString& path)
{
    const qsizetype at = splitPoint(path);
    if (at < 0)
        return std::nullopt;
    return path.left(at + 1);
}

QString StripThousands(const QString& text)
{
    const QString separator = QLocale().groupSeparator();
    if (separator.isEmpty())
        return text;
    QString result = text;
    return result.remove(separator);
}

bool MatchMask(const QString& nameText, const QString& maskText)
{
    const QString name = nameText.toUpper();
    const QString mask = maskText.toUpper();
    const QLatin1Char star('*');

    // 1. Everything.
    if (mask == QLatin1String("*") || mask == QLatin1String("*.*"))
        return true;
    // 2. No wildcard: the exact name.
    if (!mask.contains(star))
        return name == mask;

    const bool leadingStar = mask.startsWith(star);
    const bool trailingStar = mask.endsWith(star);
    const bool sameExtension = extensionOf(name) == extensionOf(mask);

    if (leadingStar) {
        // 3. "*.TXT": the extension alone decides.
        if (mask.startsWith(QLatin1String("*.")) && !trailingStar)
            return sameExtension;
        // 4. "*PART.EXT" and "*PART.*": PART runs from after the star up to and including the
        // first dot. A mask without a dot has no part and matches nothing ("*ABC*").
        const qsizetype dot = mask.indexOf(QLatin1Char('.'));
        if (dot < 0)
            return false;
        const QString part = mask.mid(1, dot);
        if (mask.startsWith(QLatin1String("*.")) || !trailingStar)
            return name.contains(part) && sameExtension;
        return name.contains(part);
    }

    const qsizetype firstStar = mask.indexOf(star);
    // 5. "AB*.TXT": same extension and the text before the star as prefix.
    if (!trailingStar)
        return sameExtension && name.startsWith(QStringView(mask).left(firstStar));
    // 6. "AB*" compares the text before the star; "ABC.*" the text before the dot.
    qsizetype prefixLength = firstStar;
    if (!mask.contains(QLatin1String("*.")) && mask.contains(QLatin1String(".*")))
        prefixLength = mask.indexOf(QLatin1Char('.'));
    return QStringView(name).left(prefixLength) == QStringView(mask).left(prefixLength);
}
