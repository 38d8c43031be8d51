#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct ssl_ctx_st;
struct ssl_st;
struct ssl_session_st;
struct x509_st;

// A TLS session to resume: the control connection records the newest one the server gave
// it, and every data connection offers it (servers such as vsftpd refuse data connections
// that do not resume the control connection's session).
class TlsSessionTicket
{
public:
    explicit TlsSessionTicket(ssl_session_st* session) : m_session(session) {}  // takes ownership
    ~TlsSessionTicket();
    TlsSessionTicket(const TlsSessionTicket&) = delete;
    TlsSessionTicket& operator=(const TlsSessionTicket&) = delete;
    ssl_session_st* get() const { return m_session; }

private:
    ssl_session_st* m_session;
};

// The sessions a server issued on one FTP session's connections, for the next data
// connection to resume. A TLS 1.2 session may be resumed again and again; a TLS 1.3 ticket
// only once (servers that keep their tickets, as vsftpd does, drop one when it is used), so
// each is handed out once and the connections that resume bring new ones.
class TlsSessionPool
{
public:
    void add(ssl_session_st* session);  // takes ownership
    std::shared_ptr<TlsSessionTicket> take();
    int size() const { return int(m_sessions.size()); }
    void clear() { m_sessions.clear(); }

private:
    std::vector<std::shared_ptr<TlsSessionTicket>> m_sessions;  // oldest first
};

// What is shown of a server's certificate when it cannot be verified.
struct TlsCertificateInfo {
    QString subject;
    QString issuer;
    QDateTime notBefore;
    QDateTime notAfter;
    QString sha256;  // 64 lowercase hexadecimal digits
};

// The client side's TLS configuration (OpenSSL): the system's CA store plus the files given
// with --ca, TLS 1.2 at least, client session caching so data connections can resume.
// Certificates are verified after the handshake (the engine decides what a failure means),
// so the handshake itself never fails on an untrusted certificate.
class TlsContext
{
public:
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    ssl_ctx_st* get() const { return m_ctx; }
    // Why the context could not be made; empty when it is usable.
    const QString& error() const { return m_error; }

    // A certificate or CA file trusted for the rest of this process (--ca); applies to
    // contexts created afterwards. False, with a reason, when the file holds no certificate.
    static bool addTrustedFile(const QString& path, QString* error = nullptr);
    static QStringList trustedFiles();

    // The newest OpenSSL error as text (and clears the queue).
    static QString lastErrorText();
    static TlsCertificateInfo describe(x509_st* certificate);

private:
    ssl_ctx_st* m_ctx = nullptr;
    QString m_error;
};
