#include "devices.h"

#include <cstdio>
#include <cstdlib>

namespace labsim {

std::string Device::Receive(std::string_view bytes) {
    std::string reply;
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!pending_.empty())
                reply += OnLine(pending_);
            pending_.clear();
        } else if (pending_.size() < kMaxLine) {
            pending_.push_back(c);
        }
    }
    return reply;
}

std::string XyController::OnLine(const std::string& line) {
    if (line == "!:")
        return isBusy_ && isBusy_() ? "B" : "R";
    (void)kind_;  // moves, origin search and status queries are accepted silently
    return {};
}

std::string ZDrive::OnLine(const std::string& line) {
    if (kind_ != ZKind::Te2000e)
        return {};
    if (line == "rSPR") {
        char buf[32];
        std::snprintf(buf, sizeof buf, "aSPR %d\r", position_);
        return buf;
    }
    if (line.rfind("fSMV", 0) == 0) {
        const std::string number = line.substr(4);
        char* end = nullptr;
        const long target = std::strtol(number.c_str(), &end, 10);
        if (!number.empty() && end && *end == '\0')
            position_ = static_cast<int>(target);
    }
    return {};
}

std::string Meter::OnLine(const std::string& line) {
    if (line == "getrh")
        return ":" + temperature_ + "," + humidity_ + ",\r\n";
    return {};
}

}  // namespace labsim
