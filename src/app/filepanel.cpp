#include "app/filepanel.h"

#include "controls/columnfit.h"
#include "controls/orvoview.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/remotedirectory.h"
#include "session/viewtext.h"
#include "settings/configdata.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

constexpr int ParentTag = -2;

// Item data of the local path box: the item text ("3:/home/user/", "T" before the current
// one) and its level.
constexpr int PathItemRole = Qt::UserRole;
constexpr int PathLevelRole = Qt::UserRole + 1;

// The open list of the local path box indents each level by 8 pixels; the closed box does not.
class PathBoxDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.adjust(indent(index), 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex& index) { return 8 * qMax(0, index.data(PathLevelRole).toInt() - 1); }
};

QLabel* countLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setContentsMargins(4, 1, 4, 1);
    return label;
}

}  // namespace

FilePanel::FilePanel(LocalDirectoryModel& model, const ConfigData& config, QWidget* parent)
    : QWidget(parent)
    , m_local(&model)
    , m_config(config)
{
    build();
    m_view->AddColumn(QStringLiteral("Name"), 100);
    m_view->AddColumn(QStringLiteral("Size"), 65, Qt::AlignRight);
    m_view->AddColumn(QStringLiteral("Date"), 100);
    m_pathBox->setItemDelegate(new PathBoxDelegate(m_pathBox));
    connect(&model, &LocalDirectoryModel::finished, this, &FilePanel::Rebuild);
}

FilePanel::FilePanel(RemoteDirectoryModel& model, const ConfigData& config, QWidget* parent)
    : QWidget(parent)
    , m_remote(&model)
    , m_config(config)
{
    build();
    m_view->AddColumn(QStringLiteral("Name"), 100);
    m_view->AddColumn(QStringLiteral("Size"), 65, Qt::AlignRight);
    m_view->AddColumn(QStringLiteral("Date"), 90);
    m_view->AddColumn(QStringLiteral("Attrib"), 80);
    connect(&model, &RemoteDirectoryModel::reset, this, &FilePanel::onReset);
    connect(&model, &RemoteDirectoryModel::entriesArrived, this, &FilePanel::onArrived);
    connect(&model, &RemoteDirectoryModel::finished, this, &FilePanel::onFinished);
    connect(&model, &RemoteDirectoryModel::cleared, this, [this] {
        onReset();
        if (std::exchange(m_filling, false))
            m_view->EndUpdate();
        m_pathBox->clear();
        m_count->clear();
    });
}

void FilePanel::build()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    m_pathBox = new QComboBox(this);
    m_pathBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pathBox->setMinimumContentsLength(10);
    m_view = new TOrvoListView(this);
    m_view->SetMultiSelect(true);
    m_view->SetDragEnabled(true);
    m_count = countLabel(this);
    layout->addWidget(m_pathBox);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_count);
}

// --- Rows ------------------------------------------------------------------------------------

const FileEntry* FilePanel::EntryAt(int row) const
{
    if (row < 0 || row >= m_view->Count())
        return nullptr;
    const int tag = m_view->Item(row).Tag;
    const std::vector<FileEntry>& entries = m_local ? m_local->entries() : m_remote->entries();
    return tag >= 0 && size_t(tag) < entries.size() ? &entries[size_t(tag)] : nullptr;
}

bool FilePanel::IsParentRow(int row) const
{
    return row >= 0 && row < m_view->Count() && m_view->Item(row).Tag == ParentTag;
}

std::vector<FileEntry> FilePanel::SelectedEntries() const
{
    std::vector<FileEntry> selected;
    for (const int row : m_view->SelectedRows()) {
        if (const FileEntry* entry = EntryAt(row))
            selected.push_back(*entry);
    }
    return selected;
}

TListItem FilePanel::parentRow() const
{
    TListItem item;
    item.Caption = QStringLiteral("..");
    item.ImageIndex = FileEntry::Parent;
    item.Tag = ParentTag;
    return item;
}

TListItem FilePanel::rowOf(size_t index) const
{
    TListItem item;
    item.Tag = int(index);
    if (m_local) {
        static thread_local TDateTimeTexts times;
        const FileEntry& entry = m_local->entries()[index];
        item.Caption = entry.name;
        item.ImageIndex = entry.kind;
        const QString time = entry.timeKnown ? times.text(entry.mtimeMs) : QString();
        item.SubItems = {entry.isFolder() ? QString() : SizeText(entry.size), time};
        return item;
    }
    const FileEntry& entry = m_remote->entries()[index];
    item.Caption = entry.name;
    item.ImageIndex = entry.isLink() && m_remote->filter().resolveLinks ? int(FileEntry::File) : int(entry.kind);
    item.SubItems = {entry.sizeKnown() ? SizeText(entry.size) : entry.sizeText, entry.dateText};
    if (!entry.permissions.isEmpty())
        item.SubItems << entry.permissions;
    return item;
}

void FilePanel::appendRows(size_t from)
{
    const size_t count = m_local ? m_local->entries().size() : m_remote->entries().size();
    for (size_t i = from; i < count; ++i)
        m_view->AddItem(rowOf(i));
    m_shown = count;
}

void FilePanel::SortRows()
{
    const int order = m_config.AutoSort;
    if (order >= 0 && order <= 2)
        m_view->SortFiles(order, true, m_config.AlphaSort);
    else if (order == 3)
        m_view->SortByExtension(true);
}

