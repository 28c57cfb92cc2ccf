#include "core/timer_multiplexer.h"

namespace tesmira {

bool NeedsPreciseTimer(TimerId id) {
    switch (id) {
        case TimerId::kTimelapse:
        case TimerId::kCountDown:
        case TimerId::kRelayShot:
        case TimerId::kRelayRepeat:
            return true;
        default:
            return false;
    }
}

void TimerMultiplexer::Start(TimerId id, int periodMs) {
    if (periodMs < 1)
        periodMs = 1;
    running_[id] = periodMs;
    // Periods under 20 ms need a precise timer; coarse timers may fire several ms late, or up to
    // 5 % of the period, which a time-lapse frame or a relay switch must not be.
    if (backend_)
        backend_->Start(id, periodMs, periodMs < 20 || NeedsPreciseTimer(id));
}

void TimerMultiplexer::Stop(TimerId id) {
    running_.erase(id);
    if (backend_)
        backend_->Stop(id);
}

bool TimerMultiplexer::IsRunning(TimerId id) const {
    return running_.count(id) != 0;
}

int TimerMultiplexer::PeriodOf(TimerId id) const {
    auto it = running_.find(id);
    return it == running_.end() ? 0 : it->second;
}

void TimerMultiplexer::Dispatch(TimerId id) {
    if (id < kFirstTimer || id > kLastTimer)
        return;
    auto it = handlers_.find(id);
    if (it != handlers_.end() && it->second)
        it->second();
}

}  // namespace tesmira
