// FTDI bit-bang relay boards (FT245R, and FT232R when the user names it): the data pins D0..D7
// drive the relays, D0 relay 1. A board's name is the serial number in its EEPROM.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "relay/relay_transport.h"

namespace tesmira::drivers {

inline constexpr uint16_t kFtdiVendor = 0x0403;
inline constexpr uint16_t kFtdiRProduct = 0x6001;  // FT232R and FT245R share it

// An FT245R (a FIFO chip, so nobody's serial cable) is taken as a relay board; an FT232R is
// usually a serial adapter, so it is switched only when its serial is in `namedSerials`.
bool IsFtdiRelayBoard(const FtdiDeviceInfo& info, const std::vector<std::string>& namedSerials);

// "A,B , C" -> {"A", "B", "C"}.
std::vector<std::string> SplitSerialList(std::string_view list);

// The pins after switching the masked relays (bits 0..3) of a board whose pins read `pins`.
uint8_t FtdiRelayPins(uint8_t pins, uint8_t mask, bool on);

}  // namespace tesmira::drivers
