#include "serverprocess.h"

#include "testutil.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

ServerProcess::~ServerProcess()
{
    stop();
}

bool ServerProcess::running() const
{
    return m_process && m_process->state() == QProcess::Running;
}

void ServerProcess::stop()
{
    if (!m_process)
        return;
    if (m_pid > 0)
        ::kill(-pid_t(m_pid), SIGKILL);  // the process group: forked per-connection children too
    m_process->kill();
    m_process->waitForFinished(5000);
    m_process.reset();
    m_pid = 0;
}

bool ServerProcess::launch(const QString& program, const QStringList& arguments)
{
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->setChildProcessModifier([] { ::setsid(); });
    m_process->start();
    if (!m_process->waitForStarted(10000)) {
        m_error = program + QStringLiteral(": ") + m_process->errorString();
        return false;
    }
    m_pid = m_process->processId();
    return true;
}

quint16 ServerProcess::freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool ServerProcess::hasIPv6Loopback()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHostIPv6, 0);
}

bool TestCertificate::make(const QString& dir, const QString& commonName, const QString& altNames)
{
    const QString key = dir + QStringLiteral("/key.pem");
    certificate = dir + QStringLiteral("/cert.pem");
    pem = dir + QStringLiteral("/server.pem");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                   "-keyout", key, "-out", certificate, "-days", "2", "-subj", "/CN=" + commonName,
                   "-addext", "subjectAltName=" + altNames});
    if (!openssl.waitForFinished(20000) || openssl.exitCode() != 0) {
        error = QStringLiteral("openssl failed: ") + QString::fromUtf8(openssl.readAllStandardError());
        return false;
    }
    const QByteArray both = testutil::readFile(certificate) + testutil::readFile(key);
    if (!testutil::writeFile(pem, both)) {
        error = QStringLiteral("cannot write ") + pem;
        return false;
    }
    QFile::setPermissions(pem, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

QString TestCertificate::sha256() const
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {"x509", "-in", certificate, "-noout", "-fingerprint", "-sha256"});
    openssl.waitForFinished(10000);
    // "sha256 Fingerprint=AB:CD:..."
    const QString text = QString::fromUtf8(openssl.readAllStandardOutput()).trimmed();
    return text.section(QLatin1Char('='), 1).remove(QLatin1Char(':')).toLower();
}

bool ServerProcess::waitForListener(quint16 port, int timeoutMs, const QString& host)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress(host), port);
        if (socket.waitForConnected(200))
            return true;
        QThread::msleep(50);
    }
    return false;
}

