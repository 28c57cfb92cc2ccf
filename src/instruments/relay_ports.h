// What the relay schedules drive: the relay modules' set-relays operation and the count-down panel.
// The schedule code only sees these two small ports, so it runs against fakes in tests and against
// the real module wrapper and panel in the program.
#pragma once

#include <cstdint>
#include <string>

namespace tesmira {

inline constexpr int kRelayModules = 2;
inline constexpr int kRelaysPerModule = 4;
inline constexpr int kRelayChannels = kRelayModules * kRelaysPerModule;

class IRelaySwitch {
public:
    virtual ~IRelaySwitch() = default;
    // Set relays of one module (0 or 1): switches the relays whose bits are in `mask` on or off.
    // A module that is absent switches nothing.
    virtual void SetRelays(int module, uint8_t mask, bool on) = 0;
    // The last commanded state of channel 0..7: -1 never commanded, 0 off, 1 on.
    virtual int RelayState(int channel) const = 0;
};

class ICountDownPanel {
public:
    virtual ~ICountDownPanel() = default;
    virtual void SetTotal(int seconds) = 0;
    virtual void SetRemaining(int seconds) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

}  // namespace tesmira
