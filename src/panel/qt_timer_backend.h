// The real timers of the panel: one QTimer per identifier, precise for short periods, each tick
// dispatched through the multiplexer on the user-interface thread.
#pragma once

#include <QObject>
#include <map>

#include "core/timer_multiplexer.h"

class QTimer;

namespace tesmira {

class QtTimerBackend : public TimerBackend {
public:
    // Timers are children of `owner` and dispatch on `timers`.
    QtTimerBackend(QObject* owner, TimerMultiplexer& timers);
    ~QtTimerBackend() override;

    void Start(TimerId id, int periodMs, bool precise) override;
    void Stop(TimerId id) override;
    void StopAll();

private:
    QObject* owner_;
    TimerMultiplexer& timers_;
    std::map<TimerId, QTimer*> qtimers_;
};

}  // namespace tesmira