namespace {

// Reads "PORT <n>" from a helper script's first output line.
quint16 readAnnouncedPort(QProcess& process, QString* error)
{
    QByteArray output;
    QDeadlineTimer deadline(15000);
    while (!output.contains('\n') && !deadline.hasExpired()) {
        if (!process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
        output += process.readAllStandardOutput();
    }
    if (!output.startsWith("PORT ")) {
        *error = QString::fromUtf8(output) + QString::fromUtf8(process.readAllStandardError());
        return 0;
    }
    return quint16(output.mid(5).trimmed().toUInt());
}

}  // namespace

// --- pyftpdlib ------------------------------------------------------------------------------

bool PyFtpServer::start(const PyFtpOptions& options)
{
    QStringList args{testutil::supportDir() + QStringLiteral("/ftpserver.py")};
    for (const QString& user : options.users)
        args << QStringLiteral("--user") << user;
    if (!options.anonymousHome.isEmpty())
        args << QStringLiteral("--anonymous") << options.anonymousHome;
    for (const QString& rule : options.refuse)
        args << QStringLiteral("--refuse") << rule;
    for (const QString& rule : options.delay)
        args << QStringLiteral("--delay") << rule;
    if (options.dropAfter > 0)
        args << QStringLiteral("--drop-after") << QString::number(options.dropAfter);
    if (options.throttle > 0)
        args << QStringLiteral("--throttle") << QString::number(options.throttle);
    if (!options.listLinesFile.isEmpty())
        args << QStringLiteral("--list-lines") << options.listLinesFile;
    if (!options.masquerade.isEmpty())
        args << QStringLiteral("--masquerade") << options.masquerade;
    if (!options.commandLog.isEmpty())
        args << QStringLiteral("--command-log") << options.commandLog;
    if (!options.banner.isEmpty())
        args << QStringLiteral("--banner") << options.banner;
    if (!options.listen.isEmpty())
        args << QStringLiteral("--listen") << options.listen;
    if (!options.tlsPem.isEmpty())
        args << QStringLiteral("--tls") << options.tlsPem;
    if (!options.tlsMax.isEmpty())
        args << QStringLiteral("--tls-max") << options.tlsMax;
    // pyftpdlib is installed for Debian's python, which need not be the first on PATH.
    if (!launch(QStringLiteral("/usr/bin/python3"), args))
        return false;
    m_port = readAnnouncedPort(*m_process, &m_error);
    if (m_port == 0) {
        m_error.prepend(QStringLiteral("pyftpdlib did not start: "));
        stop();
        return false;
    }
    return true;
}

// --- vsftpd --------------------------------------------------------------------------------

QString VsftpdServer::unavailableReason()
{
    if (!QFileInfo::exists(QStringLiteral("/usr/sbin/vsftpd")))
        return QStringLiteral("vsftpd is not installed (make deps installs it)");
    if (!testutil::isRoot())
        return QStringLiteral("vsftpd tests need root (they log in as a system account)");
    return {};
}

bool VsftpdServer::ensureTestUser(QString* error)
{
    auto run = [](const QString& program, const QStringList& args, const QByteArray& input = {}) {
        QProcess p;
        p.start(program, args);
        if (!p.waitForStarted(5000))
            return -1;
        if (!input.isEmpty()) {
            p.write(input);
            p.closeWriteChannel();
        }
        p.waitForFinished(10000);
        return p.exitCode();
    };
    if (run(QStringLiteral("id"), {QString::fromLatin1(kUser)}) != 0) {
        if (run(QStringLiteral("useradd"), {QStringLiteral("-M"), QStringLiteral("-s"), QStringLiteral("/bin/sh"),
                                            QStringLiteral("-d"), QStringLiteral("/"),
                                            QString::fromLatin1(kUser)})
            != 0) {
            *error = QStringLiteral("useradd failed");
            return false;
        }
    }
    // vsftpd enters the home directory before local_root: it must exist.
    run(QStringLiteral("usermod"), {QStringLiteral("-d"), QStringLiteral("/"), QString::fromLatin1(kUser)});
    // Reset the password each time: it is the fixture's, whatever an earlier run left.
    if (run(QStringLiteral("chpasswd"), {}, QByteArray(kUser) + ':' + kPassword + '\n') != 0) {
        *error = QStringLiteral("chpasswd failed");
        return false;
    }
    return true;
}

bool VsftpdServer::start(const QString& root, qint64 maxRate)
{
    VsftpdOptions options;
    options.maxRate = maxRate;
    return start(root, options);
}

QStringList VsftpdServer::commandLog() const
{
    // 'Sat Dec  8 ... [pid 12] [user] FTP command: Client "127.0.0.1", "USER x"'
    QStringList commands;
    const QString log = QString::fromUtf8(testutil::readFile(m_dir.filePath(QStringLiteral("vsftpd.log"))));
    for (const QString& line : log.split(QLatin1Char('\n'))) {
        if (!line.contains(QLatin1String("FTP command:")))
            continue;
        const qsizetype open = line.indexOf(QLatin1String(", \""));
        if (open >= 0)
            commands << line.mid(open + 3).chopped(line.endsWith(QLatin1Char('"')) ? 1 : 0).trimmed();
    }
    return commands;
}

bool VsftpdServer::start(const QString& root, const VsftpdOptions& options)
{
    const qint64 maxRate = options.maxRate;
    m_error = unavailableReason();
    if (!m_error.isEmpty())
        return false;
    if (!ensureTestUser(&m_error))
        return false;
    QDir().mkpath(QStringLiteral("/var/run/vsftpd/empty"));
    QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), QString::fromLatin1(kUser), root});
    m_port = freePort();
    // Passive ports of our own, away from the ephemeral range other fixtures draw from.
    const int pasvBase = 20000 + int(m_port % 200) * 50;
    QString config = QStringLiteral(
                               "listen_port=%1\n"
                               "background=NO\nanonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
                               "local_umask=022\nlocal_root=%2\nchroot_local_user=NO\n"
                               "pasv_enable=YES\npasv_min_port=%3\npasv_max_port=%4\n"
                               "port_enable=YES\nconnect_from_port_20=NO\nseccomp_sandbox=NO\nisolate=NO\n"
                               "isolate_network=NO\npam_service_name=vsftpd\n"
                               "secure_chroot_dir=/var/run/vsftpd/empty\n"
                               "vsftpd_log_file=%5/vsftpd.log\nsyslog_enable=NO\nuse_localtime=YES\n"
                               "ftpd_banner=vsftpd test server\nhide_ids=NO\nmax_clients=100\nmax_per_ip=100\n"
                               "userlist_enable=NO\ndirmessage_enable=NO\nidle_session_timeout=600\n"
                               "data_connection_timeout=120\nlocal_max_rate=%6\n")
                               .arg(m_port)
                               .arg(root)
                               .arg(pasvBase)
                               .arg(pasvBase + 49)
                               .arg(m_dir.path())
                               .arg(maxRate)
                           + (options.ipv6 ? QStringLiteral("listen=NO\nlisten_ipv6=YES\nlisten_address6=::1\n")
                                           : QStringLiteral("listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n"
                                                            "pasv_address=127.0.0.1\n"))
                           + (options.logCommands ? QStringLiteral("xferlog_enable=YES\nlog_ftp_protocol=YES\n")
                                                  : QStringLiteral("xferlog_enable=NO\n"));
    if (!options.tlsPem.isEmpty()) {
        // Modern ciphers (the built-in default is one old cipher); session reuse stays required.
        config += QStringLiteral("ssl_enable=YES\nrsa_cert_file=%1\nrsa_private_key_file=%1\nssl_ciphers=HIGH\n"
                                 "allow_anon_ssl=NO\nforce_local_logins_ssl=YES\nforce_local_data_ssl=YES\n"
                                 "require_ssl_reuse=YES\nssl_request_cert=NO\n")
                      .arg(options.tlsPem);
        if (options.implicitTls)
            config += QStringLiteral("implicit_ssl=YES\n");
    }
    const QString configPath = m_dir.filePath(QStringLiteral("vsftpd.conf"));
    if (!testutil::writeFile(configPath, config.toUtf8())) {
        m_error = QStringLiteral("cannot write ") + configPath;
        return false;
    }
    if (!launch(QStringLiteral("/usr/sbin/vsftpd"), {configPath}))
        return false;
    if (!waitForListener(m_port, 10000, options.ipv6 ? QStringLiteral("::1") : QStringLiteral("127.0.0.1"))) {
        m_error = QStringLiteral("vsftpd did not listen: ") + QString::fromUtf8(m_process->readAllStandardError());
        stop();
        return false;
    }
    return true;
}

