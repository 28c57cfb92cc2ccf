#include "core/clock.h"

#include <chrono>

namespace tesmira {
namespace {

class SystemClock : public Clock {
public:
    uint32_t TickMs() override {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    std::tm LocalTime() override {
        std::time_t now = std::time(nullptr);
        std::tm out{};
        localtime_r(&now, &out);
        return out;
    }
};

Clock*& Installed() {
    static Clock* clock = nullptr;
    return clock;
}

}  // namespace

Clock& AppClock() {
    static SystemClock system;
    return Installed() ? *Installed() : system;
}

void SetAppClock(Clock* clock) {
    Installed() = clock;
}

}  // namespace tesmira
