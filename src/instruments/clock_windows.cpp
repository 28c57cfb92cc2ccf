#include "instruments/clock_windows.h"

namespace tesmira {

int SecondsOfDay(const ClockTime& t) {
    return t.s + 60 * (t.m + 60 * t.h);
}

int SecondsOfDay(const std::tm& t) {
    // A leap second (tm_sec 60) still belongs to the last second of its minute.
    const int sec = t.tm_sec > 59 ? 59 : t.tm_sec;
    return sec + 60 * (t.tm_min + 60 * t.tm_hour);
}

std::vector<ClockWindow> WindowsFor(const ClockTime& on, const ClockTime& off) {
    const int onSec = SecondsOfDay(on);
    const int offSec = SecondsOfDay(off);
    if (onSec == offSec)
        return {};
    if (onSec < offSec)
        return {{onSec, offSec}};
    if (offSec == 0)
        return {{onSec, kSecondsPerDay}};
    return {{0, offSec}, {onSec, kSecondsPerDay}};
}

bool InsideAnyWindow(const std::vector<ClockWindow>& windows, int secondOfDay) {
    for (const ClockWindow& w : windows) {
        if (w.start <= secondOfDay && secondOfDay < w.end)
            return true;
    }
    return false;
}

ClockSwitching EvaluateClock(const std::vector<ClockChannel>& channels, int secondOfDay,
                             const std::array<int, kRelayChannels>& states, bool holdOff) {
    ClockSwitching out;
    for (const ClockChannel& c : channels) {
        if (c.channel < 0 || c.channel >= kRelayChannels)
            continue;
        const int state = states[c.channel];
        const int module = ChannelModule(c.channel);
        const uint8_t bit = ChannelBit(c.channel);
        if (holdOff) {
            if (state == 1)
                out.off[module] |= bit;
            continue;
        }
        const bool inside = InsideAnyWindow(c.windows, secondOfDay);
        if (inside && state != 1)
            out.on[module] |= bit;
        else if (!inside && state != 0)
            out.off[module] |= bit;
    }
    return out;
}

}  // namespace tesmira
