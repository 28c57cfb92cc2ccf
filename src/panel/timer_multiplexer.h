// The panel's window timers 1000-1014: one periodic timer per identifier, restarted when started
// again, and one dispatch by identifier. The multiplexer itself is plain C++; a backend supplies
// the real timers (QTimer on the panel) or a fake that tests step by hand.
#pragma once

#include <functional>
#include <map>

namespace tesmira {

namespace timer_id {
constexpr int kSerialReceive = 1000;
constexpr int kRecording = 1001;
constexpr int kReadyAnswer = 1002;
constexpr int kPortRefresh = 1003;
constexpr int kCameraRefresh = 1004;
constexpr int kMeterPoll = 1005;
constexpr int kDelayedZ = 1006;
constexpr int kTimelapse = 1007;
constexpr int kRepeatGap = 1008;
constexpr int kCountDown = 1009;
constexpr int kZPositionPoll = 1010;
constexpr int kRelayShot = 1011;
constexpr int kRelayRepeat = 1012;
constexpr int kVevReadout = 1013;
constexpr int kMeterReply = 1014;
}  // namespace timer_id

class TimerBackend {
public:
    virtual ~TimerBackend() = default;
    // Starts (or restarts) the periodic timer `id`; `precise` asks for millisecond accuracy.
    virtual void Start(int id, int periodMs, bool precise) = 0;
    virtual void Stop(int id) = 0;
};

class TimerMultiplexer {
public:
    using Handler = std::function<void()>;

    explicit TimerMultiplexer(TimerBackend* backend = nullptr) : backend_(backend) {}
    void SetBackend(TimerBackend* backend) { backend_ = backend; }

    void SetHandler(int id, Handler handler) { handlers_[id] = std::move(handler); }
    // Starting an identifier that already runs restarts it with the new period.
    void Start(int id, int periodMs);
    void Stop(int id);
    bool IsRunning(int id) const;
    int PeriodOf(int id) const;  // 0 when not running
    // One tick of `id`: identifiers outside 1000..1014 or without a handler do nothing.
    void Dispatch(int id);

private:
    TimerBackend* backend_;
    std::map<int, Handler> handlers_;
    std::map<int, int> running_;  // id -> period
};

}  // namespace tesmira
