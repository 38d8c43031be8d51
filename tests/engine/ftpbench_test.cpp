// tools/ftpbench as a user runs it, against the fault server: what it sends and how it ends.
#include "serverprocess.h"
#include "testutil.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString errors;
};

ToolRun ftpbench(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(ORVO_FTPBENCH), args);
    ToolRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        run.errors = QStringLiteral("ftpbench did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

}  // namespace

TEST(Ftpbench, ALineBreakInTheUrlIsReportedAndNothingIsSent)
{
    FaultServer server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    QTemporaryDir scratch;
    const QString url = QStringLiteral("ftp://u:p@127.0.0.1:") + QString::number(server.port()) + "/a%0D%0ADELE%20x";
    const ToolRun run = ftpbench({"get", url, scratch.filePath("out")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains("Command not sent")) << run.errors.toStdString();
    const QStringList received = server.log();
    EXPECT_TRUE(received.filter("DELE").isEmpty()) << received.join('|').toStdString();
    EXPECT_TRUE(received.filter("RETR").isEmpty()) << received.join('|').toStdString();
}

TEST(Ftpbench, DirectoryDownloadGoesOnAfterAFileThatCannotBeCreated)
{
    QTemporaryDir scratch;
    const QString longName(1024 * 1024, 'n');  // no file system takes a name this long
    const QByteArray listing = "-rw-r--r-- 1 u g 10 Jan 01 2020 " + longName.toUtf8()
                               + "\r\n-rw-r--r-- 1 u g 5000 Jan 01 2020 a.txt\r\n";
    ASSERT_TRUE(testutil::writeFile(scratch.filePath("listing"), listing));
    FaultServer server;
    FaultOptions options;
    options.listFile = scratch.filePath("listing");
    ASSERT_TRUE(server.start(options)) << server.error().toStdString();
    const QString url = QStringLiteral("ftp://u:p@127.0.0.1:%1/").arg(server.port());
    const ToolRun run = ftpbench({"get", url, scratch.filePath("dir")});
    EXPECT_EQ(run.exitCode, 1) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains("nnnnnnnnnn... (1048576 characters): ERROR: Local file does not exist."))
        << run.errors.left(2000).toStdString();
    EXPECT_TRUE(run.errors.contains("1 file(s) failed")) << run.errors.left(2000).toStdString();
    EXPECT_EQ(testutil::readFile(scratch.filePath("dir/a.txt")).size(), 5000);  // the next file came
}

// ftpes:// and ftps:// as a user types them: an untrusted certificate ends the run with the
// reason; --ca trusts the server's own certificate.
TEST(Ftpbench, SecureUrlsTrustOnlyWhatTheyAreTold)
{
    QTemporaryDir scratch;
    TestCertificate certificate;
    ASSERT_TRUE(certificate.make(scratch.path())) << certificate.error.toStdString();
    ASSERT_TRUE(testutil::writeFile(scratch.filePath("f.txt"), "secret payload"));
    PyFtpServer server;
    PyFtpOptions options;
    options.users << "u:p:" + scratch.path();
    options.tlsPem = certificate.pem;
    ASSERT_TRUE(server.start(options)) << server.error().toStdString();
    const QString url = QStringLiteral("ftpes://u:p@127.0.0.1:%1/f.txt").arg(server.port());

    ToolRun run = ftpbench({"get", url, scratch.filePath("a.txt")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("ERROR: Secure connection failed (certificate not trusted: self-signed certificate)"))
        << run.errors.toStdString();

    run = ftpbench({"get", url, scratch.filePath("b.txt"), "--ca", certificate.certificate});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(testutil::readFile(scratch.filePath("b.txt")), "secret payload");

    // Implicit TLS against a server that speaks plain FTP first: the handshake fails.
    run = ftpbench({"get", QStringLiteral("ftps://u:p@127.0.0.1:%1/f.txt").arg(server.port()), scratch.filePath("c.txt"),
                    "--ca", certificate.certificate});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains("Secure connection failed")) << run.errors.toStdString();

    run = ftpbench({"get", url, scratch.filePath("d.txt"), "--ca", scratch.filePath("missing.pem")});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains("missing.pem")) << run.errors.toStdString();
}
