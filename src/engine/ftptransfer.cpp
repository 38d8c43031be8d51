// Transfers of TFtp: listings, downloads with resume, uploads with append, and the
// two aborts. An operation completes when both its data side is done and its final reply
// has come, in either order.
#include "engine/ftp.h"

#include "engine/hooks.h"
#include "platform/core/clock.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace {

bool startsWithDigit(const QString& line, char digit)
{
    return !line.isEmpty() && line.at(0) == QLatin1Char(digit);
}

// Uploads move at most this much per writable event before yielding to the event loop.
constexpr qint64 kSendBudgetBytes = 8 * 1024 * 1024;
constexpr qint64 kSendBudgetNs = 4 * 1000 * 1000;
constexpr qint64 kSendBlock = 512 * 1024;
// Listing lines may be long (names are not limited by every server); longer ones are left out.
constexpr qint64 kMaxListingLine = 4 * 1024 * 1024;

// Bytes of the line as the server sent them (UTF-8), without counting them out of a copy.
qint64 utf8Length(const QString& line)
{
    qint64 bytes = 0;
    for (const QChar c : line) {
        const char16_t u = c.unicode();
        bytes += u < 0x80 ? 1 : u < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
    }
    return bytes;
}

}  // namespace

// --- Listing -------------------------------------------------------------------------------

void TFtp::ListDirectory()
{
    m_pendingEvent = PendingEvents::ListingDone;
    if (!guardConnectedIdle())
        return;
    Success = true;
    armWatchdog();
    if (m_currentType == 'A') {
        m_dataDone = false;
        m_replyDone = false;
        startDataConnection(ReplyStates::ListPasv, ReplyStates::ListPort, [this] { onAccept(); });
        return;
    }
    sendType('A', ReplyStates::ListType);
}

void TFtp::sendType(char type, int state)
{
    // The server keeps the representation type for the session, so it is only sent when
    // it changes: one round trip less per file when many small files move.
    m_requestedType = type;
    SendCommand(type == 'A' ? QStringLiteral("TYPE A") : QStringLiteral("TYPE I"), state);
}

void TFtp::noteTypeReply(bool positive)
{
    m_currentType = positive ? m_requestedType : 0;
}

void TFtp::sendListCommand(int state)
{
    SendCommand(ShowHiddenFiles ? QStringLiteral("LIST -al") : QStringLiteral("LIST"), state);
}

void TFtp::onListingLine(const QString& line)
{
    if (line.isEmpty())
        return;
    noteActivity();
    m_bytesTransferred += utf8Length(line);
    m_elapsedMs = Clock::tickMs() - m_startTick + 1;
    RaiseInfo(FtpInfo::Progress);
    m_listingLines.append(line);
    RaiseInfo(FtpInfo::ListingLine, line);
}

void TFtp::onListingClosed(bool passive)
{
    TStarSocket& data = passive ? *m_passiveDataSocket : *m_activeDataSocket;
    // A listing whose last line lacks its line feed still has that line.
    const QString rest = data.TakePendingLine();
    if (!rest.isEmpty())
        onListingLine(rest);
    updateElapsed();
    if (passive) {
        m_passiveDataSocket->Close();
    } else {
        m_activeDataSocket->Close();
        m_listenSocket->Close();
    }
    RaiseInfo(FtpInfo::ListingReady, QStringLiteral("Listing ready"));
    m_dataActive = false;
    m_dataDone = true;
    if (m_replyDone)
        SignalDone();
}

// --- Download ------------------------------------------------------------------------------

void TFtp::Download(bool resume)
{
    Success = true;
    if (!m_sessionConnected) {
        RaiseInfo(FtpInfo::NotConnected);
        return;
    }
    m_pendingEvent = PendingEvents::FileReceived;
    m_lastFtpError = 0;
    m_busy = true;
    if (commandTextRefused(RemoteFile)) {
        SignalDone();  // before the local file is touched
        return;
    }
    m_asciiTransfer = TransferMode == AsciiTransfer;
    ResumePos = 0;
    if (resume) {
        const QFileInfo info(LocalFile);
        if (info.exists())
            ResumePos = info.size();
    }
    if (m_asciiTransfer && ResumePos > 0) {
        // Offsets of the converted text are not the server's offsets.
        note(QStringLiteral("ASCII mode does not resume: %1 is downloaded again from its start").arg(RemoteFile));
        ResumePos = 0;
    }
    auto file = std::make_unique<QFile>(LocalFile);
    const bool opened = ResumePos > 0
                            ? file->open(QIODevice::ReadWrite | QIODevice::Unbuffered) && file->seek(ResumePos)
                            : file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    if (!opened) {
        ReportFtpError(FtpError::LocalFileOpen);
        SignalDone();
        return;
    }
    dataSocket().ReceiveStream = std::move(file);
    m_passiveDataSocket->ConvertCrLf = m_asciiTransfer;
    m_activeDataSocket->ConvertCrLf = m_asciiTransfer;
    m_dataDone = false;
    m_replyDone = false;
    armWatchdog();
    const char type = m_asciiTransfer ? 'A' : 'I';
    if (m_currentType == type)
        startDataConnection(ReplyStates::RetrPasv, ReplyStates::RetrPort, [this] { onAccept(); });
    else
        sendType(type, ReplyStates::RetrType);
}

