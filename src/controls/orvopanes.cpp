#include "controls/orvopanes.h"

#include <QPainter>

TOrvoItemDelegate::TOrvoItemDelegate(const TOrvoListView* owner, bool details, QObject* parent)
    : QStyledItemDelegate(parent), m_owner(owner), m_details(details)
{
}

void TOrvoItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    if (m_details && !m_owner->RowSelect() && index.column() > 0)
        opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (index.row() == m_owner->DropTargetRow()) {
        QColor mark = opt.palette.color(QPalette::Highlight);
        mark.setAlpha(80);
        painter->fillRect(opt.rect, mark);
    }
    QStyledItemDelegate::paint(painter, opt, index);
}

QSize TOrvoItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    if (!m_details && m_fixedSize.isValid())
        return m_fixedSize;
    return QStyledItemDelegate::sizeHint(option, index);
}
