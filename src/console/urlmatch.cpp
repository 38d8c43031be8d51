#include "console/urlmatch.h"

#include <QList>
#include <QPair>

namespace ConsoleUrl {

namespace {

// Positions below are 1-based, as the rules count them; 0 = not found.
int Pos(QStringView word, QChar c)
{
    return int(word.indexOf(c)) + 1;
}

bool StartsWith(QStringView word, QLatin1StringView prefix)
{
    return word.startsWith(prefix, Qt::CaseInsensitive);
}

// "@" after `atAfter`, the first "." after `dotAfter`, and at least two characters between.
bool AddressShape(QStringView word, int atAfter, int dotAfter)
{
    const int at = Pos(word, u'@');
    const int dot = Pos(word, u'.');
    return at > atAfter && dot > dotAfter && dot - at >= 2;
}

bool IsDottedAddress(QStringView word)
{
    const QList<QStringView> parts = word.split(u'.');
    if (parts.size() != 4)
        return false;
    for (QStringView part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (QChar c : part) {
            if (c.unicode() < '0' || c.unicode() > '9')
                return false;
        }
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

bool Printable(QStringView word)
{
    for (QChar c : word) {
        if (c.unicode() < '!' || c.unicode() > '~')
            return false;
    }
    return true;
}

}  // namespace

bool IsURL(QStringView word)
{
    const int n = int(word.size());
    if (n <= 4 || word.endsWith(u'.') || word.contains(u"..") || !Printable(word))
        return false;
    const int dot = Pos(word, u'.');
    return (StartsWith(word, QLatin1StringView("www.")) && n > 7 && word.mid(4).contains(u'.'))
        || (StartsWith(word, QLatin1StringView("news:")) && n > 7 && word.mid(4).contains(u'.'))
        || (StartsWith(word, QLatin1StringView("mailto:")) && n > 12 && AddressShape(word, 8, 10))
        || (n > 6 && AddressShape(word, 1, 4))
        || (StartsWith(word, QLatin1StringView("http://")) && n > 10 && dot > 8)
        || (StartsWith(word, QLatin1StringView("ftp://")) && n > 9 && dot > 7)
        || IsDottedAddress(word);
}

QString MarkURL(const QString& text, int pos, int length, TColor urlColor)
{
    int style = 0;
    TColor color = clNone;
    for (int i = 0; i < pos;) {
        const char16_t c = text[i].unicode();
        if (!ConsoleCode::IsCode(c)) {
            ++i;
            continue;
        }
        if (c == ConsoleCode::Style)
            style = int(ConsoleCode::CodeValue(text, i));
        else if (c == ConsoleCode::Color)
            color = ConsoleCode::CodeValue(text, i);
        i += ConsoleCode::CodeLength(c);
    }
    QString marked = text.left(pos);
    marked += ConsoleCode::StyleCode(ConsoleCode::fsUnderline);
    marked += ConsoleCode::ColorCode(urlColor);
    marked += QStringView(text).mid(pos, length);
    marked += ConsoleCode::StyleCode(style);
    marked += ConsoleCode::ColorCode(color);
    marked += QStringView(text).mid(pos + length);
    return marked;
}

QString MarkURLs(const QString& text, TColor urlColor)
{
    QList<QPair<int, int>> urls;
    const int n = int(text.size());
    for (int start = 0; start < n;) {
        int end = int(text.indexOf(u' ', start));
        if (end < 0)
            end = n;
        if (end > start && IsURL(QStringView(text).mid(start, end - start)))
            urls.append({start, end - start});
        start = end + 1;
    }
    // From the right, so the positions still to mark stay valid.
    QString marked = text;
    for (auto it = urls.crbegin(); it != urls.crend(); ++it)
        marked = MarkURL(marked, it->first, it->second, urlColor);
    return marked;
}

}  // namespace ConsoleUrl
