#pragma once

#include "engine/ftp.h"
#include "serverprocess.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// One of the real servers the engine is tested against, serving a fresh directory.
enum class ServerKind { Pyftpdlib, Vsftpd };

inline const char* serverKindName(ServerKind kind)
{
    return kind == ServerKind::Pyftpdlib ? "pyftpdlib" : "vsftpd";
}

class RealServer
{
public:
    // Starts the server (extra.throttle applies to both kinds); on failure `skipReason` or `error` says why.
    bool start(ServerKind kind, const PyFtpOptions& extra = {});

    QString root() const { return m_root.path(); }
    QString path(const QString& name) const { return m_root.filePath(name); }
    quint16 port() const { return m_server->port(); }
    QString user() const { return m_user; }
    QString password() const { return m_password; }
    // Writes a file into the served tree, owned by the server's account (so it may change it).
    bool putFile(const QString& name, const QByteArray& data) const;
    // Gives everything under the root to the server's account (vsftpd writes as that user).
    void adoptTree() const;
    void configure(TFtp& ftp) const;
    // The server goes away (its files stay).
    void stop() { m_server.reset(); }

    QString skipReason;
    QString error;

private:
    QTemporaryDir m_root;
    std::unique_ptr<ServerProcess> m_server;
    QString m_user;
    QString m_password;
    ServerKind m_kind = ServerKind::Pyftpdlib;
};

// Starts `kind` for a test body, skipping when the machine cannot run it.
#define START_SERVER_OR_SKIP(server, kind, ...)                                      \
    do {                                                                             \
        if (!(server).start((kind), ##__VA_ARGS__)) {                                \
            if (!(server).skipReason.isEmpty())                                      \
                GTEST_SKIP() << (server).skipReason.toStdString();                   \
            FAIL() << "server did not start: " << (server).error.toStdString();      \
        }                                                                            \
    } while (0)
