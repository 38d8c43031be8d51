// The stream side of TStarSocket: reads and writes of a plain or TLS connection, and the TLS
// handshake, close-notify and session recording on the socket's own event model.
#include "engine/starsock.h"

#include "engine/hooks.h"
#include "engine/tlscontext.h"
#include "engine/winsockerrors.h"

#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace {

int socketIndex()
{
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

}  // namespace

// The server issued a session (at the end of a TLS 1.2 handshake, or as a TLS 1.3 ticket
// after it): it goes to the FTP session's pool, for its next data connection to resume.
int tlsNewSession(SSL* ssl, SSL_SESSION* session)
{
    auto* socket = static_cast<TStarSocket*>(SSL_get_ex_data(ssl, socketIndex()));
    if (!socket || !socket->m_tlsSessions)
        return 0;
    socket->m_tlsSessions->add(session);
    return 1;
}

qint64 TStarSocket::streamRead(char* buffer, qint64 length, bool peek)
{
    if (!m_ssl) {
        for (;;) {
            const ssize_t got = ::recv(m_fd, buffer, size_t(length), peek ? MSG_PEEK : 0);
            if (got >= 0)
                return got;
            if (errno == EINTR)
                continue;
            if (errno == EWOULDBLOCK || errno == EAGAIN)
                return -1;
            recordError(errno);
            return -2;
        }
    }
    if (m_tlsState == TlsState::Handshaking)
        return -1;
    if (m_tlsState != TlsState::Ready) {
        LastError = Winsock::WSAECONNABORTED;
        return -2;
    }
    if (peek) {
        ERR_clear_error();
        size_t got = 0;
        const int rc = SSL_peek_ex(m_ssl, buffer, size_t(length), &got);
        return rc == 1 ? qint64(got) : tlsFailure(rc, true);
    }
    // One record (16 KiB at most) per SSL_read: the buffer is filled from as many records as
    // are there, so a download writes its file in large pieces.
    qint64 total = 0;
    while (total < length) {
        ERR_clear_error();
        size_t got = 0;
        const int rc = SSL_read_ex(m_ssl, buffer + total, size_t(length - total), &got);
        if (rc == 1) {
            total += qint64(got);
            continue;
        }
        const qint64 failure = tlsFailure(rc, true);
        // What was read goes first; the end or the error shows on the next read.
        return total > 0 ? total : failure;
    }
    return total;
}

qint64 TStarSocket::streamWrite(const char* data, qint64 length)
{
    if (length <= 0)
        return 0;
    if (!m_ssl) {
        for (;;) {
            const ssize_t sent = ::send(m_fd, data, size_t(length), MSG_NOSIGNAL);
            if (sent > 0)
                return sent;
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent == 0 || errno == EWOULDBLOCK || errno == EAGAIN)
                return -1;
            recordError(errno);
            return -2;
        }
    }
    if (m_tlsState == TlsState::Handshaking)
        return -1;  // the end of the handshake raises the write event
    if (m_tlsState != TlsState::Ready) {
        LastError = Winsock::WSAECONNABORTED;
        return -2;
    }
    ERR_clear_error();
    size_t written = 0;
    const int rc = SSL_write_ex(m_ssl, data, size_t(length), &written);
    if (rc == 1)
        return qint64(written);
    return tlsFailure(rc, false);
}

qint64 TStarSocket::tlsFailure(int sslResult, bool reading)
{
    const int error = SSL_get_error(m_ssl, sslResult);
    switch (error) {
    case SSL_ERROR_ZERO_RETURN:
        // The peer's close-notify (or, allowed by the context, a plain close).
        if (reading)
            return 0;
        LastError = Winsock::WSAECONNRESET;
        return -2;
    case SSL_ERROR_WANT_READ:
        if (!reading) {
            m_tlsWriteWantsRead = true;
            enableRead(true);
        }
        return -1;
    case SSL_ERROR_WANT_WRITE:
        if (reading) {
            m_tlsReadWantsWrite = true;
            armWrite();
        }
        return -1;
    case SSL_ERROR_SYSCALL: {
        const int cause = errno;
        if (reading && cause == 0)
            return 0;
        recordError(cause != 0 ? cause : ECONNRESET);
        if (LastError == 0)
            LastError = Winsock::WSAECONNRESET;
        return -2;
    }
    default:
        m_tlsError = TlsContext::lastErrorText();
        m_tlsState = TlsState::Failed;
        LastError = Winsock::WSAECONNABORTED;
        return -2;
    }
}

