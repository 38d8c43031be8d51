#pragma once

#include <QtGlobal>

// Server families; the listing parser reads lines by this type.
enum TFTPServerType : quint8 {
    ftpstDefault = 0,
    ftpstAutoDetect = 1,
    ftpstUNIX = 2,
    ftpstRedhat = 3,
    ftpstWinNT = 4,
    ftpstOrvoFTPd = 5,
    ftpstULTRIX = 6,
    ftpstU5000 = 7,
    ftpstSINTFTPD = 8,
    ftpstVmsMultinet = 9,
    ftpstVmsUcx = 10,
    ftpstMVS = 11,
    ftpstClix = 12,
    ftpstQVT = 13,
    ftpstNCSA = 14,
    ftpstChameleon = 15,
    ftpstVM = 16,
    ftpstVMVPS = 17,
    ftpstMacFtpd = 18,
    ftpstMacOS = 19,
    ftpstWarFTPD = 20,
};

enum TFirewallType : quint8 {
    fwNone = 0,
    fwSocks = 1,
    fwSite = 2,
    fwUserHost = 3,
    fwUserLogin = 4,
};

// How the session protects itself with TLS (a site's `Encryption`): the numbers are stored.
enum TFtpEncryption : quint8 {
    ftpeNone = 0,              // plain FTP
    ftpeExplicit = 1,          // AUTH TLS, required
    ftpeImplicit = 2,          // TLS from the first byte
    ftpeExplicitOptional = 3,  // AUTH TLS when the server offers it, else plain
};

enum TTransferType : quint8 {
    BinaryTransfer = 0,
    AsciiTransfer = 1,
};

// Codes of the information event.
namespace FtpInfo {
enum : quint8 {
    Connected = 0,
    NotConnected = 1,  // also "Disconnected" when the server closed a logged-in session
    Resolving = 2,
    Resolved = 3,
    ReplyLine = 4,
    CommandSent = 5,
    Busy = 6,
    ConnectFailed = 7,
    Progress = 8,
    TransferDone = 10,
    ListingReady = 11,
    LoggedIn = 12,
    SizeAnnounced = 13,
    InitialDirectoryFailed = 14,
    ListingLine = 15,
    ResumeSupported = 20,
    MultilineFirst = 22,
    MultilineLast = 23,
    MultilineInner = 24,
    SystemReply = 25,
    ConnectAttempt = 26,
    RetryScheduled = 27,
    Notice = 30,  // a line for the log from the engine itself (a refused SOCKS request, ...)
    Secured = 31,  // the control connection is encrypted; addinfo: protocol and cipher
};
}

// Codes of the error event.
namespace FtpError {
enum : quint8 {
    QuitRefused = 0,
    SocketsUnavailable = 1,
    NetworkDown = 2,
    AccessDenied = 3,
    InvalidOperation = 4,
    NoBuffers = 5,
    ConnectionAborted = 6,
    ConnectionReset = 7,
    TimedOut = 8,
    TooManySockets = 9,
    NetworkUnreachable = 10,
    AddressNotAvailable = 11,
    ConnectionRefused = 12,
    ProtocolError = 13,
    OtherSocketError = 15,
    HostLookup = 16,
    HostUnreachable = 18,
    LocalFileOpen = 20,
    LocalFileWrite = 21,
    LocalFileRead = 22,
    DataConnection = 27,
    CommandRefused = 28,  // a command text held CR, LF or NUL: nothing was sent
    SecureConnection = 29,  // TLS asked for and not had (refused, failed, untrusted): no password sent
};
}

// What the next reply answers. The numbers are fixed: logs and traces quote them.
namespace ReplyStates {
enum : int {
    Greeting = 0,
    User = 1,
    Pass = 2,
    Acct = 3,
    Syst = 5,
    InitialCwd = 6,
    ListType = 8,
    ListPort = 10,
    ListActive = 12,
    ListPasv = 15,
    ListPassive = 17,
    RetrType = 20,
    RetrPort = 21,
    RetrActive = 22,
    RestActive = 23,  // REST before an active-mode RETR
    RetrPasv = 26,
    RestPassive = 27,
    RetrPassive = 28,
    StorType = 30,
    StorPort = 31,
    StorActive = 32,
    StorPasv = 35,
    StorPassive = 36,
    Rnfr = 40,
    Rnto = 41,
    Cwd = 45,
    Pwd = 46,
    MkdRmd = 50,
    Dele = 55,
    Quit = 60,
    Chmod = 65,
    AuthTls = 70,
    Pbsz = 71,
    Prot = 72,
    Raw = 80,
    Rest100 = 85,
    Rest0 = 86,
    FirewallGreeting = 90,
    FirewallUser = 91,
    FirewallPass = 93,
    Nothing = 100,
};
}

// Completion event of the running operation.
namespace PendingEvents {
enum : quint8 {
    None = 0,
    LoggedIn = 1,
    DirectoryChanged = 2,
    DirectoryCreated = 3,
    DirectoryDeleted = 4,
    FileDeleted = 5,
    FileReceived = 6,
    FileStored = 7,
    ListingDone = 8,
    FileRenamed = 9,
};
}
