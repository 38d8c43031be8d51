#include "engine/tlscontext.h"

#include <QFile>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

QStringList& extraTrust()
{
    static QStringList files;
    return files;
}

QString nameText(const X509_NAME* name)
{
    if (!name)
        return {};
    BIO* bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    const QString text = QString::fromUtf8(data, int(length));
    BIO_free(bio);
    return text;
}

QDateTime timeOf(const ASN1_TIME* time)
{
    tm parsed{};
    if (!time || ASN1_TIME_to_tm(time, &parsed) != 1)
        return {};
    return QDateTime(QDate(parsed.tm_year + 1900, parsed.tm_mon + 1, parsed.tm_mday),
                     QTime(parsed.tm_hour, parsed.tm_min, parsed.tm_sec), Qt::UTC);
}

}  // namespace

TlsSessionTicket::~TlsSessionTicket()
{
    SSL_SESSION_free(m_session);
}

void TlsSessionPool::add(SSL_SESSION* session)
{
    auto ticket = std::make_shared<TlsSessionTicket>(session);
    if (SSL_SESSION_is_resumable(session) != 1)
        return;
    m_sessions.push_back(std::move(ticket));
    // A handful is plenty: every connection that resumes brings a new one.
    constexpr size_t kKept = 8;
    if (m_sessions.size() > kKept)
        m_sessions.erase(m_sessions.begin(), m_sessions.end() - kKept);
}

std::shared_ptr<TlsSessionTicket> TlsSessionPool::take()
{
    if (m_sessions.empty())
        return {};
    std::shared_ptr<TlsSessionTicket> newest = m_sessions.back();
    if (SSL_SESSION_get_protocol_version(newest->get()) >= TLS1_3_VERSION)
        m_sessions.pop_back();
    return newest;
}

TlsContext::TlsContext()
{
    m_ctx = SSL_CTX_new(TLS_client_method());
    if (!m_ctx) {
        m_error = lastErrorText();
        return;
    }
    SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION);
    // A peer that closes without close-notify ends the stream like one that sends it: the
    // FTP reply says whether the transfer was complete.
    SSL_CTX_set_options(m_ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(m_ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER
                                | SSL_MODE_RELEASE_BUFFERS);
    // Reading whole socket buffers at once saves a system call per record on bulk data.
    SSL_CTX_set_read_ahead(m_ctx, 1);
    SSL_CTX_set_default_read_buffer_len(m_ctx, 256 * 1024);
    SSL_CTX_set_verify(m_ctx, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_default_verify_paths(m_ctx);
    // A server certificate trusted directly (not only its CA) counts as trusted.
    X509_VERIFY_PARAM_set_flags(SSL_CTX_get0_param(m_ctx), X509_V_FLAG_PARTIAL_CHAIN);
    for (const QString& file : extraTrust())
        SSL_CTX_load_verify_locations(m_ctx, QFile::encodeName(file).constData(), nullptr);
    SSL_CTX_set_session_cache_mode(m_ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(m_ctx);
}

bool TlsContext::addTrustedFile(const QString& path, QString* error)
{
    // Checked now, so a wrong --ca shows at once rather than as an untrusted server later.
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "r");
    if (!file) {
        if (error)
            *error = QStringLiteral("cannot open %1").arg(path);
        return false;
    }
    X509* certificate = PEM_read_X509(file, nullptr, nullptr, nullptr);
    std::fclose(file);
    if (!certificate) {
        ERR_clear_error();
        if (error)
            *error = QStringLiteral("%1 holds no PEM certificate").arg(path);
        return false;
    }
    X509_free(certificate);
    extraTrust().append(path);
    return true;
}

QStringList TlsContext::trustedFiles()
{
    return extraTrust();
}

QString TlsContext::lastErrorText()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return {};
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    const char* reason = ERR_reason_error_string(code);
    return reason ? QString::fromUtf8(reason) : QString::fromUtf8(text);
}

TlsCertificateInfo TlsContext::describe(X509* certificate)
{
    TlsCertificateInfo info;
    if (!certificate)
        return info;
    info.subject = nameText(X509_get_subject_name(certificate));
    info.issuer = nameText(X509_get_issuer_name(certificate));
    info.notBefore = timeOf(X509_get0_notBefore(certificate));
    info.notAfter = timeOf(X509_get0_notAfter(certificate));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) == 1)
        info.sha256 = QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex());
    return info;
}
