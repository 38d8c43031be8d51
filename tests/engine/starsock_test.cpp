#include "engine/hostresolver.h"
#include "engine/starsock.h"
#include "engine/winsockerrors.h"
#include "testutil.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cerrno>
#include <sys/socket.h>

using testutil::waitFor;

namespace {

QStringList split(const std::vector<QByteArray>& batches, QByteArray* pending = nullptr)
{
    LineSplitter splitter;
    QStringList lines;
    for (const QByteArray& batch : batches) {
        splitter.append(batch.constData(), batch.size(), [&](const QString& line) {
            lines << line;
            return true;
        });
    }
    if (pending)
        *pending = splitter.pending();
    return lines;
}

// Answers look-ups from a table on the next event-loop turn and counts the calls.
class FakeResolver : public HostResolver
{
public:
    int lookup(const QString& name, QObject* context, Callback callback) override
    {
        names << name;
        const quint16 error = answers.value(name, Winsock::WSAHOST_NOT_FOUND);
        QTimer::singleShot(delayMs, context, [callback, error] { callback(error, error ? 0 : 0x7F000001); });
        return ++lastHandle;
    }
    void abort(int) override { ++aborts; }

    QMap<QString, quint16> answers;
    QStringList names;
    int lastHandle = 0;
    int aborts = 0;
    int delayMs = 0;
};

struct ResolverInstall {
    explicit ResolverInstall(HostResolver* r) { HostResolver::setInstance(r); }
    ~ResolverInstall() { HostResolver::setInstance(nullptr); }
};

}  // namespace

TEST(LineSplitter, CutsLinesAndKeepsWhatIsNotEndedYet)
{
    QByteArray pending;
    // CRLF lines, an empty line, several lines in one batch, in order.
    EXPECT_EQ(split({"220 Ready\r\n\r\n230 In\r\n"}), (QStringList{"220 Ready", "", "230 In"}));
    // A bare line feed ends a line without eating its last character.
    EXPECT_EQ(split({"abc\ndef\r\n"}), (QStringList{"abc", "def"}));
    // Text after the last line feed waits for the next batch and joins it.
    EXPECT_EQ(split({"220 Wel", "come\r", "\n33"}, &pending), (QStringList{"220 Welcome"}));
    EXPECT_EQ(pending, QByteArray("33"));
    // A UTF-8 character split across batches survives.
    const QByteArray name = QStringLiteral("Grüße").toUtf8();
    EXPECT_EQ(split({name.left(3), name.mid(3) + "\r\n"}), QStringList{QStringLiteral("Grüße")});
    // NUL bytes are dropped, never the rest of the batch.
    EXPECT_EQ(split({QByteArray("\0ab\0c\r\nd\n", 9)}), (QStringList{"abc", "d"}));
}

TEST(LineSplitter, StopsWhenTheConsumerSaysSoAndKeepsTheRest)
{
    LineSplitter splitter;
    QStringList seen;
    const QByteArray batch("one\r\ntwo\r\nthree\r\n");
    splitter.append(batch.constData(), batch.size(), [&](const QString& line) {
        seen << line;
        return false;
    });
    EXPECT_EQ(seen, QStringList{"one"});
    EXPECT_EQ(splitter.pending(), QByteArray("two\r\nthree\r\n"));
}

TEST(WinsockErrors, NamesAndErrnoMapping)
{
    EXPECT_EQ(TStarSocket::ErrorName(10035), "WSAEWOULDBLOCK");
    EXPECT_EQ(TStarSocket::ErrorName(10061), "WSAECONNREFUSED");
    EXPECT_EQ(TStarSocket::ErrorName(11001), "WSAHOST_NOT_FOUND");
    EXPECT_EQ(TStarSocket::ErrorName(10013), "");  // has no name
    EXPECT_EQ(TStarSocket::ErrorName(12345), "");
    const std::pair<int, int> table[] = {
        {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060}, {ECONNRESET, 10054}, {ECONNABORTED, 10053},
        {ENETUNREACH, 10051},  {ENETDOWN, 10050},  {EHOSTUNREACH, 10065}, {EADDRINUSE, 10048},
        {EADDRNOTAVAIL, 10049}, {ENOTCONN, 10057}, {EMFILE, 10024},      {ENOBUFS, 10055},
        {EACCES, 10013},       {EINVAL, 10022},    {EPIPE, 10058},       {ESHUTDOWN, 10058},
        {EBADF, 10038},        {ENOTSOCK, 10038},  {EWOULDBLOCK, 10035}, {EINPROGRESS, 10035},
    };
    for (const auto& [err, code] : table)
        EXPECT_EQ(Winsock::fromErrno(err), code) << "errno " << err;
}

