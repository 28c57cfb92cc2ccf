// A timer backend for tests: timers fire only when the test moves the fake clock forward, so
// time-driven state machines are stepped millisecond by millisecond without sleeping.
#pragma once

#include <cstdint>
#include <map>

#include "core/clock.h"
#include "core/timer_multiplexer.h"

namespace tesmira {

class FakeTimerBackend : public TimerBackend {
public:
    explicit FakeTimerBackend(FakeClock& clock) : clock_(clock) {}

    // Timers that come due are dispatched on this multiplexer.
    void Attach(TimerMultiplexer* timers) { timers_ = timers; }

    void Start(TimerId id, int periodMs, bool precise) override;
    void Stop(TimerId id) override;

    // Moves the clock forward one millisecond at a time; after each step every timer that has
    // come due fires once (lowest identifier first) and is due again one period later.
    void Advance(uint32_t ms);

    bool IsRunning(TimerId id) const { return timers_by_id_.count(id) != 0; }
    int PeriodOf(TimerId id) const;
    bool IsPrecise(TimerId id) const;
    int StartCount(TimerId id) const;  // how often Start was called for id
    int FireCount(TimerId id) const;   // how often id fired

private:
    struct Entry {
        int period = 0;
        bool precise = false;
        uint32_t due = 0;
        uint64_t generation = 0;  // changes on every start, so a restart inside a tick wins
    };
    FakeClock& clock_;
    TimerMultiplexer* timers_ = nullptr;
    std::map<TimerId, Entry> timers_by_id_;
    std::map<TimerId, int> starts_;
    std::map<TimerId, int> fires_;
    uint64_t nextGeneration_ = 1;
};

}  // namespace tesmira
