// Recording mode "タイムラップス" (2): one frame every "Timelapse" ms, stored as the next frame of
// an AVI, or as the next "OneShot%04d.bmp"/".jpg" in the series' folder, until "TL_frames" frames
// are stored or the user stops. Timer 1007 requests the frames, message 1027 stores them, and the
// one-second tick (1009) counts down to the next frame. Plain C++ on the clock and timer seam: the
// graph and its grabber, the panel and the count-down are reached through small interfaces.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/instrument_texts.h"
#include "media/avi_writer.h"
#include "recording/disk_reserve.h"
#include "recording/frame_log.h"
#include "recording/recording_control.h"
#include "recording/timelapse_paths.h"

namespace tesmira {

class CDib;
class OmeTiffWriter;
class RecordingJournal;
class TimelapseAviWriter;
class IRelaySync;

// The capture graph and its frame grabber as a time-lapse series sees them.
class ITimelapseCamera {
public:
    virtual ~ITimelapseCamera() = default;
    virtual bool IsBuilt() const = 0;
    virtual bool IsRunning() const = 0;
    // Runs the graph (a series started with the space key has no live video yet).
    virtual bool Run(std::string* error) = 0;
    // Asks for one frame; message 1027 says when it is in the frame bitmap.
    virtual void RequestFrame() = 0;
    virtual void ClearGrabRequest() = 0;
    // Size and depth of the frame bitmap; false when there is none.
    virtual bool FrameFormat(int* width, int* height, int* bitCount) const = 0;
    // The picture to store: the frame bitmap with the text overlay stamped in and, for picture
    // files of an 8-bit camera, its grey copy. nullptr when there is no frame bitmap.
    virtual const CDib* PrepareFrame(TimelapseType type) = 0;
    virtual void PlayShutter() {}
    // What the instruments say now, for the frame's metadata.
    virtual InstrumentTexts FrameTexts() const { return {}; }
    // A series has started: the graph as it records goes to its graph file.
    virtual void SaveGraphFile() {}
};

struct TimelapseDeps {
    Settings& settings;
    RunState& run;
    CTesmiraDoc& doc;
    INotifier& notifier;
    Clock& clock;
    TimerMultiplexer& timers;
    RecordingLogLists& log;
    IStagePort& stage;
    ICountDown& countDown;
    IRecordPanel& panel;
    ITimelapseCamera& camera;
    // The compressor settings for "MediaType" (empty: the defaults of the choice).
    std::function<CodecSettings(int mediaType)> codecFor;
    // Makes the AVI writer (empty: the real one).
    std::function<std::unique_ptr<IAviWriter>()> makeWriter;
    // Destroys and rebuilds the capture graph, live video restored (the failure path).
    std::function<void()> rebuildGraph;
    // Where a running series is entered until it has its final name, so that a series cut short
    // is found and finished at the next start (may be null: no journal kept).
    RecordingJournal* journal = nullptr;
    // "RecTL No." moved on: write it now, so a crash never hands the number out twice.
    std::function<void()> countersChanged;
};

class TimelapseControl {
public:
    explicit TimelapseControl(TimelapseDeps deps);
    ~TimelapseControl();

    // Installs the handler of timer 1007.
    void RegisterTimers();
    // The relay schedule: with steps, each tick starts the sequence and its frame-marker step
    // takes the frame (nullptr: frames are taken by the tick).
    void SetRelaySync(IRelaySync* relay) { relay_ = relay; }

    void RecStart();
    void RecStop();
    void OnTimelapseTick();  // timer 1007
    void OnFrameGrabbed();   // message 1027
    void OnCountDownTick();  // timer 1009 in mode 2
    // The relay sequence reached its frame-marker step: the frame of this tick is taken now.
    void OnRelayFrameMarker();

    // State, for the panel and the tests.
    int32_t framesStored() const { return tlFrameCount_; }
    int seriesNumber() const { return seriesNumber_; }
    double measuredRate() const { return measuredRate_; }
    int waitCountdown() const { return waitCountdown_; }
    // The clock's tick when the running series began.
    uint32_t seriesStartTick() const { return runStartTick_; }
    // Where the last finished series ended up (file or folder with its "/").
    const std::string& lastSeries() const { return lastSeries_; }
    // Where the running series is written (its video-folder name; empty before the first).
    const std::string& seriesPath() const { return target_.destPath; }

private:
    void FailStart(const std::string& reason);
    bool StoreFrame(std::string* error, bool* dropped);
    bool OpenOmeTiff(const CDib& first, std::string* error);
    void StopWithError(const std::string& error);
    std::string FinishSeries();
    void BeginSeries();
    void EndSeries();
    void CountersChanged();
    void Report(UpdateHint hint, const std::string& text);
    void Tell(const std::string& text);
    void RequestFrame();
    void EndRelayRun();
    void WriteFrameRows();

    TimelapseDeps deps_;
    IRelaySync* relay_ = nullptr;
    bool relayRunMarked_ = false;  // the sequence takes the frames; ended by the stop
    TimelapseType type_ = TimelapseType::kBmp;
    TimelapseTarget target_;
    std::unique_ptr<TimelapseAviWriter> avi_;
    std::unique_ptr<OmeTiffWriter> ome_;
    bool dropSaid_ = false;            // a frame the OME-TIFF writer had no room for was reported
    StageSample requestSample_;        // the stage when the frame was asked for
    std::vector<FrameRow> frameRows_;  // the frames sidecar of the running series
    int seriesNumber_ = 0;
    int32_t tlFrameCount_ = 0;
    bool frameRequested_ = false;  // the UI side of a request (shotRequested)
    bool firstTick_ = true;
    uint32_t runStartTick_ = 0;
    uint32_t lastRequestTick_ = 0;
    uint32_t firstStoredTick_ = 0;  // request times of the first and last stored frames
    uint32_t lastStoredTick_ = 0;
    int waitCountdown_ = 1;
    double measuredRate_ = 0.0;
    std::string lastSeries_;
    std::string journalPath_;  // the series as entered in the journal (empty: none entered)
    DiskReserve reserve_;      // room for the AVI's index when the disk fills up
};

}  // namespace tesmira
