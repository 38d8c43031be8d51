#include "settings/layout.h"

#include "platform/core/inidocument.h"
#include "settings/settingskeys.h"

WindowLayout readWindowLayout(const IniDocument& doc, const WindowLayout& current)
{
    using K = SettingKey;
    WindowLayout layout;
    layout.Top = readNumber(doc, K::Top, current.Top);
    layout.Left = readNumber(doc, K::Left, current.Left);
    layout.Width = readNumber(doc, K::Width, current.Width);
    layout.Height = readNumber(doc, K::Height, current.Height);
    layout.WindowState = readNumber(doc, K::WindowState);
    layout.RemoteSize = readNumber(doc, K::RemoteSize, current.RemoteSize);
    layout.QueueSize = readNumber(doc, K::QueueSize, current.QueueSize);
    layout.ServerSize = readNumber(doc, K::ServerSize);
    if (layout.ServerSize == 0)
        layout.ServerSize = 100;
    layout.QueueVisible = readFlag(doc, K::QueueVisible);
    layout.ShowQueue = readFlag(doc, K::ShowQueue);
    layout.ShowToolbar = readFlag(doc, K::ShowToolbar);
    layout.ShowInfoPanel = readFlag(doc, K::ShowInfoPanel);
    layout.ResolveFile = readFlag(doc, K::ResolveFile);
    layout.ShowLinks = readFlag(doc, K::ShowLinks);
    layout.RemoteIcon = readNumber(doc, K::RemoteIcon);
    layout.LocalIcon = readNumber(doc, K::LocalIcon);
    return layout;
}

void writeWindowLayout(IniDocument& doc, const WindowLayout& layout, bool normalState)
{
    using K = SettingKey;
    if (normalState) {
        writeNumber(doc, K::Top, layout.Top);
        writeNumber(doc, K::Left, layout.Left);
        writeNumber(doc, K::Width, layout.Width);
        writeNumber(doc, K::Height, layout.Height);
    }
    writeText(doc, K::Version, defaultText(settingInfo(K::Version)));
    writeNumber(doc, K::WindowState, layout.WindowState);
    writeNumber(doc, K::RemoteSize, layout.RemoteSize);
    writeNumber(doc, K::ServerSize, layout.ServerSize);
    writeNumber(doc, K::RemoteIcon, layout.RemoteIcon);
    writeNumber(doc, K::LocalIcon, layout.LocalIcon);
    writeFlag(doc, K::ShowLinks, layout.ShowLinks);
    writeFlag(doc, K::ShowQueue, layout.ShowQueue);
    writeFlag(doc, K::ShowToolbar, layout.ShowToolbar);
    writeFlag(doc, K::ShowInfoPanel, layout.ShowInfoPanel);
    writeFlag(doc, K::QueueVisible, layout.QueueVisible);
    writeNumber(doc, K::QueueSize, layout.QueueSize);
    writeFlag(doc, K::ResolveFile, layout.ResolveFile);
}

int windowStateForExit(Qt::WindowStates states, bool active, bool hiddenToTray)
{
    if (hiddenToTray)
        return 2;
    if (states & Qt::WindowMinimized)
        return 0;
    if (states & Qt::WindowMaximized)
        return 2;
    return active ? 1 : 2;
}

QStringList readHistory(const IniDocument& doc)
{
    return readList(doc, SettingList::History);
}

void writeHistory(IniDocument& doc, const QStringList& items)
{
    writeList(doc, SettingList::History, items);
}

QString readQueueSite(const IniDocument& doc)
{
    return readText(doc, SettingKey::QueueSite);
}

void writeQueueSite(IniDocument& doc, const QString& site)
{
    if (site.isEmpty()) {
        eraseQueue(doc);
        return;
    }
    writeText(doc, SettingKey::QueueSite, site);
}

void eraseQueue(IniDocument& doc)
{
    doc.eraseSection(QString::fromLatin1(settingInfo(SettingKey::QueueSite).section));
}
