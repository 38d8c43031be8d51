#pragma once

#include "platform/core/localeformats.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <vector>

// Texts the file views and the saved or printed listings show, in the default locale.

// A byte count with the locale's thousands separators ("1,234,567").
QString SizeText(qint64 bytes);

// A size column as a server wrote it, grouped like SizeText when it is a number; any other
// text (a VMS block count such as "12/24") is shown as the server wrote it.
QString RemoteSizeText(const QString& serverSize);

// Short date, a blank and the long time; empty for an invalid moment.
QString DateTimeText(const QDateTime& moment);

// Month, day and two-digit year, hour and minutes, with the locale's date and time
// separators ("3/7/25 9:05" in en_US): the stamp at the top of a printed listing.
QString PrintStamp(const QDateTime& moment);

// Formats many file times quickly, as DateTimeText does: the text of each calendar day is
// made once, and the time part by a format split into fields up front. (Converting to local
// time through QDateTime and formatting through QLocale cost about 5 us a file, half a second
// for 100,000.)
class TDateTimeTexts
{
public:
    TDateTimeTexts();
    QString text(const QDateTime& moment);
    // A file time in milliseconds since the epoch, in local time.
    QString text(qint64 msecsSinceEpoch);

private:
    QString timeText(const QTime& time) const;
    QString text(const QDate& date, const QTime& time);

    struct Field
    {
        char kind;      // 'h' 12-hour, 'H' 24-hour, 'm', 's', 'z', 'a' am/pm, 0 literal
        int width = 1;  // digits (1: no leading zero)
        bool upper = false;
        QString literal;
    };
    std::vector<Field> m_fields;
    QString m_am;
    QString m_pm;
    QString m_format;         // the time format, for QLocale when m_fields cannot do it
    bool m_ownFormat = true;  // every field of the format is one m_fields understands
    QHash<qint64, QString> m_days;  // Julian day -> short date text
};
