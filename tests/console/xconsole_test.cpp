// The console's lines: properties and their ranges, composing lines, trimming, the clipboard
// text and the log file.
#include "consoletest.h"

#include "console/consolelog.h"
#include "testutil.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using consoletest::AddNumbered;
using consoletest::MakeConsole;

namespace {

QString Style(int s) { return ConsoleCode::StyleCode(s); }
QString Colour(TColor c) { return ConsoleCode::ColorCode(c); }

QString FirstLine(const TcXConsole& console)
{
    return ConsoleCode::PlainText(console.Lines()[0].Text);
}

TEST(ConsoleProperties, DefaultsOfANewConsole)
{
    TcXConsole console;
    EXPECT_EQ(console.MaxLines(), 200);
    EXPECT_EQ(console.MaxRemove(), 1);
    EXPECT_TRUE(console.ScrollOnAdd());
    EXPECT_FALSE(console.LogKeep());
    EXPECT_TRUE(console.LogFileName().isEmpty());
    EXPECT_FALSE(console.Monochrome());
    EXPECT_TRUE(console.URLRecognize());
    EXPECT_EQ(console.URLColor(), 0xFF0000u);
    EXPECT_TRUE(console.Images().isEmpty());
    EXPECT_EQ(console.Color(), QColorToColor(console.palette().color(QPalette::Base)));
    EXPECT_EQ(console.BorderStyle(), TcXConsole::bsSingle);
    EXPECT_EQ(console.ScrollBars(), TcXConsole::ssNone);
    EXPECT_TRUE(console.Ctl3D());
    EXPECT_EQ(console.Count(), 0);
}

TEST(ConsoleProperties, ValuesOutsideTheirRangesAreRefused)
{
    TcXConsole console;
    for (int refused : {0, -1, 30001}) {
        console.SetMaxLines(refused);
        EXPECT_EQ(console.MaxLines(), 200) << refused;
    }
    console.SetMaxLines(30000);
    EXPECT_EQ(console.MaxLines(), 30000);
    console.SetMaxLines(50);

    for (int refused : {0, -3, 51, 30001}) {
        console.SetMaxRemove(refused);
        EXPECT_EQ(console.MaxRemove(), 1) << refused;
    }
    console.SetMaxRemove(50);
    EXPECT_EQ(console.MaxRemove(), 50);
}

TEST(ConsoleLines, FullConsoleDropsMaxRemoveOldestLines)
{
    struct Case
    {
        int maxLines, maxRemove, added, held;
        const char* first;
    };
    const Case cases[] = {
        {200, 1, 201, 201, "line 1"},  // holds MaxLines + 1 before it trims
        {200, 1, 202, 201, "line 2"},
        {200, 1, 450, 201, "line 250"},
        {200, 50, 202, 152, "line 51"},
        {1, 1, 5, 2, "line 4"},
    };
    for (const Case& c : cases) {
        TcXConsole console;
        console.SetMaxLines(c.maxLines);
        console.SetMaxRemove(c.maxRemove);
        AddNumbered(console, 1, c.added);
        EXPECT_EQ(console.Count(), c.held) << c.maxLines << "/" << c.maxRemove << "/" << c.added;
        EXPECT_EQ(FirstLine(console), QString::fromLatin1(c.first));
        qint64 sum = 0;
        for (int i = 0; i < console.Count(); ++i)
            sum += console.Lines()[i].Height;
        EXPECT_EQ(console.TotalHeight(), sum);
    }
}

TEST(ConsoleLines, LoweringMaxLinesDropsTheOldestAtOnce)
{
    TcXConsole console;
    console.SetMaxRemove(100);
    AddNumbered(console, 1, 150);
    console.SetMaxLines(40);
    EXPECT_EQ(console.Count(), 40);
    EXPECT_EQ(FirstLine(console), QStringLiteral("line 111"));
    // MaxRemove follows it down, or the console could never trim again.
    EXPECT_EQ(console.MaxRemove(), 40);
    AddNumbered(console, 151, 400);
    EXPECT_LE(console.Count(), 41);
}

TEST(ConsoleLines, SegmentsCarryTheirCodesInFront)
{
    TcXConsole console;
    console.SetURLRecognize(false);
    console.AddText(QStringLiteral("abc "), -1, clNone, clRed, ConsoleCode::fsBold);
    console.AddText(QStringLiteral("d\te\x01" "f"), 3, 0x00FFFF, clNone, 0);
    EXPECT_EQ(console.Count(), 0);  // still being composed
    console.EndLine();
    ASSERT_EQ(console.Count(), 1);
    EXPECT_EQ(console.Lines()[0].Text,
              Style(1) + Colour(clRed) + QStringLiteral("abc ") + Style(0) + ConsoleCode::BackCode(0x00FFFF) + QStringLiteral("def"));
    EXPECT_EQ(console.Lines()[0].Image, 3);

    // Nothing to add or nothing composed adds no line.
    console.AddLine(QString(), clBlack);
    console.EndLine();
    EXPECT_EQ(console.Count(), 1);
}

TEST(ConsoleLines, UrlsAreMarkedWhereverTheyStand)
{
    TcXConsole console;
    console.AddLine(QStringLiteral("http://www.example.com/x"), clGreen);
    EXPECT_EQ(console.Lines()[0].Text, Style(0) + Colour(clGreen) + Style(4) + Colour(clBlue)
                                           + QStringLiteral("http://www.example.com/x") + Style(0) + Colour(clGreen));
    console.AddLine(QStringLiteral("get 10.0.0.1 and jo@exam.com."), clNavy);
    const QString second = console.Lines()[1].Text;
    EXPECT_EQ(second.count(Style(4)), 1) << "the address ending in a dot is no URL";
    EXPECT_TRUE(second.contains(Style(4) + Colour(clBlue) + QStringLiteral("10.0.0.1") + Style(0) + Colour(clNavy)));

    console.SetURLRecognize(false);
    console.AddLine(QStringLiteral("www.example.com"), clBlack);
    EXPECT_FALSE(console.Lines()[2].Text.contains(Style(4)));
}

TEST(ConsoleLines, CopyAllGivesThePlainTextsOnePerLine)
{
    TcXConsole console;
    console.AddLine(QStringLiteral("220 Welcome"), clNavy);
    console.AddLine(QStringLiteral("USER anonymous"), clGreen);
    console.AddLine(QStringLiteral("see http://www.example.com now"), clBlack);
    console.AddText(QStringLiteral("two "), -1, 0xC0C0C0, clRed, ConsoleCode::fsItalic);
    console.AddText(QStringLiteral("segments"), -1, clNone, clNone, 0);
    console.EndLine();
    console.CopyAll();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("220 Welcome\nUSER anonymous\nsee http://www.example.com now\ntwo segments\n"));

