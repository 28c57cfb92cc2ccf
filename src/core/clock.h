// The one seam for time: a monotonic millisecond tick (wrapped to 32 bits like a multimedia
// timer) and the local wall-clock time. Objects are handed one; tests hand a fake and step it.
#pragma once

#include <cstdint>
#include <ctime>

namespace tesmira {

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t TickMs() = 0;    // monotonic, wraps after 49.7 days
    virtual std::tm LocalTime() = 0;  // broken-down local time now
    virtual int64_t UnixMs();         // wall clock, ms since 1970 UTC (the system's by default)
};

// The system's steady clock and local time.
class SystemClock : public Clock {
public:
    uint32_t TickMs() override;
    std::tm LocalTime() override;
};

// A clock that only moves when told to.
class FakeClock : public Clock {
public:
    uint32_t TickMs() override { return tick; }
    std::tm LocalTime() override { return local; }
    int64_t UnixMs() override { return unixMsAtTickZero + tick; }
    void Advance(uint32_t ms) { tick += ms; }

    uint32_t tick = 1000;
    std::tm local{0, 0, 12, 17, 0, 126};              // 2026-01-17 12:00:00
    int64_t unixMsAtTickZero = 1768651200000 - 1000;  // 2026-01-17 12:00:00 UTC at tick 1000
};

}  // namespace tesmira
