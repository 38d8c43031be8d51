#include "realserver.h"

#include "testutil.h"

#include <QFile>
#include <QProcess>

bool RealServer::start(ServerKind kind, const PyFtpOptions& extra)
{
    m_kind = kind;
    // Readable by the server's own account, whichever it is.
    QFile::setPermissions(m_root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                             | QFileDevice::ReadOther | QFileDevice::ExeOther
                                             | QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    if (kind == ServerKind::Vsftpd) {
        skipReason = VsftpdServer::unavailableReason();
        if (!skipReason.isEmpty())
            return false;
        auto server = std::make_unique<VsftpdServer>();
        if (!server->start(m_root.path(), extra.throttle)) {
            error = server->error();
            return false;
        }
        m_user = QString::fromLatin1(VsftpdServer::kUser);
        m_password = QString::fromLatin1(VsftpdServer::kPassword);
        m_server = std::move(server);
        return true;
    }
    PyFtpOptions options = extra;
    m_user = QStringLiteral("tester");
    m_password = QStringLiteral("pw-Tester9");
    options.users.prepend(m_user + QLatin1Char(':') + m_password + QLatin1Char(':') + m_root.path());
    auto server = std::make_unique<PyFtpServer>();
    if (!server->start(options)) {
        error = server->error();
        return false;
    }
    m_server = std::move(server);
    return true;
}

bool RealServer::putFile(const QString& name, const QByteArray& data) const
{
    const QString file = path(name);
    if (!testutil::writeFile(file, data))
        return false;
    if (m_kind == ServerKind::Vsftpd)
        return QProcess::execute(QStringLiteral("chown"), {m_user, file}) == 0;
    return true;
}

void RealServer::adoptTree() const
{
    if (m_kind == ServerKind::Vsftpd)
        QProcess::execute(QStringLiteral("chown"), {QStringLiteral("-R"), m_user, m_root.path()});
}

void RealServer::configure(TFtp& ftp) const
{
    ftp.SetFtpServer(QStringLiteral("127.0.0.1"));
    ftp.FtpPort = port();
    ftp.UserName = m_user;
    ftp.UserPassword = m_password;
}
