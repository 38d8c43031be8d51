#include "engine/ftperrortext.h"

#include "engine/ftptypes.h"

QString FtpErrorMessage(quint8 code, const QString& addinfo)
{
    switch (code) {
    case FtpError::SocketsUnavailable: return QStringLiteral("ERROR: Unable to initalize Winsock");
    case FtpError::NetworkDown:
    case FtpError::NetworkUnreachable:
    case FtpError::AddressNotAvailable:
    case FtpError::HostUnreachable: return QStringLiteral("ERROR: Network not found");
    case FtpError::AccessDenied:
    case FtpError::HostLookup: return QStringLiteral("ERROR: Unable to resolve host");
    case FtpError::ConnectionAborted:
    case FtpError::ConnectionReset:
    case 17: return QStringLiteral("ERROR: Premature Disconnect");
    case FtpError::TooManySockets: return QStringLiteral("ERROR: Out of Sockets");
    case FtpError::ConnectionRefused: return QStringLiteral("ERROR: Connection Refused");
    case FtpError::ProtocolError: return QStringLiteral("ERROR: Protocol Error");
    case 14: return QStringLiteral("ERROR: Operation Cancelled");
    case FtpError::LocalFileOpen:
    case 23: return QStringLiteral("ERROR: Local file does not exist.");
    case FtpError::LocalFileWrite: return QStringLiteral("ERROR: Cannot write to ") + addinfo;
    case FtpError::LocalFileRead: return QStringLiteral("ERROR: Cannot read from ") + addinfo;
    case FtpError::DataConnection: return QStringLiteral("ERROR: Data transfer error (") + addinfo + QLatin1Char(')');
    case FtpError::CommandRefused:
        return QStringLiteral("ERROR: Command not sent: it holds a line break or NUL (") + addinfo + QLatin1Char(')');
    case FtpError::SecureConnection: return QStringLiteral("ERROR: Secure connection failed (") + addinfo + QLatin1Char(')');
    default: return {};
    }
}

QString FtpInfoName(quint8 info)
{
    switch (info) {
    case FtpInfo::Connected: return QStringLiteral("Connected");
    case FtpInfo::NotConnected: return QStringLiteral("NotConnected");
    case FtpInfo::Resolving: return QStringLiteral("Resolving");
    case FtpInfo::Resolved: return QStringLiteral("Resolved");
    case FtpInfo::ReplyLine: return QStringLiteral("ReplyLine");
    case FtpInfo::CommandSent: return QStringLiteral("CommandSent");
    case FtpInfo::Busy: return QStringLiteral("Busy");
    case FtpInfo::ConnectFailed: return QStringLiteral("ConnectFailed");
    case FtpInfo::Progress: return QStringLiteral("Progress");
    case FtpInfo::TransferDone: return QStringLiteral("TransferDone");
    case FtpInfo::ListingReady: return QStringLiteral("ListingReady");
    case FtpInfo::LoggedIn: return QStringLiteral("LoggedIn");
    case FtpInfo::SizeAnnounced: return QStringLiteral("SizeAnnounced");
    case FtpInfo::InitialDirectoryFailed: return QStringLiteral("InitialDirectoryFailed");
    case FtpInfo::ListingLine: return QStringLiteral("ListingLine");
    case FtpInfo::ResumeSupported: return QStringLiteral("ResumeSupported");
    case FtpInfo::MultilineFirst: return QStringLiteral("MultilineFirst");
    case FtpInfo::MultilineLast: return QStringLiteral("MultilineLast");
    case FtpInfo::MultilineInner: return QStringLiteral("MultilineInner");
    case FtpInfo::SystemReply: return QStringLiteral("SystemReply");
    case FtpInfo::ConnectAttempt: return QStringLiteral("ConnectAttempt");
    case FtpInfo::RetryScheduled: return QStringLiteral("RetryScheduled");
    case FtpInfo::Notice: return QStringLiteral("Notice");
    default: return QString::number(info);
    }
}

QString FtpErrorName(quint8 error)
{
    switch (error) {
    case FtpError::QuitRefused: return QStringLiteral("QuitRefused");
    case FtpError::SocketsUnavailable: return QStringLiteral("SocketsUnavailable");
    case FtpError::NetworkDown: return QStringLiteral("NetworkDown");
    case FtpError::AccessDenied: return QStringLiteral("AccessDenied");
    case FtpError::InvalidOperation: return QStringLiteral("InvalidOperation");
    case FtpError::NoBuffers: return QStringLiteral("NoBuffers");
    case FtpError::ConnectionAborted: return QStringLiteral("ConnectionAborted");
    case FtpError::ConnectionReset: return QStringLiteral("ConnectionReset");
    case FtpError::TimedOut: return QStringLiteral("TimedOut");
    case FtpError::TooManySockets: return QStringLiteral("TooManySockets");
    case FtpError::NetworkUnreachable: return QStringLiteral("NetworkUnreachable");
    case FtpError::AddressNotAvailable: return QStringLiteral("AddressNotAvailable");
    case FtpError::ConnectionRefused: return QStringLiteral("ConnectionRefused");
    case FtpError::ProtocolError: return QStringLiteral("ProtocolError");
    case FtpError::OtherSocketError: return QStringLiteral("OtherSocketError");
    case FtpError::HostLookup: return QStringLiteral("HostLookup");
    case FtpError::HostUnreachable: return QStringLiteral("HostUnreachable");
    case FtpError::LocalFileOpen: return QStringLiteral("LocalFileOpen");
    case FtpError::LocalFileWrite: return QStringLiteral("LocalFileWrite");
    case FtpError::LocalFileRead: return QStringLiteral("LocalFileRead");
    case FtpError::DataConnection: return QStringLiteral("DataConnection");
    case FtpError::CommandRefused: return QStringLiteral("CommandRefused");
    default: return QString::number(error);
    }
}