void TStarSocket::StartTls(const TlsOptions& options)
{
    freeTls();
    m_tlsContext = options.context;
    m_tlsError.clear();
    m_tlsState = TlsState::Handshaking;
    if (m_fd < 0 || !m_tlsContext || !m_tlsContext->get()) {
        const QString reason = m_tlsContext && !m_tlsContext->error().isEmpty() ? m_tlsContext->error()
                                                                                 : QStringLiteral("no connection");
        QPointer<TStarSocket> self(this);
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(this, [self, generation, reason] {
            if (self && self->m_generation == generation)
                self->finishHandshake(false, reason);
        }, Qt::QueuedConnection);
        return;
    }
    SSL_CTX_sess_set_new_cb(m_tlsContext->get(), tlsNewSession);
    m_ssl = SSL_new(m_tlsContext->get());
    SSL_set_fd(m_ssl, m_fd);
    SSL_set_ex_data(m_ssl, socketIndex(), this);
    m_tlsSessions = options.sessions;
    const QByteArray name = options.verifyName.toUtf8();
    const QHostAddress literal(options.verifyName);
    if (!literal.isNull()) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), name.constData());
    } else if (!name.isEmpty()) {
        SSL_set_tlsext_host_name(m_ssl, name.constData());
        SSL_set1_host(m_ssl, name.constData());
    }
    if (options.resume)
        SSL_set_session(m_ssl, options.resume->get());
    SetTimeout(TimeOutConnect);
    // The socket is writable: the handshake's first flight goes out from the write event.
    armWrite();
}

void TStarSocket::continueHandshake()
{
    ERR_clear_error();
    const int rc = SSL_connect(m_ssl);
    if (rc == 1) {
        finishHandshake(true, {});
        return;
    }
    const int error = SSL_get_error(m_ssl, rc);
    if (error == SSL_ERROR_WANT_READ) {
        enableRead(true);
        return;
    }
    if (error == SSL_ERROR_WANT_WRITE) {
        enableRead(false);
        armWrite();
        return;
    }
    QString reason = TlsContext::lastErrorText();
    if (reason.isEmpty()) {
        const int cause = errno;
        reason = error == SSL_ERROR_SYSCALL && cause != 0
                     ? QString::fromLocal8Bit(std::strerror(cause))
                     : QStringLiteral("the server closed the connection during the TLS handshake");
    }
    finishHandshake(false, reason);
}

void TStarSocket::finishHandshake(bool ok, const QString& reason)
{
    stopTimeout();
    m_tlsState = ok ? TlsState::Ready : TlsState::Failed;
    m_tlsError = reason;
    LastError = ok ? 0 : Winsock::WSAECONNABORTED;
    if (!ok)
        enableRead(false);
    else
        enableRead(!m_readPaused);
    QPointer<TStarSocket> self(this);
    const quint64 generation = m_generation;
    raiseHook(OnTlsDone);
    if (!ok || !self || generation != m_generation || m_fd < 0)
        return;
    // Data may have come with the handshake's last flight; senders wait for a write event.
    postTlsPending();
    armWrite();
}

