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
}

ShotResult RelayRunner::Shot() {
    if (!schedule_.HasSteps())
        return {ShotOutcome::kNoTimetable, kMsgNoTimetable};
    if (player_.IsRunning()) {
        player_.Abort();
        return {ShotOutcome::kStopped, {}};
    }
    player_.Start(schedule_.steps);
    return {ShotOutcome::kStarted, {}};
}

void RelayRunner::StartCycle(int64_t intervalMs, int maxCycles) {
    cycleFlag_ = true;
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
}

void RelayRunner::StopCycle() {
    cycleFlag_ = false;
    buttonCycle_ = false;
    if (schedule_.HasClockEvents()) {
        for (int m = 0; m < kRelayModules; ++m) {
            if (schedule_.modulePresent[m] && schedule_.clockMask[m])
                relays_.SetRelays(m, schedule_.clockMask[m], false);
        }
    }
    timers_.Stop(TimerId::kRelayRepeat);
    timers_.Stop(TimerId::kCountDown);
    countDown_.Hide();
    player_.Abort();
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
    // A clock-only cycle has no sequence to play; it only keeps the clock windows ticking.
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

bool RelayRunner::OnRecordingFirstFrame() {
    if (!schedule_.HasSteps())
        return false;
    cycleFlag_ = true;
    player_.Restart(schedule_.steps);
    timers_.Start(TimerId::kCountDown, 1000);
    return true;
}

bool RelayRunner::OnTimelapseTick() {
    if (!schedule_.HasSteps())
        return false;
    cycleFlag_ = true;
    player_.Restart(schedule_.steps);
    return true;
}

void RelayRunner::OnRunStopped() {
    if (!cycleFlag_)
        return;
    // A recording shorter than its sequence would otherwise leave relays on until someone
    // switches them by hand.
    player_.AbortSwitchingOff();
    StopCycle();
}

void RelayRunner::SwitchOffSequenceRelays() {
    for (int m = 0; m < kRelayModules; ++m) {
        if (schedule_.modulePresent[m] && schedule_.sequenceMask[m])
            relays_.SetRelays(m, schedule_.sequenceMask[m], false);
    }
}

}  // namespace tesmira
