// libsuper4.so for real relay boards: the three entry points over the HID and FTDI buses. Each
// call looks at the buses afresh, so a board plugged in later or moved to another port is found.
#include <cstdlib>
#include <cstring>

#include "instruments/device_libraries.h"
#include "relay/ftdi_relay_board.h"
#include "relay/hidapi_bus.h"
#include "relay/libftdi_bus.h"
#include "relay/relay_driver.h"

namespace {

using namespace tesmira::drivers;

template <typename Fn>
int WithDriver(Fn&& fn) {
    HidapiBus hid;
    LibftdiBus ftdi;
    const char* named = std::getenv("TESMIRA_FTDI_RELAYS");
    RelayDriver driver(hid.Ready() ? &hid : nullptr, &ftdi, SplitSerialList(named ? named : ""));
    return fn(driver);
}

}  // namespace

extern "C" {

int dllversion(void) {
    return 0x0200;
}

int ListRelays(char* list) {
    return WithDriver([&](RelayDriver& driver) { return driver.List(list); });
}

int SetRelays(const char* serial, unsigned char mask, int on) {
    if (!serial)
        return static_cast<int>(RelayResult::NoSuchModule);
    const std::string_view name(serial, strnlen(serial, TESMIRA_RELAY_ENTRY_BYTES));
    return WithDriver(
        [&](RelayDriver& driver) { return static_cast<int>(driver.Set(name, mask, on != 0)); });
}

}  // extern "C"
