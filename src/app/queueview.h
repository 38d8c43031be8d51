#pragma once

#include "controls/listitem.h"
#include "transfers/queueentry.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QTimer>
#include <vector>

class QStyle;
class TOrvoListView;
class TransferQueue;

// The queue list: a TOrvoListView showing the TransferQueue, row for row in queue order
// ("Name" is the source, "Size" the size text, "Target" the target; the icon tells the
// kind). It follows the queue's signals one operation at a time, and fits the columns once
// per turn of the event loop, never once per row, and at most four times a second while a
// batch takes entries away one by one (a fit looks at every row).
class QueueView : public QObject
{
    Q_OBJECT

public:
    QueueView(TransferQueue& queue, TOrvoListView& view, QObject* parent = nullptr);

    TransferQueue& Queue() const { return m_queue; }
    TOrvoListView& View() const { return m_view; }

    // The row of an entry.
    static TListItem RowOf(const QueueEntry& entry);
    // QueueIcons: download folder, download file, upload folder, upload file.
    static QList<QIcon> QueueIcons(const QStyle* style);

    // While a batch takes entries from the front one by one, the list drops them together at
    // most ten times a second: the list lays out every row again after each removal, which
    // would make a batch of many small files quadratic. Rows and selections below are the
    // queue's rows whatever the list still shows.
    void SetPaced(bool paced);
    // The queue row a row of the list shows; -1 for a row the queue no longer holds.
    int QueueRowOf(int listRow) const;

    // The selected rows (ascending) and the identities of their entries.
    std::vector<int> SelectedRows() const;
    std::vector<quint64> SelectedIds() const;
    // Selects these rows only, the first of them current and scrolled into view.
    void SelectRows(const std::vector<int>& rows);

    // The columns fit their contents at the next turn of the event loop.
    void ScheduleFit();
    // The fit runs now if one is due (tests and benchmarks).
    void FitNow();

private:
    void onInserted(int first, int count);
    void onRemoved(const QList<int>& rows);
    void onChanged(int first, int last);
    void onReset();

    TransferQueue& m_queue;
    TOrvoListView& m_view;
    void fit();
    void dropHeldRows();

    QTimer m_fit;
    QTimer m_dropHeld;
    bool m_paced = false;
    int m_held = 0;  // rows at the top of the list whose entries have left the queue
    QElapsedTimer m_sinceFit;
};
