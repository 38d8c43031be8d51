#pragma once

#include "settings/configdata.h"
#include "settings/settings.h"

#include <QList>
#include <QStringList>
#include <optional>

class IniDocument;
class IniFile;

// What the preferences window's "OK" stores, taken from its controls.
struct PreferencesValues {
    ConfigData config;  // every behaviour key
    ViewSettings view;  // proxy, log file, headers, row selection, font (BuffSize is not written)

    // The numeric text fields are stored as typed, so that an entry that is not a number
    // reads back as the key's default. Unset: the number in `config` / `view` is written.
    struct Typed {
        std::optional<QString> Delay, Retry, RetryDelay, IdleTime, ProxyPort;
    } typed;

    bool SkipEnabled = false;
    QStringList SkipList;
    QList<EditorRule> Editors;
    QStringList NonProxyHosts;  // one per line of the memo; blank lines are dropped, the others trimmed
};

// The window's starting values: the record, the engine's current proxy and log values
// (`engineView`), and the lists and view keys as the file holds them now.
PreferencesValues preferencesFromSettings(const IniDocument& doc, const Settings& settings,
                                          const ViewSettings& engineView, const QStringList& noProxyHost);

// Rewrites the preferences in one atomic step, in this order: erase [Setup]; every
// behaviour key except BuffSize (plus ShowDirMessage = MessageWin); erase [Skip], [Editors]
// and [Proxy]; [Proxy] p1..pN; [Skip] s1..sN; [Editors] e1..eN; [Skip] Enabled. The window
// layout keys and BuffSize are gone from the file afterwards until the exit writes the
// layout again. The caller then runs LoadSettings (SettingsStore::reload). Throws IniError
// (nothing written) when the file cannot be written, AppError for a proxy password that
// cannot be stored.
void writePreferences(IniFile& ini, const PreferencesValues& values);
void writePreferences(IniDocument& doc, const PreferencesValues& values);
