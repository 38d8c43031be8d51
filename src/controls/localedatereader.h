#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Reads the date texts the views show (the locale's short date, a blank and its long or short
// time) back into a number that orders like the date and time it stands for. A reader is built
// once per sort: the locale's formats are split into tokens up front, so each text costs one
// pass instead of a full QDateTime parse (which is far too slow for 100,000 rows).
class LocaleDateReader
{
public:
    // Two-digit years are placed in the century window ending 20 years after `currentYear`.
    explicit LocaleDateReader(const QLocale& locale = QLocale(), int currentYear = 0);

    // Year, month, day, hours, minutes, seconds and milliseconds packed into one increasing
    // value; no result when the text is not a valid date in any of the accepted formats.
    std::optional<qint64> read(QStringView text) const;

    // The value `read` gives for a date and time, for callers and tests that compare with it.
    static qint64 pack(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                       int msec = 0);

private:
    enum class Kind {
        Day, DayName, Month, MonthName, Year, Hour, Hour24, Minute, Second, Millis, AmPm, Zone,
        Space, Literal
    };
    struct Token
    {
        Kind kind;
        int width = 0;   // letters in the format; numbers take at most this many digits (2 for 1)
        QString text;    // literal text
    };
    using Format = std::vector<Token>;
    struct Fields;

    static Format tokenize(const QString& format);
    bool readWith(const Format& format, QStringView text, Fields& fields) const;
    bool readToken(const Token& token, QStringView text, qsizetype& pos, Fields& fields) const;
    static qsizetype matchName(const QStringList& names, QStringView text, qsizetype pos,
                               int* which);
    int expandYear(int year, int digits) const;

    std::vector<Format> m_formats;
    QStringList m_monthNames[2];  // long and short names, January first
    QStringList m_dayNames;
    QStringList m_amTexts;
    QStringList m_pmTexts;
    int m_currentYear;
};
