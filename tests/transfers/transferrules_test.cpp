// The rules a batch applies to each file, as tables: transfer mode, skip list, rename rules,
// the case rule, names from servers, "~/" targets, what an existing target leads to, the
// progress texts, listing dates, and what an upload of a local folder takes along.
#include "testutil.h"
#include "transfers/localscan.h"
#include "transfers/transferrules.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST(TransferRules, TransferModeByPanelAndExtensionList)
{
    const QStringList list{"*.txt", ".HTM", "read*.me"};
    const struct {
        TransferModeChoice panel;
        QString name;
        TTransferType expected;
    } cases[] = {
        {TransferModeChoice::Auto, "notes.TXT", AsciiTransfer},   // masks ignore case
        {TransferModeChoice::Auto, "page.htm", AsciiTransfer},    // a plain extension, any case
        {TransferModeChoice::Auto, "readme.me", AsciiTransfer},
        {TransferModeChoice::Auto, "archive.zip", BinaryTransfer},
        {TransferModeChoice::Auto, "htm", BinaryTransfer},        // no extension at all
        {TransferModeChoice::Ascii, "archive.zip", AsciiTransfer},
        {TransferModeChoice::Binary, "notes.txt", BinaryTransfer},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TransferTypeFor(c.name, c.panel, list), c.expected) << c.name.toStdString();
    EXPECT_FALSE(IsSkippedName("a.bak", false, {"*.bak"}));
    EXPECT_TRUE(IsSkippedName("A.BAK", true, {"*.tmp", "*.bak"}));
    EXPECT_FALSE(IsSkippedName("a.txt", true, {"*.tmp", ""}));
}

TEST(TransferRules, RenameRulesAndTheCaseRule)
{
    const QStringList rules{".htm,.html", ".jpeg,.jpg"};
    const struct {
        QString path;
        bool upload;
        QString expected;
    } cases[] = {
        {"/up/page.htm", true, "/up/page.html"},
        {"/down/page.html", false, "/down/page.htm"},
        {"/up/PAGE.HTM", true, "/up/PAGE.HTM"},       // compared exactly
        {"/up/page.html", true, "/up/page.html"},     // an upload maps the local side only
        {"/a.htm/readme", true, "/a.htm/readme"},     // the folder's dot is no extension
        {"/up/photo.jpeg", true, "/up/photo.jpg"},
        {"noext", true, "noext"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MapRenameExtension(c.path, c.upload, rules), c.expected) << c.path.toStdString();

    // Below the batch's starting folder only: the folders above it are another directory
    // when their case changes.
    const QString home = "/Home/Me/Down/";
    EXPECT_EQ(ForceLocalCase("/Home/Me/Down/Dir/File.TXT", home, 2), "/Home/Me/Down/dir/file.txt");
    EXPECT_EQ(ForceLocalCase("/Home/Me/Down/Dir/File.TXT", home, 1), "/Home/Me/Down/DIR/FILE.TXT");
    EXPECT_EQ(ForceLocalCase("/Home/Me/Down/Dir/File.TXT", home, 0), "/Home/Me/Down/Dir/File.TXT");
    EXPECT_EQ(ForceLocalCase("/Other/Place/File.TXT", home, 2), "/Other/Place/file.txt");
    EXPECT_EQ(ForceCase("Name.Ext", 2), "name.ext");
}

TEST(TransferRules, ServerNamesThatCannotBeLocalFiles)
{
    for (const QString& bad : {QString(), QString("."), QString(".."), QString("a/b"), QString("a\\b"),
                               QString("nul") + QChar(0) + "x", QString("line\nbreak"), QString(256, 'x'),
                               QString(86, QChar(0x20AC))})  // 258 bytes in UTF-8
        EXPECT_FALSE(UnsafeLocalNameReason(bad).isEmpty()) << bad.toStdString();
    for (const QString& good : {QString("..."), QString(".hidden"), QString(255, 'x'), QString("spaces and (brackets)")})
        EXPECT_TRUE(UnsafeLocalNameReason(good).isEmpty()) << good.toStdString();

    EXPECT_EQ(ResolveHomeTarget("~/sub/dir/", "/home/me/"), "/home/me/sub/dir/");
    EXPECT_EQ(ResolveHomeTarget("~/a.txt", "/"), "/a.txt");
    EXPECT_EQ(ResolveHomeTarget("/abs/a.txt", "/home/me/"), "/abs/a.txt");
}

TEST(TransferRules, WhatAnExistingTargetLeadsTo)
{
    using A = ConflictDecision::Action;
    const struct {
        const char* why;
        ConflictInputs in;
        A action;
        int code;
    } cases[] = {
        {"ask", {false, 0, 0, false, true, true, false}, A::Ask, -1},
        {"resume", {false, 1, 0, false, true, true, false}, A::Resume, -1},
        {"resume, nothing to resume asks", {false, 1, 0, false, false, true, false}, A::Ask, -1},
        {"overwrite", {false, 2, 0, false, true, true, false}, A::Overwrite, -1},
        {"skip, download", {false, 3, 0, false, true, true, false}, A::Skip, 3},
        {"skip, upload", {true, 3, 0, false, true, true, false}, A::Skip, 7},
        {"skip all, download", {false, 0, 1, false, true, true, false}, A::Skip, 1},
        {"skip all, upload", {true, 0, 1, false, true, true, false}, A::Skip, 5},
        {"overwrite all beats skip mode", {false, 3, 2, false, true, true, false}, A::Overwrite, -1},
        {"a script overwrites", {false, 0, 0, false, true, true, true}, A::Overwrite, -1},
        {"first file after a reconnect", {false, 3, 0, true, true, true, false}, A::Resume, -1},
        {"... where the site cannot resume", {false, 0, 0, true, true, false, false}, A::Overwrite, -1},
        {"... an upload resumes anyway", {true, 0, 0, true, true, false, false}, A::Resume, -1},
        {"... nothing to resume: the mode decides", {false, 3, 0, true, false, true, false}, A::Skip, 3},
    };
    for (const auto& c : cases) {
        const ConflictDecision d = DecideConflict(c.in);
        EXPECT_EQ(d.action, c.action) << c.why;
        EXPECT_EQ(d.skipCode, c.code) << c.why;
    }
}

TEST(TransferRules, ProgressTexts)
{
    EXPECT_EQ(ClockText(0), "00:00:00");
    EXPECT_EQ(ClockText(3661), "01:01:01");
    EXPECT_EQ(ClockText(25 * 3600 + 5), "01:00:05");  // hours modulo 24
    EXPECT_EQ(SpeedText(1500, false), "1.50 k/sec)");
    EXPECT_EQ(SpeedText(1500, true), "1500.00 cps)");
    EXPECT_EQ(RoundEven(2.5), 2);
    EXPECT_EQ(RoundEven(3.5), 4);

    ProgressInputs in;
    in.transferred = 0;
    in.elapsedSeconds = 3;
    EXPECT_FALSE(ProgressTick(in).moving);  // nothing moved: only the gauge is cleared

    in.transferred = 3000;           // 1,000 bytes a second
    in.resumePos = 1000;
    in.fileSize = 10000;
    in.batchBytes = 100000;
    in.folders = 2;
    in.files = 7;
    const ProgressTexts texts = ProgressTick(in);
    EXPECT_TRUE(texts.moving);
    EXPECT_EQ(texts.percent, 40);
    EXPECT_EQ(texts.progress, "4000 (1.00 k/sec)");
    EXPECT_EQ(texts.remain, "Remain: 00:00:06");
    EXPECT_EQ(texts.title, "FTP : 2-7 : 00:01:36");

    in.fileSize = -1;  // a size that is not known: no percentage, no remaining time
    const ProgressTexts unknown = ProgressTick(in);
    EXPECT_EQ(unknown.percent, 0);
    EXPECT_TRUE(unknown.remain.isEmpty());
    EXPECT_EQ(unknown.title, "FTP : 2-7 : --:--:--");
    EXPECT_EQ(BatchTitle(0, 0), "FTP : 0-0 : --:--:--");
}

TEST(TransferRules, ListingDatesReadBack)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QLocale en;
    const QDateTime when(QDate(2024, 3, 7), QTime(9, 5));
    const QString text = en.toString(when.date(), QLocale::ShortFormat) + ' ' + en.toString(when.time(), QLocale::ShortFormat);
    EXPECT_EQ(ListingDateTime(text), when) << text.toStdString();
    EXPECT_FALSE(ListingDateTime("Mar 7 2024").isValid());
    EXPECT_FALSE(ListingDateTime(QString()).isValid());
    QLocale::setDefault(previous);
}

