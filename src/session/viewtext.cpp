#include "session/viewtext.h"

#include <QLocale>

#include <ctime>

QString SizeText(qint64 bytes)
{
    return QLocale().toString(bytes);
}

QString RemoteSizeText(const QString& serverSize)
{
    bool ok = false;
    const qint64 whole = serverSize.toLongLong(&ok);
    if (ok)
        return SizeText(whole);
    const double value = serverSize.toDouble(&ok);
    if (ok && value >= 0 && value < 9.2e18)
        return QLocale().toString(value, 'f', 0);
    return serverSize;
}

QString DateTimeText(const QDateTime& moment)
{
    if (!moment.isValid())
        return {};
    const QLocale locale;
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.toString(moment.time(), LongTimeFormat());
}

namespace {

// The first character of a format that is neither a letter nor quoted: the separator.
QString separatorIn(const QString& format, const QString& fallback)
{
    for (const QChar c : format) {
        if (!c.isLetter() && c != QLatin1Char('\'') && !c.isSpace())
            return QString(c);
    }
    return fallback;
}

}  // namespace

QString PrintStamp(const QDateTime& moment)
{
    const QLocale locale;
    const QString dateSeparator = separatorIn(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
    const QString timeSeparator = separatorIn(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
    const QDate date = moment.date();
    const QTime time = moment.time();
    return QString::number(date.month()) + dateSeparator + QString::number(date.day()) + dateSeparator
           + QStringLiteral("%1").arg(date.year() % 100, 2, 10, QLatin1Char('0')) + QLatin1Char(' ')
           + QString::number(time.hour()) + timeSeparator
           + QStringLiteral("%1").arg(time.minute(), 2, 10, QLatin1Char('0'));
}

// --- TDateTimeTexts --------------------------------------------------------------------------

TDateTimeTexts::TDateTimeTexts()
    : m_format(LongTimeFormat())
{
    const QLocale locale;
    m_am = locale.amText();
    m_pm = locale.pmText();
    // Digits other than ASCII ones are the locale's to write.
    m_ownFormat = locale.zeroDigit() == QLatin1String("0");
    const bool twelveHour = m_format.contains(QLatin1String("AP"), Qt::CaseInsensitive)
                            || m_format.contains(QLatin1Char('a'), Qt::CaseInsensitive);
    const QString& f = m_format;
    for (qsizetype i = 0; i < f.size();) {
        const QChar c = f.at(i);
        if (c == QLatin1Char('\'')) {
            const qsizetype close = f.indexOf(QLatin1Char('\''), i + 1);
            const QString text = close < 0 ? f.mid(i + 1) : f.mid(i + 1, close - i - 1);
            m_fields.push_back({0, 0, false, text.isEmpty() ? QStringLiteral("'") : text});
            i = close < 0 ? f.size() : close + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < f.size() && f.at(i + run) == c)
            ++run;
        switch (c.unicode()) {
        case 'h': m_fields.push_back({twelveHour ? 'h' : 'H', int(qMin<qsizetype>(run, 2)), false, {}}); break;
        case 'H': m_fields.push_back({'H', int(qMin<qsizetype>(run, 2)), false, {}}); break;
        case 'm': m_fields.push_back({'m', int(qMin<qsizetype>(run, 2)), false, {}}); break;
        case 's': m_fields.push_back({'s', int(qMin<qsizetype>(run, 2)), false, {}}); break;
        case 'z': m_fields.push_back({'z', run >= 3 ? 3 : 1, false, {}}); break;
        case 'A':
        case 'a':
            // "AP" / "ap" and "A" / "a" all stand for the am/pm text.
            m_fields.push_back({'a', 1, c == QLatin1Char('A'), {}});
            if (i + 1 < f.size() && f.at(i + 1).toLower() == QLatin1Char('p')) {
                i += 2;
                continue;
            }
            run = 1;
            break;
        default:
            if (c.isLetter())
                m_ownFormat = false;  // a field this class does not know: QLocale formats it
            m_fields.push_back({0, 0, false, QString(run, c)});
            break;
        }
        i += run;
    }
}

QString TDateTimeTexts::timeText(const QTime& time) const
{
    if (!m_ownFormat)
        return QLocale().toString(time, m_format);
    QString out;
    out.reserve(12);
    const auto number = [&out](int value, int width) {
        if (width >= 2 && value < 10)
            out += QLatin1Char('0');
        if (width >= 3 && value < 100)
            out += QLatin1Char('0');
        out += QString::number(value);
    };
    for (const Field& field : m_fields) {
        switch (field.kind) {
        case 'h': number(time.hour() % 12 == 0 ? 12 : time.hour() % 12, field.width); break;
        case 'H': number(time.hour(), field.width); break;
        case 'm': number(time.minute(), field.width); break;
        case 's': number(time.second(), field.width); break;
        case 'z': number(time.msec(), field.width); break;
        case 'a': {
            const QString& text = time.hour() < 12 ? m_am : m_pm;
            out += field.upper ? text.toUpper() : text.toLower();
            break;
        }
        default: out += field.literal; break;
        }
    }
    return out;
}

QString TDateTimeTexts::text(const QDateTime& moment)
{
    if (!moment.isValid())
        return {};
    return text(moment.date(), moment.time());
}

QString TDateTimeTexts::text(qint64 msecsSinceEpoch)
{
    const qint64 seconds = msecsSinceEpoch >= 0 ? msecsSinceEpoch / 1000 : -((-msecsSinceEpoch + 999) / 1000);
    const time_t when = time_t(seconds);
    struct tm parts {};
    if (!localtime_r(&when, &parts))
        return {};
    const QDate date(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    const QTime time(parts.tm_hour, parts.tm_min, qMin(parts.tm_sec, 59), int(msecsSinceEpoch - seconds * 1000));
    if (!date.isValid() || !time.isValid())
        return {};
    return text(date, time);
}

QString TDateTimeTexts::text(const QDate& date, const QTime& time)
{
    auto day = m_days.find(date.toJulianDay());
    if (day == m_days.end())
        day = m_days.insert(date.toJulianDay(), QLocale().toString(date, QLocale::ShortFormat));
    return *day + QLatin1Char(' ') + timeText(time);
}
