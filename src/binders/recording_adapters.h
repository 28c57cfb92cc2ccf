// Recording control meets the real panel and count-down window here: thin adapters from its small
// interfaces to CDlgMain and CDlgCountDown.
#pragma once

#include "recording/recording_control.h"

namespace tesmira {

class CDlgMain;
class CDlgCountDown;
class StageControl;
class StageRunLoop;
struct StageState;

// Recording control's port to the stage room's state.
class StageRecordAdapter : public IStagePort {
public:
    StageRecordAdapter(StageState& stage, StageControl& control)
        : stage_(stage), control_(control) {}
    void ResetForRecording() override;
    void MarkReady() override;
    StageSample Sample() const override;
    void StartPositionPolling() override;
    void StopPositionPolling() override;
    void OneShotGrabbed() override;

private:
    StageState& stage_;
    StageControl& control_;
};

// The panel's fields and controls, and the stage's ready protocol that the recording tick drives
// (the run loop on the panel's timers, the query text of the stage control).
class PanelRecordAdapter : public IRecordPanel {
public:
    PanelRecordAdapter(CDlgMain& panel, StageRunLoop& runLoop, const StageControl& stage)
        : panel_(panel), runLoop_(runLoop), stage_(stage) {}
    void SetStatusText(const std::string& text) override;
    std::string StatusText() const override;
    void UpdateRecordControls() override;
    void FocusPanel() override;
    double Zoom() const override;
    void SetZoom(double zoom) override;
    void SendReadyQuery() override;
    void ClearReadyWait() override;
    bool CanStart() const override;
    bool CanStop() const override;

private:
    CDlgMain& panel_;
    StageRunLoop& runLoop_;
    const StageControl& stage_;
};

class CountDownAdapter : public ICountDown {
public:
    explicit CountDownAdapter(CDlgCountDown& panel) : panel_(panel) {}
    void SetTotal(int seconds) override;
    void SetRemaining(int seconds) override;
    void Show() override;
    void Hide() override;
    void SetTitle(const std::string& title) override;

private:
    CDlgCountDown& panel_;
};

}  // namespace tesmira
