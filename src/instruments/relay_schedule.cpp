#include "instruments/relay_schedule.h"

#include <algorithm>
#include <cmath>

namespace tesmira {

namespace {

struct SyncEvent {
    int module;
    uint8_t bits;
    StepKind kind;
    double seconds;  // as the user gave it: events are told apart by their exact time
};

SyncEvent Marker() {
    return {kNoModule, 0, StepKind::kFrameMarker, 0.0};
}

// Consecutive events at the same time for the same module and kind become one step, so relays
// meant to switch together are switched by one call. Every step is timed from the first event,
// each offset rounded once; events at different times stay at least 1 ms apart, even when their
// offsets round onto the same millisecond.
std::vector<RelayStep> CompileSteps(const std::vector<SyncEvent>& events) {
    std::vector<RelayStep> steps;
    if (events.empty())
        return steps;
    const int64_t originMs = OffsetMs(events.front().seconds);
    SyncEvent current = events.front();
    int64_t currentAt = 0;
    for (size_t i = 1; i < events.size(); ++i) {
        const SyncEvent& e = events[i];
        if (e.seconds == current.seconds) {
            if (e.module == current.module && e.kind == current.kind) {
                current.bits |= e.bits;
                continue;
            }
            steps.push_back({current.module, current.bits, current.kind, currentAt});
            current = e;
            continue;
        }
        steps.push_back({current.module, current.bits, current.kind, currentAt});
        currentAt = std::max(OffsetMs(e.seconds) - originMs, currentAt + 1);
        current = e;
    }
    steps.push_back({current.module, current.bits, current.kind, currentAt});
    return steps;
}

}  // namespace

int64_t OffsetMs(double seconds) {
    if (!std::isfinite(seconds))
        return 0;
    // Far beyond any interval the dialog accepts, and inside what llround can represent.
    const double ms = std::clamp(seconds * 1000.0, -1e15, 1e15);
    return std::llround(ms);
}

ScheduleInputs InputsFromSettings(const Settings& s, std::array<bool, kRelayModules> present) {
    ScheduleInputs in;
    for (int r = 0; r < kRelayChannels; ++r) {
        RelayRow& row = in.rows[r];
        const int mode = s.relayMode[r];
        row.mode = (mode == 1 || mode == 2) ? static_cast<RowMode>(mode) : RowMode::kNone;
        row.onSec = s.relaySyncOn[r];
        row.offSec = s.relaySyncOff[r];
        row.on = s.clockOn[r];
        row.off = s.clockOff[r];
    }
    in.modulePresent = present;
    in.recMode = s.recMode;
    in.timelapseMs = s.timelapse;
    in.recIntervalMs = s.recInterval;
    in.clockOffDuringShot = s.turnOffRelay;
    return in;
}

CompileResult CompileSchedule(const ScheduleInputs& in) {
    CompileResult result;
    CompiledSchedule& out = result.schedule;
    out.modulePresent = in.modulePresent;
    out.clockOffDuringShot = in.clockOffDuringShot;

    std::vector<SyncEvent> events;
    for (int r = 0; r < kRelayChannels; ++r) {
        const RelayRow& row = in.rows[r];
        const int module = ChannelModule(r);
        if (!in.modulePresent[module] || row.mode == RowMode::kNone)
            continue;
        const uint8_t bit = ChannelBit(r);
        if (row.mode == RowMode::kSync) {
            // A value that is no number counts as 0 s, as its milliseconds do.
            const double onSec = std::isfinite(row.onSec) ? row.onSec : 0.0;
            const double offSec = std::isfinite(row.offSec) ? row.offSec : 0.0;
            const int64_t onMs = OffsetMs(onSec);
            const int64_t offMs = OffsetMs(offSec);
            const RowVerdict v =
                ValidateSyncRow(onMs, offMs, in.recMode, in.timelapseMs, in.recIntervalMs);
            if (!v.ok()) {
                result.rejected.push_back({r, v});
                continue;
            }
            events.push_back({module, bit, StepKind::kOff, offSec});
            events.push_back({module, bit, StepKind::kOn, onSec});
        } else {
            const RowVerdict v = ValidateClockRow(row.on, row.off);
            if (!v.ok()) {
                result.rejected.push_back({r, v});
                continue;
            }
            out.clockChannels.push_back({r, WindowsFor(row.on, row.off)});
            out.clockMask[module] |= bit;
        }
    }

    // In time-lapse mode the frame is taken by the sequence, at its zero.
    if (in.recMode == 2)
        events.push_back(Marker());
    std::stable_sort(events.begin(), events.end(), [](const SyncEvent& a, const SyncEvent& b) {
        if (a.seconds != b.seconds)
            return a.seconds < b.seconds;
        if (a.module != b.module)
            return a.module < b.module;
        return a.kind < b.kind;
    });
    // A sequence that starts later than its zero gets a marker at the zero, so the steps keep
    // their offsets from the moment the sequence starts.
    if (!events.empty() && events.front().seconds > 0.0)
        events.insert(events.begin(), Marker());

    out.steps = CompileSteps(events);
    for (const RelayStep& s : out.steps) {
        if (s.module >= 0 && s.module < kRelayModules)
            out.sequenceMask[s.module] |= s.bits;
    }
    return result;
}

}  // namespace tesmira
