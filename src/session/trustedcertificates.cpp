#include "session/trustedcertificates.h"

#include "engine/ftp.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/inifile.h"
#include "platform/core/prompt.h"

#include <QFile>

namespace {

const QString kSection = QStringLiteral("Certificates");

bool isFingerprint(const QString& text)
{
    if (text.size() != 64)
        return false;
    for (const QChar c : text) {
        if (!c.isDigit() && (c.toLower() < QLatin1Char('a') || c.toLower() > QLatin1Char('f')))
            return false;
    }
    return true;
}

}  // namespace

QString TrustedCertificates::key(const QString& host, quint16 port)
{
    // An IPv6 host stays bare ("::1:990"): the port is what follows the last colon, and a
    // key may not start with "[" in an INI file.
    return host.trimmed().toLower() + QLatin1Char(':') + QString::number(port);
}

QString TrustedCertificates::fingerprint(const QString& host, quint16 port) const
{
    if (!QFile::exists(m_fileName))
        return {};
    const QString stored = IniFile(m_fileName).readString(kSection, key(host, port)).trimmed().toLower();
    return isFingerprint(stored) ? stored : QString();
}

void TrustedCertificates::store(const QString& host, quint16 port, const QString& sha256)
{
    IniFile file(m_fileName);
    file.writeString(kSection, key(host, port), sha256.toLower());
    // Which servers the user trusts is nobody else's business.
    QFile::setPermissions(m_fileName, QFile::ReadOwner | QFile::WriteOwner);
}

bool TrustedCertificates::decide(const TlsCertificateCheck& check)
{
    const QString stored = fingerprint(check.host, check.port);
    if (!stored.isEmpty() && stored == check.certificate.sha256.toLower())
        return true;
    CertificateQuestion question;
    question.host = check.host;
    question.port = check.port;
    question.subject = check.certificate.subject;
    question.issuer = check.certificate.issuer;
    question.notBefore = check.certificate.notBefore;
    question.notAfter = check.certificate.notAfter;
    question.sha256 = check.certificate.sha256;
    question.problem = check.problem;
    question.changed = !stored.isEmpty();
    switch (prompts().certificateBox(question)) {
    case Prompt::CertificateAnswer::TrustOnce:
        return true;
    case Prompt::CertificateAnswer::AlwaysTrust:
        try {
            store(check.host, check.port, check.certificate.sha256);
        } catch (const AppError& error) {
            // Trusted for this connection all the same; the next one asks again.
            showAppError(error);
        }
        return true;
    case Prompt::CertificateAnswer::Cancel:
        break;
    }
    return false;
}
