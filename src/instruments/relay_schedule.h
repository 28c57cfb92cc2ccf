// The relay schedule compiler: the eight channel rows of the settings dialog become a list of
// timed relay steps (the sequence played at a shot, a recording start or a time-lapse tick) and a
// set of daily ON windows for the channels that follow the clock.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/settings.h"
#include "instruments/clock_windows.h"
#include "instruments/relay_ports.h"
#include "instruments/schedule_validation.h"

namespace tesmira {

enum class RowMode : int { kNone = 0, kSync = 1, kClock = 2 };  // "なし", "録画/ショット", "時刻"

struct RelayRow {
    RowMode mode = RowMode::kNone;
    double onSec = 0.0, offSec = 1.0;  // offsets from the sequence's zero, seconds
    ClockTime on{6, 0, 0}, off{18, 0, 0};
};

struct ScheduleInputs {
    std::array<RelayRow, kRelayChannels> rows{};
    std::array<bool, kRelayModules> modulePresent{};
    int recMode = 0;  // 0 once, 1 repeat, 2 time-lapse, 3 relay-driven shots
    int64_t timelapseMs = 10000;
    int64_t recIntervalMs = 30000;
    bool clockOffDuringShot = true;  // "TurnOff_Relay"
};

// The rows, modes and intervals as the settings hold them; module presence comes from the relay
// module wrapper.
ScheduleInputs InputsFromSettings(const Settings& s, std::array<bool, kRelayModules> present);

enum class StepKind : uint8_t { kOff = 0, kOn = 1, kFrameMarker = 3 };
inline constexpr int kNoModule = 2;

struct RelayStep {
    int module = kNoModule;  // 0, 1, or kNoModule for the frame marker
    uint8_t bits = 0;
    StepKind kind = StepKind::kOff;
    // Milliseconds from the sequence's start (its earliest event); every step is timed from the
    // start rather than from the previous step, so rounding and timer latency never accumulate.
    int64_t atMs = 0;
};

struct RowRejection {
    int row = 0;  // 0..7
    RowVerdict verdict;
};

struct CompiledSchedule {
    std::vector<RelayStep> steps;
    std::array<uint8_t, kRelayModules> sequenceMask{};  // OR of the step bits per module
    std::vector<ClockChannel> clockChannels;            // ascending channel order
    std::array<uint8_t, kRelayModules> clockMask{};     // OR of the clock channel bits per module
    std::array<bool, kRelayModules> modulePresent{};
    bool clockOffDuringShot = true;

    bool HasSteps() const { return !steps.empty(); }
    bool HasClockEvents() const { return !clockChannels.empty(); }
    // Milliseconds from the first step to the last.
    int64_t DurationMs() const { return steps.empty() ? 0 : steps.back().atMs; }
};

struct CompileResult {
    CompiledSchedule schedule;
    // Rows left out; the dialog resets each to "なし" and shows its message.
    std::vector<RowRejection> rejected;
};

// Builds everything from scratch: nothing of an earlier compile survives, whatever modules are
// present. Rows of an absent module are ignored.
CompileResult CompileSchedule(const ScheduleInputs& in);

// An offset in seconds as whole milliseconds, rounded once (0.3 s is 300 ms, not 299).
int64_t OffsetMs(double seconds);

}  // namespace tesmira
