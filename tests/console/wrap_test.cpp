// Word wrapping by pixel widths, measured with a fixed font so that rows hold a known number
// of characters.
#include "console/linewrap.h"
#include "consoletest.h"

#include <gtest/gtest.h>

namespace {

QString Style(int s) { return ConsoleCode::StyleCode(s); }

class ConsoleWrap : public ::testing::Test
{
protected:
    void SetUp() override
    {
        metrics.SetFont(consoletest::TestFont(), nullptr);
        advance = metrics.Advance(0, U'a');
        ASSERT_GT(advance, 0);
    }

    // A row starts at x = 1 and ends when x reaches the width: this fits exactly `chars`.
    TWrapGeometry Fitting(int chars) const
    {
        TWrapGeometry geometry;
        geometry.clientWidth = 1 + chars * advance + 1;
        return geometry;
    }

    QList<int> Breaks(const QString& text, const TWrapGeometry& geometry)
    {
        TTextPack line;
        line.Text = text;
        EXPECT_TRUE(WrapLine(line, metrics, geometry));
        EXPECT_EQ(line.Height, line.Breaks.size() * metrics.RowHeight());
        return line.Breaks;
    }

    TConsoleMetrics metrics;
    int advance = 0;
};

TEST_F(ConsoleWrap, RowsEndAtTheLastSpaceOrInsideALongWord)
{
    struct Case
    {
        QString text;
        QList<int> breaks;
        const char* why;
    };
    const Case cases[] = {
        {QStringLiteral(""), {0}, "an empty line still has its row"},
        {QStringLiteral("short"), {5}, "fits"},
        {QStringLiteral("abcdefghij"), {10}, "exactly ten fit"},
        {QStringLiteral("aaa bbb cccc dd"), {8, 15}, "ends after the last space before the edge"},
        {QStringLiteral("abcdefghijklmnopqrstuvwxy"), {10, 20, 25}, "a word without spaces breaks inside"},
        {QStringLiteral("ab abcdefghijklmnop"), {3, 13, 19}, "a long word moves down, then breaks"},
        {QStringLiteral("abcdefghij klm"), {11, 14}, "a space at the edge hangs on its row"},
        {Style(1) + ConsoleCode::ColorCode(clRed) + QStringLiteral("abcdefghijk"), {20, 21}, "codes take no width"},
        {QStringLiteral("abcdefghij ") + Style(0), {14}, "a hanging space and codes make no empty row"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Breaks(c.text, Fitting(10)), c.breaks) << c.why;
}

TEST_F(ConsoleWrap, StyleCodesSwitchTheMeasuringFont)
{
    // In a proportional font bold letters are wider, so fewer fit after a bold code.
    QFont sans(QStringLiteral("DejaVu Sans"));
    sans.setPixelSize(14);
    metrics.SetFont(sans, nullptr);
    const int regular = metrics.Advance(0, U'm');
    const int bold = metrics.Advance(ConsoleCode::fsBold, U'm');
    ASSERT_GT(bold, regular);
    TWrapGeometry geometry;
    geometry.clientWidth = 1 + 12 * regular + 1;
    const auto fitting = [&](int width) { return (geometry.clientWidth - 2) / width; };

    const QString ms(40, u'm');
    EXPECT_EQ(Breaks(ms, geometry).first(), fitting(regular));
    EXPECT_EQ(Breaks(Style(1) + ms, geometry).first(), 3 + fitting(bold));
    // Underline and strike-out do not change widths.
    EXPECT_EQ(Breaks(Style(12) + ms, geometry).first(), 3 + fitting(regular));
}

TEST_F(ConsoleWrap, TooNarrowLeavesTheLineAsItWas)
{
    TTextPack line;
    line.Text = QStringLiteral("some");
    TWrapGeometry geometry;
    geometry.clientWidth = 63;
    EXPECT_FALSE(WrapLine(line, metrics, geometry));
    EXPECT_TRUE(line.Breaks.isEmpty());
    EXPECT_EQ(line.Height, 0);

    geometry.clientWidth = 64;
    EXPECT_TRUE(WrapLine(line, metrics, geometry));
    EXPECT_EQ(line.Height, metrics.RowHeight());

    // With images the least width grows by the image width.
    geometry.imageCount = 1;
    geometry.imageWidth = 16;
    geometry.clientWidth = 79;
    EXPECT_FALSE(WrapLine(line, metrics, geometry));
}

TEST_F(ConsoleWrap, AnImageShiftsTheRowsAndSetsTheLeastHeight)
{
    TWrapGeometry geometry = Fitting(10);
    geometry.imageCount = 2;
    geometry.imageWidth = 16;
    geometry.imageHeight = 40;
    geometry.clientWidth += 16 + 2;  // rows start at image width + 3 instead of 1

    TTextPack line;
    line.Text = QStringLiteral("abcdefghijk");
    line.Image = 1;
    ASSERT_TRUE(WrapLine(line, metrics, geometry));
    EXPECT_EQ(line.Breaks, QList<int>({10, 11}));
    EXPECT_EQ(line.Height, std::max(40, 2 * metrics.RowHeight()));

    // An index outside the list shows no image: the rows start at 1 and are wider.
    line.Image = 2;
    ASSERT_TRUE(WrapLine(line, metrics, geometry));
    EXPECT_EQ(line.Breaks, QList<int>({11}));
    EXPECT_EQ(line.Height, metrics.RowHeight());
}

TEST_F(ConsoleWrap, SurrogatePairsAreNeverSplit)
{
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QString::fromUcs4(U"\U0001D400");  // outside the 16-bit range
    const QList<int> breaks = Breaks(text, Fitting(10));
    ASSERT_GT(breaks.size(), 1);
    for (int position : breaks)
        EXPECT_EQ(position % 2, 0) << position;
}

}  // namespace
