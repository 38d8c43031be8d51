#include "app/queueview.h"

#include "controls/columnfit.h"
#include "controls/orvoview.h"
#include "transfers/transferqueue.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

QueueView::QueueView(TransferQueue& queue, TOrvoListView& view, QObject* parent)
    : QObject(parent)
    , m_queue(queue)
    , m_view(view)
{
    m_view.ClearColumns();
    m_view.AddColumn(QStringLiteral("Name"), 100);
    m_view.AddColumn(QStringLiteral("Size"), 65, Qt::AlignRight);
    m_view.AddColumn(QStringLiteral("Target"), 95);
    m_view.SetViewStyle(vsReport);
    m_view.SetMultiSelect(true);
    m_view.SetRowSelect(true);
    m_view.SetDragEnabled(true);
    m_view.SetAcceptFiles(true);
    m_view.SetImages(QueueIcons(m_view.style()));

    m_fit.setSingleShot(true);
    m_fit.setInterval(0);
    connect(&m_fit, &QTimer::timeout, this, &QueueView::fit);
    m_dropHeld.setSingleShot(true);
    m_dropHeld.setInterval(100);
    connect(&m_dropHeld, &QTimer::timeout, this, &QueueView::dropHeldRows);
    connect(&queue, &TransferQueue::entriesInserted, this, &QueueView::onInserted);
    connect(&queue, &TransferQueue::entriesRemoved, this, &QueueView::onRemoved);
    connect(&queue, &TransferQueue::entriesChanged, this, &QueueView::onChanged);
    connect(&queue, &TransferQueue::entriesReset, this, &QueueView::onReset);
    connect(&queue, &TransferQueue::contentsChanged, this, &QueueView::ScheduleFit);
    onReset();
}

TListItem QueueView::RowOf(const QueueEntry& entry)
{
    TListItem item;
    item.Caption = entry.source;
    item.SubItems = {entry.sizeText, entry.target};
    item.ImageIndex = entry.kind;
    return item;
}

namespace {

// A file or folder icon with an arrow in its lower right corner: down for downloads, up
// for uploads.
QIcon kindIcon(const QStyle* style, bool folder, bool upload)
{
    const QIcon base = style->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    const QIcon arrow = style->standardIcon(upload ? QStyle::SP_ArrowUp : QStyle::SP_ArrowDown);
    QIcon icon;
    for (const int side : {16, 24, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.drawPixmap(0, 0, base.pixmap(side, side));
        const int small = side * 5 / 8;
        painter.drawPixmap(side - small, side - small, arrow.pixmap(small, small));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QList<QIcon> QueueView::QueueIcons(const QStyle* style)
{
    return {kindIcon(style, true, false), kindIcon(style, false, false), kindIcon(style, true, true),
            kindIcon(style, false, true)};
}

// --- Following the queue ---------------------------------------------------------------------

void QueueView::SetPaced(bool paced)
{
    m_paced = paced;
    if (!paced)
        dropHeldRows();
}

void QueueView::dropHeldRows()
{
    m_dropHeld.stop();
    if (m_held == 0)
        return;
    std::vector<int> rows(static_cast<size_t>(m_held));
    for (int row = 0; row < m_held; ++row)
        rows[size_t(row)] = row;
    m_held = 0;
    m_view.DeleteItems(rows);
}

int QueueView::QueueRowOf(int listRow) const
{
    return listRow < 0 ? listRow : (listRow < m_held ? -1 : listRow - m_held);
}

void QueueView::onInserted(int first, int count)
{
    dropHeldRows();
    std::vector<TListItem> rows;
    rows.reserve(size_t(count));
    for (int row = first; row < first + count; ++row)
        rows.push_back(RowOf(m_queue.at(row)));
    m_view.InsertItems(first, std::move(rows));
}

void QueueView::onRemoved(const QList<int>& rows)
{
    // The first entry of the queue is the row just below the held ones.
    if (m_paced && rows.size() == 1 && rows.front() == 0) {
        ++m_held;
        if (!m_dropHeld.isActive())
            m_dropHeld.start();
        return;
    }
    dropHeldRows();
    m_view.DeleteItems(std::vector<int>(rows.begin(), rows.end()));
}

void QueueView::onChanged(int first, int last)
{
    dropHeldRows();
    for (int row = first; row <= last; ++row)
        m_view.SetItem(row, RowOf(m_queue.at(row)));
}

void QueueView::onReset()
{
    m_held = 0;
    m_dropHeld.stop();
    m_view.BeginUpdate();
    m_view.Clear();
    for (const QueueEntry& entry : m_queue.entries())
        m_view.AddItem(RowOf(entry));
    m_view.EndUpdate();
}

// --- Selection and columns -------------------------------------------------------------------

std::vector<int> QueueView::SelectedRows() const
{
    std::vector<int> rows;
    for (const int row : m_view.SelectedRows()) {
        if (const int queueRow = QueueRowOf(row); queueRow >= 0)
            rows.push_back(queueRow);
    }
    return rows;
}

std::vector<quint64> QueueView::SelectedIds() const
{
    std::vector<quint64> ids;
    for (const int row : SelectedRows()) {
        if (row < m_queue.count())
            ids.push_back(m_queue.at(row).id);
    }
    return ids;
}

void QueueView::SelectRows(const std::vector<int>& rows)
{
    std::vector<int> listRows;
    listRows.reserve(rows.size());
    for (const int row : rows)
        listRows.push_back(row + m_held);
    m_view.SetSelection(listRows);
    if (listRows.empty())
        return;
    m_view.SetCurrentRow(listRows.front());
    m_view.ScrollTo(listRows.front());
}

namespace {

constexpr qint64 FitIntervalMs = 250;

}  // namespace

void QueueView::ScheduleFit()
{
    if (m_fit.isActive())
        return;
    const qint64 since = m_sinceFit.isValid() ? m_sinceFit.elapsed() : FitIntervalMs;
    m_fit.start(int(qMax<qint64>(0, FitIntervalMs - since)));
}

void QueueView::FitNow()
{
    if (m_fit.isActive())
        fit();
}

void QueueView::fit()
{
    m_fit.stop();
    FitColumns(m_view);
    m_sinceFit.start();
}
