// The arithmetic of the recording and time-lapse fields of the settings dialog: recording length
// and interval, time-lapse frame interval, frame count, total time and replay time, each derived
// from the others. All in 64 bits, with the results capped so that the millisecond values stored
// in the 32-bit settings stay valid.
#pragma once

#include <cstdint>
#include <string>

namespace tesmira {

// The caps of the capture time-limit dialog: twice the longest length, and the longest interval,
// still fit "RecInterval" in milliseconds.
inline constexpr int64_t kMaxLengthSeconds = 17894 * 60 + 59;
inline constexpr int64_t kMaxIntervalSeconds = 35790 * 60 + 59;
// The widest frame interval the fields accept (10080 minutes plus 86400 seconds).
inline constexpr int64_t kMaxFrameIntervalSeconds = 10080 * 60 + 86400;
inline constexpr int64_t kMinFrames = 1;
inline constexpr int64_t kMaxFrames = 1000000;

struct VideoFields {
    int64_t lengthMin = 0, lengthSec = 0;      // 1025, 1026
    int64_t intervalMin = 0, intervalSec = 0;  // 1027, 1028
};

struct VideoTiming {
    VideoFields fields;  // normalised, to write back
    int64_t lengthSeconds = 1;
    int64_t intervalSeconds = 2;
    int64_t waitSeconds = 0;       // pause between repeated recordings: interval - length - 1
    int64_t recIntervalMs = 2000;  // "RecInterval"
    int64_t rtStop = 10000000;     // recording length in 100-ns units
    int64_t recLimitMs = 1100;     // length + 100 ms
};

// A zero length becomes 1 s; an interval shorter than twice the length becomes twice the length.
VideoTiming NormaliseVideo(const VideoFields& f);

struct TimelapseFields {
    int64_t intervalMin = 0, intervalSec = 10;       // 1054, 1055
    int64_t maxFrames = 1800;                        // 1057
    int64_t totalH = 0, totalMin = 0, totalSec = 0;  // 1058, 1059, 1060
};

struct TimelapseTiming {
    TimelapseFields fields;  // normalised, to write back
    int64_t intervalSeconds = 1;
    int64_t intervalMs = 1000;  // "Timelapse"
    int64_t totalSeconds = 0;   // (frames - 1) x interval
    int64_t replaySeconds = 0;  // (frames - 1) / replay rate, truncated
    std::string replayText;     // static 1056
};

// The frame count that fills `totalSeconds` at one frame every `intervalSeconds` (0 counts as
// 1 s), first frame at 0, capped to 1..1,000,000.
int64_t FramesForTotal(int64_t totalSeconds, int64_t intervalSeconds);

// "%02d 分  %02d 秒" of a replay time in seconds.
std::string ReplayText(int64_t replaySeconds);

// `fromTotalTime`: the user edited the total time, so the frame count follows it; otherwise the
// total time follows the frame count. The frame interval is at least 1 s.
TimelapseTiming NormaliseTimelapse(const TimelapseFields& f, bool fromTotalTime, double replayFps);

}  // namespace tesmira