void TFtp::onDownloadData()
{
    TStarSocket& data = dataSocket();
    if (m_aborting) {
        m_dataDone = true;
        return;
    }
    const qint64 count = data.ReceiveToFile();
    if (count < 0) {
        failLocalWrite();
        return;
    }
    if (data.LastError != 0 || count == 0)
        return;
    noteActivity();
    m_bytesTransferred += count;
    updateElapsed();
    RaiseInfo(FtpInfo::Progress);
}

// The server went away during a download: what already arrived is written before the file
// closes, so the download resumes from there instead of losing it.
void TFtp::keepReceivedData()
{
    if (m_pendingEvent != PendingEvents::FileReceived || m_aborting)
        return;
    TStarSocket& data = dataSocket();
    while (data.ReceiveStream && data.ReceiveMode == RawMode) {
        const qint64 count = data.ReceiveToFile();
        if (count <= 0)
            break;
        m_bytesTransferred += count;
    }
}

void TFtp::failLocalWrite()
{
    // What was written stays on disk so the download can be resumed; the transfer stops
    // and completes as failed instead of pretending success.
    ReportFtpError(FtpError::LocalFileWrite, LocalFile);
    if (m_replyDone) {
        failTransfer(UsePasv);
        return;
    }
    AbortWithSynch();
    Success = false;
}

void TFtp::onFileClosed(bool passive)
{
    if (!passive) {
        if (m_activeDataSocket->OnDataAvailable)
            onDownloadData();
        updateElapsed();
        m_activeDataSocket->Close();
        m_listenSocket->Close();
        closeDataFile();
    } else {
        updateElapsed();
        m_passiveDataSocket->Close();
    }
    m_sending = false;
    m_dataActive = false;
    m_dataDone = true;
    if (m_replyDone)
        SignalDone();
}

void TFtp::setupActiveDownload()
{
    TStarSocket& data = *m_activeDataSocket;
    data.ReceiveMode = RawMode;
    data.OnDataAvailable = [this] { onDownloadData(); };
    data.OnClosed = [this] { onFileClosed(false); };
    data.OnSendReady = nullptr;
    data.OnLine = nullptr;
    SendCommand(QStringLiteral("RETR ") + RemoteFile, ReplyStates::RetrActive);
}

// --- Upload --------------------------------------------------------------------------------

void TFtp::Upload()
{
    Success = true;
    m_pendingEvent = PendingEvents::FileStored;
    m_lastFtpError = 0;
    if (!m_sessionConnected) {
        RaiseInfo(FtpInfo::NotConnected);
        Success = false;  // nothing was stored
        SignalDone();
        return;
    }
    if (m_busy) {
        RaiseInfo(FtpInfo::Busy);
        return;
    }
    m_busy = true;
    if (commandTextRefused(RemoteFile)) {
        SignalDone();
        return;
    }
    m_asciiTransfer = TransferMode == AsciiTransfer;
    if (m_asciiTransfer && ResumePos > 0) {
        note(QStringLiteral("ASCII mode does not resume: %1 is uploaded again from its start").arg(LocalFile));
        ResumePos = 0;
    }
    auto file = std::make_unique<QFile>(LocalFile);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered) || (ResumePos > 0 && !file->seek(ResumePos))) {
        ReportFtpError(FtpError::LocalFileOpen);
        SignalDone();
        return;
    }
    dataSocket().ReceiveStream = std::move(file);
    m_storeSent = false;
    m_dataActive = false;
    armWatchdog();
    const char type = m_asciiTransfer ? 'A' : 'I';
    if (m_currentType == type) {
        m_dataDone = false;
        m_replyDone = false;
        startDataConnection(ReplyStates::StorPasv, ReplyStates::StorPort, [this] { onUploadAccepted(); });
    } else {
        sendType(type, ReplyStates::StorType);
    }
}

