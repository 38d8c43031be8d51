#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A real server started for a test on 127.0.0.1 and stopped by its process id (the whole
// process group, since some servers fork per connection).
class ServerProcess
{
public:
    ServerProcess() = default;
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    virtual ~ServerProcess();

    quint16 port() const { return m_port; }
    qint64 pid() const { return m_pid; }
    bool running() const;
    // Why the server did not start (for the test's failure message).
    const QString& error() const { return m_error; }
    void stop();

    // A port nobody listens on right now (bound and released), for servers that cannot be
    // told to pick an ephemeral port themselves.
    static quint16 freePort();
    // Waits until something accepts connections on 127.0.0.1:port (or `host`).
    static bool waitForListener(quint16 port, int timeoutMs, const QString& host = QStringLiteral("127.0.0.1"));
    // True when this machine has a working IPv6 loopback (::1).
    static bool hasIPv6Loopback();

protected:
    bool launch(const QString& program, const QStringList& arguments);
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    qint64 m_pid = 0;
    QString m_error;
};

struct PyFtpOptions {
    QStringList users;  // "name:password:home[:perm]"
    QString anonymousHome;
    QStringList refuse;  // "CMD=reply" or "CMD*N=reply"
    QStringList delay;   // "CMD=seconds"
    qint64 dropAfter = 0;
    qint64 throttle = 0;  // bytes per second, 0 = unlimited
    QString listLinesFile;
    QString masquerade;
    QString commandLog;
    QString banner;
    QString listen;   // the address to listen on; 127.0.0.1 when empty ("::1" for IPv6)
    QString tlsPem;   // offer AUTH TLS with this certificate and key (TestCertificate)
    QString tlsMax;   // "1.2" limits the server to TLS 1.2
};

// A self-signed certificate (and its key, in one PEM file) for the TLS servers of the
// tests, made with the openssl command. It names localhost, 127.0.0.1 and ::1 unless told
// otherwise.
struct TestCertificate {
    QString pem;          // certificate and key
    QString certificate;  // the certificate alone (for --ca)
    // False (with the reason in `error`) when openssl failed.
    bool make(const QString& dir, const QString& commonName = QStringLiteral("localhost"),
              const QString& altNames = QStringLiteral("DNS:localhost,IP:127.0.0.1,IP:::1"));
    QString sha256() const;  // the certificate's fingerprint, 64 lowercase hex digits
    QString error;
};

// What a vsftpd for a test offers besides the basics.
struct VsftpdOptions {
    qint64 maxRate = 0;
    QString tlsPem;          // ssl_enable=YES with this certificate (require_ssl_reuse stays YES)
    bool implicitTls = false;
    bool ipv6 = false;       // listen on ::1 only
    bool logCommands = false;
};

// pyftpdlib through tests/support/ftpserver.py, with its fault switches.
class PyFtpServer : public ServerProcess
{
public:
    bool start(const PyFtpOptions& options);
};

// vsftpd with a generated configuration: one local user with a password, writes enabled,
// passive ports in a range of their own. Needs root (it authenticates a system account).
class VsftpdServer : public ServerProcess
{
public:
    static constexpr const char* kUser = "orvoftp-test";
    static constexpr const char* kPassword = "Orvo-test-pw1";

    // Serves `root` (which the test user is given) as the user's directory; a non-zero
    // `maxRate` limits transfers to that many bytes per second.
    bool start(const QString& root, qint64 maxRate = 0);
    bool start(const QString& root, const VsftpdOptions& options);
    // The commands received so far (with log_ftp_protocol), passwords as vsftpd shows them.
    QStringList commandLog() const;
    // Empty when vsftpd can run here, else the reason to skip.
    static QString unavailableReason();

private:
    static bool ensureTestUser(QString* error);
    QTemporaryDir m_dir;
};

// dante (danted) as a SOCKS proxy on 127.0.0.1 that lets clients reach loopback only.
// Needs root (its privileged user).
class DanteServer : public ServerProcess
{
public:
    bool start();
    static QString unavailableReason();

private:
    QTemporaryDir m_dir;
};

// The SITE and USER@host firewalls of tests/support/ftpproxy.py: an FTP relay that logs in
// its own user (SITE) or reads the target from the user name (USER@host), then relays the
// control connection to the real server. Data connections go to the server directly.
class FtpFirewall : public ServerProcess
{
public:
    enum class Mode { Site, UserHost };
    bool start(Mode mode, const QString& user = {}, const QString& password = {});
};

struct FaultOptions {
    QString fault;          // final-426, silent-data, no-accept, endless-line, rogue-data (faultserver.py)
    QStringList replies;    // "CMD=line|line": the reply to CMD instead of the usual one
    QString listFile;       // raw bytes to answer LIST with
    QStringList files;      // "NAME=PATH": further files to serve
    bool aborSilent = false;  // never answer ABOR
};

// tests/support/faultserver.py: an FTP server that misbehaves on purpose, serving "a.txt"
// from memory to any user. It logs each command received, and what its fault did.
class FaultServer : public ServerProcess
{
public:
    bool start(const FaultOptions& options = {});
    // The lines logged so far (commands, "stored NAME: N bytes", "rogue connection ...").
    QStringList log() const;

private:
    QTemporaryDir m_dir;
};
