#include "stage/stage_run_loop.h"

#include <algorithm>

#include "core/clock.h"
#include "core/controller_kinds.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/ui_text.h"
#include "serial/serial_reception.h"
#include "serial/serial_slots.h"
#include "stage/stage_state.h"

namespace tesmira {

StageRunLoop::StageRunLoop(TimerMultiplexer& timers, SerialSlots& slots, StageState& state,
                           const Settings& settings, Clock& clock)
    : timers_(timers), slots_(slots), state_(state), settings_(settings), clock_(clock) {}

void StageRunLoop::Install() {
    timers_.SetHandler(TimerId::kSerialReceive, [this] { OnSerialReceiveTick(); });
    timers_.SetHandler(TimerId::kReadyAnswer, [this] { OnReadyAnswerTick(); });
}

void StageRunLoop::StartReception() {
    timers_.Start(TimerId::kSerialReceive, kSerialReceivePeriodMs);
}

void StageRunLoop::OnSerialReceiveTick() {
    ISerialChannel& xy = slots_.Slot(1);
    if (xy.IsOpen()) {
        const std::optional<std::string> reply = ReceiveReply(xy);
        if (reply && replyListener_)
            replyListener_(1, *reply);
    }

    ISerialChannel& z = slots_.Slot(2);
    if (!z.IsOpen())
        return;
    std::optional<std::string> reply = ReceiveReply(z);
    if (reply && replyListener_)
        replyListener_(2, *reply);
    // Only the raw kind value 0 is TE2000E here, as the reception tick always compared it.
    if (reply && settings_.zAxisType == stage_kind::kTe2000e && zReply_)
        zReply_(*reply);
}

void StageRunLoop::SendReadyQuery(const std::string& query) {
    ISerialChannel& xy = slots_.Slot(1);
    if (!xy.IsOpen())
        return;
    const uint32_t now = clock_.TickMs();
    if (!awaitingReadyByte_) {
        waitingSince_ = now;
    } else if (!query.empty() && !silenceReported_ && now - waitingSince_ >= kReadySilenceMs) {
        silenceReported_ = true;
        const std::string& port = slots_.PortName(1);
        qCWarning(lcStage, "stage controller on %s does not answer", port.c_str());
        if (tellSilence_)
            tellSilence_(
                FillIn(UiText("Stage", "ステージコントローラ %s が応答しません。\n"), port));
    }
    if (awaitingReadyByte_ && now - querySentAt_ < kReadyQueryRetryMs)
        return;
    if (!query.empty())
        xy.Write(query);
    timers_.Start(TimerId::kReadyAnswer, kReadyAnswerPeriodMs);
    awaitingReadyByte_ = true;
    querySentAt_ = now;
}

void StageRunLoop::OnReadyAnswerTick() {
    ISerialChannel& xy = slots_.Slot(1);
    if (!xy.IsOpen() || !awaitingReadyByte_)
        return;
    const int waiting = xy.BytesWaiting();
    if (waiting <= 0)
        return;
    const std::string bytes = xy.Read(std::min(waiting, kReceiveReadMax));
    if (waiting != 1 || bytes.size() != 1)
        return;
    state_.stageReady = bytes[0] == 'R' ? 1 : 0;
    timers_.Stop(TimerId::kReadyAnswer);
    awaitingReadyByte_ = false;
    silenceReported_ = false;
}

}  // namespace tesmira
