#include "serial/port_watch.h"

#include "core/log.h"
#include "core/timer_multiplexer.h"
#include "serial/serial_slots.h"

namespace tesmira {

PortWatch::PortWatch(SerialSlots& slots, TimerMultiplexer& timers, Tell tell)
    : slots_(slots), timers_(timers), tell_(std::move(tell)) {}

void PortWatch::Start() {
    timers_.SetHandler(TimerId::kPortWatch, [this] { OnTick(); });
    timers_.Start(TimerId::kPortWatch, kPortWatchPeriodMs);
}

void PortWatch::OnTick() {
    for (int n = 1; n <= 4; ++n) {
        ISerialChannel& channel = slots_.Slot(n);
        if (channel.IsOpen())
            channel.Probe();
        const std::string port = slots_.PortName(n);
        if (channel.Vanished()) {
            slots_.MarkLost(n);
            qCWarning(lcSerial, "port %d: %s is gone", n, port.c_str());
            if (tell_)
                tell_(SlotGoneMessage(n, port));
        } else if (slots_.Reopen(n)) {
            qCInfo(lcSerial, "port %d: %s is back", n, port.c_str());
            if (tell_)
                tell_(SlotBackMessage(n, port));
        }
    }
}

}  // namespace tesmira
