#include <gtest/gtest.h>

#include <climits>

#include "core/settings.h"
#include "instruments/schedule_arithmetic.h"

namespace tesmira {
namespace {

TEST(VideoArithmetic, TheStoredDefaultsAgreeWithTheirDerivedValues) {
    // 5 min recordings every 30 s: the interval is raised to twice the length, and the derived
    // values are the ones the settings start with.
    const Settings s;
    const VideoTiming t = NormaliseVideo({5, 0, 0, 30});
    EXPECT_EQ(t.intervalSeconds, 600);
    EXPECT_EQ(t.fields.intervalMin, 10);
    EXPECT_EQ(t.fields.intervalSec, 0);
    EXPECT_EQ(t.waitSeconds, s.repeatPauseSec);
    EXPECT_EQ(t.recLimitMs, s.recLimitMs);
    EXPECT_EQ(t.rtStop, s.rtStop);
}

TEST(VideoArithmetic, LongValuesStayInsideTheThirtyTwoBitSettings) {
    const VideoTiming t = NormaliseVideo({17894, 86400, 0, 0});
    EXPECT_LE(t.lengthSeconds, kMaxLengthSeconds);
    EXPECT_LE(t.recIntervalMs, INT_MAX);
    EXPECT_GE(t.intervalSeconds, 2 * t.lengthSeconds);
    EXPECT_EQ(t.rtStop, t.lengthSeconds * 10000000);
    const VideoTiming u = NormaliseVideo({0, 1, 35790, 86400});
    EXPECT_LE(u.recIntervalMs, INT_MAX);
}

TEST(TimelapseArithmetic, DefaultsGiveTotalAndReplayTimes) {
    // One frame every 10 s, 1800 frames, replayed at 29.97 fps.
    const TimelapseTiming t = NormaliseTimelapse({0, 10, 1800, 0, 0, 0}, false, 29.97);
    EXPECT_EQ(t.totalSeconds, 17990);
    EXPECT_EQ(t.fields.totalH, 4);
    EXPECT_EQ(t.fields.totalMin, 59);
    EXPECT_EQ(t.fields.totalSec, 50);
    EXPECT_EQ(t.replaySeconds, 60);
    EXPECT_EQ(t.replayText, "01 分  00 秒");
    EXPECT_EQ(t.intervalMs, 10000);
}

TEST(TimelapseArithmetic, TotalTimeAndFrameCountAgreeBothWays) {
    for (int64_t interval : {1, 7, 60, 3600}) {
        for (int64_t frames : {1, 2, 1800, 999999, 1000000}) {
            const TimelapseTiming a = NormaliseTimelapse({0, interval, frames, 0, 0, 0}, false, 30);
            const TimelapseTiming b = NormaliseTimelapse(
                {0, interval, 1, a.fields.totalH, a.fields.totalMin, a.fields.totalSec}, true, 30);
            EXPECT_EQ(b.fields.maxFrames, frames) << interval << " " << frames;
            EXPECT_EQ(b.totalSeconds, a.totalSeconds);
        }
    }
    // A total that is not a whole number of intervals rounds down to the last whole frame.
    EXPECT_EQ(NormaliseTimelapse({0, 10, 1, 0, 0, 25}, true, 30).fields.maxFrames, 3);
    // A 0 s interval counts as 1 s, for the frame count too.
    const TimelapseTiming z = NormaliseTimelapse({0, 0, 1, 0, 1, 0}, true, 30);
    EXPECT_EQ(z.intervalSeconds, 1);
    EXPECT_EQ(z.fields.maxFrames, 61);
}

TEST(TimelapseArithmetic, LargeValuesNeitherOverflowNorEscapeTheFrameRange) {
    // The widest interval with the most frames: about 22,000 years, kept in 64 bits.
    const TimelapseTiming t = NormaliseTimelapse({10080, 86400, 1000000, 0, 0, 0}, false, 29.97);
    EXPECT_EQ(t.totalSeconds, int64_t{999999} * 691200);
    EXPECT_EQ(t.fields.totalH, t.totalSeconds / 3600);
    EXPECT_LE(t.intervalMs, INT_MAX);
    EXPECT_EQ(t.replaySeconds, 33366);  // 999999 / 29.97
    EXPECT_EQ(t.replayText, "556 分  06 秒");

    // A long total at a short interval asks for more frames than allowed.
    EXPECT_EQ(NormaliseTimelapse({0, 1, 1, 100000, 0, 0}, true, 30).fields.maxFrames, 1000000);
    EXPECT_EQ(FramesForTotal(-5, 10), 1);
    EXPECT_EQ(NormaliseTimelapse({0, 5, 0, 0, 0, 0}, false, 30).fields.maxFrames, 1);
}

}  // namespace
}  // namespace tesmira
