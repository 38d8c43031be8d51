// URL recognition: each rule with a case just inside and just outside it, and the marking
// codes put around what was found.
#include "console/urlmatch.h"

#include <gtest/gtest.h>

namespace {

struct UrlCase
{
    const char* word;
    bool url;
    const char* why;
};

const UrlCase UrlCases[] = {
    // Shared conditions.
    {"a.bc", false, "four characters or fewer"},
    {"www.example.com.", false, "ends with a dot"},
    {"www.example..com", false, "holds two dots in a row"},
    {"www.exa\xc3\xa9mple.com", false, "a character outside ! to ~"},
    // 1: www.
    {"www.ab.c", true, "www. with a dot after it"},
    {"WWW.AB.C", true, "prefixes ignore case"},
    {"www.abcd", false, "nothing after www. holds a dot"},
    // 2: news:
    {"news:comp.os", true, "news: with a dot"},
    {"news:compos", false, "news: without a dot"},
    // 3: mailto:
    {"mailto:ab@cd.org", true, "mailto: address"},
    {"mailto:abc@.org", false, "the dot right after the @"},
    {"mailto:ab@cdorg", false, "no dot"},
    {"mailto:a@b.c", true, "too short for the mailto: rule, but the e-mail rule takes it"},
    // 4: e-mail address
    {"jo@exam.com", true, "e-mail address"},
    {"@jo.example", false, "@ at the start"},
    {"joe.x@example.com", false, "a dot before the @ comes first"},
    {"j@x.com", false, "the first dot not after position 4"},
    // 5: http://
    {"http://ab.cd", true, "http:// with its first dot after position 8"},
    {"http://.abcd", false, "the first dot at position 8"},
    // 6: ftp://
    {"ftp://ab.cd", true, "ftp:// with its first dot after position 7"},
    {"ftp://.abcd", false, "the first dot at position 7"},
    // 7: dotted IPv4 address
    {"10.0.0.1", true, "four parts"},
    {"255.255.255.255", true, "the highest values"},
    {"256.1.1.1", false, "a part above 255"},
    {"1.2.3", false, "three parts"},
    {"1.2.3.4.5", false, "five parts"},
    {"1.2.3.1234", false, "a part of four digits"},
    {"1.2.x.4", false, "a part that is no number"},
    // None of the rules.
    {"https://example.com", false, "no rule covers https"},
    {"plainword", false, "an ordinary word"},
};

TEST(ConsoleUrl, EachRuleAcceptsAndRefuses)
{
    for (const UrlCase& c : UrlCases)
        EXPECT_EQ(ConsoleUrl::IsURL(QString::fromUtf8(c.word)), c.url) << c.word << ": " << c.why;
}

TEST(ConsoleUrl, HttpDotPositionBoundary)
{
    // The first dot at position 9 is after position 8; the word must be longer than 10.
    EXPECT_FALSE(ConsoleUrl::IsURL(u"http://a.b"));
    EXPECT_TRUE(ConsoleUrl::IsURL(u"http://a.bc"));
}

QString Style(int s) { return ConsoleCode::StyleCode(s); }
QString Colour(TColor c) { return ConsoleCode::ColorCode(c); }

TEST(ConsoleUrl, MarkingRestoresTheStyleAndColourBeforeIt)
{
    const QString text = Style(1) + Colour(clGreen) + QStringLiteral("see www.ab.cd now");
    const int pos = int(text.indexOf(u"www"));
    EXPECT_EQ(ConsoleUrl::MarkURL(text, pos, 9, clBlue),
              Style(1) + Colour(clGreen) + QStringLiteral("see ") + Style(4) + Colour(clBlue) + QStringLiteral("www.ab.cd") + Style(1)
                  + Colour(clGreen) + QStringLiteral(" now"));
    // Without any code before it, the URL hands back to the default colour.
    EXPECT_EQ(ConsoleUrl::MarkURL(QStringLiteral("www.ab.cd"), 0, 9, clRed),
              Style(4) + Colour(clRed) + QStringLiteral("www.ab.cd") + Style(0) + Colour(clNone));
}

TEST(ConsoleUrl, EveryOccurrenceIsMarkedOnce)
{
    const QString marked = ConsoleUrl::MarkURLs(QStringLiteral("1.2.3.4 or 1.2.3.4 and ftp://ab.cd"), clBlue);
    EXPECT_EQ(marked.count(Style(4)), 3);
    EXPECT_EQ(ConsoleCode::PlainText(marked), u"1.2.3.4 or 1.2.3.4 and ftp://ab.cd");
    // Marked words hold codes now, so a second pass leaves them alone.
    EXPECT_EQ(ConsoleUrl::MarkURLs(marked, clBlue), marked);
}

}  // namespace