TEST(StarSocket, ConnectsReadsLinesAndReportsTheServerClose)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket* peer = nullptr;
    QObject::connect(&server, &QTcpServer::newConnection, [&] { peer = server.nextPendingConnection(); });

    TStarSocket socket;
    QStringList order;
    socket.OnConnected = [&] { order << "connected"; };
    socket.OnSendReady = [&] { order << "sendready"; };
    socket.OnLine = [&](const QString& line) { order << "line:" + line; };
    socket.OnClosed = [&] { order << "closed"; };
    EXPECT_EQ(socket.GetLocalAddress(), "");  // no socket yet
    socket.SetAddressText("127.0.0.1");
    socket.SetPort(server.serverPort());
    socket.Connect();
    ASSERT_EQ(socket.LastError, 0);
    ASSERT_TRUE(waitFor([&] { return peer != nullptr && order.contains("connected"); }));
    EXPECT_TRUE(socket.Connected);
    EXPECT_EQ(socket.GetLocalAddress(), "127.0.0.1");
    EXPECT_NE(socket.GetLocalPort(), 0);
    EXPECT_EQ(order.mid(0, 2), (QStringList{"connected", "sendready"}));

    peer->write("220 first\r\n220 sec");
    peer->flush();
    ASSERT_TRUE(waitFor([&] { return order.contains("line:220 first"); }));
    peer->write("ond\r\n");
    peer->disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return order.contains("closed"); }));
    EXPECT_EQ(order.mid(2), (QStringList{"line:220 first", "line:220 second", "closed"}));

    // Sending works both ways until closed; afterwards a send fails as "not a socket".
    socket.Close();
    EXPECT_FALSE(socket.Connected);
    EXPECT_EQ(socket.Send("x", 1), 0);
    EXPECT_EQ(socket.LastError, 10038);
}

TEST(StarSocket, RefusedConnectReportsTheCodeWithTheConnectEvent)
{
    quint16 closedPort;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    TStarSocket socket;
    int connects = 0;
    quint16 error = 0;
    socket.OnConnected = [&] {
        ++connects;
        error = socket.LastError;
    };
    socket.SetAddressText("127.0.0.1");
    socket.SetPort(closedPort);
    socket.Connect();
    ASSERT_TRUE(waitFor([&] { return connects == 1; }));
    EXPECT_EQ(error, 10061);
    EXPECT_FALSE(socket.Connected);
}

TEST(StarSocket, TimeoutClosesAfterItsSecondsAndZeroStopsIt)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    TStarSocket socket;
    bool connected = false;
    int timeouts = 0;
    socket.OnConnected = [&] { connected = true; };
    socket.OnTimeOut = [&] { ++timeouts; };
    socket.SetAddressText("127.0.0.1");
    socket.SetPort(server.serverPort());
    socket.Connect();
    ASSERT_TRUE(waitFor([&] { return connected; }));

    socket.SetTimeout(1);
    socket.SetTimeout(0);
    testutil::spin(1300);
    EXPECT_EQ(timeouts, 0);
    EXPECT_TRUE(socket.IsValid());

    socket.SetTimeout(1);  // the server stays silent: no event stops the countdown
    ASSERT_TRUE(waitFor([&] { return timeouts == 1; }, 3000));
    EXPECT_FALSE(socket.IsValid());
}

