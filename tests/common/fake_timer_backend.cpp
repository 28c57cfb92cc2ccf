#include "common/fake_timer_backend.h"

#include <vector>

namespace tesmira {

void FakeTimerBackend::Start(TimerId id, int periodMs, bool precise) {
    Entry& e = timers_by_id_[id];
    e.period = periodMs;
    e.precise = precise;
    e.due = clock_.tick + static_cast<uint32_t>(periodMs);
    e.generation = nextGeneration_++;
    ++starts_[id];
}

void FakeTimerBackend::Stop(TimerId id) {
    timers_by_id_.erase(id);
}

void FakeTimerBackend::Advance(uint32_t ms) {
    for (uint32_t step = 0; step < ms; ++step) {
        clock_.Advance(1);
        std::vector<std::pair<TimerId, uint64_t>> due;
        for (const auto& [id, e] : timers_by_id_) {
            // Wrap-safe: due when the signed distance from due to now is not negative.
            if (static_cast<int32_t>(clock_.tick - e.due) >= 0)
                due.emplace_back(id, e.generation);
        }
        for (const auto& [id, generation] : due) {
            auto it = timers_by_id_.find(id);
            // A handler that ran earlier in this step may have stopped or restarted this one.
            if (it == timers_by_id_.end() || it->second.generation != generation)
                continue;
            it->second.due = clock_.tick + static_cast<uint32_t>(it->second.period);
            ++fires_[id];
            if (timers_)
                timers_->Dispatch(id);
        }
    }
}

int FakeTimerBackend::PeriodOf(TimerId id) const {
    auto it = timers_by_id_.find(id);
    return it == timers_by_id_.end() ? 0 : it->second.period;
}

bool FakeTimerBackend::IsPrecise(TimerId id) const {
    auto it = timers_by_id_.find(id);
    return it != timers_by_id_.end() && it->second.precise;
}

int FakeTimerBackend::StartCount(TimerId id) const {
    auto it = starts_.find(id);
    return it == starts_.end() ? 0 : it->second;
}

int FakeTimerBackend::FireCount(TimerId id) const {
    auto it = fires_.find(id);
    return it == fires_.end() ? 0 : it->second;
}

}  // namespace tesmira
