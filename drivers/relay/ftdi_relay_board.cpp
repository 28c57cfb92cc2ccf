#include "relay/ftdi_relay_board.h"

#include <algorithm>

namespace tesmira::drivers {

bool IsFtdiRelayBoard(const FtdiDeviceInfo& info, const std::vector<std::string>& namedSerials) {
    if (info.serial.empty())
        return false;
    if (std::find(namedSerials.begin(), namedSerials.end(), info.serial) != namedSerials.end())
        return true;
    return info.product.find("FT245R") != std::string::npos;
}

std::vector<std::string> SplitSerialList(std::string_view list) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string_view::npos)
            end = list.size();
        std::string_view item = list.substr(start, end - start);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        if (!item.empty())
            out.emplace_back(item);
        start = end + 1;
    }
    return out;
}

uint8_t FtdiRelayPins(uint8_t pins, uint8_t mask, bool on) {
    mask &= 0x0F;
    return static_cast<uint8_t>(on ? pins | mask : pins & ~mask);
}

}  // namespace tesmira::drivers