TEST(StarSocket, LookupsGoThroughTheResolverAndReportFailures)
{
    FakeResolver resolver;
    ResolverInstall install(&resolver);
    resolver.answers["good.example"] = 0;
    resolver.delayMs = 50;
    TStarSocket socket;
    int done = 0;
    socket.OnLookupDone = [&] { ++done; };

    socket.ResolveHost("good.example");
    EXPECT_TRUE(socket.LookupPending());
    socket.ResolveHost("other.example");  // ignored while one is pending
    ASSERT_TRUE(waitFor([&] { return done == 1; }));
    EXPECT_EQ(resolver.names, QStringList{"good.example"});
    EXPECT_FALSE(socket.LookupPending());
    EXPECT_EQ(socket.LastError, 0);
    socket.UseResolvedAddress();
    EXPECT_EQ(socket.GetAddressText(), "127.0.0.1");

    // A name longer than the old 67-character buffer reaches the resolver whole.
    const QString longName = QString(70, 'a') + ".example";
    socket.ResolveHost(longName);
    ASSERT_TRUE(waitFor([&] { return done == 2; }));
    EXPECT_EQ(resolver.names.last(), longName);
    EXPECT_EQ(socket.LastError, 11001);
}

TEST(StarSocket, SystemResolverFindsLocalhost)
{
    TStarSocket socket;
    bool done = false;
    socket.OnLookupDone = [&] { done = true; };
    socket.ResolveHost("localhost");
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_EQ(socket.LastError, 0);
    socket.UseResolvedAddress();
    EXPECT_EQ(socket.GetAddressText(), "127.0.0.1");
}

TEST(StarSocket, ListenAcceptAndReceiveIntoAFileUntilTheEnd)
{
    TStarSocket listener;
    listener.SetAddressText("127.0.0.1");
    listener.SetPort(0);
    listener.Listen();
    ASSERT_EQ(listener.LastError, 0);
    const quint16 port = listener.GetLocalPort();
    ASSERT_NE(port, 0);

    TStarSocket data;
    QTemporaryDir dir;
    data.ReceiveMode = TStarSocket::RawMode;
    data.ReceiveStream = std::make_unique<QFile>(dir.filePath("out.bin"));
    ASSERT_TRUE(data.ReceiveStream->open(QIODevice::WriteOnly));
    qint64 received = 0;
    bool closed = false;
    data.OnDataAvailable = [&] { received += qMax<qint64>(0, data.ReceiveToFile()); };
    data.OnClosed = [&] { closed = true; };
    int accepts = 0;
    listener.OnAccept = [&] {
        ++accepts;
        data.Accept(listener);
    };

    QByteArray payload(3 * 1024 * 1024 + 17, Qt::Uninitialized);
    for (int i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 31 + (i >> 11));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(client.waitForConnected(5000));
    client.write(payload);
    ASSERT_TRUE(waitFor([&] { return accepts == 1; }));
    EXPECT_TRUE(data.Connected);
    EXPECT_EQ(data.LastError, 0);
    ASSERT_TRUE(waitFor([&] {
        client.flush();
        return client.bytesToWrite() == 0;
    }));
    client.disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return closed; }));
    EXPECT_EQ(received, payload.size());
    data.ReceiveStream.reset();
    EXPECT_EQ(testutil::readFile(dir.filePath("out.bin")), payload);
}

