// What the real device libraries read from hardware, as any bytes: a relay board's product
// string and feature report, and a sysfs value or sensor identifier. A serial number handed out
// is always printable and fits a module-list entry; a number is always finite.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "climate/sysfs_climate.h"
#include "instruments/device_libraries.h"
#include "relay/hid_relay_board.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto relays = tesmira::drivers::HidRelayCount(text); relays) {
        if (*relays < 1 || *relays > 8)
            __builtin_trap();
        for (uint8_t mask : {uint8_t{0x0F}, size ? data[0] : uint8_t{0}})
            for (const auto& report : tesmira::drivers::HidRelayReports(*relays, mask, true))
                if (report[0] != 0)
                    __builtin_trap();
    }
    if (const auto state = tesmira::drivers::ParseHidRelayReport(data, size); state) {
        if (state->serial.empty() || state->serial.size() >= TESMIRA_RELAY_ENTRY_BYTES)
            __builtin_trap();
        for (char c : state->serial)
            if (c <= 0x20 || c >= 0x7F)
                __builtin_trap();
    }
    if (const auto value = tesmira::drivers::ParseSysfsNumber(text);
        value && !std::isfinite(*value))
        __builtin_trap();
    if (const auto sensor = tesmira::drivers::ClimateSensor::FromId(text); sensor) {
        if (sensor->folder.empty() || sensor->Id() != text)
            __builtin_trap();
    }
    return 0;
}
