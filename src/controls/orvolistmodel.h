#pragma once

#include "controls/listitem.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <vector>

// The rows and columns of one TOrvoListView. Rows live in one vector in display order, so a
// sort is a permutation of that vector and the owner reads rows by their position.
//
// Between beginUpdate and endUpdate the views are told nothing: appended rows are announced
// in one insertion at the end, any other change as one reset. That keeps filling 100,000 rows
// linear. Row numbers given to the views never point past the published row count.
class TOrvoListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ImageIndexRole = Qt::UserRole + 1;

    explicit TOrvoListModel(QObject* parent = nullptr);

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Columns
    const QList<TListColumn>& columns() const { return m_columns; }
    void setColumns(const QList<TListColumn>& columns);

    // Icons by image index; the icon modes draw them large, the other styles small.
    void setImages(const QList<QIcon>& images);
    QIcon imageFor(int imageIndex) const;

    // Rows
    const std::vector<TListItem>& items() const { return m_items; }
    int count() const { return int(m_items.size()); }
    int append(TListItem item);
    void insert(int row, TListItem item);
    // Several rows at once before `row`, in one notification.
    void insert(int row, std::vector<TListItem> items);
    void replace(int row, TListItem item);
    void setColumnText(int row, int column, const QString& text);
    void setImageIndex(int row, int imageIndex);
    void remove(std::vector<int> rows);
    void clear();
    // Puts the rows in the given order (order[newRow] = oldRow), keeping selection and current
    // row with their rows.
    void reorder(const std::vector<int>& order);

    void beginUpdate();
    void endUpdate();
    bool updating() const { return m_updateDepth > 0; }

private:
    bool valid(int row) const { return row >= 0 && row < int(m_items.size()); }
    void rowChanged(int row);
    void structureChangedWhileUpdating();

    std::vector<TListItem> m_items;
    QList<TListColumn> m_columns;
    QList<QIcon> m_images;
    int m_published = 0;  // rows the views know about
    int m_updateDepth = 0;
    bool m_resetPending = false;
};