// An upload of a folder takes regular files and folders; a FIFO (which would block the
// upload), a broken link and a link back into the folder's own ancestry are left out.
TEST(TransferRules, UploadFolderScanLeavesOutWhatNeverEnds)
{
    QTemporaryDir dir;
    QDir root(dir.path());
    root.mkpath("up/sub");
    testutil::writeFile(root.filePath("up/a.txt"), "a");
    testutil::writeFile(root.filePath("up/b.log"), "bb");
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.filePath("up/pipe")).constData(), 0600), 0);
    ASSERT_EQ(::symlink("..", QFile::encodeName(root.filePath("up/sub/loop")).constData()), 0);
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(root.filePath("up/dangling")).constData()), 0);
    ASSERT_EQ(::symlink("sub", QFile::encodeName(root.filePath("up/alias")).constData()), 0);

    const UploadFolderScan top = ScanUploadFolder(root.filePath("up"), LocalFilter{});
    ASSERT_TRUE(top.ok);
    QStringList names;
    for (const UploadItem& item : top.items)
        names << item.name + (item.folder ? "/" : "");
    EXPECT_EQ(names, QStringList({"alias/", "sub/", "a.txt", "b.log"}));
    EXPECT_EQ(top.items.back().size, 2);
    EXPECT_EQ(top.skipped.size(), 2) << top.skipped.join('\n').toStdString();

    const UploadFolderScan inner = ScanUploadFolder(root.filePath("up/alias"), LocalFilter{});
    EXPECT_TRUE(inner.items.empty());  // "loop" leads back to "up"
    ASSERT_EQ(inner.skipped.size(), 1);
    EXPECT_TRUE(inner.skipped.front().contains("loop"));

    LocalFilter logs;
    logs.mask = "*.log";
    QStringList filtered;
    for (const UploadItem& item : ScanUploadFolder(root.filePath("up"), logs).items)
        filtered << item.name;
    EXPECT_EQ(filtered, QStringList({"alias", "sub", "b.log"}));
    EXPECT_FALSE(ScanUploadFolder(root.filePath("missing"), LocalFilter{}).ok);
    EXPECT_FALSE(IsRegularFile(root.filePath("up/pipe")));
    EXPECT_TRUE(IsRegularFile(root.filePath("up/a.txt")));
}
