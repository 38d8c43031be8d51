#include "platform/core/apperror.h"
#include "settings/scramble.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

void expectStorable(const QByteArray& stored, int plainBytes)
{
    ASSERT_EQ(stored.size(), 2 * plainBytes + 1);
    EXPECT_EQ(stored.at(0), ScrambleMarker);
    for (qsizetype i = 1; i < stored.size(); ++i) {
        const quint8 byte = quint8(stored.at(i));
        EXPECT_TRUE(byte != 0 && byte != 10 && byte != 13) << "byte " << i;
        if (i % 2 == 0) {
            EXPECT_TRUE(byte >= 50 && byte <= 99) << "filler " << i;
        }
    }
}

TEST(Scramble, RoundTripsAndKeepsEveryByteStorable)
{
    const QString passwords[] = {
        "abc", "secret pass=;[x]", " leading and trailing ", QString::fromUtf8("p\xC3\xA4sswort \xE2\x82\xAC \xF0\x9F\x94\x91"),
        QString(MaxPasswordBytes, 'z'),
    };
    // Every printable character of the first planes, in chunks that fit the length limit.
    QStringList printable;
    for (char16_t c = 32; c < 0x3000; ++c) {
        if (QChar(c).category() != QChar::Other_Control) {
            if (printable.isEmpty() || printable.back().size() == 100)
                printable << QString();
            printable.back() += QChar(c);
        }
    }
    for (const QString& chunk : printable) {
        const QByteArray stored = ScramblePassword(chunk);
        expectStorable(stored, int(chunk.toUtf8().size()));
        EXPECT_EQ(UnscramblePassword(stored), chunk);
    }
    for (const QString& password : passwords) {
        const QByteArray stored = ScramblePassword(password);
        expectStorable(stored, int(password.toUtf8().size()));
        EXPECT_TRUE(IsScrambled(stored));
        EXPECT_EQ(UnscramblePassword(stored), password);
    }
}

TEST(Scramble, ThreeCharactersGiveSevenAndTheOffsetIsFixed)
{
    const QByteArray stored = ScramblePassword("abc");
    ASSERT_EQ(stored.size(), 7);
    EXPECT_EQ(stored.at(1), char('a' + ScrambleOffset));
    EXPECT_EQ(stored.at(3), char('b' + ScrambleOffset));
    EXPECT_EQ(stored.at(5), char('c' + ScrambleOffset));
    EXPECT_EQ(ScrambleOffset, 11);
}

TEST(Scramble, TheSamePasswordScramblesDifferentlyEachTime)
{
    const QString password = "a rather long password";
    EXPECT_NE(ScramblePassword(password), ScramblePassword(password));
}

TEST(Scramble, RefusesWhatCannotBeStored)
{
    EXPECT_EQ(passwordProblem("fine"), std::nullopt);
    EXPECT_EQ(passwordProblem(QString("tab\there")), "Passwords cannot contain control characters.");
    EXPECT_EQ(passwordProblem(QString(QChar(2))), "Passwords cannot contain control characters.");
    EXPECT_EQ(passwordProblem(QString(QChar(0x7f))), "Passwords cannot contain control characters.");
    EXPECT_EQ(passwordProblem(QString(MaxPasswordBytes + 1, 'x')),
              "Passwords cannot be longer than 511 bytes.");
    EXPECT_THROW(ScramblePassword("new\nline"), AppError);
}

TEST(Scramble, ShortOrUnmarkedValues)
{
    EXPECT_EQ(ScramblePassword(""), QByteArray(1, ScrambleMarker));
    EXPECT_EQ(UnscramblePassword(QByteArray(1, ScrambleMarker)), "");
    EXPECT_EQ(UnscramblePassword(QByteArray()), "");
    EXPECT_FALSE(IsScrambled("plain"));
    EXPECT_FALSE(IsScrambled(""));
}

TEST(Scramble, AStoredValueWithoutTheMarkerIsAPlainPassword)
{
    EXPECT_EQ(StoredPassword(ScramblePassword("secret")), "secret");
    EXPECT_EQ(StoredPassword("typed by hand"), "typed by hand");
    EXPECT_EQ(StoredPassword(""), "");
}

}  // namespace
