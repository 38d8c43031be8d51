#include "platform/core/apperror.h"
#include "platform/core/inifile.h"
#include "settings/layout.h"
#include "settings/preferences.h"
#include "settings/scramble.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// [Setup] as the preferences window leaves it, in order.
const QStringList WrittenSetupKeys = {
    "Editor", "Path", "Email", "Delay", "Retry", "RetryDelay", "Viewer", "DefaultViewer", "XferOption",
    "FreeSpace", "ShowHidden", "AutoSave", "UsePasv", "ConfirmDel", "ExitWarn", "ConfirmQueue",
    "ConfirmMove", "IdleTime", "ResumeMode", "UploadMode", "PreserveDate", "RestoreState",
    "ShowMessages", "MessageWin", "ShowDirMessage", "EnableProxy", "ProxyMode", "ProxyHost",
    "ProxyPort", "ProxyUser", "ProxyPass", "LogFile", "Log", "DDEService", "DDETopic", "DDECommand",
    "DDEPrompt", "DDEFilter", "DDEShow", "Hide", "ReceiveRefresh", "AutoRefresh", "AutoSort",
    "AlphaSort", "LocalAutoSize", "RemoteAutoSize", "ConnectSound", "TransferSound", "ConnectWav",
    "TransferWav", "AntiIdle", "ShowSiteManager", "DoubleClick", "ForceLowerCase", "SkipNull",
    "SkipDir", "ShowCps", "HideHeader", "SelectLine", "FontName", "FontSize",
};

PreferencesValues changedValues()
{
    PreferencesValues v;
    ConfigData& c = v.config;
    c.EnableProxy = true;
    c.ProxyMode = 3;
    c.UsePasv = false;
    c.Editor = "/usr/bin/kate";
    c.Path = "/data";
    c.Email = "me@example.org";
    c.Delay = 15;
    c.Retry = 3;
    c.RetryDelay = 7;
    c.IdleTime = 90;
    c.MessageWin = false;
    c.Antiidle = false;
    c.DDEService = "svc";
    c.ShowCps = true;
    c.ForceLowerCase = 1;
    v.view.ProxyHost = "proxy.example.org";
    v.view.ProxyPort = 8021;
    v.view.ProxyUser = "pu";
    v.view.ProxyPass = QString::fromUtf8("p\xC3\xA4ss");
    v.view.LogFile = "/var/log/orvo.log";
    v.view.HideHeader = true;
    v.view.FontName = "Noto Sans";
    v.view.FontSize = 11;
    v.SkipEnabled = true;
    v.SkipList = {"*.bak", "core"};
    v.Editors = {{".htm;.html", "/usr/bin/bluefish"}, {".c", "/opt/my,editor"}};
    v.NonProxyHosts = {"abc", "host.example.org", "lan-host"};
    return v;
}

class PreferencesTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath("orvoftp.ini"); }
};

TEST_F(PreferencesTest, RewritesSetupWithTheBehaviourKeysOnly)
{
    ASSERT_TRUE(testutil::writeFile(path(), "[Setup]\nBuffSize=500\nTop=10\nWindowState=1\nVersion=2.50\n"
                                            "Unknown=kept?\n[History]\nh1=ftp.example.org\n"
                                            "[Commands]\nc1=List\np1=LIST\nk1=L\n"));
    IniFile ini(path());
    writePreferences(ini, changedValues());
    const auto doc = ini.read();

    EXPECT_EQ(doc->sectionKeys("Setup"), WrittenSetupKeys);
    EXPECT_FALSE(doc->readBool("Setup", "ShowDirMessage", true));  // mirrors MessageWin
    EXPECT_EQ(doc->readString("Setup", "AntiIdle"), "0");
    EXPECT_EQ(readViewSettings(*doc).BuffSize, 200);  // gone until edited by hand again
    EXPECT_EQ(readWindowLayout(*doc, WindowLayout{}).WindowState, 3);
    EXPECT_EQ(doc->readList("History", "h"), QStringList({"ftp.example.org"}));
    EXPECT_EQ(doc->readString("Commands", "p1"), "LIST");

    // Every proxy exception, short names included, numbered without gaps.
    EXPECT_EQ(doc->sectionKeys("Proxy"), QStringList({"p1", "p2", "p3"}));
    EXPECT_EQ(doc->readList("Proxy", "p"), QStringList({"abc", "host.example.org", "lan-host"}));
    EXPECT_EQ(doc->sectionKeys("Skip"), QStringList({"s1", "s2", "Enabled"}));
    EXPECT_EQ(doc->readList("Editors", "e"), QStringList({".htm;.html,/usr/bin/bluefish", ".c,/opt/my,editor"}));

    const QByteArray storedPass = doc->readBytes("Setup", "ProxyPass");
    EXPECT_TRUE(IsScrambled(storedPass));
    EXPECT_FALSE(storedPass.contains("ss"));
}

