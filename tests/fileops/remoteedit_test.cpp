// View and Edit on a session without a window, against pyftpdlib: where copies go, the mode
// the transfer rules choose both ways, a refused or aborted fetch that opens nothing, and one
// completion for every start. (A session lost during the edit: the window's tests.)
#include "fileops/editstore.h"
#include "fileops/remoteedit.h"
#include "fileopsfixture.h"

#include <QFileInfo>

namespace {

class RemoteEditTest : public RemoteOpsTest
{
protected:
    void SetUp() override
    {
        RemoteOpsTest::SetUp();
        ASSERT_TRUE(storeBase.isValid());
        store = std::make_unique<EditStore>(storeBase.path());
        EditHooks hooks;
        hooks.openWithDesktop = [this](const QString& path) {
            opened << path;
            return true;
        };
        hooks.builtInEditor = [this](const QString& path, std::function<void(bool)> closed) {
            editorPaths << path;
            editorClosed = std::move(closed);
            if (onEditor)
                onEditor(path);
        };
        edit = std::make_unique<RemoteEdit>(*session, *store, hooks);
    }
    void TearDown() override
    {
        edit.reset();
        store.reset();
        RemoteOpsTest::TearDown();
    }

    // Starts a view or an edit and waits for its one completion.
    RemoteEditResult runEdit(bool editing, const QString& name, int ms = 20000)
    {
        int calls = 0;
        RemoteEditResult result;
        const auto done = [&](const RemoteEditResult& r) {
            ++calls;
            result = r;
        };
        if (editing)
            edit->Edit(name, done);
        else
            edit->View(name, done);
        EXPECT_TRUE(testutil::waitFor([&] { return calls > 0; }, ms)) << log.join('\n').toStdString();
        testutil::spin(50);
        EXPECT_EQ(calls, 1);
        return result;
    }

    QTemporaryDir storeBase;
    std::unique_ptr<EditStore> store;
    std::unique_ptr<RemoteEdit> edit;
    QStringList opened;
    QStringList editorPaths;
    std::function<void(bool)> editorClosed;
    std::function<void(const QString&)> onEditor;  // what the "user" does in the editor
};

}  // namespace

