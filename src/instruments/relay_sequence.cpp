#include "instruments/relay_sequence.h"

#include <algorithm>
#include <climits>

namespace tesmira {

namespace {
constexpr int64_t kPreciseBelowMs = 20;
}

int ApproachPeriodMs(int64_t waitMs) {
    if (waitMs < 1)
        return 1;
    if (waitMs < kPreciseBelowMs)
        return static_cast<int>(waitMs);
    const int64_t period = waitMs - waitMs / 16 - 1;
    return static_cast<int>(std::min<int64_t>(period, INT_MAX));
}

RelaySequencePlayer::RelaySequencePlayer(TimerMultiplexer& timers, Clock& clock,
                                         IRelaySwitch& relays)
    : timers_(timers), clock_(clock), relays_(relays) {
    timers_.SetHandler(TimerId::kRelayShot, [this] { OnTick(); });
}

void RelaySequencePlayer::Start(std::vector<RelayStep> steps) {
    Halt();
    steps_ = std::move(steps);
    next_ = 0;
    heldOn_ = {};
    running_ = !steps_.empty();
    if (!running_)
        return;
    startTick_ = clock_.TickMs();
    Arm();
}

void RelaySequencePlayer::Halt() {
    timers_.Stop(TimerId::kRelayShot);
    ++generation_;
    running_ = false;
}

void RelaySequencePlayer::SwitchOffHeld() {
    for (int m = 0; m < kRelayModules; ++m) {
        if (heldOn_[m])
            relays_.SetRelays(m, heldOn_[m], false);
    }
    heldOn_ = {};
}

void RelaySequencePlayer::Stop() {
    if (!running_)
        return;
    Halt();
    SwitchOffHeld();
}

void RelaySequencePlayer::SwitchOffLeftOn() {
    Halt();
    SwitchOffHeld();
}

void RelaySequencePlayer::Restart(std::vector<RelayStep> steps) {
    Stop();
    Start(std::move(steps));
}

void RelaySequencePlayer::OnTick() {
    timers_.Stop(TimerId::kRelayShot);
    if (running_)
        PlayDue();
}

int64_t RelaySequencePlayer::Elapsed() const {
    // Wrap-safe: the tick counter wraps after 49.7 days, a sequence is far shorter.
    const auto sinceStart =
        static_cast<int64_t>(static_cast<uint32_t>(clock_.TickMs() - startTick_));
    return sinceStart - kFirstStepDelayMs;
}

void RelaySequencePlayer::PlayDue() {
    const uint64_t generation = generation_;
    // One tick plays the steps of one moment only: a tick that comes late still leaves the
    // designed millisecond between steps of different times.
    if (next_ < steps_.size() && steps_[next_].atMs <= Elapsed()) {
        const int64_t moment = steps_[next_].atMs;
        while (next_ < steps_.size() && steps_[next_].atMs == moment) {
            const RelayStep step = steps_[next_++];
            if (step.kind == StepKind::kFrameMarker) {
                if (onMarker_)
                    onMarker_();
            } else if (step.module >= 0 && step.module < kRelayModules) {
                const bool on = step.kind == StepKind::kOn;
                relays_.SetRelays(step.module, step.bits, on);
                if (on)
                    heldOn_[step.module] |= step.bits;
                else
                    heldOn_[step.module] &= static_cast<uint8_t>(~step.bits);
            }
            // A callback may have stopped or replaced this sequence.
            if (generation != generation_)
                return;
        }
    }
    if (next_ < steps_.size()) {
        Arm();
        return;
    }
    running_ = false;
    ++generation_;
    if (onFinished_)
        onFinished_();
}

void RelaySequencePlayer::Arm() {
    timers_.Start(TimerId::kRelayShot, ApproachPeriodMs(steps_[next_].atMs - Elapsed()));
}

}  // namespace tesmira