TEST_F(PreferencesTest, WhatIsWrittenLoadsBackUnchanged)
{
    IniFile ini(path());
    const PreferencesValues written = changedValues();
    writePreferences(ini, written);

    Settings s;
    QStringList noProxy;
    LoadSettings(ini, s, noProxy);
    EXPECT_EQ(s.config, written.config);
    EXPECT_TRUE(s.SkipEnabled);
    EXPECT_EQ(s.SkipList, written.SkipList);
    EXPECT_EQ(noProxy, QStringList({"abc", "host.example.org", "lan-host"}));

    EXPECT_EQ(readViewSettings(*ini.read()), written.view);

    // Reopening the window starts from what was saved, and saving that again keeps it.
    const PreferencesValues reopened = preferencesFromSettings(*ini.read(), s, written.view, noProxy);
    EXPECT_EQ(reopened.Editors, written.Editors);
    writePreferences(ini, reopened);
    Settings again;
    LoadSettings(ini, again, noProxy);
    EXPECT_EQ(again, s);
    EXPECT_EQ(readViewSettings(*ini.read()), written.view);
    EXPECT_EQ(ini.read()->sectionKeys("Setup"), WrittenSetupKeys);
}

TEST_F(PreferencesTest, NumbersAreStoredAsTyped)
{
    IniFile ini(path());
    PreferencesValues v;
    v.typed.Delay = "abc";
    v.typed.IdleTime = "300";
    v.typed.ProxyPort = "";
    v.typed.Retry = " 0x0A";
    writePreferences(ini, v);
    EXPECT_EQ(ini.readString("Setup", "Delay"), "abc");
    EXPECT_EQ(ini.readString("Setup", "Retry"), " 0x0A");

    Settings s;
    QStringList noProxy;
    LoadSettings(ini, s, noProxy);
    EXPECT_EQ(s.config.Delay, 30);
    EXPECT_EQ(s.config.IdleTime, 300);
    EXPECT_EQ(s.config.Retry, 10);
    EXPECT_EQ(readViewSettings(*ini.read()).ProxyPort, 21);
}

TEST_F(PreferencesTest, AProxyPasswordThatCannotBeStoredWritesNothing)
{
    ASSERT_TRUE(testutil::writeFile(path(), "[Setup]\nEmail=old@example.org\n"));
    IniFile ini(path());
    PreferencesValues v;
    v.view.ProxyPass = "bad\npass";
    EXPECT_THROW(writePreferences(ini, v), AppError);
    EXPECT_EQ(testutil::readFile(path()), QByteArray("[Setup]\nEmail=old@example.org\n"));
}

// Short host names ("intra", "ftp.io") used to be dropped and then went through the proxy:
// every non-blank line is a host now, trimmed, numbered without gaps.
TEST_F(PreferencesTest, EveryNonProxyHostLineIsWritten)
{
    IniFile ini(path());
    PreferencesValues v;
    v.NonProxyHosts = {"abc", "", "intra", "  ftp.io ", "   ", "files.example.org"};
    writePreferences(ini, v);
    EXPECT_EQ(ini.read()->sectionKeys("Proxy"), QStringList({"p1", "p2", "p3", "p4"}));
    Settings s;
    QStringList noProxy;
    LoadSettings(ini, s, noProxy);
    EXPECT_EQ(noProxy, QStringList({"abc", "intra", "ftp.io", "files.example.org"}));
}

}  // namespace
