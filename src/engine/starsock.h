#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class QSocketNotifier;

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

// A non-blocking TCP/IPv4 socket whose network events arrive as hooks on the Qt event loop,
// with Winsock's event rules: "read" is raised again only after the owner has read, "write"
// after a connect or accept and after a send that would have blocked. Reads text as lines or
// binary data straight into a file, counts a connect/inactivity time-out down in seconds and
// records failures in LastError as Winsock codes (0 = none; "would block" counts as none).
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
    void SetAddressText(const QString& dotted);
    QString GetAddressText() const;
    void SetPort(quint16 port);
    quint16 Port() const { return m_port; }
    void UseResolvedAddress();
    quint32 ResolvedAddress() const { return m_resolvedAddress; }
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

    int m_fd = -1;
    quint32 m_address = 0;  // host order
    quint16 m_port = 0;
    quint32 m_resolvedAddress = 0;
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
};
