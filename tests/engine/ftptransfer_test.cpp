// Data connections: listings, downloads and uploads with resume against real servers in both
// modes, byte-exact; the completion rule, odd PASV replies, aborts and failures.
#include "ftprecorder.h"
#include "realserver.h"
#include "scriptedserver.h"
#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using testutil::waitFor;

namespace {

struct TransferCase {
    ServerKind server;
    bool passive;
};

std::string caseName(const ::testing::TestParamInfo<TransferCase>& info)
{
    return std::string(serverKindName(info.param.server)) + (info.param.passive ? "_passive" : "_active");
}

class Transfers : public ::testing::TestWithParam<TransferCase>
{
protected:
    void SetUp() override
    {
        // The server is slowed down so that an abort lands mid-transfer.
        PyFtpOptions options;
        if (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()).find("Abort") != std::string::npos)
            options.throttle = 40 * 1024 * 1024;
        START_SERVER_OR_SKIP(server, GetParam().server, options);
        server.configure(ftp);
        ftp.UsePasv = GetParam().passive;
        ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec)) << dump();
    }
    std::string dump() const { return rec.events.join('\n').toStdString(); }
    QString local(const QString& name) const { return scratch.filePath(name); }

    // Runs one operation to its completion event.
    bool run(const std::function<void()>& start, const QString& event)
    {
        const int before = rec.count(event);
        start();
        return rec.waitFor(event, before + 1, 60000);
    }

    RealServer server;
    QTemporaryDir scratch;
    TFtp ftp;
    FtpRecorder rec{ftp};
};

}  // namespace

TEST_P(Transfers, ListDownloadUploadAndResumeAreByteExact)
{
    ASSERT_TRUE(testutil::writePatternFile(server.path("big.bin"), 5 * 1024 * 1024 + 123, 7));
    QDir(server.root()).mkdir("folder");
    server.adoptTree();

    ASSERT_TRUE(run([&] { ftp.ListDirectory(); }, "ListingDone")) << dump();
    EXPECT_TRUE(ftp.Success);
    EXPECT_EQ(ftp.ListingLines().size(), rec.listing.size());
    EXPECT_TRUE(rec.listing.join('\n').contains("big.bin")) << rec.listing.join('\n').toStdString();
    EXPECT_TRUE(rec.listing.join('\n').contains("folder"));
    EXPECT_LT(rec.indexOf("info ListingReady Listing ready"), rec.indexOf("info TransferDone Transfer done:"));
    EXPECT_FALSE(ftp.Busy());

    // Download, byte-exact, with the size announced by the opening reply.
    ftp.LocalFile = local("big.bin");
    ftp.RemoteFile = "big.bin";
    ASSERT_TRUE(run([&] { ftp.Download(false); }, "FileReceived")) << dump();
    EXPECT_TRUE(ftp.Success);
    EXPECT_EQ(testutil::sha256OfFile(local("big.bin")), testutil::sha256OfFile(server.path("big.bin")));
    EXPECT_EQ(ftp.BytesTransferred(), 5 * 1024 * 1024 + 123);
    if (GetParam().server == ServerKind::Vsftpd) {  // pyftpdlib's opening reply names no size
        EXPECT_TRUE(rec.has("info SizeAnnounced 5243003")) << dump();
    }

    // Resume a download from a partial local file: REST, then only the rest moves.
    QFile partial(local("big.bin"));
    ASSERT_TRUE(partial.resize(1024 * 1024 + 5));
    ASSERT_TRUE(run([&] { ftp.Download(true); }, "FileReceived")) << dump();
    EXPECT_TRUE(ftp.Success);
    EXPECT_EQ(ftp.ResumePos, 1024 * 1024 + 5);
    EXPECT_TRUE(rec.commands.contains("REST 1048581"));
    EXPECT_EQ(ftp.BytesTransferred(), 4 * 1024 * 1024 + 118);
    EXPECT_EQ(testutil::sha256OfFile(local("big.bin")), testutil::sha256OfFile(server.path("big.bin")));

    // Upload, then resume an upload with APPE from the remote file's size.
    ASSERT_TRUE(testutil::writePatternFile(local("up.bin"), 3 * 1024 * 1024 + 77, 9));
    ftp.LocalFile = local("up.bin");
    ftp.RemoteFile = "folder/up.bin";
    ftp.ResumePos = 0;
    ASSERT_TRUE(run([&] { ftp.Upload(); }, "FileStored")) << dump();
    EXPECT_TRUE(ftp.Success);
    EXPECT_EQ(testutil::sha256OfFile(server.path("folder/up.bin")), testutil::sha256OfFile(local("up.bin")));

    QFile remotePartial(server.path("folder/up.bin"));
    ASSERT_TRUE(remotePartial.resize(2 * 1024 * 1024 + 3));
    ftp.ResumePos = 2 * 1024 * 1024 + 3;
    ASSERT_TRUE(run([&] { ftp.Upload(); }, "FileStored")) << dump();
    EXPECT_TRUE(rec.commands.contains("APPE folder/up.bin"));
    EXPECT_EQ(testutil::sha256OfFile(server.path("folder/up.bin")), testutil::sha256OfFile(local("up.bin")));

    // A download with the resume flag and no local file starts at 0 without REST.
    const int rests = int(rec.commands.filter("REST ").size());
    ftp.LocalFile = local("fresh.bin");
    ftp.RemoteFile = "big.bin";
    ASSERT_TRUE(run([&] { ftp.Download(true); }, "FileReceived"));
    EXPECT_EQ(rec.commands.filter("REST ").size(), rests);
    EXPECT_EQ(testutil::sha256OfFile(local("fresh.bin")), testutil::sha256OfFile(server.path("big.bin")));

    // A missing remote file fails the download and keeps the session.
    ftp.RemoteFile = "no-such-file";
    ASSERT_TRUE(run([&] { ftp.Download(false); }, "FileReceived"));
    EXPECT_FALSE(ftp.Success);
    ASSERT_TRUE(run([&] { ftp.ListDirectory(); }, "ListingDone"));
    EXPECT_TRUE(ftp.Success);
}

