#include "relay/hid_relay_board.h"

#include <cstdio>

namespace tesmira::drivers {
namespace {

constexpr uint8_t kOn = 0xFF;
constexpr uint8_t kOff = 0xFD;
constexpr uint8_t kAllOn = 0xFE;
constexpr uint8_t kAllOff = 0xFC;
constexpr size_t kSerialBytes = 5;
constexpr size_t kStateByte = 7;

}  // namespace

std::optional<int> HidRelayCount(std::string_view product) {
    constexpr std::string_view prefix = "USBRelay";
    if (product.size() != prefix.size() + 1 || product.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    const char n = product.back();
    if (n < '1' || n > '8')
        return std::nullopt;
    return n - '0';
}

std::optional<HidRelayState> ParseHidRelayReport(const uint8_t* data, size_t size) {
    if (!data || size < kHidReportBytes)
        return std::nullopt;
    HidRelayState state;
    bool printable = true;
    for (size_t i = 0; i < kSerialBytes; ++i)
        printable = printable && data[i] > 0x20 && data[i] < 0x7F;
    for (size_t i = 0; i < kSerialBytes; ++i) {
        if (printable) {
            state.serial += static_cast<char>(data[i]);
        } else {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", data[i]);
            state.serial += hex;
        }
    }
    state.relays = data[kStateByte];
    return state;
}

std::vector<HidReport> HidRelayReports(int relayCount, uint8_t mask, bool on) {
    std::vector<HidReport> reports;
    // The module interface addresses four relays; larger boards keep their upper relays.
    const int addressable = relayCount < 4 ? relayCount : 4;
    if (addressable <= 0)
        return reports;
    const uint8_t board = static_cast<uint8_t>((1u << addressable) - 1);
    mask &= board;
    if (mask == 0)
        return reports;
    if (mask == board && relayCount <= 4) {
        reports.push_back({0, on ? kAllOn : kAllOff});
        return reports;
    }
    for (int relay = 0; relay < addressable; ++relay) {
        if (mask & (1u << relay))
            reports.push_back({0, on ? kOn : kOff, static_cast<uint8_t>(relay + 1)});
    }
    return reports;
}

}  // namespace tesmira::drivers
