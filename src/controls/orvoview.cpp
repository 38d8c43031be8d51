#include "controls/orvoview.h"

#include "controls/orvolistmodel.h"
#include "controls/orvopanes.h"
#include "controls/textwidth.h"

#include <QHeaderView>
#include <QListView>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <numeric>

namespace {

using DetailsPane = TOrvoPane<QTreeView>;
using ListPane = TOrvoPane<QListView>;

// Widest item of the list styles; longer names are elided rather than widening every cell.
constexpr int MaxListItemWidth = 320;

void shareSelection(QAbstractItemView* view, QAbstractItemModel* model,
                    QItemSelectionModel* shared)
{
    view->setModel(model);
    QItemSelectionModel* own = view->selectionModel();
    view->setSelectionModel(shared);
    if (own != shared)
        delete own;
}

const TListItem& emptyItem()
{
    static const TListItem item;
    return item;
}

}  // namespace

TOrvoListView::TOrvoListView(QWidget* parent)
    : QWidget(parent)
    , m_model(new TOrvoListModel(this))
    , m_selection(new QItemSelectionModel(m_model, this))
    , m_stack(new QStackedWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);

    m_details = new DetailsPane(this);
    m_detailsDelegate = new TOrvoItemDelegate(this, true, this);
    m_details->setItemDelegate(m_detailsDelegate);
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setIndentation(0);
    m_details->setUniformRowHeights(true);  // keeps 100,000 rows cheap to lay out
    m_details->setAllColumnsShowFocus(false);
    m_details->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QHeaderView* header = m_details->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSortIndicatorShown(false);
    shareSelection(m_details, m_model, m_selection);

    m_list = new ListPane(this);
    m_listDelegate = new TOrvoItemDelegate(this, false, this);
    m_list->setItemDelegate(m_listDelegate);
    m_list->setUniformItemSizes(true);
    m_list->setLayoutMode(QListView::SinglePass);
    shareSelection(m_list, m_model, m_selection);

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_details),
                                    static_cast<QAbstractItemView*>(m_list)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setTextElideMode(Qt::ElideRight);
        // Drops are always received and then judged (AcceptFiles, OnDragOver); dragging out
        // follows DragEnabled.
        view->setDragEnabled(false);
        view->setAcceptDrops(true);
        view->viewport()->setAcceptDrops(true);
        view->setDropIndicatorShown(false);
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
            if (auto hook = OnDblClick)
                hook(this, index.row());
        });
    }
    m_stack->addWidget(m_list);
    m_stack->addWidget(m_details);
    m_stack->setCurrentWidget(m_details);
    setFocusProxy(m_details);

    connect(header, &QHeaderView::sectionClicked, this, &TOrvoListView::HeaderClick);
    connect(m_selection, &QItemSelectionModel::selectionChanged, this, [this] {
        if (auto hook = OnSelectionChanged)
            hook(this);
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, &TOrvoListView::scheduleListGrid);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TOrvoListView::scheduleListGrid);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &TOrvoListView::scheduleListGrid);

    QStyle* style = this->style();
    SetImages({style->standardIcon(QStyle::SP_FileDialogToParent),
               style->standardIcon(QStyle::SP_DirIcon),
               style->standardIcon(QStyle::SP_FileLinkIcon),
               style->standardIcon(QStyle::SP_FileIcon)});
    registerLiveView(this, true);
}

TOrvoListView::~TOrvoListView()
{
    registerLiveView(this, false);
    // The panes go first, while the model and the members they call into still exist; losing
    // the focus on the way raises nothing in an owner that may be going away too.
    m_dying = true;
    delete m_stack;
}

// --- Properties -------------------------------------------------------------------------------

void TOrvoListView::SetAcceptFiles(bool accept)
{
    m_acceptFiles = accept;
}

void TOrvoListView::SetViewStyle(TViewStyle style)
{
    if (style < vsIcon || style > vsReport)
        return;
    QWidget* before = currentPane();
    const bool hadFocus = before->hasFocus();
    m_style = style;
    if (style != vsReport)
        setupListPane();
    auto* pane = static_cast<QAbstractItemView*>(currentPane());
    if (pane == before)
        return;
    m_switching = true;
    m_stack->setCurrentWidget(pane);
    setFocusProxy(pane);
    if (hadFocus)
        pane->setFocus();
    if (m_selection->currentIndex().isValid())
        pane->scrollTo(m_selection->currentIndex());
    m_switching = false;
}

