// Plays a compiled relay sequence on timer 1011. Every step is due at a fixed millisecond from
// the sequence's start, read from the clock at each tick, so a late tick delays only its own
// steps and never the ones after it. The player keeps its own copy of the steps: an apply that
// recompiles the schedule while a sequence runs does not disturb it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/clock.h"
#include "core/timer_multiplexer.h"
#include "instruments/relay_ports.h"
#include "instruments/relay_schedule.h"

namespace tesmira {

class RelaySequencePlayer {
public:
    // Takes over the handler of timer 1011 on `timers`.
    RelaySequencePlayer(TimerMultiplexer& timers, Clock& clock, IRelaySwitch& relays);

    // Called at each frame-marker step; the recording side decides whether a frame is taken.
    void SetFrameMarkerHandler(std::function<void()> handler) { onMarker_ = std::move(handler); }
    // Called when the last step has been played (not on an abort).
    void SetFinishedHandler(std::function<void()> handler) { onFinished_ = std::move(handler); }

    // Starts playing `steps` now; steps due at 0 are played before this returns. An empty list
    // starts nothing. A running sequence is replaced without switching anything.
    void Start(std::vector<RelayStep> steps);
    // Stops at once; relays keep their states.
    void Abort();
    // Stops and switches off every relay this sequence switched on and has not switched off yet.
    void AbortSwitchingOff();
    // A clean restart: the running sequence (if any) is aborted with its relays switched off.
    void Restart(std::vector<RelayStep> steps);

    bool IsRunning() const { return running_; }
    size_t NextStep() const { return next_; }

    // One tick of timer 1011.
    void OnTick();

private:
    void PlayDue();
    void Arm();
    int64_t Elapsed() const;

    TimerMultiplexer& timers_;
    Clock& clock_;
    IRelaySwitch& relays_;
    std::function<void()> onMarker_, onFinished_;
    std::vector<RelayStep> steps_;
    size_t next_ = 0;
    uint32_t startTick_ = 0;
    bool running_ = false;
    uint64_t generation_ = 0;  // changes on every start and stop, so callbacks can tell
    std::array<uint8_t, kRelayModules> heldOn_{};
};

// The period to arm for a step `waitMs` away. The timer multiplexer asks for a precise timer only
// below 20 ms, and a coarse timer may fire up to 5% late; longer waits are therefore cut short
// by a sixteenth so that the coarse tick lands early and the last stretch runs on a precise one.
int ApproachPeriodMs(int64_t waitMs);

}  // namespace tesmira
