#pragma once

#include <QString>

struct TlsCertificateCheck;

// "trusted.ini" in the program directory: the certificates the user chose to trust always,
// one key per host and port ("host:port", the port after the last colon) in [Certificates] whose
// value is the SHA-256 fingerprint as 64 hexadecimal digits. The file is private (0600).
class TrustedCertificates
{
public:
    explicit TrustedCertificates(QString fileName) : m_fileName(std::move(fileName)) {}

    const QString& fileName() const { return m_fileName; }
    static QString key(const QString& host, quint16 port);
    // The stored fingerprint (lowercase), empty when none is stored.
    QString fingerprint(const QString& host, quint16 port) const;
    // Throws IniError when the file cannot be written.
    void store(const QString& host, quint16 port, const QString& sha256);

    // A certificate that failed the check: trusted when its fingerprint is stored for the host
    // and port; otherwise the user is asked (told when a different one was stored), and
    // "Always trust" stores it. True when the connection may go on.
    bool decide(const TlsCertificateCheck& check);

private:
    QString m_fileName;
};