void TOrvoListView::setupListPane()
{
    const bool icons = m_style == vsIcon;
    // setViewMode resets flow, wrapping and movement, so it comes first.
    m_list->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
    m_list->setMovement(QListView::Static);
    m_list->setFlow(m_style == vsList ? QListView::TopToBottom : QListView::LeftToRight);
    m_list->setWrapping(true);
    m_list->setWordWrap(icons);
    m_list->setResizeMode(m_autoArrange ? QListView::Adjust : QListView::Fixed);
    const int iconSide = style()->pixelMetric(icons ? QStyle::PM_LargeIconSize
                                                    : QStyle::PM_SmallIconSize, nullptr, m_list);
    m_list->setIconSize(QSize(iconSide, iconSide));
    m_list->setSpacing(icons ? 0 : 1);
    updateListGrid();
}

void TOrvoListView::scheduleListGrid()
{
    if (m_style == vsReport || m_style == vsIcon || m_listGridPending)
        return;
    m_listGridPending = true;
    QTimer::singleShot(0, this, [this] { updateListGrid(); });
}

// The icon styles give every item one size: for the list styles the widest caption (up to a
// limit), so laying out the rows needs no text measuring per row.
void TOrvoListView::updateListGrid()
{
    m_listGridPending = false;
    if (m_style == vsReport)
        return;
    const QFontMetrics metrics(m_list->font());
    const int iconSide = m_list->iconSize().width();
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1);
    QSize size;
    if (m_style == vsIcon) {
        const int width = std::max(iconSide * 2 + 12, metrics.averageCharWidth() * 13);
        size = QSize(width, iconSide + 2 * metrics.lineSpacing() + 3 * margin);
        m_list->setGridSize(size + QSize(6, 6));
    } else {
        TextWidthMeter meter(m_list->font());
        int textWidth = 0;
        const auto& items = m_model->items();
        meter.widest(int(items.size()), [&items](int i) { return items[size_t(i)].Caption; },
                     &textWidth);
        const int width = iconSide + std::max(textWidth, 0) + 3 * margin;
        size = QSize(std::clamp(width, 40, MaxListItemWidth),
                     std::max(iconSide, metrics.height()) + margin);
        m_list->setGridSize(QSize());
    }
    if (size != m_listDelegate->fixedSize()) {
        m_listDelegate->setFixedSize(size);
        m_list->doItemsLayout();
    }
}

QWidget* TOrvoListView::currentPane() const
{
    return m_style == vsReport ? static_cast<QWidget*>(m_details) : m_list;
}

void TOrvoListView::SetRowSelect(bool rowSelect)
{
    m_rowSelect = rowSelect;
    m_details->setAllColumnsShowFocus(rowSelect);
    m_details->viewport()->update();
}

bool TOrvoListView::ShowColumnHeaders() const
{
    return !m_details->isHeaderHidden();
}

void TOrvoListView::SetShowColumnHeaders(bool show)
{
    m_details->setHeaderHidden(!show);
}

void TOrvoListView::SetMultiSelect(bool multi)
{
    m_multiSelect = multi;
    const auto mode = multi ? QAbstractItemView::ExtendedSelection
                            : QAbstractItemView::SingleSelection;
    m_details->setSelectionMode(mode);
    m_list->setSelectionMode(mode);
}

void TOrvoListView::SetDragEnabled(bool enabled)
{
    m_dragEnabled = enabled;
    m_details->setDragEnabled(enabled);
    m_list->setDragEnabled(enabled);
}

void TOrvoListView::SetAutoArrange(bool on)
{
    m_autoArrange = on;
    m_list->setResizeMode(on ? QListView::Adjust : QListView::Fixed);
}

void TOrvoListView::Arrange()
{
    if (m_style != vsReport)
        m_list->doItemsLayout();
}

void TOrvoListView::SetImages(const QList<QIcon>& images)
{
    m_model->setImages(images);
}

void TOrvoListView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        scheduleListGrid();
}

// --- Columns ----------------------------------------------------------------------------------

void TOrvoListView::AddColumn(const QString& caption, int width, Qt::Alignment alignment)
{
    std::vector<int> widths = ColumnWidths();
    QList<TListColumn> columns = m_model->columns();
    columns.append({caption, width, alignment});
    widths.push_back(width);
    m_model->setColumns(columns);
    for (size_t c = 0; c < widths.size(); ++c)
        m_details->setColumnWidth(int(c), widths[c]);
}

void TOrvoListView::ClearColumns()
{
    m_model->setColumns({});
}

int TOrvoListView::ColumnCount() const
{
    return int(m_model->columns().size());
}

QString TOrvoListView::ColumnCaption(int column) const
{
    return column >= 0 && column < ColumnCount() ? m_model->columns().at(column).Caption
                                                 : QString();
}

