#include "platform/core/inifile.h"
#include "settings/layout.h"
#include "settings/scramble.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"
#include "settings/settingskeys.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// "orvoftp.ini" as a user would carry it over: CRLF lines, keys in the older spelling and
// order, every behaviour key away from its default.
QByteArray carriedOverSettings()
{
    QByteArray proxyPass(1, ScrambleMarker);
    for (const char c : QByteArray("fw-secret"))
        proxyPass += char(c + ScrambleOffset) + QByteArray("7");
    return QByteArray("[Setup]\r\n"
                      "Editor=/usr/bin/vim\r\n"
                      "Path=/home/joe/ftp\r\n"
                      "Email=joe@example.org\r\n"
                      "Delay=60\r\n"
                      "Retry=0x0A\r\n"
                      "RetryDelay=5\r\n"
                      "Viewer=/usr/bin/less\r\n"
                      "DefaultViewer=0\r\n"
                      "XferOption=3\r\n"
                      "FreeSpace=0\r\n"
                      "ShowHidden=1\r\n"
                      "AutoSave=0\r\n"
                      "UsePasv=0\r\n"
                      "ConfirmDel=0\r\n"
                      "ExitWarn=0\r\n"
                      "ConfirmQueue=0\r\n"
                      "ConfirmMove=0\r\n"
                      "IdleTime=120\r\n"
                      "ResumeMode=1\r\n"
                      "UploadMode=2\r\n"
                      "PreserveDate=1\r\n"
                      "RestoreState=0\r\n"
                      "ShowMessages=0\r\n"
                      "MessageWin=0\r\n"
                      "ShowDirMessage=0\r\n"
                      "EnableProxy=1\r\n"
                      "ProxyMode=2\r\n"
                      "ProxyHost=fw.example.org\r\n"
                      "ProxyPort=1080\r\n"
                      "ProxyUser=fwuser\r\n"
                      "ProxyPass=" + proxyPass + "\r\n"
                      "LogFile=/tmp/orvoftp.log\r\n"
                      "Log=1\r\n"
                      "DDEService=Svc\r\n"
                      "DDETopic=Topic\r\n"
                      "DDECommand=Cmd\r\n"
                      "DDEPrompt=1\r\n"
                      "DDEFilter=1\r\n"
                      "DDEShow=0\r\n"
                      "Hide=1\r\n"
                      "ReceiveRefresh=0\r\n"
                      "AutoRefresh=0\r\n"
                      "AutoSort=2\r\n"
                      "AlphaSort=1\r\n"
                      "LocalAutoSize=0\r\n"
                      "RemoteAutoSize=0\r\n"
                      "ConnectSound=6\r\n"
                      "TransferSound=4\r\n"
                      "ConnectWav=/snd/connect.wav\r\n"
                      "TransferWav=/snd/done.wav\r\n"
                      "Antiidle=0\r\n"
                      "ShowSiteManager=1\r\n"
                      "DoubleClick=3\r\n"
                      "ForceLowerCase=2\r\n"
                      "SkipNull=1\r\n"
                      "SkipDir=1\r\n"
                      "ShowCps=1\r\n"
                      "BuffSize=500\r\n"
                      "HideHeader=1\r\n"
                      "SelectLine=1\r\n"
                      "FontName=DejaVu Sans\r\n"
                      "FontSize=10\r\n"
                      "Top=10\r\n"
                      "Left=20\r\n"
                      "Width=800\r\n"
                      "Height=600\r\n"
                      "WindowState=1\r\n"
                      "RemoteSize=400\r\n"
                      "QueueSize=300\r\n"
                      "ServerSize=0\r\n"
                      "QueueVisible=0\r\n"
                      "ShowQueue=0\r\n"
                      "ShowToolbar=0\r\n"
                      "ShowInfoPanel=0\r\n"
                      "ResolveFile=1\r\n"
                      "ShowLinks=0\r\n"
                      "RemoteIcon=1\r\n"
                      "LocalIcon=2\r\n"
                      "Version=2.50\r\n"
                      "[History]\r\n"
                      "h1=ftp.example.org\r\n"
                      "h2=files.example.net:joe:pw:2121\r\n"
                      "[Queue]\r\n"
                      "Site=Work\r\n"
                      "[Extensions]\r\n"
                      "e1=.txt\r\n"
                      "e2=*.htm\r\n"
                      "e3=.\r\n"
                      "[Rename]\r\n"
                      "r1=htm,html\r\n"
                      "[Skip]\r\n"
                      "s1=*.bak\r\n"
                      "s2=thumbs.db\r\n"
                      "Enabled=1\r\n"
                      "[Proxy]\r\n"
                      "p1=*.example.org\r\n"
                      "p2=intranet*\r\n"
                      "[Editors]\r\n"
                      "e1=.htm;.html,/usr/bin/bluefish\r\n");
}