QString TFtp::storeCommand() const
{
    return (ResumePos < 1 ? QStringLiteral("STOR ") : QStringLiteral("APPE ")) + RemoteFile;
}

void TFtp::onUploadAccepted()
{
    onAccept([this] {
        // Data go out once the store command has, not before.
        if (m_storeSent)
            sendFile();
    });
}

void TFtp::sendFile()
{
    m_startTick = Clock::tickMs();
    m_elapsedMs = 0;
    m_bytesTransferred = 0;
    m_dataActive = true;
    if (!Success || m_aborting)
        return;
    m_sendBlock.clear();
    m_sendOffset = 0;
    m_sending = true;
    dataSocket().OnSendReady = [this] { continueSending(); };
    continueSending();
}

void TFtp::continueSending()
{
    if (!m_sending || m_aborting)
        return;
    TStarSocket& data = dataSocket();
    QFile* file = data.ReceiveStream.get();
    if (!file) {
        finishUpload();
        return;
    }
    QElapsedTimer spent;
    spent.start();
    qint64 moved = 0;
    while (moved < kSendBudgetBytes && spent.nsecsElapsed() < kSendBudgetNs) {
        const qint64 sent = sendChunk(data, *file);
        if (sent == 0) {
            finishUpload();
            return;
        }
        if (sent == -2) {
            failLocalRead();
            return;
        }
        if (sent < 0) {
            if (data.LastError != 0) {
                // The server's final reply (a 426 or 45x, usually) follows on the control
                // connection; the session need not end with the data connection.
                m_sending = false;
                dataConnectionFailed(ErrorName(data.LastError));
                return;
            }
            break;  // would block: the socket's write event continues
        }
        moved += sent;
    }
    if (moved > 0)
        noteActivity();
    updateElapsed();
    RaiseInfo(FtpInfo::Progress);
    if (moved >= kSendBudgetBytes || spent.nsecsElapsed() >= kSendBudgetNs) {
        // Budget spent with the socket still writable: carry on after the event loop's turn.
        QMetaObject::invokeMethod(this, [this] { continueSending(); }, Qt::QueuedConnection);
    }
}

// One piece of the upload through a buffer: 0 at the end of the file, -2 when the file
// cannot be read, -1 when the socket would block or failed (its LastError tells), else the
// count sent. (Plain reads and sends beat sendfile() from tmpfs over loopback here.)
// BytesTransferred counts the file's bytes, so an ASCII upload (whose LF go out as CR LF)
// still ends at the file's size.
qint64 TFtp::sendChunk(TStarSocket& data, QFile& file)
{
    if (m_sendOffset >= m_sendBlock.size()) {
        QByteArray& target = m_asciiTransfer ? m_fileBlock : m_sendBlock;
        target.resize(kSendBlock);
        const qint64 got = file.read(target.data(), kSendBlock);
        m_sendOffset = 0;
        if (got <= 0) {
            m_sendBlock.clear();
            return got == 0 ? 0 : -2;
        }
        target.resize(got);
        m_sendBlockFileBytes = got;
        if (m_asciiTransfer) {
            m_sendBlock = m_fileBlock;
            m_sendBlock.replace("\n", "\r\n");
        }
    }
    const qint64 sent = data.Send(m_sendBlock.constData() + m_sendOffset, m_sendBlock.size() - m_sendOffset);
    if (sent == 0)
        return -1;
    m_sendOffset += sent;
    if (!m_asciiTransfer)
        m_bytesTransferred += sent;
    else if (m_sendOffset >= m_sendBlock.size())
        m_bytesTransferred += m_sendBlockFileBytes;
    return sent;
}

void TFtp::failLocalRead()
{
    m_sending = false;
    ReportFtpError(FtpError::LocalFileRead, LocalFile);
    closeDataFile();
    closeDataSockets();
    Success = false;
    // The server takes the closed data connection for the end of the file; its final reply
    // completes the (failed) operation.
    m_dataActive = false;
    m_dataDone = true;
    if (m_replyDone)
        SignalDone();
}

