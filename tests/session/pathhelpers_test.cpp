// Path splitting, the trailing separator, size texts and the program's wildcard masks.
#include "session/pathhelpers.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

TEST(PathHelpers, EnsureTrailingSeparator)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/", "/"},             // a lone separator stays
        {"\\", "\\"},
        {"a", "a"},             // as does any one-character path
        {"", ""},
        {"/pub", "/pub/"},
        {"/pub/", "/pub/"},
        {"C:\\data", "C:\\data\\"},
        {"C:\\", "C:\\"},
        {"~/up", "~/up/"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(EnsureTrailingSeparator(QString::fromUtf8(path)), QString::fromUtf8(expected)) << path;
}

TEST(PathHelpers, SplitsAtTheLastSeparatorBeforeTheEnd)
{
    struct Case { const char* path; const char* directory; const char* name; };
    const Case cases[] = {
        {"/pub/dir/", "/pub/", "dir/"},  // a trailing separator belongs to the name
        {"/pub/file.txt", "/pub/", "file.txt"},
        {"/a", "/", "a"},
        {"C:\\data\\x.bin", "C:\\data\\", "x.bin"},
        {"/mixed\\name", "/mixed\\", "name"},
    };
    for (const Case& c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(DirectoryPart(path), QString::fromUtf8(c.directory)) << c.path;
        EXPECT_EQ(FileNamePart(path), QString::fromUtf8(c.name)) << c.path;
    }
}

TEST(PathHelpers, NoSeparatorLeavesTheCallersValue)
{
    for (const char* path : {"name.txt", "/", "a/", ""}) {
        QString directory = QStringLiteral("kept");
        QString name = QStringLiteral("kept too");
        directory = DirectoryPart(QString::fromUtf8(path)).value_or(directory);
        name = FileNamePart(QString::fromUtf8(path)).value_or(name);
        EXPECT_EQ(directory, QStringLiteral("kept")) << path;
        EXPECT_EQ(name, QStringLiteral("kept too")) << path;
    }
}

TEST(PathHelpers, StripThousandsUsesTheLocaleSeparator)
{
    EXPECT_EQ(StripThousands(QStringLiteral("1,234,567")), QStringLiteral("1234567"));
    EXPECT_EQ(StripThousands(QString()), QString());
    EXPECT_EQ(StripThousands(QStringLiteral("999")), QStringLiteral("999"));

    const QLocale before;
    for (const QLocale& locale : {QLocale(QLocale::German, QLocale::Germany),
                                  QLocale(QLocale::French, QLocale::France)}) {
        QLocale::setDefault(locale);
        const QString shown = locale.toString(qint64(1234567890123));
        EXPECT_NE(shown, QStringLiteral("1234567890123"));
        EXPECT_EQ(StripThousands(shown), QStringLiteral("1234567890123")) << qPrintable(locale.name());
    }
    QLocale::setDefault(before);
}

struct MaskCase
{
    const char* name;
    const char* mask;
    bool matches;
};

TEST(PathHelpers, MatchMaskRules)
{
    const MaskCase cases[] = {
        // 1. everything
        {"anything.at.all", "*", true},
        {"noext", "*.*", true},
        // 2. no star: the whole name, any case
        {"readme", "README", true},
        {"readme.txt", "README", false},
        // 3. *.EXT: the extension from the last dot
        {"a.txt", "*.TXT", true},
        {"A.TXT", "*.txt", true},
        {"a.txt.bak", "*.txt", false},
        {"txt", "*.txt", false},
        {"archive.tar.gz", "*.gz", true},
        // 4. *PART.EXT and *PART.*: the part runs up to and including the first dot
        {"fooabc.txt", "*abc.txt", true},
        {"fooabc.doc", "*abc.txt", false},
        {"fooabc.doc", "*ABC.*", true},
        {"abcdef", "*abc.*", false},
        {"xABCy", "*ABC*", false},       // no dot, no part: never matches
        {"ABC", "*ABC*", false},
        {"ABC", "*ABC", false},
        {"page.html", "*.htm*", false},  // the mask's extension keeps its star
        // 5. PRE*.EXT
        {"abcdef.txt", "AB*.TXT", true},
        {"xabc.txt", "AB*.TXT", false},
        {"ab.doc", "AB*.TXT", false},
        // 6. PRE* compares up to the star, PRE.* up to the dot
        {"abnormal", "AB*", true},
        {"a", "AB*", false},
        {"ABCDEF.TXT", "ABC.*", true},
        {"abx.txt", "ABC.*", false},
        {"ab.c", "AB*.*", true},
    };
    for (const MaskCase& c : cases)
        EXPECT_EQ(MatchMask(QString::fromUtf8(c.name), QString::fromUtf8(c.mask)), c.matches)
            << c.name << " vs " << c.mask;
}

}  // namespace