IniDocument carriedOver()
{
    return IniDocument::parse(carriedOverSettings());
}

TEST(LoadSettings, ACarriedOverFileReadsFieldByField)
{
    Settings s;
    QStringList noProxy{"stale"};
    LoadSettings(carriedOver(), s, noProxy);
    const ConfigData& c = s.config;
    EXPECT_EQ(c.Editor, "/usr/bin/vim");
    EXPECT_EQ(c.Path, "/home/joe/ftp");
    EXPECT_EQ(c.Email, "joe@example.org");
    EXPECT_EQ(c.Delay, 60);
    EXPECT_EQ(c.Retry, 10);
    EXPECT_EQ(c.RetryDelay, 5);
    EXPECT_EQ(c.Viewer, "/usr/bin/less");
    EXPECT_FALSE(c.DefaultViewer);
    EXPECT_EQ(c.XferOption, 3);
    EXPECT_FALSE(c.FreeSpace);
    EXPECT_TRUE(c.ShowHidden);
    EXPECT_FALSE(c.AutoSave);
    EXPECT_FALSE(c.UsePasv);
    EXPECT_FALSE(c.ConfirmDel);
    EXPECT_FALSE(c.ExitWarn);
    EXPECT_FALSE(c.ConfirmQueue);
    EXPECT_FALSE(c.ConfirmMove);
    EXPECT_EQ(c.IdleTime, 120);
    EXPECT_EQ(c.ResumeMode, 1);
    EXPECT_EQ(c.UploadMode, 2);
    EXPECT_TRUE(c.PreserveDate);
    EXPECT_FALSE(c.RestoreState);
    EXPECT_FALSE(c.ShowMessages);
    EXPECT_FALSE(c.MessageWin);
    EXPECT_TRUE(c.EnableProxy);
    EXPECT_EQ(c.ProxyMode, 2);
    EXPECT_TRUE(c.Log);
    EXPECT_EQ(c.DDEService, "Svc");
    EXPECT_EQ(c.DDETopic, "Topic");
    EXPECT_EQ(c.DDECommand, "Cmd");
    EXPECT_TRUE(c.DDEPrompt);
    EXPECT_TRUE(c.DDEFilter);
    EXPECT_FALSE(c.DDEShow);
    EXPECT_TRUE(c.Hide);
    EXPECT_FALSE(c.ReceiveRefresh);
    EXPECT_FALSE(c.AutoRefresh);
    EXPECT_EQ(c.AutoSort, 2);
    EXPECT_TRUE(c.AlphaSort);
    EXPECT_FALSE(c.LocalAutoSize);
    EXPECT_FALSE(c.RemoteAutoSize);
    EXPECT_EQ(c.ConnectSound, 6);
    EXPECT_EQ(c.TransferSound, 4);
    EXPECT_EQ(c.ConnectWav, "/snd/connect.wav");
    EXPECT_EQ(c.TransferWav, "/snd/done.wav");
    EXPECT_FALSE(c.Antiidle);
    EXPECT_TRUE(c.ShowSiteManager);
    EXPECT_EQ(c.DoubleClick, 3);
    EXPECT_EQ(c.ForceLowerCase, 2);
    EXPECT_TRUE(c.SkipNull);
    EXPECT_TRUE(c.SkipDir);
    EXPECT_TRUE(c.ShowCps);

    EXPECT_TRUE(s.SkipEnabled);
    EXPECT_EQ(s.AsciiExtensions, QStringList({"*.txt", "*.htm", "."}));
    EXPECT_EQ(s.RenameRules, QStringList({"htm,html"}));
    EXPECT_EQ(s.SkipList, QStringList({"*.bak", "thumbs.db"}));
    EXPECT_EQ(noProxy, QStringList({"*.example.org", "intranet*"}));

    const ViewSettings v = readViewSettings(carriedOver());
    EXPECT_EQ(v.ProxyHost, "fw.example.org");
    EXPECT_EQ(v.ProxyPort, 1080);
    EXPECT_EQ(v.ProxyUser, "fwuser");
    EXPECT_EQ(v.ProxyPass, "fw-secret");
    EXPECT_EQ(v.LogFile, "/tmp/orvoftp.log");
    EXPECT_EQ(v.BuffSize, 500);
    EXPECT_TRUE(v.HideHeader);
    EXPECT_TRUE(v.SelectLine);
    EXPECT_EQ(v.FontName, "DejaVu Sans");
    EXPECT_EQ(v.FontSize, 10);

    const WindowLayout l = readWindowLayout(carriedOver(), WindowLayout{});
    EXPECT_EQ(l.Top, 10);
    EXPECT_EQ(l.Left, 20);
    EXPECT_EQ(l.Width, 800);
    EXPECT_EQ(l.Height, 600);
    EXPECT_EQ(l.WindowState, 1);
    EXPECT_EQ(l.RemoteSize, 400);
    EXPECT_EQ(l.QueueSize, 300);
    EXPECT_EQ(l.ServerSize, 100);  // a stored 0
    EXPECT_FALSE(l.QueueVisible);
    EXPECT_FALSE(l.ShowQueue);
    EXPECT_FALSE(l.ShowToolbar);
    EXPECT_FALSE(l.ShowInfoPanel);
    EXPECT_TRUE(l.ResolveFile);
    EXPECT_FALSE(l.ShowLinks);
    EXPECT_EQ(l.RemoteIcon, 1);
    EXPECT_EQ(l.LocalIcon, 2);
    EXPECT_EQ(readHistory(carriedOver()), QStringList({"ftp.example.org", "files.example.net:joe:pw:2121"}));
    EXPECT_EQ(readQueueSite(carriedOver()), "Work");
    EXPECT_EQ(readEditorRules(carriedOver()), QList<EditorRule>({{".htm;.html", "/usr/bin/bluefish"}}));
}