TEST_P(Transfers, AbortsInTheMiddleOfADownload)
{
    ASSERT_TRUE(testutil::writePatternFile(server.path("huge.bin"), 100 * 1024 * 1024, 3));
    server.adoptTree();
    for (bool synch : {true, false}) {
        ftp.LocalFile = local("huge.bin");
        ftp.RemoteFile = "huge.bin";
        bool aborted = false;
        ftp.OnFtpInfo = [&, previous = ftp.OnFtpInfo](quint8 info, const QString& text) {
            previous(info, text);
            if (info == FtpInfo::Progress && !aborted && ftp.BytesTransferred() > 1024 * 1024) {
                aborted = true;
                synch ? ftp.AbortWithSynch() : ftp.Abort();
            }
        };
        ASSERT_TRUE(run([&] { ftp.Download(false); }, "FileReceived")) << dump();
        EXPECT_TRUE(aborted);
        EXPECT_FALSE(ftp.Success) << (synch ? "AbortWithSynch" : "Abort");
        EXPECT_LT(QFileInfo(local("huge.bin")).size(), 100 * 1024 * 1024);
        if (!synch) {
            // The plain abort completes at once; the server's answers to ABOR come after.
            ASSERT_TRUE(waitFor([&] { return rec.replies.last().startsWith("2"); }));
            testutil::spin(100);
        }
        ASSERT_TRUE(run([&] { ftp.ListDirectory(); }, "ListingDone")) << dump();
        EXPECT_TRUE(ftp.Success) << dump();
        EXPECT_TRUE(ftp.SessionConnected());
    }
}

TEST_P(Transfers, FailedLocalWriteStopsTheDownloadAndKeepsThePart)
{
    ASSERT_TRUE(testutil::writePatternFile(server.path("four.bin"), 4 * 1024 * 1024, 5));
    server.adoptTree();
    // A file that cannot grow past 1 MiB, as on a full disk.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 1024 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    ftp.LocalFile = local("four.bin");
    ftp.RemoteFile = "four.bin";
    const bool done = run([&] { ftp.Download(false); }, "FileReceived");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    ASSERT_TRUE(done) << dump();
    EXPECT_FALSE(ftp.Success);
    EXPECT_TRUE(rec.has("error LocalFileWrite " + local("four.bin"))) << dump();
    EXPECT_EQ(QFileInfo(local("four.bin")).size(), 1024 * 1024);
    EXPECT_EQ(testutil::readFile(local("four.bin")), testutil::readFile(server.path("four.bin")).left(1024 * 1024));
    ASSERT_TRUE(run([&] { ftp.ListDirectory(); }, "ListingDone")) << dump();
    EXPECT_TRUE(ftp.Success);
}

