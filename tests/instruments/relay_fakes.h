// Fakes for the relay schedule tests: relay modules that keep channel states the way the real
// set-relays operation does and log every call with the fake clock's tick, and a count-down panel
// that remembers what it was told.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/clock.h"
#include "instruments/relay_ports.h"

namespace tesmira {

struct RelayCall {
    uint32_t tick;
    int module;
    uint8_t mask;
    bool on;
};

class FakeRelays : public IRelaySwitch {
public:
    explicit FakeRelays(FakeClock& clock) : clock_(clock) { states.fill(0); }

    void SetRelays(int module, uint8_t mask, bool on) override {
        calls.push_back({clock_.tick, module, mask, on});
        for (int r = 0; r < kRelaysPerModule; ++r) {
            if (mask & (1u << r)) {
                int& s = states[module * kRelaysPerModule + r];
                if (on && s == 0)
                    s = 1;
                else if (!on && s == 1)
                    s = 0;
            }
        }
    }
    int RelayState(int channel) const override { return states[channel]; }

    std::array<int, kRelayChannels> states{};
    std::vector<RelayCall> calls;

private:
    FakeClock& clock_;
};

class FakeCountDown : public ICountDownPanel {
public:
    void SetTotal(int s) override { total = s; }
    void SetRemaining(int s) override { remaining = s; }
    void SetTitle(const std::string& t) override { title = t; }
    void Show() override { visible = true; }
    void Hide() override { visible = false; }

    int total = 0, remaining = 0;
    std::string title;
    bool visible = false;
};

}  // namespace tesmira
