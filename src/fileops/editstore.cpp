#include "fileops/editstore.h"

#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kNameMax = 255;  // bytes of one file name

// mkdtemp: a new directory with an unpredictable name, mode 0700, that did not exist before.
QString makeUniqueDirectory(const QString& pattern, QString* error)
{
    QByteArray path = QFile::encodeName(pattern);
    if (!::mkdtemp(path.data())) {
        if (error)
            *error = QStringLiteral("Unable to create a directory in %1: %2")
                         .arg(QFileInfo(pattern).absolutePath(), QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    return QFile::decodeName(path);
}

// Cuts `base` (whole characters) until base + extension fits the file system's name limit.
QString fitName(QString base, const QString& extension)
{
    while (!base.isEmpty() && QFile::encodeName(base + extension).size() > kNameMax) {
        base.chop(1);
        if (!base.isEmpty() && base.back().isHighSurrogate())
            base.chop(1);
    }
    return base + extension;
}

}  // namespace

EditStore::EditStore(QString base)
    : m_base(std::move(base))
{
}

EditStore::~EditStore()
{
    for (const QString& folder : std::as_const(m_subfolders)) {
        // Through a private directory that someone replaced, nothing is removed.
        if (!m_kept.contains(folder) && privateDirectory(QFileInfo(folder.chopped(1)).absolutePath()))
            QDir(folder).removeRecursively();
    }
    for (const QString& file : std::as_const(m_keptFiles))
        qInfo().noquote() << "OrvoFTP: an edited copy that was not uploaded is kept in" << file;
    for (const QString& root : std::as_const(m_roots)) {
        if (privateDirectory(root))
            QDir().rmdir(root);  // only when nothing was kept in it
    }
}

QString EditStore::SafeName(const QString& remoteName)
{
    QString name = remoteName.mid(remoteName.lastIndexOf(QLatin1Char('/')) + 1);
    for (QChar& c : name) {
        if (c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("_");
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    // A long "extension" is no extension worth keeping whole.
    const bool hasExtension = dot > 0 && name.size() - dot <= 32;
    const QString extension = hasExtension ? name.mid(dot) : QString();
    return fitName(hasExtension ? name.left(dot) : name, extension);
}

// The private directory is used only while it is still what this store made: a directory
// (not a link) of this user with mode 0700. A cleaner that removed it, or anyone who replaced
// it, makes the store start a new one.
bool EditStore::privateDirectory(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 07777) == 0700;
}

bool EditStore::makeRoot(QString* error)
{
    const QString base = m_base.isEmpty() ? QDir::tempPath() : m_base;
    const QString made = makeUniqueDirectory(QDir(base).filePath(QStringLiteral("orvoftp-XXXXXX")), error);
    if (made.isEmpty())
        return false;
    m_root = made;
    m_roots << made;
    return true;
}

QString EditStore::NewCopyPath(const QString& remoteName, QString* error)
{
    if (!privateDirectory(m_root) && !makeRoot(error))
        return {};
    const QString folder = makeUniqueDirectory(m_root + QStringLiteral("/XXXXXX"), error);
    if (folder.isEmpty())
        return {};
    m_subfolders.insert(folder + QLatin1Char('/'));
    return folder + QLatin1Char('/') + SafeName(remoteName);
}

QString EditStore::subfolderOf(const QString& copyPath) const
{
    const QString folder = copyPath.left(copyPath.lastIndexOf(QLatin1Char('/')) + 1);
    return m_subfolders.contains(folder) ? folder : QString();
}

void EditStore::Keep(const QString& copyPath)
{
    const QString folder = subfolderOf(copyPath);
    if (folder.isEmpty() || m_kept.contains(folder))
        return;
    m_kept.insert(folder);
    m_keptFiles << copyPath;
}

void EditStore::Release(const QString& copyPath)
{
    const QString folder = subfolderOf(copyPath);
    if (m_kept.remove(folder))
        m_keptFiles.removeAll(copyPath);
}

void EditStore::Remove(const QString& copyPath)
{
    const QString folder = subfolderOf(copyPath);
    if (folder.isEmpty())
        return;
    Release(copyPath);
    QDir(folder).removeRecursively();
    m_subfolders.remove(folder);
}

QStringList EditStore::KeptCopies() const
{
    return m_keptFiles;
}
