#include "fileops/localfileops.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

FileOpResult success()
{
    FileOpResult result;
    result.ok = true;
    return result;
}

FileOpResult failure(const QString& message)
{
    FileOpResult result;
    result.message = message;
    return result;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool exists(const QString& path)
{
    // A dangling link is an existing name too.
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// rename(2) that never replaces: 0, or the errno of the failure (EEXIST for an existing
// target). File systems without RENAME_NOREPLACE get a look first.
int renameNoReplace(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    if (exists(to))
        return EEXIST;
    return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
}

// A link to another file system: the same link, as written (a relative one stays relative).
QString relinkAcross(const QString& from, const QString& to)
{
    QByteArray written(4096, '\0');
    const ssize_t size = ::readlink(QFile::encodeName(from).constData(), written.data(), size_t(written.size()));
    if (size < 0 || size >= written.size())
        return QStringLiteral("could not be read");
    written.truncate(size);
    if (::symlink(written.constData(), QFile::encodeName(to).constData()) != 0)
        return QStringLiteral("could not be linked as ") + to;
    if (!QFile::remove(from))
        return QStringLiteral("was linked as ") + to + QStringLiteral(" but could not be removed");
    return {};
}

// A file to another file system: copied beside its target under a temporary name, checked,
// given its name, then the original goes.
QString copyAcross(const QString& from, const QString& to)
{
    const QFileInfo source(from);
    if (!QFile::copy(from, to))
        return QStringLiteral("could not be copied to ") + to;
    if (QFileInfo(to).size() != source.size()) {
        QFile::remove(to);
        return QStringLiteral("was not copied whole to ") + to;
    }
    QFile copy(to);
    if (copy.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        copy.setFileTime(source.lastModified(), QFileDevice::FileModificationTime);
    copy.close();
    if (!QFile::remove(from))
        return QStringLiteral("was copied to ") + to + QStringLiteral(" but could not be removed");
    return {};
}

// One item to the Trash. The home Trash must be there or be made first: a Trash that cannot
// be made must never become a folder "files" in the working directory, where the item would
// seem deleted. Whatever ends up elsewhere than in a Trash goes back.
bool trashOne(const QString& path)
{
    const QStorageInfo home(QDir::homePath());
    if (QStorageInfo(QFileInfo(path).absolutePath()) == home) {
        const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
        if (!QDir::isAbsolutePath(trash) || !QDir().mkpath(trash + QStringLiteral("/files"))
            || !QDir().mkpath(trash + QStringLiteral("/info")))
            return false;
    }
    QString inTrash;
    if (!QFile::moveToTrash(path, &inTrash))
        return false;
    const QString where = QDir::cleanPath(QDir::current().absoluteFilePath(inTrash));
    if (where.contains(QStringLiteral("/Trash/files/")) || where.contains(QStringLiteral("/.Trash")))
        return true;
    ::rename(QFile::encodeName(where).constData(), QFile::encodeName(path).constData());
    return false;
}

}  // namespace

FileOpResult LocalFileOps::MakeDirectory(const QString& directory, const QString& name)
{
    const QString path = QDir(directory).absoluteFilePath(name);
    if (name.isEmpty() || !QDir().mkpath(path))
        return failure(QStringLiteral("Unable to create ") + path + QStringLiteral(" ."));
    return success();
}

FileOpResult LocalFileOps::MoveToTrash(const QStringList& paths)
{
    QStringList kept;
    for (const QString& path : paths) {
        if (!trashOne(path))
            kept << path;
    }
    if (kept.isEmpty())
        return success();
    return failure(QStringLiteral("Unable to move to the Trash (nothing was deleted): ") + kept.join(QStringLiteral(", ")));
}

FileOpResult LocalFileOps::Rename(const QString& from, const QString& to)
{
    if (from == to)
        return success();
    if (!exists(from))
        return failure(QStringLiteral("Unable to rename ") + from + QStringLiteral(": it no longer exists."));
    const int error = renameNoReplace(from, to);
    if (error == EEXIST)
        return failure(QStringLiteral("Unable to rename ") + from + QStringLiteral(": ") + to + QStringLiteral(" exists."));
    if (error != 0)
        return failure(QStringLiteral("Unable to rename ") + from + QStringLiteral(": ") + systemError(error));
    return success();
}

FileOpResult LocalFileOps::Move(const QStringList& paths, const QString& targetDirectory)
{
    const QString unable = QStringLiteral("Unable to move selected files.");
    const QDir target(targetDirectory);
    for (const QString& path : paths) {
        const QFileInfo source(path);
        const QString to = target.absoluteFilePath(source.fileName());
        if (exists(to))
            return failure(unable + QStringLiteral("\n") + to + QStringLiteral(" exists."));
        const int error = renameNoReplace(path, to);
        if (error == 0)
            continue;
        if (error != EXDEV)
            return failure(unable + QStringLiteral("\n") + path + QStringLiteral(": ") + systemError(error));
        if (source.isDir() && !source.isSymLink())
            return failure(unable + QStringLiteral("\n") + path
                           + QStringLiteral(" is a folder on another file system; it was not moved."));
        const QString why = source.isSymLink() ? relinkAcross(path, to) : copyAcross(path, to);
        if (!why.isEmpty())
            return failure(unable + QStringLiteral("\n") + path + QLatin1Char(' ') + why + QLatin1Char('.'));
    }
    return success();
}
