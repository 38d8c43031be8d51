#pragma once

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class QSocketNotifier;
class TlsContext;
class TlsSessionTicket;
class TlsSessionPool;
struct TlsCertificateInfo;
struct ssl_st;
struct ssl_session_st;

// Cuts a byte stream into text lines at line feeds. Only a carriage return right before the
// line feed is dropped, so a line ended by a bare line feed keeps its last character; NUL
// bytes are dropped. Text after the last line feed waits for the next batch. A line longer
// than the maximum is not kept (memory stays bounded whatever a peer sends): it is reported
// through `tooLong` and skipped up to its line feed.
class LineSplitter
{
public:
    static constexpr qint64 kDefaultMaxLine = 1024 * 1024;

    // Appends a batch and calls `line` for each completed line, stopping early when it (or
    // `tooLong`) returns false.
    void append(const char* data, qint64 length, const std::function<bool(const QString&)>& line,
                const std::function<bool()>& tooLong = {});
    void setMaxLineLength(qint64 bytes) { m_maxLine = bytes; }
    qint64 maxLineLength() const { return m_maxLine; }
    void clear();
    const QByteArray& pending() const { return m_pending; }
    // Inside a line that was too long: what arrives up to the next line feed is dropped.
    bool discarding() const { return m_discarding; }

private:
    QByteArray m_pending;
    qsizetype m_scanned = 0;  // the start of m_pending holds no line feed up to here
    qint64 m_maxLine = kDefaultMaxLine;
    bool m_discarding = false;
};

// A non-blocking TCP socket (IPv4 or IPv6) whose network events arrive as hooks on the Qt event loop,
// with Winsock's event rules: "read" is raised again only after the owner has read, "write"
// after a connect or accept and after a send that would have blocked. Reads text as lines or
// binary data straight into a file, counts a connect/inactivity time-out down in seconds and
// records failures in LastError as Winsock codes (0 = none; "would block" counts as none).
// With StartTls the stream is TLS (OpenSSL): the handshake, and a read or write that needs
// the other direction, run inside the socket; its owner still sees lines and data events.
class TStarSocket : public QObject
{
    Q_OBJECT

public:
    enum : quint8 { LineMode = 0, RawMode = 1 };

    explicit TStarSocket(QObject* owner = nullptr);
    ~TStarSocket() override;

    // The socket library needs no loading here; these keep their interface and always succeed.
    bool LoadWinsock(const QString& libraryName = {});
    bool Startup();
    void Cleanup();
    void UnloadWinsock();
    bool WinsockStarted() const { return m_started; }
    QString Description() const { return m_description; }
    QString SystemStatus() const { return m_systemStatus; }
    int MaxSockets() const { return m_maxSockets; }

    void CreateSocket();
    bool IsValid() const { return m_fd >= 0; }
    // A dotted IPv4 address or an IPv6 address (brackets allowed); anything else gives the
    // "none" address 255.255.255.255.
    void SetAddressText(const QString& address);
    QString GetAddressText() const;
    void SetPort(quint16 port);
    quint16 Port() const { return m_port; }
    void UseResolvedAddress();
    // The IPv4 address of the last look-up (host order), 0 when it gave an IPv6 address.
    quint32 ResolvedAddress() const { return m_resolvedAddress; }
    // True when the address set (or the open connection) is IPv6.
    bool IsIPv6() const { return m_host.protocol() == QAbstractSocket::IPv6Protocol; }
    void ResolveHost(const QString& hostName);
    bool LookupPending() const { return m_lookupHandle != 0; }
    void ClearLookupHandle() { m_lookupHandle = 0; }
    void Connect();
    void Listen();
    void Accept(TStarSocket& listening);
    virtual void Close();

    qint64 Send(const char* data, qint64 length);
    // Sends urgent (out-of-band) data after whatever SendAll still holds, never before it.
    qint64 SendUrgent(const char* data, qint64 length);
    qint64 Receive(char* buffer, qint64 length);
    // Reads what has arrived (up to a per-event budget) into ReceiveStream; returns the byte
    // count, 0 when nothing could be read, -1 when writing the stream failed (the stream is
    // then freed and detached, as the data still have to be consumed).
    qint64 ReceiveToFile();

    // Sends all of `data`, keeping what the kernel does not take yet and sending it as the
    // socket becomes writable; OnSendReady is raised only once that backlog is empty.
    // Returns false (with LastError set) when the socket failed.
    bool SendAll(const QByteArray& data);
    qint64 PendingSendBytes() const { return m_outbox.size() - m_outboxSent; }
    // The received text after the last line feed, taken out (a stream may end without one).
    QString TakePendingLine();

    QString GetLocalAddress();
    quint16 GetLocalPort();
    QString GetPeerAddress() const;
    void SetTimeout(int seconds);
    int TimeoutRemaining() const { return m_countdown; }

    static QString ErrorName(int code);