int TOrvoListView::ColumnWidth(int column) const
{
    return column >= 0 && column < ColumnCount() ? m_details->columnWidth(column) : 0;
}

void TOrvoListView::SetColumnWidth(int column, int width)
{
    if (column >= 0 && column < ColumnCount())
        m_details->setColumnWidth(column, std::max(0, width));
}

std::vector<int> TOrvoListView::ColumnWidths() const
{
    std::vector<int> widths;
    for (int c = 0; c < ColumnCount(); ++c)
        widths.push_back(ColumnWidth(c));
    return widths;
}

// The size the details view gives one cell, worked out from the row itself rather than from
// a model index, so it also holds for rows added inside BeginUpdate and not yet shown.
QSize TOrvoListView::detailsCellSize(const TListItem& item, int column) const
{
    QStyleOptionViewItem option = static_cast<DetailsPane*>(m_details)->itemOption();
    option.text = item.columnText(column);
    option.features |= QStyleOptionViewItem::HasDisplay;
    if (column == 0) {
        option.icon = m_model->imageFor(item.ImageIndex);
        option.features |= QStyleOptionViewItem::HasDecoration;
        const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, m_details);
        option.decorationSize = m_details->iconSize().isValid() ? m_details->iconSize()
                                                                : QSize(side, side);
    }
    QStyle* style = m_details->style();
    return style->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), m_details);
}

void TOrvoListView::AutoSizeColumns()
{
    const auto& items = m_model->items();
    TextWidthMeter meter(m_details->font());
    for (int c = 0; c < ColumnCount(); ++c) {
        int width = m_details->header()->sectionSizeHint(c);
        const int row = meter.widest(int(items.size()), [&items, c](int i) {
            return items[size_t(i)].columnText(c);
        });
        if (row >= 0)
            width = std::max(width, detailsCellSize(items[size_t(row)], c).width());
        m_details->setColumnWidth(c, width);
    }
}

int TOrvoListView::ColumnAreaWidth() const
{
    const int frame = m_details->frameWidth();
    int width = m_details->width() - 2 * frame;
    int height = m_details->height() - 2 * frame;
    if (!m_details->isHeaderHidden())
        height -= m_details->header()->sizeHint().height();
    const auto& items = m_model->items();
    if (!items.empty()) {
        const int rowHeight = std::max(1, detailsCellSize(items.front(), 0).height());
        if (qint64(items.size()) * rowHeight > height)
            width -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                          m_details->verticalScrollBar());
    }
    return std::max(0, width);
}

// --- Rows -------------------------------------------------------------------------------------

int TOrvoListView::Count() const
{
    return m_model->count();
}

const TListItem& TOrvoListView::Item(int row) const
{
    const auto& items = m_model->items();
    return row >= 0 && row < int(items.size()) ? items[size_t(row)] : emptyItem();
}

const std::vector<TListItem>& TOrvoListView::Items() const
{
    return m_model->items();
}

int TOrvoListView::AddItem(const QString& caption, const QStringList& subItems, int imageIndex)
{
    return m_model->append({caption, subItems, imageIndex});
}

int TOrvoListView::AddItem(TListItem item)
{
    return m_model->append(std::move(item));
}

void TOrvoListView::InsertItem(int row, TListItem item)
{
    m_model->insert(row, std::move(item));
}

void TOrvoListView::InsertItems(int row, std::vector<TListItem> items)
{
    m_model->insert(row, std::move(items));
}

void TOrvoListView::SetItem(int row, TListItem item)
{
    m_model->replace(row, std::move(item));
}

void TOrvoListView::SetCaption(int row, const QString& caption)
{
    m_model->setColumnText(row, 0, caption);
}

void TOrvoListView::SetSubItem(int row, int subItem, const QString& text)
{
    if (subItem >= 0)
        m_model->setColumnText(row, subItem + 1, text);
}

void TOrvoListView::SetImageIndex(int row, int imageIndex)
{
    m_model->setImageIndex(row, imageIndex);
}

void TOrvoListView::DeleteItem(int row)
{
    m_model->remove({row});
}

void TOrvoListView::DeleteItems(const std::vector<int>& rows)
{
    m_model->remove(rows);
}

void TOrvoListView::Clear()
{
    m_model->clear();
}

void TOrvoListView::MoveItem(int from, int to)
{
    const int n = Count();
    if (from < 0 || from >= n || to < 0 || to >= n || from == to)
        return;
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    const auto first = order.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    m_model->reorder(order);
}

void TOrvoListView::BeginUpdate()
{
    m_model->beginUpdate();
}

void TOrvoListView::EndUpdate()
{
    m_model->endUpdate();
}

// --- Selection --------------------------------------------------------------------------------

