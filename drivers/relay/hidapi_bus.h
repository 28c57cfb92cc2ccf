// The HID bus through hidapi's hidraw back-end.
#pragma once

#include "relay/relay_transport.h"

namespace tesmira::drivers {

class HidapiBus : public HidBus {
public:
    HidapiBus();
    ~HidapiBus() override;
    bool Ready() const { return ready_; }
    std::vector<HidDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;

private:
    bool ready_ = false;
};

}  // namespace tesmira::drivers
