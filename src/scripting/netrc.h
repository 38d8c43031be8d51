#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct ConnectionRequest;

// ~/.netrc, read as curl and lftp read it: "machine NAME", "login NAME", "password PASS",
// "account ACCT", "default" (for any other host) and "macdef NAME" (a macro up to the next
// empty line, skipped), separated by blanks, tabs or line ends. Values may be "quoted" with
// \\, \", \n, \r and \t escapes; a "#" at the start of a word starts a comment up to the line end.
struct NetrcEntry
{
    QString login;
    QString password;
    QString account;
};

// The entry for `host` (letter case ignored): the first "machine" entry of that host whose
// login is `user` (any login when `user` is empty), else the "default" entry under the same
// rule. Nothing when no entry fits or the entry has no password.
std::optional<NetrcEntry> LookupNetrc(const QByteArray& content, const QString& host, const QString& user = {});

// $HOME/.netrc.
QString NetrcPath();

// CONNECT without a password: the user and password (and account) from the netrc file at
// `path` when it names the request's host. True when the request was completed.
bool ApplyNetrc(ConnectionRequest& request, const QString& path = NetrcPath());
