#include "binders/recording_adapters.h"

#include "dialogs/count_down_panel.h"
#include "panel/dlg_main.h"
#include "stage/stage_control.h"
#include "stage/stage_run_loop.h"
#include "stage/stage_state.h"

namespace tesmira {

void StageRecordAdapter::ResetForRecording() {
    stage_.stageReady = 1;
    stage_.stageX = stage_.stageY = stage_.stageZ = 0.0;
}

void StageRecordAdapter::MarkReady() {
    stage_.stageReady = 1;
}

StageSample StageRecordAdapter::Sample() const {
    return {stage_.stageX, stage_.stageY, stage_.stageZ, stage_.stageReady};
}

void StageRecordAdapter::StartPositionPolling() {
    control_.StartTimelapseZPoll();
}

void StageRecordAdapter::StopPositionPolling() {
    control_.StopTimelapseZPoll();
}

void StageRecordAdapter::OneShotGrabbed() {
    control_.ZSyncEvent(StageControl::kZsyncOneShot);
}

void PanelRecordAdapter::SetStatusText(const std::string& text) {
    panel_.Fields().droppedFramesText = text;
    panel_.UpdateData(false);
}

std::string PanelRecordAdapter::StatusText() const {
    return panel_.Fields().droppedFramesText;
}

void PanelRecordAdapter::UpdateRecordControls() {
    panel_.UpdateRecordControls();
}

void PanelRecordAdapter::FocusPanel() {
    panel_.setFocus(Qt::OtherFocusReason);
}

double PanelRecordAdapter::Zoom() const {
    return panel_.Fields().zoomFactor;
}

void PanelRecordAdapter::SetZoom(double zoom) {
    panel_.SetZoom(zoom);
}

void PanelRecordAdapter::SendReadyQuery() {
    runLoop_.SendReadyQuery(stage_.ReadyQueryText());
}

void PanelRecordAdapter::ClearReadyWait() {
    runLoop_.SetAwaitingReadyByte(false);
}

bool PanelRecordAdapter::CanStart() const {
    return panel_.RuleAllows(1022);
}

bool PanelRecordAdapter::CanStop() const {
    return panel_.RuleAllows(1020);
}

void CountDownAdapter::SetTotal(int seconds) {
    panel_.SetTotal(seconds);
}

void CountDownAdapter::SetRemaining(int seconds) {
    panel_.SetRemaining(seconds);
}

void CountDownAdapter::Show() {
    panel_.show();
}

void CountDownAdapter::Hide() {
    panel_.hide();
}

void CountDownAdapter::SetTitle(const std::string& title) {
    panel_.setWindowTitle(QString::fromStdString(title));
}

}  // namespace tesmira
