// Drag and drop, keys, mouse and focus of TOrvoListView: what the inner panes pass on.
#include "controls/orvolistmodel.h"
#include "controls/orvopanes.h"
#include "controls/orvoview.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QDrag>
#include <QListView>
#include <QMimeData>
#include <QPointer>
#include <QSet>
#include <QTreeView>
#include <QUrl>

namespace {

// Views alive in this process, so a drag's view pointer is checked before it is used.
QSet<const TOrvoListView*>& liveViews()
{
    static QSet<const TOrvoListView*> views;
    return views;
}

struct RowsPayload
{
    qint64 pid = 0;
    quintptr view = 0;
    QList<int> rows;
};

std::optional<RowsPayload> readPayload(const QMimeData* data)
{
    if (!data || !data->hasFormat(QLatin1String(TOrvoListView::RowsMimeType)))
        return std::nullopt;
    QByteArray bytes = data->data(QLatin1String(TOrvoListView::RowsMimeType));
    QDataStream in(&bytes, QIODevice::ReadOnly);
    RowsPayload payload;
    quint64 view = 0;
    in >> payload.pid >> view >> payload.rows;
    if (in.status() != QDataStream::Ok || payload.pid != QCoreApplication::applicationPid())
        return std::nullopt;
    payload.view = quintptr(view);
    return payload;
}

// A drop never asks the source to delete anything: files dragged from a file manager stay
// where they are whatever the user's modifier keys proposed.
bool offerCopy(QDropEvent* event)
{
    if (!(event->possibleActions() & Qt::CopyAction))
        return false;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

}  // namespace

void TOrvoListView::registerLiveView(TOrvoListView* view, bool alive)
{
    if (alive)
        liveViews().insert(view);
    else
        liveViews().remove(view);
}

QMimeData* TOrvoListView::CreateDragData() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    QList<int> rows;
    for (int row : SelectedRows())
        rows.append(row);
    out << qint64(QCoreApplication::applicationPid()) << quint64(quintptr(this)) << rows;
    auto* data = new QMimeData;
    data->setData(QLatin1String(RowsMimeType), bytes);
    if (auto hook = OnDragData)
        hook(const_cast<TOrvoListView*>(this), data);
    return data;
}

TOrvoListView* TOrvoListView::DragSource(const QMimeData* data)
{
    const auto payload = readPayload(data);
    if (!payload)
        return nullptr;
    auto* view = reinterpret_cast<TOrvoListView*>(payload->view);
    return liveViews().contains(view) ? view : nullptr;
}

std::vector<int> TOrvoListView::DraggedRows(const QMimeData* data)
{
    const auto payload = readPayload(data);
    if (!payload)
        return {};
    return std::vector<int>(payload->rows.begin(), payload->rows.end());
}

QStringList TOrvoListView::DroppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            files.append(QDir::cleanPath(path));
    }
    return files;
}

void TOrvoListView::setDropTarget(int row)
{
    if (row == m_dropTarget)
        return;
    m_dropTarget = row;
    static_cast<QAbstractItemView*>(currentPane())->viewport()->update();
}

bool TOrvoListView::paneDragMove(QWidget* pane, QDragMoveEvent* event)
{
    const QPoint viewportPos = event->position().toPoint();
    const QModelIndex index = static_cast<QAbstractItemView*>(pane)->indexAt(viewportPos);
    const int row = index.isValid() ? index.row() : -1;
    bool taken = false;
    if (TOrvoListView* source = DragSource(event->mimeData())) {
        auto hook = OnDragOver;
        taken = hook && hook(source, row, paneToControl(pane, viewportPos)) && offerCopy(event);
        setDropTarget(taken ? row : -1);
    } else if (m_acceptFiles && !DroppedFiles(event->mimeData()).isEmpty()) {
        taken = offerCopy(event);
    }
    if (!taken)
        event->ignore();
    return taken;
}

void TOrvoListView::paneDragLeave()
{
    setDropTarget(-1);
}

// The owner's handlers run after the drop has completed: they may ask questions or start
// transfers, and the dragging program should not wait for that.
void TOrvoListView::paneDrop(QWidget* pane, QDropEvent* event)
{
    setDropTarget(-1);
    const QPoint viewportPos = event->position().toPoint();
    const QPoint pos = paneToControl(pane, viewportPos);
    const QModelIndex index = static_cast<QAbstractItemView*>(pane)->indexAt(viewportPos);
    const int row = index.isValid() ? index.row() : -1;
    QPointer<TOrvoListView> self(this);

    if (TOrvoListView* source = DragSource(event->mimeData())) {
        auto over = OnDragOver;
        if (!over || !over(source, row, pos) || !offerCopy(event)) {
            event->ignore();
            return;
        }
        QPointer<TOrvoListView> from(source);
        QMetaObject::invokeMethod(this, [self, from, row, pos] {
            if (!self || !from)
                return;
            if (auto hook = self->OnDragDrop)
                hook(from, row, pos);
        }, Qt::QueuedConnection);
        return;
    }

    const QStringList files = DroppedFiles(event->mimeData());
    if (!m_acceptFiles || files.isEmpty() || !offerCopy(event)) {
        event->ignore();
        return;
    }
    QMetaObject::invokeMethod(this, [self, files, pos] {
        if (!self)
            return;
        if (auto hook = self->OnFileDrop)
            hook(files, pos.x(), pos.y());
    }, Qt::QueuedConnection);
}

void TOrvoListView::paneStartDrag(QWidget* pane)
{
    const std::vector<int> rows = SelectedRows();
    if (!m_dragEnabled || rows.empty())
        return;
    auto* drag = new QDrag(pane);
    drag->setMimeData(CreateDragData());
    const int iconSide = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    const QIcon icon = m_model->imageFor(Item(rows.front()).ImageIndex);
    if (!icon.isNull())
        drag->setPixmap(icon.pixmap(iconSide, iconSide));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

bool TOrvoListView::paneKey(QKeyEvent* event)
{
    auto hook = OnKeyDown;
    return hook && hook(this, event);
}

void TOrvoListView::paneMouseUp(QWidget* pane, Qt::MouseButton button, QPoint viewportPos)
{
    if (auto hook = OnMouseUp)
        hook(this, button, paneToControl(pane, viewportPos));
}

bool TOrvoListView::paneContextMenu(QPoint globalPos)
{
    auto hook = OnContextMenu;
    if (!hook)
        return false;
    hook(this, globalPos);
    return true;
}

void TOrvoListView::paneFocus(bool in)
{
    if (m_switching || m_dying)
        return;
    if (auto hook = in ? OnEnter : OnExit)
        hook(this);
}
