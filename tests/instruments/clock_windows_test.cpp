#include <gtest/gtest.h>

#include "instruments/clock_windows.h"

namespace tesmira {
namespace {

int At(int h, int m, int s) {
    return SecondsOfDay(ClockTime{h, m, s});
}

TEST(ClockWindows, WindowsForEachOrderOfOnAndOff) {
    EXPECT_EQ(WindowsFor({6, 0, 0}, {18, 0, 0}), (std::vector<ClockWindow>{{21600, 64800}}));
    EXPECT_EQ(WindowsFor({22, 0, 0}, {6, 0, 0}),
              (std::vector<ClockWindow>{{0, 21600}, {79200, 86400}}));
    EXPECT_EQ(WindowsFor({22, 0, 0}, {0, 0, 0}), (std::vector<ClockWindow>{{79200, 86400}}));
    EXPECT_TRUE(WindowsFor({5, 5, 5}, {5, 5, 5}).empty());
}

TEST(ClockWindows, AnOvernightRelayStaysOnThroughMidnight) {
    const auto w = WindowsFor({22, 0, 0}, {6, 0, 0});
    struct Case {
        int second;
        bool inside;
    };
    const Case cases[] = {
        {At(21, 59, 59), false}, {At(22, 0, 0), true},  {At(23, 59, 58), true},
        {At(23, 59, 59), true},  {At(0, 0, 0), true},   {At(5, 59, 59), true},
        {At(6, 0, 0), false},    {At(12, 0, 0), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InsideAnyWindow(w, c.second), c.inside) << c.second;
    // A window closing at midnight covers the day's last second too.
    EXPECT_TRUE(InsideAnyWindow(WindowsFor({18, 0, 0}, {0, 0, 0}), At(23, 59, 59)));
}

TEST(ClockEvaluation, SwitchesOnlyWhatDiffersFromTheWindow) {
    // Channel 1 (module 1, 0x02) 6-18 h; channel 5 (module 2, 0x02) 22-6 h.
    const std::vector<ClockChannel> channels{{1, WindowsFor({6, 0, 0}, {18, 0, 0})},
                                             {5, WindowsFor({22, 0, 0}, {6, 0, 0})}};
    std::array<int, kRelayChannels> states{};
    states.fill(-1);

    ClockSwitching sw = EvaluateClock(channels, At(12, 0, 0), states, false);
    EXPECT_EQ(sw.on[0], 0x02);
    EXPECT_EQ(sw.off[1], 0x02);  // uncommanded and outside: commanded off

    states[1] = 1;
    states[5] = 0;
    EXPECT_TRUE(EvaluateClock(channels, At(12, 0, 0), states, false).Empty());

    sw = EvaluateClock(channels, At(23, 59, 59), states, false);
    EXPECT_EQ(sw.off[0], 0x02);
    EXPECT_EQ(sw.on[1], 0x02);
}

}  // namespace
}  // namespace tesmira
