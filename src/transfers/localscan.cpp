#include "transfers/localscan.h"

#include "session/pathhelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { closedir(dir); }
};

QString leftOut(const QString& path, const QString& reason)
{
    return QStringLiteral("Not uploaded: \"") + path + QStringLiteral("\" ") + reason;
}

// The real locations of the folder and of every folder above it as the path names them: a
// link to any of them would make the upload descend forever.
QSet<QString> realAncestors(const QString& folder)
{
    QSet<QString> real;
    QString path = QDir::cleanPath(folder);
    while (true) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (!canonical.isEmpty())
            real.insert(canonical);
        if (path == QLatin1String("/") || path.isEmpty())
            break;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        path = slash <= 0 ? QStringLiteral("/") : path.left(slash);
    }
    return real;
}

}  // namespace

bool IsRegularFile(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

UploadFolderScan ScanUploadFolder(const QString& folder, const LocalFilter& filter)
{
    UploadFolderScan scan;
    const QString base = EnsureTrailingSeparator(folder);
    std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(base).constData()));
    if (!dir)
        return scan;
    scan.ok = true;
    const int fd = dirfd(dir.get());
    QSet<QString> ancestors;
    bool ancestorsKnown = false;
    while (const dirent* item = readdir(dir.get())) {
        const QString name = QFile::decodeName(item->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        struct stat own {};
        struct stat target {};
        if (fstatat(fd, item->d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
            continue;  // gone meanwhile
        const bool link = S_ISLNK(own.st_mode);
        if (link && fstatat(fd, item->d_name, &target, 0) != 0) {
            scan.skipped << leftOut(base + name, QStringLiteral("is a broken link."));
            continue;
        }
        const struct stat& info = link ? target : own;
        if (!S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode)) {
            scan.skipped << leftOut(base + name, QStringLiteral("is no regular file or folder."));
            continue;
        }
        const bool isFolder = S_ISDIR(info.st_mode);
        if (isFolder && link) {
            if (!std::exchange(ancestorsKnown, true))
                ancestors = realAncestors(base);
            if (ancestors.contains(QFileInfo(base + name).canonicalFilePath())) {
                scan.skipped << leftOut(base + name, QStringLiteral("is a link back into its own folder."));
                continue;
            }
        }
        if (!MatchMask(name, filter.mask) && !(isFolder && !filter.filterDirectories))
            continue;
        scan.items.push_back({name, isFolder, isFolder ? 0 : qint64(info.st_size)});
    }
    std::sort(scan.items.begin(), scan.items.end(), [](const UploadItem& a, const UploadItem& b) {
        if (a.folder != b.folder)
            return a.folder;
        return a.name < b.name;
    });
    return scan;
}
