#pragma once

#include "engine/ftptypes.h"
#include "engine/starsock.h"
#include "engine/tlscontext.h"

#include <QFile>
#include <QStringList>
#include <memory>

class QTimer;

// A server certificate that failed the check, as the engine's owner is asked about it.
struct TlsCertificateCheck {
    QString host;  // the name the certificate was checked against (the firewall's behind one)
    quint16 port = 0;
    TlsCertificateInfo certificate;
    QString problem;  // why it failed, e.g. "self-signed certificate"
};

// The FTP client engine. It is itself the control connection and owns three data sockets.
// Every operation returns at once; results arrive through the On* hooks. Completion events
// are posted, so they are raised after the handler that caused them has returned.
class TFtp : public TStarSocket
{
    Q_OBJECT

public:
    explicit TFtp(QObject* owner = nullptr);
    ~TFtp() override;

    // --- Published properties -------------------------------------------------------------
    bool LogSession = false;
    QString LogFile;
    QString LastDirectory;
    qint64 ResumePos = 0;
    int RetryDelay = 0;
    int Retry = 0;
    QString SocksHost;
    int SocksPort = 0;
    QStringList NoProxyHost;
    bool ShowHiddenFiles = false;
    QString LocalHost;
    bool ServerDetect = false;
    // FtpServer (SetFtpServer), FtpPort and TimeOutConnect come from TStarSocket.
    QString UserName;
    QString UserPassword;
    QString UserAccount;
    QString LocalFile;
    QString RemoteFile;
    bool UsePasv = false;
    TTransferType TransferMode = BinaryTransfer;
    QString InitialDirectory;
    const QString Version = QStringLiteral("TFtp 2.1.0");
    bool Success = false;
    QString ProxyHost;
    int ProxyPort = 0;
    QString ProxyUser;
    QString ProxyPass;
    TFTPServerType ServerType = ftpstDefault;
    TFirewallType FirewallType = fwNone;
    TFtpEncryption Encryption = ftpeNone;

    // Writing true starts the socket layer; false cleans up and unloads it.
    void SetWinsockStarted(bool started);

    // --- Published events -------------------------------------------------------------------
    std::function<void(quint8 info, const QString& addinfo)> OnFtpInfo;
    std::function<void(quint8 error, const QString& addinfo)> OnFtpError;
    std::function<void(quint8 error)> OnFxpError;
    std::function<void(const QString& pasvdata)> OnPasvMode;
    std::function<void()> OnFtpReady;
    std::function<void()> OnLoggedIn;
    std::function<void()> OnDirectoryChanged;
    std::function<void()> OnDirectoryCreated;
    std::function<void()> OnDirectoryDeleted;
    std::function<void()> OnFileDeleted;
    std::function<void()> OnFileReceived;
    std::function<void()> OnFileStored;
    std::function<void()> OnTransType;
    std::function<void()> OnTransType2;
    std::function<void()> OnListingDone;
    std::function<void()> OnFileRenamed;
    std::function<void()> OnFtpQuit;
    std::function<void()> OnFileCHMOD;
    std::function<void()> OnPasvPort;
    std::function<void()> OnPasvError;
    std::function<void()> OnPasvComplete;
    std::function<void()> OnDisconnect;
    std::function<void()> OnRawCommand;
    std::function<void()> OnPasvConnect;
    // A certificate that failed the check: true trusts it for this connection. Without a
    // hook such a certificate ends the login. Reading waits while the hook runs.
    std::function<bool(const TlsCertificateCheck& check)> OnCertificateCheck;

    // --- Operations -------------------------------------------------------------------------
    void ConnectSession();
    void Close() override;  // the disconnect: closes everything at once, raises nothing
    void Quit();
    void SendRaw(const QString& command);
    void ChangeDirectory(const QString& path);
    void ChangeDirectoryUp();
    void MakeDirectory(const QString& name);
    void RemoveDirectory(const QString& name);
    void DeleteFile(const QString& name);
    void RenameFile(const QString& oldName, const QString& newName);
    void ChangeMode(const QString& fileName, const QString& mode);
    void ListDirectory();
    void Download(bool resume);
    void Upload();
    void AbortWithSynch();
    void Abort();

    // Matches the host against NoProxyHost; a match switches FirewallType to fwNone.
    bool CheckNoProxyHost(const QString& host);
    static bool IsNumericAddress(const QString& text);
    // False for a text holding CR, LF or NUL: sent, it would be more than one command.
    static bool IsSafeCommandText(const QString& text);