std::vector<int> TOrvoListView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange& range : m_selection->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int TOrvoListView::SelCount() const
{
    return int(SelectedRows().size());
}

int TOrvoListView::SelectedRow() const
{
    int first = -1;
    for (const QItemSelectionRange& range : m_selection->selection()) {
        if (first < 0 || range.top() < first)
            first = range.top();
    }
    return first;
}

bool TOrvoListView::IsSelected(int row) const
{
    return m_selection->isSelected(m_model->index(row, 0));
}

void TOrvoListView::SetSelected(int row, bool selected)
{
    const QModelIndex index = m_model->index(row, 0);
    if (!index.isValid())
        return;
    m_selection->select(index, (selected ? QItemSelectionModel::Select
                                         : QItemSelectionModel::Deselect)
                                   | QItemSelectionModel::Rows);
}

void TOrvoListView::SetSelection(const std::vector<int>& wanted)
{
    std::vector<int> rows = wanted;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int lastColumn = m_model->columnCount() - 1;
    QItemSelection selection;
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        const QModelIndex top = m_model->index(rows[i], 0);
        const QModelIndex bottom = m_model->index(rows[j], lastColumn);
        if (top.isValid() && bottom.isValid())
            selection.append(QItemSelectionRange(top, bottom));
        i = j + 1;
    }
    m_selection->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TOrvoListView::SelectAll()
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    m_selection->select(QItemSelection(m_model->index(0, 0),
                                       m_model->index(rows - 1, m_model->columnCount() - 1)),
                        QItemSelectionModel::ClearAndSelect);
}

void TOrvoListView::ClearSelection()
{
    m_selection->clearSelection();
}

int TOrvoListView::CurrentRow() const
{
    const QModelIndex current = m_selection->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TOrvoListView::SetCurrentRow(int row)
{
    m_selection->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
}

void TOrvoListView::ScrollTo(int row)
{
    const QModelIndex index = m_model->index(row, 0);
    if (index.isValid())
        static_cast<QAbstractItemView*>(currentPane())->scrollTo(index);
}

int TOrvoListView::ItemAt(QPoint pos) const
{
    auto* pane = static_cast<QAbstractItemView*>(currentPane());
    const QModelIndex index = pane->indexAt(pane->viewport()->mapFrom(this, pos));
    return index.isValid() ? index.row() : -1;
}

QPoint TOrvoListView::paneToControl(const QWidget* pane, QPoint viewportPos) const
{
    return static_cast<const QAbstractItemView*>(pane)->viewport()->mapTo(this, viewportPos);
}

// --- Sorting ----------------------------------------------------------------------------------

void TOrvoListView::applySort(const TSortRequest& request)
{
    const std::vector<int> order = FileSortOrder(m_model->items(), request);
    bool unchanged = true;
    for (size_t i = 0; i < order.size() && unchanged; ++i)
        unchanged = order[i] == int(i);
    if (!unchanged)
        m_model->reorder(order);
    updateSortIndicator();
}

void TOrvoListView::SortFiles(int column, bool ascending, bool mixed)
{
    m_sortKind = SortKind::Column;
    m_sortColumn = column;
    m_sortAscending = ascending;
    m_sortMixed = mixed;
    applySort({SortFieldOfColumn(column), ascending, mixed});
}

void TOrvoListView::SortByExtension(bool ascending)
{
    m_sortKind = SortKind::Extension;
    m_sortColumn = -1;
    m_sortAscending = ascending;
    applySort({TSortField::Extension, ascending, false});
}

void TOrvoListView::Resort()
{
    if (!AutoSort)
        return;
    if (m_sortKind == SortKind::Column)
        SortFiles(m_sortColumn, m_sortAscending, m_sortMixed);
    else if (m_sortKind == SortKind::Extension)
        SortByExtension(m_sortAscending);
}

void TOrvoListView::HeaderClick(int column)
{
    if (auto hook = OnColumnClick)
        hook(this, column);
    if (AutoSort) {
        m_sortAscending = column == m_sortColumn ? !m_sortAscending : true;
        m_sortColumn = column;
        m_sortKind = SortKind::Column;
        Resort();
        if (auto hook = OnAfterSort)
            hook(this);
    }
    // The header flips its own indicator on a click; show the order actually on screen.
    updateSortIndicator();
}

void TOrvoListView::updateSortIndicator()
{
    QHeaderView* header = m_details->header();
    const bool shown = m_sortKind == SortKind::Column && m_sortColumn >= 0;
    header->setSortIndicatorShown(shown);
    header->setSortIndicator(shown ? m_sortColumn : -1,
                             m_sortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}
