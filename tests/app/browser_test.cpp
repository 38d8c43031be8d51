// The server browser against real servers: its own login beside the main window's, the list
// and path box, navigation, the route through SOCKS and a USER@host firewall, failed
// connects, queueing into the main window (refused once the main session moved), working
// while the main window downloads, View and Edit of its own session, and the exit.
#include "app/mainbrowser.h"
#include "app/maineditview.h"
#include "app/maintransfers.h"
#include "app/queuecontroller.h"
#include "dialogs/editorwindow.h"
#include "fileops/editstore.h"
#include "platform/core/inifile.h"
#include "session/pathhelpers.h"
#include "session/viewtext.h"
#include "transfers/batchrunner.h"
#include "transfers/transferqueue.h"
#include "openedfiles.h"
#include "viewfixture.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QPainter>
#include <QTcpServer>
#include <QUrl>
#include <iostream>

using testutil::waitFor;

namespace {

class BrowserTest : public ViewWindowTest
{
protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        ASSERT_TRUE(localDir.isValid());
        IniFile(home.filePath("orvoftp.ini")).writeString("Setup", "Path", localDir.path());
        QDir(serverRoot.path()).mkpath("pub/sub");
        testutil::writeFile(serverRoot.filePath("pub/f"), "the file f");
        testutil::writeFile(serverRoot.filePath("top.txt"), "top");
    }
    bool startLoggedPyftpd(PyFtpOptions options = {})
    {
        options.commandLog = logDir.filePath("commands.log");
        return startPyftpd(options);
    }
    int logged(const QString& verb) const { return commandCount(logDir.filePath("commands.log"), verb); }

    static bool ready(const TfrmBrowseServer* browser)
    {
        return browser && browser->Session().State() == SessionState::Idle && !browser->Busy();
    }
    // "Browse Server" from the main window, waited for until its first listing is shown.
    static TfrmBrowseServer* browse(TfrmMain& window)
    {
        window.Commands->update();
        if (!window.Commands->trigger("mnuBrowseServer"))
            return nullptr;
        QPointer<TfrmBrowseServer> browser = window.Browsers->Windows().back();
        waitFor([&] { return !browser || ready(browser); }, 15000);
        return ready(browser) ? browser.data() : nullptr;
    }
    static bool doubleClick(TfrmBrowseServer* browser, const QString& name)
    {
        const int row = rowOf(browser->Browse, name);
        if (row < 0)
            return false;
        browser->Browse->SetSelection({row});
        browser->BrowseDblClick(row);
        return waitFor([&] { return ready(browser); });
    }
    static int messages(const ScriptedPrompt& prompt, const QString& text)
    {
        return int(std::count_if(prompt.asked().begin(), prompt.asked().end(),
                                 [&](const ScriptedPrompt::Question& q) { return q.text == text; }));
    }

    QTemporaryDir localDir;
    QTemporaryDir logDir;
};

}  // namespace

