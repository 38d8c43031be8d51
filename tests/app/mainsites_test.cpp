// The main window's site commands against real servers: the group menu, the site manager's
// connect, "Add Current Site" through a SOCKS proxy, "Edit Current Site", the site manager at
// start-up, desktop shortcuts, new sessions and the folder picker behind the prompts.
#include "viewfixture.h"

#include "app/mainsites.h"
#include "controls/browseform.h"
#include "dialogs/sitegroupdialog.h"
#include "dialogs/sitemanager.h"
#include "platform/core/inifile.h"
#include "platform/desktop/desktopentry.h"
#include "platform/desktop/qtprompt.h"
#include "sites/sitedatabase.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

using testutil::waitFor;

namespace {

class SiteCommandsTest : public ViewWindowTest
{
protected:
    // A site of the test server; `pass` empty leaves the password out of the file.
    static void addSite(TfrmMain& window, const QString& group, const QString& name, quint16 port,
                        const QString& pass = "pw-Tester9")
    {
        TSiteDatabase& db = *window.SiteDatabase;
        if (!db.groups().contains(group))
            db.saveGroups(db.groups() << group, 1);
        TSiteRecord site;
        site.IP = "127.0.0.1";
        site.Port = QString::number(port);
        site.User = "tester";
        site.Pass = pass;
        site.Options = FreshSiteOptions;
        db.writeSite(name, site);
        db.appendGroupSite(group, name);
    }
    static QStringList captions(const QMenu* menu)
    {
        QStringList out;
        for (const QAction* action : menu->actions())
            out << action->text();
        return out;
    }
    template <class Dialog>
    static Dialog* openDialog(const TfrmMain& window)
    {
        Dialog* found = nullptr;
        waitFor([&] {
            for (Dialog* dialog : window.findChildren<Dialog*>()) {
                if (dialog->isVisible())
                    found = dialog;
            }
            return found != nullptr;
        }, 3000);
        return found;
    }
};

// Columns of the group menu: a new one at every 20th site; a group of 45 shows them as
// three submenus (19, 20 and 6 sites), a small group as plain entries; "&" stays literal.
TEST_F(SiteCommandsTest, GroupMenuBreaksEveryTwentiethSite)
{
    const std::pair<int, QList<int>> sizes[] = {{0, {}}, {1, {1}}, {19, {19}}, {20, {19, 1}}, {45, {19, 20, 6}}};
    for (const auto& [count, columns] : sizes) {
        QStringList sites;
        for (int i = 1; i <= count; ++i)
            sites << QString::number(i);
        QList<int> got;
        for (const QStringList& column : MainSites::menuColumns(sites))
            got << int(column.size());
        EXPECT_EQ(got, columns) << count;
    }

    auto window = openWindow();
    TSiteDatabase& db = *window->SiteDatabase;
    QStringList big;
    for (int i = 1; i <= 45; ++i)
        big << QString("site%1").arg(i, 2, 10, QChar('0'));
    db.saveGroups({"Big", "R&D"}, 1);
    db.saveGroupSites("Big", big);
    db.saveGroupSites("R&D", {"Lab & Co", "Build"});
    window->SiteMenus->BuildGroupMenu();
    QMenu* menu = window->SiteMenus->GroupMenu;
    EXPECT_EQ(window->QuickConnect->btnFTPServer->menu(), menu);
    EXPECT_EQ(captions(menu), QStringList({"Big", "R&&D"}));
    QMenu* bigMenu = menu->actions()[0]->menu();
    EXPECT_EQ(captions(bigMenu), QStringList({"site01 - site19", "site20 - site39", "site40 - site45"}));
    QStringList listed;
    for (const QAction* column : bigMenu->actions())
        for (const QAction* item : column->menu()->actions())
            listed << item->data().toString();
    EXPECT_EQ(listed, big);
    QMenu* small = menu->actions()[1]->menu();
    EXPECT_EQ(captions(small), QStringList({"Lab && Co", "Build"}));
    EXPECT_EQ(small->actions()[0]->data().toString(), "Lab & Co");
}

// Connecting from the group menu and from the site manager passes the site itself: a name
// with ":" is no host. A site stored without its password asks for it ("Enter Password").
TEST_F(SiteCommandsTest, SitesConnectFromTheMenuAndTheSiteManager)
{
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    addSite(*window, "Personal", "lab:2121", pyftpd.port());
    addSite(*window, "Work", "nopass", pyftpd.port(), "");
    window->SiteDatabase->appendGroupSite("Work", "unfinished");  // added, no address yet
    window->SiteMenus->BuildGroupMenu();

    // A site without an address starts nothing (and leaves nothing half-started).
    window->SiteMenus->GroupMenu->actions()[1]->menu()->actions()[1]->trigger();
    EXPECT_EQ(window->Session->State(), SessionState::NotConnected);

    QAction* entry = window->SiteMenus->GroupMenu->actions()[0]->menu()->actions()[0];
    ASSERT_EQ(entry->data().toString(), "lab:2121");
    entry->trigger();
    ASSERT_TRUE(waitIdle(*window, 15000)) << window->Memo1->Text().toStdString();
    EXPECT_EQ(window->Session->CurrentSiteName(), "lab:2121");
    EXPECT_EQ(window->QuickConnect->ServerText(), "127.0.0.1");
    EXPECT_TRUE(window->command("mnuEditCurrentSite")->isEnabled());
    EXPECT_FALSE(window->command("mnuAddCurrentSite")->isEnabled());

    // Typing the whole name connects to the site too.
    window->Session->Disconnect();
    ASSERT_TRUE(connect(*window, "lab:2121"));
    EXPECT_EQ(window->Session->CurrentSiteName(), "lab:2121");

    ASSERT_TRUE(window->Commands->trigger("mnuSiteManager"));
    TfrmSite* manager = openDialog<TfrmSite>(*window);
    ASSERT_TRUE(manager);
    manager->GroupList->setCurrentText("Work");
    manager->GroupListClick();
    manager->SiteList->item(0)->setSelected(true);
    manager->btnEditClick();
    prompt.answerLogin("tester", "pw-Tester9");
    manager->btnConnectClick();
    ASSERT_TRUE(waitIdle(*window, 15000)) << window->Memo1->Text().toStdString();
    EXPECT_EQ(window->Session->CurrentSiteName(), "nopass");
    EXPECT_EQ(prompt.asked().back().kind, ScriptedPrompt::Kind::LoginBox);
    EXPECT_EQ(prompt.asked().back().caption, "Enter Password");
    EXPECT_TRUE(waitFor([&] { return window->findChildren<TfrmSite*>().isEmpty(); }));  // released
}

// "Add Current Site" of a connection through a SOCKS proxy stores the server's own port (not
// the proxy's), the login with the password scrambled; a taken name keeps the dialog open.
TEST_F(SiteCommandsTest, AddCurrentSiteThroughSocksStoresTheServersPort)
{
    DanteServer dante;
    if (!dante.start()) {
        if (!DanteServer::unavailableReason().isEmpty())
            GTEST_SKIP() << DanteServer::unavailableReason().toStdString();
        FAIL() << dante.error().toStdString();
    }
    ASSERT_TRUE(startPyftpd());
    IniFile ini(home.filePath("orvoftp.ini"));
    ini.writeString("Setup", "EnableProxy", "1");
    ini.writeString("Setup", "ProxyMode", "2");
    ini.writeString("Setup", "ProxyHost", "127.0.0.1");
    ini.writeString("Setup", "ProxyPort", QString::number(dante.port()));
    auto window = openWindow();
    addSite(*window, "Personal", "taken", 21);
    ASSERT_TRUE(connectPyftpd(*window)) << window->Memo1->Text().toStdString();
    EXPECT_EQ(window->Session->Ftp().FtpPort, dante.port());

    ASSERT_TRUE(window->Commands->trigger("mnuAddCurrentSite"));
    TfrmSiteGroup* add = openDialog<TfrmSiteGroup>(*window);
    ASSERT_TRUE(add);
    EXPECT_EQ(add->windowTitle(), "Add Site");
    EXPECT_EQ(add->Group(), "Personal");
    add->txtSiteName->setText("taken");
    add->btnOKClick();
    EXPECT_TRUE(add->isVisible());
    EXPECT_EQ(prompt.asked().back().text, "A site named \"taken\" already exists.  Please choose another name.");
    add->txtSiteName->setText("  via socks ");
    add->btnOKClick();
    EXPECT_EQ(add->txtSiteName->text(), "via socks");

    const TSiteRecord site = window->SiteDatabase->readSite("via socks");
    EXPECT_EQ(site.IP, "127.0.0.1");
    EXPECT_EQ(site.Port, QString::number(pyftpd.port()));
    EXPECT_EQ(site.User, "tester");
    EXPECT_EQ(site.Pass, "pw-Tester9");
    EXPECT_NE(window->SiteDatabase->file().readString("via socks", "Pass"), "pw-Tester9");
    EXPECT_EQ(window->SiteDatabase->groupSites("Personal"), QStringList({"taken", "via socks"}));
    EXPECT_EQ(window->Session->CurrentSiteName(), "via socks");
    EXPECT_EQ(QApplication::applicationDisplayName(), "via socks");
    EXPECT_EQ(captions(window->SiteMenus->GroupMenu->actions()[0]->menu()), QStringList({"taken", "via socks"}));
    EXPECT_FALSE(window->command("mnuAddCurrentSite")->isEnabled());
    QApplication::setApplicationDisplayName(TfrmMain::Caption);
}

// An anonymous login stores no user and no password; "Edit Current Site" opens on the group
// that lists the site, with the site loaded and selected.
TEST_F(SiteCommandsTest, AnonymousAddAndEditCurrentSite)
{
    auto window = openWindow();
    window->SiteDatabase->saveGroups({"Archive", "Work"}, 1);
    window->QuickConnect->txtFTPServer->setEditText("ftp.example.org:anonymous:guest:2121");
    ASSERT_TRUE(window->Commands->trigger("mnuAddCurrentSite"));
    TfrmSiteGroup* add = openDialog<TfrmSiteGroup>(*window);
    ASSERT_TRUE(add);
    add->txtSiteGroup->setCurrentText("Work");
    add->txtSiteName->setText("public");
    add->btnOKClick();
    const IniFile sites(home.filePath("sites.ini"));
    EXPECT_EQ(sites.readString("public", "IP"), "ftp.example.org");
    EXPECT_EQ(sites.readString("public", "Port"), "2121");
    EXPECT_FALSE(sites.valueExists("public", "User"));
    EXPECT_FALSE(sites.valueExists("public", "Pass"));
    EXPECT_FALSE(sites.valueExists("public", "Encryption"));

    // An ftps:// address keeps its TLS in the stored site.
    window->Session->SetCurrentSiteName({});
    window->QuickConnect->txtFTPServer->setEditText("ftps://secure.example.org");
    ASSERT_TRUE(window->Commands->trigger("mnuAddCurrentSite"));
    TfrmSiteGroup* addTls = openDialog<TfrmSiteGroup>(*window);
    ASSERT_TRUE(addTls);
    addTls->txtSiteName->setText("secure");
    addTls->btnOKClick();
    const IniFile reread(home.filePath("sites.ini"));
    EXPECT_EQ(reread.readString("secure", "Encryption"), "2");
    EXPECT_EQ(reread.readString("secure", "Port"), "990");
    window->Session->SetCurrentSiteName("public");

    ASSERT_TRUE(window->Commands->trigger("mnuEditCurrentSite"));
    TfrmSite* manager = openDialog<TfrmSite>(*window);
    ASSERT_TRUE(manager);
    EXPECT_EQ(manager->CurrentGroup(), "Work");
    EXPECT_EQ(manager->LoadedSite(), "public");
    EXPECT_EQ(manager->SiteList->selectedItems().size(), 1);
    EXPECT_TRUE(manager->btnDelete->isEnabled());
    EXPECT_TRUE(manager->btnEdit->isEnabled());
    EXPECT_EQ(manager->txtPort->text(), "2121");
    manager->reject();
}

// With ShowSiteManager set and no arguments the site manager opens at start-up; with an
// argument it does not.
TEST_F(SiteCommandsTest, SiteManagerAtStartUp)
{
    IniFile(home.filePath("orvoftp.ini")).writeString("Setup", "ShowSiteManager", "1");
    {
        auto window = openWindow();
        TfrmSite* manager = openDialog<TfrmSite>(*window);
        ASSERT_TRUE(manager);
        EXPECT_EQ(manager->GroupList->currentText(), "Personal");
        manager->reject();
    }
    auto window = std::make_unique<TfrmMain>(QStringList{"127.0.0.1:1"});
    window->show();
    testutil::spin(200);
    EXPECT_TRUE(window->findChildren<TfrmSite*>().isEmpty());
}

// A shortcut for the current site: "my.server.net" becomes "my.server.desktop", starting
// this program with the site's name; a launcher that is not ours is replaced only on Yes.
TEST_F(SiteCommandsTest, CreateShortcutWritesALauncherAndAsksBeforeReplacingAForeignOne)
{
    QTemporaryDir desktop;
    auto window = openWindow();
    window->SiteMenus->DesktopDirectory = desktop.filePath("Desktop");
    window->QuickConnect->SetServerText("127.0.0.1");
    EXPECT_FALSE(window->Commands->trigger("mnuCreateShortcut"));  // no current site
    window->Session->SetCurrentSiteName("my.server.net");
    ASSERT_TRUE(window->Commands->trigger("mnuCreateShortcut"));
    const QString file = desktop.filePath("Desktop/my.server.desktop");
    const QString text = QString::fromUtf8(testutil::readFile(file));
    const QString program = QCoreApplication::applicationFilePath();
    EXPECT_TRUE(text.contains("\nExec=" + DesktopEntry::escapeValue(DesktopEntry::execLine(program, {"my.server.net"})) + "\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\nName=my.server.net\n"));
    EXPECT_TRUE(prompt.asked().empty());

    const QByteArray foreign = "[Desktop Entry]\nType=Link\nName=Mine\nURL=https://example.org/\n";
    testutil::writeFile(file, foreign);
    prompt.answer(Prompt::No);
    window->Commands->trigger("mnuCreateShortcut");
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_TRUE(prompt.asked()[0].text.contains(file));
    EXPECT_EQ(testutil::readFile(file), foreign);
    prompt.answer(Prompt::Yes);
    window->Commands->trigger("mnuCreateShortcut");
    EXPECT_TRUE(DesktopEntry::isOurs(file));
}

// "New Session": the site's name, or the address without its login, on the command line;
// the login in the environment only; an empty server box starts a plain window.
TEST_F(SiteCommandsTest, NewSessionKeepsTheLoginOffTheCommandLine)
{
    struct Case {
        const char* site;
        const char* server;
        QuickConnectBoxes boxes;
        SessionLaunch expected;
    } cases[] = {
        {"lab:2121", "127.0.0.1", {}, {{"lab:2121"}, "", ""}},
        {"", "", {}, {}},
        {"", "host:joe:s3cret:2121", {}, {{"ftp://host:2121"}, "joe", "s3cret"}},
        {"", "ftp://joe:pw@host:990/pub/file.txt", {}, {{"ftp://host:990/pub/"}, "joe", "pw"}},
        {"", "host|/data dir", {"ann", "x", "21"}, {{"ftp://host/data dir/"}, "ann", "x"}},
        {"", "host", {"", "", "21"}, {{"ftp://host"}, "", ""}},
        {"", "ftps://joe:pw@host/in/", {}, {{"ftps://host/in/"}, "joe", "pw"}},
        {"", "ftps://host:2990", {}, {{"ftps://host:2990"}, "", ""}},
        {"", "ftpes://[::1]:2121", {}, {{"ftpes://[::1]:2121"}, "", ""}},
    };
    TSiteDatabase none(home.filePath("none.ini"));
    for (const Case& c : cases) {
        const ConnectionRequest typed = resolveServerText(c.server, c.boxes, {}, none, "guest@example.com");
        EXPECT_EQ(MainSites::planNewSession(c.site, c.server, typed), c.expected) << c.server;
    }

    auto window = openWindow();
    QString program;
    QStringList arguments;
    QProcessEnvironment env;
    window->SiteMenus->StartProcess = [&](const QString& p, const QStringList& a, const QProcessEnvironment& e) {
        program = p;
        arguments = a;
        env = e;
        return true;
    };
    qputenv(MainSites::PasswordVariable, "inherited");
    window->QuickConnect->txtFTPServer->setEditText("host:joe:s3cret:2121");
    ASSERT_TRUE(window->Commands->trigger("mnuNewSession"));
    EXPECT_EQ(program, QCoreApplication::applicationFilePath());
    EXPECT_EQ(arguments, QStringList{"ftp://host:2121"});
    EXPECT_EQ(env.value(MainSites::UserVariable), "joe");
    EXPECT_EQ(env.value(MainSites::PasswordVariable), "s3cret");
    window->QuickConnect->txtFTPServer->setEditText("");
    ASSERT_TRUE(window->Commands->trigger("mnuNewSession"));
    EXPECT_TRUE(arguments.isEmpty());
    EXPECT_FALSE(env.contains(MainSites::PasswordVariable));
    qunsetenv(MainSites::PasswordVariable);
}

// The prompts' folder question is answered by the program's own folder picker.
TEST_F(SiteCommandsTest, FolderQuestionsUseTheFolderPicker)
{
    auto window = openWindow();
    const QString start = QDir(serverRoot.path()).canonicalPath();
    QString caption;
    QTimer::singleShot(0, [&] {
        if (auto* browse = qobject_cast<TfrmBrowse*>(QApplication::activeModalWidget())) {
            caption = browse->lblCaption->text();
            browse->accept();
        }
    });
    QtPrompt qt;
    EXPECT_EQ(qt.pickFolder("Select Temp directory", start), start);
    EXPECT_EQ(caption, "Select Temp directory");
}

}  // namespace
