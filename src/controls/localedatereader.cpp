#include "controls/localedatereader.h"

#include "platform/core/clock.h"

#include <QDate>

struct LocaleDateReader::Fields
{
    int year = -1, month = -1, day = -1, hour = 0, minute = 0, second = 0, msec = 0;
    int yearDigits = 4;
    int meridiem = 0;  // 0 none, 1 am, 2 pm
    bool twelveHour = false;
};

namespace {

// Bidirectional marks and similar invisible characters some locales put into their formats.
bool isIgnorable(QChar c)
{
    return c.category() == QChar::Other_Format;
}

void skipIgnorable(QStringView text, qsizetype& pos)
{
    while (pos < text.size() && isIgnorable(text.at(pos)))
        ++pos;
}

void skipSpace(QStringView text, qsizetype& pos)
{
    while (pos < text.size() && (text.at(pos).isSpace() || isIgnorable(text.at(pos))))
        ++pos;
}

// Reads up to `maxDigits` digits of any script; -1 when there is none.
int readNumber(QStringView text, qsizetype& pos, int maxDigits, int* digits = nullptr)
{
    int value = 0;
    int count = 0;
    while (pos < text.size() && count < maxDigits) {
        const int digit = text.at(pos).digitValue();
        if (digit < 0)
            break;
        value = value * 10 + digit;
        ++count;
        ++pos;
    }
    if (digits)
        *digits = count;
    return count == 0 ? -1 : value;
}

QStringList nonEmpty(QStringList list)
{
    list.removeAll(QString());
    list.removeDuplicates();
    return list;
}

}  // namespace

LocaleDateReader::LocaleDateReader(const QLocale& locale, int currentYear)
    : m_currentYear(currentYear > 0 ? currentYear : Clock::now().date().year())
{
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QStringList formats = {
        shortDate + QLatin1Char(' ') + locale.timeFormat(QLocale::LongFormat),
        shortDate + QLatin1Char(' ') + locale.timeFormat(QLocale::ShortFormat),
        shortDate,
        QStringLiteral("yyyy-MM-dd HH:mm:ss"),
        QStringLiteral("yyyy-MM-dd HH:mm"),
        QStringLiteral("yyyy-MM-dd"),
    };
    for (const QString& format : formats)
        m_formats.push_back(tokenize(format));

    for (int month = 1; month <= 12; ++month) {
        m_monthNames[0] << locale.monthName(month, QLocale::LongFormat)
                        << locale.standaloneMonthName(month, QLocale::LongFormat);
        m_monthNames[1] << locale.monthName(month, QLocale::ShortFormat)
                        << locale.standaloneMonthName(month, QLocale::ShortFormat);
    }
    for (int day = 1; day <= 7; ++day)
        m_dayNames << locale.dayName(day, QLocale::LongFormat)
                   << locale.dayName(day, QLocale::ShortFormat);
    m_dayNames = nonEmpty(m_dayNames);
    m_amTexts = nonEmpty({locale.amText(), QStringLiteral("AM")});
    m_pmTexts = nonEmpty({locale.pmText(), QStringLiteral("PM")});
}

qint64 LocaleDateReader::pack(int year, int month, int day, int hour, int minute, int second,
                              int msec)
{
    qint64 value = year;
    value = value * 12 + (month - 1);
    value = value * 31 + (day - 1);
    value = value * 24 + hour;
    value = value * 60 + minute;
    value = value * 60 + second;
    return value * 1000 + msec;
}

