#include "settings/settings.h"

#include "platform/core/inifile.h"
#include "settings/settingskeys.h"

void LoadSettings(const IniDocument& doc, Settings& settings, QStringList& noProxyHost)
{
    readRecord(doc, settings.config);
    settings.SkipEnabled = readFlag(doc, SettingKey::SkipEnabled);

    settings.AsciiExtensions.clear();
    for (const QString& entry : readList(doc, SettingList::Extensions)) {
        // ".txt" is meant as a mask; a lone "." stays what it is.
        if (entry.size() > 1 && entry.startsWith(QLatin1Char('.')))
            settings.AsciiExtensions << QLatin1Char('*') + entry;
        else
            settings.AsciiExtensions << entry;
    }
    settings.RenameRules = readList(doc, SettingList::Rename);
    settings.SkipList = readList(doc, SettingList::Skip);
    noProxyHost = readList(doc, SettingList::Proxy);
}

void LoadSettings(const IniFile& ini, Settings& settings, QStringList& noProxyHost)
{
    LoadSettings(*ini.read(), settings, noProxyHost);
}

ViewSettings readViewSettings(const IniDocument& doc)
{
    ViewSettings view;
    view.ProxyHost = readText(doc, SettingKey::ProxyHost);
    view.ProxyPort = readNumber(doc, SettingKey::ProxyPort);
    // A port the network cannot carry (70000 would wrap to 4464) stands for the default.
    if (view.ProxyPort < 1 || view.ProxyPort > 65535)
        view.ProxyPort = settingInfo(SettingKey::ProxyPort).number;
    view.ProxyUser = readText(doc, SettingKey::ProxyUser);
    view.ProxyPass = readText(doc, SettingKey::ProxyPass);
    view.LogFile = readText(doc, SettingKey::LogFile);
    view.BuffSize = readNumber(doc, SettingKey::BuffSize);
    view.HideHeader = readFlag(doc, SettingKey::HideHeader);
    view.SelectLine = readFlag(doc, SettingKey::SelectLine);
    view.FontName = readText(doc, SettingKey::FontName);
    view.FontSize = readNumber(doc, SettingKey::FontSize);
    return view;
}

ConsoleViewSettings consoleViewSettings(const ViewSettings& view)
{
    return {view.BuffSize, view.FontName, view.FontSize};
}

QList<EditorRule> readEditorRules(const IniDocument& doc)
{
    QList<EditorRule> rules;
    for (const QString& entry : readList(doc, SettingList::Editors)) {
        const qsizetype comma = entry.indexOf(QLatin1Char(','));
        if (comma < 0)
            rules.append({QString(), entry});
        else
            rules.append({entry.left(comma), entry.mid(comma + 1)});
    }
    return rules;
}

QString editorForFile(const IniDocument& doc, const QString& fileName)
{
    const QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    const QString extension = name.mid(dot).toUpper();
    for (const EditorRule& rule : readEditorRules(doc)) {
        if (rule.extensions.toUpper().contains(extension))
            return rule.program;
    }
    return {};
}
