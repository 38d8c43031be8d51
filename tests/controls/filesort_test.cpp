// The file sorts of the list view: every column, direction and grouping, the parent entry on
// top, 64-bit sizes in the locale's grouping, locale dates, and rows that do not convert.
#include "controls/filesort.h"
#include "controls/orvoview.h"
#include "viewtestutil.h"

#include <gtest/gtest.h>

using namespace viewtest;

namespace {

// A local-view-like listing: parent, two directories, a link, four files. "zeta.txt" shares
// "beta"'s date; "delta.c" is over 2 GiB; "Gamma.TXT" has a date that does not convert.
const std::vector<Row> Listing = {
    {"zeta.txt", "1,024", "1/5/24 10:00 AM", 3},
    {"beta", "", "1/5/24 10:00 AM", 1},
    {"Echo.doc", "999", "12/31/99 11:59 PM", 3},
    {"..", "", "", 0},
    {"lnk", "12", "2/2/24 8:00 AM", 2},
    {"delta.c", "2,147,483,648", "6/15/24 1:30 PM", 3},
    {"Alpha", "", "3/1/23 9:00 AM", 1},
    {"Gamma.TXT", "5", "yesterday", 3},
};

struct SortCase
{
    int column;
    bool ascending;
    bool mixed;
    QStringList expected;
};

class FileSortTable : public ::testing::TestWithParam<SortCase>
{
protected:
    PinnedClock clock;
};

TEST_P(FileSortTable, OrdersTheListing)
{
    const SortCase& c = GetParam();
    TOrvoListView view;
    fill(view, Listing);
    view.SortFiles(c.column, c.ascending, c.mixed);
    EXPECT_EQ(captions(view), c.expected);

    // The result does not depend on the order the rows came in.
    TOrvoListView reversed;
    fill(reversed, std::vector<Row>(Listing.rbegin(), Listing.rend()));
    reversed.SortFiles(c.column, c.ascending, c.mixed);
    EXPECT_EQ(captions(reversed), c.expected);
}

const QString P = QStringLiteral("..");

INSTANTIATE_TEST_SUITE_P(
    Table, FileSortTable,
    ::testing::Values(
        // Name (column 3 sorts by name too).
        SortCase{0, true, false, {P, "Alpha", "beta", "lnk", "delta.c", "Echo.doc", "Gamma.TXT", "zeta.txt"}},
        SortCase{0, false, false, {P, "beta", "Alpha", "lnk", "zeta.txt", "Gamma.TXT", "Echo.doc", "delta.c"}},
        SortCase{0, true, true, {P, "Alpha", "beta", "delta.c", "Echo.doc", "Gamma.TXT", "lnk", "zeta.txt"}},
        SortCase{0, false, true, {P, "zeta.txt", "lnk", "Gamma.TXT", "Echo.doc", "delta.c", "beta", "Alpha"}},
        SortCase{3, true, false, {P, "Alpha", "beta", "lnk", "delta.c", "Echo.doc", "Gamma.TXT", "zeta.txt"}},
        // Size: 999 before 1,024; over 2 GiB is the largest; equal sizes by name.
        SortCase{1, true, false, {P, "Alpha", "beta", "lnk", "Gamma.TXT", "Echo.doc", "zeta.txt", "delta.c"}},
        SortCase{1, false, false, {P, "beta", "Alpha", "lnk", "delta.c", "zeta.txt", "Echo.doc", "Gamma.TXT"}},
        SortCase{1, true, true, {P, "Alpha", "beta", "Gamma.TXT", "lnk", "Echo.doc", "zeta.txt", "delta.c"}},
        SortCase{1, false, true, {P, "delta.c", "zeta.txt", "Echo.doc", "lnk", "Gamma.TXT", "beta", "Alpha"}},
        // Date: ascending lists the newest first; a date that does not read is the oldest;
        // "99" is 1999. Equal dates by name in the sort's direction.
        SortCase{2, true, false, {P, "beta", "Alpha", "lnk", "delta.c", "zeta.txt", "Echo.doc", "Gamma.TXT"}},
        SortCase{2, false, false, {P, "Alpha", "beta", "lnk", "Gamma.TXT", "Echo.doc", "zeta.txt", "delta.c"}},
        SortCase{2, true, true, {P, "delta.c", "lnk", "beta", "zeta.txt", "Alpha", "Echo.doc", "Gamma.TXT"}},
        SortCase{2, false, true, {P, "Gamma.TXT", "Echo.doc", "Alpha", "zeta.txt", "beta", "lnk", "delta.c"}}));

TEST(FileSort, ByExtensionGroupsKindsAndIgnoresCase)
{
    PinnedClock clock;
    TOrvoListView view;
    fill(view, Listing);
    view.SortByExtension(true);
    EXPECT_EQ(captions(view), QStringList({P, "Alpha", "beta", "lnk", "delta.c", "Echo.doc",
                                           "Gamma.TXT", "zeta.txt"}));
    view.SortByExtension(false);
    EXPECT_EQ(captions(view), QStringList({P, "beta", "Alpha", "lnk", "zeta.txt", "Gamma.TXT",
                                           "Echo.doc", "delta.c"}));
}

TEST(FileSort, SizesFollowTheLocaleGrouping)
{
    PinnedLocale german(QLocale(QLocale::German, QLocale::Germany));
    TOrvoListView view;
    fill(view, {{"big", "1.024", "", 3}, {"small", "999", "", 3}, {"huge", "3.000.000.000", "", 3}});
    view.SortFiles(1, true, false);
    EXPECT_EQ(captions(view), QStringList({"small", "big", "huge"}));
}

// A size or date that does not convert must not stop the sort half-way: the row counts as
// size 0 / the oldest date and every other row still lands in place.
TEST(FileSort, UnconvertibleTextsSortAsZeroAndOldest)
{
    PinnedClock clock;
    TOrvoListView view;
    fill(view, {{"c", "12", "2/1/24 1:00 PM", 3},
                {"bad", "12 KB", "31/31/24", 3},
                {"a", "3", "2/3/24 1:00 PM", 3},
                {"overflow", "99,999,999,999,999,999,999", "", 3},
                {"b", "", "2/2/24 1:00 PM", 3}});
    view.SortFiles(1, true, true);
    EXPECT_EQ(captions(view), QStringList({"b", "bad", "overflow", "a", "c"}));
    view.SortFiles(2, true, true);
    EXPECT_EQ(captions(view), QStringList({"a", "b", "c", "bad", "overflow"}));
}

TEST(FileSort, ReadSizeText)
{
    const QString comma = QStringLiteral(",");
    EXPECT_EQ(ReadSizeText(u"1,234,567", comma), 1234567);
    EXPECT_EQ(ReadSizeText(u"", comma), 0);
    EXPECT_EQ(ReadSizeText(u"  ", comma), 0);
    EXPECT_EQ(ReadSizeText(u"9,223,372,036,854,775,807", comma), std::numeric_limits<qint64>::max());
    EXPECT_EQ(ReadSizeText(u"-5", comma), -5);
    EXPECT_FALSE(ReadSizeText(u"9,223,372,036,854,775,808", comma));
    EXPECT_FALSE(ReadSizeText(u"1.5", comma));
    EXPECT_FALSE(ReadSizeText(u",", comma));
    EXPECT_FALSE(ReadSizeText(u"-", comma));
    // Separators of several characters and non-Latin digits, as some locales write them.
    EXPECT_EQ(ReadSizeText(u"1\u202F024", u"\u202F"), 1024);
    EXPECT_EQ(ReadSizeText(u"\u0661\u066C\u0660\u0662\u0664", u"\u066C"), 1024);
}

TEST(FileSort, ExtensionIsTheTextFromTheLastDot)
{
    EXPECT_EQ(FileExtension(u"archive.tar.gz"), u".gz");
    EXPECT_EQ(FileExtension(u".profile"), u".profile");
    EXPECT_TRUE(FileExtension(u"README").isEmpty());
}

}  // namespace
