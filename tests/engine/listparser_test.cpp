// Listing lines of every server family, word splitting and the two date forms. The clock is
// pinned to 15 June 2024 noon and the locale to en_US (short date M/d/yy, short time h:mm AP).
#include "engine/listparser.h"
#include "platform/core/clock.h"

#include <QLocale>
#include <gtest/gtest.h>

// Readable failure output for texts.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class ListParserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Clock::setSource([] { return QDateTime(QDate(2024, 6, 15), QTime(12, 0)); });
    }
    void TearDown() override
    {
        Clock::setSource({});
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Parses one line into an entry whose fields hold markers, to show which ones a format fills.
    bool parse(TFTPServerType type, const QString& line)
    {
        entry = ListEntry{};
        entry.Owner = QStringLiteral("<owner>");
        entry.Group = QStringLiteral("<group>");
        return parser.ParseListLine(type, line, entry);
    }

    TListParser parser;
    ListEntry entry;
};

// Qt's en_US short time holds a narrow no-break space on newer CLDR data; compare loosely.
QString plainSpaces(QString text)
{
    return text.replace(QChar(0x202F), QLatin1Char(' '));
}

struct LineCase
{
    const char* line;
    const char* name;  // nullptr: rejected
    char kind;
    const char* owner;
    const char* group;
    const char* size;
    const char* date;
};

void expectEntry(const LineCase& c, bool accepted, const ListEntry& e)
{
    SCOPED_TRACE(c.line);
    ASSERT_EQ(accepted, c.name != nullptr);
    if (!accepted)
        return;
    EXPECT_EQ(e.Name, QString::fromUtf8(c.name));
    EXPECT_EQ(EntryKind(e), c.kind);
    EXPECT_EQ(e.Owner, QString::fromUtf8(c.owner));
    EXPECT_EQ(e.Group, QString::fromUtf8(c.group));
    EXPECT_EQ(e.Size, QString::fromUtf8(c.size));
    EXPECT_EQ(plainSpaces(e.Date), QString::fromUtf8(c.date));
}

}  // namespace

TEST(ListWords, WordsCountRunsOfSpacesAsOneAndTheLastWordIsEmpty)
{
    struct { const char* line; int n; const char* word; } cases[] = {
        {"a b c", 0, "a"},
        {"a   b    c", 1, "b"},
        {"a b c", 2, ""},        // the last word: no space follows it
        {"a b c ", 2, "c"},      // a trailing space makes it a word
        {"a b", 5, ""},          // fewer words than asked for
        {"  a b", 0, ""},        // leading spaces make an empty first word
        {"  a b", 1, "a"},
        {"a\tb c", 0, "a\tb"},   // only the space character separates
        {"", 0, ""},
        {"a b", -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ListWord(QString::fromUtf8(c.line), c.n), QString::fromUtf8(c.word));
    }
}

TEST(ListWords, RestDropsOneSpaceAfterTheLastWordAndCutsBeforeTheLinkArrow)
{
    struct { const char* line; int n; const char* rest; } cases[] = {
        {"a  b   c d", 1, " b   c d"},  // spaces after the last word removed stay, but one
        {"a  b   c d", 2, "  c d"},
        {"12:00   spaced name", 1, "  spaced name"},  // a name may begin with spaces
        {"12:00 link -> target", 1, "link"},
        {"12:00 a->b", 1, "a->b"},                    // no space before the arrow: part of the name
        {"a b", 3, ""},                               // too few words
        {"onlyword", 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ListRest(QString::fromUtf8(c.line), c.n), QString::fromUtf8(c.rest));
    }
}

