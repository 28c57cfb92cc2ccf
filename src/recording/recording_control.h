// Recording control for the modes "１回" (0) and "繰り返し" (1), handing mode "タイムラップス" (2)
// to TimelapseControl: RecStart/RecStop, the recording
// tick (timer 1001), the repeat gap (1008) and the one-second count-down (1009), the file names,
// the frame-rate rewrite, the log and the move out of the work folder. Plain C++: the capture
// graph, the count-down panel and the control panel are reached through the small interfaces
// below, and every timer through the panel's multiplexer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/instrument_texts.h"
#include "core/timer_multiplexer.h"
#include "core/update_hints.h"
#include "recording/disk_reserve.h"
#include "recording/frame_log.h"
#include "recording/log_row_spool.h"
#include "recording/recording_log.h"
#include "recording/recording_paths.h"

namespace tesmira {

struct Settings;
struct RunState;
class CTesmiraDoc;
class INotifier;
class Clock;
class TimelapseControl;
class RecordingJournal;
class IRelaySync;

struct FrameCounts {
    int32_t delivered = 0;  // frames written to the AVI
    int32_t dropped = 0;    // frames that reached the record branch but were not written
};

// What recording control needs of the capture graph.
class IRecordGraph {
public:
    virtual ~IRecordGraph() = default;
    // The record chain exists (camera and record branch built).
    virtual bool IsBuilt() const = 0;
    // Opens the writer on sinkPath with "MediaType"/"RecAudio" and releases the capture stream
    // with its stop at the recording limit. False with a reason when the recording cannot start.
    virtual bool StartRecording(const std::string& sinkPath, std::string* error) = 0;
    // Holds the capture stream back and closes the writer (the AVI is final afterwards); live
    // video continues.
    virtual void StopRecording() = 0;
    virtual FrameCounts ReadFrameCounts() = 0;
    // Frames per second of the record branch's negotiated format; 0 when unknown.
    virtual double MeasureStreamRate() = 0;
    // Non-empty once the writer could not write (disk full, folder gone).
    virtual std::string WriteError() const = 0;
    // Why the last StopRecording could not finish the file (empty when it did).
    virtual std::string CloseError() const { return {}; }
    // A recording has started: the graph as it records goes to its graph file.
    virtual void SaveGraphFile() {}
};

// The count-down panel (dialog 139).
class ICountDown {
public:
    virtual ~ICountDown() = default;
    virtual void SetTotal(int seconds) = 0;
    virtual void SetRemaining(int seconds) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;  // keeps its placement
    virtual void SetTitle(const std::string& title) = 0;
};

// The control panel as recording control sees it.
class IRecordPanel {
public:
    virtual ~IRecordPanel() = default;
    // The statistics text of static 1027, shown at once (refresh of the panel).
    virtual void SetStatusText(const std::string& text) = 0;
    virtual std::string StatusText() const = 0;
    virtual void UpdateRecordControls() = 0;  // enabling rule and button captions
    virtual void FocusPanel() = 0;
    virtual double Zoom() const = 0;
    virtual void SetZoom(double zoom) = 0;  // the panel's zoom field and slider only
    // When the XY port is open: send the ready query, start timer 1002, set the reply-wait flag.
    virtual void SendReadyQuery() = 0;
    virtual void ClearReadyWait() = 0;
    // Whether 録画開始 (1022) and 停止 (1020) can be pressed now: the space key follows them.
    virtual bool CanStart() const { return true; }
    virtual bool CanStop() const { return true; }
};

// The stage as recording control sees it: where it is for the log, and its ready flag.
struct StageSample {
    double x = 0.0, y = 0.0, z = 0.0;
    int32_t ready = 0;
};
class IStagePort {
public:
    virtual ~IStagePort() = default;
    // A recording starts: the stage counts as ready and its position starts from zero.
    virtual void ResetForRecording() = 0;
    virtual void MarkReady() = 0;  // a recording stopped
    virtual StageSample Sample() const = 0;
    // A time-lapse series runs: a Z drive that reports its position is asked for it every two
    // seconds, so that Z in the log follows the drive (other drives are left alone).
    virtual void StartPositionPolling() = 0;
    virtual void StopPositionPolling() = 0;
    // A time-lapse frame was grabbed: the Z/shot synchronisation's one-shot event ("Zsync" 8).
    virtual void OneShotGrabbed() {}
};

struct RecordingDeps {
    Settings* settings = nullptr;
    RunState* run = nullptr;
    CTesmiraDoc* doc = nullptr;
    INotifier* notifier = nullptr;
    Clock* clock = nullptr;
    RecordingPaths* paths = nullptr;
    RecordingLogLists* log = nullptr;
    IStagePort* stage = nullptr;
    std::function<void(bool busy)> waitCursor;  // around the log write (may be empty)
    IRecordGraph* graph = nullptr;              // may be replaced after a rebuild with SetGraph
    ICountDown* countDown = nullptr;
    IRecordPanel* panel = nullptr;
    TimerMultiplexer* timers = nullptr;
    std::function<void()> rebuildGraph;  // destroy and rebuild the capture graph, live restored
    // Each recording is entered here while it is written, so a cut one is repaired at the next
    // start (may be null: no journal kept).
    RecordingJournal* journal = nullptr;
    // "Rec No." moved: write it to the settings file now (may be empty).
    std::function<void()> countersChanged;
    // The meter's texts of the moment, for the frames sidecar (may be empty).
    InstrumentTextsProvider instrumentTexts;
};

// The disk reserve of a recording: a hidden file beside it, so on the same disk.
std::string ReservePathOf(const std::string& sink);

class RecordingControl {
public:
    explicit RecordingControl(RecordingDeps deps);

