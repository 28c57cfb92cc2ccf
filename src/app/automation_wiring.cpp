// Scripts on the session bus reach the rooms through the same entry points as the panel's
// buttons, keys and edits; the automation room decides what may run.
#include <QApplication>

#include "app/workstation.h"
#include "panel/dlg_main.h"
#include "recording/timelapse_control.h"
#include "tesmira_install_paths.h"

namespace tesmira {

// Panel buttons: live start / stop, recording start / stop.
namespace {
constexpr int kLiveStartButton = 1023, kLiveStopButton = 1024;
constexpr int kRecStartButton = 1022, kRecStopButton = 1020;
}  // namespace

WorkstationSnapshot Workstation::AutomationSnapshot() {
    WorkstationSnapshot s;
    s.cameraReady = capture_.CameraReady();
    s.live = run_.isLive;
    s.recording = run_.isRecording;
    s.repeating = run_.isRepeating;
    s.cycling = relays_ && relays_->Runner().IsCycling();
    s.recMode = settings_.recMode;
    s.x = stageState_.stageX;
    s.y = stageState_.stageY;
    s.z = stageState_.stageZ;
    s.camera = settings_.camera;
    TimelapseControl* series = timelapse_ ? &timelapse_->Control() : nullptr;
    if (recording_) {
        s.lastRecording = recording_->lastRecording();
        s.delivered = recording_->deliveredFrames();
        s.dropped = recording_->droppedFrames();
    }
    if (stills_) {
        s.lastStill = stills_->Binder().lastPhoto();
        s.stillPending = stills_->Binder().Pending();
    }
    if (series) {
        s.timelapseFrames = series->framesStored();
        s.lastSeries = series->lastSeries();
    }
    s.lastFile = automationLastFile_.Update({s.lastRecording, s.lastSeries, s.lastStill});
    if (instruments_) {
        for (int channel = 0; channel < 8; ++channel)
            s.relays[channel] = instruments_->RelaySwitch().RelayState(channel);
    }
    s.texts = CurrentInstrumentTexts();
    return s;
}

void Workstation::WireAutomation(CDlgMain& panel) {
    automation_.reset();
    AutomationPorts ports;
    ports.snapshot = [this] { return AutomationSnapshot(); };
    ports.modalOpen = [] { return QApplication::activeModalWidget() != nullptr; };
    ports.canStartLive = [&panel] { return panel.RuleAllows(kLiveStartButton); };
    ports.canStopLive = [&panel] { return panel.RuleAllows(kLiveStopButton); };
    ports.canStartRecording = [&panel] { return panel.RuleAllows(kRecStartButton); };
    ports.canStopRecording = [&panel] { return panel.RuleAllows(kRecStopButton); };
    ports.startLive = [this] { capture_.LiveStart(); };
    ports.stopLive = [this] { capture_.LiveStop(); };
    ports.startRecording = [this] {
        if (recording_)
            recording_->RecStart();
    };
    ports.stopRecording = [this] {
        if (recording_)
            recording_->RecStop();
    };
    ports.recordingPath = [this] {
        // A time-lapse series is named when it starts; a recording before.
        if (settings_.recMode == 2 && timelapse_)
            return timelapse_->Control().seriesPath();
        return paths_.recDestPath;
    };
    ports.requestStill = [this] { return stills_ && stills_->Binder().Request(); };
    ports.moveBy = [this](double dx, double dy) { return stageControl_.MoveXyBy(dx, dy); };
    ports.moveZBy = [this](double dz) { return stageControl_.MoveZBy(dz); };
    ports.relayUsable = [this](int channel) {
        return instruments_ && !instruments_->RelayModuleName(channel / 4 + 1).empty();
    };
    ports.toggleRelay = [this](int channel) {
        if (instruments_)
            instruments_->ToggleRelay(channel);
    };
    ports.shot = [this] {
        if (relays_)
            relays_->OnShot();
    };
    ports.settings = &settings_;
    ports.settingChanged = [this, &panel](const std::string&) {
        // The step texts follow new pulse counts, and the panel shows every member again.
        stageControl_.LoadStepsFromSettings();
        stageControl_.RebuildXyCommands();
        stageControl_.RebuildZCommands();
        panel.UpdateRecordControls();
    };
    automation_ =
        std::make_unique<DbusService>(std::move(ports), QStringLiteral(TESMIRA_VERSION), &doc_);
    if (!automation_->Register()) {
        automation_.reset();  // no bus, or another Tesmira answers: nothing changes
        return;
    }
    automation_->Object().AttachTimers(panel.Timers());
    // A panel destroyed without the close sequence takes its timers along.
    QObject::connect(&panel, &QObject::destroyed, automation_.get(), [this] {
        if (automation_) {
            automation_->Object().ForgetTimers();
            automation_.reset();
        }
    });
}

}  // namespace tesmira
