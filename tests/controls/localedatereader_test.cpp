// Date texts as the views show them, read back in the locale's own formats.
#include "controls/localedatereader.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

constexpr int ThisYear = 2026;

qint64 packed(const QDateTime& at)
{
    const QDate d = at.date();
    const QTime t = at.time();
    return LocaleDateReader::pack(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

// Every locale's short date with its long time (local view) and with its short time (remote
// listings) reads back as the same minute or second. Covers 12-hour clocks with the marker
// before or after the hour, CJK literals, bidirectional marks, Arabic-Indic digits and two-digit
// years.
TEST(LocaleDateReader, ReadsBackWhatEachLocaleWrites)
{
    const QList<QLocale> locales = {
        QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France), QLocale(QLocale::English, QLocale::UnitedKingdom),
        QLocale(QLocale::Japanese, QLocale::Japan), QLocale(QLocale::Korean, QLocale::SouthKorea),
        QLocale(QLocale::Chinese, QLocale::China), QLocale(QLocale::Arabic, QLocale::Egypt),
        QLocale(QLocale::Russian, QLocale::Russia), QLocale(QLocale::Hindi, QLocale::India)};
    const QList<QDateTime> moments = {
        QDateTime(QDate(2024, 1, 5), QTime(0, 5, 9)), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58)),
        QDateTime(QDate(2024, 2, 29), QTime(12, 0, 0)), QDateTime(QDate(2025, 7, 4), QTime(13, 7, 0))};
    for (const QLocale& locale : locales) {
        const LocaleDateReader reader(locale, ThisYear);
        const QString date = locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ');
        for (const QDateTime& at : moments) {
            const QString longText = locale.toString(at, date + locale.timeFormat(QLocale::LongFormat));
            EXPECT_EQ(reader.read(longText), packed(at)) << qPrintable(locale.name() + ": " + longText);
            const QString shortText = locale.toString(at, date + locale.timeFormat(QLocale::ShortFormat));
            const QDateTime minute(at.date(), QTime(at.time().hour(), at.time().minute()));
            EXPECT_EQ(reader.read(shortText), packed(minute)) << qPrintable(locale.name() + ": " + shortText);
        }
    }
}

TEST(LocaleDateReader, ReadsTheUsFormsAndRejectsTheRest)
{
    const LocaleDateReader reader(QLocale(QLocale::English, QLocale::UnitedStates), ThisYear);
    struct Case { const char* text; std::optional<qint64> value; };
    const Case cases[] = {
        {"12/31/99 11:59 PM", LocaleDateReader::pack(1999, 12, 31, 23, 59)},
        {"1/5/24 12:05 AM", LocaleDateReader::pack(2024, 1, 5, 0, 5)},
        {"1/5/24 12:05 PM", LocaleDateReader::pack(2024, 1, 5, 12, 5)},
        {"1/5/24 10:00:05 AM UTC", LocaleDateReader::pack(2024, 1, 5, 10, 0, 5)},
        {" 1/5/2024 ", LocaleDateReader::pack(2024, 1, 5)},
        {"1/5/46 1:00 PM", LocaleDateReader::pack(2046, 1, 5, 13)},  // 20 years ahead at most
        {"1/5/47 1:00 PM", LocaleDateReader::pack(1947, 1, 5, 13)},
        {"2024-01-05 10:00:05", LocaleDateReader::pack(2024, 1, 5, 10, 0, 5)},
        {"2/30/24 1:00 AM", std::nullopt},
        {"13/1/24", std::nullopt},
        {"1/5/24 13:00 PM", std::nullopt},
        {"1/5/24 10:61 AM", std::nullopt},
        {"1/5/24 10:00 AM and more", std::nullopt},
        {"Jan 5 10:00", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reader.read(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(LocaleDateReader, PackedValuesOrderLikeDates)
{
    EXPECT_LT(LocaleDateReader::pack(1999, 12, 31, 23, 59, 59, 999), LocaleDateReader::pack(2000, 1, 1));
    EXPECT_LT(LocaleDateReader::pack(2024, 1, 31, 23), LocaleDateReader::pack(2024, 2, 1));
    EXPECT_LT(LocaleDateReader::pack(2024, 2, 1, 0, 0, 59), LocaleDateReader::pack(2024, 2, 1, 0, 1));
}

}  // namespace
