#include "controls/browseform.h"

#include "platform/core/prompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>

namespace {

constexpr int PathRole = Qt::UserRole;

bool usableRoot(const QString& root)
{
    const QFileInfo info(root);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

// `dir` lies on the volume mounted at `root` (a root of "/" holds everything).
bool onVolume(const QString& dir, const QString& root)
{
    if (root == QLatin1String("/"))
        return true;
    return dir == root || dir.startsWith(root + QLatin1Char('/'));
}

}  // namespace

TfrmBrowse::TfrmBrowse(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBrowse"));
    setWindowTitle(QStringLiteral("Browse"));
    auto* grid = new QGridLayout(this);
    lblCaption = new QLabel(this);
    lblCaption->setWordWrap(true);
    grid->addWidget(lblCaption, 0, 0, 1, 2);

    txtPath = new QLineEdit(this);
    txtPath->setObjectName(QStringLiteral("txtPath"));
    auto* pathLabel = new QLabel(QStringLiteral("&Path:"), this);
    pathLabel->setBuddy(txtPath);
    grid->addWidget(pathLabel, 1, 0, 1, 2);
    grid->addWidget(txtPath, 2, 0, 1, 2);

    DirectoryBox = new QListWidget(this);
    DirectoryBox->setObjectName(QStringLiteral("DirectoryBox"));
    auto* dirLabel = new QLabel(QStringLiteral("&Directories:"), this);
    dirLabel->setBuddy(DirectoryBox);
    grid->addWidget(dirLabel, 3, 0);
    grid->addWidget(DirectoryBox, 4, 0, 3, 1);

    DriveBox = new QComboBox(this);
    DriveBox->setObjectName(QStringLiteral("DriveBox"));
    auto* driveLabel = new QLabel(QStringLiteral("Dri&ves:"), this);
    driveLabel->setBuddy(DriveBox);
    grid->addWidget(driveLabel, 3, 1);
    grid->addWidget(DriveBox, 4, 1);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Ca&ncel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 5, 1, Qt::AlignTop);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(6, 1);

    connect(DirectoryBox, &QListWidget::itemActivated, this, &TfrmBrowse::DirectoryBoxOpen);
    connect(DriveBox, &QComboBox::activated, this, &TfrmBrowse::DriveBoxChange);
    SetDrives(mountedVolumes());
    resize(460, 340);
}

QStringList TfrmBrowse::mountedVolumes()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    }
    if (!roots.contains(QStringLiteral("/")))
        roots.prepend(QStringLiteral("/"));
    std::sort(roots.begin(), roots.end());
    return roots;
}

void TfrmBrowse::SetCaptionText(const QString& text)
{
    lblCaption->setText(text);
}

void TfrmBrowse::SetReadOnly(bool readOnly)
{
    txtPath->setReadOnly(readOnly);
}

void TfrmBrowse::SetDrives(const QStringList& roots)
{
    m_drives = roots;
    const QSignalBlocker quiet(DriveBox);
    DriveBox->clear();
    for (const QString& root : roots)
        DriveBox->addItem(style()->standardIcon(QStyle::SP_DriveHDIcon), root);
    if (!m_directory.isEmpty())
        showDriveOf(m_directory);
}

void TfrmBrowse::SetDirectory(const QString& dir)
{
    QString path = QDir::cleanPath(QDir(dir.isEmpty() ? QDir::homePath() : dir).absolutePath());
    while (!QFileInfo(path).isDir() && path != QLatin1String("/"))
        path = QFileInfo(path).path();
    if (!QFileInfo(path).isDir())
        path = QDir::homePath();
    m_directory = path;
    txtPath->setText(path);
    fillFolderList();
    showDriveOf(path);
}

// The levels from "/" down to the current folder (open folders, each indented one step
// further), then the current folder's sub-folders.
void TfrmBrowse::fillFolderList()
{
    DirectoryBox->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QStringList levels = m_directory.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path = QStringLiteral("/");
    const auto addRow = [this](const QIcon& icon, int depth, const QString& text, const QString& target) {
        auto* item = new QListWidgetItem(icon, QString(depth * 2, QLatin1Char(' ')) + text, DirectoryBox);
        item->setData(PathRole, target);
        return item;
    };
    QListWidgetItem* current = addRow(open, 0, QStringLiteral("/"), path);
    for (int i = 0; i < levels.size(); ++i) {
        path = path == QLatin1String("/") ? path + levels[i] : path + QLatin1Char('/') + levels[i];
        current = addRow(open, i + 1, levels[i], path);
    }
    const QDir here(m_directory);
    for (const QString& name : here.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        addRow(closed, levels.size() + 1, name, here.filePath(name));
    DirectoryBox->setCurrentItem(current);
}

void TfrmBrowse::showDriveOf(const QString& dir)
{
    int best = -1;
    for (int i = 0; i < m_drives.size(); ++i) {
        if (onVolume(dir, m_drives[i]) && (best < 0 || m_drives[i].size() > m_drives[best].size()))
            best = i;
    }
    const QSignalBlocker quiet(DriveBox);
    DriveBox->setCurrentIndex(best);
    m_lastDrive = best;
}

void TfrmBrowse::DirectoryBoxOpen(QListWidgetItem* item)
{
    if (item)
        SetDirectory(item->data(PathRole).toString());
}

void TfrmBrowse::DriveBoxChange(int index)
{
    if (index < 0 || index >= m_drives.size())
        return;
    const QString root = m_drives[index];
    while (!usableRoot(root)) {
        if (prompts().messageBox(QStringLiteral("Unable to access ") + root, windowTitle(), Prompt::Icon::Error,
                                 Prompt::Retry | Prompt::Cancel)
            != Prompt::Retry) {
            const QSignalBlocker quiet(DriveBox);
            DriveBox->setCurrentIndex(m_lastDrive);
            return;
        }
    }
    m_lastDrive = index;
    SetDirectory(root);
}
