#include "dialogs/count_down.h"

#include <climits>
#include <cstdint>
#include <cstdio>

namespace tesmira {

std::string CountDown::Format(int seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d", seconds / 60, seconds % 60);
    return buf;
}

void CountDown::SetTotal(int seconds) {
    total_ = seconds;
    percent_ = 0;
    text_ = Format(seconds);
}

void CountDown::SetRemaining(int seconds) {
    if (seconds < 0)
        seconds = 0;
    if (total_ == 0) {
        // Nothing to count down from: the callers always set a total first, so there is no
        // meaningful share; show the bar full rather than dividing by zero.
        percent_ = 100;
    } else {
        const int64_t p = (static_cast<int64_t>(total_) - seconds) * 100 / total_;
        percent_ = static_cast<int>(p < INT_MIN ? INT_MIN : p > INT_MAX ? INT_MAX : p);
    }
    text_ = Format(seconds);
}

}  // namespace tesmira
