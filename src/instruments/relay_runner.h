// The run-time side of the relay schedules: the shot button, the repeat cycle on timer 1012, the
// clock windows checked on the count-down tick 1009, and the hooks the recording and time-lapse
// code call. Captions, message boxes and the recording itself stay with the callers; this class
// reports outcomes as values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/clock.h"
#include "core/timer_multiplexer.h"
#include "instruments/relay_ports.h"
#include "instruments/relay_schedule.h"
#include "instruments/relay_sequence.h"

namespace tesmira {

enum class ShotOutcome { kStarted, kStopped, kNoTimetable };

struct ShotResult {
    ShotOutcome outcome = ShotOutcome::kStarted;
    std::string_view message;  // kMsgNoTimetable for kNoTimetable, else empty
};

// "サイクル  %d / %d", the count-down panel's title during a cycle.
std::string CycleTitle(int cycle, int maxCycles);

class RelayRunner {
public:
    // Takes over the handlers of timers 1011 and 1012 on `timers`.
    RelayRunner(TimerMultiplexer& timers, Clock& clock, IRelaySwitch& relays,
                ICountDownPanel& countDown);

    // The schedule of the latest apply. A running sequence keeps playing the steps it started
    // with; the next start uses the new ones.
    void SetSchedule(const CompiledSchedule& schedule) { schedule_ = schedule; }
    const CompiledSchedule& Schedule() const { return schedule_; }
    RelaySequencePlayer& Player() { return player_; }

    // Button 1180: starts the sequence, or stops the running one (relays stay as they are). With
    // nothing to play it returns the missing-time-table message and starts nothing.
    ShotResult Shot();

    // Button 1181 starts a cycle of `maxCycles` sequences, one every `intervalMs`.
    void StartCycle(int64_t intervalMs, int maxCycles);
    // Ends a cycle however it was started: switches the clock-mode relays off, stops timers 1012
    // and 1009, hides the count-down panel and stops a running sequence.
    void StopCycle();
    bool IsCycling() const { return cycleFlag_; }
    // A cycle of button 1181 runs (it owns timer 1012 and the count-down panel).
    bool IsButtonCycling() const { return buttonCycle_; }
    int CycleCount() const { return cycleCount_; }
    int CycleRemainingSeconds() const { return cycleRemaining_; }

    // One tick of timer 1012.
    void OnCycleTick();
    // The relay part of each count-down tick (timer 1009): during a button cycle the panel counts
    // down to the next cycle; clock-mode channels follow their windows.
    void OnCountDownTick();
    // The clock windows alone, for a count-down tick whose display belongs to a recording.
    void FollowClockWindows();

    // Hooks of the recording side. Each does nothing and returns false with an empty step list.
    // First recorded frame: the sequence starts (its zero is the recording start) and timer 1009
    // restarts.
    bool OnRecordingFirstFrame();
    // Each time-lapse tick while recording: a sequence still running from the previous tick is
    // aborted with its relays switched off and started again. True: the sequence's marker step
    // takes the frame.
    bool OnTimelapseTick();
    // Every stop of a recording or time-lapse run (time limit, stop button, stream end): a
    // relay-synchronised run ends its cycle, and the relays its sequence left on go off.
    void OnRunStopped();
    // End of a time-lapse run and of the last of a series of recordings.
    void SwitchOffSequenceRelays();

private:
    TimerMultiplexer& timers_;
    Clock& clock_;
    IRelaySwitch& relays_;
    ICountDownPanel& countDown_;
    RelaySequencePlayer player_;
    CompiledSchedule schedule_;

    bool cycleFlag_ = false;    // a cycle or a relay-synchronised run is on
    bool buttonCycle_ = false;  // started by button 1181: owns timer 1012 and the count-down
    int cycleCount_ = 0;
    int maxCycles_ = 0;
    int64_t cycleIntervalMs_ = 0;
    int cycleRemaining_ = 0;
};

}  // namespace tesmira
