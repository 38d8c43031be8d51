#include "controls/orvolistmodel.h"

#include <algorithm>

TOrvoListModel::TOrvoListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int TOrvoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_published;
}

int TOrvoListModel::columnCount(const QModelIndex& parent) const
{
    // The icon and list styles show column 0, so there is always one.
    return parent.isValid() ? 0 : std::max(1, int(m_columns.size()));
}

QVariant TOrvoListModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || !valid(row))
        return {};
    const TListItem& item = m_items[size_t(row)];
    switch (role) {
    case Qt::DisplayRole:
        return item.columnText(index.column());
    case Qt::ToolTipRole:  // long names are elided in the list styles
        return index.column() == 0 ? QVariant(item.Caption) : QVariant();
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(imageFor(item.ImageIndex)) : QVariant();
    case Qt::TextAlignmentRole:
        if (index.column() > 0 && index.column() < m_columns.size())
            return int(m_columns.at(index.column()).Alignment | Qt::AlignVCenter);
        return {};
    case ImageIndexRole:
        return item.ImageIndex;
    default:
        return {};
    }
}

QVariant TOrvoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns.at(section).Caption;
    if (role == Qt::TextAlignmentRole)
        return int(m_columns.at(section).Alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TOrvoListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled
           | Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren;
}

void TOrvoListModel::setColumns(const QList<TListColumn>& columns)
{
    // Column changes are rare (set up once per view): a reset is simplest and keeps the
    // header sections in step.
    beginResetModel();
    m_columns = columns;
    m_published = int(m_items.size());
    m_resetPending = false;
    endResetModel();
}

void TOrvoListModel::setImages(const QList<QIcon>& images)
{
    m_images = images;
    if (m_published > 0)
        emit dataChanged(index(0, 0), index(m_published - 1, 0), {Qt::DecorationRole});
}

QIcon TOrvoListModel::imageFor(int imageIndex) const
{
    return imageIndex >= 0 && imageIndex < m_images.size() ? m_images.at(imageIndex) : QIcon();
}

void TOrvoListModel::structureChangedWhileUpdating()
{
    m_resetPending = true;
}

void TOrvoListModel::rowChanged(int row)
{
    if (updating()) {
        structureChangedWhileUpdating();
        return;
    }
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int TOrvoListModel::append(TListItem item)
{
    const int row = int(m_items.size());
    if (updating()) {
        m_items.push_back(std::move(item));
        return row;
    }
    beginInsertRows({}, row, row);
    m_items.push_back(std::move(item));
    m_published = row + 1;
    endInsertRows();
    return row;
}

void TOrvoListModel::insert(int row, TListItem item)
{
    row = std::clamp(row, 0, int(m_items.size()));
    if (updating()) {
        if (row < int(m_items.size()))
            structureChangedWhileUpdating();
        m_items.insert(m_items.begin() + row, std::move(item));
        return;
    }
    beginInsertRows({}, row, row);
    m_items.insert(m_items.begin() + row, std::move(item));
    m_published = int(m_items.size());
    endInsertRows();
}

void TOrvoListModel::insert(int row, std::vector<TListItem> items)
{
    if (items.empty())
        return;
    row = std::clamp(row, 0, int(m_items.size()));
    const int added = int(items.size());
    const auto place = [&] {
        m_items.insert(m_items.begin() + row, std::make_move_iterator(items.begin()),
                       std::make_move_iterator(items.end()));
    };
    if (updating()) {
        if (row < int(m_items.size()))
            structureChangedWhileUpdating();
        place();
        return;
    }
    beginInsertRows({}, row, row + added - 1);
    place();
    m_published = int(m_items.size());
    endInsertRows();
}

void TOrvoListModel::replace(int row, TListItem item)
{
    if (!valid(row))
        return;
    m_items[size_t(row)] = std::move(item);
    rowChanged(row);
}

void TOrvoListModel::setColumnText(int row, int column, const QString& text)
{
    if (!valid(row) || column < 0)
        return;
    TListItem& item = m_items[size_t(row)];
    if (column == 0) {
        item.Caption = text;
    } else {
        while (item.SubItems.size() < column)
            item.SubItems.append(QString());
        item.SubItems[column - 1] = text;
    }
    rowChanged(row);
}

void TOrvoListModel::setImageIndex(int row, int imageIndex)
{
    if (!valid(row))
        return;
    m_items[size_t(row)].ImageIndex = imageIndex;
    rowChanged(row);
}

void TOrvoListModel::remove(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [this](int r) { return !valid(r); }),
               rows.end());
    if (rows.empty())
        return;

    // Runs of adjacent rows go in one notification each, from the bottom up so the row
    // numbers still to come stay valid. Scattered removals of many rows become one reset.
    std::vector<std::pair<int, int>> runs;
    for (int row : rows) {
        if (!runs.empty() && runs.back().second + 1 == row)
            runs.back().second = row;
        else
            runs.emplace_back(row, row);
    }
    const bool asReset = updating() || runs.size() > 64;
    if (asReset && !updating())
        beginResetModel();
    if (asReset) {
        std::vector<char> doomed(m_items.size(), 0);
        for (int row : rows)
            doomed[size_t(row)] = 1;
        size_t out = 0;
        for (size_t in = 0; in < m_items.size(); ++in) {
            if (!doomed[in])
                m_items[out++] = std::move(m_items[in]);
        }
        m_items.resize(out);
        if (updating()) {
            structureChangedWhileUpdating();
            return;
        }
        m_published = int(m_items.size());
        endResetModel();
        return;
    }
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        beginRemoveRows({}, run->first, run->second);
        m_items.erase(m_items.begin() + run->first, m_items.begin() + run->second + 1);
        m_published = int(m_items.size());
        endRemoveRows();
    }
}

void TOrvoListModel::clear()
{
    if (updating()) {
        if (!m_items.empty())
            structureChangedWhileUpdating();
        m_items.clear();
        return;
    }
    beginResetModel();
    m_items.clear();
    m_published = 0;
    endResetModel();
}

void TOrvoListModel::reorder(const std::vector<int>& order)
{
    if (order.size() != m_items.size())
        return;
    std::vector<TListItem> sorted;
    sorted.reserve(m_items.size());
    for (int oldRow : order)
        sorted.push_back(std::move(m_items[size_t(oldRow)]));
    if (updating()) {
        m_items = std::move(sorted);
        structureChangedWhileUpdating();
        return;
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_items = std::move(sorted);
    std::vector<int> newRowOf(order.size());
    for (size_t newRow = 0; newRow < order.size(); ++newRow)
        newRowOf[size_t(order[newRow])] = int(newRow);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before)
        after.append(index(newRowOf[size_t(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TOrvoListModel::beginUpdate()
{
    ++m_updateDepth;
}

void TOrvoListModel::endUpdate()
{
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    const int total = int(m_items.size());
    if (m_resetPending || total < m_published) {
        beginResetModel();
        m_published = total;
        m_resetPending = false;
        endResetModel();
    } else if (total > m_published) {
        beginInsertRows({}, m_published, total - 1);
        m_published = total;
        endInsertRows();
    }
}
