// The ticks of the run loop that belong to the stage: serial reception on ports 1 and 2 (timer
// 1000) and the stage controller's one-byte ready answer (timer 1002), plus the ready query that
// the recording tick sends. Plain C++ on the serial slots and the panel's timer multiplexer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/timer_multiplexer.h"

namespace tesmira {

class Clock;
class SerialSlots;
struct Settings;
struct StageState;

constexpr int kSerialReceivePeriodMs = 500;
constexpr int kReadyAnswerPeriodMs = 3;
// A ready query that got no single-byte answer within this time is asked again.
constexpr uint32_t kReadyQueryRetryMs = 100;
// A controller that has given no answer for this long is said to have stopped answering.
constexpr uint32_t kReadySilenceMs = 2000;

class StageRunLoop {
public:
    // Complete replies of the Z drive (port 2) while the Z kind is TE2000E.
    using ZReplyHandler = std::function<void(const std::string& reply)>;

    StageRunLoop(TimerMultiplexer& timers, SerialSlots& slots, StageState& state,
                 const Settings& settings, Clock& clock);
    StageRunLoop(const StageRunLoop&) = delete;
    StageRunLoop& operator=(const StageRunLoop&) = delete;

    // Registers the handlers of timers 1000 and 1002 on the multiplexer.
    void Install();
    // Start-up, once the ports are open: reception every kSerialReceivePeriodMs.
    void StartReception();

    void SetZReplyHandler(ZReplyHandler handler) { zReply_ = std::move(handler); }
    // Where a controller that stopped answering the ready query is told (the message pane).
    void SetSilenceReport(std::function<void(const std::string& line)> tell) {
        tellSilence_ = std::move(tell);
    }
    // Every complete reply the reception tick finds on port 1 or 2, whatever the kinds, for
    // showing what the controllers answer (the command-send dialog).
    using ReplyListener = std::function<void(int slot, const std::string& reply)>;
    void SetReplyListener(ReplyListener listener) { replyListener_ = std::move(listener); }

    // Tick 1000: port 1 is read and its replies dropped (keeps the input queue drained); a
    // complete reply on port 2 goes to the Z reply handler when the Z kind is TE2000E.
    void OnSerialReceiveTick();

    // Sent by the recording tick when port 1 is open: writes `query` (nothing when it is empty,
    // as for an LEP MAC5000), starts timer 1002 and waits for the one-byte answer. The recording
    // tick comes every millisecond, faster than a controller answers: while a query is still
    // unanswered no new one is sent (answers would pile up as "RRR" and no single byte would ever
    // be seen), unless it has gone unanswered for kReadyQueryRetryMs. A controller that answers
    // nothing for kReadySilenceMs is reported once, and again only after it has answered.
    void SendReadyQuery(const std::string& query);

    // Tick 1002: only a single waiting byte is an answer ("R" ready, anything else busy); any
    // other count is read, dropped, and the wait goes on.
    void OnReadyAnswerTick();

    bool AwaitingReadyByte() const { return awaitingReadyByte_; }
    // Cleared at recording start and stop: the next query begins a new wait.
    void SetAwaitingReadyByte(bool awaiting) {
        awaitingReadyByte_ = awaiting;
        if (!awaiting)
            silenceReported_ = false;
    }

private:
    TimerMultiplexer& timers_;
    SerialSlots& slots_;
    StageState& state_;
    const Settings& settings_;
    Clock& clock_;
    ZReplyHandler zReply_;
    std::function<void(const std::string&)> tellSilence_;
    ReplyListener replyListener_;
    bool awaitingReadyByte_ = false;
    uint32_t querySentAt_ = 0;
    uint32_t waitingSince_ = 0;  // the first query still unanswered
    bool silenceReported_ = false;
};

}  // namespace tesmira
