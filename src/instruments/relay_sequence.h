// Plays a compiled relay sequence on timer 1011. The first step plays 10 ms after the start, and
// every step is due at a fixed millisecond from that zero, read from the clock at each tick, so a
// late tick delays only its own steps and never the ones after it. Steps due at different times
// never share a tick: a late tick keeps at least 1 ms between them. The player keeps its own copy
// of the steps: an apply that recompiles the schedule while a sequence runs does not disturb it.
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

// A sequence's first step plays this long after its start; every step's time counts from there.
inline constexpr int64_t kFirstStepDelayMs = 10;

class RelaySequencePlayer {
public:
    // Takes over the handler of timer 1011 on `timers`.
    RelaySequencePlayer(TimerMultiplexer& timers, Clock& clock, IRelaySwitch& relays);

    // Called at each frame-marker step; the recording side decides whether a frame is taken.
    void SetFrameMarkerHandler(std::function<void()> handler) { onMarker_ = std::move(handler); }
    // Called when the last step has been played (not on a stop).
    void SetFinishedHandler(std::function<void()> handler) { onFinished_ = std::move(handler); }

    // Starts playing `steps`, the first one 10 ms from now. An empty list starts nothing. A
    // running sequence is replaced without switching anything.
    void Start(std::vector<RelayStep> steps);
    // Stops a running sequence and switches off at once every relay it switched on and had not
    // switched off yet. A sequence that already played to its end is left as it is.
    void Stop();
    // Stops a running sequence, if any, and switches off every relay the latest sequence left on,
    // also one that played to its end (a relay whose ON step comes after its OFF step).
    void SwitchOffLeftOn();
    // A clean restart: a running sequence is stopped with its relays off, then `steps` start.
    void Restart(std::vector<RelayStep> steps);

    bool IsRunning() const { return running_; }
    size_t NextStep() const { return next_; }

    // One tick of timer 1011.
    void OnTick();

private:
    void Halt();
    void SwitchOffHeld();
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
    // Relays the latest sequence switched on and not off again, per module.
    std::array<uint8_t, kRelayModules> heldOn_{};
};

// The period to arm for a step `waitMs` away. The timer multiplexer asks for a precise timer only
// below 20 ms, and a coarse timer may fire up to 5% late; longer waits are therefore cut short
// by a sixteenth so that the coarse tick lands early and the last stretch runs on a precise one.
int ApproachPeriodMs(int64_t waitMs);

}  // namespace tesmira
