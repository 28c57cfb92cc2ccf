// The USB HID relay boards (16c0:05df, product "USBRelay1" .. "USBRelay8"): what their 8-byte
// feature report holds and the reports that switch them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesmira::drivers {

inline constexpr uint16_t kHidRelayVendor = 0x16c0;
inline constexpr uint16_t kHidRelayProduct = 0x05df;
inline constexpr size_t kHidReportBytes = 8;

// The relay count named by a product string "USBRelayN" (N 1..8); nullopt for anything else,
// since other gadgets share the USB id.
std::optional<int> HidRelayCount(std::string_view product);

struct HidRelayState {
    std::string serial;  // five printable characters, or their hex digits when not printable
    uint8_t relays = 0;  // bit 0 = relay 1
};

// Reads the board's feature report (bytes 0..4 the serial number, byte 7 the relay states).
// Nullopt when fewer than 8 bytes came back.
std::optional<HidRelayState> ParseHidRelayReport(const uint8_t* data, size_t size);

// The 9-byte feature reports (report number 0 first) that move the masked relays (bit 0 = relay
// 1; bits of relays the board lacks are ignored) to `on`. Covering every relay of the board is
// one "all" report; otherwise one report a relay.
using HidReport = std::array<uint8_t, kHidReportBytes + 1>;
std::vector<HidReport> HidRelayReports(int relayCount, uint8_t mask, bool on);

}  // namespace tesmira::drivers
