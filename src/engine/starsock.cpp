#include "engine/starsock.h"

#include "engine/hooks.h"
#include "engine/hostresolver.h"
#include "engine/starsockaddress.h"
#include "engine/winsockerrors.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <csignal>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

using namespace StarSockAddress;

namespace {

// Work done per socket event is bounded so the user interface keeps its turn: a read event
// moves at most this many bytes or spends at most this much time before going back to the
// event loop (the rest is picked up on the next turn, the notifier being level-triggered).
constexpr qint64 kReadBudgetBytes = 8 * 1024 * 1024;
constexpr qint64 kReadBudgetNs = 4 * 1000 * 1000;
constexpr qint64 kFileReadChunk = 512 * 1024;
constexpr qint64 kLineReadChunk = 64 * 1024;

char* fileChunkBuffer()
{
    static thread_local std::unique_ptr<char[]> buffer(new char[kFileReadChunk]);
    return buffer.get();
}

}  // namespace

void LineSplitter::append(const char* data, qint64 length, const std::function<bool(const QString&)>& line,
                          const std::function<bool()>& tooLong)
{
    if (std::memchr(data, 0, size_t(length)) == nullptr) {
        m_pending.append(data, length);
    } else {
        for (qint64 i = 0; i < length; ++i) {
            if (data[i] != '\0')
                m_pending.append(data[i]);
        }
    }
    qsizetype start = 0;
    qsizetype searchFrom = m_scanned;
    bool go = true;
    while (go) {
        const qsizetype feed = m_pending.indexOf('\n', qMax(start, searchFrom));
        if (feed < 0)
            break;
        const qsizetype from = start;
        start = feed + 1;
        if (m_discarding) {
            m_discarding = false;  // the end of a line that was too long
            continue;
        }
        qsizetype end = feed;
        if (end > from && m_pending.at(end - 1) == '\r')
            --end;
        if (end - from > m_maxLine)
            go = !tooLong || tooLong();
        else if (line)
            go = line(QString::fromUtf8(m_pending.constData() + from, end - from));
    }
    m_pending.remove(0, start);
    // A consumer that stopped leaves lines behind; otherwise none is left.
    m_scanned = go ? m_pending.size() : 0;
    if (!go)
        return;
    if (m_discarding) {
        m_pending.clear();
        m_scanned = 0;
        return;
    }
    // An unfinished line past the bound (its CR may still be to come) is given up now.
    if (m_pending.size() > m_maxLine + 1) {
        m_pending.clear();
        m_scanned = 0;
        m_discarding = true;
        if (tooLong)
            tooLong();
    }
}

void LineSplitter::clear()
{
    m_pending.clear();
    m_scanned = 0;
    m_discarding = false;
}

TStarSocket::TStarSocket(QObject* owner)
    : QObject(owner)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &TStarSocket::onTimerTick);
}

TStarSocket::~TStarSocket()
{
    // Not the virtual Close: a derived class is already gone here.
    TStarSocket::Close();
    if (m_started)
        Cleanup();
    if (m_loaded)
        UnloadWinsock();
}

bool TStarSocket::LoadWinsock(const QString&)
{
    m_loaded = true;
    return true;
}

bool TStarSocket::Startup()
{
    if (!m_loaded)
        LoadWinsock();
    // A peer that goes away must show as an error code, not end the process.
    static const bool pipeIgnored = [] {
        std::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    Q_UNUSED(pipeIgnored);
    utsname name{};
    const QString kernel = uname(&name) == 0 ? QString::fromLocal8Bit(name.release) : QStringLiteral("unknown");
    m_description = QStringLiteral("POSIX sockets on Linux %1").arg(kernel);
    m_systemStatus = QStringLiteral("Running");
    rlimit limit{};
    m_maxSockets = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                       ? int(qMin<rlim_t>(limit.rlim_cur, 1 << 30))
                       : 1024;
    m_started = true;
    return true;
}

void TStarSocket::Cleanup()
{
    m_started = false;
}

void TStarSocket::UnloadWinsock()
{
    if (m_started)
        Cleanup();
    m_loaded = false;
}

void TStarSocket::recordError(int err)
{
    const quint16 code = Winsock::fromErrno(err);
    LastError = code == Winsock::WSAEWOULDBLOCK ? 0 : code;
}

void TStarSocket::CreateSocket()
{
    openFor(IsIPv6() ? AF_INET6 : AF_INET);
}

bool TStarSocket::openFor(int family)
{
    if (m_fd >= 0) {
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0 || bound.ss_family == family)
            return true;
        // Made before the address was known: the other family is needed.
        setWatch(Watch::None);
        ::close(m_fd);
        m_fd = -1;
    }
    m_fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        recordError(errno);
        return false;
    }
    LastError = 0;
    m_eofSeen = false;
    m_closeRaised = false;
    return true;
}

