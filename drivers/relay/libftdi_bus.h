// The FTDI bus through libftdi1.
#pragma once

#include "relay/relay_transport.h"

namespace tesmira::drivers {

class LibftdiBus : public FtdiBus {
public:
    std::vector<FtdiDeviceInfo> Enumerate(uint16_t vendor, uint16_t product) override;
    std::unique_ptr<FtdiDevice> Open(uint16_t vendor, uint16_t product, int index) override;
};

}  // namespace tesmira::drivers
