// The private store of fetched copies, the text codec of the built-in editor and the
// programs that view and edit: names that must not lead anywhere else, modes, what stays
// after exit, encodings and line ends that survive the round trip, rules read afresh.
#include "fileops/editprograms.h"
#include "fileops/editstore.h"
#include "fileops/edittext.h"
#include "platform/core/inifile.h"
#include "platform/core/scriptedprompt.h"
#include "settings/configdata.h"
#include "settings/settingskeys.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

}  // namespace

// A server's name becomes one plain file name: never a way out of the subfolder, never a
// control character, never longer than the file system takes, its extension kept.
TEST(EditStore, SafeNames)
{
    const struct {
        QString remote;
        QString local;
    } cases[] = {
        {"notes.txt", "notes.txt"},
        {"../x", "x"},
        {"/pub/dir/file.c", "file.c"},
        {"..", "_"},
        {".", "_"},
        {"", "_"},
        {"dir/", "_"},
        {"a\\..\\b", "a_.._b"},
        {"line\nbreak\r.txt", "line_break_.txt"},
        {QString("tab\tdel") + QChar(0x7f), "tab_del_"},
        {".profile", ".profile"},
        {"caf\u00e9 \u00fcber.txt", "caf\u00e9 \u00fcber.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EditStore::SafeName(c.remote), c.local) << c.remote.toStdString();

    const QString longName = QString(300, QChar(0x00e9)) + ".html";  // two bytes a character
    const QString cut = EditStore::SafeName(longName);
    EXPECT_LE(QFile::encodeName(cut).size(), 255);
    EXPECT_TRUE(cut.endsWith(".html"));
}

// Every copy gets a subfolder of its own in a 0700 directory; a link planted where the old
// design put copies (the temporary directory + the name) is never followed; the same name
// from two folders makes two copies.
TEST(EditStore, PrivateSubfoldersAndPlantedLinks)
{
    QTemporaryDir base;
    QTemporaryDir elsewhere;
    ASSERT_TRUE(base.isValid() && elsewhere.isValid());
    const QString victim = elsewhere.filePath("victim");
    ASSERT_TRUE(testutil::writeFile(victim, "precious"));
    ASSERT_TRUE(QFile::link(victim, base.filePath("x")));

    EditStore store(base.path());
    EXPECT_TRUE(store.Directory().isEmpty());
    const QString first = store.NewCopyPath("../x");
    const QString second = store.NewCopyPath("/other/x");
    ASSERT_FALSE(first.isEmpty());
    ASSERT_NE(first, second);
    EXPECT_EQ(QFileInfo(first).fileName(), "x");
    EXPECT_EQ(QFileInfo(QFileInfo(store.Directory()).absolutePath()).canonicalFilePath(), QFileInfo(base.path()).canonicalFilePath());
    EXPECT_TRUE(first.startsWith(store.Directory() + '/'));
    EXPECT_EQ(testutil::fileMode(store.Directory()), 0700);
    EXPECT_EQ(testutil::fileMode(QFileInfo(first).absolutePath()), 0700);
    EXPECT_FALSE(QFileInfo::exists(first));  // the download makes it, in an empty folder

    ASSERT_TRUE(testutil::writeFile(first, "fetched"));
    EXPECT_EQ(testutil::readFile(victim), "precious");
    EXPECT_EQ(entriesOf(base.path()).size(), 2);  // the planted link and the private directory
}

// At exit every copy goes except the kept ones (their paths are logged); Remove takes a copy
// away at once; a private directory someone loosened is left alone and a new one is made.
TEST(EditStore, WhatStaysAfterExit)
{
    QTemporaryDir base;
    QString kept, released, removed, root;
    {
        EditStore store(base.path());
        kept = store.NewCopyPath("kept.txt");
        released = store.NewCopyPath("released.txt");
        removed = store.NewCopyPath("removed.txt");
        for (const QString& path : {kept, released, removed})
            ASSERT_TRUE(testutil::writeFile(path, "x"));
        store.Keep(kept);
        store.Keep(released);
        store.Release(released);
        store.Remove(removed);
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(removed).absolutePath()));
        EXPECT_EQ(store.KeptCopies(), QStringList{kept});
        EXPECT_TRUE(store.IsKept(kept));
        root = store.Directory();

        QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                        | QFileDevice::ReadOther | QFileDevice::ExeOther);
        const QString fresh = store.NewCopyPath("fresh.txt");
        EXPECT_FALSE(fresh.startsWith(root + '/'));
        EXPECT_EQ(testutil::fileMode(store.Directory()), 0700);
        QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    EXPECT_EQ(testutil::readFile(kept), "x");
    EXPECT_FALSE(QFileInfo::exists(released));
    EXPECT_EQ(entriesOf(root).size(), 1);  // the kept copy's folder
    EXPECT_EQ(entriesOf(base.path()), QStringList{QFileInfo(root).fileName()});  // the fresh root went
}