void TFtp::finishUpload()
{
    m_sending = false;
    // Over TLS the end of the file is the close-notify: the server tells a complete upload
    // from a cut connection by it.
    TStarSocket& data = dataSocket();
    if (data.UsesTls()) {
        if (!data.SendCloseNotify()) {
            data.OnSendReady = [this] { finishUpload(); };
            return;
        }
        // The server may have sent bytes we never read (a TLS 1.3 session ticket): closing
        // now would reset the connection and lose the file's end on its side. Only the
        // sending half ends; the socket closes when the server closes, or with the next
        // data connection.
        data.ShutdownSend();
        data.OnSendReady = nullptr;
        data.OnLine = nullptr;
        data.OnClosed = [&data] { data.Close(); };
        if (!UsePasv)
            m_listenSocket->Close();
        closeDataFile();
        updateElapsed();
        m_dataActive = false;
        m_dataDone = true;
        if (m_replyDone)
            SignalDone();
        return;
    }
    closeDataFile();
    closeDataSockets();
    updateElapsed();
    m_dataActive = false;
    m_dataDone = true;
    if (m_replyDone)
        SignalDone();
}

// --- Reply states of the data operations --------------------------------------------------

bool TFtp::handleTransferReply(const QString& line)
{
    return handleListingReply(line) || handleDownloadReply(line) || handleUploadReply(line);
}

bool TFtp::handleListingReply(const QString& line)
{
    const bool positive = startsWithDigit(line, '2');
    switch (m_replyState) {
    case ReplyStates::ListType:
        m_dataDone = false;
        m_replyDone = false;
        noteTypeReply(positive);
        if (positive)
            startDataConnection(ReplyStates::ListPasv, ReplyStates::ListPort, [this] { onAccept(); });
        else
            FatalError(FtpError::ProtocolError);
        return true;
    case ReplyStates::ListPort: {
        if (!positive) {
            FatalError(FtpError::ProtocolError);
            return true;
        }
        TStarSocket& data = *m_activeDataSocket;
        data.ReceiveMode = LineMode;
        data.MaxLineLength = kMaxListingLine;
        data.OnLine = [this](const QString& l) { onListingLine(l); };
        data.OnLineTooLong = [this] { note(QStringLiteral("A listing line longer than %1 bytes was left out").arg(kMaxListingLine)); };
        data.OnClosed = [this] { onListingClosed(false); };
        data.OnSendReady = nullptr;
        data.OnDataAvailable = nullptr;
        m_listingLines.clear();
        sendListCommand(ReplyStates::ListActive);
        return true;
    }
    case ReplyStates::ListPasv: {
        if (retryPassiveWithEpsv(line))
            return true;
        if (!preparePassive(line)) {
            failPassiveReply();
            return true;
        }
        TStarSocket& data = *m_passiveDataSocket;
        data.ReceiveMode = LineMode;
        data.MaxLineLength = kMaxListingLine;
        data.OnLine = [this](const QString& l) { onListingLine(l); };
        data.OnLineTooLong = [this] { note(QStringLiteral("A listing line longer than %1 bytes was left out").arg(kMaxListingLine)); };
        data.OnClosed = [this] { onListingClosed(true); };
        data.OnConnected = [this] { onPassiveConnected([] {}); };
        data.OnDataAvailable = nullptr;
        data.OnSendReady = nullptr;
        sendListCommand(ReplyStates::ListPassive);
        m_listingLines.clear();
        data.Connect();
        return true;
    }
    case ReplyStates::ListActive:
    case ReplyStates::ListPassive: {
        const bool passive = m_replyState == ReplyStates::ListPassive;
        if (startsWithDigit(line, '5') && ShowHiddenFiles) {
            ShowHiddenFiles = false;
            sendListCommand(m_replyState);
            return true;
        }
        if (!passive && !startsWithDigit(line, '1') && !positive) {
            m_activeDataSocket->Close();
            m_listenSocket->Close();
            FatalError(FtpError::ProtocolError);
            Success = false;
            return true;
        }
        finishTransferReply(line, passive);
        return true;
    }
    default:
        return false;
    }
}

void TFtp::failRest(const QString& line)
{
    // Without the restart the whole file would come and be written after the part already
    // here, so the download stops; the partial file stays as it was.
    note(QStringLiteral("The server cannot resume %1: %2").arg(RemoteFile, line));
    ReportFtpError(FtpError::ProtocolError, line);
    failTransfer(UsePasv);
}