// A view fetches into a private subfolder and hands the copy to the desktop's opener; the
// session is idle again. A name reaching into the parent directory is fetched from there
// but stored inside the private directory under its last part.
TEST_F(RemoteEditTest, ViewFetchesIntoThePrivateStore)
{
    makeTree({"sub/", "x"});
    ASSERT_TRUE(testutil::writeFile(dir("sub/page.html"), "<p>hello</p>"));
    settings->config().DefaultViewer = true;
    ASSERT_TRUE(connectPyftpd());
    ASSERT_TRUE(session->ChangeRemoteDirectory("sub"));
    ASSERT_TRUE(testutil::waitFor([&] { return idle(); }));

    RemoteEditResult result = runEdit(false, "page.html");
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(result.remoteFile, "/sub/page.html");
    EXPECT_EQ(opened, QStringList{result.localCopy});
    EXPECT_EQ(testutil::readFile(result.localCopy), "<p>hello</p>");
    EXPECT_TRUE(result.localCopy.startsWith(store->Directory() + '/'));
    EXPECT_TRUE(status.contains("Viewing: page.html"));
    EXPECT_TRUE(idle());

    result = runEdit(false, "../x");
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(QFileInfo(result.localCopy).fileName(), "x");
    EXPECT_TRUE(result.localCopy.startsWith(store->Directory() + '/'));
    EXPECT_EQ(QDir(storeBase.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
}

// The transfer rules choose the mode for the fetch and the same mode brings the file back:
// an image goes binary, a text of the ASCII list goes ASCII; both return byte for byte.
TEST_F(RemoteEditTest, TheTransferRulesChooseTheModeBothWays)
{
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    png += QByteArray("\r\n\n\r", 4).repeated(64);
    ASSERT_TRUE(testutil::writeFile(dir("pic.png"), png));
    ASSERT_TRUE(testutil::writeFile(dir("notes.txt"), "one\ntwo\n"));
    settings->prefs().AsciiExtensions = {"*.txt"};
    ASSERT_TRUE(connectPyftpd());
    onEditor = [this](const QString&) { QMetaObject::invokeMethod(edit.get(), [this] { editorClosed(true); }, Qt::QueuedConnection); };

    const struct {
        const char* name;
        const char* type;
    } cases[] = {{"pic.png", "TYPE I"}, {"notes.txt", "TYPE A"}};
    // The TYPE in force when each RETR and STOR went (the login's listing set one first).
    const auto typesAt = [this](const QString& name) {
        QStringList types;
        QString type;
        for (const QString& command : std::as_const(commands)) {
            if (command.startsWith("TYPE "))
                type = command;
            else if (command == "RETR /" + name || command == "STOR /" + name)
                types << command.left(4) + ' ' + type;
        }
        return types;
    };
    for (const auto& c : cases) {
        const QByteArray before = testutil::readFile(dir(c.name));
        const RemoteEditResult result = runEdit(true, c.name);
        ASSERT_TRUE(result.ok && result.uploaded) << c.name << ": " << result.message.toStdString();
        EXPECT_EQ(testutil::readFile(dir(c.name)), before) << c.name;
        EXPECT_EQ(typesAt(c.name), QStringList({QString("RETR ") + c.type, QString("STOR ") + c.type})) << c.name;
        EXPECT_EQ(commands.last(), "LIST");  // the directory is listed again
        EXPECT_TRUE(idle());
    }
    EXPECT_TRUE(status.contains("Updating: pic.png"));
}

// A refused RETR (550) or an aborted fetch opens nothing: no editor, no viewer, the partial
// copy removed, the session idle and still connected.
TEST_F(RemoteEditTest, AFailedFetchOpensNothing)
{
    ASSERT_TRUE(testutil::writePatternFile(dir("big.bin"), 400000));
    PyFtpOptions options;
    options.refuse << "RETR*2=550 Permission denied.";
    options.throttle = 40000;
    ASSERT_TRUE(connectPyftpd(options));

    for (const bool editing : {true, false}) {
        const RemoteEditResult result = runEdit(editing, "big.bin");
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.localCopy.isEmpty());
        EXPECT_TRUE(idle());
    }
    EXPECT_TRUE(log.filter("Unable to fetch /big.bin; nothing was opened").size() == 2) << log.join('\n').toStdString();

    int calls = 0;
    RemoteEditResult result;
    edit->Edit("big.bin", [&](const RemoteEditResult& r) {
        ++calls;
        result = r;
    });
    ASSERT_TRUE(testutil::waitFor([&] { return session->Ftp().BytesTransferred() > 0; }));
    session->Abort();
    ASSERT_TRUE(testutil::waitFor([&] { return calls > 0; }, 30000));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(editorPaths.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(idle());
    EXPECT_TRUE(session->Ftp().SessionConnected());
    EXPECT_EQ(QDir(store->Directory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 0);
}

// Every start completes once, from the event loop: refused when the session is busy or not
// connected, and while another edit runs.
TEST_F(RemoteEditTest, EveryStartCompletesOnce)
{
    ASSERT_TRUE(testutil::writeFile(dir("a.txt"), "a"));
    RemoteEditResult result = runEdit(true, "a.txt");
    EXPECT_EQ(result.message, "Not connected");
    ASSERT_TRUE(connectPyftpd());

    QList<quint64> finished;
    QObject::connect(edit.get(), &RemoteEdit::finished, [&](quint64 id, const RemoteEditResult&) { finished << id; });
    int secondCalls = 0;
    const quint64 first = edit->Edit("a.txt");
    EXPECT_NE(first, 0u);
    EXPECT_EQ(edit->View("a.txt", [&](const RemoteEditResult&) { ++secondCalls; }), 0u);
    EXPECT_EQ(secondCalls, 0);  // never inside the call
    ASSERT_TRUE(testutil::waitFor([&] { return bool(editorClosed); }));
    EXPECT_EQ(secondCalls, 1);
    editorClosed(false);  // Abort in the editor
    editorClosed(true);   // a second word from the editor counts for nothing
    ASSERT_TRUE(testutil::waitFor([&] { return finished.contains(first); }));
    testutil::spin(50);
    EXPECT_EQ(finished.size(), 2);
    EXPECT_TRUE(idle());
    EXPECT_TRUE(commandsFrom("STOR").isEmpty());
}
