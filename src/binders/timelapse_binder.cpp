#include "binders/timelapse_binder.h"

#include <QAbstractButton>

#include "capture/capture_owner.h"
#include "core/clock.h"
#include "core/settings.h"
#include "imaging/dib.h"
#include "imaging/scale_bar.h"
#include "imaging/text_overlay.h"
#include "media/capture_graph.h"
#include "panel/dlg_main.h"
#include "recording/codec_settings.h"

namespace tesmira {

CaptureTimelapseCamera::CaptureTimelapseCamera(CaptureOwner& capture, const Settings& settings,
                                               Clock& clock, const IStagePort& stage,
                                               std::function<void(OverlayInputs&)> instrumentTexts)
    : capture_(capture),
      settings_(settings),
      clock_(clock),
      stage_(stage),
      instrumentTexts_(std::move(instrumentTexts)) {}

bool CaptureTimelapseCamera::IsBuilt() const {
    const CCaptureGraph* graph = capture_.Graph();
    return graph && graph->IsBuilt() && graph->CameraReady();
}

bool CaptureTimelapseCamera::IsRunning() const {
    const CCaptureGraph* graph = capture_.Graph();
    return graph && graph->IsRunning();
}

bool CaptureTimelapseCamera::Run(std::string* error) {
    CCaptureGraph* graph = capture_.Graph();
    if (!graph) {
        if (error)
            *error = "no capture graph";
        return false;
    }
    return graph->Run(error);
}

void CaptureTimelapseCamera::SaveGraphFile() {
    if (const CCaptureGraph* graph = capture_.Graph())
        graph->DumpGraph(kRecordingGraphDump);
}

void CaptureTimelapseCamera::RequestFrame() {
    if (CCaptureGraph* graph = capture_.Graph())
        graph->RequestFrame(PanelMessage::kTimelapseFrame);
}

void CaptureTimelapseCamera::ClearGrabRequest() {
    if (CCaptureGraph* graph = capture_.Graph())
        graph->ClearGrabRequest();
}

bool CaptureTimelapseCamera::FrameFormat(int* width, int* height, int* bitCount) const {
    CCaptureGraph* graph = capture_.Graph();
    const CDib* frame = graph ? graph->FrameBitmap() : nullptr;
    if (!frame)
        return false;
    *width = frame->Width();
    *height = frame->Height();
    *bitCount = frame->BitCount();
    return true;
}

const CDib* CaptureTimelapseCamera::PrepareFrame(TimelapseType type) {
    CCaptureGraph* graph = capture_.Graph();
    CDib* frame = graph ? graph->FrameBitmap() : nullptr;
    if (!frame)
        return nullptr;
    OverlayInputs in;
    in.isTextOutTime = settings_.isTextOutTime;
    in.isTextOutTemparature = settings_.isTextOutTemparature;
    in.isTextOutZValue = settings_.isTextOutZValue;
    in.fontHeight = settings_.fontHeight;
    in.localTime = clock_.LocalTime();
    in.stageZ = stage_.Sample().z;
    if (instrumentTexts_)
        instrumentTexts_(in);
    StampOverlay(*frame, in);
    if (settings_.isTextOutScaleBar) {
        StampScaleBar(*frame, ChooseScaleBar(frame->Width(), settings_.pixelSizeUm),
                      settings_.fontHeight);
    }
    // Picture files of an 8-bit camera are stored grey, as the camera delivered them.
    CDib* grey = graph->Bitmap8();
    if (type != TimelapseType::kAvi && graph->RecordBitDepth() == 8 && grey && grey->ToGrey(*frame))
        return grey;
    return frame;
}

InstrumentTexts CaptureTimelapseCamera::FrameTexts() const {
    OverlayInputs in;
    if (instrumentTexts_)
        instrumentTexts_(in);
    return {in.temperatureText, in.humidityText, in.microscopeText};
}

class TimelapseBinding::NoCountDown : public ICountDown {
public:
    void SetTotal(int) override {}
    void SetRemaining(int) override {}
    void Show() override {}
    void Hide() override {}
    void SetTitle(const std::string&) override {}
};

TimelapseBinding::TimelapseBinding(const RecordingDeps& recording, CDlgMain& panel,
                                   CaptureOwner& capture, const EncoderSettings& encoders,
                                   RecordingControl& control, InstrumentTextsProvider instruments,
                                   std::function<void()> playShutter)
    : panel_(panel),
      capture_(capture),
      settings_(*recording.settings),
      recording_(control),
      noCountDown_(std::make_unique<NoCountDown>()),
      camera_(capture, *recording.settings, *recording.clock, *recording.stage,
              [instruments](OverlayInputs& in) {
                  if (!instruments)
                      return;
                  const InstrumentTexts texts = instruments();
                  in.temperatureText = texts.temperature;
                  in.humidityText = texts.humidity;
                  in.microscopeText = texts.microscope;
              }) {
    camera_.SetShutter(std::move(playShutter));
    control_ = std::make_unique<TimelapseControl>(
        TimelapseDeps{*recording.settings,
                      *recording.run,
                      *recording.doc,
                      *recording.notifier,
                      *recording.clock,
                      panel.Timers(),
                      *recording.log,
                      *recording.stage,
                      recording.countDown ? *recording.countDown : *noCountDown_,
                      *recording.panel,
                      camera_,
                      [&encoders](int mediaType) { return encoders.For(mediaType); },
                      {},
                      [&capture] { capture.Rebuild(); },
                      recording.journal,
                      recording.countersChanged});
    control_->RegisterTimers();
    recording_.SetTimelapse(control_.get());
    BindRadios();
}

// Recording control may already be gone (a new panel replaces both), so it is not told.
TimelapseBinding::~TimelapseBinding() = default;

bool RadiosNeedRebuild(int oldMode, int newMode, int oldType, int newType) {
    auto special = [](int mode) { return mode == 2 || mode == 3; };
    if (oldType != newType)
        return true;
    return oldMode != newMode && (special(oldMode) || special(newMode));
}

void TimelapseBinding::BindRadios() {
    CDlgMain& panel = panel_;
    Settings& s = settings_;
    CaptureOwner& capture = capture_;
    auto changed = [&panel, &s, &capture] {
        const int oldMode = s.recMode;
        const int oldType = s.timelapseType;
        if (!panel.UpdateData(true))
            return;
        if (RadiosNeedRebuild(oldMode, s.recMode, oldType, s.timelapseType))
            capture.Rebuild();
        // The file-type radios and the audio check follow the mode even without a rebuild.
        panel.UpdateRecordControls();
    };
    for (int id : {1072, 1073, 1074, 1075, 1064, 1065, 1066, 1067}) {
        if (auto* b = qobject_cast<QAbstractButton*>(panel.Control(id)))
            QObject::connect(b, &QAbstractButton::clicked, &panel, changed);
    }
    panel.MarkAttached({1072, 1073, 1074, 1075, 1064, 1065, 1066, 1067});
}

}  // namespace tesmira
