#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

class IniFile;
class TSiteDatabase;

// Bringing sites into "sites.ini" from a text file (one site per line) or from the
// "orvoftp.ini" of the program's older 1.x version ([Servers] and a section per site).
// Nothing here asks or tells the user: the results and problems go back to the caller.
// Each import is one edit of "sites.ini": a file that cannot be written keeps nothing of
// it (IniError), and no other failure can stop it half-way, since every line or entry
// that could not be stored is left out beforehand.

// What an import did. `skipped` holds the line numbers (text import, from 1) or the
// [Servers] numbers (older version) of the entries that cannot make a valid site; names
// of sites that exist already are passed over without being counted, as designed.
struct SiteImportResult {
    int added = 0;
    int updated = 0;
    QList<int> skipped;
    bool fromServersList = false;  // the numbers are [Servers] s numbers, not lines

    bool operator==(const SiteImportResult&) const = default;
};

// "Import Complete: N new entries, M updated entries." and, when something was left out,
// "  Lines skipped: 3, 7." ("Entries skipped: s3, s7." for the older version's list; the
// first 20 numbers, then how many more).
QString importCompleteText(const SiteImportResult& result);

// One line of the text format: name, host, user, password and port, separated by colons and
// taken from the front (a field is the text before the next colon; without one it is empty
// and the rest stays for the next field), so the password takes the rest when no colon is
// left after the user. No trimming. Nothing for a line without a colon.
struct SiteImportLine {
    QString name;
    QString host;
    QString user;
    QString password;
    QString port;

    bool operator==(const SiteImportLine&) const = default;
};
std::optional<SiteImportLine> parseImportLine(const QString& line);

// The lines of a text file: UTF-8, or Latin-1 when the file is not valid UTF-8 (files from
// older systems); a byte-order mark and the CR of CR LF line ends are dropped.
QList<QString> importTextLines(const QByteArray& contents);

// The text import into `group` (listed in [_Groups_] when it is not yet). A line whose host
// is the IP of a site of the group (ignoring case; the first in list order) updates that
// site's IP, User, Pass and Port and keeps its name; otherwise the line's name makes a new
// site at the end of the group's list, unless a site of that name exists. Lines whose
// fields cannot make a valid site are skipped: an empty host, a name refused by the
// site-name rules, a port that is not a number from 1 to 65535, a password that cannot be
// stored, control characters or over-long fields.
SiteImportResult importText(TSiteDatabase& sites, const QString& group, const QByteArray& contents);
// The same from a file; AppError "Unable to open <file>" when it cannot be read.
SiteImportResult importTextFile(TSiteDatabase& sites, const QString& group, const QString& fileName);

// The older version's [Servers] s1..sN into `group` (listed once): each name for which no
// site exists becomes a new site at the end of the group's list with IP, Port (not "21"),
// User, Pass (kept byte for byte when already scrambled, scrambled when plain), LocalDir,
// RemoteDir and, when TransMode is not "2", Options "3000000000". Entries that cannot make
// a valid site (a name refused by the site-name rules, no IP, a port that is not a number,
// a password that cannot be stored) are skipped. AppError "Unable to open <file>" when the
// file cannot be read.
SiteImportResult importOlderVersion(TSiteDatabase& sites, const QString& group, const QString& fileName);

// The first-start check: unless [_Groups_] Import is set already, an "orvoftp.ini" of the
// older version in `legacyDirectory` (the home directory) is imported into "Personal",
// and its settings are taken over into `settings`: the [Setup] keys the preferences hold
// (not the window layout, and no Windows program as editor or viewer) and the lists
// [Extensions], [Rename], [Skip] and [Proxy] that the older file fills. Import is 1
// afterwards whatever happened, so this runs once. A file that is the program's own
// settings file (the program directory is the home directory) is no older version's.
// Never throws.
struct FirstStartImport {
    QString file;                    // the older file imported, empty when none was
    SiteImportResult result;
    std::optional<QString> problem;  // why the import failed
};
FirstStartImport firstStartImport(TSiteDatabase& sites, IniFile& settings, const QString& legacyDirectory);