// Main window and browser on one server: two logins; /pub/ shows ".." first and the path box
// [/pub/, /]; "/" shows no ".."; the path box, ".." and folders navigate; the password is
// masked in the browser's console. A screenshot shows both windows side by side.
TEST_F(BrowserTest, ASecondLoginWalksTheServer)
{
    ASSERT_TRUE(startLoggedPyftpd());
    const QString sessionLog = logDir.filePath("session.log");
    IniFile ini(home.filePath("orvoftp.ini"));
    ini.writeString("Setup", "Log", "1");
    ini.writeString("Setup", "LogFile", sessionLog);
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window, "/pub"));
    EXPECT_EQ(window->command("mnuBrowseServer")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    EXPECT_TRUE(window->command("mnuBrowseServer")->isEnabled());
    TfrmBrowseServer* browser = browse(*window);
    ASSERT_TRUE(browser) << window->Memo1->Text().toStdString();
    EXPECT_EQ(logged("USER"), 2);
    EXPECT_EQ(logged("PASS"), 2);
    EXPECT_EQ(browser->windowTitle(), "Browsing 127.0.0.1");
    EXPECT_EQ(browser->StatusBar->text(), "Ready");
    EXPECT_TRUE(browser->Memo1->Text().contains("PASS xxxxxx"));
    EXPECT_FALSE(browser->Memo1->Text().contains("pw-Tester9"));
    EXPECT_EQ(browser->Browse->Item(rowOf(browser->Browse, "f")).columnText(3).size(), 10);  // "-rw-r--r--"
    // The session log file is the main session's alone.
    EXPECT_EQ(testutil::readFile(sessionLog).count("PASS xxxxxx"), 1);

    QImage both(window->width() + browser->width() + 8, qMax(window->height(), browser->height()), QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawImage(0, 0, window->grab().toImage());
    painter.drawImage(window->width() + 8, 0, browser->grab().toImage());
    painter.end();
    const QString file = QDir(QStringLiteral(ORVO_TEST_OUTPUT_DIR)).filePath("mainwindow-and-browser.png");
    QDir().mkpath(QFileInfo(file).path());
    ASSERT_TRUE(both.save(file)) << file.toStdString();

    const struct {
        const char* step;
        std::function<bool()> act;
        QStringList rows;
        QStringList pathBox;
    } steps[] = {
        {"opened in the main window's directory", [] { return true; }, {"..", "sub", "f"}, {"/pub/", "/"}},
        {"into a folder", [&] { return doubleClick(browser, "sub"); }, {".."}, {"/pub/sub/", "/pub/", "/"}},
        {"the path box's root", [&] {
             browser->BrowsePathBoxChange(2);
             return waitFor([&] { return ready(browser) && browser->CurrentDirectory() == "/"; });
         }, {"pub", "top.txt"}, {"/"}},
        {"back into /pub/", [&] { return doubleClick(browser, "pub"); }, {"..", "sub", "f"}, {"/pub/", "/"}},
        {"the parent entry", [&] { return doubleClick(browser, ".."); }, {"pub", "top.txt"}, {"/"}},
    };
    for (const auto& s : steps) {
        ASSERT_TRUE(s.act()) << s.step;
        EXPECT_EQ(names(browser->Browse), s.rows) << s.step;
        EXPECT_EQ(pathBoxItems(browser->BrowsePathBox), s.pathBox) << s.step;
    }
    EXPECT_EQ(window->Session->Remote().currentDirectory(), "/pub/");  // the main window stays
}

// The browser's login goes the way the main session's went, even after the proxy
// preference was switched off: through dante (SOCKS) and through the USER@host relay.
TEST_F(BrowserTest, TheBrowserFollowsTheMainSessionsRoute)
{
    DanteServer dante;
    const bool withDante = dante.start();
    if (!withDante && DanteServer::unavailableReason().isEmpty())
        FAIL() << dante.error().toStdString();
    FtpFirewall firewall;
    ASSERT_TRUE(firewall.start(FtpFirewall::Mode::UserHost)) << firewall.error().toStdString();
    ASSERT_TRUE(startLoggedPyftpd());
    const struct {
        const char* route;
        bool available;
        int mode;
        quint16 proxyPort;
        TFirewallType firewall;
    } routes[] = {
        {"SOCKS", withDante, 2, dante.port(), fwSocks},
        {"USER@host", true, 0, firewall.port(), fwUserHost},
    };
    for (const auto& r : routes) {
        if (!r.available) {
            std::cout << "[  SKIPPED ] " << r.route << ": " << DanteServer::unavailableReason().toStdString() << '\n';
            continue;
        }
        QFile::remove(logDir.filePath("commands.log"));
        IniFile ini(home.filePath("orvoftp.ini"));
        ini.writeString("Setup", "EnableProxy", "1");
        ini.writeString("Setup", "ProxyMode", QString::number(r.mode));
        ini.writeString("Setup", "ProxyHost", "127.0.0.1");
        ini.writeString("Setup", "ProxyPort", QString::number(r.proxyPort));
        auto window = openWindow();
        ASSERT_TRUE(connectPyftpd(*window)) << r.route << window->Memo1->Text().toStdString();
        window->Config().EnableProxy = false;  // a later change is not the open session's way
        TfrmBrowseServer* browser = browse(*window);
        ASSERT_TRUE(browser) << r.route;
        EXPECT_EQ(browser->Session().Ftp().FirewallType, r.firewall) << r.route;
        EXPECT_EQ(browser->Session().Ftp().FtpPort, r.proxyPort) << r.route;
        EXPECT_EQ(browser->Session().Request().route, window->Session->Request().route) << r.route;
        EXPECT_EQ(logged("USER"), 2) << r.route;
        EXPECT_EQ(names(browser->Browse), QStringList({"pub", "top.txt"})) << r.route;
    }
}

// A browser that cannot log in says "Unable to browse server" once and goes; one still
// connecting closes at once by "&Close"; a server that never greets ends after the main
// session's connect time-out (it once waited for ever).
TEST_F(BrowserTest, AFailedConnectEndsTheBrowserOnce)
{
    ASSERT_TRUE(startPyftpd());
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    auto window = openWindow();
    window->Config().Delay = 1;
    const auto request = [](quint16 port, const QString& password) {
        ConnectionRequest r;
        r.host = "127.0.0.1";
        r.port = QString::number(port);
        r.user = "tester";
        r.password = password;
        return r;
    };
    const struct {
        const char* what;
        ConnectionRequest to;
        bool closeAtOnce;
        int messages;
    } cases[] = {
        {"a closed port", request(ServerProcess::freePort(), "pw-Tester9"), false, 1},
        {"a refused login", request(pyftpd.port(), "wrong"), false, 1},
        {"no greeting: the time-out", request(silent.serverPort(), "pw-Tester9"), false, 1},
        {"&Close while connecting", request(silent.serverPort(), "pw-Tester9"), true, 0},
    };
    for (const auto& c : cases) {
        prompt.clear();
        QPointer<TfrmBrowseServer> browser = window->Browsers->Open(c.to, "/", "test");
        ASSERT_TRUE(browser) << c.what;
        EXPECT_TRUE(browser->Busy()) << c.what;
        if (c.closeAtOnce)
            browser->mnuClose->trigger();
        EXPECT_TRUE(waitFor([&] { return !browser; }, 8000)) << c.what;
        testutil::spin(100);
        EXPECT_EQ(messages(prompt, "Unable to browse server"), c.messages) << c.what;
        EXPECT_EQ(int(prompt.asked().size()), c.messages) << c.what;
    }
    EXPECT_TRUE(window->Browsers->Windows().empty());
}

// The server closing a logged-in browser's session: "Server disconnected." once, the window goes.
TEST_F(BrowserTest, TheServerClosingTheSessionEndsTheBrowser)
{
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));
    QPointer<TfrmBrowseServer> browser = browse(*window);
    ASSERT_TRUE(browser);
    prompt.clear();
    pyftpd.stop();
    EXPECT_TRUE(waitFor([&] { return !browser; }, 8000));
    testutil::spin(100);
    EXPECT_EQ(messages(prompt, "Server disconnected."), 1);
    EXPECT_EQ(messages(prompt, "Unable to browse server"), 0);
}

