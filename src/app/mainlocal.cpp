// The local view: reading a directory into the view, the path box with the levels down to
// the current directory and its free space, navigation by mouse and keys.
#include "app/mainwindow.h"

#include "app/columnfit.h"
#include "app/localdir.h"
#include "app/pathhelpers.h"
#include "app/viewtext.h"
#include "controls/orvoview.h"
#include "platform/prompt.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

enum LocalImage { ImageParent = 0, ImageFolder = 1, ImageFile = 3 };

// Item data of the path box: the item text ("3:/home/user/", "T" before the current one)
// and its level.
constexpr int PathItemRole = Qt::UserRole;
constexpr int PathLevelRole = Qt::UserRole + 1;

// The open list of the path box indents each level by 8 pixels; the closed box does not.
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

// The path of a path-box item: the text after its first ":".
QString pathOfItem(const QString& item)
{
    return item.mid(item.indexOf(QLatin1Char(':')) + 1);
}

bool accessibleDirectory(const QString& path)
{
    const QFileInfo info(path);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

}  // namespace

// --- Reading the directory -----------------------------------------------------------------

QString TfrmMain::fallbackLocalDir() const
{
    for (const QString& candidate : {Prefs.config.Path, ProgramDir}) {
        if (!candidate.isEmpty() && QFileInfo(candidate).isDir())
            return EnsureTrailingSeparator(QFileInfo(candidate).absoluteFilePath());
    }
    return QStringLiteral("/");
}

void TfrmMain::ListLocal()
{
    LocalFolders = 0;
    LocalFiles = 0;
    Local->Clear();
    Local->BeginUpdate();
    if (!QFileInfo(CurrentLocalDir).isDir())
        CurrentLocalDir = fallbackLocalDir();

    std::vector<TLocalEntry> entries;
    ReadLocalDirectory(CurrentLocalDir, entries);
    const bool root = CurrentLocalDir == QLatin1String("/");
    const bool transfer = TransferRunning();
    const bool filterDirs = mnuFilterDirs->isChecked();
    TDateTimeTexts times;
    for (const TLocalEntry& entry : entries) {
        if (entry.name == QLatin1String("."))
            continue;
        if (entry.name == QLatin1String("..")) {
            // The way up is navigation, not an entry: no filter hides it.
            if (!transfer && !root)
                Local->AddItem(entry.name, {}, ImageParent);
            continue;
        }
        if (!MatchMask(entry.name, LocalFilter) && !(entry.isDir && !filterDirs))
            continue;
        const QString time = entry.timeKnown ? times.text(entry.mtimeMs) : QString();
        if (entry.isDir) {
            Local->AddItem(entry.name, {QString(), time}, ImageFolder);
            ++LocalFolders;
        } else {
            Local->AddItem(entry.name, {SizeText(entry.size), time}, ImageFile);
            ++LocalFiles;
        }
    }
    SortView(*Local);
    if (Config().LocalAutoSize)
        FitColumns(*Local);
    Local->EndUpdate();
    RebuildLocalPathBox();
    QDir::setCurrent(CurrentLocalDir);
    PanelLocalCount->setText(LocalListedSummary());
}

QString TfrmMain::LocalListedSummary() const
{
    return QStringLiteral("%1 folder(s), %2 file(s) listed [%3]").arg(LocalFolders).arg(LocalFiles).arg(LocalFilter);
}

// --- Path box --------------------------------------------------------------------------------