TEST(LineSplitter, LinesBeyondTheMaximumAreDroppedAndReported)
{
    const struct {
        std::vector<QByteArray> batches;
        QStringList lines;
        int tooLong;
    } cases[] = {
        {{"12345678\r\n"}, {"12345678"}, 0},                      // exactly the maximum
        {{"12345678\r", "\nx\n"}, {"12345678", "x"}, 0},           // its CR may come apart
        {{"123456789\r\nok\r\n"}, {"ok"}, 1},                     // complete, but too long
        {{"1234567890", "abc\r\nok\r\n"}, {"ok"}, 1},             // given up before its end
        {{"1234567890", "abcdefghij", "k\nok\n"}, {"ok"}, 1},     // reported once, however long
        {{"123456789\n", "12345678901\n", "fine\n"}, {"fine"}, 2},
    };
    for (const auto& c : cases) {
        LineSplitter splitter;
        splitter.setMaxLineLength(8);
        QStringList lines;
        int tooLong = 0;
        for (const QByteArray& batch : c.batches) {
            splitter.append(
                batch.constData(), batch.size(),
                [&](const QString& line) {
                    lines << line;
                    return true;
                },
                [&] {
                    ++tooLong;
                    return true;
                });
            EXPECT_LE(splitter.pending().size(), 9 + batch.size());
        }
        EXPECT_EQ(lines, c.lines) << c.batches.front().toStdString();
        EXPECT_EQ(tooLong, c.tooLong) << c.batches.front().toStdString();
    }
}

TEST(StarSocket, UrgentDataWaitsBehindQueuedBytes)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    TStarSocket sock;
    sock.SetAddressText("127.0.0.1");
    sock.SetPort(server.serverPort());
    bool connected = false;
    sock.OnConnected = [&] { connected = true; };
    sock.Connect();
    ASSERT_TRUE(waitFor([&] { return connected && server.hasPendingConnections(); }));
    QTcpSocket* peer = server.nextPendingConnection();
    int inlineUrgent = 1;  // the urgent byte stays in the stream, so its place shows
    ASSERT_EQ(::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_OOBINLINE, &inlineUrgent, sizeof inlineUrgent), 0);
    peer->setReadBufferSize(1);  // the peer does not read yet: our queue fills up

    // Send until the kernel takes no more and our own queue holds the rest.
    QByteArray bulk;
    const QByteArray block(1024 * 1024, 'b');
    while (sock.PendingSendBytes() == 0 && bulk.size() < 512 * 1024 * 1024) {
        ASSERT_TRUE(sock.SendAll(block));
        bulk += block;
    }
    ASSERT_GT(sock.PendingSendBytes(), 0);
    EXPECT_EQ(sock.SendUrgent("\xff\xf2", 2), 2);
    ASSERT_TRUE(sock.SendAll("ABOR\r\n"));

    peer->setReadBufferSize(0);
    QByteArray got;
    ASSERT_TRUE(waitFor([&] {
        got += peer->readAll();
        return got.size() >= bulk.size() + 8;
    }, 20000)) << got.size();
    EXPECT_EQ(got.left(bulk.size()), bulk);
    EXPECT_EQ(got.mid(bulk.size()), QByteArray("\xff\xf2" "ABOR\r\n"));
}

TEST(StarSocket, AsciiReceiveTurnsCrLfIntoLfAcrossBatches)
{
    TStarSocket listener;
    listener.SetAddressText("127.0.0.1");
    listener.SetPort(0);
    listener.Listen();
    TStarSocket data;
    QTemporaryDir dir;
    data.ReceiveMode = TStarSocket::RawMode;
    data.ConvertCrLf = true;
    data.ReceiveStream = std::make_unique<QFile>(dir.filePath("text.txt"));
    ASSERT_TRUE(data.ReceiveStream->open(QIODevice::WriteOnly));
    bool closed = false;
    data.OnDataAvailable = [&] { data.ReceiveToFile(); };
    data.OnClosed = [&] { closed = true; };
    listener.OnAccept = [&] { data.Accept(listener); };

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, listener.GetLocalPort());
    ASSERT_TRUE(client.waitForConnected(5000));
    // A CR LF pair split between two sends, a lone CR inside a line and one at the very end.
    for (const char* part : {"one\r", "\ntwo\r\n\r\nx\ry\r\n", "last\r"}) {
        client.write(part);
        client.flush();
        testutil::spin(50);
    }
    client.disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return closed; }));
    data.ReceiveStream.reset();
    EXPECT_EQ(testutil::readFile(dir.filePath("text.txt")), QByteArray("one\ntwo\n\nx\ry\nlast\r"));
}
