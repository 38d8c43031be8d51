#include "session/listingcache.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <utility>

TListingCache::TListingCache(QString tempDir)
    : m_tempDir(std::move(tempDir))
{
}

TListingCache::~TListingCache()
{
    flush();
}

int TListingCache::find(const QString& directory) const
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].directory == directory)
            return int(i);
    }
    return -1;
}

bool TListingCache::beginEntry(const QString& directory)
{
    abandonEntry();
    const QString dir = m_tempDir.isEmpty() ? QDir::tempPath() : m_tempDir;
    auto file = std::make_unique<QTemporaryFile>(QDir(dir).filePath(QStringLiteral("ftpXXXXXX")));
    file->setAutoRemove(false);  // the cache decides when the file goes
    if (!file->open())
        return false;
    m_writerFile = file->fileName();
    m_entries.push_back({directory, m_writerFile});
    m_writer = std::move(file);
    m_writeFailed = false;
    return true;
}

void TListingCache::writeLine(const QString& line)
{
    if (!m_writer || m_writeFailed)
        return;
    QByteArray bytes = line.toUtf8();
    bytes.append('\n');
    if (m_writer->write(bytes) != bytes.size())
        m_writeFailed = true;
}

bool TListingCache::endEntry()
{
    if (!m_writer)
        return true;
    const bool flushed = m_writer->flush();
    m_writer->close();
    m_writer.reset();
    const QString written = std::exchange(m_writerFile, QString());
    if (!m_writeFailed && flushed)
        return true;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].file == written) {
            drop(int(i));
            break;
        }
    }
    return false;
}

void TListingCache::abandonEntry()
{
    if (!m_writer)
        return;
    m_writeFailed = true;
    endEntry();
}

void TListingCache::drop(int index)
{
    if (index < 0 || index >= count())
        return;
    const Entry gone = m_entries[size_t(index)];
    if (m_writer && gone.file == m_writerFile) {
        m_writer->close();
        m_writer.reset();
        m_writerFile.clear();
    }
    QFile::remove(gone.file);
    m_entries.erase(m_entries.begin() + index);
}

void TListingCache::flush()
{
    while (!m_entries.empty())
        drop(count() - 1);
    m_writer.reset();
    m_writerFile.clear();
}

std::optional<QStringList> TListingCache::readLines(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = in.readAll();
    QStringList lines;
    for (const QByteArray& line : bytes.split('\n')) {
        if (!line.isEmpty())
            lines << QString::fromUtf8(line);
    }
    return lines;
}
