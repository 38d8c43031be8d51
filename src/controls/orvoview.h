#pragma once

#include "controls/filesort.h"
#include "controls/listitem.h"

#include <QWidget>
#include <functional>
#include <vector>

class QDropEvent;
class QDragMoveEvent;
class QItemSelectionModel;
class QKeyEvent;
class QListView;
class QMimeData;
class QStackedWidget;
class QTreeView;
class TOrvoItemDelegate;
class TOrvoListModel;

// Files dropped from the desktop: full local paths in the order the drag carried them, and the
// drop point in the control's coordinates.
using TFileDropEvent = std::function<void(const QStringList& Files, int X, int Y)>;

// The list control of every file list: the two file views, the queue, the server browser's
// list and the settings windows' lists. A model/view control that stays fast with 100,000 rows:
// one model in display order, shown by a list view for the three icon styles and a tree view
// for details; both share one selection.
//
// Sorting is explicit (SortFiles, SortByExtension, a header click with AutoSort): rows keep
// the order they were added in until then, which is the order callers read them back in.
class TOrvoListView : public QWidget
{
    Q_OBJECT

public:
    explicit TOrvoListView(QWidget* parent = nullptr);
    ~TOrvoListView() override;

    // --- Published properties ---------------------------------------------------------------
    bool AutoSort = false;  // a header click sorts by that column

    bool AcceptFiles() const { return m_acceptFiles; }
    void SetAcceptFiles(bool accept);  // take files dropped from the desktop

    TViewStyle ViewStyle() const { return m_style; }
    void SetViewStyle(TViewStyle style);
    bool RowSelect() const { return m_rowSelect; }  // highlight whole rows in details
    void SetRowSelect(bool rowSelect);
    bool ShowColumnHeaders() const;
    void SetShowColumnHeaders(bool show);
    bool MultiSelect() const { return m_multiSelect; }
    void SetMultiSelect(bool multi);
    bool DragEnabled() const { return m_dragEnabled; }  // rows can be dragged out
    void SetDragEnabled(bool enabled);
    bool AutoArrange() const { return m_autoArrange; }  // icon styles re-flow on resize
    void SetAutoArrange(bool on);
    void Arrange();  // "Line up icons"

    // Icons by image index.
    void SetImages(const QList<QIcon>& images);

    // --- Published events -------------------------------------------------------------------
    std::function<void(TOrvoListView* sender, int column)> OnColumnClick;  // every header click
    std::function<void(TOrvoListView* sender)> OnAfterSort;  // after a header-click sort
    // OnFileDrop and OnDragDrop are raised from the event loop just after the drop completed,
    // so the dragging program is not kept waiting while the owner asks questions or transfers.
    TFileDropEvent OnFileDrop;  // only while AcceptFiles is set
    // Rows dragged from a TOrvoListView of this program (this one included). OnDragOver says
    // whether a drop at `targetRow` (-1: no row) would be taken; without it nothing is.
    std::function<bool(TOrvoListView* source, int targetRow, QPoint pos)> OnDragOver;
    std::function<void(TOrvoListView* source, int targetRow, QPoint pos)> OnDragDrop;
    // Lets the owner add formats to a drag that starts here (e.g. text/uri-list of local files).
    std::function<void(TOrvoListView* sender, QMimeData* data)> OnDragData;
    std::function<void(TOrvoListView* sender, int row)> OnDblClick;
    // Returns true when it handled the key; the view's own handling is skipped then.
    std::function<bool(TOrvoListView* sender, QKeyEvent* event)> OnKeyDown;
    std::function<void(TOrvoListView* sender, Qt::MouseButton button, QPoint pos)> OnMouseUp;
    std::function<void(TOrvoListView* sender, QPoint globalPos)> OnContextMenu;
    std::function<void(TOrvoListView* sender)> OnSelectionChanged;
    std::function<void(TOrvoListView* sender)> OnEnter;  // focus arrives
    std::function<void(TOrvoListView* sender)> OnExit;   // focus leaves

    // --- Columns ----------------------------------------------------------------------------
    void AddColumn(const QString& caption, int width, Qt::Alignment alignment = Qt::AlignLeft);
    void ClearColumns();
    int ColumnCount() const;
    QString ColumnCaption(int column) const;
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    std::vector<int> ColumnWidths() const;
    // Fits every column to the widest of its texts and its caption.
    void AutoSizeColumns();
    // The width the columns can fill in details style without a horizontal scroll bar:
    // the details view inside its frame, less a vertical scroll bar when rows overflow.
    int ColumnAreaWidth() const;

