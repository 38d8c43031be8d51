// The listing cache's files and the texts the views show.
#include "session/listingcache.h"
#include "session/viewtext.h"
#include "testutil.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Pins a locale for one test and restores en_US (the suite's) afterwards.
struct LocaleScope {
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

}  // namespace

// Files are private, uniquely named "ftp...", and go on drop, flush and destruction; a failed
// or abandoned entry leaves neither file nor entry.
TEST(ListingCache, FilesComeAndGoWithTheirEntries)
{
    QTemporaryDir dir;
    const auto files = [&] { return QDir(dir.path()).entryList(QDir::Files); };
    {
        TListingCache cache(dir.path());
        ASSERT_TRUE(cache.beginEntry("/pub/"));
        EXPECT_TRUE(cache.writing());
        cache.writeLine("-rw-r--r-- 1 u g 5 Jan 5 12:00 caf\u00e9.txt");
        cache.writeLine("drwxr-xr-x 2 u g 4096 Jan 5 12:00 dir");
        ASSERT_TRUE(cache.endEntry());
        ASSERT_TRUE(cache.beginEntry("/Pub/"));
        ASSERT_TRUE(cache.endEntry());
        EXPECT_EQ(cache.count(), 2);
        EXPECT_EQ(cache.find("/pub/"), 0);  // exact, case-sensitive
        EXPECT_EQ(cache.find("/Pub/"), 1);
        EXPECT_EQ(cache.find("/pub"), -1);
        EXPECT_NE(cache.entry(0).file, cache.entry(1).file);
        for (const QString& name : files()) {
            EXPECT_TRUE(name.startsWith("ftp")) << name.toStdString();
            EXPECT_EQ(testutil::fileMode(dir.filePath(name)) & 077, 0);
        }
        const auto lines = TListingCache::readLines(cache.entry(0).file);
        ASSERT_TRUE(lines.has_value());
        EXPECT_EQ(*lines, QStringList({"-rw-r--r-- 1 u g 5 Jan 5 12:00 caf\u00e9.txt", "drwxr-xr-x 2 u g 4096 Jan 5 12:00 dir"}));

        cache.drop(0);
        EXPECT_EQ(files().size(), 1);
        EXPECT_EQ(cache.find("/Pub/"), 0);
        EXPECT_FALSE(TListingCache::readLines(dir.filePath("ftp-none")).has_value());

        // A listing that failed part-way leaves nothing behind.
        ASSERT_TRUE(cache.beginEntry("/half/"));
        cache.writeLine("partial");
        cache.abandonEntry();
        EXPECT_EQ(cache.find("/half/"), -1);
        EXPECT_EQ(files().size(), 1);

        // Dropping the entry being written stops the writing.
        ASSERT_TRUE(cache.beginEntry("/open/"));
        cache.drop(cache.find("/open/"));
        EXPECT_FALSE(cache.writing());
        cache.writeLine("ignored");
        EXPECT_EQ(files().size(), 1);

        ASSERT_TRUE(cache.beginEntry("/again/"));
        cache.flush();
        EXPECT_EQ(cache.count(), 0);
        EXPECT_TRUE(files().isEmpty());
        ASSERT_TRUE(cache.beginEntry("/last/"));
        ASSERT_TRUE(cache.endEntry());
    }
    EXPECT_TRUE(files().isEmpty());  // destruction deletes what is left

    // No file can be made: no entry.
    TListingCache nowhere(dir.filePath("missing/dir"));
    EXPECT_FALSE(nowhere.beginEntry("/"));
    EXPECT_EQ(nowhere.count(), 0);
}

// The fast time formatter gives exactly what QLocale gives, in locales with 12- and 24-hour
// clocks, other separators and non-ASCII digits.
TEST(ViewText, FileTimesMatchTheLocalesOwnFormatting)
{
    const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France),        QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale(QLocale::Arabic, QLocale::Egypt),         QLocale(QLocale::Korean, QLocale::SouthKorea),
        QLocale(QLocale::Finnish, QLocale::Finland),
    };
    const QDateTime moments[] = {
        QDateTime(QDate(2025, 3, 7), QTime(21, 5, 9)), QDateTime(QDate(1999, 12, 31), QTime(0, 0, 0)),
        QDateTime(QDate(2024, 2, 29), QTime(12, 30, 1)), QDateTime(QDate(2030, 1, 1), QTime(9, 59, 59)),
    };
    for (const QLocale& locale : locales) {
        LocaleScope scope(locale);
        TDateTimeTexts texts;
        for (const QDateTime& moment : moments) {
            const QString expected = locale.toString(moment.date(), QLocale::ShortFormat) + ' '
                                     + locale.toString(moment.time(), LongTimeFormat());
            EXPECT_EQ(texts.text(moment), expected) << locale.name().toStdString();
            EXPECT_EQ(DateTimeText(moment), expected) << locale.name().toStdString();
        }
        // File times as the local view reads them: milliseconds since the epoch.
        for (const qint64 ms : {qint64(0), qint64(1741381509123), qint64(-86400000), qint64(4102444799000)}) {
            EXPECT_EQ(texts.text(ms), DateTimeText(QDateTime::fromMSecsSinceEpoch(ms))) << locale.name().toStdString() << " " << ms;
        }
        EXPECT_FALSE(LongTimeFormat().contains('t')) << locale.name().toStdString();
        EXPECT_TRUE(texts.text(QDateTime()).isEmpty());
    }
}

TEST(ViewText, SizesAndPrintStamps)
{
    const struct {
        QString server;
        QString shown;
    } sizes[] = {
        {"1234567", "1,234,567"}, {"0", "0"}, {"5368709120", "5,368,709,120"},  // past 32 bits
        {"12/24", "12/24"},  // a VMS block count stays as written
        {"", ""},
    };
    for (const auto& size : sizes)
        EXPECT_EQ(RemoteSizeText(size.server), size.shown) << size.server.toStdString();
    EXPECT_EQ(SizeText(1234570), "1,234,570");

    const QDateTime moment(QDate(2025, 3, 7), QTime(21, 5, 9));
    EXPECT_EQ(PrintStamp(moment), "3/7/25 21:05");
    LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(PrintStamp(moment), "3.7.25 21:05");
    EXPECT_EQ(SizeText(1234570), "1.234.570");
}
