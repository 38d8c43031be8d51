// Column fitting: the width rules, and a real view filled to its width without a scroll bar.
#include "controls/columnfit.h"
#include "controls/orvoview.h"

#include <QScrollBar>
#include <QTreeView>
#include <gtest/gtest.h>
#include <numeric>

namespace {

struct FitCase
{
    std::vector<int> fitted;  // widths after auto-sizing
    int viewWidth;
    int reserve;
    std::vector<int> expected;
};

TEST(ColumnFit, WidthRules)
{
    const FitCase cases[] = {
        // Size at least 50, a narrow date becomes 100, attributes at least 50; the name takes
        // what is left beside 20 for a scroll bar.
        {{60, 30, 40, 20}, 400, 20, {180, 50, 100, 50}},
        {{60, 30, 40, 20}, 400, 4, {196, 50, 100, 50}},
        // A date of 50 or more stays as it is.
        {{60, 70, 50}, 300, 4, {176, 70, 50}},
        // Columns already wider than the view keep their widths.
        {{300, 80, 120}, 400, 4, {300, 80, 120}},
        // Exactly filling the view leaves the name alone.
        {{96, 50, 100}, 250, 4, {96, 50, 100}},
        {{10}, 100, 4, {96}},
        {{}, 100, 4, {}},
    };
    for (const FitCase& c : cases)
        EXPECT_EQ(FitColumnWidths(c.fitted, c.viewWidth, c.reserve), c.expected);
}

class FitColumnsOnView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.AddColumn(QStringLiteral("Name"), 100);
        view.AddColumn(QStringLiteral("Size"), 65, Qt::AlignRight);
        view.AddColumn(QStringLiteral("Date"), 90);
        view.resize(500, 200);
        view.show();
    }

    void addRows(int count)
    {
        for (int i = 0; i < count; ++i)
            view.AddItem(QStringLiteral("file%1.txt").arg(i), {QStringLiteral("1,024"), QString()}, 3);
    }

    int total() const
    {
        const std::vector<int> widths = view.ColumnWidths();
        return std::accumulate(widths.begin(), widths.end(), 0);
    }

    TOrvoListView view;
};

TEST_F(FitColumnsOnView, FillsTheViewWithTheFirstColumn)
{
    addRows(3);
    FitColumns(view);
    EXPECT_EQ(view.ColumnWidth(2), 100);  // empty dates: narrower than 50
    EXPECT_GE(view.ColumnWidth(1), 50);
    EXPECT_EQ(total(), view.ColumnAreaWidth());
    const QTreeView* details = view.DetailsView();
    EXPECT_EQ(view.ColumnAreaWidth(), details->width() - 2 * details->frameWidth());
}

// The listings fit the columns before they resume repainting, so the fit must see rows that
// the inner views have not been told about yet.
TEST_F(FitColumnsOnView, LeavesRoomForTheScrollBarWhenRowsOverflow)
{
    view.BeginUpdate();
    addRows(200);
    FitColumns(view);
    view.EndUpdate();
    EXPECT_EQ(total(), view.ColumnAreaWidth());
    EXPECT_LT(view.ColumnAreaWidth(), view.DetailsView()->width() - 10);
    QTreeView* details = view.DetailsView();
    details->doItemsLayout();
    EXPECT_LE(total(), details->viewport()->width());
}

TEST_F(FitColumnsOnView, OnlyInDetailsStyle)
{
    addRows(3);
    view.SetViewStyle(vsList);
    const std::vector<int> before = view.ColumnWidths();
    FitColumns(view);
    EXPECT_EQ(view.ColumnWidths(), before);
}

}  // namespace