bool TStarSocket::tlsDrivesEvent(bool readable)
{
    if (m_tlsState == TlsState::Handshaking) {
        continueHandshake();
        return true;
    }
    if (m_tlsState != TlsState::Ready)
        return false;
    if (readable) {
        if (m_tlsWriteWantsRead) {
            m_tlsWriteWantsRead = false;
            armWrite();
        }
        return false;
    }
    if (m_tlsReadWantsWrite) {
        m_tlsReadWantsWrite = false;
        enableRead(!m_readPaused);
        QMetaObject::invokeMethod(this, &TStarSocket::onReadable, Qt::QueuedConnection);
    }
    if (m_tlsShutdownPending) {
        if (SendCloseNotify())
            raiseHook(OnSendReady);
        return true;
    }
    return false;
}

void TStarSocket::postTlsPending()
{
    // Records OpenSSL has read already raise no socket event: they are handed on from here.
    if (!m_ssl || m_tlsPendingPosted || m_tlsState != TlsState::Ready || !SSL_has_pending(m_ssl))
        return;
    m_tlsPendingPosted = true;
    QPointer<TStarSocket> self(this);
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(this, [self, generation] {
        if (!self || self->m_generation != generation)
            return;
        self->m_tlsPendingPosted = false;
        if (self->m_readPaused || !self->m_readNotifier || !self->m_readNotifier->isEnabled())
            return;
        self->onReadable();
    }, Qt::QueuedConnection);
}

bool TStarSocket::SendCloseNotify()
{
    if (!m_ssl || m_tlsState != TlsState::Ready || m_fd < 0)
        return true;
    ERR_clear_error();
    const int rc = SSL_shutdown(m_ssl);
    if (rc >= 0) {
        m_tlsShutdownPending = false;
        return true;
    }
    if (SSL_get_error(m_ssl, rc) == SSL_ERROR_WANT_WRITE) {
        m_tlsShutdownPending = true;
        armWrite();
        return false;
    }
    m_tlsShutdownPending = false;
    return true;
}

void TStarSocket::ShutdownSend()
{
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_WR);
}

void TStarSocket::PauseReading(bool paused)
{
    m_readPaused = paused;
    if (paused) {
        enableRead(false);
        return;
    }
    enableRead(true);
    postTlsPending();
}

void TStarSocket::freeTls()
{
    if (!m_ssl) {
        m_tlsState = TlsState::None;
        return;
    }
    // The close-notify of a connection ending normally; best effort, it never waits.
    if (m_tlsState == TlsState::Ready && m_fd >= 0 && !(SSL_get_shutdown(m_ssl) & SSL_SENT_SHUTDOWN)) {
        ERR_clear_error();
        SSL_shutdown(m_ssl);
    }
    ERR_clear_error();
    SSL_free(m_ssl);
    m_ssl = nullptr;
    m_tlsState = TlsState::None;
    m_tlsContext.reset();
    m_tlsSessions.reset();
    m_tlsReadWantsWrite = false;
    m_tlsWriteWantsRead = false;
    m_tlsShutdownPending = false;
    m_tlsPendingPosted = false;
}

QString TStarSocket::TlsDescription() const
{
    if (!m_ssl)
        return {};
    return QStringLiteral("%1, %2").arg(QString::fromLatin1(SSL_get_version(m_ssl)),
                                        QString::fromLatin1(SSL_get_cipher_name(m_ssl)));
}

bool TStarSocket::TlsResumed() const
{
    return m_ssl && SSL_session_reused(m_ssl) == 1;
}

long TStarSocket::TlsVerifyResult() const
{
    if (!m_ssl)
        return X509_V_ERR_UNSPECIFIED;
    // Without a certificate there is nothing verified (OpenSSL then reports success).
    X509* peer = SSL_get0_peer_certificate(m_ssl);
    return peer ? SSL_get_verify_result(m_ssl) : X509_V_ERR_UNSPECIFIED;
}

QString TStarSocket::TlsVerifyText() const
{
    return QString::fromLatin1(X509_verify_cert_error_string(TlsVerifyResult()));
}

TlsCertificateInfo TStarSocket::TlsPeerCertificate() const
{
    if (!m_ssl)
        return {};
    return TlsContext::describe(SSL_get0_peer_certificate(m_ssl));
}
