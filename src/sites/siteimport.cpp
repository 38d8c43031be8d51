#include "sites/siteimport.h"

#include "platform/core/apperror.h"
#include "platform/core/inifile.h"
#include "settings/scramble.h"
#include "settings/settingskeys.h"
#include "sites/siteoptions.h"
#include "sites/sitedatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

const QString GroupsSection = QStringLiteral("_Groups_");
const QString GroupPrefix = QStringLiteral("g");
const QString SitePrefix = QStringLiteral("s");
const QString DefaultPort = QStringLiteral("21");
const QString OlderFileName = QStringLiteral("orvoftp.ini");
// How many skipped numbers the closing message names.
constexpr int ListedNumbers = 20;

enum class Outcome { Added, Updated, Passed, Skipped };

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

// A field the INI file keeps as it is: no control character (a line break or NUL cannot be
// stored at all) and short enough for the reader to see it whole.
bool storable(const QString& text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return text.toUtf8().size() <= IniDocument::MaxValueLength;
}

// Empty stands for the default port.
bool validPort(const QString& port)
{
    if (port.isEmpty())
        return true;
    if (port.size() > 5)
        return false;
    for (const QChar c : port) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const int number = port.toInt();
    return number >= 1 && number <= 65535;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;  // as section names compare
}

void listGroupOnce(IniDocument& doc, const QString& group)
{
    const QStringList groups = doc.readList(GroupsSection, GroupPrefix);
    for (const QString& listed : groups) {
        if (sameName(listed, group))
            return;
    }
    doc.writeString(GroupsSection, GroupPrefix + QString::number(groups.size() + 1), group);
}

void appendGroupSite(IniDocument& doc, const QString& group, const QString& site)
{
    const QString section = TSiteDatabase::groupSection(group);
    const qsizetype count = doc.readList(section, SitePrefix).size();
    doc.writeString(section, SitePrefix + QString::number(count + 1), site);
}

// A site exists when its section has an IP. A name that a group lists is taken as well: a
// site just added in the site manager has no IP yet, and a second entry would share its
// section.
bool siteTaken(const IniDocument& doc, const QString& name)
{
    if (!doc.readString(name, key("IP")).isEmpty())
        return true;
    for (const QString& group : doc.readList(GroupsSection, GroupPrefix)) {
        for (const QString& entry : doc.readList(TSiteDatabase::groupSection(group), SitePrefix)) {
            if (sameName(entry, name))
                return true;
        }
    }
    return false;
}

QString siteWithHost(const IniDocument& doc, const QString& group, const QString& host)
{
    for (const QString& site : doc.readList(TSiteDatabase::groupSection(group), SitePrefix)) {
        if (sameName(doc.readString(site, key("IP")), host))
            return site;
    }
    return {};
}

// --- Text import ------------------------------------------------------------------------------

void updateSite(IniDocument& doc, const QString& site, const SiteImportLine& line, const QByteArray& pass)
{
    doc.writeString(site, key("IP"), line.host);
    doc.writeString(site, key("User"), line.user);
    doc.writeBytes(site, key("Pass"), pass);
    // A line that says 21 means 21: an older port of the site must not stay.
    if (line.port == DefaultPort)
        doc.deleteKey(site, key("Port"));
    else if (!line.port.isEmpty())
        doc.writeString(site, key("Port"), line.port);
}

void addSite(IniDocument& doc, const QString& group, const SiteImportLine& line, const QByteArray& pass)
{
    appendGroupSite(doc, group, line.name);
    doc.eraseSection(line.name);  // what is left of a section without an IP is nobody's
    doc.writeString(line.name, key("IP"), line.host);
    doc.writeString(line.name, key("User"), line.user);
    doc.writeBytes(line.name, key("Pass"), pass);
    if (!line.port.isEmpty() && line.port != DefaultPort)
        doc.writeString(line.name, key("Port"), line.port);
    doc.writeString(line.name, key("Options"), FreshSiteOptions);
}

Outcome importLine(IniDocument& doc, const QString& group, const SiteImportLine& line)
{
    if (line.host.isEmpty() || !storable(line.host) || !storable(line.user) || !validPort(line.port)
        || passwordProblem(line.password))
        return Outcome::Skipped;
    const QByteArray pass = ScramblePassword(line.password);
    const QString existing = siteWithHost(doc, group, line.host);
    if (!existing.isEmpty()) {
        updateSite(doc, existing, line, pass);
        return Outcome::Updated;
    }
    if (TSiteDatabase::siteNameCharacterProblem(line.name))
        return Outcome::Skipped;
    if (siteTaken(doc, line.name))
        return Outcome::Passed;
    addSite(doc, group, line, pass);
    return Outcome::Added;
}