void TfrmMain::RebuildLocalPathBox()
{
    if (!dynamic_cast<PathBoxDelegate*>(LocalPathBox->itemDelegate()))
        LocalPathBox->setItemDelegate(new PathBoxDelegate(LocalPathBox));
    LocalPathBox->clear();
    // One item per level from the root down to the current directory: 1:/, 2:/home/, ...
    const QString current = CurrentLocalDir;
    QStringList paths{QStringLiteral("/")};
    for (qsizetype at = current.indexOf(QLatin1Char('/'), 1); at > 0; at = current.indexOf(QLatin1Char('/'), at + 1))
        paths << current.left(at + 1);
    QStyle* style = LocalPathBox->style();
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        const bool isCurrent = i == paths.size() - 1;
        const int level = i + 1;
        QString name = path == QLatin1String("/") ? path : FileNamePart(path).value_or(path);
        if (name.size() > 1 && name.endsWith(QLatin1Char('/')))
            name.chop(1);
        QIcon icon = style->standardIcon(QStyle::SP_DirClosedIcon);
        if (isCurrent) {
            // The free space of the file system holding the current directory, beside it.
            const QStorageInfo storage(path);
            const double megabytes = storage.isValid() ? double(qMax<qint64>(0, storage.bytesAvailable())) / 1048576.0 : 0.0;
            QLocale locale;
            locale.setNumberOptions(QLocale::OmitGroupSeparator);
            name += QStringLiteral("   [") + locale.toString(megabytes, 'f', 2) + QStringLiteral(" Mb free]");
            icon = style->standardIcon(QStyle::SP_DirOpenIcon);
        } else if (level == 1) {
            icon = style->standardIcon(QStyle::SP_DriveHDIcon);
        }
        const QString itemText = (isCurrent ? QStringLiteral("T") : QString()) + QString::number(level) + QLatin1Char(':') + path;
        LocalPathBox->addItem(icon, name);
        LocalPathBox->setItemData(i, itemText, PathItemRole);
        LocalPathBox->setItemData(i, level, PathLevelRole);
        LocalPathBox->setItemData(i, path, Qt::ToolTipRole);
    }
    LocalPathBox->setCurrentIndex(int(paths.size()) - 1);
}

void TfrmMain::LocalPathBoxChange(int index)
{
    if (index < 0)
        return;
    const QString path = pathOfItem(LocalPathBox->itemData(index, PathItemRole).toString());
    if (!EnterLocalDirectory(path))
        RebuildLocalPathBox();
    Local->setFocus();
}

bool TfrmMain::EnterLocalDirectory(const QString& path)
{
    if (!accessibleDirectory(path)) {
        prompts().messageBox(QStringLiteral("Unable to access ") + path + QStringLiteral(" ."),
                             QString::fromLatin1(Caption), Prompt::Icon::Error, Prompt::Ok);
        return false;
    }
    CurrentLocalDir = EnsureTrailingSeparator(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    ListLocal();
    return true;
}

// --- Navigation ------------------------------------------------------------------------------

void TfrmMain::LocalDblClick(int row)
{
    if (TransferRunning() || Local->SelCount() == 0)
        return;
    if (row < 0 || !Local->IsSelected(row))
        row = Local->SelectedRow();
    const TListItem& item = Local->Item(row);
    if (item.ImageIndex == ImageFolder)
        EnterLocalDirectory(CurrentLocalDir + item.Caption + QLatin1Char('/'));
    else if (item.ImageIndex == ImageParent)
        EnterLocalDirectory(DirectoryPart(CurrentLocalDir).value_or(CurrentLocalDir));
}

bool TfrmMain::LocalKeyDown(QKeyEvent* event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAllRows(Local);
        return true;
    }
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    if (event->key() == Qt::Key_Backspace) {
        // Nothing above the root.
        if (CurrentLocalDir.size() > 1)
            EnterLocalDirectory(DirectoryPart(CurrentLocalDir).value_or(CurrentLocalDir));
        return true;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const int row = Local->SelectedRow();
        const TListItem& item = Local->Item(row);
        if (row >= 0 && item.ImageIndex == ImageFolder)
            EnterLocalDirectory(CurrentLocalDir + item.Caption + QLatin1Char('/'));
        else if (row >= 0 && item.ImageIndex == ImageParent)
            EnterLocalDirectory(DirectoryPart(CurrentLocalDir).value_or(CurrentLocalDir));
        return true;
    }
    return false;
}
