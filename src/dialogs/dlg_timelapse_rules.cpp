#include "dialogs/dlg_timelapse_rules.h"

#include <algorithm>
#include <cstdint>

namespace tesmira {
namespace {

int ClampInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

RecordingPanelFields PanelFieldsFromSettings(const Settings& s) {
    RecordingPanelFields f;
    const int64_t length = std::max<int64_t>(s.rtStop, 0) / 10000000;
    f.video = {length / 60, length % 60, std::max(s.recInterval, 0) / 60000,
               (std::max(s.recInterval, 0) / 1000) % 60};
    f.recCount = s.recRepaet;
    const int64_t interval = std::max(s.timelapse, 0) / 1000;
    f.timelapse.intervalMin = interval / 60;
    f.timelapse.intervalSec = interval % 60;
    f.timelapse.maxFrames = s.tlFrames;
    f.timelapse = NormaliseTimelapse(f.timelapse, false, s.replayFps).fields;
    f.rows = InputsFromSettings(s, {}).rows;
    f.textTime = s.isTextOutTime;
    f.textTemperature = s.isTextOutTemparature;
    f.textZ = s.isTextOutZValue;
    f.fontHeight = s.fontHeight;
    f.shutterSound = s.shutterSound;
    f.clockOffDuringShot = s.turnOffRelay;
    f.textScaleBar = s.isTextOutScaleBar;
    f.pixelSizeUm = s.pixelSizeUm;
    return f;
}

PanelApply ApplyRecordingPanel(Settings& s, const RecordingPanelFields& f, bool fromTotalTime,
                               std::array<bool, kRelayModules> modulePresent) {
    PanelApply out;
    out.fields = f;

    const VideoTiming video = NormaliseVideo(f.video);
    out.fields.video = video.fields;
    s.rtStop = video.rtStop;
    s.recLimitMs = video.recLimitMs;
    s.recInterval = ClampInt(video.recIntervalMs);
    s.repeatPauseSec = video.waitSeconds;
    out.fields.recCount = std::clamp(f.recCount, kRecCount.lo, kRecCount.hi);
    s.recRepaet = ClampInt(out.fields.recCount);

    const TimelapseTiming tl = NormaliseTimelapse(f.timelapse, fromTotalTime, s.replayFps);
    out.fields.timelapse = tl.fields;
    out.replayText = tl.replayText;
    s.timelapse = ClampInt(tl.intervalMs);
    s.tlFrames = ClampInt(tl.fields.maxFrames);

    s.isTextOutTime = f.textTime;
    s.isTextOutTemparature = f.textTemperature;
    s.isTextOutZValue = f.textZ;
    s.fontHeight = ClampInt(std::clamp(f.fontHeight, kFontHeight.lo, kFontHeight.hi));
    s.shutterSound = std::clamp(f.shutterSound, 0, 4);
    s.turnOffRelay = f.clockOffDuringShot;
    s.isTextOutScaleBar = f.textScaleBar;
    s.pixelSizeUm = std::clamp(f.pixelSizeUm, kPixelSizeUm.lo, kPixelSizeUm.hi);
    for (int r = 0; r < kRelayChannels; ++r) {
        const RelayRow& row = f.rows[r];
        s.relayMode[r] = static_cast<int>(row.mode);
        s.relaySyncOn[r] = row.onSec;
        s.relaySyncOff[r] = row.offSec;
        s.clockOn[r] = row.on;
        s.clockOff[r] = row.off;
    }

    // The rows are checked against the intervals as just normalised.
    CompileResult compiled = CompileSchedule(InputsFromSettings(s, modulePresent));
    for (const RowRejection& rejected : compiled.rejected) {
        s.relayMode[rejected.row] = 0;
        out.fields.rows[rejected.row].mode = RowMode::kNone;
        out.messages.push_back(rejected.verdict.message);
    }
    out.schedule = std::move(compiled.schedule);
    return out;
}

}  // namespace tesmira
