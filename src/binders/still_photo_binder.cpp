#include "binders/still_photo_binder.h"

#include <QAbstractButton>

#include "capture/capture_owner.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "imaging/dib.h"
#include "imaging/scale_bar.h"
#include "imaging/still_photo_file.h"
#include "imaging/text_overlay.h"
#include "media/capture_graph.h"
#include "media/shutter_sound.h"
#include "panel/dlg_main.h"

namespace tesmira {

StillPhotoBinder::StillPhotoBinder(StillPhotoDeps deps) : deps_(std::move(deps)) {}

bool StillPhotoBinder::Request() {
    if (!deps_.run.isLive || deps_.run.isRecording || !deps_.frames.HasGraph())
        return false;
    // The waiting request's frame may be on its way or being copied: asking again could refill
    // the bitmap under the store, so the press joins it. A request that never got its frame must
    // not block every later press, though.
    if (pending_ && deps_.clock.TickMs() - requestedAt_ < kStaleStillRequestMs)
        return false;
    pending_ = true;
    requestedAt_ = deps_.clock.TickMs();
    deps_.frames.RequestStillFrame();
    return true;
}

void StillPhotoBinder::OnStillFrame() {
    if (!deps_.frames.HasGraph()) {
        pending_ = false;
        return;
    }
    deps_.frames.ClearGrabRequest();
    // A late or repeated 1026 finds no request waiting and stores nothing.
    if (!pending_)
        return;
    pending_ = false;
    if (deps_.playShutter)
        deps_.playShutter(deps_.settings.shutterSound);
    Store();
}

const CDib* StillPhotoBinder::ChooseBitmap(CDib& frame) {
    // An 8-bit camera feeding BMP/JPG time-lapse keeps a grey bitmap; its stills are grey too.
    CDib* grey = deps_.frames.GreyBitmap();
    if (deps_.frames.RecordBitDepth() == 8 && deps_.settings.timelapseType != 0 && grey) {
        grey->ToGrey(frame);
        return grey;
    }
    return &frame;
}

void StillPhotoBinder::Store() {
    CDib* frame = deps_.frames.FrameBitmap();
    if (!frame)
        return;
    const Settings& s = deps_.settings;
    OverlayInputs in;
    in.isTextOutTime = s.isTextOutTime;
    in.isTextOutTemparature = s.isTextOutTemparature;
    in.isTextOutZValue = s.isTextOutZValue;
    in.fontHeight = s.fontHeight;
    in.localTime = deps_.clock.LocalTime();
    const StillOverlaySources& src = deps_.overlay;
    if (src.stageZ)
        in.stageZ = src.stageZ();
    if (src.temperatureText)
        in.temperatureText = src.temperatureText();
    if (src.humidityText)
        in.humidityText = src.humidityText();
    if (src.microscopeText)
        in.microscopeText = src.microscopeText();
    in.microscopeCaption = in.microscopeText.has_value();
    StampOverlay(*frame, in);
    if (s.isTextOutScaleBar)
        StampScaleBar(*frame, ChooseScaleBar(frame->Width(), s.pixelSizeUm), s.fontHeight);

    const StillPhotoResult result =
        StoreStillPhoto(s.dirVideo, s.datePrefix, s.stillPhoto, *ChooseBitmap(*frame));
    if (!result.write.ok()) {
        // The number stays for the next try; the user learns which file could not be written.
        deps_.notifier.Notify(result.write.error, MessageIcon::Exclamation);
        return;
    }
    deps_.settings.stillPhoto = result.nextCounter;
    lastPhoto_ = result.path;
    if (deps_.counterChanged)
        deps_.counterChanged();
    qCInfo(lcCapture, "still photo %s", result.path.c_str());
}

void StillPhotoBinder::AttachButton(CDlgMain& panel) {
    if (auto* button = qobject_cast<QAbstractButton*>(panel.Control(1032)))
        QObject::connect(button, &QAbstractButton::clicked, &panel, [this] { Request(); });
    panel.MarkAttached({1032});
}

// ---- the capture owner's graph ----------------------------------------------------------------

bool CaptureStillSource::HasGraph() const {
    const CCaptureGraph* graph = owner_.Graph();
    return graph && graph->HasGraph();
}

void CaptureStillSource::RequestStillFrame() {
    if (CCaptureGraph* graph = owner_.Graph())
        graph->RequestFrame(PanelMessage::kStillFrame);
}

void CaptureStillSource::ClearGrabRequest() {
    if (CCaptureGraph* graph = owner_.Graph())
        graph->ClearGrabRequest();
}

CDib* CaptureStillSource::FrameBitmap() {
    CCaptureGraph* graph = owner_.Graph();
    return graph ? graph->FrameBitmap() : nullptr;
}

CDib* CaptureStillSource::GreyBitmap() {
    CCaptureGraph* graph = owner_.Graph();
    return graph ? graph->Bitmap8() : nullptr;
}

int CaptureStillSource::RecordBitDepth() const {
    const CCaptureGraph* graph = owner_.Graph();
    return graph ? graph->RecordBitDepth() : 0;
}

// ---- wiring -----------------------------------------------------------------------------------

struct StillPhotoWiring::Parts {
    explicit Parts(CaptureOwner& capture) : source(capture) {}
    CaptureStillSource source;
    ShutterSoundPlayer shutter;
};

StillPhotoWiring::StillPhotoWiring(CDlgMain& panel, CaptureOwner& capture, Clock& clock,
                                   INotifier& notifier, std::function<double()> stageZ,
                                   InstrumentTextsProvider instruments,
                                   std::function<void()> counterChanged)
    : parts_(std::make_unique<Parts>(capture)), capture_(capture) {
    StillPhotoDeps deps{capture.CurrentSettings(),
                        capture.CurrentRunState(),
                        clock,
                        notifier,
                        parts_->source,
                        [this](int index) { parts_->shutter.Play(index); },
                        {},
                        std::move(counterChanged)};
    deps.overlay.stageZ = std::move(stageZ);
    // The meter and microscope texts, asked for at the moment a frame is stamped.
    if (instruments) {
        deps.overlay.temperatureText = [instruments] { return instruments().temperature; };
        deps.overlay.humidityText = [instruments] { return instruments().humidity; };
        deps.overlay.microscopeText = [instruments] { return instruments().microscope; };
    }
    binder_ = std::make_unique<StillPhotoBinder>(std::move(deps));
    binder_->AttachButton(panel);
    capture.SetStillFrameHandler([binder = binder_.get()] { binder->OnStillFrame(); });
}

void StillPhotoWiring::PlayShutter(int shutterSound) {
    parts_->shutter.Play(shutterSound);
}

StillPhotoWiring::~StillPhotoWiring() {
    capture_.SetStillFrameHandler({});
}

}  // namespace tesmira