    // --- Session state (read-only for owners) -----------------------------------------------
    bool SessionConnected() const { return m_sessionConnected; }
    bool LoggedIn() const { return m_loggedIn; }
    bool Busy() const { return m_busy; }
    int ReplyState() const { return m_replyState; }
    quint8 PendingEvent() const { return m_pendingEvent; }
    bool InMultiline() const { return m_inMultiline; }
    int AttemptCount() const { return m_attemptCount; }
    quint8 LastFtpError() const { return m_lastFtpError; }
    const QString& SystemText() const { return m_systemText; }
    bool RetryScheduled() const { return m_retryTimer != nullptr; }
    bool LogOpen() const { return m_log.isOpen(); }

    // Transfer counters (64-bit: files over 4 GiB are ordinary).
    qint64 BytesTransferred() const { return m_bytesTransferred; }
    qint64 ElapsedMs() const { return m_elapsedMs; }
    bool DataActive() const { return m_dataActive; }
    bool Aborting() const { return m_aborting; }
    const QStringList& ListingLines() const { return m_listingLines; }
    const QString& PortArgument() const { return m_portArgument; }

    TStarSocket& ListenSocket() { return *m_listenSocket; }
    TStarSocket& ActiveDataSocket() { return *m_activeDataSocket; }
    TStarSocket& PassiveDataSocket() { return *m_passiveDataSocket; }

    // Pure helpers of the protocol, public for tests.
    static QString LoggedForm(const QString& command);
    static QString QuotedPath(const QString& reply);
    static QString SizeAnnouncement(const QString& reply);
    static QString BuildPortArgument(const QString& localAddress, quint16 port);
    // "(h1,h2,h3,h4,p1,p2)" -> dotted address and port; false when the reply names none.
    static bool ParsePasvReply(const QString& reply, QString* address, quint16* port);
    // "229 Entering Extended Passive Mode (|||6446|)" -> port; false when the reply names none.
    static bool ParseEpsvReply(const QString& reply, quint16* port);
    // The argument of EPRT: "|1|addr|port|" or "|2|addr|port|".
    static QString BuildEprtArgument(const QString& localAddress, quint16 port);

    // TLS state of the session.
    bool ControlSecured() const { return m_controlTls; }
    bool DataSecured() const { return m_dataTls; }
    // True once data connections use EPSV/EPRT (an IPv6 session, or PASV refused).
    bool UsesExtendedPassive() const;
    static TFTPServerType DetectServerType(const QString& systemText);
    static QByteArray SocksRequest(const QString& dottedAddress, quint16 port);

protected:
    // Posted messages (the design's window messages 0x402..0x404).
    enum : quint32 { MsgSessionOver = 0x402, MsgError = 0x403, MsgDone = 0x404 };

private:
    // Session core (ftpsession.cpp)
    void connectAttempt();
    void onControlLookupDone();
    void onControlConnected();
    void onControlLine(const QString& line);
    void onControlClosed();
    void onControlTimeOut();
    void failedAttempt(bool withQuit);
    void loginRefused();
    void scheduleRetry();
    void HandleReply(const QString& line);
    void dispatchReply(const QString& line);
    void onMessage(quint32 message, qint64 param);
    void raiseDone();
    void SendLine(const QString& command);
    void SendCommand(const QString& command, int state);
    void setReplyState(int state);
    void RaiseInfo(quint8 info, const QString& addinfo = {});
    void ReportFtpError(quint8 code, const QString& addinfo = QStringLiteral("Error"));
    void SignalDone();
    bool CheckSocketError();
    void FatalError(quint8 code);
    void openLog();
    void writeLog(const QString& line);
    void closeLog();
    void closeDataFile();
    void closeDataSockets();
    bool guardConnectedIdle();
    static quint8 ftpErrorFor(quint16 winsockCode);
    bool commandTextRefused(const QString& text);
    bool loginTextsRefused();
    void onControlLineTooLong();
    void note(const QString& text);
    void endSession();

    // Simple commands (ftpcommands.cpp)
    bool handleCommandReply(const QString& line);

    // Login and firewalls (ftplogin.cpp)
    bool handleLoginReply(const QString& line);
    void sendSocksRequestOnControl();
    void awaitSocksReply(TStarSocket& socket, const std::function<void(bool ok, const QString& reason)>& done);
    void stopSocksReplyTimer();
    void sendUserCommand();
    void afterSystemReply(const QString& line);
    void directoryStep();
    void afterLogin();

    // TLS (ftptls.cpp)
    bool handleTlsReply(const QString& line);
    bool wantsAuthTls() const;
    void sendAuthTls(bool fromFirewallGreeting);
    void startControlTls();
    void onControlTlsDone();
    bool certificateTrusted();
    QString certificateName() const;
    quint16 certificatePort() const;
    void secureFailed(const QString& reason);
    void dataReady(TStarSocket& data, const std::function<void()>& then);
    void startDataTls(TStarSocket& data, const std::function<void()>& then);
    bool retryPassiveWithEpsv(const QString& line);
    void notePreliminaryReply(const QString& line);
    QString portCommand() const;

