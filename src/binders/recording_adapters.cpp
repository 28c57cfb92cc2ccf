#include "binders/recording_adapters.h"

#include "dialogs/count_down_panel.h"
#include "panel/dlg_main.h"
#include "stage/stage_control.h"

namespace tesmira {

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
    panel_.SendReadyQuery(stageControl().ReadyQueryText());
}

void PanelRecordAdapter::ClearReadyWait() {
    panel_.RunLoop().SetAwaitingReadyByte(false);
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