    void SetGraph(IRecordGraph* graph) { deps_.graph = graph; }
    // The relay schedule that follows the recordings (nullptr: none).
    void SetRelaySync(IRelaySync* relay) { relay_ = relay; }
    // Mode 2 ("タイムラップス") is handed to this control (may be null: mode 2 then does nothing).
    void SetTimelapse(TimelapseControl* timelapse) { timelapse_ = timelapse; }
    // Installs the handlers of timers 1001, 1008 and 1009 on the multiplexer.
    void RegisterTimers();

    void RecStart();
    void RecStop();
    void OnRecordingTick();  // timer 1001
    void OnRepeatTick();     // timer 1008
    void OnCountDownTick();  // timer 1009
    void OnStreamStopped();  // message 1025: the stream reached the recording limit
    // The space key: RecStop while recording or repeating, RecStart otherwise, each only when the
    // panel's button for it can be pressed. Always consumed.
    bool OnSpaceKey();
    // Check box 1051 "再生速度を変更する": returns whether combo box 1052 is to be enabled.
    bool OnResetFpsChanged(bool on);
    // Combo box 1052: the replay rate of the chosen table entry.
    void OnReplayRateSelected(int index);

    // State, for the panel and the tests.
    double streamRate() const { return streamRate_; }
    double headerRate() const { return headerRate_; }
    double replayRate() const;
    int repeatsLeft() const { return repeatsLeft_; }
    int waitCountdown() const { return waitCountdown_; }
    int32_t deliveredFrames() const { return counts_.delivered; }
    int32_t droppedFrames() const { return counts_.dropped; }
    int32_t loggedFrames() const { return loggedFrames_; }
    // The clock's tick when the recording in progress began.
    uint32_t recordingStartTick() const { return recStartTick_; }
    // The file each finished recording ended as, in order (for the tests and the status).
    const std::string& lastRecording() const { return lastRecording_; }

private:
    // `streamTouched`: the graph began to record, so it is rebuilt and the user asked to retry.
    void FailStart(const std::string& reason, bool streamTouched = true);
    void FinishFile();
    void Report(UpdateHint hint, const std::string& text);
    void Tell(const std::string& text);
    std::string RepeatStatus(const char* extraFormat = nullptr, int extra = 0) const;
    void BeginFile(const std::string& sink);
    void EndFile();
    void CountersChanged();

    RecordingDeps deps_;
    void EndRelayRun(bool runEnds);
    void EndSeries();

    TimelapseControl* timelapse_ = nullptr;
    IRelaySync* relay_ = nullptr;
    bool relayRunMarked_ = false;  // this recording started the relay sequence
    FrameCounts counts_;
    int32_t loggedFrames_ = 0;
    uint32_t recStartTick_ = 0;
    uint32_t lastTick_ = 1;
    int repeatsLeft_ = 1;
    int recCountdown_ = 1;
    int waitCountdown_ = 1;
    uint32_t nextRepeatTick_ = 0;  // when timer 1008 starts the next recording of the series
    double streamRate_ = 0.0;
    double headerRate_ = 0.0;
    double zoomBeforeRecording_ = 0.0;
    bool zoomWasChanged_ = false;
    std::string lastRecording_;
    std::string sinkPath_;             // the file being written, as entered in the journal
    DiskReserve reserve_;              // room for the index when the disk fills up
    LogRowSpool spool_;                // the log's rows on disk, for a recording cut short
    std::vector<FrameRow> frameRows_;  // the frames sidecar of the running recording
};

}  // namespace tesmira
