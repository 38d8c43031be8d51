// Following the bottom, staying put when the reader scrolled up, the scroll bar and the
// re-wrap on resize.
#include "consoletest.h"

#include "testutil.h"

#include <QScrollBar>
#include <gtest/gtest.h>

using consoletest::AddNumbered;
using consoletest::MakeConsole;
using consoletest::TopLine;

namespace {

TEST(ConsoleScroll, FollowsTheBottomUntilTheReaderScrollsUp)
{
    auto console = MakeConsole(QSize(400, 120));
    QScrollBar* bar = console->verticalScrollBar();
    AddNumbered(*console, 1, 3);
    EXPECT_TRUE(console->AtBottom());
    EXPECT_EQ(bar->maximum(), 0) << "content shorter than the view needs no scrolling";
    EXPECT_EQ(TopLine(*console), QStringLiteral("line 1"));

    AddNumbered(*console, 4, 60);
    EXPECT_TRUE(console->AtBottom());
    EXPECT_EQ(console->ScrollPos(), console->TotalHeight());
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bar->maximum(), console->TotalHeight() - console->viewport()->height());
    EXPECT_EQ(bar->singleStep(), console->RowHeight());
    EXPECT_EQ(bar->pageStep(), console->viewport()->height());

    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_FALSE(console->AtBottom());
    const qint64 position = console->ScrollPos();
    EXPECT_EQ(position, console->TotalHeight() - console->viewport()->height());
    const QString top = TopLine(*console);
    AddNumbered(*console, 61, 70);
    EXPECT_EQ(console->ScrollPos(), position);
    EXPECT_EQ(TopLine(*console), top);

    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_TRUE(console->AtBottom());
    AddNumbered(*console, 71, 71);
    EXPECT_TRUE(console->AtBottom());
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(ConsoleScroll, TrimmingDoesNotMoveTheLinesAReaderLooksAt)
{
    auto console = MakeConsole(QSize(400, 120));
    console->SetMaxLines(100);
    AddNumbered(*console, 1, 101);
    console->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    const QString top = TopLine(*console);
    AddNumbered(*console, 102, 130);  // each drops the oldest line
    EXPECT_EQ(console->Count(), 101);
    EXPECT_EQ(TopLine(*console), top);
    EXPECT_FALSE(console->AtBottom());

    // Once the lines it showed are gone, the view rests at the top.
    console->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    AddNumbered(*console, 131, 135);
    EXPECT_EQ(TopLine(*console), QStringLiteral("line 35"));
}

TEST(ConsoleScroll, WithoutScrollOnAddOnlyContentThatFitsIsFollowed)
{
    auto console = MakeConsole(QSize(400, 120));
    console->SetScrollOnAdd(false);
    const int fitting = console->viewport()->height() / console->RowHeight();
    AddNumbered(*console, 1, fitting);
    EXPECT_TRUE(console->AtBottom());
    AddNumbered(*console, fitting + 1, fitting + 5);
    EXPECT_FALSE(console->AtBottom());
    EXPECT_EQ(TopLine(*console), QStringLiteral("line 1"));
    EXPECT_EQ(console->verticalScrollBar()->value(), 0);
}

TEST(ConsoleScroll, ResizeKeepsTheScrollProportion)
{
    auto console = MakeConsole(QSize(600, 150));
    AddNumbered(*console, 1, 150, QStringLiteral("a log line that wraps once the console gets narrow enough, number "));
    QScrollBar* bar = console->verticalScrollBar();
    bar->setValue(bar->maximum() / 3);
    const double proportion = double(console->ScrollPos()) / double(console->TotalHeight());
    const qint64 oldTotal = console->TotalHeight();

    consoletest::ResizeViewport(*console, QSize(250, 150));
    EXPECT_GT(console->TotalHeight(), oldTotal);
    EXPECT_NEAR(double(console->ScrollPos()), proportion * double(console->TotalHeight()), 0.5 + 1e-9);

    // At the bottom it stays at the bottom.
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    consoletest::ResizeViewport(*console, QSize(500, 150));
    EXPECT_TRUE(console->AtBottom());
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST(ConsoleScroll, ResizeDuringAReWrapStartsItAgainForTheNewWidth)
{
    auto console = MakeConsole(QSize(600, 150));
    console->SetMaxLines(5000);
    AddNumbered(*console, 1, 5000, QString(120, u'x') + QStringLiteral(" wrapped text, line "));
    console->resize(console->width() - 200, console->height());
    EXPECT_TRUE(console->Rewrapping());
    QCoreApplication::processEvents();  // perhaps one slice at the first width
    console->resize(console->width() - 150, console->height());
    ASSERT_TRUE(testutil::waitFor([&] { return !console->Rewrapping(); }, 30000));

    // Every line is wrapped for the final width, as a fresh wrap gives it.
    TConsoleMetrics metrics;
    metrics.SetFont(console->font(), console->viewport());
    TWrapGeometry geometry;
    geometry.clientWidth = console->viewport()->width();
    qint64 sum = 0;
    for (int i = 0; i < console->Count(); ++i) {
        TTextPack fresh;
        fresh.Text = console->Lines()[i].Text;
        ASSERT_TRUE(WrapLine(fresh, metrics, geometry));
        ASSERT_EQ(console->Lines()[i].Breaks, fresh.Breaks) << i;
        sum += fresh.Height;
    }
    EXPECT_EQ(console->TotalHeight(), sum);
    EXPECT_TRUE(console->AtBottom());

    // Lines added while a re-wrap runs are wrapped at the current width straight away.
    console->resize(console->width() + 100, console->height());
    AddNumbered(*console, 5001, 5001, QString(120, u'y') + QStringLiteral(" "));
    ASSERT_TRUE(testutil::waitFor([&] { return !console->Rewrapping(); }, 30000));
    EXPECT_TRUE(console->AtBottom());
}

}  // namespace

#include "console/wrapthread.h"

namespace {

TEST(ConsoleWrapThread, AStartWhileBusyBeginsAgainFromTheStart)
{
    QList<bool> calls;  // the restart flag of each slice
    int remaining = 0;
    TWrapThread worker(
        [&](bool restart) {
            calls << restart;
            if (restart)
                remaining = 3;
            return --remaining == 0;
        },
        nullptr);
    worker.Start();
    worker.Start();  // before any slice ran: still one pass
    EXPECT_TRUE(worker.Busy());
    QCoreApplication::processEvents();
    ASSERT_EQ(calls, QList<bool>({true}));
    worker.Start();  // mid-way
    EXPECT_TRUE(worker.RestartPending());
    ASSERT_TRUE(testutil::waitFor([&] { return !worker.Busy(); }));
    EXPECT_EQ(calls, QList<bool>({true, true, false, false}));

    worker.Start();
    worker.Finish();
    EXPECT_FALSE(worker.Busy());
    EXPECT_EQ(calls.size(), 7);
}

}  // namespace