// --- dante ---------------------------------------------------------------------------------

QString DanteServer::unavailableReason()
{
    if (!QFileInfo::exists(QStringLiteral("/usr/sbin/danted")))
        return QStringLiteral("danted is not installed (make deps installs dante-server)");
    if (!testutil::isRoot())
        return QStringLiteral("danted needs root for its privileged user");
    return {};
}

bool DanteServer::start()
{
    m_error = unavailableReason();
    if (!m_error.isEmpty())
        return false;
    m_port = freePort();
    const QString config = QStringLiteral(
                               "logoutput: %1/danted.log\n"
                               "internal: 127.0.0.1 port = %2\n"
                               "external: 127.0.0.1\n"
                               "clientmethod: none\nsocksmethod: none\n"
                               "user.privileged: root\nuser.unprivileged: nobody\n"
                               "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                               "socks pass { from: 127.0.0.0/8 to: 127.0.0.0/8 }\n"
                               "socks block { from: 0.0.0.0/0 to: 0.0.0.0/0 }\n")
                               .arg(m_dir.path())
                               .arg(m_port);
    const QString configPath = m_dir.filePath(QStringLiteral("danted.conf"));
    if (!testutil::writeFile(configPath, config.toUtf8())) {
        m_error = QStringLiteral("cannot write ") + configPath;
        return false;
    }
    if (!launch(QStringLiteral("/usr/sbin/danted"), {QStringLiteral("-f"), configPath, QStringLiteral("-N"), QStringLiteral("1")}))
        return false;
    if (!waitForListener(m_port, 10000)) {
        m_error = QStringLiteral("danted did not listen: ")
                  + QString::fromUtf8(testutil::readFile(m_dir.filePath(QStringLiteral("danted.log"))));
        stop();
        return false;
    }
    return true;
}

// --- firewall relay ------------------------------------------------------------------------

bool FtpFirewall::start(Mode mode, const QString& user, const QString& password)
{
    QStringList args{testutil::supportDir() + QStringLiteral("/ftpproxy.py"), QStringLiteral("--mode"),
                     mode == Mode::Site ? QStringLiteral("site") : QStringLiteral("userhost")};
    if (!user.isEmpty())
        args << QStringLiteral("--user") << user << QStringLiteral("--password") << password;
    if (!launch(QStringLiteral("/usr/bin/python3"), args))
        return false;
    m_port = readAnnouncedPort(*m_process, &m_error);
    if (m_port == 0) {
        m_error.prepend(QStringLiteral("ftpproxy.py did not start: "));
        stop();
        return false;
    }
    return true;
}

// --- fault server --------------------------------------------------------------------------

bool FaultServer::start(const FaultOptions& options)
{
    QStringList args{testutil::supportDir() + QStringLiteral("/faultserver.py"), QStringLiteral("--log"),
                     m_dir.filePath(QStringLiteral("server.log"))};
    if (!options.fault.isEmpty())
        args << QStringLiteral("--fault") << options.fault;
    for (const QString& rule : options.replies)
        args << QStringLiteral("--reply") << rule;
    if (!options.listFile.isEmpty())
        args << QStringLiteral("--list-file") << options.listFile;
    for (const QString& rule : options.files)
        args << QStringLiteral("--file") << rule;
    if (options.aborSilent)
        args << QStringLiteral("--abor-silent");
    if (!launch(QStringLiteral("/usr/bin/python3"), args))
        return false;
    m_port = readAnnouncedPort(*m_process, &m_error);
    if (m_port == 0) {
        m_error.prepend(QStringLiteral("faultserver.py did not start: "));
        stop();
        return false;
    }
    return true;
}

QStringList FaultServer::log() const
{
    const QString text = QString::fromUtf8(testutil::readFile(m_dir.filePath(QStringLiteral("server.log"))));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
