// Stage control without a window: the step sizes in micrometres, the prepared command texts,
// jogging and Z stepping with the position bookkeeping, centring, the TE2000E Z position exchange
// and the Z/shot synchronisation entry point. The panel's controls, keys, hints and timers reach
// the stage only through this object.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "stage/stage_texts.h"

namespace tesmira {

class INotifier;
class SerialSlots;
class TimerMultiplexer;
struct Settings;
struct StageState;

// Step sizes as shown in the panel's edits (micrometres). The pulse counts are the settings
// "Move", "Page", "MoveZ", "PageZ" and "DeltaZ".
struct StageSteps {
    double xyFine = 10.0;    // edit 1009
    double xyCoarse = 20.0;  // edit 1010
    double zFine = 1.0;      // edit 1029
    double zCoarse = 5.0;    // edit 1030
    double deltaZ = 0.2;     // edit 1038
    // "MoveY" and "PageY" are carried with the others but drive nothing.
    double xyFineY = 10.0;
    double xyCoarseY = 20.0;
};

// What a relative move asked for in micrometres (a script's move) came to.
enum class StageMove {
    kMoved,
    kNotReady,      // the controller has not answered ready: nothing sent, nothing booked
    kNotConnected,  // its port is closed
    kOutOfRange,    // not finite, beyond the panel's largest step, or below one pulse
    kUnsupported,   // a TE2000E Z drive has no relative move
};

class StageControl {
public:
    // Pulse counts and controller kinds are read from and written to `settings`; commands go to
    // the XY slot and the Z channel of `slots`; `state` keeps the ready flag and the position.
    StageControl(Settings& settings, SerialSlots& slots, StageState& state, INotifier& notifier);
    StageControl(const StageControl&) = delete;
    StageControl& operator=(const StageControl&) = delete;

    // --- step sizes and texts -------------------------------------------------------------------
    // Start-up, after the settings are loaded: micrometres from the stored pulse counts.
    void LoadStepsFromSettings();
    // Start-up: XY fine, coarse and utility texts (origin, centring, status, ready), Z fine and
    // coarse texts (not ΔZ).
    void BuildAtStartup();
    // Hint 202: all XY texts for the current XY kind.
    void RebuildXyCommands();
    // Hint 203: Z fine, coarse and ΔZ texts for the current Z kind.
    void RebuildZCommands();

    // Each converts its micrometre value with the current kind, stores the pulse count in the
    // settings and fills its texts (leaving edit 1009, 1010, 1029, 1030 or 1038).
    void BuildXyFine();
    void BuildXyCoarse();
    void BuildXyUtility();
    void BuildZFine();
    void BuildZCoarse();
    void BuildDeltaZ();

    StageSteps& Steps() { return steps_; }
    const StageTexts& Texts() const { return texts_; }
    // The text tick 1001 writes to slot 1 during recording: "!:\r\n" for TE2000E and Sigma Koki,
    // empty for the LEP MAC5000.
    const std::string& ReadyQueryText() const { return texts_[StageText::kReadyQuery]; }
    const std::string& StatusQueryText() const { return texts_[StageText::kStatusQuery]; }

    // Called whenever the XY utility texts of TE2000E or Sigma Koki are built: the ready
    // protocol (StageRunLoop) clears its awaiting-ready-byte flag there.
    void SetReadyWaitResetHook(std::function<void()> hook) { readyWaitReset_ = std::move(hook); }

    // --- XY -----------------------------------------------------------------------------------
    // One of the sixteen jog buttons (ids 1001..1008, 1012..1019); other ids do nothing.
    void PressJogButton(int id);
    // Gated by the stage-ready flag; the position moves even when the port is closed.
    void SendXyJog(const std::string& text, double dx, double dy);
    // A move by any distance within the panel's step range (each axis at most kStepMaximumUm),
    // gated like a jog button and booked by the pulses actually sent.
    StageMove MoveXyBy(double dxUm, double dyUm);
    // Button 1011. May show the origin-search message box between its writes.
    void CentreStage();

    // --- Z --------------------------------------------------------------------------------------
    // 1025 fine up, 1026 fine down, 1021 coarse up, 1028 coarse down. `autoRepeat`: a key held
    // down; with a TE2000E it adds no step while one is still waiting for the position reply.
    void PressZButton(int id, bool autoRepeat = false);
    void ZFineUp() { ZStep(+1, false); }
    void ZFineDown() { ZStep(-1, false); }
    void ZCoarseUp() { ZStep(+1, true); }
    void ZCoarseDown() { ZStep(-1, true); }
    void SendZStep(const std::string& text, double dz);
    // The Z counterpart of MoveXyBy.
    StageMove MoveZBy(double dzUm);

    // A relay (0..7) went from ON to OFF, or a time-lapse one-shot frame was grabbed
    // (kZsyncOneShot): one Z fine step up when the source is the one chosen in "Zsync".
    static constexpr int kZsyncOneShot = 8;
    void ZSyncEvent(int source);

    // A complete reply from slot 2 while the Z kind is TE2000E (reception tick 1000).
    void OnZReply(std::string_view reply);
    // Tick 1006: writes the pending absolute move and stops itself.
    void OnDelayedZTick();
    // Tick 1010: position poll during a time-lapse recording.
    void OnZPollTick();
    // Recording start / stop in time-lapse mode: Z follows the drive's real position relative to
    // the position at the start.
    void StartTimelapseZPoll();
    void StopTimelapseZPoll();

    // Registers the handlers of ticks 1006 and 1010 and keeps the multiplexer for starting them.
    void AttachTimers(TimerMultiplexer& timers);

    // --- panel flags ----------------------------------------------------------------------------
    void FocusStart() { focusStepping_ = true; }
    void FocusStop() { focusStepping_ = false; }
    bool FocusStepping() const { return focusStepping_; }
    // Set while a numeric edit of the panel holds the keyboard; keyboard jogging waits meanwhile.
    bool editHasFocus = false;

    // TE2000E exchange state, visible for the panel's readouts and for tests. The pending counts
    // add up every press made before the position reply; the reply moves by their sum.
    int PendingFineZ() const { return pendingFine_; }
    int PendingCoarseZ() const { return pendingCoarse_; }
    int LastZPosition() const { return lastZPosition_; }
    bool ZeroOnNextReply() const { return zeroOnNextReply_; }

private:
    void ZStep(int direction, bool coarse, bool autoRepeat = false);

    Settings& settings_;
    SerialSlots& slots_;
    StageState& state_;
    INotifier& notifier_;
    StageSteps steps_;
    StageTexts texts_;
    TimerMultiplexer* timers_ = nullptr;
    std::function<void()> readyWaitReset_;
    bool focusStepping_ = false;
    int pendingFine_ = 0;
    int pendingCoarse_ = 0;
    int lastZPosition_ = 0;
    int zReference_ = 0;
    // The target of the last absolute move until a reply shows the drive there: a reply to a
    // query sent before the move still reports the old position.
    std::optional<long long> commandedTarget_;
    bool zeroOnNextReply_ = false;
};

}  // namespace tesmira