TEST_F(ListParserTest, UnixDatesTakeTheYearFromTodayWhenTheyShowATime)
{
    struct { const char* text; const char* date; } cases[] = {
        {"Jan 5 12:00", "1/5/24 12:00 PM"},
        {"Jun 15 23:59", "6/15/24 11:59 PM"},   // today is not in the future
        {"Jun 16 00:00", "6/16/23 12:00 AM"},   // tomorrow would be: last year
        {"Dec 31 9:05", "12/31/23 9:05 AM"},
        {"Aug 24 2001", "8/24/01 12:00 AM"},
        {"Feb 29 2000", "2/29/00 12:00 AM"},
        // Not a date: the text stays as the server wrote it.
        {"Feb 30 2001", "Feb 30 2001"},
        {"jan 5 2001", "jan 5 2001"},           // month names are case-sensitive
        {"Jan 5 24:00", "Jan 5 24:00"},
        {"Jan x 2001", "Jan x 2001"},
        {"Jan 5 -001", "Jan 5 -001"},
        {"6\u6708 3\u65e5 2003\u5e74", "6\u6708 3\u65e5 2003\u5e74"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(plainSpaces(UnixDate(QString::fromUtf8(c.text))), QString::fromUtf8(c.date));
    }
}

TEST_F(ListParserTest, DosDatesReadTwelveHourAndTwentyFourHourTimes)
{
    struct { const char* text; const char* date; } cases[] = {
        {"01-15-99 10:30PM", "1/15/99 10:30 PM"},
        {"01-15-99 10:30AM", "1/15/99 10:30 AM"},
        {"01-15-99 12:05PM", "1/15/99 12:05 PM"},
        {"01-15-99 12:05AM", "1/15/99 12:05 AM"},  // five past midnight, not noon
        {"01-15-70 01:00AM", "1/15/70 1:00 AM"},   // 70 and below: 2000s
        {"01-15-71 01:00AM", "1/15/71 1:00 AM"},   // above: 1900s
        {"12-05-96 17:03", "12/5/96 5:03 PM"},
        {"10-19-2012 03:13PM", "10/19/12 3:13 PM"},
        {"2002-09-02 18:48", "9/2/02 6:48 PM"},
        // No date: empty.
        {"ab-cd-ef 10:30PM", ""},
        {"13-01-99 10:30AM", ""},
        {"01-15-99 13:30PM", ""},
        {"01-15-99 10:3", ""},
        {"01-15-99", ""},
        {"01-15 10:30AM", ""},
        {"01-15-999 10:30AM", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(plainSpaces(DosDate(QString::fromUtf8(c.text))), QString::fromUtf8(c.date));
    }
}

TEST_F(ListParserTest, DatesFollowTheDefaultLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(UnixDate(u"Jan 5 2001"), u"05.01.01 00:00");
    EXPECT_EQ(DosDate(u"01-15-99 10:30PM"), u"15.01.99 22:30");
}

TEST_F(ListParserTest, UnixLinesWithAndWithoutGroupColumn)
{
    const LineCase cases[] = {
        {"drwxr-xr-x   2 alice    staff         512 Jan  5 12:00 projects", "projects", 'd', "alice",
         "staff", "512", "1/5/24 12:00 PM"},
        {"-rw-r--r--   1 alice    staff   5000000000 Aug 24  2001 big.iso", "big.iso", 'f', "alice",
         "staff", "5000000000", "8/24/01 12:00 AM"},
        {"frw-r--r--   1 alice    staff          10 Aug 24  2001 f-type", "f-type", 'f', "alice", "staff",
         "10", "8/24/01 12:00 AM"},
        {"lrwxrwxrwx   1 root     root            7 Jan 25  2020 bin -> usr/bin", "bin", 'l', "root",
         "root", "7", "1/25/20 12:00 AM"},
        {"-rw-r--r--   1 alice    staff          10 Jan  5  2020   two spaces", "  two spaces", 'f',
         "alice", "staff", "10", "1/5/20 12:00 AM"},
        {"-rw-r--r--   1 alice    staff          10 Jan  5  2020 a name with  spaces",
         "a name with  spaces", 'f', "alice", "staff", "10", "1/5/20 12:00 AM"},
        // Word 4 is no number (the month): no group column.
        {"-rw-r--r--   1 alice       3518644 May 25 12:12 std", "std", 'f', "alice", "<group>", "3518644",
         "5/25/24 12:12 PM"},
        // Sizes of up to 20 digits and decimals count as numbers; 21 digits do not.
        {"-rw-r--r-- 1 u g 18446744073709551615 Jan 5 2001 max", "max", 'f', "u", "g",
         "18446744073709551615", "1/5/01 12:00 AM"},
        {"-rw-r--r-- 1 u g 12.5 Jan 5 2001 dec", "dec", 'f', "u", "g", "12.5", "1/5/01 12:00 AM"},
        {"-rw-r--r-- 1 u g 123456789012345678901 Jan 5 2001 x", "2001 x", 'f', "u", "<group>", "g",
         "123456789012345678901 Jan 5"},
        // NetWare: a bracketed word 1 means no group column whatever word 4 is.
        {"- [RWCEAFMS] owner 1234 5 Jan 2001 x", "x", 'f', "owner", "<group>", "1234", "5 Jan 2001"},
        // Colour codes of ls --color.
        {"drwxr-xr-x 2 u g 4096 Jan 5 2001 \x1b[01;34mcoloured\x1b[0m", "coloured", 'd', "u", "g", "4096",
         "1/5/01 12:00 AM"},
        {"-rw-r--r-- 1 u g 1 Jan 5 2001 \x1b[0mplain", "plain", 'f', "u", "g", "1", "1/5/01 12:00 AM"},
        {"-rw-r--r-- 1 u g 1 Jan 5 2001 \x1b[01;32munreset", "unreset", 'f', "u", "g", "1",
         "1/5/01 12:00 AM"},
        // Not entries: the first character decides, an empty name rejects.
        {"total 123", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {"", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {" -rw-r--r-- 1 u g 1 Jan 5 2001 indented", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {"crw-r--r-- 1 u g 1 Jan 5 2001 device", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {"drwxr-xr-x 2 u g 4096 Jan 5 2001", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {"drwxr-xr-x 2 u g 4096 Jan 5 2001 ", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {"-rw-r--r-- 1 u g 1 Jan 5 2001 \x1b[31", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {"-rw-r--r--", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    };
    for (const LineCase& c : cases) {
        const bool accepted = parse(ftpstUNIX, QString::fromUtf8(c.line));
        expectEntry(c, accepted, entry);
    }
}

TEST_F(ListParserTest, EveryUnixTypeReadsUnixLinesAndRedhatHasNoGroupColumn)
{
    const QString line = QStringLiteral("-rw-r--r-- 1 u g 10 Jan 5 2001 file");
    for (TFTPServerType type : {ftpstDefault, ftpstUNIX, ftpstULTRIX, ftpstU5000, ftpstSINTFTPD, ftpstWarFTPD}) {
        SCOPED_TRACE(int(type));
        ASSERT_TRUE(parse(type, line));
        EXPECT_EQ(entry.Name, u"file");
        EXPECT_EQ(entry.Group, u"g");
        EXPECT_EQ(entry.Size, u"10");
    }
    ASSERT_TRUE(parse(ftpstRedhat, QStringLiteral("-rw-r--r-- 1 u 10 Jan 5 2001 file")));
    EXPECT_EQ(entry.Owner, u"u");
    EXPECT_EQ(entry.Group, u"<group>");
    EXPECT_EQ(entry.Size, u"10");
    EXPECT_EQ(entry.Name, u"file");
}

TEST_F(ListParserTest, WindowsNtLines)
{
    const LineCase cases[] = {
        {"01-15-99  10:30PM                 1234 report.txt", "report.txt", 'f', "", "<group>", "1234",
         "1/15/99 10:30 PM"},
        {"01-15-99  12:05AM       <DIR>          Program Files", "Program Files", 'd', "", "<group>", "0",
         "1/15/99 12:05 AM"},
        // Beyond the padding of "<DIR>" and the one space after a size, spaces are the name's.
        {"01-15-99  12:05AM       <DIR>           lead", " lead", 'd', "", "<group>", "0",
         "1/15/99 12:05 AM"},
        {"01-15-99  12:05AM       <DIR> short", "short", 'd', "", "<group>", "0", "1/15/99 12:05 AM"},
        {"01-15-99  10:30PM                 1234  lead", " lead", 'f', "", "<group>", "1234",
         "1/15/99 10:30 PM"},
        {"01-15-99  10:30PM             1,234,567 commas", "commas", 'f', "", "<group>", "1,234,567",
         "1/15/99 10:30 PM"},
        // A line that is no DOS line keeps an empty date.
        {"Volume in drive C", "C", 'f', "", "<group>", "drive", ""},
        // UNIX-style lines of IIS carry "owner".
        {"-rwxrwxrwx   1 owner    group          1803 Jan 20  2009 unixstyle.txt", "unixstyle.txt", 'f',
         "owner", "group", "1803", "1/20/09 12:00 AM"},
        {"01-15-99  10:30PM                 1234 owner.txt", "owner.txt", 'f', "", "<group>", "1234",
         "1/15/99 10:30 PM"},
        {"01-15-99  10:30PM                 1234 *.* ", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {"01-15-99  10:30PM                 1234", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {"01-15-99  10:30PM       <DIR>          ", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
    };
    for (const LineCase& c : cases) {
        const bool accepted = parse(ftpstWinNT, QString::fromUtf8(c.line));
        expectEntry(c, accepted, entry);
    }
}

TEST_F(ListParserTest, VmsLinesDropTheVersionAndMarkDirectories)
{
    struct { const char* line; const char* name; bool dir; const char* size; const char* date; } cases[] = {
        {"1-JUN.LIS;1              9/9           2-JUN-1998 07:32:04  [GROUP,OWNER]    (RWED,RWED,RWED,RE)",
         "1-JUN.LIS", false, "9/9", "2-JUN-1998 07:32:04"},
        {"DATA.DIR;1               1/9           2-JUN-1998 07:32:04  [GROUP,OWNER]    (RWED,RWED,RWED,RE)",
         "DATA", true, "1/9", "2-JUN-1998 07:32:04"},
        {"lower.dir;1 1 2-JUN-1998 07:32:04 [G,O] (RWED,RWED,RWED,RE)", "lower", true, "1",
         "2-JUN-1998 07:32:04"},
        // Only the type .DIR makes a directory (ODS-5 names may hold more dots).
        {"NOTES.DIR.TXT;1 1 2-JUN-1998 07:32:04 [G,O] (RWED,RWED,RWED,RE)", "NOTES.DIR.TXT", false, "1",
         "2-JUN-1998 07:32:04"},
        {"DIRTY.DIRT;1 1 2-JUN-1998 07:32:04 [G,O] (RWED,RWED,RWED,RE)", "DIRTY.DIRT", false, "1",
         "2-JUN-1998 07:32:04"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(parse(ftpstVmsUcx, QString::fromUtf8(c.line)));
        EXPECT_EQ(entry.Name, QString::fromUtf8(c.name));
        EXPECT_EQ(entry.IsDir, c.dir);
        EXPECT_EQ(entry.Size, QString::fromUtf8(c.size));
        EXPECT_EQ(entry.Date, QString::fromUtf8(c.date));
        EXPECT_EQ(entry.Owner, u"<owner>");
    }
    for (const char* line : {"Directory DISK$USER:[ANONYMOUS]", "Total of 2 files, 10/18 blocks.",
                             ";1 1 2-JUN-1998 07:32:04", ".DIR;1 1 2-JUN-1998 07:32:04"}) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(parse(ftpstVmsMultinet, QString::fromUtf8(line)));
    }
}

TEST_F(ListParserTest, VmsNameThatFillsItsLineIsJoinedWithTheNextLine)
{
    EXPECT_FALSE(parse(ftpstVmsMultinet, QStringLiteral("A_VERY_LONG_FILE_NAME_INDEED.TXT;12")));
    EXPECT_TRUE(parser.HasHeldText());
    // The continuation may begin at once with the size: the held name is joined with a space.
    ASSERT_TRUE(parse(ftpstVmsMultinet, QStringLiteral("10     2-JUL-2003 10:30:08.59  [FTP,SCOT]  (RWED,RWED,RE,)")));
    EXPECT_EQ(entry.Name, u"A_VERY_LONG_FILE_NAME_INDEED.TXT");
    EXPECT_EQ(entry.Size, u"10");
    EXPECT_EQ(entry.Date, u"2-JUL-2003 10:30:08.59");
    EXPECT_FALSE(parser.HasHeldText());

    // Reset, as a new listing starts, forgets a held name.
    EXPECT_FALSE(parse(ftpstVmsMultinet, QStringLiteral("HELD.TXT;1")));
    parser.Reset();
    ASSERT_TRUE(parse(ftpstVmsMultinet, QStringLiteral("OTHER.TXT;1 4 2-JUL-2003 10:30")));
    EXPECT_EQ(entry.Name, u"OTHER.TXT");
}

TEST_F(ListParserTest, VmsHeldTextBelongsToOneParser)
{
    // Two sessions listing at once must not splice each other's lines.
    TListParser browser;
    ListEntry other;
    EXPECT_FALSE(parse(ftpstVmsUcx, QStringLiteral("MAIN_WINDOW_LONG_NAME.TXT;1")));
    ASSERT_TRUE(browser.ParseListLine(ftpstVmsUcx, u"BROWSER.TXT;1 3 2-JUL-2003 10:30", other));
    EXPECT_EQ(other.Name, u"BROWSER.TXT");
    ASSERT_TRUE(parse(ftpstVmsUcx, QStringLiteral("   7 2-JUL-2003 10:30 [A,B] (RWED,RWED,,)")));
    EXPECT_EQ(entry.Name, u"MAIN_WINDOW_LONG_NAME.TXT");
    EXPECT_EQ(entry.Size, u"7");
}

TEST_F(ListParserTest, VmsLinesOpeningWithSpacesAreNeverHeld)
{
    // Holding them would let a hostile listing grow the held text line after line.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(parse(ftpstVmsUcx, QStringLiteral("  ;")));
    EXPECT_FALSE(parser.HasHeldText());
}

TEST_F(ListParserTest, VmAndVmVpsLinesJoinNameAndTypeWithAFullStop)
{
    ASSERT_TRUE(parse(ftpstVM, QStringLiteral("README   ANONYMOU V         71         26          1 1997-04-02 12:33:20 TCP291")));
    EXPECT_EQ(entry.Name, u"README.ANONYMOU");
    EXPECT_EQ(entry.Size, u"71");
    EXPECT_EQ(entry.Date, u"1997-04-02 12:33:20");
    EXPECT_FALSE(entry.IsDir);
    EXPECT_EQ(entry.Owner, u"<owner>");

    ASSERT_TRUE(parse(ftpstVMVPS, QStringLiteral("PROFILE  EXEC     1234  F  80  1  08:15  01/02/99 x")));
    EXPECT_EQ(entry.Name, u"PROFILE.EXEC");
    EXPECT_EQ(entry.Size, u"1234");
    EXPECT_EQ(entry.Date, u"01/02/99 08:15");
    for (const char* line : {"FILENAME FILETYPE = x", "  totals: 12 files", "x 12 rf trks used",
                             "x y track limit 3"}) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(parse(ftpstVMVPS, QString::fromUtf8(line)));
    }
}

TEST_F(ListParserTest, MacOsLinesOfNetPresenzAndPlainLs)
{
    const LineCase cases[] = {
        {"drwxr-xr-x               folder        0 Jan  4 14:51 Alias_to_Steak", "Alias_to_Steak", 'd',
         "<owner>", "<group>", "0", "Jan 4 14:51"},
        {"-rw-r--r--    78440       49231   127671 Jul 22  2010 Filename with whitespace.jpg",
         "Filename with whitespace.jpg", 'f', "<owner>", "<group>", "49231", "Jul 22 2010"},
        // WebSTAR writes ls lines with owner and group: read as such.
        {"drwx------  0  owner  group         1 Jan 30 17:16 bundleup", "bundleup", 'd', "owner", "group",
         "1", "1/30/24 5:16 PM"},
        {"-rwx------  0  owner  group   1605421 Mar 30  2001 updater.hqx", "updater.hqx", 'f', "owner",
         "group", "1605421", "3/30/01 12:00 AM"},
        {"total 3", nullptr, 0, nullptr, nullptr, nullptr, nullptr},
        {"drwxr-xr-x               folder        0 Jan  4 14:51", nullptr, 0, nullptr, nullptr, nullptr,
         nullptr},
    };
    for (const LineCase& c : cases) {
        const bool accepted = parse(ftpstMacOS, QString::fromUtf8(c.line));
        expectEntry(c, accepted, entry);
    }
}

TEST_F(ListParserTest, FamiliesWeDoNotReadRejectEveryLine)
{
    const QString lines[] = {
        QStringLiteral("-rw-r--r-- 1 u g 10 Jan 5 2001 file"),
        QStringLiteral("01-15-99  10:30PM                 1234 report.txt"),
        QStringLiteral("SYS1.PARMLIB  3390   2024/01/05  1   15  FB      80 27920  PO"),
    };
    for (TFTPServerType type : {ftpstAutoDetect, ftpstOrvoFTPd, ftpstMVS, ftpstClix, ftpstQVT, ftpstNCSA,
                                ftpstChameleon, ftpstMacFtpd, TFTPServerType(21), TFTPServerType(255)}) {
        for (const QString& line : lines)
            EXPECT_FALSE(parse(type, line)) << int(type) << " " << line.toStdString();
    }
}

TEST_F(ListParserTest, LongLinesParseWhole)
{
    const QString name(65536, QLatin1Char('n'));
    ASSERT_TRUE(parse(ftpstUNIX, QStringLiteral("-rw-r--r-- 1 u g 10 Jan 5 2001 ") + name));
    EXPECT_EQ(entry.Name, name);
    const QString spaces(65536, QLatin1Char(' '));
    EXPECT_FALSE(parse(ftpstUNIX, QStringLiteral("-") + spaces));
    ASSERT_TRUE(parse(ftpstWinNT, QStringLiteral("01-15-99  10:30PM 1 ") + name));
    EXPECT_EQ(entry.Name, name);
}
