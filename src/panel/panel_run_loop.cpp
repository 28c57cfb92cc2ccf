#include "panel/panel_run_loop.h"

#include <algorithm>

#include "core/clock.h"
#include "core/settings.h"
#include "serial/serial_reception.h"
#include "serial/serial_slots.h"
#include "stage/stage_state.h"

namespace tesmira {
namespace {
constexpr int kZKindTe2000e = 0;
}

PanelRunLoop::PanelRunLoop(TimerMultiplexer& timers) : timers_(timers) {}

void PanelRunLoop::Install() {
    timers_.SetHandler(TimerId::kSerialReceive, [this] { OnSerialReceiveTick(); });
    timers_.SetHandler(TimerId::kReadyAnswer, [this] { OnReadyAnswerTick(); });
}

void PanelRunLoop::OnSerialReceiveTick() {
    ISerialChannel& xy = SerialSlot(1);
    if (xy.IsOpen())
        (void)ReceiveReply(xy);

    ISerialChannel& z = SerialSlot(2);
    if (!z.IsOpen())
        return;
    std::optional<std::string> reply = ReceiveReply(z);
    if (reply && settings().zAxisType == kZKindTe2000e && zReply_)
        zReply_(*reply);
}

void PanelRunLoop::SendReadyQuery(const std::string& query) {
    ISerialChannel& xy = SerialSlot(1);
    if (!xy.IsOpen())
        return;
    const uint32_t now = AppClock().TickMs();
    if (awaitingReadyByte_ && now - querySentAt_ < kReadyQueryRetryMs)
        return;
    if (!query.empty())
        xy.Write(query);
    timers_.Start(TimerId::kReadyAnswer, kReadyAnswerPeriodMs);
    awaitingReadyByte_ = true;
    querySentAt_ = now;
}

void PanelRunLoop::OnReadyAnswerTick() {
    ISerialChannel& xy = SerialSlot(1);
    if (!xy.IsOpen() || !awaitingReadyByte_)
        return;
    const int waiting = xy.BytesWaiting();
    if (waiting <= 0)
        return;
    const std::string bytes = xy.Read(std::min(waiting, kReceiveReadMax));
    if (waiting != 1 || bytes.size() != 1)
        return;
    stageState().stageReady = bytes[0] == 'R' ? 1 : 0;
    timers_.Stop(TimerId::kReadyAnswer);
    awaitingReadyByte_ = false;
}

}  // namespace tesmira
