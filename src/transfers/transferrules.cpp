#include "transfers/transferrules.h"

#include "session/pathhelpers.h"

#include <QFile>
#include <QLocale>
#include <climits>
#include <cmath>

namespace {

// The file name's extension from its last dot, with the dot; empty without one.
QString extensionOf(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot);
}

qsizetype nameStart(const QString& path)
{
    return path.lastIndexOf(QLatin1Char('/')) + 1;
}

}  // namespace

TTransferType TransferTypeFor(const QString& fileName, TransferModeChoice panel, const QStringList& asciiExtensions)
{
    switch (panel) {
    case TransferModeChoice::Ascii: return AsciiTransfer;
    case TransferModeChoice::Binary: return BinaryTransfer;
    case TransferModeChoice::Auto: break;
    }
    const QString extension = extensionOf(fileName);
    for (const QString& entry : asciiExtensions) {
        const bool hit = entry.contains(QLatin1Char('*')) ? MatchMask(fileName, entry)
                                                           : !extension.isEmpty() && entry.compare(extension, Qt::CaseInsensitive) == 0;
        if (hit)
            return AsciiTransfer;
    }
    return BinaryTransfer;
}

bool IsSkippedName(const QString& name, bool enabled, const QStringList& masks)
{
    if (!enabled)
        return false;
    for (const QString& mask : masks) {
        if (!mask.isEmpty() && MatchMask(name, mask))
            return true;
    }
    return false;
}

QString MapRenameExtension(const QString& path, bool upload, const QStringList& rules)
{
    const qsizetype start = nameStart(path);
    const QString extension = extensionOf(path.mid(start));
    if (extension.isEmpty())
        return path;
    for (const QString& rule : rules) {
        const qsizetype comma = rule.indexOf(QLatin1Char(','));
        if (comma < 0)
            continue;
        const QString local = rule.left(comma);
        const QString remote = rule.mid(comma + 1);
        const QString& from = upload ? local : remote;
        const QString& to = upload ? remote : local;
        if (extension == from)
            return path.left(path.size() - extension.size()) + to;
    }
    return path;
}

QString ForceCase(const QString& text, int mode)
{
    switch (mode) {
    case 1: return text.toUpper();
    case 2: return text.toLower();
    default: return text;
    }
}

QString ForceLocalCase(const QString& path, const QString& home, int mode)
{
    if (mode != 1 && mode != 2)
        return path;
    const QString base = EnsureTrailingSeparator(home);
    const qsizetype keep = !base.isEmpty() && path.startsWith(base) ? base.size() : nameStart(path);
    return path.left(keep) + ForceCase(path.mid(keep), mode);
}

QString UnsafeLocalNameReason(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("is no name of a file in its folder.");
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() == 0)
            return QStringLiteral("holds a path separator or NUL.");
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 1)
            return QStringLiteral("holds a line break or a 0x01 byte.");
    }
    if (QFile::encodeName(name).size() > NAME_MAX)
        return QStringLiteral("is longer than the file system allows.");
    return {};
}

QString ResolveHomeTarget(const QString& target, const QString& remoteHome)
{
    if (!target.startsWith(QLatin1String("~/")))
        return target;
    return EnsureTrailingSeparator(remoteHome.isEmpty() ? QStringLiteral("/") : remoteHome) + target.mid(2);
}

ConflictDecision DecideConflict(const ConflictInputs& in)
{
    using Action = ConflictDecision::Action;
    if (in.bulk == 2)
        return {Action::Overwrite};
    if (in.resumeFirst && in.resumable)
        return {in.upload || in.siteResumes ? Action::Resume : Action::Overwrite};
    switch (in.mode) {
    case 1:
        if (in.resumable)
            return {Action::Resume};
        break;  // nothing to resume: the file counts as existing
    case 2: return {Action::Overwrite};
    case 3: return {Action::Skip, in.upload ? 7 : 3};
    default: break;
    }
    if (in.bulk == 1)
        return {Action::Skip, in.upload ? 5 : 1};
    if (in.scriptRunning)
        return {Action::Overwrite};
    return {Action::Ask};
}

QString ClockText(qint64 seconds)
{
    seconds = qMax<qint64>(0, seconds);
    return QString::asprintf("%.2d:%.2d:%.2d", int((seconds / 3600) % 24), int((seconds / 60) % 60), int(seconds % 60));
}

QString SpeedText(double bytesPerSecond, bool cps)
{
    return cps ? QString::asprintf("%.2f cps)", bytesPerSecond) : QString::asprintf("%.2f k/sec)", bytesPerSecond * 0.001);
}

qint64 RoundEven(double value)
{
    return qint64(std::nearbyint(value));
}

QString BatchTitle(int folders, int files)
{
    return QStringLiteral("FTP : %1-%2 : --:--:--").arg(folders).arg(files);
}

ProgressTexts ProgressTick(const ProgressInputs& in)
{
    ProgressTexts out;
    const double rate = in.elapsedSeconds > 0 ? double(in.transferred) / double(in.elapsedSeconds) : 0.0;
    if (rate <= 0.0)
        return out;
    out.moving = true;
    const qint64 done = in.transferred + in.resumePos;
    const qint64 batchSecs = RoundEven(double(in.batchBytes - done) / rate);
    out.progress = QString::number(done) + QStringLiteral(" (") + SpeedText(rate, in.cps);
    if (batchSecs < 1 || in.fileSize < 1) {
        out.title = BatchTitle(in.folders, in.files);
        return out;
    }
    const qint64 fileSecs = RoundEven(double(in.fileSize - done) / rate);
    out.percent = int(qBound<qint64>(0, RoundEven(double(done) / double(in.fileSize) * 100.0), 100LL));
    out.remain = QStringLiteral("Remain: ") + ClockText(fileSecs);
    out.title = QStringLiteral("FTP : %1-%2 : ").arg(in.folders).arg(in.files) + ClockText(batchSecs);
    return out;
}

QDateTime ListingDateTime(const QString& text)
{
    const QLocale locale;
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    QDateTime moment;
    for (const QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        moment = locale.toDateTime(text, dateFormat + QLatin1Char(' ') + locale.timeFormat(type));
        if (moment.isValid())
            break;
    }
    if (!moment.isValid())
        return {};
    // A two-digit year reads as 19xx; listings name the last hundred years or so.
    if (!dateFormat.contains(QLatin1String("yyyy")) && moment.date().year() < 1950)
        moment = moment.addYears(100);
    return moment;
}
