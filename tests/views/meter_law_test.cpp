#include <gtest/gtest.h>

#include "views/meter_law.h"

namespace {

ColorRef Rgb(int r, int g, int b)
{
    return MakeColorRef(r, g, b);
}

} // namespace

TEST(MeterGradient, InterpolatesBetweenBreakpointsAndEndsRed)
{
    BuildMeterGradient();
    EXPECT_EQ(g_MeterGradient[0], Rgb(25, 161, 73));
    EXPECT_EQ(g_MeterGradient[269], Rgb(29, 161, 73));  // fractions of a step truncate
    EXPECT_EQ(g_MeterGradient[2000], Rgb(137, 186, 65));
    EXPECT_EQ(g_MeterGradient[3000], Rgb(204, 215, 47));
    EXPECT_EQ(g_MeterGradient[4095], Rgb(226, 73, 38));
    // Indexes outside the table are held to its ends.
    EXPECT_EQ(MeterGradientAt(-7), g_MeterGradient[0]);
    EXPECT_EQ(MeterGradientAt(5000), g_MeterGradient[4095]);
}

TEST(MeterColour, FirstThresholdStrictlyAboveWins)
{
    EXPECT_EQ(MeterColourForLevel(3873), Rgb(226, 73, 38));
    EXPECT_EQ(MeterColourForLevel(3872), Rgb(229, 117, 39));
    EXPECT_EQ(MeterColourForLevel(221), Rgb(29, 161, 73));
    EXPECT_EQ(MeterColourForLevel(220), Rgb(25, 161, 73));
    EXPECT_EQ(MeterColourForLevel(-50), Rgb(25, 161, 73));
}

TEST(MeterLaw, LevelsLightTheBarByPowersOf103)
{
    EXPECT_FLOAT_EQ(Pow103(0.0f), 1.0f);
    EXPECT_NEAR(Pow103(-20.0f), 0.554f, 0.001f);
    EXPECT_NEAR(Pow103(-60.0f), 0.170f, 0.001f);
    using namespace strip_meter;
    EXPECT_EQ(UnlitBottomForLevel(0.0f), kBarTop);     // the whole bar
    EXPECT_EQ(UnlitBottomForLevel(6.0f), kBarTop);     // never beyond it
    EXPECT_EQ(UnlitBottomForLevel(1e30f), kBarTop);
    EXPECT_EQ(kHeight - UnlitBottomForLevel(-127.5f), 4); // the quietest level lights 4 px
    EXPECT_EQ(UnlitBottomForLevel(-1e30f), kHeight);
    EXPECT_EQ(UnlitBottomForLevel(std::numeric_limits<float>::quiet_NaN()), kHeight);
    EXPECT_EQ(PeakLineForLevel(kNoPeak), -1);
}

// The peak line sits where its level lies, over the read-out rows too; a
// level whose line lies above the picture (a held +8 dB of a KR-9X would be
// at y = -25) has no line.
TEST(MeterLaw, APeakLineAboveThePictureIsNotDrawn)
{
    using namespace strip_meter;
    EXPECT_EQ(PeakLineForLevel(-20.0f), UnlitBottomForLevel(-20.0f));
    EXPECT_EQ(PeakLineForLevel(0.0f), kBarTop);
    EXPECT_EQ(PeakLineForLevel(2.0f), 16); // 228 - trunc(1.0609 x 200)
    EXPECT_EQ(PeakLineForLevel(8.0f), -1);
    EXPECT_EQ(PeakLineForLevel(1e30f), -1);
    EXPECT_EQ(PeakLineForLevel(std::numeric_limits<float>::quiet_NaN()), -1);
}

TEST(PeakHold, HoldsForItsTimeThenFollowsTheLevel)
{
    float held = kNoPeak;
    std::uint64_t stamp = 0;
    // The first level of a channel always sets the peak.
    EXPECT_TRUE(ApplyPeakHold(-30.0f, held, stamp, 1000, 3000));
    EXPECT_FLOAT_EQ(held, -30.0f);
    EXPECT_FALSE(ApplyPeakHold(-40.0f, held, stamp, 3999, 3000)); // 2999 ms: still held
    EXPECT_FLOAT_EQ(held, -30.0f);
    EXPECT_TRUE(ApplyPeakHold(-40.0f, held, stamp, 4000, 3000));  // 3000 ms: drops
    EXPECT_FLOAT_EQ(held, -40.0f);
    EXPECT_TRUE(ApplyPeakHold(-10.0f, held, stamp, 4001, 3000));  // a higher level at once
    EXPECT_FLOAT_EQ(held, -10.0f);

    // Off follows every level; infinite only rises.
    EXPECT_TRUE(ApplyPeakHold(-50.0f, held, stamp, 4002, 0));
    EXPECT_FLOAT_EQ(held, -50.0f);
    ApplyPeakHold(-20.0f, held, stamp, 5000, -1);
    ApplyPeakHold(-60.0f, held, stamp, 900000, -1);
    EXPECT_FLOAT_EQ(held, -20.0f);
    ApplyPeakHold(std::numeric_limits<float>::quiet_NaN(), held, stamp, 900001, 0);
    EXPECT_FLOAT_EQ(held, -20.0f);
}
