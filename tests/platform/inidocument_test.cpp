#include "platform/core/apperror.h"
#include "platform/core/inidocument.h"

#include <gtest/gtest.h>

namespace {

IniDocument doc(const char* text)
{
    return IniDocument::parse(QByteArray(text));
}

TEST(IniDocument, SectionAndKeyNamesIgnoreCase)
{
    const IniDocument d = doc("[Setup]\nAntiidle=0\nRETRY=5\n");
    EXPECT_FALSE(d.readBool("setup", "AntiIdle", true));
    EXPECT_EQ(d.readInteger("SETUP", "retry", 10), 5);
    EXPECT_TRUE(d.valueExists("sEtUp", "ANTIIDLE"));

    IniDocument w = d;
    w.writeInteger("SETUP", "antiIDLE", 1);
    EXPECT_EQ(w.serialize(), QByteArray("[Setup]\nAntiidle=1\nRETRY=5\n"));  // replaced in place
}

TEST(IniDocument, IntegerReading)
{
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"0x0A", 10},      {"0X1f", 31},         {"abc", -99},        {"", -99},
        {" 42 ", 42},      {"-7", -7},           {"+7", 7},           {"0x", -99},
        {"12abc", -99},    {"1.5", -99},         {"2147483647", 2147483647},
        {"2147483648", -99}, {"-2147483648", -2147483647 - 1}, {"0xFFFFFFFF", -1},
        {"0x100000000", -99}, {"0x0x5", -99},    {"-", -99},          {"0xG", -99},
    };
    for (const Case& c : cases) {
        const IniDocument d = IniDocument::parse(QByteArray("[S]\nk=") + c.text + '\n');
        EXPECT_EQ(d.readInteger("S", "k", -99), c.expected) << "value \"" << c.text << '"';
    }
    EXPECT_EQ(doc("[S]\n").readInteger("S", "k", 7), 7);
}

TEST(IniDocument, BooleanReading)
{
    const IniDocument d = doc("[S]\na=1\nb=0\nc=2\nd=abc\ne=\n");
    EXPECT_TRUE(d.readBool("S", "a", false));
    EXPECT_FALSE(d.readBool("S", "b", true));
    EXPECT_TRUE(d.readBool("S", "c", false));
    EXPECT_TRUE(d.readBool("S", "d", true));
    EXPECT_FALSE(d.readBool("S", "d", false));
    EXPECT_TRUE(d.readBool("S", "e", true));
    EXPECT_TRUE(d.readBool("S", "missing", true));

    IniDocument w;
    w.writeBool("S", "on", true);
    w.writeBool("S", "off", false);
    EXPECT_EQ(w.serialize(), QByteArray("[S]\non=1\noff=0\n"));
}

TEST(IniDocument, ListsEndAtTheFirstMissingOrEmptyKey)
{
    EXPECT_EQ(doc("[History]\nh1=a\nh2=b\nh4=d\n").readList("History", "h"), QStringList({"a", "b"}));
    EXPECT_EQ(doc("[History]\nh1=a\nh2=\nh3=c\n").readList("History", "h"), QStringList({"a"}));
    EXPECT_EQ(doc("[History]\nh2=b\n").readList("History", "h"), QStringList());
    EXPECT_EQ(doc("[HISTORY]\nH2=b\nH1=a\n").readList("history", "h"), QStringList({"a", "b"}));
}

TEST(IniDocument, WriteListErasesAndRenumbers)
{
    IniDocument d = doc("[Skip]\nEnabled=1\ns1=a\ns2=b\ns3=c\ns4=d\n[Other]\nx=1\n");
    d.writeList("Skip", "s", {"*.bak", "", "*.tmp"});
    EXPECT_EQ(d.serialize(), QByteArray("[Other]\nx=1\n\n[Skip]\ns1=*.bak\ns2=*.tmp\n"));
    EXPECT_EQ(d.readList("Skip", "s"), QStringList({"*.bak", "*.tmp"}));

    d.writeList("Skip", "s", {});
    EXPECT_FALSE(d.sectionExists("Skip"));
}

TEST(IniDocument, ValuesAreSeenUpTo1023Bytes)
{
    IniDocument d;
    const QByteArray longValue(1500, 'v');
    d.writeBytes("S", "long", longValue);
    EXPECT_EQ(d.readBytes("S", "long"), longValue.left(1023));
    EXPECT_EQ(d.readString("S", "long").size(), 1023);
    EXPECT_EQ(IniDocument::parse(d.serialize()).readBytes("S", "long").size(), 1023);

    // A two-byte character straddling the limit is left out rather than cut in half.
    d.writeString("S", "utf8", QString(1022, 'a') + QString::fromUtf8("\xC3\xA9xyz"));
    EXPECT_EQ(d.readString("S", "utf8"), QString(1022, 'a'));
}

