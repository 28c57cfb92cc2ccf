#include "panel/timer_multiplexer.h"

namespace tesmira {

void TimerMultiplexer::Start(int id, int periodMs) {
    if (periodMs < 1)
        periodMs = 1;
    running_[id] = periodMs;
    // Periods under 20 ms need a precise timer; coarse timers may fire several ms late.
    if (backend_)
        backend_->Start(id, periodMs, periodMs < 20);
}

void TimerMultiplexer::Stop(int id) {
    running_.erase(id);
    if (backend_)
        backend_->Stop(id);
}

bool TimerMultiplexer::IsRunning(int id) const {
    return running_.count(id) != 0;
}

int TimerMultiplexer::PeriodOf(int id) const {
    auto it = running_.find(id);
    return it == running_.end() ? 0 : it->second;
}

void TimerMultiplexer::Dispatch(int id) {
    if (id < 1000 || id > 1014)
        return;
    auto it = handlers_.find(id);
    if (it != handlers_.end() && it->second)
        it->second();
}

}  // namespace tesmira
