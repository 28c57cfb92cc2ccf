// Time-lapse control meets the capture graph, the panel and the count-down window here: the
// grabber adapter that stamps the overlay into the frame, the recording mode and file-type radios
// (1072-1075, 1064-1067), and message 1027.
#pragma once

#include <functional>
#include <memory>

#include "core/instrument_texts.h"
#include "recording/timelapse_control.h"

namespace tesmira {

class CaptureOwner;
class CDlgMain;
class EncoderSettings;
struct OverlayInputs;

// The time-lapse series' view of the capture graph of the moment (replaced at every rebuild).
class CaptureTimelapseCamera : public ITimelapseCamera {
public:
    // `instrumentTexts` adds the meter and microscope texts to the overlay (may be empty).
    CaptureTimelapseCamera(CaptureOwner& capture, const Settings& settings, Clock& clock,
                           const IStagePort& stage,
                           std::function<void(OverlayInputs&)> instrumentTexts);

    bool IsBuilt() const override;
    bool IsRunning() const override;
    bool Run(std::string* error) override;
    void RequestFrame() override;
    void ClearGrabRequest() override;
    bool FrameFormat(int* width, int* height, int* bitCount) const override;
    const CDib* PrepareFrame(TimelapseType type) override;
    void PlayShutter() override {
        if (playShutter_)
            playShutter_();
    }
    void SetShutter(std::function<void()> play) { playShutter_ = std::move(play); }
    void SaveGraphFile() override;
    InstrumentTexts FrameTexts() const override;

private:
    CaptureOwner& capture_;
    const Settings& settings_;
    Clock& clock_;
    const IStagePort& stage_;
    std::function<void(OverlayInputs&)> instrumentTexts_;
    std::function<void()> playShutter_;
};

// Owns the time-lapse control and its camera adapter, registers timer 1007, hands mode 2 over
// from recording control and connects the mode and file-type radios. Message 1027 is to be routed
// to OnFrameGrabbed.
class TimelapseBinding {
public:
    // Takes the settings, run flags, document, notifier, clock, log, stage, panel and count-down
    // recording control was given (the count-down may be missing).
    TimelapseBinding(const RecordingDeps& recording, CDlgMain& panel, CaptureOwner& capture,
                     const EncoderSettings& encoders, RecordingControl& control,
                     InstrumentTextsProvider instruments = {},
                     std::function<void()> playShutter = {});
    ~TimelapseBinding();

    void OnFrameGrabbed() { control_->OnFrameGrabbed(); }
    TimelapseControl& Control() { return *control_; }

private:
    class NoCountDown;
    void BindRadios();

    CDlgMain& panel_;
    CaptureOwner& capture_;
    Settings& settings_;
    RecordingControl& recording_;
    std::unique_ptr<ICountDown> noCountDown_;
    CaptureTimelapseCamera camera_;
    std::unique_ptr<TimelapseControl> control_;
};

// The rule of the mode and file-type radios: the graph is rebuilt when the file type changed, or
// when the mode changed into or out of 2 or 3 (their graphs differ from the movie modes').
bool RadiosNeedRebuild(int oldMode, int newMode, int oldType, int newType);

}  // namespace tesmira
