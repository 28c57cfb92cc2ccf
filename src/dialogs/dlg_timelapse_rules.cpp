#include "dialogs/dlg_timelapse_rules.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tesmira {
namespace {

std::string Trimmed(const std::string& text) {
    size_t first = 0, last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

int ClampInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

std::optional<int64_t> ParseWhole(const std::string& text, Range64 range) {
    std::string t = Trimmed(text);
    if (!t.empty() && t.front() == '+')
        t.erase(0, 1);
    int64_t value = 0;
    const char* end = t.data() + t.size();
    const auto [ptr, ec] = std::from_chars(t.data(), end, value);
    if (t.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    if (value < range.lo || value > range.hi)
        return std::nullopt;
    return value;
}

std::optional<double> ParseReal(const std::string& text, RangeReal range) {
    const std::string t = Trimmed(text);
    if (t.empty())
        return std::nullopt;
    // strtod, not from_chars: the C locale's decimal point is all the panel shows.
    char* end = nullptr;
    const double value = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(value))
        return std::nullopt;
    if (value < range.lo || value > range.hi)
        return std::nullopt;
    return value;
}

std::string WholeRangeMessage(Range64 range) {
    return QCoreApplication::translate("Dialogs", "%1 から %2 までの整数を入力してください。")
        .arg(range.lo)
        .arg(range.hi)
        .toStdString();
}

std::string RealRangeMessage(RangeReal range) {
    return QCoreApplication::translate("Dialogs", "%1 から %2 までの数値を入力してください。")
        .arg(range.lo, 0, 'g')
        .arg(range.hi, 0, 'g')
        .toStdString();
}

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
