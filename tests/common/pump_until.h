// Runs the Qt event loop (socket notifiers, timers, queued calls) until a condition holds or a
// time runs out: for what another process answers, which comes when it comes.
#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace tesmira::test {

inline bool PumpUntil(const std::function<bool()>& done, int maxMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > maxMs)
            return done();
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace tesmira::test