TEST_P(Transfers, FilesBeyondFourGigabytesResumeNearTheirEnd)
{
    const qint64 size = 5LL * 1024 * 1024 * 1024 + 12345;
    const qint64 tail = 1024 * 1024;
    QByteArray end(int(tail), Qt::Uninitialized);
    for (int i = 0; i < end.size(); ++i)
        end[i] = char(i * 7 + 1);
    // Sparse files: the zeros cost nothing, the tail carries a pattern.
    {
        QFile remote(server.path("sparse.bin"));
        ASSERT_TRUE(remote.open(QIODevice::WriteOnly));
        ASSERT_TRUE(remote.resize(size - tail));
        ASSERT_TRUE(remote.seek(size - tail));
        ASSERT_EQ(remote.write(end), tail);
    }
    server.adoptTree();
    {
        QFile partial(local("sparse.bin"));
        ASSERT_TRUE(partial.open(QIODevice::WriteOnly));
        ASSERT_TRUE(partial.resize(size - tail));
    }
    ftp.LocalFile = local("sparse.bin");
    ftp.RemoteFile = "sparse.bin";
    ASSERT_TRUE(run([&] { ftp.Download(true); }, "FileReceived")) << dump();
    EXPECT_TRUE(ftp.Success);
    EXPECT_EQ(ftp.ResumePos, size - tail);
    EXPECT_EQ(ftp.BytesTransferred(), tail);
    EXPECT_TRUE(rec.commands.contains(QStringLiteral("REST %1").arg(size - tail)));
    QFile got(local("sparse.bin"));
    ASSERT_TRUE(got.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.size(), size);
    ASSERT_TRUE(got.seek(size - tail));
    EXPECT_EQ(got.read(tail), end);
    got.close();

    // Upload the same file back with APPE onto a shorter remote copy.
    {
        QFile remote(server.path("back.bin"));
        ASSERT_TRUE(remote.open(QIODevice::WriteOnly));
        ASSERT_TRUE(remote.resize(size - tail));
    }
    server.adoptTree();
    ftp.RemoteFile = "back.bin";
    ftp.ResumePos = size - tail;
    ASSERT_TRUE(run([&] { ftp.Upload(); }, "FileStored")) << dump();
    EXPECT_TRUE(ftp.Success);
    EXPECT_EQ(ftp.BytesTransferred(), tail);
    QFile back(server.path("back.bin"));
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.size(), size);
    ASSERT_TRUE(back.seek(size - tail));
    EXPECT_EQ(back.read(tail), end);
}

INSTANTIATE_TEST_SUITE_P(Servers, Transfers,
                         ::testing::Values(TransferCase{ServerKind::Pyftpdlib, true}, TransferCase{ServerKind::Pyftpdlib, false},
                                           TransferCase{ServerKind::Vsftpd, true}, TransferCase{ServerKind::Vsftpd, false}),
                         caseName);

// --- Server-side faults --------------------------------------------------------------------

TEST(TransferFaults, RefusedListAllFallsBackToList)
{
    // Servers refuse the option with any 5xx: "500" (unknown), "501" (bad argument), "550".
    for (const char* refusal : {"500 Option not supported.", "501 Invalid argument.", "550 No such file -al."}) {
        for (bool passive : {true, false}) {
            RealServer server;
            PyFtpOptions options;
            options.refuse << QStringLiteral("LIST*1=") + refusal;
            ASSERT_TRUE(server.start(ServerKind::Pyftpdlib, options)) << server.error.toStdString();
            testutil::writeFile(server.path("a.txt"), "a");
            TFtp ftp;
            FtpRecorder rec(ftp);
            server.configure(ftp);
            ftp.UsePasv = passive;
            ftp.ShowHiddenFiles = true;
            ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec));
            ftp.ListDirectory();
            ASSERT_TRUE(rec.waitFor("ListingDone")) << refusal << rec.events.join('\n').toStdString();
            EXPECT_TRUE(ftp.Success) << refusal;
            EXPECT_FALSE(ftp.ShowHiddenFiles) << refusal;
            EXPECT_EQ(rec.commands.filter("LIST").join(','), "LIST -al,LIST") << refusal;
            EXPECT_TRUE(rec.listing.join('\n').contains("a.txt")) << refusal;
            EXPECT_TRUE(ftp.SessionConnected()) << refusal;
        }
    }
}

