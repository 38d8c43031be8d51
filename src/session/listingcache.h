#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QFile;

// Remote listings kept in temporary files, so that a directory visited again while browsing
// or walked by a folder download needs no new listing. An ordered list of (directory with a
// trailing separator, file) pairs; lookups compare the directory text exactly and take the
// first match. Each file holds the raw lines the parser accepted, one per line.
//
// Files get unique, unpredictable names ("ftp" + random) in the temporary directory and are
// created readable by the owner only. Every file the cache made is deleted when its entry is
// dropped, on Flush, and when the cache is destroyed.
class TListingCache
{
public:
    explicit TListingCache(QString tempDir = {});
    ~TListingCache();
    TListingCache(const TListingCache&) = delete;
    TListingCache& operator=(const TListingCache&) = delete;

    void setTempDir(const QString& tempDir) { m_tempDir = tempDir; }

    struct Entry
    {
        QString directory;
        QString file;
    };

    int count() const { return int(m_entries.size()); }
    const Entry& entry(int index) const { return m_entries.at(size_t(index)); }
    int find(const QString& directory) const;  // -1 when not cached

    // Creates the file for `directory`, appends the pair and opens the file for the lines
    // that follow. False (nothing appended) when the file cannot be created.
    bool beginEntry(const QString& directory);
    bool writing() const { return m_writer != nullptr; }
    void writeLine(const QString& line);
    // Closes the file being written. Returns false when a write failed: the entry is dropped
    // then, as a partial file would later pass for the whole directory.
    bool endEntry();
    // Drops the entry being written (the listing failed), if any.
    void abandonEntry();

    void drop(int index);
    void flush();

    // The lines of an entry's file; nothing when the file is gone or unreadable.
    static std::optional<QStringList> readLines(const QString& file);

private:
    QString m_tempDir;
    std::vector<Entry> m_entries;
    std::unique_ptr<QFile> m_writer;
    QString m_writerFile;
    bool m_writeFailed = false;
};