TEST(SettingKeys, TheTableMatchesItsEnumerationAndRecord)
{
    const auto table = allSettings();
    ASSERT_EQ(table.size(), size_t(SettingKey::Count));
    int recordFields = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        const SettingInfo& info = table[i];
        EXPECT_EQ(int(info.id), int(i)) << info.name;
        // Exactly the behaviour keys live in the record, each with a field of its type.
        const bool hasField = !std::holds_alternative<std::monostate>(info.field);
        EXPECT_EQ(hasField, info.role == SettingRole::Behaviour) << info.name;
        SettingType fieldType = info.type;
        if (std::holds_alternative<QString ConfigData::*>(info.field))
            fieldType = SettingType::String;
        else if (std::holds_alternative<qint32 ConfigData::*>(info.field))
            fieldType = SettingType::Integer;
        else if (std::holds_alternative<bool ConfigData::*>(info.field))
            fieldType = SettingType::Boolean;
        EXPECT_EQ(fieldType, info.type) << info.name;
        recordFields += hasField ? 1 : 0;
        for (size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(QString::fromLatin1(info.name).compare(QString::fromLatin1(table[j].name), Qt::CaseInsensitive)
                             == 0
                         && qstrcmp(info.section, table[j].section) == 0)
                << "declared twice: " << info.name;
        }
    }
    EXPECT_EQ(recordFields, 51);
}

