#include "settings/settingskeys.h"

#include "platform/core/inidocument.h"
#include "settings/scramble.h"

#include <QStandardPaths>
#include <array>

namespace {

using enum SettingKey;
using enum SettingType;
using enum SettingRole;
using C = ConfigData;

constexpr const char* Setup = "Setup";

SettingInfo text(SettingKey id, const char* name, const char* def, SettingRole role, ConfigField field = {})
{
    return {id, Setup, name, String, role, def, 0, field};
}
SettingInfo number(SettingKey id, const char* name, int def, SettingRole role, ConfigField field = {})
{
    return {id, Setup, name, Integer, role, nullptr, def, field};
}
SettingInfo flag(SettingKey id, const char* name, bool def, SettingRole role, ConfigField field = {})
{
    return {id, Setup, name, Boolean, role, nullptr, def ? 1 : 0, field};
}

// The one declaration of every key: section, name, type, default and the record field.
const std::array<SettingInfo, size_t(SettingKey::Count)> Table = {{
    text(Editor, "Editor", nullptr, Behaviour, &C::Editor),  // nullptr: the platform's editor
    text(Path, "Path", "", Behaviour, &C::Path),
    text(Email, "Email", "guest@example.com", Behaviour, &C::Email),
    number(Delay, "Delay", 30, Behaviour, &C::Delay),
    number(Retry, "Retry", 10, Behaviour, &C::Retry),
    number(RetryDelay, "RetryDelay", 0, Behaviour, &C::RetryDelay),
    text(Viewer, "Viewer", "", Behaviour, &C::Viewer),
    flag(DefaultViewer, "DefaultViewer", true, Behaviour, &C::DefaultViewer),
    number(XferOption, "XferOption", 0, Behaviour, &C::XferOption),
    flag(FreeSpace, "FreeSpace", true, Behaviour, &C::FreeSpace),
    flag(ShowHidden, "ShowHidden", false, Behaviour, &C::ShowHidden),
    flag(AutoSave, "AutoSave", true, Behaviour, &C::AutoSave),
    flag(UsePasv, "UsePasv", true, Behaviour, &C::UsePasv),
    flag(ConfirmDel, "ConfirmDel", true, Behaviour, &C::ConfirmDel),
    flag(ExitWarn, "ExitWarn", true, Behaviour, &C::ExitWarn),
    flag(ConfirmQueue, "ConfirmQueue", true, Behaviour, &C::ConfirmQueue),
    flag(ConfirmMove, "ConfirmMove", true, Behaviour, &C::ConfirmMove),
    number(IdleTime, "IdleTime", 45, Behaviour, &C::IdleTime),
    number(ResumeMode, "ResumeMode", 0, Behaviour, &C::ResumeMode),
    number(UploadMode, "UploadMode", 0, Behaviour, &C::UploadMode),
    flag(PreserveDate, "PreserveDate", false, Behaviour, &C::PreserveDate),
    flag(RestoreState, "RestoreState", true, Behaviour, &C::RestoreState),
    flag(ShowMessages, "ShowMessages", true, Behaviour, &C::ShowMessages),
    flag(MessageWin, "MessageWin", true, Behaviour, &C::MessageWin),
    flag(ShowDirMessage, "ShowDirMessage", true, Mirror),  // copy of MessageWin
    flag(EnableProxy, "EnableProxy", false, Behaviour, &C::EnableProxy),
    number(ProxyMode, "ProxyMode", 0, Behaviour, &C::ProxyMode),
    text(ProxyHost, "ProxyHost", "", View),
    number(ProxyPort, "ProxyPort", 21, View),
    text(ProxyUser, "ProxyUser", "", View),
    {ProxyPass, Setup, "ProxyPass", Password, View, "", 0, {}},
    text(LogFile, "LogFile", "", View),
    flag(Log, "Log", false, Behaviour, &C::Log),
    text(DDEService, "DDEService", "", Behaviour, &C::DDEService),
    text(DDETopic, "DDETopic", "", Behaviour, &C::DDETopic),
    text(DDECommand, "DDECommand", "", Behaviour, &C::DDECommand),
    flag(DDEPrompt, "DDEPrompt", false, Behaviour, &C::DDEPrompt),
    flag(DDEFilter, "DDEFilter", false, Behaviour, &C::DDEFilter),
    flag(DDEShow, "DDEShow", true, Behaviour, &C::DDEShow),
    flag(Hide, "Hide", false, Behaviour, &C::Hide),
    flag(ReceiveRefresh, "ReceiveRefresh", true, Behaviour, &C::ReceiveRefresh),
    flag(AutoRefresh, "AutoRefresh", true, Behaviour, &C::AutoRefresh),
    number(AutoSort, "AutoSort", 0, Behaviour, &C::AutoSort),
    flag(AlphaSort, "AlphaSort", false, Behaviour, &C::AlphaSort),
    flag(LocalAutoSize, "LocalAutoSize", true, Behaviour, &C::LocalAutoSize),
    flag(RemoteAutoSize, "RemoteAutoSize", true, Behaviour, &C::RemoteAutoSize),
    number(ConnectSound, "ConnectSound", 0, Behaviour, &C::ConnectSound),
    number(TransferSound, "TransferSound", 0, Behaviour, &C::TransferSound),
    text(ConnectWav, "ConnectWav", "", Behaviour, &C::ConnectWav),
    text(TransferWav, "TransferWav", "", Behaviour, &C::TransferWav),
    // The field is Antiidle; the file has always spelled the key AntiIdle (names ignore case).
    flag(Antiidle, "AntiIdle", true, Behaviour, &C::Antiidle),
    flag(ShowSiteManager, "ShowSiteManager", false, Behaviour, &C::ShowSiteManager),
    number(DoubleClick, "DoubleClick", 0, Behaviour, &C::DoubleClick),
    number(ForceLowerCase, "ForceLowerCase", 0, Behaviour, &C::ForceLowerCase),
    flag(SkipNull, "SkipNull", false, Behaviour, &C::SkipNull),
    flag(SkipDir, "SkipDir", false, Behaviour, &C::SkipDir),
    flag(ShowCps, "ShowCps", false, Behaviour, &C::ShowCps),
    number(BuffSize, "BuffSize", 200, HandEdited),
    flag(HideHeader, "HideHeader", false, View),
    flag(SelectLine, "SelectLine", false, View),
    text(FontName, "FontName", "MS Sans Serif", View),
    number(FontSize, "FontSize", 8, View),

    number(Top, "Top", NoFixedDefault, Layout),
    number(Left, "Left", NoFixedDefault, Layout),
    number(Width, "Width", NoFixedDefault, Layout),
    number(Height, "Height", NoFixedDefault, Layout),
    number(WindowState, "WindowState", 3, Layout),
    number(RemoteSize, "RemoteSize", NoFixedDefault, Layout),
    number(QueueSize, "QueueSize", NoFixedDefault, Layout),
    number(ServerSize, "ServerSize", 80, Layout),
    flag(QueueVisible, "QueueVisible", true, Layout),
    flag(ShowQueue, "ShowQueue", true, Layout),
    flag(ShowToolbar, "ShowToolbar", true, Layout),
    flag(ShowInfoPanel, "ShowInfoPanel", true, Layout),
    flag(ResolveFile, "ResolveFile", false, Layout),
    flag(ShowLinks, "ShowLinks", true, Layout),
    number(RemoteIcon, "RemoteIcon", 3, Layout),
    number(LocalIcon, "LocalIcon", 3, Layout),
    text(Version, "Version", "2.50", Layout),  // written at exit, read by nobody

    {SkipEnabled, "Skip", "Enabled", Boolean, Other, nullptr, 0, {}},
    {QueueSite, "Queue", "Site", String, Other, "", 0, {}},
}};

struct ListInfo {
    const char* section;
    const char* prefix;
};
constexpr ListInfo Lists[] = {
    {"History", "h"}, {"Extensions", "e"}, {"Rename", "r"}, {"Skip", "s"}, {"Proxy", "p"}, {"Editors", "e"},
};

const SettingInfo& checked(SettingKey key, SettingType type)
{
    const SettingInfo& info = settingInfo(key);
    Q_ASSERT(info.type == type || (type == String && info.type == Password));
    return info;
}

QString section(const SettingInfo& info)
{
    return QString::fromLatin1(info.section);
}

QString name(const SettingInfo& info)
{
    return QString::fromLatin1(info.name);
}

}  // namespace