void count(SiteImportResult& result, Outcome outcome, int number)
{
    switch (outcome) {
    case Outcome::Added: ++result.added; break;
    case Outcome::Updated: ++result.updated; break;
    case Outcome::Skipped: result.skipped << number; break;
    case Outcome::Passed: break;
    }
}

QByteArray readWhole(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Unable to open ") + fileName);
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Unable to open ") + fileName);
    return data;
}

// --- Older version ----------------------------------------------------------------------------

// The older file's password as this program stores it: a scrambled one byte for byte, a
// plain one scrambled; nothing when it cannot be stored.
std::optional<QByteArray> olderPassword(const QByteArray& stored)
{
    if (IsScrambled(stored))
        return stored.contains('\0') ? std::nullopt : std::optional<QByteArray>(stored);
    if (stored.isEmpty())
        return QByteArray();
    const QString plain = IniDocument::decodeText(stored);
    if (passwordProblem(plain))
        return std::nullopt;
    return ScramblePassword(plain);
}

Outcome importOlderSite(IniDocument& doc, const QString& group, const IniDocument& older, const QString& name)
{
    if (TSiteDatabase::siteNameCharacterProblem(name))
        return Outcome::Skipped;
    if (siteTaken(doc, name))
        return Outcome::Passed;
    const auto text = [&](const char* field, const QString& def = {}) { return older.readString(name, key(field), def); };
    const QString ip = text("IP");
    const QString port = text("Port", DefaultPort);
    const QString user = text("User");
    const QString localDir = text("LocalDir");
    const QString remoteDir = text("RemoteDir");
    const std::optional<QByteArray> pass = olderPassword(older.readBytes(name, key("Pass")));
    if (ip.isEmpty() || !validPort(port) || !pass || !storable(ip) || !storable(user) || !storable(localDir)
        || !storable(remoteDir))
        return Outcome::Skipped;

    appendGroupSite(doc, group, name);
    doc.eraseSection(name);
    doc.writeString(name, key("IP"), ip);
    if (!port.isEmpty() && port != DefaultPort)
        doc.writeString(name, key("Port"), port);
    if (!user.isEmpty())
        doc.writeString(name, key("User"), user);
    if (!pass->isEmpty())
        doc.writeBytes(name, key("Pass"), *pass);
    if (!localDir.isEmpty())
        doc.writeString(name, key("LocalDir"), localDir);
    if (!remoteDir.isEmpty())
        doc.writeString(name, key("RemoteDir"), remoteDir);
    // The older modes have no place in the options: either way the site uses the default.
    if (text("TransMode", QStringLiteral("2")) != QLatin1String("2"))
        doc.writeString(name, key("Options"), FreshSiteOptions);
    return Outcome::Added;
}

SiteImportResult importOlderDocument(TSiteDatabase& sites, const QString& group, const IniDocument& older,
                                     bool firstStart)
{
    const QStringList names = older.readList(QStringLiteral("Servers"), SitePrefix);
    SiteImportResult result;
    sites.file().edit([&](IniDocument& doc) {
        result = {};
        result.fromServersList = true;
        listGroupOnce(doc, group);
        for (qsizetype i = 0; i < names.size(); ++i)
            count(result, importOlderSite(doc, group, older, names[i]), int(i + 1));
        if (firstStart)
            doc.writeInteger(GroupsSection, key("Import"), 1);
    });
    return result;
}

// An editor or viewer of the older Windows version (notepad.exe) does not run here.
bool windowsProgram(SettingKey id, const QString& value)
{
    return (id == SettingKey::Editor || id == SettingKey::Viewer)
           && value.trimmed().endsWith(QLatin1String(".exe"), Qt::CaseInsensitive);
}

void takeOverSetting(const IniDocument& older, IniDocument& ours, const SettingInfo& info)
{
    const QString section = QString::fromLatin1(info.section);
    const QString name = QString::fromLatin1(info.name);
    if (!older.valueExists(section, name))
        return;
    if (info.type == SettingType::Password) {
        const QByteArray stored = older.readBytes(section, name);
        const QString plain = IsScrambled(stored) ? UnscramblePassword(stored) : IniDocument::decodeText(stored);
        if (!passwordProblem(plain))
            writeText(ours, info.id, plain);
        return;
    }
    const QString value = older.readString(section, name);
    if (storable(value) && !windowsProgram(info.id, value))
        ours.writeString(section, name, value);
}

