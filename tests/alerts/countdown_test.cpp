#include <gtest/gtest.h>

#include "countdown.h"
#include "progress_bar.h"

namespace qorv {
namespace {

TEST(CountdownProgress, RunsOutOnTheFiftyFirstTick) {
    CountdownProgress p;
    for (int tick = 1; tick <= 50; ++tick) ASSERT_FALSE(p.tick()) << tick;
    EXPECT_FLOAT_EQ(p.value(), 0.9999996f);
    EXPECT_TRUE(p.tick());
    EXPECT_NEAR(p.value(), 1.0199996f, 1e-7);
    EXPECT_EQ(51 * kCountdownTickMs, 15300);
}

TEST(CountdownTexts, NameTheBoardSensorAndCrossing) {
    SensorSlot s;
    s.Name = "CPU1 Temp";
    s.Reboot = 1;
    CountdownTexts t = countdownTexts("M4410", s, "overflow the High Threshold!");
    EXPECT_EQ(t.warning, "QORVANE M4410 CPU1 Temp overflow the High Threshold!");
    EXPECT_EQ(t.countdown, "   Operation System will be reset after 15 seconds...");
    EXPECT_EQ(t.atOnce, "   OK for reset at once.");

    s.Reboot = 0;
    s.ShutDown = 1;
    t = countdownTexts("M4410", s, "under the Low_Threshold !");
    EXPECT_EQ(t.countdown, "    Operation System will be shutdown after 15 seconds...");
    EXPECT_EQ(t.atOnce, "    OK for shutdown at once. ");

    s.Reboot = 1;  // both: the shutdown lines win
    t = countdownTexts("M4410", s, "x");
    EXPECT_EQ(t.countdown, "    Operation System will be shutdown after 15 seconds...");
}

TEST(ProgressBar, CutsTheFilledBarIntoSquareBlocks) {
    // 200 x 30 pixels: blocks 20 wide with a one-pixel gap after each.
    const ProgressBarShape half = DrawProgressBar(200, 30, 0.5f);
    EXPECT_EQ(half.bar, (BarRect{0, 1, 100, 28}));
    ASSERT_EQ(half.gaps.size(), 10u);
    EXPECT_EQ(half.gaps.front(), (BarRect{20, 0, 21, 30}));
    EXPECT_EQ(half.gaps.back(), (BarRect{209, 0, 210, 30}));
    // The last tick overshoots 1.0: the bar is drawn full, never past its area.
    EXPECT_EQ(DrawProgressBar(200, 30, 1.0199996f).bar.right, 200);
    EXPECT_EQ(DrawProgressBar(200, 30, 0.0f).bar.right, 0);
}

TEST(ProgressBar, DrawsALowBarWholeInsteadOfDividingByNothing) {
    for (double height : {10.0, 5.0, 0.0}) {
        const ProgressBarShape s = DrawProgressBar(200, height, 0.5f);
        EXPECT_TRUE(s.gaps.empty()) << height;
    }
    EXPECT_TRUE(DrawProgressBar(0, 30, 0.5f).gaps.empty());
}

}  // namespace
}  // namespace qorv
