// FTP over TLS and IPv6 against real servers: pyftpdlib's TLS handler (TLS 1.3 and 1.2),
// vsftpd with explicit and implicit TLS (which refuses data connections that do not resume
// the control connection's session), and both on ::1 with EPSV/EPRT.
#include "ftprecorder.h"
#include "serverprocess.h"
#include "testutil.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

enum class Kind { Py13, Py12, PyPlain, VsExplicit, VsImplicit, VsPlain };

struct ServerCase {
    const char* name;
    Kind kind;
    bool ipv6;
};

// One server for a test, serving a fresh directory, with a command log.
class Server
{
public:
    bool start(Kind kind, bool ipv6, const QStringList& refuse = {})
    {
        m_kind = kind;
        QFile::setPermissions(m_root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                 | QFile::ReadOther | QFile::ExeOther);
        if (ipv6 && !ServerProcess::hasIPv6Loopback()) {
            skip = "this machine has no IPv6 loopback (::1)";
            return false;
        }
        const bool tls = kind != Kind::PyPlain && kind != Kind::VsPlain;
        if (tls && !certificate.make(m_certDir.path())) {
            error = certificate.error;
            return false;
        }
        if (isVsftpd())
            return startVsftpd(tls, ipv6);
        auto server = std::make_unique<PyFtpServer>();
        PyFtpOptions options;
        user = "tester";
        password = "pw-Tester9";
        options.users << user + ":" + password + ":" + m_root.path();
        options.commandLog = m_certDir.filePath("commands.log");
        options.refuse = refuse;
        options.listen = ipv6 ? "::1" : "";
        if (tls)
            options.tlsPem = certificate.pem;
        if (kind == Kind::Py12)
            options.tlsMax = "1.2";
        if (!server->start(options)) {
            error = server->error();
            return false;
        }
        m_server = std::move(server);
        return true;
    }

    bool isVsftpd() const { return m_kind == Kind::VsExplicit || m_kind == Kind::VsImplicit || m_kind == Kind::VsPlain; }

    QStringList commands() const
    {
        if (isVsftpd())
            return static_cast<VsftpdServer*>(m_server.get())->commandLog();
        return QString::fromUtf8(testutil::readFile(m_certDir.filePath("commands.log"))).split('\n', Qt::SkipEmptyParts);
    }

    bool put(const QString& name, const QByteArray& data) const
    {
        const QString file = m_root.filePath(name);
        return testutil::writeFile(file, data)
               && (!isVsftpd() || QProcess::execute("chown", {user, file}) == 0);
    }

    void configure(TFtp& ftp, bool ipv6) const
    {
        ftp.SetFtpServer(ipv6 ? "::1" : "127.0.0.1");
        ftp.FtpPort = m_server->port();
        ftp.UserName = user;
        ftp.UserPassword = password;
        ftp.TimeOutConnect = 20;
        ftp.Encryption = m_kind == Kind::VsImplicit                        ? ftpeImplicit
                         : (m_kind == Kind::PyPlain || m_kind == Kind::VsPlain) ? ftpeNone
                                                                                : ftpeExplicit;
        // Trusts the fixture's certificate, checked against the name it carries.
        ftp.OnCertificateCheck = [this](const TlsCertificateCheck& check) {
            ++questions;
            return check.certificate.sha256 == certificate.sha256();
        };
    }

    QString path(const QString& name) const { return m_root.filePath(name); }

    TestCertificate certificate;
    QString user;
    QString password;
    QString skip;
    QString error;
    mutable int questions = 0;

private:
    bool startVsftpd(bool tls, bool ipv6)
    {
        skip = VsftpdServer::unavailableReason();
        if (!skip.isEmpty())
            return false;
        auto server = std::make_unique<VsftpdServer>();
        VsftpdOptions options;
        options.logCommands = true;
        options.ipv6 = ipv6;
        if (tls)
            options.tlsPem = certificate.pem;
        options.implicitTls = m_kind == Kind::VsImplicit;
        if (!server->start(m_root.path(), options)) {
            error = server->error();
            return false;
        }
        user = VsftpdServer::kUser;
        password = VsftpdServer::kPassword;
        m_server = std::move(server);
        return true;
    }

