#include "sites/sitedatabase.h"

#include <algorithm>


namespace {

const QString GroupsSection = QStringLiteral("_Groups_");
const QString GroupPrefix = QStringLiteral("g");
const QString SitePrefix = QStringLiteral("s");
const QString NotePrefix = QStringLiteral("n");
const QString ImportKey = QStringLiteral("Import");
const QString DefaultPort = QStringLiteral("21");

// Shared by site and group names: the characters that break a section line or a path.
std::optional<QString> commonNameProblem(const QString& name, const QString& kind)
{
    for (const char c : {'[', ']', '/', '\\', '='}) {
        if (name.contains(QLatin1Char(c)))
            return QStringLiteral("%1 names cannot contain any of the following characters: ] [ = / \\").arg(kind);
    }
    if (name.at(0).unicode() < 33)
        return QStringLiteral("%1 name must begin with an alphanumeric character.").arg(kind);
    // "_Personal_" is the section of the group Personal's list, "_Groups_" that of the groups.
    if (name.size() >= 2 && name.startsWith(QLatin1Char('_')) && name.endsWith(QLatin1Char('_')))
        return QStringLiteral("%1 names cannot begin and end with \"_\": such names are kept for the "
                              "lists of site groups.")
            .arg(kind);
    // A line break or NUL cannot be stored at all; a name longer than a value the reader
    // sees whole would no longer match its section when the list is read back.
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("%1 names cannot contain control characters.").arg(kind);
    }
    if (name.toUtf8().size() > IniDocument::MaxValueLength)
        return QStringLiteral("%1 names cannot be longer than %2 bytes.").arg(kind).arg(IniDocument::MaxValueLength);
    return std::nullopt;
}

void writeIfSet(IniDocument& doc, const QString& section, const QString& key, const QString& value)
{
    if (!value.isEmpty())
        doc.writeString(section, key, value);
}

// The full section of a site save; `pass` is already scrambled (empty for none).
void writeSiteSection(IniDocument& doc, const QString& name, const TSiteRecord& site, const QByteArray& pass)
{
    doc.eraseSection(name);
    doc.writeString(name, QStringLiteral("IP"), site.IP);
    doc.writeString(name, QStringLiteral("Options"), site.Options);
    writeIfSet(doc, name, QStringLiteral("User"), site.User);
    if (!pass.isEmpty())
        doc.writeBytes(name, QStringLiteral("Pass"), pass);
    writeIfSet(doc, name, QStringLiteral("Account"), site.Account);
    if (site.Port != DefaultPort)
        doc.writeString(name, QStringLiteral("Port"), site.Port);
    writeIfSet(doc, name, QStringLiteral("LocalDir"), site.LocalDir);
    writeIfSet(doc, name, QStringLiteral("RemoteDir"), site.RemoteDir);
    writeIfSet(doc, name, QStringLiteral("LocalFilter"), site.LocalFilter);
    writeIfSet(doc, name, QStringLiteral("RemoteFilter"), site.RemoteFilter);
    writeIfSet(doc, name, QStringLiteral("Resume"), site.Resume);
    writeIfSet(doc, name, QStringLiteral("Retry"), site.Retry);
    writeIfSet(doc, name, QStringLiteral("Timeout"), site.Timeout);
    if (site.Encryption != QLatin1String("0"))
        writeIfSet(doc, name, QStringLiteral("Encryption"), site.Encryption);
    for (int i = 0; i < site.Notes.size(); ++i)
        doc.writeString(name, NotePrefix + QString::number(i + 1), TSiteDatabase::encodeNote(site.Notes.at(i)));
}

QByteArray scrambled(const QString& password)
{
    return password.isEmpty() ? QByteArray() : ScramblePassword(password);
}

}  // namespace

TSiteDatabase::TSiteDatabase(QString fileName) : m_file(std::move(fileName)) {}

QString TSiteDatabase::groupSection(const QString& group)
{
    return QLatin1Char('_') + group + QLatin1Char('_');
}

// --- Groups -----------------------------------------------------------------------------------

QStringList TSiteDatabase::groups() const
{
    return m_file.readList(GroupsSection, GroupPrefix);
}

void TSiteDatabase::saveGroups(const QStringList& names, int flag)
{
    m_file.edit([&](IniDocument& doc) {
        doc.writeList(GroupsSection, GroupPrefix, names);
        doc.writeInteger(GroupsSection, ImportKey, flag);
    });
}

