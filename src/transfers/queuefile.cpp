#include "transfers/queuefile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

namespace QueueFile {

namespace {

constexpr QChar Separator(0x01);

bool holdsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// "C:\..." or "\\server\share": a local path written on another system; such an entry can
// only fail here, or land somewhere nobody meant.
bool foreignLocalPath(const QString& path)
{
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    return path.startsWith(QLatin1String("\\\\")) || drive.match(path).hasMatch();
}

QString lineProblem(int line, const QString& what)
{
    return QStringLiteral("Line %1: %2").arg(line).arg(what);
}

// One line of at least 7 characters; false with `problem` set when it holds no entry.
bool parseLine(QStringView line, int number, QueueEntry* entry, QString* problem)
{
    const qsizetype first = line.indexOf(Separator);
    const qsizetype second = first < 0 ? -1 : line.indexOf(Separator, first + 1);
    const qsizetype third = second < 0 ? -1 : line.indexOf(Separator, second + 1);
    if (third < 0) {
        *problem = lineProblem(number, QStringLiteral("not a queue entry; left out."));
        return false;
    }
    const QStringView kindText = line.left(first);
    bool ok = false;
    const int kind = kindText.trimmed().toInt(&ok, 10);
    if (!ok || !QueueEntry::validKind(kind)) {
        *problem = lineProblem(number, QStringLiteral("unknown kind \"%1\"; the entry was left out.").arg(kindText));
        return false;
    }
    *entry = QueueEntry::make(QueueEntry::Kind(kind), line.mid(first + 1, second - first - 1).toString(),
                              line.mid(second + 1, third - second - 1).toString(), line.mid(third + 1).toString());
    if (entry->source.isEmpty() || entry->target.isEmpty()) {
        *problem = lineProblem(number, QStringLiteral("no source or no target; the entry was left out."));
        return false;
    }
    if (foreignLocalPath(entry->localPath())) {
        *problem = lineProblem(number, QStringLiteral("\"%1\" is a path of another system; the entry was left out.")
                                           .arg(entry->localPath()));
        return false;
    }
    return true;
}

}  // namespace

bool storable(const QueueEntry& entry)
{
    return QueueEntry::validKind(entry.kind) && !holdsLineBreak(entry.source) && !holdsLineBreak(entry.sizeText)
           && !holdsLineBreak(entry.target) && !entry.source.contains(Separator) && !entry.sizeText.contains(Separator);
}

QByteArray encode(const std::vector<QueueEntry>& entries, QStringList* skipped)
{
    QByteArray out;
    out.reserve(qsizetype(entries.size()) * 64);
    for (const QueueEntry& entry : entries) {
        if (!storable(entry)) {
            if (skipped)
                *skipped << entry.source;
            continue;
        }
        out += char('0' + entry.kind);
        out += '\x01';
        out += entry.source.toUtf8();
        out += '\x01';
        out += entry.sizeText.toUtf8();
        out += '\x01';
        out += entry.target.toUtf8();
        out += "\r\n";
    }
    return out;
}

ReadResult decode(const QByteArray& bytes)
{
    ReadResult result;
    result.ok = true;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        result.latin1 = true;
        text = QString::fromLatin1(bytes);
    }
    int number = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).mid(start, end - start);
        start = end + 1;
        ++number;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.size() < 7)
            continue;  // empty lines, and lines too short for any entry
        QueueEntry entry;
        QString problem;
        if (parseLine(line, number, &entry, &problem))
            result.entries.push_back(std::move(entry));
        else
            result.problems << problem;
    }
    return result;
}

ReadResult read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ReadResult failed;
        failed.error = QStringLiteral("Unable to read ") + path + QStringLiteral(": ") + file.errorString();
        return failed;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ReadResult failed;
        failed.error = QStringLiteral("Unable to read ") + path + QStringLiteral(": ") + file.errorString();
        return failed;
    }
    return decode(bytes);
}

WriteResult write(const QString& path, const std::vector<QueueEntry>& entries)
{
    WriteResult result;
    const QByteArray bytes = encode(entries, &result.skipped);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        result.error = QStringLiteral("Unable to write to ") + path + QStringLiteral(": ") + file.errorString();
        file.cancelWriting();
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace QueueFile
