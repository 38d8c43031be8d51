#include "settings/settingsstore.h"

#include "platform/core/inifile.h"

SettingsStore::SettingsStore(const QString& fileName, QObject* parent)
    : QObject(parent)
    , m_file(std::make_unique<IniFile>(fileName))
    , m_firstRun(!m_file->exists())
{
    read();
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::read()
{
    const auto doc = m_file->read();
    LoadSettings(*doc, m_prefs, m_noProxyHosts);
    m_view = readViewSettings(*doc);
}

void SettingsStore::reload()
{
    read();
    emit changed();
}
