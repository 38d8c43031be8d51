#include "session/localdir.h"

#include <QFile>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

struct DirCloser
{
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

bool ReadLocalDirectory(const QString& directory, std::vector<TLocalEntry>& entries)
{
    entries.clear();
    std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(directory).constData()));
    if (!dir)
        return false;
    const int fd = dirfd(dir.get());
    while (const dirent* item = readdir(dir.get())) {
        TLocalEntry entry;
        entry.name = QFile::decodeName(item->d_name);
        struct stat info {};
        // A link counts as what it points to; a dangling one as itself.
        if (fstatat(fd, item->d_name, &info, 0) == 0 || fstatat(fd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.isDir = S_ISDIR(info.st_mode);
            entry.size = entry.isDir ? 0 : qint64(info.st_size);
            entry.mtimeMs = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
            entry.timeKnown = true;
        } else if (item->d_type == DT_DIR) {
            entry.isDir = true;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}
