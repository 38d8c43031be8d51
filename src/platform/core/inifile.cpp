#include "platform/core/inifile.h"

#include "platform/core/apperror.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Files created by the program hold scrambled passwords: owner only.
constexpr mode_t NewFileMode = 0600;

}  // namespace

IniFile::IniFile(QString fileName) : m_fileName(std::move(fileName)) {}

bool IniFile::exists() const
{
    return QFileInfo::exists(m_fileName);
}

std::optional<IniFile::Stamp> IniFile::stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    Stamp stamp;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return stamp;
}

IniFile::LoadResult IniFile::load(std::shared_ptr<const IniDocument>* doc) const
{
    static const auto empty = std::make_shared<const IniDocument>();
    const std::optional<Stamp> stamp = stampOf(m_fileName);
    if (!stamp) {
        const int error = errno;
        *doc = empty;
        return error == ENOENT || error == ENOTDIR ? LoadResult::Missing : LoadResult::Unreadable;
    }
    if (m_cached && *stamp == m_cachedStamp) {
        *doc = m_cached;
        return LoadResult::Loaded;
    }
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *doc = empty;
        return LoadResult::Unreadable;
    }
    // Keep the parsed copy only when the file did not change while it was read.
    const std::optional<Stamp> readStamp = stampOf(m_fileName);
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *doc = empty;
        return LoadResult::Unreadable;
    }
    auto parsed = std::make_shared<const IniDocument>(IniDocument::parse(data));
    if (readStamp && readStamp == stampOf(m_fileName)) {
        m_cached = parsed;
        m_cachedStamp = *readStamp;
    }
    *doc = std::move(parsed);
    return LoadResult::Loaded;
}

std::shared_ptr<const IniDocument> IniFile::read() const
{
    std::shared_ptr<const IniDocument> doc;
    load(&doc);
    return doc;
}

void IniFile::edit(const std::function<void(IniDocument&)>& change)
{
    std::shared_ptr<const IniDocument> current;
    // Never replace a file whose contents could not be read: that would erase it.
    if (load(&current) == LoadResult::Unreadable)
        writeRefused();
    IniDocument doc = *current;
    try {
        change(doc);
    } catch (const IniError& e) {
        if (!e.fileName().isEmpty())
            throw;
        throw IniError(QStringLiteral("%1 (%2)").arg(e.text(), m_fileName), m_fileName);
    }
    const QByteArray data = doc.serialize();
    if (data == current->serialize())
        return;

    // Write through a symbolic link to the file it names, keeping the link.
    const QFileInfo info(m_fileName);
    QString target = m_fileName;
    if (info.isSymLink())
        target = info.exists() ? info.canonicalFilePath() : info.symLinkTarget();
    save(data, target);

    m_cached = std::make_shared<const IniDocument>(std::move(doc));
    if (const std::optional<Stamp> stamp = stampOf(m_fileName))
        m_cachedStamp = *stamp;
    else
        m_cached.reset();
}

void IniFile::save(const QByteArray& data, const QString& target)
{
    const QByteArray targetPath = QFile::encodeName(target);
    struct stat st {};
    const bool existed = ::stat(targetPath.constData(), &st) == 0;
    // A file the user made read-only stays as it is, as it would with an in-place write.
    if (existed && ::access(targetPath.constData(), W_OK) != 0)
        writeRefused();

    const QFileInfo targetInfo(target);
    QTemporaryFile temp(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName()
                        + QStringLiteral(".XXXXXX"));
    if (!temp.open())
        writeRefused();
    const int fd = temp.handle();
    if (temp.write(data) != data.size() || !temp.flush())
        writeRefused();
    if (::fchmod(fd, existed ? (st.st_mode & 07777) : NewFileMode) != 0)
        writeRefused();
    if (existed && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        // Only root can give the file back to its owner; anyone else keeps it as created.
        [[maybe_unused]] const int ignored = ::fchown(fd, st.st_uid, st.st_gid);
    }
    if (::fsync(fd) != 0)
        writeRefused();
    temp.close();
    if (::rename(QFile::encodeName(temp.fileName()).constData(), targetPath.constData()) != 0)
        writeRefused();
    temp.setAutoRemove(false);
}

void IniFile::writeRefused() const
{
    throw IniError(QStringLiteral("Unable to write to %1").arg(m_fileName), m_fileName);
}

// --- Single-key shorthands ------------------------------------------------------------------

void IniFile::writeBytes(const QString& section, const QString& key, const QByteArray& value)
{
    edit([&](IniDocument& d) { d.writeBytes(section, key, value); });
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    edit([&](IniDocument& d) { d.writeString(section, key, value); });
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    edit([&](IniDocument& d) { d.writeInteger(section, key, value); });
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    edit([&](IniDocument& d) { d.writeBool(section, key, value); });
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    edit([&](IniDocument& d) { d.deleteKey(section, key); });
}

void IniFile::eraseSection(const QString& section)
{
    edit([&](IniDocument& d) { d.eraseSection(section); });
}

void IniFile::writeList(const QString& section, const QString& prefix, const QStringList& entries)
{
    edit([&](IniDocument& d) { d.writeList(section, prefix, entries); });
}
