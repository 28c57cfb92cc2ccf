// The panel's window timers 1000-1016: one periodic timer per identifier, restarted when started
// again, and one dispatch by identifier. The multiplexer itself is plain C++; a backend supplies
// the real timers (QTimer on the panel) or a fake that tests step by hand.
#pragma once

#include <functional>
#include <map>

namespace tesmira {

enum class TimerId : int {
    kSerialReceive = 1000,
    kRecording = 1001,
    kReadyAnswer = 1002,
    kPortRefresh = 1003,
    kCameraRefresh = 1004,
    kMeterPoll = 1005,
    kDelayedZ = 1006,
    kTimelapse = 1007,
    kRepeatGap = 1008,
    kCountDown = 1009,
    kZPositionPoll = 1010,
    kRelayShot = 1011,
    kRelayRepeat = 1012,
    kVevReadout = 1013,
    kMeterReply = 1014,
    kStatusLine = 1015,      // refreshes the main window's status line
    kClockWindows = 1016,    // clock-mode relays follow their windows while a run lasts
    kPortWatch = 1017,       // serial devices that go away and come back
    kAutomationPoll = 1018,  // scripts on the session bus see the state change
};
constexpr TimerId kFirstTimer = TimerId::kSerialReceive;
constexpr TimerId kLastTimer = TimerId::kAutomationPoll;

// Timers whose ticks are scheduled events (time-lapse frames, the count-down, relay switching)
// run precise whatever their period.
bool NeedsPreciseTimer(TimerId id);

class TimerBackend {
public:
    virtual ~TimerBackend() = default;
    // Starts (or restarts) the periodic timer `id`; `precise` asks for millisecond accuracy.
    virtual void Start(TimerId id, int periodMs, bool precise) = 0;
    virtual void Stop(TimerId id) = 0;
};

class TimerMultiplexer {
public:
    using Handler = std::function<void()>;

    explicit TimerMultiplexer(TimerBackend* backend = nullptr) : backend_(backend) {}
    void SetBackend(TimerBackend* backend) { backend_ = backend; }

    void SetHandler(TimerId id, Handler handler) { handlers_[id] = std::move(handler); }
    // Starting an identifier that already runs restarts it with the new period.
    void Start(TimerId id, int periodMs);
    void Stop(TimerId id);
    bool IsRunning(TimerId id) const;
    int PeriodOf(TimerId id) const;  // 0 when not running
    // One tick of `id`: identifiers outside kFirstTimer..kLastTimer or without a handler do
    // nothing.
    void Dispatch(TimerId id);

private:
    TimerBackend* backend_;
    std::map<TimerId, Handler> handlers_;
    std::map<TimerId, int> running_;  // id -> period
};

}  // namespace tesmira
