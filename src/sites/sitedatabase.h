#pragma once

#include "platform/core/inifile.h"
#include "settings/scramble.h"
#include "sites/siteoptions.h"

#include <QString>
#include <QStringList>
#include <optional>

// One site's section of "sites.ini". Pass is the plain password; the file holds it
// scrambled (a value without the scrambling marker reads as plain text). Retry and Timeout are decimal texts, empty meaning "use the preference".
// Encryption: empty or "0" plain FTP, "1" explicit TLS required, "2" implicit TLS, "3"
// explicit TLS when the server offers it.
struct TSiteRecord {
    QString IP;
    QString Port = QStringLiteral("21");
    QString User;
    QString Pass;
    QString Account;
    QString LocalDir;
    QString RemoteDir;
    QString LocalFilter;
    QString RemoteFilter;
    QString Resume;
    QString Retry;
    QString Timeout;
    QString Options;
    QString Encryption;
    QStringList Notes;

    bool operator==(const TSiteRecord&) const = default;
};

// The site database "sites.ini": the list of groups in [_Groups_], each group's site names
// in [_<group>_], each site's settings in a section named by the site. Nothing is cached:
// every call reads or writes the file (see IniFile); a write the system refuses throws
// IniError and leaves the file as it was.
class TSiteDatabase
{
public:
    explicit TSiteDatabase(QString fileName);

    // For the imports, which write their own subsets of keys.
    IniFile& file() { return m_file; }
    const IniFile& file() const { return m_file; }

    static QString groupSection(const QString& group);  // "Personal" -> "_Personal_"

    // --- Groups -------------------------------------------------------------------------------
    QStringList groups() const;
    // Erases [_Groups_], writes the names as g1..gN in the given order, then Import.
    void saveGroups(const QStringList& names, int importFlag);
    int importFlag() const;  // 0 when absent
    void setImportFlag(int flag);
    // Lists `group` as the next g key after the existing ones.
    void appendGroup(const QString& group);
    // Erases the sections of every site the group lists, its list section, and removes it
    // from [_Groups_] (the others keep their order and the Import flag stays).
    void deleteGroup(const QString& group);

    QStringList groupSites(const QString& group) const;
    // Erases the group's list section and writes the names as s1..sN in the given order.
    void saveGroupSites(const QString& group, const QStringList& names);
    // Writes `site` as the next s key after the group's existing entries.
    void appendGroupSite(const QString& group, const QString& site);

    // --- Sites --------------------------------------------------------------------------------
    TSiteRecord readSite(const QString& name) const;
    // Erases [name], then writes IP, Options, User, Pass (scrambled), Account, Port, LocalDir,
    // RemoteDir, LocalFilter, RemoteFilter, Resume, Retry, Timeout, Encryption, n1..nN; IP and
    // Options always, Port when it is not "21", Encryption when it is not "0", the others when
    // not empty. Throws AppError for a
    // password that cannot be stored (nothing is written then).
    void writeSite(const QString& name, const TSiteRecord& site);
    // Writes only User and Pass (scrambled) of [name], keeping every other key; an empty
    // value removes its key. Throws AppError for a password that cannot be stored.
    void saveCredentials(const QString& name, const QString& user, const QString& password);
    // Erases [name]; its statistics and its entries in group lists stay.
    void eraseSite(const QString& name);
    // True when [name] has a non-empty IP.
    bool SiteExists(const QString& name) const;

    // The checks of a name typed for a new or renamed site: nothing when it may be used,
    // else the reason to show (empty text for an empty name, which fails silently). Callers
    // trim the name first and show the reason themselves.
    std::optional<QString> siteNameProblem(const QString& name) const;
    // The rules on the name's characters alone, without looking at the file (the imports
    // check those first and skip names of existing sites without a word).
    static std::optional<QString> siteNameCharacterProblem(const QString& name);
    // The same checks for a new group name, which also may not be "Groups" nor an existing
    // group's name.
    std::optional<QString> groupNameProblem(const QString& name) const;
    // The checks for a site about to be added: those of siteNameProblem, and a name that a
    // group lists already is refused even while its section has no IP (a site just added in
    // the site manager has none yet): two entries would share one section.
    std::optional<QString> newSiteNameProblem(const QString& name) const;
    // The first group (in [_Groups_] order) whose list names `site`, ignoring case as section
    // names do; empty when none does.
    QString groupOf(const QString& site) const;

    // A renamed site, in one edit: the record is written under `newName` before [oldName] is
    // erased, and the entry of `oldName` in the group's list becomes `newName` (the other
    // entries keep their places). Throws AppError for a password that cannot be stored.
    void renameSite(const QString& group, const QString& oldName, const QString& newName, const TSiteRecord& site);
    // What "Add Current Site" stores: erases [name] and writes IP, Port (always), User and
    // Pass (scrambled) when not empty and Encryption when not "0"; then lists the site in
    // `group`, the list sorted by name ignoring case. One edit. Throws AppError for a password
    // that cannot be stored.
    void addConnectionSite(const QString& group, const QString& name, const QString& host, const QString& port,
                           const QString& user, const QString& password, const QString& encryption = {});

    // The first site of the group's list whose IP equals `host` ignoring case; empty if none.
    QString findSiteByHost(const QString& group, const QString& host) const;

    // LocalDir / RemoteDir of the site the connection was opened from (nothing for "").
    void saveLocalPath(const QString& site, const QString& localDir);
    void saveRemotePath(const QString& site, const QString& remoteDir);

    // Note lines in the file: a line of spaces only (an empty one included) gets one space
    // more, so that an empty line does not end the list when it is read back.
    static QString encodeNote(const QString& line);
    static QString decodeNote(const QString& stored);

private:
    IniFile m_file;
};