TEST(IniDocument, ValuesRoundTripByteForByte)
{
    QByteArray allBytes;
    for (int b = 1; b < 256; ++b) {
        if (b != '\n' && b != '\r')
            allBytes += char(b);
    }
    const QByteArray values[] = {
        "a=b;c=d",  "; not a comment", "[not a section]", "  leading", "trailing  ", "\ttab\t",
        "\"quoted\"", "'single'",       "\"",              "\"\"",      "'a\"",       "   ",
        "x = y",    allBytes,           "\x7f" "a5b6",     "=",
    };
    IniDocument d;
    for (int i = 0; i < int(std::size(values)); ++i)
        d.writeBytes("S", QStringLiteral("k%1").arg(i), values[i]);
    const IniDocument back = IniDocument::parse(d.serialize());
    for (int i = 0; i < int(std::size(values)); ++i)
        EXPECT_EQ(back.readBytes("S", QStringLiteral("k%1").arg(i)), values[i]) << "value " << i;
}

TEST(IniDocument, ReadsHandWrittenFiles)
{
    const QByteArray text("\xEF\xBB\xBF"
                          "stray=before any section\r\n"
                          "; a comment\r\n"
                          "  [ Setup ]  \r\n"
                          "  Email = me@example.org  \r\n"
                          "Viewer=\"C:\\Program Files\\view.exe\"\r\n"
                          "no equals sign here\r\n"
                          "Path=\r\n"
                          "Path=second is ignored\r\n"
                          "[setup]\r\n"
                          "Hide=1\r\n");
    const IniDocument d = IniDocument::parse(text);
    EXPECT_EQ(d.readString("Setup", "Email"), "me@example.org");
    EXPECT_EQ(d.readString("Setup", "Viewer"), "C:\\Program Files\\view.exe");
    EXPECT_EQ(d.readString("Setup", "Path", "default"), "");  // present and empty
    EXPECT_FALSE(d.valueExists("Setup", "Hide"));             // only the first [Setup] counts
    EXPECT_FALSE(d.valueExists("Setup", "stray"));
    EXPECT_EQ(d.sections(), QStringList({"Setup"}));
    EXPECT_EQ(d.sectionKeys("SETUP"), QStringList({"Email", "Viewer", "Path"}));

    // Rewriting one key keeps the byte-order mark, the line ends and every other line.
    IniDocument w = d;
    w.writeString("Setup", "Email", "new@example.org");
    EXPECT_EQ(w.serialize(), QByteArray(text).replace("  Email = me@example.org  ", "Email=new@example.org"));
}

TEST(IniDocument, SingleByteCodePageTextReadsAsLatin1)
{
    const IniDocument d = doc("[S]\nname=Caf\xE9\n");
    EXPECT_EQ(d.readString("S", "name"), QString::fromUtf8("Caf\xC3\xA9"));
}

TEST(IniDocument, NewKeysJoinTheirSectionAndNewSectionsTheEnd)
{
    IniDocument d = doc("[A]\na1=1\n\n[B]\nb1=1\n");
    d.writeString("A", "a2", "2");
    d.writeString("C", "c1", "3");
    EXPECT_EQ(d.serialize(), QByteArray("[A]\na1=1\na2=2\n\n[B]\nb1=1\n\n[C]\nc1=3\n"));
}

TEST(IniDocument, EraseSectionAndDeleteKey)
{
    IniDocument d = doc("[A]\nx=1\n; about A\n[B]\ny=2\n[a]\nz=3\n");
    d.eraseSection("a");
    EXPECT_EQ(d.serialize(), QByteArray("[B]\ny=2\n"));

    IniDocument k = doc("[A]\nx=1\nX=2\ny=3\n");
    k.deleteKey("a", "x");
    EXPECT_FALSE(k.valueExists("A", "x"));  // the duplicate does not surface
    EXPECT_EQ(k.readString("A", "y"), "3");
    k.eraseSection("missing");
    k.deleteKey("missing", "x");
    EXPECT_EQ(k.serialize(), QByteArray("[A]\ny=3\n"));
}

TEST(IniDocument, RefusesWhatALineCannotHold)
{
    IniDocument d = doc("[S]\nk=v\n");
    const QByteArray before = d.serialize();
    EXPECT_THROW(d.writeString("S", "k", "two\nlines"), IniError);
    EXPECT_THROW(d.writeBytes("S", "k", QByteArray("nul\0byte", 8)), IniError);
    EXPECT_THROW(d.writeString("a]b", "k", "v"), IniError);
    EXPECT_THROW(d.writeString("S", "a=b", "v"), IniError);
    EXPECT_THROW(d.writeString("S", "", "v"), IniError);
    EXPECT_THROW(d.writeString(" ", "k", "v"), IniError);
    EXPECT_THROW(d.writeList("S", "s", {"ok", "bad\r"}), IniError);
    EXPECT_EQ(d.serialize(), before);
}

}  // namespace