int TSiteDatabase::importFlag() const
{
    return m_file.readInteger(GroupsSection, ImportKey, 0);
}

void TSiteDatabase::setImportFlag(int flag)
{
    m_file.writeInteger(GroupsSection, ImportKey, flag);
}

void TSiteDatabase::appendGroup(const QString& group)
{
    m_file.edit([&](IniDocument& doc) {
        const QStringList existing = doc.readList(GroupsSection, GroupPrefix);
        doc.writeString(GroupsSection, GroupPrefix + QString::number(existing.size() + 1), group);
    });
}

void TSiteDatabase::deleteGroup(const QString& group)
{
    m_file.edit([&](IniDocument& doc) {
        for (const QString& site : doc.readList(groupSection(group), SitePrefix))
            doc.eraseSection(site);
        doc.eraseSection(groupSection(group));
        QStringList remaining = doc.readList(GroupsSection, GroupPrefix);
        remaining.removeIf([&](const QString& g) { return g.compare(group, Qt::CaseInsensitive) == 0; });
        const QByteArray flag = doc.readBytes(GroupsSection, ImportKey);
        const bool hadFlag = doc.valueExists(GroupsSection, ImportKey);
        doc.writeList(GroupsSection, GroupPrefix, remaining);
        if (hadFlag)
            doc.writeBytes(GroupsSection, ImportKey, flag);
    });
}

QStringList TSiteDatabase::groupSites(const QString& group) const
{
    return m_file.readList(groupSection(group), SitePrefix);
}

void TSiteDatabase::saveGroupSites(const QString& group, const QStringList& names)
{
    m_file.writeList(groupSection(group), SitePrefix, names);
}

void TSiteDatabase::appendGroupSite(const QString& group, const QString& site)
{
    m_file.edit([&](IniDocument& doc) {
        const QStringList existing = doc.readList(groupSection(group), SitePrefix);
        doc.writeString(groupSection(group), SitePrefix + QString::number(existing.size() + 1), site);
    });
}

// --- Sites ------------------------------------------------------------------------------------

QString TSiteDatabase::encodeNote(const QString& line)
{
    for (const QChar c : line) {
        if (c != QLatin1Char(' '))
            return line;
    }
    return line + QLatin1Char(' ');
}

QString TSiteDatabase::decodeNote(const QString& stored)
{
    for (const QChar c : stored) {
        if (c != QLatin1Char(' '))
            return stored;
    }
    return stored.left(stored.size() - 1);
}

TSiteRecord TSiteDatabase::readSite(const QString& name) const
{
    const auto doc = m_file.read();
    const auto text = [&](const char* key, const QString& def = {}) {
        return doc->readString(name, QString::fromLatin1(key), def);
    };
    TSiteRecord site;
    site.IP = text("IP");
    site.Port = text("Port", DefaultPort);
    site.User = text("User");
    site.Pass = StoredPassword(doc->readBytes(name, QStringLiteral("Pass")));
    site.Account = text("Account");
    site.LocalDir = text("LocalDir");
    site.RemoteDir = text("RemoteDir");
    site.LocalFilter = text("LocalFilter");
    site.RemoteFilter = text("RemoteFilter");
    site.Resume = text("Resume");
    site.Retry = text("Retry");
    site.Timeout = text("Timeout");
    site.Options = text("Options");
    site.Encryption = text("Encryption");
    for (const QString& line : doc->readList(name, NotePrefix))
        site.Notes << decodeNote(line);
    return site;
}

void TSiteDatabase::writeSite(const QString& name, const TSiteRecord& site)
{
    // Scramble first: a password that cannot be stored must leave the old section intact.
    const QByteArray pass = scrambled(site.Pass);
    m_file.edit([&](IniDocument& doc) { writeSiteSection(doc, name, site, pass); });
}

void TSiteDatabase::renameSite(const QString& group, const QString& oldName, const QString& newName,
                               const TSiteRecord& site)
{
    const QByteArray pass = scrambled(site.Pass);
    m_file.edit([&](IniDocument& doc) {
        writeSiteSection(doc, newName, site, pass);
        // Section names ignore case: erasing the old name would erase the new one as well.
        if (oldName.compare(newName, Qt::CaseInsensitive) != 0)
            doc.eraseSection(oldName);
        QStringList names = doc.readList(groupSection(group), SitePrefix);
        for (QString& entry : names) {
            if (entry.compare(oldName, Qt::CaseInsensitive) == 0)
                entry = newName;
        }
        doc.writeList(groupSection(group), SitePrefix, names);
    });
}

