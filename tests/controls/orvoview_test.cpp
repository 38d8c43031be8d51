// The list view control: header-click sorting, rows and selection across sorts and moves,
// bulk filling, the four styles sharing one selection, column fitting and the switches.
#include "controls/orvolistmodel.h"
#include "controls/orvoview.h"
#include "viewtestutil.h"

#include <QHeaderView>
#include <QListView>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace viewtest;

namespace {

class ListViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.AddColumn(QStringLiteral("Name"), 100);
        view.AddColumn(QStringLiteral("Size"), 65, Qt::AlignRight);
        view.AddColumn(QStringLiteral("Date"), 90);
        view.resize(400, 300);
        fill(view, {{"b.txt", "20", "1/2/24 1:00 PM", 3},
                    {"..", "", "", 0},
                    {"a.txt", "300", "1/1/24 1:00 PM", 3},
                    {"dir", "", "1/3/24 1:00 PM", 1},
                    {"c.txt", "1", "1/4/24 1:00 PM", 3}});
        view.show();
    }

    void clickHeader(int column)
    {
        QHeaderView* header = view.DetailsView()->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    PinnedClock clock;
    TOrvoListView view;
};

TEST_F(ListViewTest, HeaderClicksSortAndToggleWithAutoSort)
{
    QStringList events;
    view.OnColumnClick = [&](TOrvoListView* sender, int column) {
        EXPECT_EQ(sender, &view);
        events << QStringLiteral("click %1").arg(column);
    };
    view.OnAfterSort = [&](TOrvoListView*) { events << QStringLiteral("sorted"); };
    view.AutoSort = true;

    clickHeader(0);
    EXPECT_EQ(captions(view), QStringList({"..", "dir", "a.txt", "b.txt", "c.txt"}));
    clickHeader(0);  // same header: reversed
    EXPECT_EQ(captions(view), QStringList({"..", "dir", "c.txt", "b.txt", "a.txt"}));
    EXPECT_FALSE(view.SortAscending());
    clickHeader(1);  // another header: ascending by that column
    EXPECT_EQ(captions(view), QStringList({"..", "dir", "c.txt", "b.txt", "a.txt"}));
    EXPECT_TRUE(view.SortAscending());
    clickHeader(1);
    EXPECT_EQ(captions(view), QStringList({"..", "dir", "a.txt", "b.txt", "c.txt"}));
    clickHeader(2);  // ascending date: newest first
    EXPECT_EQ(captions(view), QStringList({"..", "dir", "c.txt", "b.txt", "a.txt"}));

    EXPECT_EQ(events, QStringList({"click 0", "sorted", "click 0", "sorted", "click 1", "sorted",
                                   "click 1", "sorted", "click 2", "sorted"}));
    QHeaderView* header = view.DetailsView()->header();
    EXPECT_EQ(header->sortIndicatorSection(), 2);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(ListViewTest, HeaderClickWithoutAutoSortOnlyReportsTheColumn)
{
    int clicks = 0;
    int sorts = 0;
    view.OnColumnClick = [&](TOrvoListView*, int column) { clicks += column == 1; };
    view.OnAfterSort = [&](TOrvoListView*) { ++sorts; };
    const QStringList before = captions(view);
    clickHeader(1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(sorts, 0);
    EXPECT_EQ(captions(view), before);
    EXPECT_EQ(view.SortColumn(), -1);
    EXPECT_FALSE(view.DetailsView()->header()->isSortIndicatorShown());
}

TEST_F(ListViewTest, ResortRepeatsTheLastSortOnlyWithAutoSort)
{
    view.SortFiles(1, false, true);
    view.AddItem(QStringLiteral("huge"), {QStringLiteral("5,000"), QString()}, 3);
    view.Resort();  // AutoSort off: nothing
    EXPECT_EQ(captions(view).last(), QStringLiteral("huge"));
    view.AutoSort = true;
    view.Resort();
    EXPECT_EQ(captions(view), QStringList({"..", "huge", "a.txt", "b.txt", "c.txt", "dir"}));
    EXPECT_TRUE(view.SortMixed());

    view.SortByExtension(true);
    view.AddItem(QStringLiteral("x.abc"), {}, 3);
    view.Resort();
    EXPECT_EQ(captions(view).mid(0, 4), QStringList({"..", "dir", "huge", "x.abc"}));
    view.HeaderClick(0);  // after the extension sort a header click starts ascending
    EXPECT_TRUE(view.SortAscending());
}

TEST_F(ListViewTest, SelectionAndCurrentRowFollowTheirRowsThroughSortsAndMoves)
{
    view.SetSelection({0, 4});  // b.txt, c.txt
    view.SetCurrentRow(2);      // a.txt
    view.SortFiles(0, true, false);
    ASSERT_EQ(captions(view), QStringList({"..", "dir", "a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(view.SelectedRows(), std::vector<int>({3, 4}));
    EXPECT_EQ(view.CurrentRow(), 2);

    view.MoveItem(4, 0);  // c.txt to the top, still selected
    EXPECT_EQ(captions(view), QStringList({"c.txt", "..", "dir", "a.txt", "b.txt"}));
    EXPECT_EQ(view.SelectedRows(), std::vector<int>({0, 4}));
    view.MoveItem(0, 2);
    EXPECT_EQ(captions(view), QStringList({"..", "dir", "c.txt", "a.txt", "b.txt"}));
    EXPECT_EQ(view.SelectedRow(), 2);
    EXPECT_TRUE(view.IsSelected(4));
    EXPECT_FALSE(view.IsSelected(3));
}

TEST_F(ListViewTest, DeletingScatteredRowsKeepsTheRestInOrder)
{
    for (int i = 0; i < 200; ++i)
        view.AddItem(QStringLiteral("f%1").arg(i), {}, 3);
    std::vector<int> doomed;
    for (int row = 5; row < 205; row += 2)  // 100 separate runs
        doomed.push_back(row);
    view.SetSelection({6, 7});
    view.DeleteItems(doomed);
    ASSERT_EQ(view.Count(), 105);
    EXPECT_EQ(view.Item(5).Caption, QStringLiteral("f1"));
    EXPECT_EQ(view.Item(104).Caption, QStringLiteral("f199"));
    view.DeleteItem(0);
    EXPECT_EQ(view.Item(0).Caption, QStringLiteral(".."));
    EXPECT_EQ(view.Item(-1).Caption, QString());  // out of range reads as an empty row
}

TEST_F(ListViewTest, BulkUpdatesReachTheViewsOnlyAtTheEnd)
{
    int inserted = 0;
    int resets = 0;
    QObject::connect(view.Model(), &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    QObject::connect(view.Model(), &QAbstractItemModel::modelReset, [&] { ++resets; });

    view.SetSelected(1, true);
    view.BeginUpdate();
    for (int i = 0; i < 1000; ++i)
        view.AddItem(QStringLiteral("n%1").arg(i), {QStringLiteral("1")}, 3);
    EXPECT_EQ(view.DetailsView()->model()->rowCount(), 5);  // not announced yet
    view.EndUpdate();
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(view.DetailsView()->model()->rowCount(), 1005);
    EXPECT_TRUE(view.IsSelected(1));  // appending keeps the selection

    // Emptying and refilling inside one update is announced as one reset; the columns keep
    // their widths.
    view.SetColumnWidth(0, 123);
    view.BeginUpdate();
    view.Clear();
    view.AddItem(QStringLiteral("only"), {}, 3);
    view.SortFiles(0, true, false);
    view.EndUpdate();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(view.Count(), 1);
    EXPECT_EQ(view.DetailsView()->model()->rowCount(), 1);
    EXPECT_EQ(view.ColumnWidth(0), 123);
}

TEST_F(ListViewTest, EveryStyleSharesOneSelection)
{
    const TViewStyle styles[] = {vsIcon, vsSmallIcon, vsList, vsReport};
    for (TViewStyle style : styles) {
        view.SetViewStyle(style);
        EXPECT_EQ(view.ViewStyle(), style);
        QAbstractItemView* shown = style == vsReport ? static_cast<QAbstractItemView*>(view.DetailsView())
                                                     : view.IconView();
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ(shown->selectionModel(), view.SelectionModel());
    }
    view.SetViewStyle(vsList);
    QListView* list = view.IconView();
    list->selectionModel()->select(list->model()->index(2, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view.SetViewStyle(vsReport);
    EXPECT_EQ(view.SelectedRows(), std::vector<int>({2}));

    // The list styles size every item to the widest caption.
    const QString longName(60, QLatin1Char('w'));
    view.AddItem(longName, {}, 3);
    view.SetViewStyle(vsList);
    const QRect rect = list->visualRect(list->model()->index(0, 0));
    EXPECT_GE(rect.width(), std::min(300, list->fontMetrics().horizontalAdvance(longName)));
}

TEST_F(ListViewTest, AutoSizeColumnsFitsTextsAndCaptions)
{
    const QString longName = QStringLiteral("a rather long file name that needs room.txt");
    view.AddItem(longName, {QStringLiteral("1,234,567,890"), QStringLiteral("12/31/99 11:59 PM")}, 3);
    view.AutoSizeColumns();
    const QFontMetrics metrics(view.DetailsView()->font());
    EXPECT_GE(view.ColumnWidth(0), metrics.horizontalAdvance(longName) + 16);
    EXPECT_GE(view.ColumnWidth(1), metrics.horizontalAdvance(QStringLiteral("1,234,567,890")));
    EXPECT_GE(view.ColumnWidth(2), metrics.horizontalAdvance(QStringLiteral("12/31/99 11:59 PM")));
    EXPECT_LT(view.ColumnWidth(2), metrics.horizontalAdvance(QStringLiteral("12/31/99 11:59 PM")) + 40);
}

TEST_F(ListViewTest, SwitchesOfTheSettings)
{
    view.SetShowColumnHeaders(false);
    EXPECT_TRUE(view.DetailsView()->isHeaderHidden());
    view.SetShowColumnHeaders(true);
    EXPECT_FALSE(view.DetailsView()->isHeaderHidden());

    EXPECT_FALSE(view.DetailsView()->dragEnabled());  // rows drag out only when asked
    view.SetDragEnabled(true);
    EXPECT_TRUE(view.DetailsView()->dragEnabled() && view.IconView()->dragEnabled());

    view.SetRowSelect(true);
    EXPECT_TRUE(view.DetailsView()->allColumnsShowFocus());
    view.SetMultiSelect(false);
    EXPECT_EQ(view.DetailsView()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(view.IconView()->selectionMode(), QAbstractItemView::SingleSelection);

    const QAbstractItemModel* model = view.DetailsView()->model();
    EXPECT_TRUE(model->data(model->index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    EXPECT_TRUE(model->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight);

    view.SetSubItem(0, 2, QStringLiteral("-rw-r--r--"));  // a fourth column's text
    EXPECT_EQ(view.Item(0).SubItems, QStringList({"20", "1/2/24 1:00 PM", "-rw-r--r--"}));
    view.SetCaption(0, QStringLiteral("renamed"));
    view.SetImageIndex(0, 2);
    EXPECT_EQ(view.Item(0).Caption, QStringLiteral("renamed"));
    EXPECT_EQ(view.Item(0).ImageIndex, 2);
}

TEST_F(ListViewTest, KeysAndDoubleClicksReachTheOwner)
{
    int enters = 0;
    QList<int> keys;
    int doubleClicked = -2;
    view.OnKeyDown = [&](TOrvoListView*, QKeyEvent* event) {
        keys << event->key();
        return event->key() == Qt::Key_Down;  // handled: the view must not move
    };
    view.OnDblClick = [&](TOrvoListView*, int row) { doubleClicked = row; };
    view.OnEnter = [&](TOrvoListView*) { ++enters; };
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.setFocus();
    view.SetCurrentRow(0);
    QTest::keyClick(view.DetailsView(), Qt::Key_Down);
    EXPECT_EQ(view.CurrentRow(), 0);
    QTest::keyClick(view.DetailsView(), Qt::Key_Backspace);
    EXPECT_EQ(keys, QList<int>({Qt::Key_Down, Qt::Key_Backspace}));

    QTreeView* details = view.DetailsView();
    const QRect rect = details->visualRect(details->model()->index(3, 0));
    QTest::mouseClick(details->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(details->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(doubleClicked, 3);
    EXPECT_EQ(view.ItemAt(details->viewport()->mapTo(&view, rect.center())), 3);
    EXPECT_GE(enters, 1);
}

}  // namespace
