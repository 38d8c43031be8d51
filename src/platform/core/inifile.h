#pragma once

#include "platform/core/inidocument.h"

#include <functional>
#include <memory>

// One INI file on disk ("orvoftp.ini", "sites.ini", "stats.dat"). Nothing is held between
// calls that could go stale: every read looks at the file as it is now (a parsed copy is
// reused only while the file's identity, size and modification time are unchanged), and
// every write goes to the file before the call returns, so the next read sees it.
//
// Writes replace the file atomically (a temporary file in the same directory, flushed to
// disk, then renamed over the original), keep the file's permissions, and create a new file
// with mode 0600 because these files hold scrambled passwords. A write the system refuses
// throws IniError "Unable to write to <file>"; the file is then unchanged. Reads never
// throw: a missing or unreadable file reads as empty, so every key gives its default.
class IniFile
{
public:
    explicit IniFile(QString fileName);

    const QString& fileName() const { return m_fileName; }
    bool exists() const;

    // The file's current contents (empty when it is missing or unreadable).
    std::shared_ptr<const IniDocument> read() const;

    // Applies `change` to the current contents and writes the result in one atomic step;
    // several keys changed together are never seen half-written. Nothing is written when
    // `change` throws or changes nothing.
    void edit(const std::function<void(IniDocument&)>& change);

    // --- Single-key shorthands (each a read or an edit of its own) ------------------------
    bool sectionExists(const QString& section) const { return read()->sectionExists(section); }
    bool valueExists(const QString& section, const QString& key) const { return read()->valueExists(section, key); }
    QByteArray readBytes(const QString& section, const QString& key, const QByteArray& def = {}) const
    {
        return read()->readBytes(section, key, def);
    }
    QString readString(const QString& section, const QString& key, const QString& def = {}) const
    {
        return read()->readString(section, key, def);
    }
    int readInteger(const QString& section, const QString& key, int def) const
    {
        return read()->readInteger(section, key, def);
    }
    bool readBool(const QString& section, const QString& key, bool def) const
    {
        return read()->readBool(section, key, def);
    }
    QStringList readList(const QString& section, const QString& prefix) const
    {
        return read()->readList(section, prefix);
    }

    void writeBytes(const QString& section, const QString& key, const QByteArray& value);
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void deleteKey(const QString& section, const QString& key);
    void eraseSection(const QString& section);
    void writeList(const QString& section, const QString& prefix, const QStringList& entries);

private:
    struct Stamp {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    enum class LoadResult { Loaded, Missing, Unreadable };

    LoadResult load(std::shared_ptr<const IniDocument>* doc) const;
    void save(const QByteArray& data, const QString& target);
    [[noreturn]] void writeRefused() const;
    static std::optional<Stamp> stampOf(const QString& path);

    QString m_fileName;
    mutable std::shared_ptr<const IniDocument> m_cached;
    mutable Stamp m_cachedStamp;
};
