// Single-command operations of TFtp: directories, delete, rename, chmod, raw commands, QUIT.
#include "engine/ftp.h"

#include "engine/hooks.h"

namespace {
bool startsWithDigit(const QString& line, char digit)
{
    return !line.isEmpty() && line.at(0) == QLatin1Char(digit);
}
}  // namespace

void TFtp::Quit()
{
    if (!guardConnectedIdle())
        return;
    SendCommand(QStringLiteral("QUIT"), ReplyStates::Quit);
}

void TFtp::SendRaw(const QString& command)
{
    if (!guardConnectedIdle())
        return;
    if (commandTextRefused(command)) {
        m_busy = false;
        return;
    }
    // Whatever a typed TYPE (or REIN) leaves the server with, the next transfer says again.
    const QString verb = command.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    if (verb == QLatin1String("TYPE") || verb == QLatin1String("REIN"))
        m_currentType = 0;
    SendCommand(command, ReplyStates::Raw);
}

void TFtp::ChangeDirectory(const QString& path)
{
    Success = true;
    m_pendingEvent = PendingEvents::DirectoryChanged;
    if (!guardConnectedIdle())
        return;
    if (commandTextRefused(path)) {
        SignalDone();
        return;
    }
    InitialDirectory = path;
    LastDirectory = path;
    SendCommand(QStringLiteral("CWD ") + path, ReplyStates::Cwd);
}

void TFtp::ChangeDirectoryUp()
{
    m_pendingEvent = PendingEvents::DirectoryChanged;
    m_busy = true;
    Success = true;
    SendCommand(QStringLiteral("CDUP"), ReplyStates::Cwd);
}

void TFtp::MakeDirectory(const QString& name)
{
    Success = true;
    m_pendingEvent = PendingEvents::DirectoryCreated;
    if (!guardConnectedIdle())
        return;
    if (commandTextRefused(name)) {
        SignalDone();
        return;
    }
    SendCommand(QStringLiteral("MKD ") + name, ReplyStates::MkdRmd);
}

void TFtp::RemoveDirectory(const QString& name)
{
    Success = true;
    m_pendingEvent = PendingEvents::DirectoryDeleted;
    if (!guardConnectedIdle())
        return;
    if (commandTextRefused(name)) {
        SignalDone();
        return;
    }
    SendCommand(QStringLiteral("RMD ") + name, ReplyStates::MkdRmd);
}

void TFtp::DeleteFile(const QString& name)
{
    Success = true;
    m_pendingEvent = PendingEvents::FileDeleted;
    if (!guardConnectedIdle())
        return;
    if (commandTextRefused(name)) {
        SignalDone();
        return;
    }
    SendCommand(QStringLiteral("DELE ") + name, ReplyStates::Dele);
}

void TFtp::RenameFile(const QString& oldName, const QString& newName)
{
    Success = true;
    if (!guardConnectedIdle())
        return;
    m_pendingEvent = PendingEvents::FileRenamed;
    if (commandTextRefused(oldName) || commandTextRefused(newName)) {
        SignalDone();
        return;
    }
    m_renameTarget = newName;
    SendCommand(QStringLiteral("RNFR ") + oldName, ReplyStates::Rnfr);
}

void TFtp::ChangeMode(const QString& fileName, const QString& mode)
{
    if (commandTextRefused(fileName) || commandTextRefused(mode))
        return;
    SendCommand(QStringLiteral("SITE CHMOD ") + mode + QLatin1Char(' ') + fileName, ReplyStates::Chmod);
}

QString TFtp::QuotedPath(const QString& reply)
{
    // The path between the first double quote and the closing one; a doubled quote inside
    // stands for one quote in the name.
    const qsizetype open = reply.indexOf(QLatin1Char('"'));
    if (open < 0)
        return {};
    QString path;
    for (qsizetype i = open + 1; i < reply.size(); ++i) {
        if (reply.at(i) == QLatin1Char('"')) {
            if (i + 1 < reply.size() && reply.at(i + 1) == QLatin1Char('"')) {
                path.append(QLatin1Char('"'));
                ++i;
                continue;
            }
            break;
        }
        path.append(reply.at(i));
    }
    return path;
}

bool TFtp::handleCommandReply(const QString& line)
{
    switch (m_replyState) {
    case ReplyStates::Rnfr:
        if (startsWithDigit(line, '3')) {
            SendCommand(QStringLiteral("RNTO ") + m_renameTarget, ReplyStates::Rnto);
        } else {
            Success = false;
            setReplyState(ReplyStates::Nothing);
            SignalDone();
        }
        return true;
    case ReplyStates::Rnto:
        if (!startsWithDigit(line, '2'))
            Success = false;
        setReplyState(ReplyStates::Nothing);
        SignalDone();
        return true;
    case ReplyStates::Cwd:
        // The PWD tells where we are either way; a refusal must still show, or a chain that
        // works on "the new directory" would work on the old one.
        if (!startsWithDigit(line, '2'))
            Success = false;
        SendCommand(QStringLiteral("PWD"), ReplyStates::Pwd);
        return true;
    case ReplyStates::Pwd:
        InitialDirectory = QuotedPath(line);
        setReplyState(ReplyStates::Nothing);
        SignalDone();
        return true;
    case ReplyStates::MkdRmd:
        if (startsWithDigit(line, '2')) {
            setReplyState(ReplyStates::Nothing);
            SignalDone();
        } else {
            InitialDirectory = LastDirectory;
            m_busy = false;
            setReplyState(ReplyStates::Nothing);
            raiseHook(OnFtpReady);
        }
        return true;
    case ReplyStates::Dele:
        if (!startsWithDigit(line, '2'))
            Success = false;
        m_busy = false;
        setReplyState(ReplyStates::Nothing);
        SignalDone();
        return true;
    case ReplyStates::Quit:
        if (!startsWithDigit(line, '2'))
            FatalError(FtpError::QuitRefused);
        setReplyState(ReplyStates::Nothing);
        return true;
    case ReplyStates::Chmod:
        // Any reply ends it; Success tells a refusal apart, and a late stray reply must not
        // count as the end of the next change.
        Success = startsWithDigit(line, '2');
        setReplyState(ReplyStates::Nothing);
        raiseHook(OnFileCHMOD);
        return true;
    case ReplyStates::Raw:
        m_busy = false;
        raiseHook(OnRawCommand);
        return true;
    default:
        return false;
    }
}