void FilePanel::Rebuild()
{
    if (std::exchange(m_filling, false))
        m_view->EndUpdate();
    m_view->BeginUpdate();
    m_view->Clear();
    const bool parent = m_local ? m_local->hasParent() : m_remote->hasParent();
    if (parent)
        m_view->AddItem(parentRow());
    appendRows(0);
    SortRows();
    if (m_local ? m_config.LocalAutoSize : m_config.RemoteAutoSize)
        FitColumns(*m_view);
    m_view->EndUpdate();
    RebuildPathBox();
    m_count->setText(ListedSummary());
}

void FilePanel::RebuildPathBox()
{
    if (m_local)
        rebuildLocalPathBox();
    else
        rebuildRemotePathBox();
}

// A remote listing arrives in batches: the view is told once per batch.
void FilePanel::onReset()
{
    if (!m_filling) {
        m_filling = true;
        m_view->BeginUpdate();
    }
    m_view->Clear();
    m_shown = 0;
}

void FilePanel::onArrived()
{
    appendRows(m_shown);
    if (m_filling) {
        m_view->EndUpdate();
        m_view->BeginUpdate();
    }
}

void FilePanel::onFinished()
{
    if (!m_filling) {  // a rebuild without a reset
        Rebuild();
        return;
    }
    appendRows(m_shown);
    if (m_remote->hasParent())
        m_view->InsertItem(0, parentRow());
    SortRows();
    if (m_config.RemoteAutoSize)
        FitColumns(*m_view);
    m_filling = false;
    m_view->EndUpdate();
    rebuildRemotePathBox();
    m_count->setText(ListedSummary());
}

// --- Count label ----------------------------------------------------------------------------

QString FilePanel::ListedSummary() const
{
    return m_local ? m_local->listedSummary() : m_remote->listedSummary();
}

QString FilePanel::SelectionSummary() const
{
    int folders = 0;
    int files = 0;
    qint64 bytes = 0;
    for (const int row : m_view->SelectedRows()) {
        const FileEntry* entry = EntryAt(row);
        if (!entry)
            continue;
        if (entry->isFolder()) {
            ++folders;
            continue;
        }
        ++files;
        bytes += qMax<qint64>(0, entry->size);
    }
    return QStringLiteral("%1 folder(s), %2 file(s) selected [%3 bytes]").arg(folders).arg(files).arg(SizeText(bytes));
}

void FilePanel::UpdateCountLabel()
{
    if (m_filling)
        return;  // the listing's end writes the label
    m_count->setText(m_view->SelCount() > 0 ? SelectionSummary() : ListedSummary());
}

void FilePanel::SetActive(bool active)
{
    QPalette colours = m_count->palette();
    colours.setColor(QPalette::Window, palette().color(active ? QPalette::Dark : QPalette::Button));
    colours.setColor(QPalette::WindowText, palette().color(QPalette::ButtonText));
    m_count->setPalette(colours);
}

// --- Path boxes -----------------------------------------------------------------------------

QString FilePanel::PathOfItem(int index) const
{
    if (index < 0 || index >= m_pathBox->count())
        return {};
    if (m_remote)
        return m_pathBox->itemText(index);
    const QString item = m_pathBox->itemData(index, PathItemRole).toString();
    return item.mid(item.indexOf(QLatin1Char(':')) + 1);
}

void FilePanel::rebuildLocalPathBox()
{
    m_pathBox->clear();
    QStyle* style = m_pathBox->style();
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const std::vector<LocalPathLevel> levels = m_local->pathLevels();
    for (int i = 0; i < int(levels.size()); ++i) {
        const LocalPathLevel& level = levels[size_t(i)];
        QString name = level.path == QLatin1String("/") ? level.path : FileNamePart(level.path).value_or(level.path);
        if (name.size() > 1 && name.endsWith(QLatin1Char('/')))
            name.chop(1);
        QIcon icon = style->standardIcon(level.level == 1 ? QStyle::SP_DriveHDIcon : QStyle::SP_DirClosedIcon);
        if (level.current) {
            // The free space of the file system holding the current directory, beside it.
            name += QStringLiteral("   [") + locale.toString(level.freeMegabytes, 'f', 2) + QStringLiteral(" Mb free]");
            icon = style->standardIcon(QStyle::SP_DirOpenIcon);
        }
        const QString itemText = (level.current ? QStringLiteral("T") : QString()) + QString::number(level.level)
                                 + QLatin1Char(':') + level.path;
        m_pathBox->addItem(icon, name);
        m_pathBox->setItemData(i, itemText, PathItemRole);
        m_pathBox->setItemData(i, level.level, PathLevelRole);
        m_pathBox->setItemData(i, level.path, Qt::ToolTipRole);
    }
    m_pathBox->setCurrentIndex(int(levels.size()) - 1);
}

void FilePanel::rebuildRemotePathBox()
{
    const QStringList& history = m_remote->history();
    bool same = m_pathBox->count() == history.size();
    for (int i = 0; same && i < history.size(); ++i)
        same = m_pathBox->itemText(i) == history[i];
    if (!same) {
        m_pathBox->clear();
        m_pathBox->addItems(history);
    }
    m_pathBox->setCurrentIndex(m_remote->currentHistoryIndex());
}
