// The session over TLS against pyftpdlib's TLS handler: the certificate question and
// "trusted.ini", a site's Encryption, the log and the encrypted-session signal.
#include "engine/ftp.h"
#include "platform/core/inifile.h"
#include "serverprocess.h"
#include "session/sessioncontroller.h"
#include "session/trustedcertificates.h"
#include "sessionhome.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

class TlsSession : public ::testing::Test, protected SessionHome
{
protected:
    void SetUp() override
    {
        settings->config().Retry = 2;
        QObject::connect(session.get(), &SessionController::logLine, [this](const QString& text, int) { log << text; });
        QObject::connect(session.get(), &SessionController::securityChanged,
                         [this](const QString& text) { security << text; });
    }

    bool startServer(bool tls)
    {
        if (tls && !certificate.make(certDir.path())) {
            ADD_FAILURE() << certificate.error.toStdString();
            return false;
        }
        PyFtpOptions options;
        options.users << "tester:pw-Tester9:" + serverRoot.path();
        options.commandLog = certDir.filePath("commands.log");
        if (tls)
            options.tlsPem = certificate.pem;
        if (!server.start(options)) {
            ADD_FAILURE() << server.error().toStdString();
            return false;
        }
        return true;
    }

    // Connects to the site "tls" with the given Encryption and waits for the end.
    bool connectSite(const QString& encryption)
    {
        TSiteRecord site;
        site.IP = "127.0.0.1";
        site.Port = QString::number(server.port());
        site.User = "tester";
        site.Pass = "pw-Tester9";
        site.Encryption = encryption;
        sites->writeSite("tls", site);
        if (session->State() != SessionState::NotConnected)
            session->ResetToDisconnected();
        session->SetState(SessionState::LoggingIn);
        session->Connect(requestFromSite("tls", sites->readSite("tls"), "guest@example.com"));
        waitFor([&] { return session->State() == SessionState::Idle || session->State() == SessionState::NotConnected; },
                15000);
        return session->State() == SessionState::Idle;
    }

    QStringList commands() const
    {
        return QString::fromUtf8(testutil::readFile(certDir.filePath("commands.log"))).split('\n', Qt::SkipEmptyParts);
    }
    QString trustFile() const { return home.filePath("trusted.ini"); }
    QString key() const { return "127.0.0.1:" + QString::number(server.port()); }

    QTemporaryDir serverRoot;
    QTemporaryDir certDir;
    TestCertificate certificate;
    PyFtpServer server;
    QStringList log;
    QStringList security;
};

}  // namespace

// The answers to the question, in the order a user meets them on one server.
TEST_F(TlsSession, UntrustedCertificateIsAskedAboutAndRemembered)
{
    ASSERT_TRUE(startServer(true));
    const QString fingerprint = certificate.sha256();
    ASSERT_EQ(fingerprint.size(), 64);

    // Cancel: the session ends before USER, nothing is stored.
    prompt.answerCertificate(Prompt::CertificateAnswer::Cancel);
    EXPECT_FALSE(connectSite("1"));
    ASSERT_EQ(prompt.certificatesAsked().size(), 1u);
    const CertificateQuestion& asked = prompt.certificatesAsked().front();
    EXPECT_EQ(asked.sha256, fingerprint);
    EXPECT_EQ(asked.host, "127.0.0.1");
    EXPECT_TRUE(asked.subject.contains("localhost")) << asked.subject.toStdString();
    EXPECT_TRUE(asked.notBefore.isValid() && asked.notAfter > asked.notBefore);
    EXPECT_FALSE(asked.changed);
    EXPECT_TRUE(prompt.asked().back().text.contains("SHA-256:"));
    EXPECT_TRUE(log.contains("ERROR: Secure connection failed (certificate not accepted: self-signed certificate)"))
        << log.join('\n').toStdString();
    EXPECT_FALSE(commands().contains("USER tester")) << commands().join('\n').toStdString();
    EXPECT_FALSE(commands().join('\n').contains("PASS"));
    EXPECT_FALSE(QFile::exists(trustFile()));

    // Trust once: logged in, encrypted, still nothing stored.
    prompt.answerCertificate(Prompt::CertificateAnswer::TrustOnce);
    ASSERT_TRUE(connectSite("1")) << log.join('\n').toStdString();
    EXPECT_EQ(prompt.certificatesAsked().size(), 2u);
    EXPECT_FALSE(QFile::exists(trustFile()));
    ASSERT_FALSE(security.isEmpty());
    EXPECT_TRUE(security.last().startsWith("TLSv1.")) << security.last().toStdString();
    EXPECT_TRUE(log.filter("Secure connection established (TLSv1.").size() == 1) << log.join('\n').toStdString();

    // Always trust: stored (0600), and the next connect asks nothing.
    prompt.answerCertificate(Prompt::CertificateAnswer::AlwaysTrust);
    ASSERT_TRUE(connectSite("1"));
    EXPECT_EQ(prompt.certificatesAsked().size(), 3u);
    EXPECT_EQ(IniFile(trustFile()).readString("Certificates", key()), fingerprint);
    EXPECT_EQ(testutil::fileMode(trustFile()), 0600);
    ASSERT_TRUE(connectSite("1"));
    EXPECT_EQ(prompt.certificatesAsked().size(), 3u);
    EXPECT_EQ(prompt.unanswered(), 0);
    session->ResetToDisconnected();
    EXPECT_TRUE(security.last().isEmpty());

    // Another certificate than the stored one: asked again, and told it changed.
    IniFile(trustFile()).writeString("Certificates", key(), QString(64, 'a'));
    prompt.answerCertificate(Prompt::CertificateAnswer::Cancel);
    EXPECT_FALSE(connectSite("1"));
    ASSERT_EQ(prompt.certificatesAsked().size(), 4u);
    EXPECT_TRUE(prompt.certificatesAsked().back().changed);
    EXPECT_TRUE(prompt.asked().back().text.contains("CHANGED"));
}

