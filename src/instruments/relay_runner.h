// The run-time side of the relay schedules: the shot button, the repeat cycle on timer 1012, the
// clock windows checked on the count-down tick 1009, and the hooks the recording and time-lapse
// code call. Captions, message boxes and the recording itself stay with the callers; this class
// reports outcomes as values.
//
// However a sequence ends before its last step (shot pressed again, cycle stopped, recording or
// series ended, program closed), what it switched on goes off at once. Once a run has evaluated
// the clock on its count-down tick, the clock-mode relays follow their windows to the second
// (timer 1016) until the run ends, and then go off.
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

// How often the clock windows are looked at while a run follows them: a window starts and ends
// within this of its second.
inline constexpr int kClockFollowPeriodMs = 200;

class RelayRunner {
public:
    // Takes over the handlers of timers 1011, 1012 and 1016 on `timers`.
    RelayRunner(TimerMultiplexer& timers, Clock& clock, IRelaySwitch& relays,
                ICountDownPanel& countDown);

    // The schedule of the latest apply. A running sequence keeps playing the steps it started
    // with; the next start uses the new ones.
    void SetSchedule(const CompiledSchedule& schedule) { schedule_ = schedule; }
    const CompiledSchedule& Schedule() const { return schedule_; }
    RelaySequencePlayer& Player() { return player_; }

    // Button 1180: starts the sequence, or stops the running one (what it switched on goes off).
    // With nothing to play it returns the missing-time-table message and starts nothing.
    ShotResult Shot();

    // Button 1181 starts a cycle of `maxCycles` sequences, one every `intervalMs`.
    void StartCycle(int64_t intervalMs, int maxCycles);
    // Ends a cycle however it was started: what its sequences left on and the clock-mode relays
    // go off, timers 1012 and 1009 stop and the count-down panel hides.
    void StopCycle();
    // A cycle of the button or a relay-synchronised run is on.
    bool IsCycling() const { return buttonCycle_ || syncRun_; }
    // A cycle of button 1181 runs (it owns timer 1012 and the count-down panel).
    bool IsButtonCycling() const { return buttonCycle_; }
    int CycleCount() const { return cycleCount_; }
    int CycleRemainingSeconds() const { return cycleRemaining_; }
    // The clock-mode relays follow their windows on timer 1016.
    bool IsFollowingClock() const { return followingClock_; }

    // One tick of timer 1012.
    void OnCycleTick();
    // The relay part of each count-down tick (timer 1009): during a button cycle the panel counts
    // down to the next cycle; clock-mode channels follow their windows.
    void OnCountDownTick();
    // The clock windows alone, for a count-down tick whose display belongs to a recording. From
    // then on they are followed on timer 1016 until the run ends.
    void FollowClockWindows();
    // One tick of timer 1016.
    void OnClockTick();

    // Hooks of the recording side. The two starts do nothing and return false with an empty step
    // list. First recorded frame: the sequence starts (its zero is the recording start) and timer
    // 1009 restarts.
    bool OnRecordingFirstFrame();
    // Each time-lapse tick while recording: a sequence still running from the previous tick is
    // stopped with its relays switched off and started again. True: the sequence's marker step
    // takes the frame.
    bool OnTimelapseTick();
    // One recording of a series that goes on stopped: its sequence ends with what it switched on
    // off; the clock windows are still followed and the series' count-down is left alone.
    void OnRecordingStopped();
    // A recording, a series or a time-lapse run ended, however: a relay-synchronised run ends the
    // cycle (what its sequence left on goes off), and the clock-mode relays it followed go off,
    // unless a cycle of the button goes on.
    void OnRunStopped();
    // End of a time-lapse run and of the last of a series of recordings.
    void SwitchOffSequenceRelays();
    // The program closes: a sequence or run still going ends as any stop does; relays switched by
    // hand or by a finished sequence stay as they are.
    void Shutdown();

private:
    void EvaluateClockWindows();
    void SwitchOffClockRelays();
    void StopFollowingClock();

    TimerMultiplexer& timers_;
    Clock& clock_;
    IRelaySwitch& relays_;
    ICountDownPanel& countDown_;
    RelaySequencePlayer player_;
    CompiledSchedule schedule_;

    bool syncRun_ = false;         // a recording or time-lapse run plays the sequence
    bool buttonCycle_ = false;     // started by button 1181: owns timer 1012 and the count-down
    bool followingClock_ = false;  // timer 1016 keeps the clock-mode relays in their windows
    int cycleCount_ = 0;
    int maxCycles_ = 0;
    int64_t cycleIntervalMs_ = 0;
    int cycleRemaining_ = 0;
};

}  // namespace tesmira
