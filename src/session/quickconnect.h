#pragma once

#include <QString>
#include <optional>

// What the quick-connect box holds, read the way the connect routine reads it. Fields that
// the text does not set stay empty (std::nullopt), so the boxes keep what they have.
struct QuickConnectText {
    bool isAddress = false;  // an "ftp://", "ftps://" or "ftpes://" address
    quint8 encryption = 0;   // 0 ftp://, 1 ftpes:// (explicit TLS), 2 ftps:// (implicit TLS)
    QString host;            // for the server box
    std::optional<QString> user;
    std::optional<QString> password;
    std::optional<QString> port;
    std::optional<QString> initialDirectory;
    QString remoteFile;  // an address naming a file: its full path, to be queued
};

// "ftp://[user[:password]@]host[:port][/path]". User and password may be percent-encoded.
// "ftps://" (implicit TLS, port 990 unless given) and "ftpes://" (explicit TLS) alike. An
// IPv6 host stands in brackets: "ftp://[::1]:2121/".
QuickConnectText parseFtpAddress(const QString& text);
// True when the text holds an address of one of those schemes.
bool isFtpAddress(const QString& text);

// A typed host: "host", "host:port", "host:user:pass", "host:user:pass:port", with an
// optional "|dir" or "/dir" after the host. More colons than that set only the host. An IPv6
// host stands in brackets: "[::1]", "[::1]:2121", "[::1]:user:pass:2121".
QuickConnectText parseTypedHost(const QString& text);

// The site-name candidate of a typed text: up to the first ":", then up to the first "/".
QString siteNameCandidate(const QString& text);

// The history item of a successful connect: host, ":user:password" unless the user is empty
// or anonymous, ":port" unless the port is empty or 21. An IPv6 host is written in brackets.
QString historyItem(const QString& host, const QString& user, const QString& password, const QString& port);
