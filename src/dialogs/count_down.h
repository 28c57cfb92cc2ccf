// The count-down panel's arithmetic: a total in seconds, the remaining seconds shown as
// "%d:%02d" and the elapsed share as a percentage for the progress bar.
#pragma once

#include <string>

namespace tesmira {

class CountDown {
public:
    // Progress back to 0 and the whole total shown as the remaining time.
    void SetTotal(int seconds);
    // A negative remaining time counts as 0. The percentage is (total - remaining) x 100 / total,
    // truncated, and may leave 0..100 when remaining exceeds total.
    void SetRemaining(int seconds);

    int total() const { return total_; }
    int percent() const { return percent_; }
    const std::string& text() const { return text_; }

    static std::string Format(int seconds);  // "%d:%02d"

private:
    int total_ = 0;
    int percent_ = 0;
    std::string text_ = "00:00";
};

}  // namespace tesmira