// Rows of a listing by the main window's "&Show Links" and "&Resolve Links as Files" as they
// are when the browser lists: names and icons; sizes, dates and modes as the remote view shows them.
TEST_F(BrowserTest, RowsFollowTheMainWindowsLinkSwitches)
{
    const QString lines = logDir.filePath("list.txt");
    testutil::writeFile(lines, "drwxr-xr-x   2 user group     4096 Jan 01 10:00 dir\r\n"
                               "lrwxrwxrwx   1 user group        3 Jan 01 10:00 ln -> dir\r\n"
                               "-rw-r--r--   1 user group  1234567 Jan 01 10:00 file.txt\r\n");
    PyFtpOptions options;
    options.listLinesFile = lines;
    ASSERT_TRUE(startPyftpd(options));
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));
    TfrmBrowseServer* browser = browse(*window);
    ASSERT_TRUE(browser);
    const auto setSwitch = [&](const char* id, bool on) {
        if (window->command(id)->isChecked() != on)
            window->command(id)->trigger();
    };
    const struct {
        bool showLinks, resolveLinks;
        QStringList rows;  // name:icon
    } cases[] = {
        {true, false, {"dir:1", "ln:2", "file.txt:3"}},
        {true, true, {"dir:1", "file.txt:3", "ln:3"}},
        {false, false, {"dir:1", "file.txt:3"}},
    };
    for (const auto& c : cases) {
        setSwitch("mnuShowLinks", c.showLinks);
        setSwitch("mnuResolveFile", c.resolveLinks);
        prompt.answer(QStringLiteral("/"));
        browser->mnuChangeDir->trigger();
        ASSERT_TRUE(waitFor([&] { return ready(browser); }));
        QStringList rows;
        for (int row = 0; row < browser->Browse->Count(); ++row)
            rows << browser->Browse->Item(row).Caption + ':' + QString::number(browser->Browse->Item(row).ImageIndex);
        EXPECT_EQ(rows, c.rows) << c.showLinks << c.resolveLinks;
    }
    // The same texts as the main window's remote view shows.
    const TListItem& file = browser->Browse->Item(rowOf(browser->Browse, "file.txt"));
    EXPECT_EQ(file.SubItems.value(0), SizeText(1234567));
    EXPECT_EQ(file.SubItems, window->RemotePanel->View()->Item(rowOf(window->RemotePanel->View(), "file.txt")).SubItems);
}

