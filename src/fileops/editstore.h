#pragma once

#include <QDir>
#include <QSet>
#include <QString>
#include <QStringList>

// Where copies of remote files fetched for viewing or editing live: one directory of the
// user's own (mode 0700, unpredictable name) under the temporary directory, with a fresh
// subfolder for every fetch, so names from different folders never collide, another local
// user can neither read a copy nor plant a link for the download to follow, and a server's
// name ("../x", "a/b", a line break) never leads outside the subfolder.
//
// When the store goes (the program's exit) every copy is removed, except those marked kept:
// edited copies that did not go back to the server. Their paths are written to the log.
class EditStore
{
public:
    // `base`: where the private directory is made, the system's temporary directory normally.
    explicit EditStore(QString base = QDir::tempPath());
    ~EditStore();
    EditStore(const EditStore&) = delete;
    EditStore& operator=(const EditStore&) = delete;

    // A path for a fresh copy of the remote file `remoteName` (a name or a path; only its last
    // part counts) in a new, empty subfolder. Empty, with the reason in `error`, when the
    // private directory or the subfolder cannot be made.
    QString NewCopyPath(const QString& remoteName, QString* error = nullptr);
    // The copy stays on disk when the store goes; Release takes that back.
    void Keep(const QString& copyPath);
    void Release(const QString& copyPath);
    bool IsKept(const QString& copyPath) const { return m_kept.contains(subfolderOf(copyPath)); }
    // Removes the copy's subfolder now (a fetch that failed left nothing worth keeping).
    void Remove(const QString& copyPath);
    QStringList KeptCopies() const;

    // The private directory; empty until the first copy needed it.
    const QString& Directory() const { return m_root; }

    // A remote name as a local file name: its last "/"-separated part, with "\", control
    // characters and DEL replaced by "_", "." and ".." (and nothing) by "_", cut to the file
    // system's 255 bytes keeping its extension.
    static QString SafeName(const QString& remoteName);

private:
    static bool privateDirectory(const QString& path);
    bool makeRoot(QString* error);
    QString subfolderOf(const QString& copyPath) const;

    QString m_base;
    QString m_root;
    QStringList m_roots;         // every private directory made (a replaced one is not reused)
    QSet<QString> m_subfolders;  // made by this store, each with a trailing "/"
    QSet<QString> m_kept;        // subfolders to leave on disk
    QStringList m_keptFiles;
};