bool TFtp::handleDownloadReply(const QString& line)
{
    const bool positive = startsWithDigit(line, '2');
    switch (m_replyState) {
    case ReplyStates::RetrType:
        noteTypeReply(positive);
        if (positive)
            startDataConnection(ReplyStates::RetrPasv, ReplyStates::RetrPort, [this] { onAccept(); });
        else
            FatalError(FtpError::ProtocolError);
        return true;
    case ReplyStates::RetrPort:
        if (!positive)
            FatalError(FtpError::ProtocolError);
        else if (ResumePos < 1)
            setupActiveDownload();
        else
            SendCommand(QStringLiteral("REST ") + QString::number(ResumePos), ReplyStates::RestActive);
        return true;
    case ReplyStates::RestActive:
        if (startsWithDigit(line, '3'))
            setupActiveDownload();
        else
            failRest(line);
        return true;
    case ReplyStates::RetrActive:
    case ReplyStates::RetrPassive: {
        if (startsWithDigit(line, '1')) {
            RaiseInfo(FtpInfo::SizeAnnounced, SizeAnnouncement(line));
            return true;
        }
        const bool passive = m_replyState == ReplyStates::RetrPassive;
        if (positive)
            setReplyState(ReplyStates::Nothing);
        finishTransferReply(line, passive);
        return true;
    }
    case ReplyStates::RetrPasv: {
        if (retryPassiveWithEpsv(line))
            return true;
        if (!preparePassive(line)) {
            failPassiveReply();
            return true;
        }
        TStarSocket& data = *m_passiveDataSocket;
        data.ReceiveMode = RawMode;
        data.OnDataAvailable = [this] { onDownloadData(); };
        data.OnClosed = [this] { onFileClosed(true); };
        data.OnConnected = [this] { onPassiveConnected([] {}); };
        data.OnSendReady = nullptr;
        data.OnLine = nullptr;
        if (ResumePos < 1) {
            SendCommand(QStringLiteral("RETR ") + RemoteFile, ReplyStates::RetrPassive);
            data.Connect();
        } else {
            SendCommand(QStringLiteral("REST ") + QString::number(ResumePos), ReplyStates::RestPassive);
        }
        return true;
    }
    case ReplyStates::RestPassive:
        if (!startsWithDigit(line, '3')) {
            failRest(line);
            return true;
        }
        SendCommand(QStringLiteral("RETR ") + RemoteFile, ReplyStates::RetrPassive);
        m_passiveDataSocket->Connect();
        return true;
    default:
        return false;
    }
}

bool TFtp::handleUploadReply(const QString& line)
{
    const bool positive = startsWithDigit(line, '2');
    switch (m_replyState) {
    case ReplyStates::StorType:
        m_dataDone = false;
        m_replyDone = false;
        noteTypeReply(positive);
        if (positive)
            startDataConnection(ReplyStates::StorPasv, ReplyStates::StorPort, [this] { onUploadAccepted(); });
        else
            FatalError(FtpError::ProtocolError);
        return true;
    case ReplyStates::StorPort: {
        if (startsWithDigit(line, '5')) {
            FatalError(FtpError::ProtocolError);
            Success = false;
            return true;
        }
        TStarSocket& data = *m_activeDataSocket;
        data.ReceiveMode = LineMode;
        data.OnDataAvailable = nullptr;
        data.OnSendReady = nullptr;
        data.OnLine = nullptr;
        data.OnClosed = [this] { onFileClosed(false); };
        SendCommand(storeCommand(), ReplyStates::StorActive);
        m_storeSent = true;
        if (m_dataActive)
            sendFile();  // the server connected before the command went out
        return true;
    }
    case ReplyStates::StorActive:
    case ReplyStates::StorPassive:
        finishTransferReply(line, m_replyState == ReplyStates::StorPassive);
        return true;
    case ReplyStates::StorPasv: {
        if (retryPassiveWithEpsv(line))
            return true;
        if (!preparePassive(line)) {
            failPassiveReply();
            return true;
        }
        TStarSocket& data = *m_passiveDataSocket;
        data.ReceiveMode = LineMode;
        data.OnDataAvailable = nullptr;
        data.OnLine = nullptr;
        data.OnSendReady = nullptr;
        data.OnClosed = [this] { onFileClosed(true); };
        data.OnConnected = [this] { onPassiveConnected([this] { sendFile(); }); };
        SendCommand(storeCommand(), ReplyStates::StorPassive);
        data.Connect();
        return true;
    }
    default:
        return false;
    }
}
