// The relay driver behind libsuper4.so: finds the HID and FTDI relay boards on their buses,
// lists their serial numbers in the module list and switches their relays.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "relay/relay_transport.h"

namespace tesmira::drivers {

struct RelayBoard {
    enum class Kind { Hid, Ftdi };
    Kind kind = Kind::Hid;
    std::string serial;  // the module's name in the module list (at most 19 characters)
    std::string path;    // HID: the device path
    int index = 0;       // FTDI: the enumeration index
    int relays = 4;
};

enum class RelayResult { Ok = 0, NoSuchModule = -1, DeviceFailed = -2 };

class RelayDriver {
public:
    // Either bus may be null (its library is not there). `ftdiNamed`: FT232R serials the user
    // declared relay boards.
    RelayDriver(HidBus* hid, FtdiBus* ftdi, std::vector<std::string> ftdiNamed);

    // The boards attached now, HID boards first, each serial once.
    std::vector<RelayBoard> Find();
    // Fills the 20 x 20-byte module list and returns the number of entries written.
    int List(char* list);
    RelayResult Set(std::string_view serial, uint8_t mask, bool on);

private:
    RelayResult SetHid(const RelayBoard& board, uint8_t mask, bool on);
    RelayResult SetFtdi(const RelayBoard& board, uint8_t mask, bool on);

    HidBus* hid_;
    FtdiBus* ftdi_;
    std::vector<std::string> ftdiNamed_;
};

}  // namespace tesmira::drivers
