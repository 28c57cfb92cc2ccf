// Daily ON windows of the channels that follow the clock ("時刻"), and the check made once a
// second by the count-down tick: which relays must go on or off now.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <vector>

#include "core/settings.h"
#include "instruments/relay_ports.h"

namespace tesmira {

inline constexpr int kSecondsPerDay = 86400;

struct ClockWindow {
    int start = 0, end = 0;  // half-open [start, end) in seconds of the day
    bool operator==(const ClockWindow&) const = default;
};

struct ClockChannel {
    int channel = 0;  // 0..7
    std::vector<ClockWindow> windows;
};

int SecondsOfDay(const ClockTime& t);
int SecondsOfDay(const std::tm& t);

// ON before OFF gives [ON, OFF). Otherwise the window runs to the end of the day and, unless OFF
// is midnight, from midnight to OFF. Windows end at 86400 so that a window across midnight holds
// the relay through 23:59:59 without a blink. ON equal to OFF gives no window.
std::vector<ClockWindow> WindowsFor(const ClockTime& on, const ClockTime& off);

bool InsideAnyWindow(const std::vector<ClockWindow>& windows, int secondOfDay);

struct ClockSwitching {
    std::array<uint8_t, kRelayModules> off{};
    std::array<uint8_t, kRelayModules> on{};
    bool Empty() const { return off == decltype(off){} && on == decltype(on){}; }
};

// The relays to switch now. `holdOff` (a sequence runs and "TurnOff_Relay" is on) sends every
// clock channel that is on to the OFF list instead. Channels already in the wanted state, and
// uncommanded channels when holding off, are left alone.
ClockSwitching EvaluateClock(const std::vector<ClockChannel>& channels, int secondOfDay,
                             const std::array<int, kRelayChannels>& states, bool holdOff);

inline uint8_t ChannelBit(int channel) {
    return static_cast<uint8_t>(1u << (channel % kRelaysPerModule));
}
inline int ChannelModule(int channel) {
    return channel / kRelaysPerModule;
}

}  // namespace tesmira