TEST(TransferFaults, ServerDroppingTheConnectionMidTransferEndsTheSession)
{
    RealServer server;
    PyFtpOptions options;
    options.dropAfter = 512 * 1024;
    ASSERT_TRUE(server.start(ServerKind::Pyftpdlib, options)) << server.error.toStdString();
    ASSERT_TRUE(testutil::writePatternFile(server.path("f.bin"), 8 * 1024 * 1024));
    QTemporaryDir scratch;
    TFtp ftp;
    FtpRecorder rec(ftp);
    server.configure(ftp);
    ftp.UsePasv = true;
    ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec));
    ftp.LocalFile = scratch.filePath("f.bin");
    ftp.RemoteFile = "f.bin";
    ftp.Download(false);
    ASSERT_TRUE(rec.waitFor("FtpQuit")) << rec.events.join('\n').toStdString();
    EXPECT_TRUE(rec.has("info NotConnected Disconnected"));
    EXPECT_TRUE(rec.has("FileReceived"));
    EXPECT_FALSE(ftp.Success);
    EXPECT_FALSE(ftp.Busy());
}

// --- Exact sequences with the scripted server ----------------------------------------------

namespace {

class ScriptedTransfer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.useStandardReplies();
        ftp.SetFtpServer("127.0.0.1");
        ftp.FtpPort = server.port();
        ftp.UsePasv = true;
        ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec));
    }
    std::string dump() const { return rec.events.join('\n').toStdString(); }
    ScriptedServer server;
    TFtp ftp;
    FtpRecorder rec{ftp};
};

}  // namespace

TEST_F(ScriptedTransfer, ListingCompletesWhicheverEndComesFirst)
{
    for (bool dataFirst : {true, false}) {
        server.reply("PASV", {server.pasvReply()});
        server.act("LIST", [&, dataFirst](ScriptedServer::Session& s, const QString&) {
            s.send({"150 Here it comes."});
            server.onData = [&, dataFirst, sock = s.socket()](QTcpSocket* data) {
                data->write("-rw-r--r-- 1 u g 5 Jan 01 2020 a.txt\r\nlast line without feed");
                if (dataFirst) {
                    data->disconnectFromHost();
                    QTimer::singleShot(150, sock, [sock] { sock->write("226 Done.\r\n"); });
                } else {
                    sock->write("226 Done.\r\n");
                    QTimer::singleShot(150, data, [data] { data->disconnectFromHost(); });
                }
            };
        });
        rec.clear();
        ftp.ListDirectory();
        ASSERT_TRUE(rec.waitFor("ListingDone")) << dump();
        EXPECT_TRUE(ftp.Success);
        EXPECT_EQ(ftp.ListingLines(), (QStringList{"-rw-r--r-- 1 u g 5 Jan 01 2020 a.txt", "last line without feed"}));
        // Both ends were awaited: the event follows the later of them, the 226 when the data
        // side closed first.
        const int ready = rec.indexOf("info ListingReady Listing ready");
        const int reply = rec.indexOf("info ReplyLine 226 Done.");
        ASSERT_GE(ready, 0) << dump();
        ASSERT_GE(reply, 0) << dump();
        EXPECT_GT(rec.indexOf("ListingDone"), qMax(ready, reply)) << dump();
    }
}

TEST_F(ScriptedTransfer, ListingCountsBytesAndKeepsLongLinesWithinABound)
{
    const QByteArray umlauts = QStringLiteral("-rw-r--r-- 1 u g 5 Jan 01 2020 Grüße.txt").toUtf8();
    const QByteArray mebibyte(1024 * 1024, 'm');
    const QByteArray huge(5 * 1024 * 1024, 'h');
    server.reply("PASV", {server.pasvReply()});
    server.act("LIST", [&](ScriptedServer::Session& s, const QString&) {
        s.send({"150 Here it comes."});
        server.onData = [&, sock = s.socket()](QTcpSocket* data) {
            data->write(umlauts + "\r\n" + mebibyte + "\r\n" + huge + "\r\nshort\r\n");
            data->disconnectFromHost();
            sock->write("226 Done.\r\n");
        };
    });
    ftp.ListDirectory();
    ASSERT_TRUE(rec.waitFor("ListingDone")) << dump();
    EXPECT_TRUE(ftp.Success);
    ASSERT_EQ(ftp.ListingLines().size(), 3);
    EXPECT_EQ(ftp.ListingLines()[0], QString::fromUtf8(umlauts));
    EXPECT_EQ(ftp.ListingLines()[1].size(), mebibyte.size());  // a 1 MiB line is a line
    EXPECT_EQ(ftp.ListingLines()[2], "short");
    EXPECT_TRUE(rec.has("info Notice A listing line longer than 4194304 bytes was left out")) << dump();
    // Bytes, not characters: "ü" and "ß" are two bytes each.
    EXPECT_EQ(ftp.BytesTransferred(), umlauts.size() + mebibyte.size() + 5);
}

