// Watches the four port slots for devices that go away and come back: a USB serial adapter
// pulled out is closed, said once in the message pane and opened again, without a word of
// failure, once the same device path is there again. One tick a second on the panel's timers
// costs a poll per open port and a stat per lost one.
#pragma once

#include <functional>
#include <string>

namespace tesmira {

class SerialSlots;
class TimerMultiplexer;

constexpr int kPortWatchPeriodMs = 1000;

class PortWatch {
public:
    // `tell` puts a line into the message pane.
    using Tell = std::function<void(const std::string& line)>;

    PortWatch(SerialSlots& slots, TimerMultiplexer& timers, Tell tell);
    PortWatch(const PortWatch&) = delete;
    PortWatch& operator=(const PortWatch&) = delete;

    // Registers the tick on the multiplexer and starts it.
    void Start();
    // One look at every slot: a port whose device went away is closed and reported; a lost slot
    // whose device path is back is opened again and reported.
    void OnTick();

private:
    SerialSlots& slots_;
    TimerMultiplexer& timers_;
    Tell tell_;
};

}  // namespace tesmira
