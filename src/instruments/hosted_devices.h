// The two device libraries as the program sees them through their helper processes: the relay
// driver the relay table switches through, and the USBRH device the meter reads. Switching is
// sent and not waited for; the module list, finding and reading answer later.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "instruments/device_host_client.h"
#include "instruments/relay_modules.h"
#include "instruments/usbrh_device.h"

namespace tesmira {

class HostedRelayDriver : public IRelayDriver {
public:
    explicit HostedRelayDriver(devhost::DeviceHostClient& host) : host_(host) {}

    // Asks the helper for the module list; `listed(true)` once it came (ListRelays then gives
    // it), `listed(false)` when no answer will come.
    void RequestList(std::function<void(bool listed)> listed);

    // The list the helper last gave and its count (0 before any).
    int ListRelays(char* list) override;
    // Sent to the helper; the library's result means nothing to the caller.
    void SetRelays(const char* serial, std::uint8_t mask, int on) override;

private:
    devhost::DeviceHostClient& host_;
    int count_ = 0;
    std::array<char, devhost::kListBytes> list_{};
};

class HostedUsbrh : public IUsbrhDevice {
public:
    explicit HostedUsbrh(devhost::DeviceHostClient& host) : host_(host) {}

    // Starts the helper when none runs (ON also tries a library that could not be loaded again).
    void Find(FindDone done) override;
    bool Holds() const override { return holds_; }
    void Read(ReadDone done) override;
    void Release() override;

private:
    devhost::DeviceHostClient& host_;
    bool holds_ = false;  // the helper holds the identifier of a module it found
};

}  // namespace tesmira
