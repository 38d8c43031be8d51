#include "ftprecorder.h"

#include "engine/ftperrortext.h"

#include "testutil.h"

FtpRecorder::FtpRecorder(TFtp& ftp)
{
    ftp.OnFtpInfo = [this](quint8 info, const QString& addinfo) {
        events << QStringLiteral("info %1 %2").arg(FtpInfoName(info), addinfo).trimmed();
        if (info == FtpInfo::ReplyLine)
            replies << addinfo;
        if (info == FtpInfo::CommandSent)
            commands << addinfo;
        if (info == FtpInfo::ListingLine)
            listing << addinfo;
    };
    ftp.OnFtpError = [this](quint8 error, const QString& addinfo) {
        events << QStringLiteral("error %1 %2").arg(FtpErrorName(error), addinfo).trimmed();
    };
    const auto note = [this](const char* name) { return [this, name] { events << QString::fromLatin1(name); }; };
    ftp.OnFtpReady = note("FtpReady");
    ftp.OnLoggedIn = note("LoggedIn");
    ftp.OnDirectoryChanged = note("DirectoryChanged");
    ftp.OnDirectoryCreated = note("DirectoryCreated");
    ftp.OnDirectoryDeleted = note("DirectoryDeleted");
    ftp.OnFileDeleted = note("FileDeleted");
    ftp.OnFileReceived = note("FileReceived");
    ftp.OnFileStored = note("FileStored");
    ftp.OnListingDone = note("ListingDone");
    ftp.OnFileRenamed = note("FileRenamed");
    ftp.OnFtpQuit = note("FtpQuit");
    ftp.OnFileCHMOD = note("FileCHMOD");
    ftp.OnRawCommand = note("RawCommand");
}

bool FtpRecorder::hasInfo(int code) const
{
    return infoCount(code) > 0;
}

int FtpRecorder::infoCount(int code) const
{
    const QString exact = QStringLiteral("info ") + FtpInfoName(quint8(code));
    const QString prefix = exact + QLatin1Char(' ');
    int n = 0;
    for (const QString& e : events) {
        if (e == exact || e.startsWith(prefix))
            ++n;
    }
    return n;
}

bool FtpRecorder::hasError(int code) const
{
    const QString exact = QStringLiteral("error ") + FtpErrorName(quint8(code));
    for (const QString& e : events) {
        if (e == exact || e.startsWith(exact + QLatin1Char(' ')))
            return true;
    }
    return false;
}

void FtpRecorder::clear()
{
    events.clear();
    replies.clear();
    commands.clear();
    listing.clear();
}

bool FtpRecorder::waitFor(const QString& event, int times, int timeoutMs) const
{
    return testutil::waitFor([&] { return events.count(event) >= times; }, timeoutMs);
}

bool FtpRecorder::connectAndLogin(TFtp& ftp, FtpRecorder& recorder, int timeoutMs)
{
    ftp.ConnectSession();
    return testutil::waitFor(
        [&] { return recorder.has(QStringLiteral("LoggedIn")) || recorder.has(QStringLiteral("FtpQuit"))
                     || recorder.hasInfo(FtpInfo::ConnectFailed); },
        timeoutMs)
           && recorder.has(QStringLiteral("LoggedIn"));
}