    // --- TLS (starsocktls.cpp) ------------------------------------------------------------
    struct TlsOptions {
        std::shared_ptr<TlsContext> context;
        QString verifyName;                        // the name or address the certificate must carry
        std::shared_ptr<TlsSessionTicket> resume;  // a session to resume
        std::shared_ptr<TlsSessionPool> sessions;  // where the sessions the server issues go
    };
    // Starts the client handshake on the connected stream. OnTlsDone follows, with LastError
    // 0 when the handshake succeeded, else a code and TlsError(). Until then the owner gets
    // no line, data or send event.
    void StartTls(const TlsOptions& options);
    bool UsesTls() const { return m_ssl != nullptr; }
    bool TlsReady() const { return m_tlsState == TlsState::Ready; }
    const QString& TlsError() const { return m_tlsError; }
    QString TlsDescription() const;  // protocol and cipher, e.g. "TLSv1.3, TLS_AES_256_GCM_SHA384"
    bool TlsResumed() const;
    // The certificate check (chain and name): 0 when it passed; the reason otherwise.
    long TlsVerifyResult() const;
    QString TlsVerifyText() const;
    TlsCertificateInfo TlsPeerCertificate() const;
    // Sends the close-notify alert once what was written is out: true when done (or when
    // there is nothing to say), false when it waits for the socket (OnSendReady follows).
    bool SendCloseNotify();
    // Ends the sending half of the connection (the peer reads the end of the stream); reading
    // goes on until the peer closes.
    void ShutdownSend();
    // While paused no read events reach the owner (a question is on the screen).
    void PauseReading(bool paused);

    // Deferred messages to OnMessage, raised after the current handler has returned and in
    // the order posted (the design's posted window messages).
    void PostMessage(quint32 message, qint64 param = 0);

    // The host as the user gave it: a text that starts with a digit is an address, any other
    // a host name to resolve.
    void SetFtpServer(const QString& server);
    const QString& FtpServer() const { return m_ftpServer; }
    quint16 FtpPort = 21;
    int TimeOutConnect = 0;

    QString AddressText;  // dotted address of the host
    QString HostName;     // name to resolve
    quint16 LastError = 0;
    bool Connected = false;
    quint8 ReceiveMode = LineMode;
    // Line mode: the longest line kept; a longer one raises OnLineTooLong and is dropped.
    qint64 MaxLineLength = LineSplitter::kDefaultMaxLine;
    // Raw mode: text arrives with CR LF line ends and is stored with LF (ASCII transfers).
    bool ConvertCrLf = false;
    // Send small writes at once (a command connection); bulk data connections leave it off.
    bool NoDelay = false;
    std::unique_ptr<QFile> ReceiveStream;

    std::function<void(quint32 message, qint64 param)> OnMessage;
    std::function<void(const QString& line)> OnLine;
    std::function<void()> OnLookupDone;
    std::function<void()> OnConnected;
    std::function<void()> OnClosed;
    std::function<void()> OnTimeOut;
    std::function<void()> OnDataAvailable;
    std::function<void()> OnSendReady;
    std::function<void()> OnAccept;
    std::function<void()> OnLineTooLong;
    std::function<void()> OnTlsDone;

protected:
    virtual void LookupDone();

private:
    enum class Watch { None, Connecting, Listening, Stream };

    void recordError(int err);
    void setWatch(Watch watch);
    void enableRead(bool on);
    void armWrite();
    void stopTimeout();
    void onReadable();
    void onWritable();
    void onTimerTick();
    void finishConnect();
    void readLines();
    void handleClose();
    bool flushOutbox();
    bool writeReceived(const char* data, qint64 length);
    void flushHeldCr();
    bool openFor(int family);
    // The stream's reads and writes, plain or TLS: bytes moved; 0 at the end of the stream
    // (reads); -1 when it would block; -2 when it failed (LastError tells).
    qint64 streamRead(char* buffer, qint64 length, bool peek = false);
    qint64 streamWrite(const char* data, qint64 length);
    qint64 tlsFailure(int sslResult, bool reading);
    void continueHandshake();
    void finishHandshake(bool ok, const QString& reason);
    bool tlsDrivesEvent(bool readable);
    void postTlsPending();
    void freeTls();
    friend int tlsNewSession(ssl_st*, struct ssl_session_st*);

    int m_fd = -1;
    QHostAddress m_host;  // the address to connect to or listen on
    quint16 m_port = 0;
    quint32 m_resolvedAddress = 0;
    QHostAddress m_resolvedHost;
    bool m_started = false;
    bool m_loaded = false;
    QString m_description;
    QString m_systemStatus;
    int m_maxSockets = 0;
    QString m_ftpServer;

    Watch m_watch = Watch::None;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    bool m_readDelivered = false;  // a read event was raised and nobody has read since
    bool m_eofSeen = false;
    bool m_closeRaised = false;
    quint64 m_generation = 0;  // bumped by Close, so loops notice a socket closed under them

    int m_countdown = 0;
    QTimer m_timer;
    int m_lookupHandle = 0;

    LineSplitter m_lines;
    QByteArray m_outbox;
    qint64 m_outboxSent = 0;
    // Parts of m_outbox that go as urgent data: [begin, end) positions, in order.
    QList<QPair<qint64, qint64>> m_urgent;
    QByteArray m_textBuffer;  // ASCII receive: the converted batch
    bool m_heldCr = false;    // ASCII receive: a CR ended the last batch

    enum class TlsState { None, Handshaking, Ready, Failed };
    ssl_st* m_ssl = nullptr;
    TlsState m_tlsState = TlsState::None;
    QString m_tlsError;
    std::shared_ptr<TlsContext> m_tlsContext;
    std::shared_ptr<TlsSessionPool> m_tlsSessions;
    bool m_tlsReadWantsWrite = false;  // a read waits for the socket to take bytes
    bool m_tlsWriteWantsRead = false;  // a write waits for bytes from the peer
    bool m_tlsShutdownPending = false;
    bool m_tlsPendingPosted = false;
    bool m_readPaused = false;
};
