#include "settings/preferences.h"

#include "platform/core/inifile.h"
#include "settings/settingskeys.h"

namespace {

void writeTyped(IniDocument& doc, SettingKey key, const std::optional<QString>& typed, int number)
{
    if (typed)
        writeAsTyped(doc, key, *typed);
    else
        writeNumber(doc, key, number);
}

void writeViewKey(IniDocument& doc, const SettingInfo& info, const PreferencesValues& v)
{
    switch (info.id) {
    case SettingKey::ProxyHost: writeText(doc, info.id, v.view.ProxyHost); break;
    case SettingKey::ProxyPort: writeTyped(doc, info.id, v.typed.ProxyPort, v.view.ProxyPort); break;
    case SettingKey::ProxyUser: writeText(doc, info.id, v.view.ProxyUser); break;
    case SettingKey::ProxyPass: writeText(doc, info.id, v.view.ProxyPass); break;
    case SettingKey::LogFile: writeText(doc, info.id, v.view.LogFile); break;
    case SettingKey::HideHeader: writeFlag(doc, info.id, v.view.HideHeader); break;
    case SettingKey::SelectLine: writeFlag(doc, info.id, v.view.SelectLine); break;
    case SettingKey::FontName: writeText(doc, info.id, v.view.FontName); break;
    case SettingKey::FontSize: writeNumber(doc, info.id, v.view.FontSize); break;
    default: Q_ASSERT_X(false, "writePreferences", info.name);
    }
}

void writeBehaviourKey(IniDocument& doc, const SettingInfo& info, const PreferencesValues& v)
{
    const ConfigData& c = v.config;
    switch (info.id) {
    case SettingKey::Delay: return writeTyped(doc, info.id, v.typed.Delay, c.Delay);
    case SettingKey::Retry: return writeTyped(doc, info.id, v.typed.Retry, c.Retry);
    case SettingKey::RetryDelay: return writeTyped(doc, info.id, v.typed.RetryDelay, c.RetryDelay);
    case SettingKey::IdleTime: return writeTyped(doc, info.id, v.typed.IdleTime, c.IdleTime);
    default: break;
    }
    std::visit(
        [&](auto field) {
            using Field = decltype(field);
            if constexpr (std::is_same_v<Field, QString ConfigData::*>)
                writeText(doc, info.id, c.*field);
            else if constexpr (std::is_same_v<Field, qint32 ConfigData::*>)
                writeNumber(doc, info.id, c.*field);
            else if constexpr (std::is_same_v<Field, bool ConfigData::*>)
                writeFlag(doc, info.id, c.*field);
        },
        info.field);
}

}  // namespace

PreferencesValues preferencesFromSettings(const IniDocument& doc, const Settings& settings,
                                          const ViewSettings& engineView, const QStringList& noProxyHost)
{
    PreferencesValues values;
    values.config = settings.config;
    values.view = readViewSettings(doc);
    values.view.ProxyHost = engineView.ProxyHost;
    values.view.ProxyPort = engineView.ProxyPort;
    values.view.ProxyUser = engineView.ProxyUser;
    values.view.ProxyPass = engineView.ProxyPass;
    values.view.LogFile = engineView.LogFile;
    values.SkipEnabled = settings.SkipEnabled;
    values.SkipList = settings.SkipList;
    values.Editors = readEditorRules(doc);
    values.NonProxyHosts = noProxyHost;
    return values;
}

void writePreferences(IniDocument& doc, const PreferencesValues& values)
{
    const QString setup = QString::fromLatin1(settingInfo(SettingKey::Editor).section);
    doc.eraseSection(setup);
    for (const SettingInfo& info : allSettings()) {
        switch (info.role) {
        case SettingRole::Behaviour: writeBehaviourKey(doc, info, values); break;
        case SettingRole::View: writeViewKey(doc, info, values); break;
        case SettingRole::Mirror: writeFlag(doc, info.id, values.config.MessageWin); break;
        case SettingRole::HandEdited:
        case SettingRole::Layout:
        case SettingRole::Other: break;
        }
    }

    doc.eraseSection(listSection(SettingList::Skip));
    doc.eraseSection(listSection(SettingList::Editors));
    doc.eraseSection(listSection(SettingList::Proxy));

    // Every host typed is kept, short names ("intra", "ftp.io") included: a dropped line
    // would send that host through the proxy. Blank lines would end the list.
    QStringList hosts;
    for (const QString& line : values.NonProxyHosts) {
        const QString host = line.trimmed();
        if (!host.isEmpty())
            hosts << host;
    }
    writeList(doc, SettingList::Proxy, hosts);
    writeList(doc, SettingList::Skip, values.SkipList);
    QStringList editors;
    for (const EditorRule& rule : values.Editors)
        editors << rule.extensions + QLatin1Char(',') + rule.program;
    writeList(doc, SettingList::Editors, editors);
    writeFlag(doc, SettingKey::SkipEnabled, values.SkipEnabled);
}

void writePreferences(IniFile& ini, const PreferencesValues& values)
{
    ini.edit([&](IniDocument& doc) { writePreferences(doc, values); });
}