    // --- Rows -------------------------------------------------------------------------------
    int Count() const;
    const TListItem& Item(int row) const;
    const std::vector<TListItem>& Items() const;
    int AddItem(const QString& caption, const QStringList& subItems, int imageIndex);
    int AddItem(TListItem item);
    void InsertItem(int row, TListItem item);
    void InsertItems(int row, std::vector<TListItem> items);  // one notification for all
    void SetItem(int row, TListItem item);
    void SetCaption(int row, const QString& caption);
    void SetSubItem(int row, int subItem, const QString& text);  // subItem 0 is column 1
    void SetImageIndex(int row, int imageIndex);
    void DeleteItem(int row);
    void DeleteItems(const std::vector<int>& rows);
    void Clear();
    // Moves a row and keeps it selected and current if it was (queue reordering).
    void MoveItem(int from, int to);
    // Suspend view updates while rows are added in bulk; calls nest.
    void BeginUpdate();
    void EndUpdate();

    // --- Selection and position -------------------------------------------------------------
    std::vector<int> SelectedRows() const;  // ascending
    int SelCount() const;
    int SelectedRow() const;  // the first selected row, -1 when none
    bool IsSelected(int row) const;
    void SetSelected(int row, bool selected);
    void SetSelection(const std::vector<int>& rows);  // replaces the selection in one step
    void SelectAll();
    void ClearSelection();
    int CurrentRow() const;
    void SetCurrentRow(int row);  // moves the focus mark without touching the selection
    void ScrollTo(int row);
    int ItemAt(QPoint pos) const;  // row under a point of this control, -1 when none

    // --- Sorting ----------------------------------------------------------------------------
    // Column 0 or 3 by name, 1 by size, 2 by date; `mixed` false keeps kinds grouped.
    void SortFiles(int column, bool ascending, bool mixed);
    void SortByExtension(bool ascending);
    // With AutoSort set, repeats the last sort (by its column, direction and mixed flag).
    void Resort();
    // A click on a column header, as the header raises it.
    void HeaderClick(int column);
    int SortColumn() const { return m_sortColumn; }  // -1 before any sort, and by extension
    bool SortAscending() const { return m_sortAscending; }
    bool SortMixed() const { return m_sortMixed; }

    // --- Drag and drop ----------------------------------------------------------------------
    static constexpr const char* RowsMimeType = "application/x-orvoftp-listview-rows";
    // The drag data of the selected rows, as a drag from this view carries it.
    QMimeData* CreateDragData() const;
    // The view of this program a drag came from; nullptr for any other drag.
    static TOrvoListView* DragSource(const QMimeData* data);
    // The rows a drag carried, in view order.
    static std::vector<int> DraggedRows(const QMimeData* data);
    // Local paths of the file:// URLs of a drag; empty when it carries none.
    static QStringList DroppedFiles(const QMimeData* data);

    // The inner views, for owners that need more (fonts, palettes, tests).
    QTreeView* DetailsView() const { return m_details; }
    QListView* IconView() const { return m_list; }
    QItemSelectionModel* SelectionModel() const { return m_selection; }
    TOrvoListModel* Model() const { return m_model; }

    int DropTargetRow() const { return m_dropTarget; }  // the row marked under a drag

protected:
    void changeEvent(QEvent* event) override;

private:
    template <class View> friend class TOrvoPane;

    enum class SortKind { None, Column, Extension };

    void applySort(const TSortRequest& request);
    void updateSortIndicator();
    void setupListPane();
    void attachListPane(bool attach);
    void scheduleListGrid();
    void updateListGrid();
    QWidget* currentPane() const;
    QSize detailsCellSize(const TListItem& item, int column) const;
    QPoint paneToControl(const QWidget* pane, QPoint viewportPos) const;

    // Called by the panes.
    bool paneDragMove(QWidget* pane, QDragMoveEvent* event);
    void paneDragLeave();
    void paneDrop(QWidget* pane, QDropEvent* event);
    void paneStartDrag(QWidget* pane);
    bool paneKey(QKeyEvent* event);
    void paneMouseUp(QWidget* pane, Qt::MouseButton button, QPoint viewportPos);
    bool paneContextMenu(QPoint globalPos);
    void paneFocus(bool in);
    void setDropTarget(int row);
    static void registerLiveView(TOrvoListView* view, bool alive);

    TOrvoListModel* m_model;
    QItemSelectionModel* m_selection;
    QStackedWidget* m_stack;
    QListView* m_list;
    QTreeView* m_details;
    TOrvoItemDelegate* m_listDelegate;
    TOrvoItemDelegate* m_detailsDelegate;

    TViewStyle m_style = vsReport;
    bool m_acceptFiles = false;
    bool m_rowSelect = false;
    bool m_multiSelect = true;
    bool m_dragEnabled = false;
    bool m_autoArrange = true;
    bool m_listAttached = false;
    bool m_listGridPending = false;
    bool m_switching = false;
    bool m_dying = false;
    int m_dropTarget = -1;

    SortKind m_sortKind = SortKind::None;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
    bool m_sortMixed = false;
};