LocaleDateReader::Format LocaleDateReader::tokenize(const QString& format)
{
    Format tokens;
    auto addLiteral = [&tokens](QChar c) {
        if (c.isSpace()) {
            if (tokens.empty() || tokens.back().kind != Kind::Space)
                tokens.push_back({Kind::Space, 0, {}});
        } else if (!isIgnorable(c)) {
            if (tokens.empty() || tokens.back().kind != Kind::Literal)
                tokens.push_back({Kind::Literal, 0, {}});
            tokens.back().text += c;
        }
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {  // quoted literal; '' is a quote
            const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
            if (end == i + 1)
                addLiteral(c);
            for (qsizetype k = i + 1; k < (end < 0 ? format.size() : end); ++k)
                addLiteral(format.at(k));
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        const int width = int(run);
        switch (c.unicode()) {
        case 'd': tokens.push_back({width >= 3 ? Kind::DayName : Kind::Day, width, {}}); break;
        case 'M': tokens.push_back({width >= 3 ? Kind::MonthName : Kind::Month, width, {}}); break;
        case 'y': tokens.push_back({Kind::Year, width, {}}); break;
        case 'h': tokens.push_back({Kind::Hour, width, {}}); break;
        case 'H': tokens.push_back({Kind::Hour24, width, {}}); break;
        case 'm': tokens.push_back({Kind::Minute, width, {}}); break;
        case 's': tokens.push_back({Kind::Second, width, {}}); break;
        case 'z': tokens.push_back({Kind::Millis, width, {}}); break;
        case 't': tokens.push_back({Kind::Zone, width, {}}); break;
        case 'A':
        case 'a':
            tokens.push_back({Kind::AmPm, width, {}});
            if (i + 1 < format.size() && (format.at(i + 1) == QLatin1Char('P')
                                          || format.at(i + 1) == QLatin1Char('p')))
                ++run;
            break;
        default:
            for (qsizetype k = 0; k < run; ++k)
                addLiteral(c);
        }
        i += run;
    }
    return tokens;
}

qsizetype LocaleDateReader::matchName(const QStringList& names, QStringView text, qsizetype pos,
                                      int* which)
{
    qsizetype best = 0;
    for (int i = 0; i < names.size(); ++i) {
        const QString& name = names.at(i);
        if (name.size() > best && text.mid(pos).startsWith(name, Qt::CaseInsensitive)) {
            best = name.size();
            if (which)
                *which = i;
        }
    }
    return best;
}

int LocaleDateReader::expandYear(int year, int digits) const
{
    if (digits > 2)
        return year;
    int full = m_currentYear - m_currentYear % 100 + year;
    if (full > m_currentYear + 20)
        full -= 100;
    return full;
}

bool LocaleDateReader::readToken(const Token& token, QStringView text, qsizetype& pos,
                                 Fields& f) const
{
    skipIgnorable(text, pos);
    const int maxDigits = std::max(token.width, 2);
    switch (token.kind) {
    case Kind::Space:
        skipSpace(text, pos);
        return true;
    case Kind::Literal:
        if (!text.mid(pos).startsWith(token.text, Qt::CaseInsensitive))
            return false;
        pos += token.text.size();
        return true;
    case Kind::Day: return (f.day = readNumber(text, pos, maxDigits)) >= 0;
    case Kind::Month: return (f.month = readNumber(text, pos, maxDigits)) >= 0;
    case Kind::Year: return (f.year = readNumber(text, pos, 4, &f.yearDigits)) >= 0;
    case Kind::Hour: f.twelveHour = true; [[fallthrough]];
    case Kind::Hour24: return (f.hour = readNumber(text, pos, maxDigits)) >= 0;
    case Kind::Minute: return (f.minute = readNumber(text, pos, maxDigits)) >= 0;
    case Kind::Second: return (f.second = readNumber(text, pos, maxDigits)) >= 0;
    case Kind::Millis: {
        int digits = 0;
        const int value = readNumber(text, pos, 3, &digits);
        f.msec = digits == 3 ? value : value * (digits == 2 ? 10 : 100);
        return value >= 0;
    }
    case Kind::MonthName: {
        int longIndex = -1;
        int shortIndex = -1;
        const qsizetype longLength = matchName(m_monthNames[0], text, pos, &longIndex);
        const qsizetype shortLength = matchName(m_monthNames[1], text, pos, &shortIndex);
        const qsizetype length = std::max(longLength, shortLength);
        const int which = longLength >= shortLength ? longIndex : shortIndex;
        if (length == 0)
            return false;
        f.month = which / 2 + 1;
        pos += length;
        if (pos < text.size() && text.at(pos) == QLatin1Char('.'))
            ++pos;
        return true;
    }
    case Kind::DayName: {
        const qsizetype length = matchName(m_dayNames, text, pos, nullptr);
        pos += length;
        return length > 0;
    }
    case Kind::AmPm:
        if (const qsizetype am = matchName(m_amTexts, text, pos, nullptr)) {
            f.meridiem = 1;
            pos += am;
        } else if (const qsizetype pm = matchName(m_pmTexts, text, pos, nullptr)) {
            f.meridiem = 2;
            pos += pm;
        }
        return true;  // a missing AM/PM reads as a 24-hour time
    case Kind::Zone:
        while (pos < text.size() && !text.at(pos).isSpace())
            ++pos;
        return true;
    }
    return false;
}

bool LocaleDateReader::readWith(const Format& format, QStringView text, Fields& f) const
{
    qsizetype pos = 0;
    skipSpace(text, pos);
    for (const Token& token : format) {
        if (!readToken(token, text, pos, f))
            return false;
    }
    skipSpace(text, pos);
    return pos == text.size();
}

std::optional<qint64> LocaleDateReader::read(QStringView text) const
{
    for (const Format& format : m_formats) {
        Fields f;
        if (!readWith(format, text, f) || f.year < 0 || f.month < 0 || f.day < 0)
            continue;
        const int year = expandYear(f.year, f.yearDigits);
        if (f.twelveHour && f.meridiem != 0) {
            if (f.hour < 1 || f.hour > 12)
                continue;
            f.hour = f.hour % 12 + (f.meridiem == 2 ? 12 : 0);
        }
        if (!QDate::isValid(year, f.month, f.day) || f.hour > 23 || f.minute > 59
            || f.second > 59)
            continue;
        return pack(year, f.month, f.day, f.hour, f.minute, f.second, f.msec);
    }
    return std::nullopt;
}