TEST_F(ScriptedTransfer, PassiveConnectionGoesToTheControlPeerWhateverTheReplyNames)
{
    // The reply names a foreign address; the data connection must still arrive here on loopback.
    server.reply("PASV", {server.pasvReply("10.9.8.7")});
    server.act("LIST", [&](ScriptedServer::Session& s, const QString&) {
        s.send({"150 Here it comes."});
        server.onData = [sock = s.socket()](QTcpSocket* data) {
            data->write("line\r\n");
            data->disconnectFromHost();
            sock->write("226 Done.\r\n");
        };
    });
    ftp.ListDirectory();
    ASSERT_TRUE(rec.waitFor("ListingDone")) << dump();
    EXPECT_EQ(server.dataConnections(), 1);
    EXPECT_TRUE(ftp.Success);
    EXPECT_TRUE(rec.events.join('\n').contains("PASV reply names 10.9.8.7; connecting to the server's address 127.0.0.1"));
}

TEST_F(ScriptedTransfer, PassiveReplyWithoutAnAddressFailsTheOperationOnly)
{
    for (const char* reply : {"500 PASV not understood.", "227 Entering Passive Mode (garbage)."}) {
        server.replyOnce("PASV", {reply});
        const int before = rec.count("ListingDone");
        ftp.ListDirectory();
        ASSERT_TRUE(rec.waitFor("ListingDone", before + 1)) << reply;
        EXPECT_FALSE(ftp.Success) << reply;
        EXPECT_FALSE(ftp.Busy()) << reply;
        EXPECT_TRUE(ftp.SessionConnected());
    }
    ftp.SendRaw("NOOP");
    ASSERT_TRUE(rec.waitFor("RawCommand"));
}

TEST(TransferHelpers, ProtocolTexts)
{
    EXPECT_EQ(TFtp::SizeAnnouncement("150 Opening BINARY mode data connection for f (1234 bytes)."), "1234");
    EXPECT_EQ(TFtp::SizeAnnouncement("150 5368709120 bytes to follow"), "150");
    EXPECT_EQ(TFtp::SizeAnnouncement("150 (6442450944 bytes)"), "6442450944");
    EXPECT_EQ(TFtp::BuildPortArgument("192.168.1.5", 1025), "192,168,1,5,4,1");

    QString address;
    quint16 port = 0;
    ASSERT_TRUE(TFtp::ParsePasvReply("227 Entering Passive Mode (127,0,0,1,195,80).", &address, &port));
    EXPECT_EQ(address, "127.0.0.1");
    EXPECT_EQ(port, 195 * 256 + 80);
    ASSERT_TRUE(TFtp::ParsePasvReply("227 Entering Passive Mode 10,1,2,3,4,5", &address, &port));
    EXPECT_EQ(address, "10.1.2.3");
    EXPECT_EQ(port, 4 * 256 + 5);
    EXPECT_FALSE(TFtp::ParsePasvReply("227 Entering Passive Mode (1,2,3)", &address, &port));
    EXPECT_FALSE(TFtp::ParsePasvReply("227 (300,1,1,1,1,1)", &address, &port));
    EXPECT_FALSE(TFtp::ParsePasvReply("500 No.", &address, &port));
}

TEST_F(ScriptedTransfer, TypeIsSentOnlyWhenItChanges)
{
    server.reply("PASV", {server.pasvReply()});
    server.act("LIST", [&](ScriptedServer::Session& s, const QString&) {
        s.send({"150 Here it comes."});
        server.onData = [sock = s.socket()](QTcpSocket* data) {
            data->write("x\r\n");
            data->disconnectFromHost();
            sock->write("226 Done.\r\n");
        };
    });
    for (int i = 1; i <= 2; ++i) {
        ftp.ListDirectory();
        ASSERT_TRUE(rec.waitFor("ListingDone", i)) << dump();
    }
    EXPECT_EQ(rec.commands.count("TYPE A"), 1);
    // A typed TYPE leaves the server's type unknown: the next listing says it again.
    ftp.SendRaw("TYPE I");
    ASSERT_TRUE(rec.waitFor("RawCommand"));
    ftp.ListDirectory();
    ASSERT_TRUE(rec.waitFor("ListingDone", 3)) << dump();
    EXPECT_EQ(rec.commands.count("TYPE A"), 2);
}