    console.Clear();
    EXPECT_EQ(console.Count(), 0);
    EXPECT_EQ(console.TotalHeight(), 0);
    console.CopyAll();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
}

TEST(ConsoleLines, ContextMenuCopiesAndClears)
{
    TcXConsole console;
    EXPECT_EQ(console.CopyAction()->text(), QStringLiteral("&Copy to clipboard"));
    EXPECT_EQ(console.ClearAction()->text(), QStringLiteral("C&lear"));
    EXPECT_EQ(console.ContextMenu()->actions(), QList<QAction*>({console.CopyAction(), console.ClearAction()}));
    console.AddLine(QStringLiteral("menu line"), clBlack);
    console.CopyAction()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("menu line\n"));
    console.ClearAction()->trigger();
    EXPECT_EQ(console.Count(), 0);
}

TEST(ConsoleLogFile, NameValidation)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = dir.path() + u'/';
    ASSERT_TRUE(testutil::writeFile(base + QStringLiteral("plainfile"), "x"));
    struct Case
    {
        QString name;
        bool valid;
    };
    const Case cases[] = {
        {QStringLiteral("session.log"), true},
        {base + QStringLiteral("session.log"), true},
        {QStringLiteral("/session.log"), true},
        {base + QString(256, u'a'), true},
        {base + QString(257, u'a'), false},
        {base, false},
        {base + QStringLiteral("missing/session.log"), false},
        {base + QStringLiteral("plainfile/session.log"), false},
        {QString(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConsoleLog::IsValidLogFileName(c.name), c.valid) << c.name.toStdString();
    for (QChar bad : QStringLiteral("\\?\"*:<>|\t"))
        EXPECT_FALSE(ConsoleLog::IsValidLogFileName(base + QStringLiteral("a") + bad + QStringLiteral("b"))) << int(bad.unicode());

    // The property takes a valid or empty name only.
    TcXConsole console;
    console.SetLogFileName(base + QStringLiteral("one.log"));
    EXPECT_EQ(console.LogFileName(), base + QStringLiteral("one.log"));
    console.SetLogFileName(base + QStringLiteral("missing/two.log"));
    EXPECT_EQ(console.LogFileName(), base + QStringLiteral("one.log"));
    console.SetLogFileName(QString());
    EXPECT_TRUE(console.LogFileName().isEmpty());
}

TEST(ConsoleLogFile, HoldsThePlainLinesAppended)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/console.log");
    ASSERT_TRUE(testutil::writeFile(path, "earlier\n"));
    TcXConsole console;
    console.SetLogFileName(path);
    console.AddLine(QStringLiteral("not logged yet"), clBlack);
    console.SetLogKeep(true);
    console.AddLine(QStringLiteral("220 ready at ftp://ftp.example.com"), clNavy);
    console.AddText(QStringLiteral("ERROR: "), -1, clNone, clRed, ConsoleCode::fsBold);
    console.AddText(QString::fromUtf8("Connection refused \xe2\x9c\x97"), -1, 0xFFFFFF, clNone, 0);
    EXPECT_EQ(testutil::readFile(path).toStdString(), "earlier\n220 ready at ftp://ftp.example.com\n")
        << "a line is written when it ends";
    console.EndLine();
    EXPECT_EQ(testutil::readFile(path).toStdString(),
              "earlier\n220 ready at ftp://ftp.example.com\nERROR: Connection refused \xe2\x9c\x97\n");
}

