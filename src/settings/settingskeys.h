#pragma once

#include "settings/configdata.h"

#include <QString>
#include <span>
#include <variant>

class IniDocument;

// Every key of "orvoftp.ini" this program reads or writes, declared once with its section,
// type and default in the table of settingskeys.cpp. Readers and writers go through it.
// The first group is in the order the preferences window writes [Setup].
enum class SettingKey : int {
    Editor, Path, Email, Delay, Retry, RetryDelay, Viewer, DefaultViewer, XferOption, FreeSpace,
    ShowHidden, AutoSave, UsePasv, ConfirmDel, ExitWarn, ConfirmQueue, ConfirmMove, IdleTime,
    ResumeMode, UploadMode, PreserveDate, RestoreState, ShowMessages, MessageWin, ShowDirMessage,
    EnableProxy, ProxyMode, ProxyHost, ProxyPort, ProxyUser, ProxyPass, LogFile, Log, DDEService,
    DDETopic, DDECommand, DDEPrompt, DDEFilter, DDEShow, Hide, ReceiveRefresh, AutoRefresh,
    AutoSort, AlphaSort, LocalAutoSize, RemoteAutoSize, ConnectSound, TransferSound, ConnectWav,
    TransferWav, Antiidle, ShowSiteManager, DoubleClick, ForceLowerCase, SkipNull, SkipDir, ShowCps,
    BuffSize, HideHeader, SelectLine, FontName, FontSize,
    // [Setup] window layout
    Top, Left, Width, Height, WindowState, RemoteSize, QueueSize, ServerSize, QueueVisible,
    ShowQueue, ShowToolbar, ShowInfoPanel, ResolveFile, ShowLinks, RemoteIcon, LocalIcon, Version,
    // other sections
    SkipEnabled, QueueSite,
    Count
};

enum class SettingType : quint8 {
    String,
    Integer,
    Boolean,
    Password,  // a string stored scrambled
};

enum class SettingRole : quint8 {
    Behaviour,   // in ConfigData; read by LoadSettings, written by the preferences window
    View,        // not in ConfigData: engine, console and views; written by the preferences window
    HandEdited,  // a view key the preferences window does not write (BuffSize)
    Mirror,      // written by the preferences window, read by nobody (ShowDirMessage)
    Layout,      // window layout: read at start-up, written at exit
    Other,
};

using ConfigField = std::variant<std::monostate, QString ConfigData::*, qint32 ConfigData::*, bool ConfigData::*>;

struct SettingInfo {
    SettingKey id;
    const char* section;
    const char* name;
    SettingType type;
    SettingRole role;
    const char* text;  // default of a string key; nullptr for the platform's editor
    int number;        // default of an integer or boolean key
    ConfigField field;
};

// Integer layout keys whose default is the window's current value (Top, RemoteSize, ...).
inline constexpr int NoFixedDefault = -0x7fffffff;

const SettingInfo& settingInfo(SettingKey key);
std::span<const SettingInfo> allSettings();

// The default of a string key.
QString defaultText(const SettingInfo& info);
// The first common desktop text editor found on PATH, else "xdg-open".
QString defaultEditor();

// Typed access through the table (the section and name of `key`, its default when absent).
QString readText(const IniDocument& doc, SettingKey key);  // a Password key: StoredPassword()
int readNumber(const IniDocument& doc, SettingKey key);
int readNumber(const IniDocument& doc, SettingKey key, int fallback);  // NoFixedDefault keys
bool readFlag(const IniDocument& doc, SettingKey key);
void writeText(IniDocument& doc, SettingKey key, const QString& value);  // scrambles a Password key
void writeNumber(IniDocument& doc, SettingKey key, int value);
void writeFlag(IniDocument& doc, SettingKey key, bool value);
// Text typed into a numeric field, stored as it stands under any key.
void writeAsTyped(IniDocument& doc, SettingKey key, const QString& typed);

// Numbered lists.
enum class SettingList { History, Extensions, Rename, Skip, Proxy, Editors };
QStringList readList(const IniDocument& doc, SettingList list);
// Erases the list's section and writes the non-empty entries 1..N.
void writeList(IniDocument& doc, SettingList list, const QStringList& entries);
QString listSection(SettingList list);
QString listPrefix(SettingList list);

// Every Behaviour key into / out of the record.
void readRecord(const IniDocument& doc, ConfigData& config);
