#include "instruments/relay_runner.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "core/text_format.h"
#include "core/ui_text.h"
#include "instruments/clock_windows.h"

namespace tesmira {

std::string CycleTitle(int cycle, int maxCycles) {
    return Format(UiText("Instruments", "サイクル  %d / %d").c_str(), cycle, maxCycles);
}

RelayRunner::RelayRunner(TimerMultiplexer& timers, Clock& clock, IRelaySwitch& relays,
                         ICountDownPanel& countDown)
    : timers_(timers),
      clock_(clock),
      relays_(relays),
      countDown_(countDown),
      player_(timers, clock, relays) {
    timers_.SetHandler(TimerId::kRelayRepeat, [this] { OnCycleTick(); });
    timers_.SetHandler(TimerId::kClockWindows, [this] { OnClockTick(); });
}

ShotResult RelayRunner::Shot() {
    if (!schedule_.HasSteps())
        return {ShotOutcome::kNoTimetable, kMsgNoTimetable};
    if (player_.IsRunning()) {
        player_.Stop();
        return {ShotOutcome::kStopped, {}};
    }
    player_.Start(schedule_.steps);
    return {ShotOutcome::kStarted, {}};
}

void RelayRunner::StartCycle(int64_t intervalMs, int maxCycles) {
    buttonCycle_ = true;
    cycleIntervalMs_ = std::clamp<int64_t>(intervalMs, 1, INT_MAX);
    maxCycles_ = maxCycles;
    cycleCount_ = 0;
    cycleRemaining_ = 0;
    countDown_.SetTotal(1);
    countDown_.SetRemaining(0);
    countDown_.SetTitle(UiText("Instruments", "サイクル"));
    countDown_.Show();
    timers_.Start(TimerId::kRelayRepeat, 10);
    // A cycle evaluates the clock throughout.
    FollowClockWindows();
}

void RelayRunner::StopCycle() {
    syncRun_ = false;
    buttonCycle_ = false;
    // The last sequence may still be playing, or have left a relay on: it goes off now, not at
    // its own OFF step that will never come.
    player_.SwitchOffLeftOn();
    SwitchOffClockRelays();
    StopFollowingClock();
    timers_.Stop(TimerId::kRelayRepeat);
    timers_.Stop(TimerId::kCountDown);
    countDown_.Hide();
}

void RelayRunner::OnCycleTick() {
    timers_.Stop(TimerId::kRelayRepeat);
    timers_.Stop(TimerId::kCountDown);
    if (!buttonCycle_)
        return;
    const int n = cycleCount_++;
    if (n >= maxCycles_) {
        StopCycle();
        return;
    }
    // The count-down restarts from the full interval at every cycle.
    cycleRemaining_ = static_cast<int>(cycleIntervalMs_ / 1000);
    countDown_.SetTotal(cycleRemaining_);
    countDown_.SetRemaining(cycleRemaining_);
    timers_.Start(TimerId::kCountDown, 1000);
    timers_.Start(TimerId::kRelayRepeat, static_cast<int>(cycleIntervalMs_));
    // A clock-only cycle has no sequence to play; it only keeps the clock windows followed.
    if (schedule_.HasSteps())
        player_.Restart(schedule_.steps);
    countDown_.SetTitle(CycleTitle(cycleCount_, maxCycles_));
}

void RelayRunner::OnCountDownTick() {
    if (buttonCycle_) {
        cycleRemaining_ = std::max(0, cycleRemaining_ - 1);
        countDown_.SetRemaining(cycleRemaining_);
    }
    FollowClockWindows();
}

void RelayRunner::FollowClockWindows() {
    if (!schedule_.HasClockEvents())
        return;
    EvaluateClockWindows();
    // The count-down tick comes once a second at any phase of the clock's second, and pauses
    // between the recordings of a series: on its own it would switch up to a second or two late.
    if (!followingClock_) {
        followingClock_ = true;
        timers_.Start(TimerId::kClockWindows, kClockFollowPeriodMs);
    }
}

void RelayRunner::OnClockTick() {
    if (followingClock_)
        EvaluateClockWindows();
    else
        timers_.Stop(TimerId::kClockWindows);
}

void RelayRunner::EvaluateClockWindows() {
    if (!schedule_.HasClockEvents())
        return;
    std::array<int, kRelayChannels> states{};
    for (int c = 0; c < kRelayChannels; ++c)
        states[c] = relays_.RelayState(c);
    const bool holdOff = player_.IsRunning() && schedule_.clockOffDuringShot;
    const ClockSwitching sw =
        EvaluateClock(schedule_.clockChannels, SecondsOfDay(clock_.LocalTime()), states, holdOff);
    for (int m = 0; m < kRelayModules; ++m) {
        if (!schedule_.modulePresent[m])
            continue;
        if (sw.off[m])
            relays_.SetRelays(m, sw.off[m], false);
        if (sw.on[m])
            relays_.SetRelays(m, sw.on[m], true);
    }
}

void RelayRunner::SwitchOffClockRelays() {
    if (!schedule_.HasClockEvents())
        return;
    for (int m = 0; m < kRelayModules; ++m) {
        if (schedule_.modulePresent[m] && schedule_.clockMask[m])
            relays_.SetRelays(m, schedule_.clockMask[m], false);
    }
}

void RelayRunner::StopFollowingClock() {
    followingClock_ = false;
    timers_.Stop(TimerId::kClockWindows);
}

bool RelayRunner::OnRecordingFirstFrame() {
    if (!schedule_.HasSteps())
        return false;
    syncRun_ = true;
    player_.Restart(schedule_.steps);
    timers_.Start(TimerId::kCountDown, 1000);
    return true;
}

bool RelayRunner::OnTimelapseTick() {
    if (!schedule_.HasSteps())
        return false;
    syncRun_ = true;
    player_.Restart(schedule_.steps);
    return true;
}

void RelayRunner::OnRecordingStopped() {
    if (!syncRun_)
        return;
    syncRun_ = false;
    player_.SwitchOffLeftOn();
}

void RelayRunner::OnRunStopped() {
    // A synchronised run ends its cycle, the button's one included.
    if (syncRun_) {
        StopCycle();
        return;
    }
    // Otherwise a cycle of the button goes on, and keeps following the clock.
    if (buttonCycle_ || !followingClock_)
        return;
    SwitchOffClockRelays();
    StopFollowingClock();
}

void RelayRunner::SwitchOffSequenceRelays() {
    for (int m = 0; m < kRelayModules; ++m) {
        if (schedule_.modulePresent[m] && schedule_.sequenceMask[m])
            relays_.SetRelays(m, schedule_.sequenceMask[m], false);
    }
}

void RelayRunner::Shutdown() {
    OnRunStopped();
    if (buttonCycle_)
        StopCycle();
    player_.Stop();
    for (TimerId id : {TimerId::kRelayShot, TimerId::kRelayRepeat, TimerId::kClockWindows})
        timers_.Stop(id);
}

}  // namespace tesmira
