#pragma once

#include <QString>

// Remote paths use "/" only: a "\" is an ordinary character of a remote name ("x\a.txt" is
// one file), whatever the local platform would make of it.

// The last component of a remote path ("/pub/a.txt" gives "a.txt", "/pub/dir/" gives
// "dir"); the path itself when it holds no "/".
QString RemoteFileName(const QString& path);
// The directory part with its trailing "/" ("/pub/a.txt" gives "/pub/"); empty for a bare
// name; "/" for the root itself.
QString RemoteParent(const QString& path);
// The path with exactly one trailing "/" (the root stays "/"; empty stays empty).
QString RemoteDirectoryOf(const QString& path);
// `name` in `directory`: "/pub" + "a" and "/pub/" + "a" both give "/pub/a".
QString RemoteJoin(const QString& directory, const QString& name);
// An absolute, clean form of a path typed or built for the server: relative paths start in
// `current`, "." and empty components go, ".." removes the component before it (never
// above the root). A trailing "/" stays. A path starting with "~" is left as it is: only the
// server knows the home it names.
QString RemoteResolve(const QString& current, const QString& path);
// A name a server may list that is safe to act on as one entry of the directory listed:
// not empty, not "." or "..", no "/" (a listing that names "../x" must not reach outside).
bool IsPlainRemoteName(const QString& name);