    Kind m_kind = Kind::Py13;
    QTemporaryDir m_root;
    QTemporaryDir m_certDir;
    std::unique_ptr<ServerProcess> m_server;
};

#define START_OR_SKIP(server, ...)                                              \
    do {                                                                        \
        if (!(server).start(__VA_ARGS__)) {                                     \
            if (!(server).skip.isEmpty())                                       \
                GTEST_SKIP() << (server).skip.toStdString();                    \
            FAIL() << "server did not start: " << (server).error.toStdString(); \
        }                                                                       \
    } while (0)

QByteArray payload(int size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = 2463534242u + quint32(seed);
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = char(x);
    }
    return data;
}

QString dump(const FtpRecorder& rec)
{
    return rec.events.join('\n');
}

}  // namespace

class SecureTransfers : public ::testing::TestWithParam<ServerCase>
{
};

// Every data operation in both directions and both connection modes, byte-exact. vsftpd
// refuses a data connection that does not resume the control session, so passing there
// proves the reuse; TLS 1.3 puts the ticket after the handshake.
TEST_P(SecureTransfers, ListDownloadUploadAndResumeInBothModes)
{
    const ServerCase c = GetParam();
    Server server;
    START_OR_SKIP(server, c.kind, c.ipv6);
    const QByteArray original = payload(1536 * 1024 + 7, 1);
    ASSERT_TRUE(server.put("file.bin", original));
    QTemporaryDir local;
    TFtp ftp;
    FtpRecorder rec(ftp);
    server.configure(ftp, c.ipv6);
    ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec)) << dump(rec).toStdString();
    const bool tls = ftp.Encryption != ftpeNone;
    EXPECT_EQ(ftp.ControlSecured(), tls);
    EXPECT_EQ(ftp.DataSecured(), tls);
    EXPECT_EQ(server.questions, tls ? 1 : 0);  // self-signed: asked once, on the control connection
    int done = 0;
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        ftp.UsePasv = passive;
        ftp.ListDirectory();
        ASSERT_TRUE(rec.waitFor("ListingDone", passive ? 1 : 2)) << dump(rec).toStdString();
        EXPECT_TRUE(ftp.Success);
        EXPECT_TRUE(ftp.ListingLines().join('\n').contains("file.bin")) << dump(rec).toStdString();

        const QString got = local.filePath(passive ? "p.bin" : "a.bin");
        ftp.RemoteFile = "file.bin";
        ftp.LocalFile = got;
        ftp.Download(false);
        ASSERT_TRUE(rec.waitFor("FileReceived", ++done)) << dump(rec).toStdString();
        EXPECT_TRUE(ftp.Success) << dump(rec).toStdString();
        EXPECT_EQ(testutil::sha256OfFile(got), testutil::sha256OfFile(server.path("file.bin")));

        // Resume: a third of the file is here already.
        ASSERT_TRUE(testutil::writeFile(got, original.left(original.size() / 3)));
        ftp.Download(true);
        ASSERT_TRUE(rec.waitFor("FileReceived", ++done)) << dump(rec).toStdString();
        EXPECT_EQ(testutil::sha256OfFile(got), testutil::sha256OfFile(server.path("file.bin")));

        const QString up = passive ? "up-p.bin" : "up-a.bin";
        ftp.RemoteFile = up;
        ftp.LocalFile = got;
        ftp.ResumePos = 0;
        ftp.Upload();
        ASSERT_TRUE(rec.waitFor("FileStored", passive ? 1 : 3)) << dump(rec).toStdString();
        EXPECT_TRUE(ftp.Success) << dump(rec).toStdString();
        EXPECT_EQ(testutil::readFile(server.path(up)), original);

        // Append the rest to a partial upload.
        ASSERT_TRUE(server.put(up, original.left(1000)));
        ftp.ResumePos = 1000;
        ftp.Upload();
        ASSERT_TRUE(rec.waitFor("FileStored", passive ? 2 : 4)) << dump(rec).toStdString();
        EXPECT_EQ(testutil::readFile(server.path(up)), original);
    }
    const QString wire = server.commands().join('\n');
    if (tls) {
        EXPECT_EQ(wire.contains("AUTH TLS"), ftp.Encryption == ftpeExplicit) << wire.toStdString();
        EXPECT_TRUE(wire.contains("PBSZ 0") && wire.contains("PROT P")) << wire.toStdString();
    }
    // RFC 2428 over IPv6, the designed commands over IPv4.
    EXPECT_EQ(wire.contains("EPSV"), c.ipv6) << wire.toStdString();
    EXPECT_EQ(wire.contains("EPRT |2|::1|"), c.ipv6) << wire.toStdString();
    EXPECT_EQ(wire.contains("PASV"), !c.ipv6) << wire.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Servers, SecureTransfers,
                         ::testing::Values(ServerCase{"pyftpdlib_tls13", Kind::Py13, false},
                                           ServerCase{"pyftpdlib_tls12", Kind::Py12, false},
                                           ServerCase{"vsftpd_explicit", Kind::VsExplicit, false},
                                           ServerCase{"vsftpd_implicit", Kind::VsImplicit, false},
                                           ServerCase{"pyftpdlib_ipv6", Kind::PyPlain, true},
                                           ServerCase{"vsftpd_ipv6", Kind::VsPlain, true},
                                           ServerCase{"vsftpd_tls_ipv6", Kind::VsExplicit, true}),
                         [](const auto& param) { return std::string(param.param.name); });

