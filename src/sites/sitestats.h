#pragma once

#include "platform/core/inifile.h"

#include <QDateTime>
#include <QString>
#include <optional>

// A site's statistics as the site manager shows them.
struct SiteStatistics {
    QString LastConnect;   // as stored, "Unknown" when never
    QString ConnectCount;  // the counters with the locale's thousands separator, no decimals
    QString FilesUp;
    QString BytesUp;
    QString FilesDown;
    QString BytesDown;

    bool operator==(const SiteStatistics&) const = default;
};

// The statistics file "stats.dat": one section per site name. The counters are floating
// point, written in general format with up to 15 significant digits, so they do not wrap
// at 32 or 64 bits. The operations on the current site do nothing for an empty name (a
// connection typed into the quick-connect fields). Writes throw IniError when refused.
class TSiteStats
{
public:
    explicit TSiteStats(QString fileName);

    IniFile& file() { return m_file; }

    // After a successful login: LastConnect := now (Clock), ConnectCount + 1.
    void RecordConnect(const QString& site);
    // After a completed upload / download of `bytes`: Bytes* + bytes, Files* + 1.
    void AddUpload(const QString& site, qint64 bytes);
    void AddDownload(const QString& site, qint64 bytes);
    // Erases the site's section.
    void ResetStats(const QString& site);

    SiteStatistics ReadStats(const QString& site) const;

    // "%.0n": thousands separators of the current locale, no decimals.
    static QString displayCounter(double value);
    // General format, up to 15 significant digits, exponent beyond.
    static QString storedCounter(double value);
    // A stored counter; nothing when the text is not a number.
    static std::optional<double> parseCounter(const QString& text);
    // The locale's short date and long time (without the time zone).
    static QString connectStamp(const QDateTime& moment);

private:
    void addTransfer(const QString& site, const QString& bytesKey, const QString& filesKey, qint64 bytes);

    IniFile m_file;
};