const SettingInfo& settingInfo(SettingKey key)
{
    const SettingInfo& info = Table[size_t(key)];
    Q_ASSERT(info.id == key);  // the table is in the enumeration's order
    return info;
}

std::span<const SettingInfo> allSettings()
{
    return Table;
}

QString defaultEditor()
{
    static const QString editor = [] {
        const char* candidates[] = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                    "pluma", "xed", "featherpad", "geany", "leafpad"};
        for (const char* candidate : candidates) {
            if (!QStandardPaths::findExecutable(QString::fromLatin1(candidate)).isEmpty())
                return QString::fromLatin1(candidate);
        }
        return QStringLiteral("xdg-open");
    }();
    return editor;
}

QString defaultText(const SettingInfo& info)
{
    return info.text ? QString::fromLatin1(info.text) : defaultEditor();
}

QString readText(const IniDocument& doc, SettingKey key)
{
    const SettingInfo& info = checked(key, String);
    if (info.type == Password) {
        if (!doc.valueExists(section(info), name(info)))
            return defaultText(info);
        return StoredPassword(doc.readBytes(section(info), name(info)));
    }
    return doc.readString(section(info), name(info), defaultText(info));
}

int readNumber(const IniDocument& doc, SettingKey key)
{
    const SettingInfo& info = checked(key, Integer);
    Q_ASSERT(info.number != NoFixedDefault);
    return doc.readInteger(section(info), name(info), info.number);
}

