#include "sites/sitestats.h"

#include "platform/core/clock.h"
#include "platform/core/localeformats.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace {

const QString LastConnectKey = QStringLiteral("LastConnect");
const QString ConnectCountKey = QStringLiteral("ConnectCount");

}  // namespace

TSiteStats::TSiteStats(QString fileName) : m_file(std::move(fileName)) {}

QString TSiteStats::displayCounter(double value)
{
    return QLocale().toString(value, 'f', 0);
}

QString TSiteStats::storedCounter(double value)
{
    return QString::number(value, 'g', 15);
}

std::optional<double> TSiteStats::parseCounter(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString TSiteStats::connectStamp(const QDateTime& moment)
{
    const QLocale locale;
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.toString(moment.time(), LongTimeFormat());
}

void TSiteStats::RecordConnect(const QString& site)
{
    if (site.isEmpty())
        return;
    const QString stamp = connectStamp(Clock::now());
    m_file.edit([&](IniDocument& doc) {
        doc.writeString(site, LastConnectKey, stamp);
        const int count = doc.readInteger(site, ConnectCountKey, 0);
        doc.writeInteger(site, ConnectCountKey, count < std::numeric_limits<int>::max() ? count + 1 : count);
    });
}

void TSiteStats::addTransfer(const QString& site, const QString& bytesKey, const QString& filesKey, qint64 bytes)
{
    if (site.isEmpty())
        return;
    m_file.edit([&](IniDocument& doc) {
        // A damaged counter starts again from 0 rather than stopping the transfers.
        const double total = parseCounter(doc.readString(site, bytesKey, QStringLiteral("0"))).value_or(0);
        const double files = parseCounter(doc.readString(site, filesKey, QStringLiteral("0"))).value_or(0);
        doc.writeString(site, bytesKey, storedCounter(total + double(bytes)));
        doc.writeString(site, filesKey, storedCounter(files + 1));
    });
}

void TSiteStats::AddUpload(const QString& site, qint64 bytes)
{
    addTransfer(site, QStringLiteral("BytesUp"), QStringLiteral("FilesUp"), bytes);
}

void TSiteStats::AddDownload(const QString& site, qint64 bytes)
{
    addTransfer(site, QStringLiteral("BytesDown"), QStringLiteral("FilesDown"), bytes);
}

void TSiteStats::ResetStats(const QString& site)
{
    if (!site.isEmpty())
        m_file.eraseSection(site);
}

SiteStatistics TSiteStats::ReadStats(const QString& site) const
{
    const auto doc = m_file.read();
    const auto counter = [&](const QString& key) {
        return displayCounter(parseCounter(doc->readString(site, key, QStringLiteral("0"))).value_or(0));
    };
    SiteStatistics stats;
    stats.LastConnect = doc->readString(site, LastConnectKey, QStringLiteral("Unknown"));
    stats.ConnectCount = counter(ConnectCountKey);
    stats.FilesUp = counter(QStringLiteral("FilesUp"));
    stats.BytesUp = counter(QStringLiteral("BytesUp"));
    stats.FilesDown = counter(QStringLiteral("FilesDown"));
    stats.BytesDown = counter(QStringLiteral("BytesDown"));
    return stats;
}
