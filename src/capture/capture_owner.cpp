#include "capture/capture_owner.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QVariant>
#include <memory>

#include "capture/camera_dialogs.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "media/capture_graph.h"
#include "panel/dlg_main.h"

namespace tesmira {
namespace {

std::unique_ptr<CCaptureGraph>& Graph() {
    static std::unique_ptr<CCaptureGraph> graph;
    return graph;
}

std::function<void()>& RecStopHook() {
    static std::function<void()> hook;
    return hook;
}

void RefreshPanel() {
    CTesmiraDoc::Instance().UpdateAllViews(nullptr, UpdateHint::kRefreshControls);
    CTesmiraDoc::Instance().UpdateAllViews(nullptr, UpdateHint::kTakeFocus);
}

// A stream error (camera unplugged, device refusing its format): live stops, the controls
// follow, then the user is told. The next LiveStart builds the graph afresh.
void OnStreamError(uint64_t generation, const std::string& reason) {
    CCaptureGraph* graph = theCaptureGraph();
    if (!graph || graph->Generation() != generation)
        return;
    if (runState().isRecording && RecStopHook())
        RecStopHook()();
    graph->MarkBroken();
    runState().isLive = false;
    RefreshPanel();
    ShowMessage("DirectShow Error: Stream stopped!\n" + reason + "\n");
}

void EnsureErrorHandler() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    SetStreamErrorHandler(OnStreamError);
}

bool CameraPresent(const std::string& name) {
    const auto cameras = DeviceCatalog().Cameras();
    if (!cameras)
        return false;
    for (const CaptureDevice& d : *cameras)
        if (d.name == name)
            return true;
    return false;
}

}  // namespace

CCaptureGraph* theCaptureGraph() {
    return Graph().get();
}

void DestroyCaptureGraph() {
    Graph().reset();
}

void RebuildCaptureGraph() {
    EnsureErrorHandler();
    RunState& run = runState();
    const bool wasLive = run.isLive;
    run.isLive = false;
    Graph().reset();
    Graph() = std::make_unique<CCaptureGraph>();
    CCaptureGraph& graph = *Graph();
    if (!graph.HasGraph())
        return;
    Settings& s = settings();
    graph.EnumerateCameras(s.camera);
    graph.EnumerateMicrophones(s.camera, s.audio);
    if (!s.camera.empty() && graph.AddCamera())
        graph.BuildGraphs();
    if (!s.audio.empty() && !graph.AddMicrophone())
        graph.ReleaseMicrophone();
    if (wasLive && s.recMode != 3 && graph.CameraReady()) {
        std::string error;
        if (graph.Run(&error))
            run.isLive = true;
    }
    // After live video is restored, so LiveStart/LiveStop show the state the video is in.
    CTesmiraDoc::Instance().UpdateAllViews(nullptr, UpdateHint::kRefreshControls);
}

void LiveStart() {
    EnsureErrorHandler();
    CCaptureGraph* graph = theCaptureGraph();
    if (!graph || !graph->CameraReady())
        return;
    if (graph->IsBroken()) {
        // The device failed earlier: build afresh once it is back; while it is away say so and
        // keep the chosen camera, so plugging it in again is all the user has to do.
        if (!CameraPresent(settings().camera)) {
            ShowMessage(
                "カメラをインストールできませんでした!\n他のアプリケーションが使用している可能性"
                "があります。\nメニューの [キャプチャー] の [カメラ選択] で\n別のカメラを探して"
                "ください。\n");
            return;
        }
        RebuildCaptureGraph();
        graph = theCaptureGraph();
        if (!graph || !graph->CameraReady())
            return;
    }
    std::string error;
    if (!graph->Run(&error)) {
        RefreshPanel();
        ShowMessage("DirectShow Error: Run!\n" + error + "\n");
        return;
    }
    runState().isLive = true;
    RefreshPanel();
}

void LiveStop() {
    RunState& run = runState();
    if (!run.isLive)
        return;
    run.isLive = false;
    if (run.isRecording && RecStopHook())
        RecStopHook()();
    if (CCaptureGraph* graph = theCaptureGraph())
        graph->Stop();
    RefreshPanel();
}

void SetRecStopHook(std::function<void()> recStop) {
    RecStopHook() = std::move(recStop);
}

bool CameraReady() {
    return theCaptureGraph() && theCaptureGraph()->CameraReady();
}
bool MicrophoneReady() {
    return theCaptureGraph() && theCaptureGraph()->MicrophoneReady();
}
bool TimelapseWriterAvailable() {
    return theCaptureGraph() && theCaptureGraph()->TimelapseWriterAvailable();
}

bool CanChooseCamera() {
    return !runState().isLive;
}
bool CanShowCameraProperties() {
    return theCaptureGraph() && !theCaptureGraph()->BoundCameraName().empty() &&
           theCaptureGraph()->HasCameraOutput();
}
bool CanShowStreamProperties() {
    return theCaptureGraph() && theCaptureGraph()->HasCameraOutput() && !runState().isLive;
}

void OnCameraSelect(QWidget* owner) {
    if (!CanChooseCamera())
        return;
    RunCameraSelectDialog(owner);
}

void OnCameraProperties(QWidget* owner) {
    if (!CanShowCameraProperties())
        return;
    ShowCameraControlsDialog(*theCaptureGraph(), owner);
}

void OnStreamProperties(QWidget* owner) {
    if (!CanShowStreamProperties())
        return;
    ShowStreamFormatDialog(*theCaptureGraph(), owner);
}

void BindCaptureControls(QWidget* panelRoot) {
    if (auto* start = qobject_cast<QAbstractButton*>(FindControl(panelRoot, 1023)))
        QObject::connect(start, &QAbstractButton::clicked, start, [] { LiveStart(); });
    if (auto* stop = qobject_cast<QAbstractButton*>(FindControl(panelRoot, 1024)))
        QObject::connect(stop, &QAbstractButton::clicked, stop, [] { LiveStop(); });
}

void BindCaptureMenu(QWidget* mainWindow) {
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
                enabled = CanChooseCamera;
                run = [mainWindow] { OnCameraSelect(mainWindow); };
                break;
            case 32774:
                enabled = CanShowCameraProperties;
                run = [mainWindow] { OnCameraProperties(mainWindow); };
                break;
            case 32777:
                enabled = CanShowStreamProperties;
                run = [mainWindow] { OnStreamProperties(mainWindow); };
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
