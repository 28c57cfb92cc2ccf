#include "panel/qt_timer_backend.h"

#include <QTimer>

namespace tesmira {

QtTimerBackend::QtTimerBackend(QObject* owner, TimerMultiplexer& timers)
    : owner_(owner), timers_(timers) {}

QtTimerBackend::~QtTimerBackend() {
    StopAll();
}

void QtTimerBackend::Start(TimerId id, int periodMs, bool precise) {
    QTimer*& timer = qtimers_[id];
    if (!timer) {
        timer = new QTimer(owner_);
        QObject::connect(timer, &QTimer::timeout, owner_, [this, id] { timers_.Dispatch(id); });
    }
    timer->setTimerType(precise ? Qt::PreciseTimer : Qt::CoarseTimer);
    timer->start(periodMs);  // restarts a running timer with the new period
}

void QtTimerBackend::Stop(TimerId id) {
    auto it = qtimers_.find(id);
    if (it != qtimers_.end() && it->second)
        it->second->stop();
}

void QtTimerBackend::StopAll() {
    for (auto& [id, timer] : qtimers_) {
        if (timer)
            timer->stop();
    }
}

}  // namespace tesmira