TEST(ConsoleLogFile, AWriteFailureIsReportedAndTheLineKept)
{
    QTemporaryDir dir;
    const QString sub = dir.path() + QStringLiteral("/logs");
    ASSERT_TRUE(QDir().mkpath(sub));
    TcXConsole console;
    console.SetLogFileName(sub + QStringLiteral("/console.log"));
    console.SetLogKeep(true);
    QStringList errors;
    console.OnLogError = [&](const QString& message) { errors << message; };
    ASSERT_TRUE(QDir(sub).removeRecursively());
    console.AddLine(QStringLiteral("still shown"), clBlack);
    EXPECT_EQ(console.Count(), 1);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(sub + QStringLiteral("/console.log")));
}

TEST(ConsoleLines, NarrowConsoleWrapsNothingUntilTheNextResize)
{
    auto console = MakeConsole(QSize(50, 100));
    console->AddLine(QStringLiteral("a line added while narrow"), clBlack);
    EXPECT_TRUE(console->Lines()[0].Breaks.isEmpty());
    EXPECT_EQ(console->Lines()[0].Height, 0);
    EXPECT_EQ(console->TotalHeight(), 0);

    consoletest::ResizeViewport(*console, QSize(400, 100));
    EXPECT_EQ(console->Lines()[0].Height, console->RowHeight());
    EXPECT_EQ(console->TotalHeight(), console->RowHeight());
}

TEST(ConsoleLines, FontChangeReWrapsWithTheNewRowHeight)
{
    auto console = MakeConsole(QSize(300, 100));
    AddNumbered(*console, 1, 20, QStringLiteral("a line long enough to need two rows at this width "));
    const qint64 before = console->TotalHeight();
    QFont big = consoletest::TestFont();
    big.setPixelSize(20);
    console->setFont(big);
    console->FinishRewrap();
    EXPECT_GT(console->RowHeight(), 20 - 1);
    EXPECT_GT(console->TotalHeight(), before);
    qint64 sum = 0;
    for (int i = 0; i < console->Count(); ++i) {
        const TTextPack& line = console->Lines()[i];
        EXPECT_EQ(line.Height, line.Breaks.size() * console->RowHeight());
        sum += line.Height;
    }
    EXPECT_EQ(console->TotalHeight(), sum);
    EXPECT_TRUE(console->AtBottom());
}

}  // namespace