    // Data connections (ftpdataconn.cpp) and transfers (ftptransfer.cpp)
    bool handleTransferReply(const QString& line);
    void startDataConnection(int pasvState, int portState, std::function<void()> onAccepted);
    void openListener();
    bool preparePassive(const QString& reply);
    void failPassiveReply();
    void onPassiveConnected(const std::function<void()>& then);
    void dataConnectionUp();
    void onAccept(const std::function<void()>& then = {});
    void failTransfer(bool passive);
    void finishTransferReply(const QString& line, bool passive);
    bool acceptedFromServer();
    void failRest(const QString& line);
    bool handleListingReply(const QString& line);
    bool handleDownloadReply(const QString& line);
    bool handleUploadReply(const QString& line);
    void sendListCommand(int state);
    void onListingLine(const QString& line);
    void onListingClosed(bool passive);
    void setupActiveDownload();
    void onDownloadData();
    void failLocalWrite();
    void keepReceivedData();
    void onFileClosed(bool passive);
    QString storeCommand() const;
    void onUploadAccepted();
    void sendFile();
    void continueSending();
    qint64 sendChunk(TStarSocket& data, QFile& file);
    void failLocalRead();
    void finishUpload();
    void updateElapsed();
    void sendType(char type, int state);
    void noteTypeReply(bool positive);

    // Aborts and the silence bound (ftpabort.cpp)
    bool dataOperationRunning() const;
    void startAbort(bool synch);
    void handleAbortReply(const QString& line);
    void dataConnectionFailed(const QString& reason);
    qint64 silenceBoundMs() const;
    void armWatchdog();
    void noteActivity();
    void stopWatchdog();
    void onWatchdog();
    TStarSocket& dataSocket() { return UsePasv ? *m_passiveDataSocket : *m_activeDataSocket; }

    bool m_sessionConnected = false;
    bool m_loggedIn = false;
    bool m_busy = false;
    int m_replyState = ReplyStates::Nothing;
    quint8 m_pendingEvent = PendingEvents::None;
    bool m_inMultiline = false;
    int m_attemptCount = 0;
    quint8 m_lastFtpError = 0;
    QTimer* m_retryTimer = nullptr;
    qint64 m_closeCount = 0;  // completion events posted before the last Close are dropped
    QFile m_log;
    QString m_systemText;
    QString m_renameTarget;

    std::unique_ptr<TStarSocket> m_listenSocket;
    std::unique_ptr<TStarSocket> m_activeDataSocket;
    std::unique_ptr<TStarSocket> m_passiveDataSocket;

    qint64 m_bytesTransferred = 0;
    qint64 m_elapsedMs = 0;
    qint64 m_startTick = 0;
    bool m_dataActive = false;
    bool m_dataDone = false;
    bool m_replyDone = false;
    bool m_aborting = false;
    QStringList m_listingLines;
    QString m_portArgument;
    QString m_socksTargetAddress;
    quint16 m_socksTargetPort = 0;
    int m_abortFinalsPending = 0;
    QTimer* m_socksReplyTimer = nullptr;
    // Bounds the silence of a running listing or transfer, and the wait for ABOR's replies.
    QTimer* m_watchdog = nullptr;
    qint64 m_lastActivityMs = 0;
    bool m_donePosted = false;  // the running operation's completion is on its way
    QString m_heldReplyCode;    // inside a multi-line reply that is acted on at its last line
    bool m_asciiTransfer = false;

    // Upload: the block read from the file and how much of it is sent.
    QByteArray m_sendBlock;
    QByteArray m_fileBlock;  // ASCII upload: the block as read, before LF became CR LF
    qint64 m_sendBlockFileBytes = 0;
    qint64 m_sendOffset = 0;
    bool m_sending = false;
    bool m_storeSent = false;
    char m_currentType = 0;  // the type the server has: 'A', 'I', or 0 when not known
    char m_requestedType = 0;

    std::shared_ptr<TlsContext> m_tlsContext;
    std::shared_ptr<TlsSessionPool> m_tlsSessions;
    bool m_controlTls = false;     // the control connection is encrypted
    bool m_dataTls = false;        // PROT P accepted: data connections are encrypted
    bool m_authFromFirewall = false;  // AUTH TLS answered the firewall's greeting
    QString m_controlFingerprint;
    bool m_epsv = false;           // PASV was refused: EPSV for the rest of the session
    // An accepted (active) data connection starts its handshake once the server has
    // answered the transfer command: some servers take a handshake that comes earlier for
    // a broken connection.
    std::function<void()> m_deferredDataTls;
    bool m_preliminarySeen = false;
    quint64 m_dataTlsToken = 0;
};
