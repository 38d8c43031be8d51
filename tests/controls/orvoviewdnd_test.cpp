// Drops on the list view: files from the desktop, rows dragged between views of the program,
// and what a drag out of a view carries.
#include "controls/orvoview.h"
#include "testutil.h"
#include "viewtestutil.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>
#include <gtest/gtest.h>

using namespace viewtest;

namespace {

struct DropResult
{
    bool enterAccepted = false;
    bool dropAccepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

// Plays a drag entering, moving over and dropping on the details view at `pos` (viewport
// coordinates), as the platform delivers it.
DropResult dropOn(TOrvoListView& view, const QMimeData& data, QPoint pos,
                  Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction)
{
    QWidget* viewport = view.DetailsView()->viewport();
    DropResult result;
    QDragEnterEvent enter(pos, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    result.enterAccepted = enter.isAccepted();
    if (result.enterAccepted) {
        QDragMoveEvent move(pos, actions, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
    }
    QDropEvent drop(pos, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &drop);
    result.dropAccepted = drop.isAccepted();
    result.action = drop.dropAction();
    return result;
}

QPoint rowCenter(TOrvoListView& view, int row)
{
    QTreeView* details = view.DetailsView();
    return details->visualRect(details->model()->index(row, 0)).center();
}

class DropTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (TOrvoListView* v : {&local, &remote}) {
            v->AddColumn(QStringLiteral("Name"), 100);
            v->resize(300, 200);
            fill(*v, {{"..", "", "", 0}, {"dir", "", "", 1}, {"a.txt", "1", "", 3},
                      {"b.txt", "2", "", 3}});
            v->show();
        }
        desktopFiles.setUrls({QUrl::fromLocalFile(QStringLiteral("/home/u/one.txt")),
                              QUrl::fromLocalFile(QStringLiteral("/home/u/my dir/")),
                              QUrl::fromLocalFile(QStringLiteral("/tmp/three"))});
    }

    TOrvoListView local;
    TOrvoListView remote;
    QMimeData desktopFiles;
};

TEST_F(DropTest, DesktopFilesArriveOnceWithFullPathsAndThePoint)
{
    int drops = 0;
    QStringList files;
    QPoint at;
    remote.OnFileDrop = [&](const QStringList& f, int x, int y) {
        ++drops;
        files = f;
        at = QPoint(x, y);
    };
    remote.SetAcceptFiles(true);
    const QPoint pos(40, 20);
    const DropResult result = dropOn(remote, desktopFiles, pos);
    EXPECT_TRUE(result.enterAccepted);
    EXPECT_TRUE(result.dropAccepted);
    EXPECT_EQ(result.action, Qt::CopyAction);  // never a move: the source keeps its files

    ASSERT_TRUE(testutil::waitFor([&] { return drops > 0; }, 2000));
    testutil::spin(50);
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(files, QStringList({"/home/u/one.txt", "/home/u/my dir", "/tmp/three"}));
    EXPECT_EQ(at, remote.DetailsView()->viewport()->mapTo(&remote, pos));
}

TEST_F(DropTest, NothingArrivesWithoutAcceptFiles)
{
    int drops = 0;
    remote.OnFileDrop = [&](const QStringList&, int, int) { ++drops; };
    EXPECT_FALSE(dropOn(remote, desktopFiles, QPoint(40, 20)).dropAccepted);
    remote.SetAcceptFiles(true);
    remote.SetAcceptFiles(false);
    EXPECT_FALSE(dropOn(remote, desktopFiles, QPoint(40, 20)).enterAccepted);
    testutil::spin(50);
    EXPECT_EQ(drops, 0);
}

TEST_F(DropTest, DropsWithoutLocalFilesOrACopyAreRefused)
{
    int drops = 0;
    remote.OnFileDrop = [&](const QStringList&, int, int) { ++drops; };
    remote.SetAcceptFiles(true);
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.invalid/file.zip"))});
    EXPECT_FALSE(dropOn(remote, web, QPoint(40, 20)).dropAccepted);
    // A source that only offers to move would delete the user's files after the drop.
    EXPECT_FALSE(dropOn(remote, desktopFiles, QPoint(40, 20), Qt::MoveAction).dropAccepted);
    testutil::spin(50);
    EXPECT_EQ(drops, 0);
}

TEST_F(DropTest, RowsDraggedBetweenViewsNameTheirSourceAndTarget)
{
    local.SetSelection({2, 3});
    std::unique_ptr<QMimeData> data(local.CreateDragData());
    EXPECT_EQ(TOrvoListView::DragSource(data.get()), &local);
    EXPECT_EQ(TOrvoListView::DraggedRows(data.get()), std::vector<int>({2, 3}));

    QList<int> offeredRows;
    remote.OnDragOver = [&](TOrvoListView* source, int row, QPoint) {
        offeredRows << row;
        return source == &local && row == 1;  // only onto the folder
    };
    TOrvoListView* droppedFrom = nullptr;
    int droppedOn = -2;
    remote.OnDragDrop = [&](TOrvoListView* source, int row, QPoint) {
        droppedFrom = source;
        droppedOn = row;
    };
    EXPECT_FALSE(dropOn(remote, *data, rowCenter(remote, 2)).dropAccepted);
    EXPECT_EQ(remote.DropTargetRow(), -1);
    EXPECT_TRUE(dropOn(remote, *data, rowCenter(remote, 1)).dropAccepted);
    ASSERT_TRUE(testutil::waitFor([&] { return droppedFrom != nullptr; }, 2000));
    EXPECT_EQ(droppedFrom, &local);
    EXPECT_EQ(droppedOn, 1);
    EXPECT_TRUE(offeredRows.contains(2));
    EXPECT_EQ(remote.DropTargetRow(), -1);  // the mark goes with the drop
}

TEST_F(DropTest, RowDragsWinOverTheFilesTheyAlsoCarry)
{
    local.SetSelection({2});
    local.OnDragData = [](TOrvoListView*, QMimeData* data) {
        data->setUrls({QUrl::fromLocalFile(QStringLiteral("/home/u/a.txt"))});
    };
    std::unique_ptr<QMimeData> data(local.CreateDragData());
    ASSERT_TRUE(data->hasUrls());

    int fileDrops = 0;
    int rowDrops = 0;
    remote.SetAcceptFiles(true);
    remote.OnFileDrop = [&](const QStringList&, int, int) { ++fileDrops; };
    remote.OnDragOver = [](TOrvoListView*, int, QPoint) { return true; };
    remote.OnDragDrop = [&](TOrvoListView*, int, QPoint) { ++rowDrops; };
    EXPECT_TRUE(dropOn(remote, *data, QPoint(40, 20)).dropAccepted);
    ASSERT_TRUE(testutil::waitFor([&] { return rowDrops > 0; }, 2000));
    EXPECT_EQ(fileDrops, 0);

    // Without an OnDragOver a view takes no rows.
    TOrvoListView other;
    other.resize(200, 100);
    other.show();
    EXPECT_FALSE(dropOn(other, *data, QPoint(10, 10)).dropAccepted);
}

TEST_F(DropTest, DragDataOfAGoneViewIsIgnored)
{
    QMimeData* data = nullptr;
    {
        TOrvoListView gone;
        gone.AddItem(QStringLiteral("x"), {}, 3);
        gone.SelectAll();
        data = gone.CreateDragData();
    }
    EXPECT_EQ(TOrvoListView::DragSource(data), nullptr);
    int calls = 0;
    remote.OnDragOver = [&](TOrvoListView*, int, QPoint) { return ++calls > 0; };
    EXPECT_FALSE(dropOn(remote, *data, QPoint(40, 20)).dropAccepted);
    EXPECT_EQ(calls, 0);
    delete data;
}

}  // namespace
