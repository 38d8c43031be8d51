#pragma once

#include <QString>
#include <optional>

// What the quick-connect box holds, read the way the connect routine reads it. Fields that
// the text does not set stay empty (std::nullopt), so the boxes keep what they have.
struct QuickConnectText {
    bool isAddress = false;  // an "ftp://" address
    QString host;            // for the server box
    std::optional<QString> user;
    std::optional<QString> password;
    std::optional<QString> port;
    std::optional<QString> initialDirectory;
    QString remoteFile;  // an address naming a file: its full path, to be queued
};

// "ftp://[user[:password]@]host[:port][/path]". User and password may be percent-encoded.
QuickConnectText parseFtpAddress(const QString& text);

// A typed host: "host", "host:port", "host:user:pass", "host:user:pass:port", with an
// optional "|dir" or "/dir" after the host. More colons than that set only the host.
QuickConnectText parseTypedHost(const QString& text);

// The site-name candidate of a typed text: up to the first ":", then up to the first "/".
QString siteNameCandidate(const QString& text);

// The history item of a successful connect: host, ":user:password" unless the user is empty
// or anonymous, ":port" unless the port is empty or 21.
QString historyItem(const QString& host, const QString& user, const QString& password, const QString& port);
