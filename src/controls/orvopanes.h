#pragma once

// The two inner views of TOrvoListView and their painting. Private to the control.

#include "controls/orvoview.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>

// Paints the rows of one pane. In the list styles every item takes the size the control
// computed once, so laying out 100,000 rows measures no text. In details, a selected row is
// highlighted only in its caption unless whole-row selection is on, as in a report list.
// The row under a drag of rows is marked.
class TOrvoItemDelegate : public QStyledItemDelegate
{
public:
    TOrvoItemDelegate(const TOrvoListView* owner, bool details, QObject* parent);

    void setFixedSize(QSize size) { m_fixedSize = size; }
    QSize fixedSize() const { return m_fixedSize; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const TOrvoListView* m_owner;
    bool m_details;
    QSize m_fixedSize;
};

// One inner view (QListView or QTreeView). Drags, drops, keys, mouse release, context menu and
// focus go to the owning control, which raises its events.
template <class View>
class TOrvoPane : public View
{
public:
    explicit TOrvoPane(TOrvoListView* owner)
        : View(owner), m_owner(owner)
    {
    }

    QStyleOptionViewItem itemOption() const
    {
        QStyleOptionViewItem option;
        this->initViewItemOption(&option);
        return option;
    }

protected:
    void startDrag(Qt::DropActions) override { m_owner->paneStartDrag(this); }

    // The base handlers keep the drag state and scroll near the edges; the owner decides.
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        View::dragEnterEvent(event);
        const bool taken = m_owner->paneDragMove(this, event);
        this->setState(taken ? QAbstractItemView::DraggingState : QAbstractItemView::NoState);
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        View::dragMoveEvent(event);
        m_owner->paneDragMove(this, event);
    }
    void dragLeaveEvent(QDragLeaveEvent* event) override
    {
        View::dragLeaveEvent(event);
        m_owner->paneDragLeave();
    }
    void dropEvent(QDropEvent* event) override
    {
        this->stopAutoScroll();
        this->setState(QAbstractItemView::NoState);
        m_owner->paneDrop(this, event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        if (!m_owner->paneKey(event))
            View::keyPressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        View::mouseReleaseEvent(event);
        m_owner->paneMouseUp(this, event->button(), event->position().toPoint());
    }
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        if (m_owner->paneContextMenu(event->globalPos()))
            event->accept();
        else
            View::contextMenuEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override
    {
        View::focusInEvent(event);
        m_owner->paneFocus(true);
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        View::focusOutEvent(event);
        m_owner->paneFocus(false);
    }

private:
    TOrvoListView* m_owner;
};