void TStarSocket::SetPort(quint16 port)
{
    m_port = port;
}

void TStarSocket::UseResolvedAddress()
{
    m_host = m_resolvedHost.isNull() ? QHostAddress(m_resolvedAddress) : m_resolvedHost;
}

void TStarSocket::SetFtpServer(const QString& server)
{
    m_ftpServer = server;
    const bool ipv6Literal = server.contains(QLatin1Char(':'));
    if (ipv6Literal || (!server.isEmpty() && server.at(0).isDigit() && server.at(0).unicode() < 128)) {
        AddressText = server;
        HostName.clear();
    } else {
        HostName = server;
        AddressText.clear();
    }
}

void TStarSocket::ResolveHost(const QString& hostName)
{
    if (m_lookupHandle != 0)
        return;
    HostName = hostName;
    QPointer<TStarSocket> self(this);
    const quint64 generation = m_generation;
    m_lookupHandle = HostResolver::instance().lookupAddress(hostName, this, [self, generation](quint16 error, const QHostAddress& address) {
        // An answer that arrives after Close belongs to nobody: acting on it would connect a
        // session its owner has ended.
        if (!self || self->m_generation != generation)
            return;
        self->stopTimeout();
        self->LastError = error;
        if (error == 0) {
            self->m_resolvedHost = address;
            self->m_resolvedAddress = address.protocol() == QAbstractSocket::IPv4Protocol ? address.toIPv4Address() : 0;
        }
        self->m_lookupHandle = 0;
        self->LookupDone();
    });
    LastError = 0;
}

void TStarSocket::LookupDone()
{
    raiseHook(OnLookupDone);
}

void TStarSocket::setWatch(Watch watch)
{
    delete m_readNotifier;
    delete m_writeNotifier;
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
    m_watch = watch;
    m_readDelivered = false;
    if (watch == Watch::None || m_fd < 0)
        return;
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &TStarSocket::onReadable);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &TStarSocket::onWritable);
    m_readNotifier->setEnabled(watch != Watch::Connecting);
    m_writeNotifier->setEnabled(watch == Watch::Connecting);
}

void TStarSocket::enableRead(bool on)
{
    if (m_readNotifier)
        m_readNotifier->setEnabled(on);
}

void TStarSocket::armWrite()
{
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(true);
}

void TStarSocket::Connect()
{
    CreateSocket();
    if (m_fd < 0)
        return;
    sockaddr_storage target{};
    const socklen_t targetLength = toSockaddr(m_host, m_port, &target);
    setWatch(Watch::Connecting);
    const int rc = ::connect(m_fd, reinterpret_cast<const sockaddr*>(&target), targetLength);
    if (rc != 0 && errno != EINPROGRESS) {
        recordError(errno);
        setWatch(Watch::None);
        return;
    }
    LastError = 0;
    // Completion (or failure) is reported by the write notifier either way.
    SetTimeout(TimeOutConnect);
    m_lines.clear();
    m_heldCr = false;
}

void TStarSocket::Listen()
{
    CreateSocket();
    if (m_fd < 0)
        return;
    sockaddr_storage local{};
    const socklen_t localLength = toSockaddr(m_host, m_port, &local);
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), localLength) != 0) {
        recordError(errno);
        return;
    }
    setWatch(Watch::Listening);
    if (::listen(m_fd, 2) != 0) {
        recordError(errno);
        setWatch(Watch::None);
        return;
    }
    LastError = 0;
}

