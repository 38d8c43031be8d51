// The lists of "orvoftp.ini" beside the record: custom commands, the ASCII extension list,
// the rename rules, and the proxy port read back within the range a port can have.
#include "platform/core/inidocument.h"
#include "settings/customcommandlist.h"
#include "settings/extensionlists.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

namespace {

TEST(ViewSettings, AProxyPortOutsideThePortRangeReadsAsTheDefault)
{
    // 70000 used to reach the socket as 70000 mod 65536 = 4464.
    const std::pair<const char*, int> cases[] = {{"70000", 21}, {"65536", 21}, {"0", 21}, {"-1", 21},
                                                 {"65535", 65535}, {"1", 1}, {"0x438", 1080}, {"abc", 21}};
    for (const auto& [stored, port] : cases) {
        const IniDocument doc = IniDocument::parse(QByteArray("[Setup]\nProxyPort=") + stored + "\n");
        EXPECT_EQ(readViewSettings(doc).ProxyPort, port) << stored;
    }
}

TEST(CustomCommandList, ReadsByCounterUpToTheFirstMissingCaption)
{
    const IniDocument doc = IniDocument::parse("[Commands]\n"
                                               "c1=Who\np1=SITE WHO\nk1=Ctrl+Shift+W\n"
                                               "c2=Chmod\np2=SITE CHMOD %d %f\n"
                                               "c3=Odd key\np3=NOOP\nk3=Ctrl+Shift+q\n"
                                               "c5=Unreached\np5=NOOP\n");
    const QList<CustomCommand> commands = readCustomCommands(doc);
    ASSERT_EQ(commands.size(), 3);
    EXPECT_EQ(commands[0], (CustomCommand{"Who", "SITE WHO", "Ctrl+Shift+W"}));
    EXPECT_EQ(commands[0].key(), QChar('W'));
    EXPECT_TRUE(commands[1].key().isNull());  // no k2: no shortcut
    EXPECT_EQ(commands[1].command, "SITE CHMOD %d %f");
    EXPECT_EQ(commands[2].key(), QChar('Q'));  // read by its last character, upper case
}

TEST(CustomCommandList, WritingErasesTheSectionAndNumbersFromOne)
{
    IniDocument doc = IniDocument::parse("[Commands]\nc1=a\np1=b\nk1=\nc2=x\np2=y\nk2=Ctrl+Shift+X\nc3=z\np3=z\n");
    const QList<CustomCommand> written = {{"Who", "SITE WHO", ""}, {"Idle", "SITE IDLE %d", "Ctrl+Shift+I"}};
    writeCustomCommands(doc, written);
    EXPECT_EQ(doc.sectionKeys("Commands"), QStringList({"c1", "p1", "k1", "c2", "p2", "k2"}));
    EXPECT_EQ(readCustomCommands(doc), written);
}

TEST(ExtensionLists, TypedAsciiEntriesBecomeMasks)
{
    const std::pair<const char*, const char*> cases[] = {
        {"txt", "*.TXT"},        // the bare form never matched a file name
        {".txt", "*.TXT"},       {"*.htm", "*.HTM"},   {"readme*", "README*"},
        {"makefile.am", "MAKEFILE.AM"}, {".", "."},    {"  c ", "*.C"}, {"*", "*"},
    };
    for (const auto& [typed, stored] : cases)
        EXPECT_EQ(asciiExtensionEntry(typed), stored) << typed;
}

TEST(ExtensionLists, RenameExtensionsGetTheirDotAndRefuseWhatBreaksTheRule)
{
    EXPECT_EQ(renameExtension("html"), ".html");
    EXPECT_EQ(renameExtension(" .htm "), ".htm");
    for (const char* good : {"html", ".htm", "tar_gz", "C"})
        EXPECT_FALSE(renameExtensionProblem(good)) << good;
    for (const char* bad : {"a,b", "", ".", "a/b", "a\\\\b", "tar.gz", "my ext", ".."})
        EXPECT_TRUE(renameExtensionProblem(bad)) << bad;
    EXPECT_EQ(renameRule(".html", ".htm"), ".html,.htm");
    EXPECT_EQ(splitRenameRule(".html,.htm"), std::make_pair(QString(".html"), QString(".htm")));
    // A rule stored without a comma has no local part.
    EXPECT_EQ(splitRenameRule(".htm"), std::make_pair(QString(), QString(".htm")));
}

}  // namespace