TEST_F(TlsSession, RequiredTlsAgainstAPlainServerSendsNoPassword)
{
    ASSERT_TRUE(startServer(false));
    EXPECT_FALSE(connectSite("1"));
    const QStringList errors = log.filter("ERROR: Secure connection failed (AUTH TLS refused: 500");
    EXPECT_EQ(errors.size(), 1) << log.join('\n').toStdString();
    EXPECT_EQ(commands().first(), "AUTH TLS");
    EXPECT_FALSE(commands().join('\n').contains("PASS")) << commands().join('\n').toStdString();
    // "3" takes the plain session the server offers.
    ASSERT_TRUE(connectSite("3")) << log.join('\n').toStdString();
    EXPECT_TRUE(security.isEmpty() || security.last().isEmpty());
}

TEST(TrustedCertificatesFile, KeysAndDamagedValues)
{
    QTemporaryDir dir;
    TrustedCertificates store(dir.filePath("trusted.ini"));
    EXPECT_EQ(TrustedCertificates::key("Ftp.Example.org", 990), "ftp.example.org:990");
    EXPECT_EQ(TrustedCertificates::key("::1", 21), "::1:21");
    EXPECT_TRUE(store.fingerprint("host", 21).isEmpty());
    store.store("::1", 2121, QString(64, 'B'));
    EXPECT_EQ(store.fingerprint("::1", 2121), QString(64, 'b'));
    EXPECT_TRUE(store.fingerprint("::1", 21).isEmpty());
    // A value that is no fingerprint counts as none.
    IniFile(store.fileName()).writeString("Certificates", "host:21", "not-a-fingerprint");
    EXPECT_TRUE(store.fingerprint("host", 21).isEmpty());
}

// IPv6 hosts in every form of the server box reach a server on ::1 (EPSV under the hood).
TEST_F(TlsSession, BracketedIPv6HostsConnect)
{
    if (!ServerProcess::hasIPv6Loopback())
        GTEST_SKIP() << "this machine has no IPv6 loopback (::1)";
    PyFtpOptions options;
    options.users << "tester:pw-Tester9:" + serverRoot.path();
    options.listen = "::1";
    options.commandLog = certDir.filePath("commands.log");
    ASSERT_TRUE(server.start(options)) << server.error().toStdString();
    const QString port = QString::number(server.port());
    const QStringList texts = {
        "[::1]:tester:pw-Tester9:" + port,
        "ftp://tester:pw-Tester9@[::1]:" + port + "/",
    };
    for (const QString& text : texts) {
        if (session->State() != SessionState::NotConnected)
            session->ResetToDisconnected();
        session->SetState(SessionState::LoggingIn);
        session->Connect(resolveServerText(text, {}, {}, *sites, "guest@example.com"));
        EXPECT_TRUE(waitFor([&] { return session->State() == SessionState::Idle; }, 15000))
            << text.toStdString() << "\n" << log.join('\n').toStdString();
        EXPECT_EQ(session->Ftp().GetPeerAddress(), "::1");
    }
    EXPECT_TRUE(commands().contains("EPSV")) << commands().join('\n').toStdString();
    EXPECT_FALSE(commands().contains("PASV"));
}