void TStarSocket::Accept(TStarSocket& listening)
{
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(listening.m_fd, reinterpret_cast<sockaddr*>(&peer), &length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    // Accepting re-enables the listener's accept event, as Winsock does.
    listening.enableRead(true);
    listening.m_readDelivered = false;
    if (fd < 0) {
        recordError(listening.m_fd < 0 ? EBADF : errno);
        return;
    }
    if (m_fd >= 0)
        Close();
    m_fd = fd;
    m_host = fromSockaddr(peer, &m_port);
    m_eofSeen = false;
    m_closeRaised = false;
    LastError = 0;
    Connected = true;
    setWatch(Watch::Stream);
    armWrite();
    m_lines.clear();
    m_heldCr = false;
}

void TStarSocket::Close()
{
    if (m_lookupHandle != 0)
        HostResolver::instance().abort(m_lookupHandle);
    stopTimeout();
    ++m_generation;
    m_outbox.clear();
    m_outboxSent = 0;
    m_urgent.clear();
    freeTls();
    m_readPaused = false;
    if (m_fd >= 0) {
        setWatch(Watch::None);
        if (::close(m_fd) != 0)
            recordError(errno);
        m_fd = -1;
        Connected = false;
    }
}

qint64 TStarSocket::Send(const char* data, qint64 length)
{
    if (m_fd < 0) {
        LastError = Winsock::WSAENOTSOCK;
        return 0;
    }
    const qint64 sent = streamWrite(data, length);
    if (sent >= 1) {
        LastError = 0;
        return sent;
    }
    if (sent == -1) {
        LastError = 0;
        armWrite();
    }
    return 0;
}

qint64 TStarSocket::SendUrgent(const char* data, qint64 length)
{
    if (m_fd < 0) {
        LastError = Winsock::WSAENOTSOCK;
        return 0;
    }
    // The urgent bytes join the queue marked as such: sent at once they would overtake bytes
    // still queued (and land inside a half-sent command), or be lost when the kernel is full.
    m_urgent.append({m_outbox.size(), m_outbox.size() + length});
    m_outbox.append(data, length);
    return flushOutbox() ? length : 0;
}

bool TStarSocket::SendAll(const QByteArray& data)
{
    if (m_fd < 0) {
        LastError = Winsock::WSAENOTSOCK;
        return false;
    }
    m_outbox.append(data);
    return flushOutbox();
}

bool TStarSocket::flushOutbox()
{
    while (m_outboxSent < m_outbox.size()) {
        // Up to the next urgent part as normal data, an urgent part as out-of-band data.
        qint64 end = m_outbox.size();
        int flags = MSG_NOSIGNAL;
        while (!m_urgent.isEmpty() && m_urgent.first().second <= m_outboxSent)
            m_urgent.removeFirst();
        if (!m_urgent.isEmpty()) {
            const auto& [begin, urgentEnd] = m_urgent.first();
            if (m_outboxSent < begin) {
                end = begin;
            } else {
                end = urgentEnd;
                flags |= MSG_OOB;
            }
        }
        if (m_ssl) {
            // Inside TLS there is no urgent data: everything goes in line.
            const qint64 wrote = streamWrite(m_outbox.constData() + m_outboxSent, m_outbox.size() - m_outboxSent);
            if (wrote == -1) {
                LastError = 0;
                armWrite();
                return true;
            }
            if (wrote < 0)
                return false;
            m_outboxSent += wrote;
            continue;
        }
        const ssize_t sent = ::send(m_fd, m_outbox.constData() + m_outboxSent, size_t(end - m_outboxSent), flags);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EWOULDBLOCK || errno == EAGAIN) {
                LastError = 0;
                armWrite();
                return true;
            }
            recordError(errno);
            return false;
        }
        m_outboxSent += sent;
    }
    m_outbox.clear();
    m_outboxSent = 0;
    m_urgent.clear();
    LastError = 0;
    return true;
}