TEST(LoadSettings, AnEmptyFileGivesTheDefaults)
{
    Settings s;
    s.AsciiExtensions = {"old"};
    s.SkipEnabled = true;
    QStringList noProxy{"old"};
    LoadSettings(IniDocument(), s, noProxy);
    EXPECT_EQ(s, Settings());
    EXPECT_TRUE(noProxy.isEmpty());

    const ConfigData& c = s.config;
    EXPECT_EQ(c.Delay, 30);
    EXPECT_EQ(c.Retry, 10);
    EXPECT_EQ(c.IdleTime, 45);
    EXPECT_EQ(c.RetryDelay, 0);
    EXPECT_TRUE(c.UsePasv && c.DefaultViewer && c.FreeSpace && c.AutoSave && c.ConfirmDel && c.ExitWarn);
    EXPECT_TRUE(c.ConfirmQueue && c.ConfirmMove && c.RestoreState && c.ShowMessages && c.MessageWin);
    EXPECT_TRUE(c.DDEShow && c.ReceiveRefresh && c.AutoRefresh && c.LocalAutoSize && c.RemoteAutoSize);
    EXPECT_TRUE(c.Antiidle);
    EXPECT_FALSE(c.EnableProxy || c.Hide || c.ShowHidden || c.PreserveDate || c.Log || c.ShowCps);
    EXPECT_FALSE(c.Email.isEmpty());
    EXPECT_FALSE(c.Editor.isEmpty());
    EXPECT_TRUE(c.Path.isEmpty());
    EXPECT_EQ(readViewSettings(IniDocument()), ViewSettings());
}

TEST(LoadSettings, MalformedNumbersFallBackToTheirDefaults)
{
    Settings s;
    QStringList noProxy;
    LoadSettings(IniDocument::parse("[setup]\nretry=abc\nDELAY=\nIdleTime=0x1E\nUsePasv=yes\n"), s, noProxy);
    EXPECT_EQ(s.config.Retry, 10);
    EXPECT_EQ(s.config.Delay, 30);
    EXPECT_EQ(s.config.IdleTime, 30);
    EXPECT_TRUE(s.config.UsePasv);
}

// The store reads the proxy, log and console values beside the record, and announces a
// reload so that sessions and consoles apply them again.
TEST(SettingsStore, ReadsTheViewValuesAndAnnouncesReloads)
{
    QTemporaryDir dir;
    SettingsStore missing(dir.filePath("missing.ini"));
    EXPECT_TRUE(missing.firstRun());
    EXPECT_EQ(missing.view().ProxyPort, 21);
    EXPECT_EQ(missing.view().ProxyPass, "");

    IniFile(dir.filePath("orvoftp.ini")).edit([](IniDocument& d) { d = IniDocument::parse(carriedOverSettings()); });
    SettingsStore store(dir.filePath("orvoftp.ini"));
    EXPECT_FALSE(store.firstRun());
    const ViewSettings& view = store.view();
    EXPECT_EQ(view.ProxyHost, "fw.example.org");
    EXPECT_EQ(view.ProxyPort, 1080);
    EXPECT_EQ(view.ProxyUser, "fwuser");
    EXPECT_EQ(view.ProxyPass, "fw-secret");
    EXPECT_EQ(view.LogFile, "/tmp/orvoftp.log");
    EXPECT_EQ(consoleViewSettings(view), (ConsoleViewSettings{500, "DejaVu Sans", 10}));

    int announced = 0;
    QObject::connect(&store, &SettingsStore::changed, [&] { ++announced; });
    store.file().writeString("Setup", "ProxyHost", "other.example.org");
    EXPECT_EQ(store.view().ProxyHost, "fw.example.org");  // nothing applies behind its back
    store.reload();
    EXPECT_EQ(store.view().ProxyHost, "other.example.org");
    EXPECT_EQ(announced, 1);
}

TEST(EditorRules, TheFirstRuleListingTheExtensionWins)
{
    const IniDocument d = IniDocument::parse("[Editors]\n"
                                             "e1=.htm;.html,/usr/bin/bluefish\n"
                                             "e2=no comma here\n"
                                             "e3=.TXT;.C,/opt/edit,with,commas\n");
    EXPECT_EQ(editorForFile(d, "/pub/index.HTML"), "/usr/bin/bluefish");
    EXPECT_EQ(editorForFile(d, "notes.txt"), "/opt/edit,with,commas");
    EXPECT_EQ(editorForFile(d, "main.c"), "/opt/edit,with,commas");
    EXPECT_EQ(editorForFile(d, "README"), "");
    EXPECT_EQ(editorForFile(d, "archive.zip"), "");
    EXPECT_EQ(readEditorRules(d).at(1), (EditorRule{"", "no comma here"}));
}

}  // namespace