// Where TLS was asked for and cannot be had, the login ends before any password.
TEST(SecureLogin, RefusalsAndUntrustedCertificatesSendNoPassword)
{
    struct Case {
        const char* name;
        Kind kind;
        TFtpEncryption mode;
        bool trustHook;  // false: no owner to ask (as ftpbench without --ca)
        bool loggedIn;
        const char* reason;
    };
    const Case cases[] = {
        {"required, AUTH refused", Kind::PyPlain, ftpeExplicit, true, false, "AUTH TLS refused: 5"},
        {"when offered, AUTH refused", Kind::PyPlain, ftpeExplicitOptional, true, true, ""},
        {"untrusted, nobody to ask", Kind::Py13, ftpeExplicit, false, false, "certificate not trusted: self-signed"},
        {"implicit against a plain server", Kind::PyPlain, ftpeImplicit, true, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Server server;
        ASSERT_TRUE(server.start(c.kind, false)) << server.error.toStdString();
        TFtp ftp;
        FtpRecorder rec(ftp);
        server.configure(ftp, false);
        ftp.Encryption = c.mode;
        ftp.Retry = 3;  // a refusal of TLS is final, whatever the retries
        if (!c.trustHook)
            ftp.OnCertificateCheck = nullptr;
        ftp.ConnectSession();
        if (c.loggedIn) {
            ASSERT_TRUE(rec.waitFor("LoggedIn")) << dump(rec).toStdString();
            EXPECT_FALSE(ftp.ControlSecured());
            continue;
        }
        ASSERT_TRUE(rec.waitFor("FtpQuit", 1, 15000)) << dump(rec).toStdString();
        EXPECT_TRUE(rec.hasError(FtpError::SecureConnection)) << dump(rec).toStdString();
        EXPECT_TRUE(dump(rec).contains(c.reason)) << dump(rec).toStdString();
        EXPECT_FALSE(rec.has("LoggedIn"));
        EXPECT_EQ(ftp.AttemptCount(), 1);
        const QString wire = server.commands().join('\n');
        EXPECT_FALSE(wire.contains("USER") || wire.contains("PASS")) << wire.toStdString();
        EXPECT_FALSE(rec.commands.join('\n').contains("PASS"));
    }
}

// Over IPv4 PASV stays; a server that refuses it gets EPSV, for the rest of the session.
TEST(ExtendedPassive, RefusedPasvFallsBackToEpsvOnce)
{
    Server server;
    START_OR_SKIP(server, Kind::PyPlain, false, QStringList{"PASV=502 PASV not here."});
    const QByteArray original = payload(300 * 1024, 2);
    ASSERT_TRUE(server.put("f.bin", original));
    QTemporaryDir local;
    TFtp ftp;
    FtpRecorder rec(ftp);
    server.configure(ftp, false);
    ftp.UsePasv = true;
    ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec)) << dump(rec).toStdString();
    for (int i = 1; i <= 2; ++i) {
        ftp.RemoteFile = "f.bin";
        ftp.LocalFile = local.filePath("f.bin");
        ftp.Download(false);
        ASSERT_TRUE(rec.waitFor("FileReceived", i)) << dump(rec).toStdString();
        EXPECT_TRUE(ftp.Success);
        EXPECT_EQ(testutil::readFile(local.filePath("f.bin")), original);
    }
    EXPECT_TRUE(ftp.UsesExtendedPassive());
    const QStringList wire = server.commands();
    EXPECT_EQ(wire.count("PASV"), 1) << wire.join('\n').toStdString();
    EXPECT_EQ(wire.count("EPSV"), 2) << wire.join('\n').toStdString();
}