// A double click on a file, "&Queue" and a drag onto the queue put downloads from the
// browser's directory into the main queue; once the main session is on another server they
// are refused with a message.
TEST_F(BrowserTest, QueueingFollowsTheMainSession)
{
    ASSERT_TRUE(startPyftpd());
    PyFtpServer other;
    PyFtpOptions otherOptions;
    otherOptions.users << "tester:pw-Tester9:" + serverRoot.path();
    ASSERT_TRUE(other.start(otherOptions));
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window, "/pub"));
    TfrmBrowseServer* browser = browse(*window);
    ASSERT_TRUE(browser);
    const QString localHome = EnsureTrailingSeparator(window->LocalDir->currentDirectory());

    ASSERT_TRUE(doubleClick(browser, "f"));
    EXPECT_EQ(browser->CurrentDirectory(), "/pub/");  // a file is queued, not entered
    browser->Browse->SetSelection({rowOf(browser->Browse, "sub")});
    EXPECT_TRUE(window->QueueControl->QueueDragOver(browser->Browse, -1));
    window->QueueControl->QueueDragDrop(browser->Browse, -1);
    ASSERT_EQ(window->QueueModel->count(), 2);
    EXPECT_EQ(window->QueueModel->at(0).kind, QueueEntry::DownloadFile);
    EXPECT_EQ(window->QueueModel->at(0).source, "/pub/f");
    EXPECT_EQ(window->QueueModel->at(0).sizeText, "10");
    EXPECT_EQ(window->QueueModel->at(0).target, localHome + "f");
    EXPECT_EQ(window->QueueModel->at(1).kind, QueueEntry::DownloadFolder);
    EXPECT_EQ(window->QueueModel->at(1).target, localHome + "sub/");

    window->QuickConnect->txtFTPServer->setEditText("127.0.0.1:tester:pw-Tester9:" + QString::number(other.port()));
    window->QuickConnectEnter();  // Enter in the server box: the main session moves
    ASSERT_TRUE(waitIdle(*window, 15000)) << window->Memo1->Text().toStdString();
    for (const auto& queue : std::vector<std::function<void()>>{
             [&] { ASSERT_TRUE(doubleClick(browser, "f")); },
             [&] { browser->mnuQueue->trigger(); },
         }) {
        prompt.clear();
        browser->Browse->SetSelection({rowOf(browser->Browse, "f")});
        queue();
        EXPECT_EQ(window->QueueModel->count(), 2);
        ASSERT_EQ(prompt.asked().size(), 1u);
        EXPECT_EQ(prompt.asked()[0].text, "The main window is no longer connected to 127.0.0.1:" + QString::number(pyftpd.port())
                                              + " as tester, so these entries cannot be queued there.");
    }
}

