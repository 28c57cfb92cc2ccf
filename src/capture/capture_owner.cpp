#include "capture/capture_owner.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QVariant>
#include <algorithm>

#include "capture/camera_dialogs.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"

namespace tesmira {
namespace {

// This capture card cannot always record uncompressed AVI; the user is warned when choosing it.
const char kMonsterXCamera[] = "MonsterX U3.0R Capture 0";
const char kMonsterXWarning[] = QT_TRANSLATE_NOOP(
    "Capture",
    "MonsterX U3.0R は AVI 非圧縮での録画に失敗する場合があります!\n失敗する場合は，MJPG AVI "
    "に設定してください。\n \n");

bool Has(const MediaErrors& errors, MediaFailure code) {
    return std::any_of(errors.begin(), errors.end(),
                       [code](const MediaError& e) { return e.code == code; });
}

}  // namespace

CaptureOwner::CaptureOwner(CaptureOwnerDeps deps)
    : deps_(std::move(deps)), alive_(std::make_shared<CaptureOwner*>(this)) {}

CaptureOwner::~CaptureOwner() {
    *alive_ = nullptr;
    graph_.reset();
}

void CaptureOwner::Tell(const std::string& text) {
    deps_.notifier.Notify(text, MessageIcon::Exclamation);
}

void CaptureOwner::Report(const MediaErrors& errors) {
    for (const MediaError& e : errors)
        Tell(MessageFor(e));
}

void CaptureOwner::SendViewHints() {
    deps_.doc.UpdateAllViews(nullptr, UpdateHint::kAttachVideo);
    deps_.doc.UpdateAllViews(nullptr, UpdateHint::kSetZoom, deps_.settings.defaultZoomFactor);
}

void CaptureOwner::RefreshPanel() {
    deps_.doc.UpdateAllViews(nullptr, UpdateHint::kRefreshControls);
    deps_.doc.UpdateAllViews(nullptr, UpdateHint::kTakeFocus);
}

// ---- streaming-thread events: each is handed to the UI thread ------------------------------

void CaptureOwner::OnGraphEvents() {
    if (deps_.postPanelMessage)
        deps_.postPanelMessage(PanelMessage::kGraphEvent);
}

void CaptureOwner::OnFrameGrabbed(PanelMessage message) {
    if (message == PanelMessage::kStillFrame && hasStillFrameHandler_) {
        deps_.ui.Post([alive = alive_] {
            CaptureOwner* self = *alive;
            if (self && self->stillFrameHandler_)
                self->stillFrameHandler_();
        });
        return;
    }
    if (deps_.postPanelMessage)
        deps_.postPanelMessage(message);
}

void CaptureOwner::OnStreamError(uint64_t generation, const std::string& reason) {
    deps_.ui.Post([alive = alive_, generation, reason] {
        if (CaptureOwner* self = *alive)
            self->StreamFailed(generation, reason);
    });
}

void CaptureOwner::OnWriteFailed(const std::string& path) {
    deps_.ui.Post([alive = alive_, path] {
        if (CaptureOwner* self = *alive)
            self->Tell(
                QCoreApplication::translate(
                    "Capture",
                    "録画ファイルに書き込めませんでした（ディスクの空き容量を確認して下さい）。\n")
                    .toStdString() +
                path + "\n");
    });
}

// A stream error (camera unplugged, device refusing its format): live stops, the controls
// follow, then the user is told. The next LiveStart builds the graph afresh.
void CaptureOwner::StreamFailed(uint64_t generation, const std::string& reason) {
    if (!graph_ || graph_->Generation() != generation)
        return;
    if (deps_.run.isRecording && recStop_)
        recStop_();
    graph_->MarkBroken();
    deps_.run.isLive = false;
    RefreshPanel();
    Tell("DirectShow Error: Stream stopped!\n" + reason + "\n");
}

// ---- building -------------------------------------------------------------------------------

void CaptureOwner::BuildInto(CCaptureGraph& graph) {
    Settings& s = deps_.settings;
    MediaErrors errors;
    graph.EnumerateCameras(s.camera, errors);
    Report(errors);
    errors.clear();
    graph.EnumerateMicrophones(s.camera, s.audio, errors);
    Report(errors);
    if (Has(errors, MediaFailure::MicrophoneFailed))
        s.audio.clear();
    errors.clear();
    if (!s.camera.empty()) {
        const int added = graph.AddCamera(errors);
        // The card's warning comes after a failed join would have been reported, before the
        // camera's own failure.
        for (const MediaError& e : errors)
            if (e.code != MediaFailure::CameraFailed)
                Tell(MessageFor(e));
        if (!Has(errors, MediaFailure::AddCameraFilter) && s.camera == kMonsterXCamera &&
            s.mediaType == 0)
            Tell(QCoreApplication::translate("Capture", kMonsterXWarning).toStdString());
        if (Has(errors, MediaFailure::CameraFailed)) {
            // A fresh profile's default camera that is not attached is said in the message
            // pane; a camera the user chose gets the message box.
            if (s.cameraFromDefault)
                deps_.doc.UpdateAllViews(nullptr, UpdateHint::kAppendBlue,
                                         AbsentDefaultCameraLine(s.camera));
            else
                Tell(MessageFor({MediaFailure::CameraFailed, {}}));
            s.camera.clear();
        }
        s.cameraFromDefault = false;
        errors.clear();
        // Without folders and a file-name prefix there is nowhere to record to: no graph then.
        if (added && !s.dirVideo.empty() && !s.datePrefix.empty()) {
            CaptureConfig config;
            config.camera = s.camera;
            config.microphone = s.audio;
            config.greyTimelapseBitmap = s.recMode == 2 && s.timelapseType != 0;
            // A damaged or foreign value is ignored: the camera's default format is used.
            if (auto remembered = ParseRememberedFormat(s.streamFormat);
                remembered && remembered->camera == s.camera)
                config.streamFormat = remembered->format;
            const bool built = graph.BuildGraphs(config, errors);
            Report(errors);
            errors.clear();
            if (built) {
                if (deps_.afterBuild)
                    deps_.afterBuild();
                SendViewHints();
            }
        }
    }
    if (!s.audio.empty() && !graph.AddMicrophone(errors)) {
        Report(errors);
        s.audio.clear();
        graph.ReleaseMicrophone();
    }
}

void CaptureOwner::Destroy() {
    graph_.reset();
}

void CaptureOwner::Rebuild() {
    RunState& run = deps_.run;
    const bool wasLive = run.isLive;
    run.isLive = false;
    graph_.reset();
    MediaErrors errors;
    graph_ = std::make_unique<CCaptureGraph>(
        CaptureGraphDeps{deps_.catalog, *this, deps_.makeWriter, ++generations_}, errors);
    Report(errors);
    CCaptureGraph& graph = *graph_;
    if (!graph.HasGraph())
        return;
    BuildInto(graph);
    if (wasLive && deps_.settings.recMode != 3 && graph.CameraReady()) {
        std::string error;
        if (graph.Run(&error))
            run.isLive = true;
    }
    // After live video is restored, so LiveStart/LiveStop show the state the video is in.
    deps_.doc.UpdateAllViews(nullptr, UpdateHint::kRefreshControls);
}

bool CaptureOwner::CameraPresent(const std::string& name) {
    const auto cameras = deps_.catalog.Cameras();
    if (!cameras)
        return false;
    return std::any_of(cameras->begin(), cameras->end(),
                       [&name](const CaptureDevice& d) { return d.name == name; });
}

// ---- live video -----------------------------------------------------------------------------

void CaptureOwner::LiveStart() {
    if (!graph_ || !graph_->CameraReady())
        return;
    if (graph_->IsBroken()) {
        // The device failed earlier: build afresh once it is back; while it is away say so and
        // keep the chosen camera, so plugging it in again is all the user has to do.
        if (!CameraPresent(deps_.settings.camera)) {
            Tell(MessageFor({MediaFailure::CameraFailed, {}}));
            return;
        }
        Rebuild();
        if (!graph_ || !graph_->CameraReady())
            return;
    }
    std::string error;
    if (!graph_->Run(&error)) {
        RefreshPanel();
        Tell(MessageFor({MediaFailure::RunFailed, error}));
        return;
    }
    deps_.run.isLive = true;
    RefreshPanel();
}

void CaptureOwner::LiveStop() {
    RunState& run = deps_.run;
    if (!run.isLive)
        return;
    run.isLive = false;
    if (run.isRecording && recStop_)
        recStop_();
    if (graph_)
        graph_->Stop();
    RefreshPanel();
}

// ---- conditions and menu --------------------------------------------------------------------

bool CaptureOwner::CameraReady() const {
    return graph_ && graph_->CameraReady();
}
bool CaptureOwner::MicrophoneReady() const {
    return graph_ && graph_->MicrophoneReady();
}
bool CaptureOwner::TimelapseWriterAvailable() const {
    return graph_ && graph_->IsBuilt() && deps_.settings.recMode == 2;
}

bool CaptureOwner::CanChooseCamera() const {
    return !deps_.run.isLive;
}
bool CaptureOwner::CanShowCameraProperties() const {
    return graph_ && !graph_->BoundCameraName().empty() && graph_->HasCameraOutput();
}
bool CaptureOwner::CanShowStreamProperties() const {
    return graph_ && graph_->HasCameraOutput() && !deps_.run.isLive;
}

void CaptureOwner::OnCameraSelect(QWidget* owner) {
    if (CanChooseCamera())
        RunCameraSelectDialog(*this, owner);
}

void CaptureOwner::OnCameraProperties(QWidget* owner) {
    if (CanShowCameraProperties())
        ShowCameraControlsDialog(*graph_, owner);
}

void CaptureOwner::OnStreamProperties(QWidget* owner) {
    if (CanShowStreamProperties())
        ShowStreamFormatDialog(*this, owner);
}

bool CaptureOwner::ApplyCameraChoice(const std::string& camera, const std::string& microphone) {
    Settings& s = deps_.settings;
    if (camera == s.camera && microphone == s.audio)
        return false;
    s.camera = camera;
    s.audio = microphone;
    Rebuild();
    return true;
}

bool CaptureOwner::ApplyStreamFormat(const std::string& caps) {
    if (!graph_)
        return false;
    // JPEG pictures and raw video take graphs of different shapes: the other kind is remembered
    // and the graph built anew for it.
    if (graph_->NeedsRebuildFor(caps)) {
        if (auto wanted = StreamFormatFromCaps(caps))
            deps_.settings.streamFormat = RememberFormat(graph_->BoundCameraName(), *wanted);
        Rebuild();
        return graph_ && graph_->IsBuilt();
    }
    MediaErrors errors;
    bool viewChanged = false;
    const bool ok = graph_->ApplyStreamFormat(caps, errors, &viewChanged);
    Report(errors);
    // Remembered so that rebuilds and the next start ask the camera for the same format.
    if (ok) {
        if (auto inUse = graph_->InUseFormat())
            deps_.settings.streamFormat = RememberFormat(graph_->BoundCameraName(), *inUse);
    }
    if (viewChanged)
        SendViewHints();
    return ok;
}

void CaptureOwner::BindLiveButtons(QAbstractButton* start, QAbstractButton* stop) {
    if (start)
        QObject::connect(start, &QAbstractButton::clicked, start, [this] { LiveStart(); });
    if (stop)
        QObject::connect(stop, &QAbstractButton::clicked, stop, [this] { LiveStop(); });
}

void CaptureOwner::BindCaptureMenu(QWidget* mainWindow) {
    if (!mainWindow)
        return;
    const auto actions = mainWindow->findChildren<QAction*>();
    for (QAction* action : actions) {
        const QVariant id = action->property("id");
        if (!id.isValid())
            continue;
        std::function<bool()> enabled;
        std::function<void()> run;
        switch (id.toInt()) {
            case 32773:
                enabled = [this] { return CanChooseCamera(); };
                run = [this, mainWindow] { OnCameraSelect(mainWindow); };
                break;
            case 32774:
                enabled = [this] { return CanShowCameraProperties(); };
                run = [this, mainWindow] { OnCameraProperties(mainWindow); };
                break;
            case 32777:
                enabled = [this] { return CanShowStreamProperties(); };
                run = [this, mainWindow] { OnStreamProperties(mainWindow); };
                break;
            default:
                continue;
        }
        QObject::connect(action, &QAction::triggered, action, run);
        action->setEnabled(enabled());
        const auto menus = mainWindow->findChildren<QMenu*>();
        for (QMenu* menu : menus) {
            if (!menu->actions().contains(action))
                continue;
            QObject::connect(menu, &QMenu::aboutToShow, action,
                             [action, enabled] { action->setEnabled(enabled()); });
        }
    }
}

}  // namespace tesmira
