#pragma once

#include "settings/settings.h"

#include <QObject>
#include <memory>

class IniFile;

// The settings of the running program: "orvoftp.ini", the record read from it and the
// values that live beside the record. Whoever changes the file (the preferences window)
// calls reload(); everyone who applied a setting (the sessions, consoles, views) listens to
// changed() and applies it again.
class SettingsStore : public QObject
{
    Q_OBJECT

public:
    // Opens `fileName` (it need not exist yet) and reads it.
    explicit SettingsStore(const QString& fileName, QObject* parent = nullptr);
    ~SettingsStore() override;

    IniFile& file() { return *m_file; }
    const IniFile& file() const { return *m_file; }
    // True when the file did not exist when the store was opened: the program's first start.
    bool firstRun() const { return m_firstRun; }

    Settings& prefs() { return m_prefs; }
    const Settings& prefs() const { return m_prefs; }
    ConfigData& config() { return m_prefs.config; }
    const ConfigData& config() const { return m_prefs.config; }
    const ViewSettings& view() const { return m_view; }
    // The hosts reached without the proxy ([Proxy]).
    const QStringList& noProxyHosts() const { return m_noProxyHosts; }

    // Reads the file again and announces it.
    void reload();

signals:
    void changed();

private:
    void read();

    std::unique_ptr<IniFile> m_file;
    bool m_firstRun = false;
    Settings m_prefs;
    ViewSettings m_view;
    QStringList m_noProxyHosts;
};
