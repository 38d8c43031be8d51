#include "platform/core/clock.h"
#include "sites/sitestats.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SiteStatsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Clock::setSource([] { return QDateTime(QDate(2024, 1, 2), QTime(15, 4, 5)); });
    }
    void TearDown() override { Clock::setSource({}); }

    QTemporaryDir dir;
    QString path() const { return dir.filePath("stats.dat"); }
    TSiteStats stats{dir.filePath("stats.dat")};
};

TEST_F(SiteStatsTest, ThreeUploadsOfAThousandBytes)
{
    for (int i = 0; i < 3; ++i)
        stats.AddUpload("Home", 1000);
    const auto doc = stats.file().read();
    EXPECT_EQ(doc->readString("Home", "FilesUp"), "3");
    EXPECT_EQ(doc->readString("Home", "BytesUp"), "3000");
    EXPECT_FALSE(doc->valueExists("Home", "FilesDown"));

    const SiteStatistics shown = stats.ReadStats("Home");
    EXPECT_EQ(shown.FilesUp, "3");
    EXPECT_EQ(shown.BytesUp, "3,000");
    EXPECT_EQ(shown.FilesDown, "0");
    EXPECT_EQ(shown.BytesDown, "0");
}

TEST_F(SiteStatsTest, ConnectionsAreCountedAndStamped)
{
    stats.RecordConnect("Home");
    stats.RecordConnect("home");
    const SiteStatistics shown = stats.ReadStats("HOME");
    EXPECT_EQ(shown.LastConnect, "1/2/24 3:04:05 PM");
    EXPECT_EQ(shown.ConnectCount, "2");
    EXPECT_EQ(stats.file().readString("Home", "ConnectCount"), "2");

    ASSERT_TRUE(testutil::writeFile(path(), "[Home]\nConnectCount=abc\n"));
    stats.RecordConnect("Home");
    EXPECT_EQ(stats.file().readString("Home", "ConnectCount"), "1");
}

TEST_F(SiteStatsTest, AQuickConnectionChangesNothing)
{
    stats.RecordConnect("");
    stats.AddUpload("", 10);
    stats.AddDownload("", 10);
    stats.ResetStats("");
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(SiteStatsTest, LargeCountersStayExactUpToFifteenDigits)
{
    stats.AddDownload("Big", 5'000'000'000LL);
    stats.AddDownload("Big", 5'000'000'000LL);
    EXPECT_EQ(stats.file().readString("Big", "BytesDown"), "10000000000");
    EXPECT_EQ(stats.ReadStats("Big").BytesDown, "10,000,000,000");

    stats.AddDownload("Big", 999'999'990'000'000'000LL);
    EXPECT_EQ(stats.file().readString("Big", "BytesDown"), "1e+18");
    EXPECT_EQ(stats.ReadStats("Big").FilesDown, "3");
}

TEST_F(SiteStatsTest, CountersWrittenByOtherProgramsAreRead)
{
    ASSERT_TRUE(testutil::writeFile(path(), "[Old]\r\nLastConnect=12/31/2003 11:59:59 PM\r\nConnectCount=12\r\n"
                                            "FilesUp=7\r\nBytesUp=1.5E15\r\nFilesDown=\r\nBytesDown=lots\r\n"));
    const SiteStatistics shown = stats.ReadStats("Old");
    EXPECT_EQ(shown.LastConnect, "12/31/2003 11:59:59 PM");
    EXPECT_EQ(shown.ConnectCount, "12");
    EXPECT_EQ(shown.FilesUp, "7");
    EXPECT_EQ(shown.BytesUp, "1,500,000,000,000,000");
    EXPECT_EQ(shown.FilesDown, "0");
    EXPECT_EQ(shown.BytesDown, "0");

    // A damaged counter starts again instead of stopping the transfer that completed.
    stats.AddDownload("Old", 100);
    EXPECT_EQ(stats.file().readString("Old", "BytesDown"), "100");
    EXPECT_EQ(stats.file().readString("Old", "FilesDown"), "1");
}

TEST_F(SiteStatsTest, ResetAndDefaults)
{
    stats.AddUpload("Home", 1);
    stats.AddUpload("Other", 1);
    stats.ResetStats("home");
    EXPECT_EQ(stats.ReadStats("Home"), (SiteStatistics{"Unknown", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(stats.ReadStats("Other").FilesUp, "1");
}

}  // namespace
