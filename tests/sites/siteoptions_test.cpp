#include "platform/core/apperror.h"
#include "sites/siteoptions.h"

#include <gtest/gtest.h>

namespace {

TEST(SiteOptions, HowMuchOfTheValueIsReadDependsOnItsLength)
{
    const SiteOptions defaults;
    EXPECT_EQ(SiteOptions::parse(""), defaults);
    EXPECT_EQ(SiteOptions::parse("1"), defaults);
    EXPECT_EQ(SiteOptions::parse("0121"), defaults);

    SiteOptions firstFive;
    firstFive.TransferMode = SiteOptions::Ascii;
    firstFive.AntiIdle = TriState::On;
    firstFive.RestoreState = TriState::Off;
    firstFive.LogSession = TriState::On;
    firstFive.RenameExtensions = true;
    EXPECT_EQ(SiteOptions::parse("01211"), firstFive);
    EXPECT_EQ(SiteOptions::parse("012111204"), firstFive);  // 9 characters: 6-8 not read

    SiteOptions all = firstFive;
    all.ServerType = 4;
    EXPECT_EQ(SiteOptions::parse("0121100400"), all);
    EXPECT_EQ(serverTypeNames().at(all.ServerType), "OrvoFTPd");
    EXPECT_EQ(SiteOptions::parse("01211004"), firstFive);  // 8 characters
}

TEST(SiteOptions, CharacterRules)
{
    const SiteOptions odd = SiteOptions::parse("2x9A211900");
    EXPECT_EQ(odd.TransferMode, SiteOptions::Auto);
    EXPECT_EQ(odd.AntiIdle, TriState::Off);  // anything but 0 and 1 is off
    EXPECT_EQ(odd.RestoreState, TriState::Off);
    EXPECT_EQ(odd.LogSession, TriState::Off);
    EXPECT_TRUE(odd.RenameExtensions);  // anything but 0 is on
    EXPECT_EQ(odd.ShowHidden, TriState::On);
    EXPECT_EQ(odd.ServerType, 19);

    EXPECT_EQ(SiteOptions::parse("9000000000").TransferMode, SiteOptions::UseDefault);
    EXPECT_EQ(SiteOptions::parse("3000002500").ServerType, 0);
    EXPECT_EQ(SiteOptions::parse(FreshSiteOptions), SiteOptions());
}

TEST(SiteOptions, DamagedNumbersAreReported)
{
    EXPECT_THROW(SiteOptions::parse("X000000000"), AppError);
    EXPECT_THROW(SiteOptions::parse("X0000"), AppError);
    EXPECT_THROW(SiteOptions::parse("3000000X00"), AppError);
    try {
        SiteOptions::parse("300000?000");
        FAIL();
    } catch (const AppError& e) {
        EXPECT_EQ(e.text(), "The site options \"300000?000\" are damaged: the server type \"?0\" is not a number.");
    }
}

TEST(SiteOptions, BuildingGivesTenCharactersThatReadBack)
{
    EXPECT_EQ(SiteOptions().toString(), FreshSiteOptions);
    SiteOptions o;
    o.TransferMode = SiteOptions::Binary;
    o.AntiIdle = TriState::Off;
    o.LogSession = TriState::On;
    o.ShowHidden = TriState::Off;
    o.ServerType = 17;
    EXPECT_EQ(o.toString(), "1201021700");
    EXPECT_EQ(SiteOptions::parse(o.toString()), o);
    EXPECT_EQ(SiteOptions::parse("0121100400").toString(), "0121100400");
}

TEST(SiteOptions, ServerTypesMapToTheEngine)
{
    ASSERT_EQ(serverTypeNames().size(), 20);
    EXPECT_EQ(serverTypeNames().front(), "Auto-Detect");
    EXPECT_EQ(serverTypeNames().back(), "WarFTPD");
    EXPECT_EQ(engineServerType(0), ftpstAutoDetect);
    EXPECT_EQ(engineServerType(1), ftpstUNIX);
    EXPECT_EQ(engineServerType(4), ftpstOrvoFTPd);
    EXPECT_EQ(engineServerType(19), ftpstWarFTPD);
}

}  // namespace
