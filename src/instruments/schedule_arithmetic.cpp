#include "instruments/schedule_arithmetic.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "core/text_format.h"
#include "core/ui_text.h"

namespace tesmira {

namespace {

int64_t NonNegative(int64_t v) {
    return v < 0 ? 0 : v;
}

// Minutes and seconds as the dialog shows them; caps keep the products far from overflow even
// for absurd field values.
int64_t Seconds(int64_t minutes, int64_t seconds) {
    constexpr int64_t kFieldCap = int64_t{1} << 40;
    return std::min(NonNegative(minutes), kFieldCap) * 60 +
           std::min(NonNegative(seconds), kFieldCap);
}

}  // namespace

VideoTiming NormaliseVideo(const VideoFields& f) {
    VideoTiming t;
    int64_t length = Seconds(f.lengthMin, f.lengthSec);
    if (length == 0)
        length = 1;
    length = std::min(length, kMaxLengthSeconds);
    int64_t interval = Seconds(f.intervalMin, f.intervalSec);
    interval = std::clamp(interval, 2 * length, kMaxIntervalSeconds);

    t.fields = {length / 60, length % 60, interval / 60, interval % 60};
    t.lengthSeconds = length;
    t.intervalSeconds = interval;
    t.waitSeconds = interval - length - 1;
    t.recIntervalMs = interval * 1000;
    t.rtStop = length * 10000000;
    t.recLimitMs = length * 1000 + 100;
    return t;
}

int64_t FramesForTotal(int64_t totalSeconds, int64_t intervalSeconds) {
    const int64_t interval = intervalSeconds < 1 ? 1 : intervalSeconds;
    return std::clamp(NonNegative(totalSeconds) / interval + 1, kMinFrames, kMaxFrames);
}

std::string ReplayText(int64_t replaySeconds) {
    return Format(UiText("Instruments", "%02lld 分  %02lld 秒").c_str(),
                  static_cast<long long>(replaySeconds / 60),
                  static_cast<long long>(replaySeconds % 60));
}

TimelapseTiming NormaliseTimelapse(const TimelapseFields& f, bool fromTotalTime, double replayFps) {
    TimelapseTiming t;
    // The design derives the frame count from the interval as it stands before normalising;
    // a 0 s interval counts as 1 s there too, so both orders agree.
    int64_t interval = Seconds(f.intervalMin, f.intervalSec);
    interval = std::clamp<int64_t>(interval, 1, kMaxFrameIntervalSeconds);

    int64_t frames = std::clamp(f.maxFrames, kMinFrames, kMaxFrames);
    if (fromTotalTime) {
        constexpr int64_t kHourCap = int64_t{1} << 32;
        const int64_t total =
            std::min(NonNegative(f.totalH), kHourCap) * 3600 + Seconds(f.totalMin, f.totalSec);
        frames = FramesForTotal(total, interval);
    }

    const int64_t total = (frames - 1) * interval;
    t.fields.intervalMin = interval / 60;
    t.fields.intervalSec = interval % 60;
    t.fields.maxFrames = frames;
    t.fields.totalH = total / 3600;
    t.fields.totalMin = (total / 60) % 60;
    t.fields.totalSec = total % 60;
    t.intervalSeconds = interval;
    t.intervalMs = interval * 1000;
    t.totalSeconds = total;
    t.replaySeconds =
        replayFps > 0 ? static_cast<int64_t>(std::floor(double(frames - 1) / replayFps)) : 0;
    t.replayText = ReplayText(t.replaySeconds);
    return t;
}

}  // namespace tesmira