TEST(ExtendedPassive, ReplyParsing)
{
    struct Case {
        const char* reply;
        bool ok;
        quint16 port;
    };
    const Case cases[] = {
        {"229 Entering Extended Passive Mode (|||6446|)", true, 6446},
        {"229 Entering Extended Passive Mode (!!!21!)", true, 21},
        {"229 Entering Extended Passive Mode (|||0|)", false, 0},
        {"229 Entering Extended Passive Mode (|||70000|)", false, 0},
        {"229 Entering Extended Passive Mode (||6446|)", false, 0},
        {"229 Entering Extended Passive Mode", false, 0},
        {"229 (|||12", false, 0},
    };
    for (const Case& c : cases) {
        quint16 port = 0;
        EXPECT_EQ(TFtp::ParseEpsvReply(c.reply, &port), c.ok) << c.reply;
        EXPECT_EQ(port, c.port) << c.reply;
    }
    EXPECT_EQ(TFtp::BuildEprtArgument("::1", 5282), "|2|::1|5282|");
    EXPECT_EQ(TFtp::BuildEprtArgument("127.0.0.1", 5282), "|1|127.0.0.1|5282|");
}

// Through SOCKS the TLS session is with the server: its certificate names the server, not
// the proxy, and data connections run TLS through the proxy as well.
TEST(SecureRoutes, ThroughSocksTheCertificateNamesTheServer)
{
    DanteServer dante;
    if (!dante.start()) {
        if (!DanteServer::unavailableReason().isEmpty())
            GTEST_SKIP() << DanteServer::unavailableReason().toStdString();
        FAIL() << dante.error().toStdString();
    }
    QTemporaryDir root;
    QTemporaryDir certDir;
    TestCertificate certificate;
    ASSERT_TRUE(certificate.make(certDir.path(), "localhost", "DNS:localhost")) << certificate.error.toStdString();
    ASSERT_TRUE(TlsContext::addTrustedFile(certificate.certificate));
    const QByteArray original = payload(200 * 1024, 3);
    ASSERT_TRUE(testutil::writeFile(root.filePath("f.bin"), original));
    PyFtpServer server;
    PyFtpOptions options;
    options.users << "tester:pw-Tester9:" + root.path();
    options.tlsPem = certificate.pem;
    ASSERT_TRUE(server.start(options)) << server.error().toStdString();

    TFtp ftp;
    FtpRecorder rec(ftp);
    int questions = 0;
    ftp.OnCertificateCheck = [&](const TlsCertificateCheck&) { return ++questions, false; };
    ftp.SetFtpServer("127.0.0.1");  // the proxy
    ftp.FtpPort = dante.port();
    ftp.FirewallType = fwSocks;
    ftp.SocksHost = "localhost";  // the server, by the name its certificate carries
    ftp.SocksPort = server.port();
    ftp.UserName = "tester";
    ftp.UserPassword = "pw-Tester9";
    ftp.Encryption = ftpeExplicit;
    ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec)) << dump(rec).toStdString();
    EXPECT_EQ(questions, 0);
    EXPECT_TRUE(ftp.DataSecured());
    QTemporaryDir local;
    ftp.RemoteFile = "f.bin";
    ftp.LocalFile = local.filePath("f.bin");
    ftp.Download(false);
    ASSERT_TRUE(rec.waitFor("FileReceived")) << dump(rec).toStdString();
    EXPECT_TRUE(ftp.Success) << dump(rec).toStdString();
    EXPECT_EQ(testutil::readFile(local.filePath("f.bin")), original);
}
