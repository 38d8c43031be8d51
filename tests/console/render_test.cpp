// What the console draws: grabbed to an image, its rows must carry the colours of their lines,
// and the back buffer kept up by scrolling must match a full repaint.
#include "consoletest.h"

#include "testutil.h"

#include <QImage>
#include <QScrollBar>
#include <gtest/gtest.h>

using consoletest::AddNumbered;
using consoletest::MakeConsole;

namespace {

QImage Grab(TcXConsole& console)
{
    return console.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of exactly `color` in the rows [top, top + height).
int CountPixels(const QImage& image, int top, int height, TColor color)
{
    const QRgb wanted = ColorToQColor(color).rgb();
    int count = 0;
    for (int y = std::max(0, top); y < std::min(image.height(), top + height); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == wanted;
    }
    return count;
}

class ConsoleRender : public ::testing::Test
{
protected:
    void SetUp() override
    {
        console = MakeConsole(QSize(400, 200));
        console->SetColor(0xFFFFFF);
        row = console->RowHeight();
    }

    std::unique_ptr<TcXConsole> console;
    int row = 0;
};

TEST_F(ConsoleRender, LinesCarryTheColoursOfTheirKinds)
{
    const TColor kinds[] = {clBlack, clGreen, clNavy, clRed};
    for (TColor kind : kinds)
        console->AddLine(QStringLiteral("MMMM HHHH ### status command reply error"), kind);
    const QImage image = Grab(*console);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const int pixels = CountPixels(image, i * row, row, kinds[j]);
            if (i == j)
                EXPECT_GT(pixels, 50) << "line " << i;
            else
                EXPECT_EQ(pixels, 0) << "line " << i << " colour " << j;
        }
    }
    // Below the lines lies the background only.
    EXPECT_EQ(CountPixels(image, 4 * row, image.height() - 4 * row, 0xFFFFFF), (image.height() - 4 * row) * image.width());

    console->SetMonochrome(true);
    const QImage mono = Grab(*console);
    const TColor text = QColorToColor(console->palette().color(QPalette::Text));
    for (int i = 0; i < 4; ++i)
        EXPECT_GT(CountPixels(mono, i * row, row, text), 50) << "line " << i;
    EXPECT_EQ(CountPixels(mono, 0, 4 * row, clGreen) + CountPixels(mono, 0, 4 * row, clRed), 0);
}

TEST_F(ConsoleRender, BackgroundsAndUrlsAreDrawn)
{
    const TColor yellow = 0x00FFFF;
    console->AddText(QStringLiteral("plain "), -1, clNone, clBlack, 0);
    console->AddText(QStringLiteral("marked"), -1, yellow, clRed, 0);
    console->EndLine();
    console->AddLine(QStringLiteral("see www.example.com here"), clBlack);
    const QImage image = Grab(*console);
    EXPECT_GT(CountPixels(image, 0, row, yellow), 100);
    EXPECT_GT(CountPixels(image, 0, row, clRed), 20);
    // The URL is in URLColor, with an underline: a run of blue pixels at least as long as it.
    EXPECT_GT(CountPixels(image, row, row, clBlue), 15 * 7);
    EXPECT_EQ(CountPixels(image, 0, row, clBlue), 0);
}

TEST_F(ConsoleRender, ScrolledBufferMatchesAFullRepaint)
{
    console->SetMaxLines(40);
    const TColor kinds[] = {clBlack, clGreen, clNavy, clRed};
    int n = 0;
    // Lines arrive between paints, one or several at a time, some wrapping, with trimming.
    for (int batch = 1; batch <= 12; ++batch) {
        for (int i = 0; i < batch % 4 + 1; ++i, ++n) {
            console->AddLine(QStringLiteral("line %1 %2").arg(n).arg(QString((n * 7) % 90, u'w')), kinds[n % 4]);
        }
        Grab(*console);
    }
    const QImage incremental = Grab(*console);
    console->SetColor(0xFFFFFF);  // drops the buffer: everything is drawn again
    const QImage full = Grab(*console);
    EXPECT_TRUE(incremental == full);

    // The same after the reader scrolled up a little and new lines came in below.
    console->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    Grab(*console);
    AddNumbered(*console, 1, 3);
    console->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    const QImage scrolled = Grab(*console);
    console->SetColor(0xFFFFFF);
    EXPECT_TRUE(scrolled == Grab(*console));

    // A console too short to fill the view: trimming moves the lines up inside it.
    console->SetMaxLines(4);
    Grab(*console);
    for (int i = 0; i < 6; ++i) {
        console->AddLine(QStringLiteral("short %1 %2").arg(i).arg(QString(i * 20, u'z')), kinds[i % 4]);
        Grab(*console);
    }
    const QImage shortIncremental = Grab(*console);
    console->SetColor(0xFFFFFF);
    EXPECT_TRUE(shortIncremental == Grab(*console));
}

TEST_F(ConsoleRender, ClearLeavesAnEmptyView)
{
    AddNumbered(*console, 1, 30);
    Grab(*console);
    console->Clear();
    const QImage image = Grab(*console);
    EXPECT_EQ(CountPixels(image, 0, image.height(), 0xFFFFFF), image.width() * image.height());
    EXPECT_EQ(console->verticalScrollBar()->maximum(), 0);
}

}  // namespace
