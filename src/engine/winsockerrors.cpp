#include "engine/winsockerrors.h"

#include <cerrno>

namespace Winsock {

quint16 fromErrno(int err)
{
    switch (err) {
    case 0: return NoError;
    case EINTR: return WSAEINTR;
    case EBADF:
    case ENOTSOCK: return WSAENOTSOCK;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case EWOULDBLOCK:
    case EINPROGRESS: return WSAEWOULDBLOCK;
    case EALREADY: return WSAEALREADY;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case EPIPE:
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETOOMANYREFS: return WSAETOOMANYREFS;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return WSAELOOP;
    case ENAMETOOLONG: return WSAENAMETOOLONG;
    case EHOSTDOWN: return WSAEHOSTDOWN;
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ENOTEMPTY: return WSAENOTEMPTY;
    case EDQUOT: return WSAEDQUOT;
    case ESTALE: return WSAESTALE;
    case EREMOTE: return WSAEREMOTE;
    default: return WSASYSCALLFAILURE;
    }
}

QString errorName(int code)
{
    switch (code) {
    case WSAEINTR: return QStringLiteral("WSAEINTR");
    case WSAEFAULT: return QStringLiteral("WSAEFAULT");
    case WSAEINVAL: return QStringLiteral("WSAEINVAL");
    case WSAEMFILE: return QStringLiteral("WSAEMFILE");
    case WSAEWOULDBLOCK: return QStringLiteral("WSAEWOULDBLOCK");
    case WSAEINPROGRESS: return QStringLiteral("WSAEINPROGRESS");
    case WSAEALREADY: return QStringLiteral("WSAEALREADY");
    case WSAENOTSOCK: return QStringLiteral("WSAENOTSOCK");
    case WSAEDESTADDRREQ: return QStringLiteral("WSAEDESTADDRREQ");
    case WSAEMSGSIZE: return QStringLiteral("WSAEMSGSIZE");
    case WSAEPROTOTYPE: return QStringLiteral("WSAEPROTOTYPE");
    case WSAENOPROTOOPT: return QStringLiteral("WSAENOPROTOOPT");
    case WSAEPROTONOSUPPORT: return QStringLiteral("WSAEPROTONOSUPPORT");
    case WSAESOCKTNOSUPPORT: return QStringLiteral("WSAESOCKTNOSUPPORT");
    case WSAEOPNOTSUPP: return QStringLiteral("WSAEOPNOTSUPP");
    case WSAEPFNOSUPPORT: return QStringLiteral("WSAEPFNOSUPPORT");
    case WSAEAFNOSUPPORT: return QStringLiteral("WSAEAFNOSUPPORT");
    case WSAEADDRINUSE: return QStringLiteral("WSAEADDRINUSE");
    case WSAEADDRNOTAVAIL: return QStringLiteral("WSAEADDRNOTAVAIL");
    case WSAENETDOWN: return QStringLiteral("WSAENETDOWN");
    case WSAENETUNREACH: return QStringLiteral("WSAENETUNREACH");
    case WSAENETRESET: return QStringLiteral("WSAENETRESET");
    case WSAECONNABORTED: return QStringLiteral("WSAECONNABORTED");
    case WSAECONNRESET: return QStringLiteral("WSAECONNRESET");
    case WSAENOBUFS: return QStringLiteral("WSAENOBUFS");
    case WSAEISCONN: return QStringLiteral("WSAEISCONN");
    case WSAENOTCONN: return QStringLiteral("WSAENOTCONN");
    case WSAESHUTDOWN: return QStringLiteral("WSAESHUTDOWN");
    case WSAETOOMANYREFS: return QStringLiteral("WSAETOOMANYREFS");
    case WSAETIMEDOUT: return QStringLiteral("WSAETIMEDOUT");
    case WSAECONNREFUSED: return QStringLiteral("WSAECONNREFUSED");
    case WSAELOOP: return QStringLiteral("WSAELOOP");
    case WSAENAMETOOLONG: return QStringLiteral("WSAENAMETOOLONG");
    case WSAEHOSTDOWN: return QStringLiteral("WSAEHOSTDOWN");
    case WSAEHOSTUNREACH: return QStringLiteral("WSAEHOSTUNREACH");
    case WSAENOTEMPTY: return QStringLiteral("WSAENOTEMPTY");
    case WSAEPROCLIM: return QStringLiteral("WSAEPROCLIM");
    case WSAEUSERS: return QStringLiteral("WSAEUSERS");
    case WSAEDQUOT: return QStringLiteral("WSAEDQUOT");
    case WSAESTALE: return QStringLiteral("WSAESTALE");
    case WSAEREMOTE: return QStringLiteral("WSAEREMOTE");
    case WSASYSNOTREADY: return QStringLiteral("WSASYSNOTREADY");
    case WSAVERNOTSUPPORTED: return QStringLiteral("WSAVERNOTSUPPORTED");
    case WSANOTINITIALISED: return QStringLiteral("WSANOTINITIALISED");
    case WSAHOST_NOT_FOUND: return QStringLiteral("WSAHOST_NOT_FOUND");
    case WSATRY_AGAIN: return QStringLiteral("WSATRY_AGAIN");
    case WSANO_RECOVERY: return QStringLiteral("WSANO_RECOVERY");
    case WSANO_DATA: return QStringLiteral("WSANO_DATA");
    default: return {};
    }
}

}  // namespace Winsock