void TSiteDatabase::addConnectionSite(const QString& group, const QString& name, const QString& host,
                                      const QString& port, const QString& user, const QString& password,
                                      const QString& encryption)
{
    const QByteArray pass = scrambled(password);
    m_file.edit([&](IniDocument& doc) {
        QStringList names = doc.readList(groupSection(group), SitePrefix);
        names << name;
        std::stable_sort(names.begin(), names.end(),
                         [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        doc.writeList(groupSection(group), SitePrefix, names);
        doc.eraseSection(name);
        doc.writeString(name, QStringLiteral("IP"), host);
        doc.writeString(name, QStringLiteral("Port"), port);
        writeIfSet(doc, name, QStringLiteral("User"), user);
        if (!pass.isEmpty())
            doc.writeBytes(name, QStringLiteral("Pass"), pass);
        if (!encryption.isEmpty() && encryption != QLatin1String("0"))
            doc.writeString(name, QStringLiteral("Encryption"), encryption);
    });
}

void TSiteDatabase::saveCredentials(const QString& name, const QString& user, const QString& password)
{
    const QByteArray pass = password.isEmpty() ? QByteArray() : ScramblePassword(password);
    m_file.edit([&](IniDocument& doc) {
        if (user.isEmpty())
            doc.deleteKey(name, QStringLiteral("User"));
        else
            doc.writeString(name, QStringLiteral("User"), user);
        if (pass.isEmpty())
            doc.deleteKey(name, QStringLiteral("Pass"));
        else
            doc.writeBytes(name, QStringLiteral("Pass"), pass);
    });
}

void TSiteDatabase::eraseSite(const QString& name)
{
    m_file.eraseSection(name);
}

bool TSiteDatabase::SiteExists(const QString& name) const
{
    return !m_file.readString(name, QStringLiteral("IP")).isEmpty();
}

std::optional<QString> TSiteDatabase::siteNameCharacterProblem(const QString& name)
{
    if (name.isEmpty())
        return QString();
    return commonNameProblem(name, QStringLiteral("Site"));
}

std::optional<QString> TSiteDatabase::siteNameProblem(const QString& name) const
{
    if (auto problem = siteNameCharacterProblem(name))
        return problem;
    if (SiteExists(name))
        return QStringLiteral("A site named \"%1\" already exists.  Please choose another name.").arg(name);
    return std::nullopt;
}

std::optional<QString> TSiteDatabase::groupNameProblem(const QString& name) const
{
    if (name.isEmpty())
        return QString();
    if (auto problem = commonNameProblem(name, QStringLiteral("Group")))
        return problem;
    if (name.compare(QStringLiteral("Groups"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("The name \"%1\" is kept for the list of site groups.  Please choose another "
                              "name.")
            .arg(name);
    for (const QString& group : groups()) {
        if (group.compare(name, Qt::CaseInsensitive) == 0)
            return QStringLiteral("A group named \"%1\" already exists.  Please choose another name.").arg(name);
    }
    return std::nullopt;
}

std::optional<QString> TSiteDatabase::newSiteNameProblem(const QString& name) const
{
    if (auto problem = siteNameProblem(name))
        return problem;
    if (!groupOf(name).isEmpty())
        return QStringLiteral("A site named \"%1\" already exists.  Please choose another name.").arg(name);
    return std::nullopt;
}

QString TSiteDatabase::groupOf(const QString& site) const
{
    const auto doc = m_file.read();
    for (const QString& group : doc->readList(GroupsSection, GroupPrefix)) {
        for (const QString& entry : doc->readList(groupSection(group), SitePrefix)) {
            if (entry.compare(site, Qt::CaseInsensitive) == 0)
                return group;
        }
    }
    return {};
}

QString TSiteDatabase::findSiteByHost(const QString& group, const QString& host) const
{
    const auto doc = m_file.read();
    for (const QString& site : doc->readList(groupSection(group), SitePrefix)) {
        if (doc->readString(site, QStringLiteral("IP")).compare(host, Qt::CaseInsensitive) == 0)
            return site;
    }
    return {};
}

void TSiteDatabase::saveLocalPath(const QString& site, const QString& localDir)
{
    if (!site.isEmpty())
        m_file.writeString(site, QStringLiteral("LocalDir"), localDir);
}

void TSiteDatabase::saveRemotePath(const QString& site, const QString& remoteDir)
{
    if (!site.isEmpty())
        m_file.writeString(site, QStringLiteral("RemoteDir"), remoteDir);
}