qint64 TStarSocket::Receive(char* buffer, qint64 length)
{
    m_readDelivered = false;
    if (m_fd < 0) {
        LastError = Winsock::WSAENOTSOCK;
        return 0;
    }
    enableRead(true);
    const qint64 got = streamRead(buffer, length);
    postTlsPending();
    if (got >= 1) {
        LastError = 0;
        return got;
    }
    if (got == 0) {
        m_eofSeen = true;
        LastError = 0;
        return 0;
    }
    if (got == -1)
        LastError = 0;
    return 0;
}

qint64 TStarSocket::ReceiveToFile()
{
    m_readDelivered = false;
    if (m_fd < 0) {
        LastError = Winsock::WSAENOTSOCK;
        return 0;
    }
    enableRead(true);
    char* buffer = fileChunkBuffer();
    qint64 total = 0;
    bool writeFailed = false;
    QElapsedTimer spent;
    spent.start();
    while (total < kReadBudgetBytes && spent.nsecsElapsed() < kReadBudgetNs) {
        const qint64 got = streamRead(buffer, kFileReadChunk);
        if (got == 0) {
            m_eofSeen = true;
            if (!writeFailed)
                flushHeldCr();
            break;
        }
        if (got < 0) {
            if (got == -2 && total == 0)
                return 0;
            break;  // would block (or fails): report what was read; the error shows next time
        }
        total += got;
        if (ReceiveStream && !writeFailed && !writeReceived(buffer, got))
            writeFailed = true;
    }
    LastError = 0;
    postTlsPending();
    if (writeFailed) {
        ReceiveStream.reset();
        return -1;
    }
    return total;
}

bool TStarSocket::writeReceived(const char* data, qint64 length)
{
    QFile& file = *ReceiveStream;
    if (!ConvertCrLf || (!m_heldCr && std::memchr(data, '\r', size_t(length)) == nullptr))
        return file.write(data, length) == length;
    // Text: a CR LF pair becomes LF; a CR that ends the batch waits to see what follows it.
    m_textBuffer.resize(length + 1);
    char* out = m_textBuffer.data();
    qint64 n = 0;
    qint64 i = 0;
    if (m_heldCr) {
        m_heldCr = false;
        if (data[0] != '\n')
            out[n++] = '\r';
    }
    for (; i < length; ++i) {
        const char c = data[i];
        if (c == '\r') {
            if (i + 1 == length) {
                m_heldCr = true;
                break;
            }
            if (data[i + 1] == '\n')
                continue;
        }
        out[n++] = c;
    }
    return file.write(out, n) == n;
}

void TStarSocket::flushHeldCr()
{
    // A CR at the very end of the stream is text like any other.
    if (!m_heldCr)
        return;
    m_heldCr = false;
    if (ReceiveStream && ReceiveStream->write("\r", 1) != 1)
        ReceiveStream.reset();
}

QString TStarSocket::TakePendingLine()
{
    if (m_lines.discarding()) {
        m_lines.clear();  // the rest of a line that was too long, reported already
        return {};
    }
    QString rest = QString::fromUtf8(m_lines.pending());
    if (rest.endsWith(QLatin1Char('\r')))
        rest.chop(1);
    m_lines.clear();
    return rest;
}

void TStarSocket::SetTimeout(int seconds)
{
    stopTimeout();
    if (seconds > 0) {
        m_countdown = seconds;
        m_timer.start();
    }
}

void TStarSocket::stopTimeout()
{
    m_timer.stop();
    m_countdown = 0;
}

void TStarSocket::onTimerTick()
{
    if (--m_countdown > 0)
        return;
    Close();
    raiseHook(OnTimeOut);
}

QString TStarSocket::ErrorName(int code)
{
    return Winsock::errorName(code);
}

void TStarSocket::PostMessage(quint32 message, qint64 param)
{
    QMetaObject::invokeMethod(
        this,
        [this, message, param] {
            raiseHook(OnMessage, message, param);
        },
        Qt::QueuedConnection);
}

