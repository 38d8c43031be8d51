#include "transfers/queueentry.h"

QueueEntry QueueEntry::make(Kind kind, const QString& source, const QString& sizeText, const QString& target)
{
    QueueEntry entry;
    entry.kind = kind;
    entry.source = source;
    entry.target = target;
    entry.setSizeText(sizeText);
    return entry;
}

void QueueEntry::setSizeText(const QString& text)
{
    sizeText = text;
    size = sizeOf(text);
}

void QueueEntry::setSize(qint64 bytes)
{
    size = bytes < 0 ? -1 : bytes;
    sizeText = bytes < 0 ? QString() : QString::number(bytes);
}

qint64 QueueEntry::sizeOf(const QString& text)
{
    if (text.isEmpty() || text.size() > 19)
        return -1;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : -1;
}
