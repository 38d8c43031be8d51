#pragma once

#include <QString>
#include <QStringList>

// The in-memory settings record: one field per behaviour key of [Setup] in "orvoftp.ini",
// under the key's name and with its type (the key table is in settingskeys.cpp). A
// default-constructed record holds every key's default. The proxy, log-file, console and
// font keys are not in it: they go straight to the engine and the controls (ViewSettings).
struct ConfigData {
    ConfigData();

    bool EnableProxy{};
    qint32 ProxyMode{};
    bool UsePasv{};
    bool Hide{};
    QString Editor;
    QString Path;
    bool FreeSpace{};
    QString Email;
    QString Viewer;
    qint32 XferOption{};
    bool DefaultViewer{};
    qint32 Delay{};
    qint32 Retry{};
    bool ShowHidden{};
    bool AutoSave{};
    bool ConfirmMove{};
    bool ReceiveRefresh{};
    bool ConfirmDel{};
    bool ExitWarn{};
    bool ConfirmQueue{};
    qint32 IdleTime{};
    qint32 ResumeMode{};
    qint32 UploadMode{};
    bool ShowCps{};
    QString DDEService;
    QString DDETopic;
    QString DDECommand;
    bool DDEFilter{};
    bool DDEPrompt{};
    bool DDEShow{};
    bool ShowMessages{};
    bool MessageWin{};
    bool AlphaSort{};
    qint32 AutoSort{};
    bool LocalAutoSize{};
    bool RemoteAutoSize{};
    qint32 ConnectSound{};
    qint32 TransferSound{};
    QString ConnectWav;
    QString TransferWav;
    bool Log{};
    bool AutoRefresh{};
    bool Antiidle{};
    bool ShowSiteManager{};
    qint32 RetryDelay{};
    qint32 DoubleClick{};
    qint32 ForceLowerCase{};
    bool RestoreState{};
    bool SkipNull{};
    bool SkipDir{};
    bool PreserveDate{};

    bool operator==(const ConfigData&) const = default;
};

// The process-wide preferences: the record and what lives beside it. The fourth list of
// [Proxy] belongs to the engine (TFtp::NoProxyHost).
struct Settings {
    ConfigData config;
    bool SkipEnabled = false;     // [Skip] Enabled
    QStringList AsciiExtensions;  // [Extensions], ".txt" already made "*.txt"
    QStringList RenameRules;      // [Rename], "ext,newext"
    QStringList SkipList;         // [Skip] s1..sN

    bool operator==(const Settings&) const = default;
};