// While the main window downloads a large file, the browser lists, views a binary file (in
// its own mode, into the private store: byte for byte) and edits one whose Abort leaves the
// main transfer alone; both files come out whole.
TEST_F(BrowserTest, TheBrowserWorksWhileTheMainWindowDownloads)
{
    testutil::writePatternFile(serverRoot.filePath("big.bin"), 4 * 1024 * 1024, 7);
    QByteArray binary("\x89PNG\r\n\x1a\n", 8);
    binary += QByteArray("\r\n\n\r\0", 5).repeated(50);
    testutil::writeFile(serverRoot.filePath("pub/image.png"), binary);
    testutil::writeFile(serverRoot.filePath("pub/notes.txt"), "line one\nline two\n");
    PyFtpOptions options;
    options.throttle = 512 * 1024;
    ASSERT_TRUE(startPyftpd(options));
    OpenedFiles opened;
    auto window = openWindow();
    window->Config().DefaultViewer = true;
    ASSERT_TRUE(connectPyftpd(*window));
    window->SetActivePanel(window->RemotePanel);
    window->RemotePanel->View()->SetSelection({rowOf(window->RemotePanel->View(), "big.bin")});
    ASSERT_TRUE(window->Commands->trigger("mnuDownload"));
    ASSERT_TRUE(waitFor([&] { return window->Session->Ftp().RemoteFile == "big.bin"; }));

    TfrmBrowseServer* browser = browse(*window);
    ASSERT_TRUE(browser);
    ASSERT_TRUE(doubleClick(browser, "pub"));
    EXPECT_EQ(names(browser->Browse), QStringList({"..", "sub", "f", "image.png", "notes.txt"}));
    browser->Browse->SetSelection({rowOf(browser->Browse, "image.png")});
    browser->mnuView->trigger();
    ASSERT_TRUE(waitFor([&] { return !opened.paths.isEmpty() && ready(browser); }, 15000)) << browser->Memo1->Text().toStdString();
    EXPECT_EQ(testutil::readFile(opened.paths.value(0)), binary);
    EXPECT_TRUE(opened.paths.value(0).startsWith(window->EditView->Store().Directory()));

    browser->Browse->SetSelection({rowOf(browser->Browse, "notes.txt")});
    browser->mnuEdit->trigger();
    TfrmEditor* editor = nullptr;
    ASSERT_TRUE(waitFor([&] { return (editor = browser->findChild<TfrmEditor*>()) && editor->isVisible(); }));
    prompt.answer(Prompt::Yes);  // "Are you sure you want to abort ?"
    editor->mnuAbort->trigger();
    ASSERT_TRUE(waitFor([&] { return ready(browser); }));
    EXPECT_TRUE(window->Session->TransferRunning()) << "the browser's edit ended the main window's batch";

    ASSERT_TRUE(waitFor([&] { return !window->Transfers->Runner().Running(); }, 30000));
    EXPECT_EQ(testutil::sha256OfFile(localDir.filePath("big.bin")), testutil::sha256OfFile(serverRoot.filePath("big.bin")));
    EXPECT_EQ(testutil::readFile(serverRoot.filePath("pub/notes.txt")), "line one\nline two\n");
}

// View, Edit and Change Dir by the selection and the session: files only for View and Edit.
// The browser lists what it reaches also with AutoRefresh off.
TEST_F(BrowserTest, CommandsFollowTheSelection)
{
    ASSERT_TRUE(startPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window, "/pub"));
    window->Config().AutoRefresh = false;
    TfrmBrowseServer* browser = browse(*window);
    ASSERT_TRUE(browser);
    const struct {
        QString row;
        bool queue, view;
    } cases[] = {
        {"..", false, false},
        {"sub", true, false},
        {"f", true, true},
    };
    for (const auto& c : cases) {
        browser->Browse->SetSelection({rowOf(browser->Browse, c.row)});
        emit browser->mnuBrowser->aboutToShow();
        EXPECT_EQ(browser->mnuQueue->isEnabled(), c.queue) << c.row.toStdString();
        EXPECT_EQ(browser->mnuView->isEnabled(), c.view) << c.row.toStdString();
        EXPECT_EQ(browser->mnuEdit->isEnabled(), c.view) << c.row.toStdString();
        EXPECT_TRUE(browser->mnuChangeDir->isEnabled());
    }
    prompt.answer(QStringLiteral("/pub/sub"));
    browser->mnuChangeDir->trigger();
    ASSERT_TRUE(waitFor([&] { return ready(browser) && browser->CurrentDirectory() == "/pub/sub/"; }));
    EXPECT_EQ(names(browser->Browse), QStringList{".."});
    EXPECT_EQ(prompt.asked().back().caption, "Change Directory");
    EXPECT_EQ(prompt.asked().back().defaultText, "/pub/");
}

// Closing the main window closes its browsers; each server session ends with QUIT.
TEST_F(BrowserTest, ClosingTheMainWindowClosesItsBrowsers)
{
    ASSERT_TRUE(startLoggedPyftpd());
    auto window = openWindow();
    ASSERT_TRUE(connectPyftpd(*window));
    QPointer<TfrmBrowseServer> browser = browse(*window);
    ASSERT_TRUE(browser);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(browser);
    EXPECT_TRUE(waitFor([&] { return logged("QUIT") == 2; }, 5000)) << testutil::readFile(logDir.filePath("commands.log")).toStdString();
}

