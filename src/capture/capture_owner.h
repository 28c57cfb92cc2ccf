// The capture graph of the workstation: it owns the graph, builds and rebuilds it from the
// settings, turns live video on and off, words the engine's failures as the user's messages and
// tells the views. The composition root creates one and hands it to whoever needs it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/panel_messages.h"
#include "core/ui_poster.h"
#include "media/capture_graph.h"

class QAbstractButton;
class QWidget;

namespace tesmira {

struct Settings;
struct RunState;
class CTesmiraDoc;
class INotifier;

struct CaptureOwnerDeps {
    Settings& settings;
    RunState& run;
    CTesmiraDoc& doc;
    INotifier& notifier;
    IUiPoster& ui;
    IDeviceCatalog& catalog;
    AviWriterFactory makeWriter;  // empty: the real AVI writer
    // Queues a panel message (1025, 1026, 1027) to the UI thread; called on streaming threads.
    std::function<void(PanelMessage)> postPanelMessage;
    // Called after every successful build (the next recording's file name follows the settings).
    std::function<void()> afterBuild;
};

class CaptureOwner : private ICaptureListener {
public:
    explicit CaptureOwner(CaptureOwnerDeps deps);
    ~CaptureOwner() override;
    CaptureOwner(const CaptureOwner&) = delete;
    CaptureOwner& operator=(const CaptureOwner&) = delete;

    // The current graph, or nullptr before the first build and after Destroy.
    CCaptureGraph* Graph() { return graph_.get(); }
    const CCaptureGraph* Graph() const { return graph_.get(); }

    // Destroys any graph and builds one for "Camera" and "Audio" (start-up and every rebuild): the
    // live flag is cleared first and, when live video was on and "RecMode" is not 3, the new graph
    // runs again. Views get hint 201 when a graph exists.
    void Rebuild();
    void Destroy();

    // Button 1023 / 1024.
    void LiveStart();
    void LiveStop();
    // Recording control's RecStop; LiveStop and a lost camera call it while a recording runs.
    void SetRecStop(std::function<void()> recStop) { recStop_ = std::move(recStop); }

    // Conditions of the panel's enabling rule (all false without a graph).
    bool CameraReady() const;
    bool MicrophoneReady() const;
    bool TimelapseWriterAvailable() const;

    // Menu enabling: 32773 camera choice, 32774 camera controls, 32777 stream format.
    bool CanChooseCamera() const;
    bool CanShowCameraProperties() const;
    bool CanShowStreamProperties() const;

    // Menu commands (UI thread).
    void OnCameraSelect(QWidget* owner);      // 32773
    void OnCameraProperties(QWidget* owner);  // 32774
    void OnStreamProperties(QWidget* owner);  // 32777

    // After the camera dialog's OK: stores the names and rebuilds only when either differs from
    // the stored setting. Returns true when it rebuilt.
    bool ApplyCameraChoice(const std::string& camera, const std::string& microphone);
    // The stream-format page's choice: renegotiates, tells the user of a refusal, re-sends the
    // view hints 300 and 204.
    bool ApplyStreamFormat(const std::string& caps);

    // Connects LiveStart and LiveStop to the panel's buttons 1023 and 1024 (either may be null).
    void BindLiveButtons(QAbstractButton* start, QAbstractButton* stop);
    // Connects the QActions 32773, 32774 and 32777 found below the main window and keeps their
    // enabled state current whenever their menu opens.
    void BindCaptureMenu(QWidget* mainWindow);

    // Message 1026 goes to this handler on the UI thread instead of `postPanelMessage` (which
    // keeps it while no handler is set). Set it on the UI thread.
    void SetStillFrameHandler(std::function<void()> handler) {
        hasStillFrameHandler_ = static_cast<bool>(handler);
        stillFrameHandler_ = std::move(handler);
    }

    Settings& CurrentSettings() { return deps_.settings; }
    RunState& CurrentRunState() { return deps_.run; }
    IDeviceCatalog& Catalog() { return deps_.catalog; }

private:
    void OnGraphEvents() override;
    void OnFrameGrabbed(PanelMessage message) override;
    void OnStreamError(uint64_t generation, const std::string& reason) override;
    void OnWriteFailed(const std::string& path) override;

    void StreamFailed(uint64_t generation, const std::string& reason);
    void Tell(const std::string& text);
    void Report(const MediaErrors& errors);
    void SendViewHints();
    void RefreshPanel();
    bool CameraPresent(const std::string& name);
    void BuildInto(CCaptureGraph& graph);

    CaptureOwnerDeps deps_;
    std::unique_ptr<CCaptureGraph> graph_;
    uint64_t generations_ = 0;
    std::function<void()> recStop_;
    std::function<void()> stillFrameHandler_;        // read and written on the UI thread only
    std::atomic<bool> hasStillFrameHandler_{false};  // what the streaming thread may look at
    // Cleared on destruction so hand-overs still queued for the UI thread do nothing.
    std::shared_ptr<CaptureOwner*> alive_;
};

// The designed message for an engine failure (exactly the text the user has always seen).
std::string MessageFor(const MediaError& error);
// The message-pane line for a fresh profile's default camera that is not attached.
std::string AbsentDefaultCameraLine(const std::string& camera);

}  // namespace tesmira
