// What scripts may do with the workstation, without a bus: every call is checked here (a modal
// dialog up, the run state, the camera, the ranges) and refused with an error a script can act
// on, or handed to the same entry points the panel's buttons use. A 100 ms poll turns the
// workstation's state into change notices. The D-Bus adaptor (dbus_service.h) only translates.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/script_settings.h"
#include "core/instrument_texts.h"
#include "core/tesmira_doc.h"
#include "stage/stage_control.h"

namespace tesmira {

struct Settings;
class TimerMultiplexer;

enum class AutomationError { kBusy, kNoCamera, kInvalidArgument, kNotConnected, kFailed };

// "org.corvanesoft.Tesmira.Error.Busy" and so on.
std::string ErrorName(AutomationError error);

struct Refusal {
    AutomationError error;
    std::string text;  // in the user's language
};

// A call's answer: a refusal, or the value.
template <class T>
struct Answer {
    std::optional<Refusal> refusal;
    T value{};
};
struct Done {};

using SettingValue = ScriptValue;

// The workstation as the poll sees it.
struct WorkstationSnapshot {
    bool cameraReady = false;
    bool live = false;
    bool recording = false;
    bool repeating = false;
    bool cycling = false;  // a relay cycle or sequence runs
    int recMode = 0;
    double x = 0.0, y = 0.0, z = 0.0;
    std::string camera;
    std::string lastFile;       // the newest file written, of any kind
    std::string lastRecording;  // the last finished recording
    int delivered = 0, dropped = 0;
    std::string lastStill;
    bool stillPending = false;
    int timelapseFrames = 0;
    std::string lastSeries;
    std::array<int, 8> relays{-1, -1, -1, -1, -1, -1, -1, -1};  // -1 never switched, 0 off, 1 on
    InstrumentTexts texts;
};

// The entry points of the rooms, filled in by the composition root.
struct AutomationPorts {
    std::function<WorkstationSnapshot()> snapshot;
    std::function<bool()> modalOpen;  // a modal dialog or message box holds the user
    // Whether the panel's button for it can be pressed now, and pressing it.
    std::function<bool()> canStartLive, canStopLive, canStartRecording, canStopRecording;
    std::function<void()> startLive, stopLive, startRecording, stopRecording;
    // The file (or a series' folder) being written; asked right after the start.
    std::function<std::string()> recordingPath;
    std::function<bool()> requestStill;  // false: nothing was asked
    std::function<StageMove(double dx, double dy)> moveBy;
    std::function<StageMove(double dz)> moveZBy;
    std::function<bool(int channel)> relayUsable;  // the relay's module is there and on-line
    std::function<void(int channel)> toggleRelay;
    std::function<void()> shot;
    Settings* settings = nullptr;
    // After SetSetting changed `key`: the stage texts and the panel follow.
    std::function<void(const std::string& key)> settingChanged;
};

// What the object tells the bus; every member may be empty.
struct AutomationSignals {
    std::function<void(const std::string& state)> stateChanged;
    std::function<void(const std::string& path, int delivered, int dropped)> recordingFinished;
    std::function<void(const std::string& path)> stillWritten;
    std::function<void(const std::string& pathOrIndex)> timelapseFrame;
    std::function<void(double x, double y, double z)> positionChanged;
    std::function<void(const std::string& text)> message;
};

inline constexpr int kAutomationPollMs = 100;
// A still that has not been written this long after its request has failed.
inline constexpr int kStillAnswerPolls = 50;

// The meter's overlay texts ("T = 21.85 °C", " H = 45.60 %") as numbers; NaN when absent.
std::array<double, 2> MeterNumbers(const InstrumentTexts& texts);
// "idle", "live", "recording", "timelapse", "repeat-wait", "cycling".
std::string StateName(const WorkstationSnapshot& s);

class AutomationObject : public CUpdateView {
public:
    AutomationObject(AutomationPorts ports, AutomationSignals signalSinks);
    ~AutomationObject() override;
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    // Starts the poll on the panel's timers (timer kAutomationPoll).
    void AttachTimers(TimerMultiplexer& timers);
    // The timers' panel is going away: nothing may touch them any more.
    void ForgetTimers() { timers_ = nullptr; }
    void Poll();

    // Properties.
    std::string State() const;
    std::array<double, 3> Position() const;
    std::string Camera() const;
    std::string LastFile() const;
    std::vector<int> RelayStates() const;
    std::array<double, 2> MeterReading() const;
    std::string MicroscopeText() const;

    // Methods.
    Answer<Done> StartLive();
    Answer<Done> StopLive();
    Answer<std::string> StartRecording();
    Answer<Done> StopRecording();
    // The still is asked for; `answer` gets its path (or a refusal) once the file is closed.
    // A refusal that is known at once is returned and `answer` is not called.
    std::optional<Refusal> TakeStill(std::function<void(const Answer<std::string>&)> answer);
    Answer<Done> MoveBy(double dx, double dy);
    Answer<Done> MoveZBy(double dz);
    Answer<Done> SetRelay(int channel, bool on);
    Answer<Done> Shot();
    Answer<SettingValue> GetSetting(const std::string& key) const;
    Answer<Done> SetSetting(const std::string& key, const SettingValue& value);

    // The message pane's lines become Message signals.
    void OnUpdate(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) override;

private:
    struct PendingStill {
        std::string before;  // the last still when it was asked for
        int pollsLeft = kStillAnswerPolls;
        std::function<void(const Answer<std::string>&)> answer;
    };
    std::optional<Refusal> Modal() const;
    Answer<Done> StageAnswer(StageMove move);
    void AnswerStills(const WorkstationSnapshot& now);

    AutomationPorts ports_;
    AutomationSignals signals_;
    TimerMultiplexer* timers_ = nullptr;
    WorkstationSnapshot last_;
    std::string lastState_;
    std::vector<PendingStill> stills_;
};

}  // namespace tesmira