// The editor's codec: UTF-8 when valid (its mark kept), else Latin-1; the line end most
// lines use. Uniform files come back byte for byte.
TEST(EditText, EncodingsAndLineEndsRoundTrip)
{
    using E = TextFileFormat::Encoding;
    const struct {
        QByteArray bytes;
        E encoding;
        bool bom;
        const char* lineEnd;
        QString text;
    } cases[] = {
        {"a\nb\n", E::Utf8, false, "\n", "a\nb\n"},
        {"caf\xe9\r\nl\xe0\r\n", E::Latin1, false, "\r\n", QString::fromLatin1("caf\xe9\nl\xe0\n")},
        {"\xef\xbb\xbf\xc3\xa9t\xc3\xa9\r\n", E::Utf8, true, "\r\n", QString::fromUtf8("\xc3\xa9t\xc3\xa9\n")},
        {"old\rmac\r", E::Utf8, false, "\r", "old\nmac\n"},
        {"no end", E::Utf8, false, "\n", "no end"},
        {"", E::Utf8, false, "\n", ""},
        {"nbsp\xa0here", E::Latin1, false, "\n", QString::fromLatin1("nbsp\xa0here")},
    };
    for (const auto& c : cases) {
        const DecodedText decoded = DecodeTextFile(c.bytes);
        EXPECT_EQ(decoded.format.encoding, c.encoding) << c.bytes.toStdString();
        EXPECT_EQ(decoded.format.byteOrderMark, c.bom) << c.bytes.toStdString();
        EXPECT_EQ(decoded.format.lineEnd, QString::fromLatin1(c.lineEnd)) << c.bytes.toStdString();
        EXPECT_EQ(decoded.text, c.text) << c.bytes.toStdString();
        EXPECT_EQ(EncodeTextFile(decoded.text, decoded.format), std::optional<QByteArray>(c.bytes)) << c.bytes.toStdString();
    }

    // Mixed ends take the one most lines use; Latin-1 cannot take the euro sign.
    const DecodedText mixed = DecodeTextFile("a\r\nb\r\nc\n");
    EXPECT_EQ(EncodeTextFile(mixed.text, mixed.format), std::optional<QByteArray>("a\r\nb\r\nc\r\n"));
    TextFileFormat latin1;
    latin1.encoding = E::Latin1;
    EXPECT_EQ(EncodeTextFile(QString::fromUtf8("5 \xe2\x82\xac"), latin1), std::nullopt);
}

// Program settings split as a shell would; "notepad.exe" is the desktop's text editor; the
// [Editors] rules are read from the file at each use, and a file's path stays one argument.
TEST(EditPrograms, RulesAndProgramSettings)
{
    EXPECT_EQ(ProgramCommand("kate -n"), QStringList({"kate", "-n"}));
    EXPECT_EQ(ProgramCommand("\"/opt/my editor/run\" --new"), QStringList({"/opt/my editor/run", "--new"}));
    EXPECT_EQ(ProgramCommand("notepad.exe"), QStringList{defaultEditor()});
    EXPECT_EQ(ProgramCommand("C:\\WINDOWS\\NOTEPAD.EXE"), QStringList{defaultEditor()});
    EXPECT_TRUE(ProgramCommand("  ").isEmpty());

    QTemporaryDir dir;
    const QString record = dir.filePath("args.txt");
    const QString script = dir.filePath("record.sh");
    testutil::writeFile(script, "#!/bin/sh\nprintf '%s|' \"$@\" > '" + record.toUtf8() + "'\n");
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString spaced = dir.filePath("my editor");  // chosen in a file dialog: no quotes
    QFile::copy(script, spaced);
    EXPECT_EQ(ProgramCommand(spaced), QStringList{spaced});
    IniFile ini(dir.filePath("orvoftp.ini"));
    const QString page = dir.filePath("my page; rm x.HTML");
    EXPECT_FALSE(RunEditorRule(ini, page));  // no rules
    ini.writeList("Editors", "e", {".htm .html," + script + " --flag"});
    ScriptedPrompt prompt;
    ASSERT_TRUE(RunEditorRule(ini, page));
    ASSERT_TRUE(testutil::waitFor([&] { return testutil::readFile(record).endsWith('|'); }));
    EXPECT_EQ(testutil::readFile(record), "--flag|" + page.toUtf8() + "|");
    EXPECT_FALSE(RunEditorRule(ini, dir.filePath("README")));  // no extension, no rule
    EXPECT_FALSE(RunEditorRule(ini, dir.filePath("a.txt")));

    // A local edit without a rule runs Editor; a rule whose program is missing is reported
    // and Editor runs instead.
    ConfigData config;
    config.Editor = script;
    QFile::remove(record);
    EditLocalFile(ini, config, dir.filePath("a.txt"));
    ASSERT_TRUE(testutil::waitFor([&] { return testutil::readFile(record).endsWith('|'); }));
    EXPECT_EQ(testutil::readFile(record), dir.filePath("a.txt").toUtf8() + "|");
    ini.writeList("Editors", "e", {".txt," + dir.filePath("missing")});
    QFile::remove(record);
    EditLocalFile(ini, config, dir.filePath("a.txt"));
    ASSERT_TRUE(testutil::waitFor([&] { return testutil::readFile(record).endsWith('|'); }));
    EXPECT_EQ(prompt.asked().size(), 1u);
}

// View of a local file: the desktop opens an existing file; when it cannot, the text editor
// does; a file that has gone opens nothing; without DefaultViewer, Viewer runs.
TEST(EditPrograms, ViewingLocalFiles)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("page.html");
    testutil::writeFile(file, "<p>");
    const QString record = dir.filePath("viewer.txt");
    const QString viewer = dir.filePath("viewer.sh");
    testutil::writeFile(viewer, "#!/bin/sh\nprintf '%s' \"$1\" > '" + record.toUtf8() + "'\n");
    QFile::setPermissions(viewer, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ScriptedPrompt prompt;
    ConfigData config;
    config.DefaultViewer = true;
    QStringList opened;
    const DesktopOpener opener = [&](const QString& path) {
        opened << path;
        return true;
    };

    ViewLocalFile(config, file, opener);
    ViewLocalFile(config, dir.filePath("gone.html"), opener);
    EXPECT_EQ(opened, QStringList{file});

    config.DefaultViewer = false;
    config.Viewer = viewer;
    ViewLocalFile(config, file, opener);
    ASSERT_TRUE(testutil::waitFor([&] { return testutil::readFile(record) == file.toUtf8(); }));
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(prompt.asked().size(), 0u);
}
