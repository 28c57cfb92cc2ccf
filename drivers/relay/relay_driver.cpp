#include "relay/relay_driver.h"

#include <algorithm>
#include <cstring>

#include "instruments/device_libraries.h"
#include "relay/ftdi_relay_board.h"
#include "relay/hid_relay_board.h"

namespace tesmira::drivers {
namespace {

// Names from an EEPROM are outside data: only printable ASCII, and room for the terminator.
bool UsableName(const std::string& name) {
    if (name.empty() || name.size() >= TESMIRA_RELAY_ENTRY_BYTES)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

}  // namespace

RelayDriver::RelayDriver(HidBus* hid, FtdiBus* ftdi, std::vector<std::string> ftdiNamed)
    : hid_(hid), ftdi_(ftdi), ftdiNamed_(std::move(ftdiNamed)) {}

std::vector<RelayBoard> RelayDriver::Find() {
    std::vector<RelayBoard> boards;
    auto known = [&](const std::string& serial) {
        return std::any_of(boards.begin(), boards.end(),
                           [&](const RelayBoard& b) { return b.serial == serial; });
    };
    if (hid_) {
        for (const HidDeviceInfo& info : hid_->Enumerate(kHidRelayVendor, kHidRelayProduct)) {
            const std::optional<int> relays = HidRelayCount(info.product);
            if (!relays)
                continue;
            std::unique_ptr<HidDevice> device = hid_->Open(info.path);
            if (!device)
                continue;
            uint8_t report[kHidReportBytes] = {0};
            const int n = device->GetFeatureReport(report, sizeof report);
            const auto state = ParseHidRelayReport(report, n > 0 ? static_cast<size_t>(n) : 0);
            if (!state || known(state->serial))
                continue;
            boards.push_back({RelayBoard::Kind::Hid, state->serial, info.path, 0, *relays});
        }
    }
    if (ftdi_) {
        for (const FtdiDeviceInfo& info : ftdi_->Enumerate(kFtdiVendor, kFtdiRProduct)) {
            if (!IsFtdiRelayBoard(info, ftdiNamed_) || !UsableName(info.serial) ||
                known(info.serial))
                continue;
            boards.push_back({RelayBoard::Kind::Ftdi, info.serial, {}, info.index, 8});
        }
    }
    return boards;
}

int RelayDriver::List(char* list) {
    if (!list)
        return 0;
    const std::vector<RelayBoard> boards = Find();
    const size_t n = std::min<size_t>(boards.size(), TESMIRA_RELAY_LIST_ENTRIES);
    for (size_t i = 0; i < n; ++i) {
        char* entry = list + i * TESMIRA_RELAY_ENTRY_BYTES;
        std::memset(entry, 0, TESMIRA_RELAY_ENTRY_BYTES);
        std::memcpy(entry, boards[i].serial.data(),
                    std::min<size_t>(boards[i].serial.size(), TESMIRA_RELAY_ENTRY_BYTES - 1));
    }
    return static_cast<int>(n);
}

RelayResult RelayDriver::Set(std::string_view serial, uint8_t mask, bool on) {
    for (const RelayBoard& board : Find()) {
        if (board.serial != serial)
            continue;
        return board.kind == RelayBoard::Kind::Hid ? SetHid(board, mask, on)
                                                   : SetFtdi(board, mask, on);
    }
    return RelayResult::NoSuchModule;
}

RelayResult RelayDriver::SetHid(const RelayBoard& board, uint8_t mask, bool on) {
    std::unique_ptr<HidDevice> device = hid_->Open(board.path);
    if (!device)
        return RelayResult::DeviceFailed;
    for (const HidReport& report : HidRelayReports(board.relays, mask, on)) {
        if (device->SendFeatureReport(report.data(), report.size()) < 0)
            return RelayResult::DeviceFailed;
    }
    return RelayResult::Ok;
}

RelayResult RelayDriver::SetFtdi(const RelayBoard& board, uint8_t mask, bool on) {
    std::unique_ptr<FtdiDevice> device = ftdi_->Open(kFtdiVendor, kFtdiRProduct, board.index);
    uint8_t pins = 0;
    if (!device || !device->EnterBitBang() || !device->ReadPins(&pins))
        return RelayResult::DeviceFailed;
    return device->WritePins(FtdiRelayPins(pins, mask, on)) ? RelayResult::Ok
                                                            : RelayResult::DeviceFailed;
}

}  // namespace tesmira::drivers