int readNumber(const IniDocument& doc, SettingKey key, int fallback)
{
    const SettingInfo& info = checked(key, Integer);
    return doc.readInteger(section(info), name(info), fallback);
}

bool readFlag(const IniDocument& doc, SettingKey key)
{
    const SettingInfo& info = checked(key, Boolean);
    return doc.readBool(section(info), name(info), info.number != 0);
}

void writeText(IniDocument& doc, SettingKey key, const QString& value)
{
    const SettingInfo& info = checked(key, String);
    if (info.type == Password)
        doc.writeBytes(section(info), name(info), ScramblePassword(value));
    else
        doc.writeString(section(info), name(info), value);
}

void writeNumber(IniDocument& doc, SettingKey key, int value)
{
    const SettingInfo& info = checked(key, Integer);
    doc.writeInteger(section(info), name(info), value);
}

void writeFlag(IniDocument& doc, SettingKey key, bool value)
{
    const SettingInfo& info = checked(key, Boolean);
    doc.writeBool(section(info), name(info), value);
}

void writeAsTyped(IniDocument& doc, SettingKey key, const QString& typed)
{
    const SettingInfo& info = settingInfo(key);
    doc.writeString(section(info), name(info), typed);
}

QString listSection(SettingList list)
{
    return QString::fromLatin1(Lists[int(list)].section);
}

QString listPrefix(SettingList list)
{
    return QString::fromLatin1(Lists[int(list)].prefix);
}

QStringList readList(const IniDocument& doc, SettingList list)
{
    return doc.readList(listSection(list), listPrefix(list));
}

void writeList(IniDocument& doc, SettingList list, const QStringList& entries)
{
    doc.writeList(listSection(list), listPrefix(list), entries);
}

void readRecord(const IniDocument& doc, ConfigData& config)
{
    for (const SettingInfo& info : Table) {
        if (info.role != Behaviour)
            continue;
        std::visit(
            [&](auto field) {
                using Field = decltype(field);
                if constexpr (std::is_same_v<Field, QString ConfigData::*>)
                    config.*field = readText(doc, info.id);
                else if constexpr (std::is_same_v<Field, qint32 ConfigData::*>)
                    config.*field = readNumber(doc, info.id);
                else if constexpr (std::is_same_v<Field, bool ConfigData::*>)
                    config.*field = readFlag(doc, info.id);
            },
            info.field);
    }
}

ConfigData::ConfigData()
{
    readRecord(IniDocument(), *this);
}