// --- ASCII mode ----------------------------------------------------------------------------

TEST(AsciiMode, LineEndsAreConvertedOnTheWireOnly)
{
    // vsftpd stores and sends bytes as they are in ASCII mode, so the wire is what it keeps.
    RealServer server;
    START_SERVER_OR_SKIP(server, ServerKind::Vsftpd);
    QTemporaryDir scratch;
    const QByteArray text("one\ntwo\r\n\nx\ry\nlast line");
    const QByteArray binary("bin\r\nary\n\r\x00\xff\n", 15);
    for (bool passive : {true, false}) {
        TFtp ftp;
        FtpRecorder rec(ftp);
        server.configure(ftp);
        ftp.UsePasv = passive;
        ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec)) << rec.events.join('\n').toStdString();
        const auto run = [&](const std::function<void()>& start, const QString& event) {
            const int before = rec.count(event);
            start();
            return rec.waitFor(event, before + 1);
        };
        ASSERT_TRUE(testutil::writeFile(scratch.filePath("text.txt"), text));
        ASSERT_TRUE(testutil::writeFile(scratch.filePath("binary.bin"), binary));

        ftp.TransferMode = AsciiTransfer;
        ftp.LocalFile = scratch.filePath("text.txt");
        ftp.RemoteFile = "text.txt";
        ftp.ResumePos = 0;
        ASSERT_TRUE(run([&] { ftp.Upload(); }, "FileStored")) << rec.events.join('\n').toStdString();
        EXPECT_TRUE(ftp.Success);
        EXPECT_EQ(testutil::readFile(server.path("text.txt")), QByteArray("one\r\ntwo\r\r\n\r\nx\ry\r\nlast line"));
        EXPECT_EQ(ftp.BytesTransferred(), text.size());  // the file's bytes

        ftp.LocalFile = scratch.filePath("text-back.txt");
        ASSERT_TRUE(run([&] { ftp.Download(false); }, "FileReceived"));
        EXPECT_TRUE(ftp.Success);
        EXPECT_EQ(testutil::readFile(scratch.filePath("text-back.txt")), text);

        // No resume in ASCII mode: the converted offsets are not the server's.
        ASSERT_TRUE(testutil::writeFile(scratch.filePath("text-back.txt"), "one\n"));
        ASSERT_TRUE(run([&] { ftp.Download(true); }, "FileReceived"));
        EXPECT_EQ(testutil::readFile(scratch.filePath("text-back.txt")), text);
        EXPECT_FALSE(rec.commands.filter("REST 4").size()) << rec.commands.join('|').toStdString();
        EXPECT_TRUE(rec.has("info Notice ASCII mode does not resume: text.txt is downloaded again from its start"));
        ftp.LocalFile = scratch.filePath("text.txt");
        ftp.ResumePos = 5;
        ASSERT_TRUE(run([&] { ftp.Upload(); }, "FileStored"));
        EXPECT_FALSE(rec.commands.contains("APPE text.txt"));
        EXPECT_EQ(testutil::readFile(server.path("text.txt")), QByteArray("one\r\ntwo\r\r\n\r\nx\ry\r\nlast line"));

        // Binary moves the bytes untouched both ways.
        ftp.TransferMode = BinaryTransfer;
        ftp.LocalFile = scratch.filePath("binary.bin");
        ftp.RemoteFile = "binary.bin";
        ftp.ResumePos = 0;
        ASSERT_TRUE(run([&] { ftp.Upload(); }, "FileStored"));
        EXPECT_EQ(testutil::readFile(server.path("binary.bin")), binary);
        ftp.LocalFile = scratch.filePath("binary-back.bin");
        ASSERT_TRUE(run([&] { ftp.Download(false); }, "FileReceived"));
        EXPECT_EQ(testutil::readFile(scratch.filePath("binary-back.bin")), binary);
        ftp.Close();
    }
}