void TStarSocket::onWritable()
{
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    if (m_ssl && tlsDrivesEvent(false))
        return;
    stopTimeout();
    if (m_watch == Watch::Connecting) {
        finishConnect();
        return;
    }
    if (!flushOutbox()) {
        // The failure surfaces as the close event the kernel reports next.
        enableRead(true);
        return;
    }
    if (PendingSendBytes() == 0)
        raiseHook(OnSendReady);
}

void TStarSocket::finishConnect()
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    recordError(error);
    if (error != 0) {
        setWatch(Watch::None);
        raiseHook(OnConnected);
        return;
    }
    if (NoDelay) {
        int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    Connected = true;
    setWatch(Watch::Stream);
    QPointer<TStarSocket> self(this);
    const quint64 generation = m_generation;
    raiseHook(OnConnected);
    // Winsock reports the socket writable right after it connected.
    if (self && generation == m_generation && m_fd >= 0 && PendingSendBytes() == 0)
        raiseHook(OnSendReady);
}

void TStarSocket::onReadable()
{
    if (m_ssl && tlsDrivesEvent(true))
        return;
    if (m_readPaused) {
        enableRead(false);
        return;
    }
    stopTimeout();
    if (m_watch == Watch::Listening) {
        enableRead(false);  // until Accept, as Winsock's accept event
        LastError = 0;
        raiseHook(OnAccept);
        return;
    }
    if (m_watch != Watch::Stream)
        return;
    if (ReceiveMode == LineMode) {
        readLines();
        return;
    }
    // Raw mode: peek first so that the end of the stream is told apart from data.
    char probe;
    const qint64 peeked = streamRead(&probe, 1, true);
    if (peeked == 0) {
        m_eofSeen = true;
        handleClose();
        return;
    }
    if (peeked < 0) {
        if (peeked == -1)
            return;
        handleClose();
        return;
    }
    LastError = 0;
    QPointer<TStarSocket> self(this);
    const quint64 generation = m_generation;
    m_readDelivered = true;
    raiseHook(OnDataAvailable);
    if (!self || generation != m_generation || m_fd < 0)
        return;
    if (m_eofSeen) {
        handleClose();
        return;
    }
    // Nobody read: no further read events until somebody does.
    if (m_readDelivered)
        enableRead(false);
}

void TStarSocket::readLines()
{
    QPointer<TStarSocket> self(this);
    const quint64 generation = m_generation;
    char buffer[kLineReadChunk];
    qint64 total = 0;
    QElapsedTimer spent;
    spent.start();
    // Each line goes to the owner (a listing line becomes a row), so time bounds the batch too.
    while (total < kReadBudgetBytes && spent.nsecsElapsed() < kReadBudgetNs) {
        // A line may have started the handshake (AUTH TLS): the rest is the handshake's.
        if (m_tlsState == TlsState::Handshaking || m_readPaused)
            return;
        const qint64 got = streamRead(buffer, sizeof buffer);
        if (got == 0) {
            m_eofSeen = true;
            LastError = 0;
            handleClose();
            return;
        }
        if (got < 0) {
            if (got == -1) {
                LastError = 0;
                return;
            }
            handleClose();
            return;
        }
        total += got;
        LastError = 0;
        m_lines.setMaxLineLength(MaxLineLength);
        m_lines.append(
            buffer, got,
            [&](const QString& line) {
                raiseHook(OnLine, line);
                return self && generation == m_generation;
            },
            [&] {
                raiseHook(OnLineTooLong);
                return self && generation == m_generation;
            });
        if (!self || generation != m_generation)
            return;
    }
    postTlsPending();
}

void TStarSocket::handleClose()
{
    if (m_closeRaised)
        return;
    m_closeRaised = true;
    // The kernel stops reporting a closed stream only when the socket is closed; keep quiet
    // until the owner does so.
    enableRead(false);
    if (ReceiveMode == RawMode)
        flushHeldCr();
    raiseHook(OnClosed);
}
