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