void takeOverSettings(const IniDocument& older, IniDocument& ours)
{
    for (const SettingInfo& info : allSettings()) {
        if (info.role == SettingRole::Behaviour || info.role == SettingRole::View || info.role == SettingRole::HandEdited)
            takeOverSetting(older, ours, info);
    }
    for (const SettingList list : {SettingList::Extensions, SettingList::Rename, SettingList::Skip, SettingList::Proxy}) {
        QStringList entries = readList(older, list);
        entries.removeIf([](const QString& entry) { return !storable(entry); });
        if (!entries.isEmpty())
            writeList(ours, list, entries);
    }
    // After the [Skip] list, which erases its section.
    const SettingInfo& skip = settingInfo(SettingKey::SkipEnabled);
    if (older.valueExists(QString::fromLatin1(skip.section), QString::fromLatin1(skip.name)))
        writeFlag(ours, SettingKey::SkipEnabled, readFlag(older, SettingKey::SkipEnabled));
}

bool sameFile(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

}  // namespace

QString importCompleteText(const SiteImportResult& result)
{
    QString text = QStringLiteral("Import Complete: %1 new entries, %2 updated entries.").arg(result.added).arg(result.updated);
    if (result.skipped.isEmpty())
        return text;
    QStringList numbers;
    for (qsizetype i = 0; i < result.skipped.size() && i < ListedNumbers; ++i)
        numbers << (result.fromServersList ? SitePrefix : QString()) + QString::number(result.skipped[i]);
    text += result.fromServersList ? QStringLiteral("  Entries skipped: ") : QStringLiteral("  Lines skipped: ");
    text += numbers.join(QStringLiteral(", "));
    if (result.skipped.size() > ListedNumbers)
        text += QStringLiteral(" and %1 more").arg(result.skipped.size() - ListedNumbers);
    return text + QLatin1Char('.');
}

std::optional<SiteImportLine> parseImportLine(const QString& text)
{
    if (!text.contains(QLatin1Char(':')))
        return std::nullopt;
    QString rest = text;
    const auto field = [&rest] {
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        if (colon < 0)
            return QString();
        const QString taken = rest.left(colon);
        rest = rest.mid(colon + 1);
        return taken;
    };
    SiteImportLine line;
    line.name = field();
    line.host = field();
    line.user = field();
    if (rest.contains(QLatin1Char(':'))) {
        line.password = field();
        line.port = rest;
    } else {
        line.password = rest;
    }
    return line;
}

QList<QString> importTextLines(const QByteArray& contents)
{
    QString text;
    if (const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(contents)) {
        QStringDecoder decode(*marked);
        text = decode(contents);
    } else {
        text = IniDocument::decodeText(contents);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<QString> lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

SiteImportResult importText(TSiteDatabase& sites, const QString& group, const QByteArray& contents)
{
    const QList<QString> lines = importTextLines(contents);
    SiteImportResult result;
    sites.file().edit([&](IniDocument& doc) {
        result = {};
        listGroupOnce(doc, group);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (const std::optional<SiteImportLine> line = parseImportLine(lines[i]))
                count(result, importLine(doc, group, *line), int(i + 1));
        }
    });
    return result;
}

SiteImportResult importTextFile(TSiteDatabase& sites, const QString& group, const QString& fileName)
{
    return importText(sites, group, readWhole(fileName));
}

SiteImportResult importOlderVersion(TSiteDatabase& sites, const QString& group, const QString& fileName)
{
    return importOlderDocument(sites, group, IniDocument::parse(readWhole(fileName)), false);
}

FirstStartImport firstStartImport(TSiteDatabase& sites, IniFile& settings, const QString& legacyDirectory)
{
    FirstStartImport outcome;
    const QString older = QDir(legacyDirectory).filePath(OlderFileName);
    try {
        if (sites.importFlag() == 0 && QFileInfo::exists(older) && !sameFile(older, settings.fileName())) {
            const IniDocument olderDoc = IniDocument::parse(readWhole(older));
            outcome.result = importOlderDocument(sites, QStringLiteral("Personal"), olderDoc, true);
            outcome.file = older;
            settings.edit([&](IniDocument& doc) { takeOverSettings(olderDoc, doc); });
            return outcome;
        }
    } catch (const AppError& error) {
        outcome.problem = error.text();
    } catch (const std::exception& error) {
        outcome.problem = QString::fromLocal8Bit(error.what());
    }
    // Once is enough: a file that failed today fails again tomorrow.
    try {
        sites.setImportFlag(1);
    } catch (const AppError& error) {
        if (!outcome.problem)
            outcome.problem = error.text();
    }
    return outcome;
}
