#include "app/composition.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <memory>

#include "app/device_listing.h"
#include "app/ini_profile.h"
#include "app/main_frame.h"
#include "app/status_line_bar.h"
#include "binders/serial_panel_binder.h"
#include "binders/stage_binder.h"
#include "capture/video_view.h"
#include "dialogs/avi_rate_dialog.h"
#include "dialogs/count_down_panel.h"
#include "dialogs/dlg_command_send.h"
#include "dialogs/dlg_directory.h"
#include "dialogs/dlg_port_select.h"
#include "dialogs/dlg_time_limit.h"
#include "dialogs/dlg_timelapse.h"
#include "dialogs/dlg_zsync.h"
#include "media/capture_graph.h"
#include "media/stream_format.h"
#include "panel/dlg_main.h"
#include "recording/recording_recovery.h"
#include "recording/timelapse_control.h"
#include "serial/port_assignment.h"
#include "serial/port_watch.h"
#include "tesmira_install_paths.h"

namespace tesmira {

void Workstation::WireSerial(CMainFrame& frame, CDlgMain& panel) {
    auto deps = [this, &frame] {
        return PortAssignmentDeps{settings_, slots_, ports_, doc_, [&frame] {
                                      if (frame.commandSend())
                                          frame.commandSend()->RefreshPortLabels();
                                  }};
    };
    BindSerialToPanel(panel, deps);
    panel.MarkAttached({1045});
    // Adapters that go away and come back are said in the message pane.
    portWatch_ =
        std::make_unique<PortWatch>(slots_, panel.Timers(), [this](const std::string& line) {
            doc_.UpdateAllViews(nullptr, UpdateHint::kAppendBlue, line);
        });
    portWatch_->Start();
    // A fresh profile's default ports this machine lacks are named there once, at start-up.
    slots_.SetPaneLine([this](const std::string& line) {
        doc_.UpdateAllViews(nullptr, UpdateHint::kAppendBlue, line);
    });
    commands_.SetCommandHandler(command_id::kPortAssign,
                                [&frame, deps] { RunPortAssignment(deps(), &frame); });
}

void Workstation::WireStage(CMainFrame& frame, CDlgMain& panel) {
    StageKeyHooks keys;
    keys.recording = [this] {
        if (recording_)
            recording_->OnSpaceKey();
    };
    keys.stillFrame = [this] {
        if (stills_)
            stills_->Binder().Request();
    };
    keys.showZsync = [&frame] {
        if (CDlgZsync* zsync = frame.zsyncPanel()) {
            zsync->show();
            zsync->raise();
        }
    };
    // A new panel brings new timers: the run loop is made afresh on them.
    runLoop_ =
        std::make_unique<StageRunLoop>(panel.Timers(), slots_, stageState_, settings_, clock_);
    AttachStageRunLoop(panel, *runLoop_, stageControl_, slots_);
    runLoop_->SetSilenceReport([this](const std::string& line) {
        doc_.UpdateAllViews(nullptr, UpdateHint::kAppendBlue, line);
    });
    // The command-send dialog shows what the controllers answer.
    runLoop_->SetReplyListener([&frame](int slot, const std::string& reply) {
        if (CDlgCommandSend* send = frame.commandSend())
            send->ShowAnswer(slot, reply);
    });
    StartStageControls(panel, stageControl_, {settings_, doc_, notifier_}, keys);
    panel.MarkAttached({1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1012, 1013,
                        1014, 1015, 1016, 1017, 1018, 1019, 1009, 1010, 1011, 1021,
                        1025, 1026, 1028, 1029, 1030, 1035, 1036, 1037, 1038, 1194});
}

void Workstation::WireCapture(CMainFrame& frame, CDlgMain& panel) {
    CaptureOwner& capture = capture_;
    capture.BindLiveButtons(qobject_cast<QAbstractButton*>(panel.Control(1023)),
                            qobject_cast<QAbstractButton*>(panel.Control(1024)));
    panel.MarkAttached({1023, 1024, 1039, 1040, 1041});
    panel.Conditions().cameraReady = [&capture] { return capture.CameraReady(); };
    panel.Conditions().microphoneReady = [&capture] { return capture.MicrophoneReady(); };
    panel.Conditions().timelapseAviWriterAvailable = [&capture] {
        return capture.TimelapseWriterAvailable();
    };
    if (CVideoView* video = frame.videoView()) {
        video->Attach(capture);
        video->SetWheelZoomHandler([&panel](bool zoomIn) {
            if (zoomIn)
                panel.ZoomIn();
            else
                panel.ZoomOut();
        });
    }
    commands_.SetCommandHandler(command_id::kCameraSelect,
                                [&frame, &capture] { capture.OnCameraSelect(&frame); });
    commands_.SetCommandHandler(command_id::kCameraProperties,
                                [&frame, &capture] { capture.OnCameraProperties(&frame); });
    commands_.SetCommandEnabledQuery(command_id::kCameraProperties,
                                     [&capture] { return capture.CanShowCameraProperties(); });
    commands_.SetCommandHandler(command_id::kStreamFormat,
                                [&frame, &capture] { capture.OnStreamProperties(&frame); });
    commands_.SetCommandEnabledQuery(command_id::kStreamFormat,
                                     [&capture] { return capture.CanShowStreamProperties(); });
}

void Workstation::WireRecording(CMainFrame& frame, CDlgMain& panel, IProfile& profile) {
    if (auto* ini = dynamic_cast<IniProfile*>(&profile))
        journal_ = std::make_unique<RecordingJournal>(JournalPathBeside(ini->path()));
    counters_ = std::make_unique<CounterPersistence>(profile, settings_);
    // The recording tick drives the stage's ready protocol on the run loop WireStage made.
    recordPanel_ = std::make_unique<PanelRecordAdapter>(panel, *runLoop_, stageControl_);
    if (CDlgCountDown* countDown = frame.countDownPanel())
        recordCountDown_ = std::make_unique<CountDownAdapter>(*countDown);
    CaptureOwner& capture = capture_;
    recordGraph_ = std::make_unique<CaptureRecordGraph>([&capture] { return capture.Graph(); },
                                                        settings_, encoders_);
    recordStage_ = std::make_unique<StageRecordAdapter>(stageState_, stageControl_);
    RecordingDeps deps;
    deps.settings = &settings_;
    deps.run = &run_;
    deps.doc = &doc_;
    deps.notifier = &notifier_;
    deps.clock = &clock_;
    deps.paths = &paths_;
    deps.log = &log_;
    deps.stage = recordStage_.get();
    deps.waitCursor = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    deps.graph = recordGraph_.get();
    deps.countDown = recordCountDown_.get();
    deps.panel = recordPanel_.get();
    deps.timers = &panel.Timers();
    deps.rebuildGraph = [&capture] { capture.Rebuild(); };
    deps.journal = journal_.get();
    deps.countersChanged = [this] { counters_->Save(); };
    deps.instrumentTexts = [this] { return CurrentInstrumentTexts(); };
    recordingDeps_ = deps;
    recording_ = std::make_unique<RecordingControl>(deps);
    recording_->RegisterTimers();
    RecordingControl* control = recording_.get();

    capture.SetRecStop([control] { control->RecStop(); });
    panel.Hooks().stopRecording = [control] { control->RecStop(); };
    // The graph's stream stopped at the recording limit (or could not write): end the recording.
    panelMessages_.SetHandler(PanelMessage::kGraphEvent, [this, control, &capture] {
        CCaptureGraph* graph = capture.Graph();
        if (!graph)
            return;
        for (const GraphEvent& event : graph->FetchGraphEvents()) {
            if (event.code == kEcStreamControlStopped && (event.param2 & 0xF) == kStopCookie &&
                run_.isRecording)
                control->OnStreamStopped();
        }
    });

    if (auto* start = qobject_cast<QAbstractButton*>(panel.Control(1022)))
        QObject::connect(start, &QAbstractButton::clicked, &panel,
                         [control] { control->RecStart(); });
    if (auto* stop = qobject_cast<QAbstractButton*>(panel.Control(1020)))
        QObject::connect(stop, &QAbstractButton::clicked, &panel,
                         [control] { control->RecStop(); });
    if (auto* resetFps = qobject_cast<QAbstractButton*>(panel.Control(1051))) {
        QObject::connect(resetFps, &QAbstractButton::clicked, &panel,
                         [this, &panel, control](bool) {
                             if (!panel.UpdateData(true))
                                 return;
                             if (QWidget* replay = panel.Control(1052))
                                 replay->setEnabled(control->OnResetFpsChanged(settings_.resetFps));
                         });
    }
    if (auto* replay = qobject_cast<QComboBox*>(panel.Control(1052))) {
        QObject::connect(replay, qOverload<int>(&QComboBox::activated), &panel,
                         [&panel, control](int index) {
                             if (!panel.UpdateData(true))
                                 return;
                             control->OnReplayRateSelected(index);
                         });
    }
    if (auto* audio = qobject_cast<QAbstractButton*>(panel.Control(1048)))
        QObject::connect(audio, &QAbstractButton::clicked, &panel,
                         [&panel] { panel.UpdateData(true); });
    panel.MarkAttached({1022, 1020, 1051, 1052, 1048});
    // Time-lapse series (mode 2) and the mode and file-type radios.
    timelapse_ = std::make_unique<TimelapseBinding>(
        deps, panel, capture, encoders_, *control, [this] { return CurrentInstrumentTexts(); },
        [this] {
            if (stills_)
                stills_->PlayShutter(settings_.shutterSound);
        });
    panelMessages_.SetHandler(PanelMessage::kTimelapseFrame,
                              [t = timelapse_.get()] { t->OnFrameGrabbed(); });
}

void Workstation::WireInstruments(CDlgMain& panel) {
    instruments_.reset();
    InstrumentsBinderDeps deps{panel,         settings_, slots_,
                               stageControl_, notifier_, DeviceLibrarySearch()};
    deps.doc = &doc_;
    deps.clock = &clock_;
    deps.deviceHost = deviceHost_;
    instruments_ = std::make_unique<InstrumentsBinder>(std::move(deps));
}

// The relay schedules: the settings panel compiles them, the relay binder plays them on the
// panel's timers and the recordings start and end them.
void Workstation::WireRelays(CMainFrame& frame, CDlgMain& panel) {
    CDlgTimelapse* settingsPanel = frame.timelapsePanel();
    InstrumentsBinder& instruments = *instruments_;
    relays_ = std::make_unique<RelayBinder>(RelayBinderDeps{
        panel, settings_, run_, doc_, notifier_, clock_, instruments.RelaySwitch(),
        recordCountDown_.get(), recording_.get(), timelapse_ ? &timelapse_->Control() : nullptr,
        settingsPanel, [&instruments](int module) { return instruments.RelayModuleName(module); }});
    if (!settingsPanel)
        return;
    // The pixel size's calibration measures a line drawn on the live picture.
    if (CVideoView* video = frame.videoView())
        settingsPanel->SetLineMeasure([video] { return video->Surface()->LastLinePixels(); });
    instruments.SetRelaysFoundListener([settingsPanel] { settingsPanel->ValidateSchedules(); });
    instruments.SetTemperatureOptionListener(
        [settingsPanel] { settingsPanel->ValidateSchedules(); });
}

InstrumentTexts Workstation::CurrentInstrumentTexts() const {
    return instruments_ ? instruments_->Texts() : InstrumentTexts{};
}

void Workstation::WireDialogs(CMainFrame& frame) {
    commands_.SetCommandHandler(command_id::kFolders, [this, &frame] {
        ShowDirectoryDialog(DirectoryDeps{settings_, run_, encoders_.Pages(), notifier_,
                                          [this] { capture_.Rebuild(); }},
                            &frame);
    });
    commands_.SetCommandHandler(command_id::kTimeLimit, [this, &frame] {
        ShowTimeLimitDialog({settings_, notifier_,
                             [&frame](int, int64_t) {
                                 if (frame.timelapsePanel())
                                     frame.timelapsePanel()->ReloadVideoFields();
                             }},
                            &frame);
    });
    commands_.SetCommandHandler(command_id::kAviRateRewrite, [this, &frame] {
        OnRewriteAviFrameRate(settings_, notifier_, &frame);
    });
}

StatusLineState Workstation::CurrentStatus() {
    StatusLineState s;
    s.cameraReady = capture_.CameraReady();
    s.live = run_.isLive;
    s.recording = run_.isRecording;
    s.repeating = run_.isRepeating;
    s.recMode = settings_.recMode;
    s.mediaType = settings_.mediaType;
    s.limitMs = settings_.rtStop / 10000;  // 100-ns units
    TimelapseControl* series = timelapse_ ? &timelapse_->Control() : nullptr;
    if (recording_ && run_.isRecording) {
        const uint32_t start = settings_.recMode == 2 && series ? series->seriesStartTick()
                                                                : recording_->recordingStartTick();
        s.elapsedMs = clock_.TickMs() - start;
    }
    if (recording_ && run_.isRepeating && !run_.isRecording)
        s.secondsToNext = recording_->waitCountdown();
    if (series)
        s.timelapseFrames = series->framesStored();
    if (CCaptureGraph* graph = capture_.Graph()) {
        if (const std::optional<StreamFormat> format = graph->InUseFormat()) {
            s.width = format->width;
            s.height = format->height;
            if (format->fpsNum > 0 && format->fpsDen > 0)
                s.fps = double(format->fpsNum) / format->fpsDen;
        }
    }
    s.lastFile = lastWritten_.Update({recording_ ? recording_->lastRecording() : std::string(),
                                      series ? series->lastSeries() : std::string(),
                                      stills_ ? stills_->Binder().lastPhoto() : std::string()});
    s.x = stageState_.stageX;
    s.y = stageState_.stageY;
    s.z = stageState_.stageZ;
    return s;
}

void Workstation::WireStatusLine(CMainFrame& frame, CDlgMain& panel) {
    frame.SetStatusLine(std::make_unique<StatusLineBar>(frame, doc_, panel.Timers(),
                                                        [this] { return CurrentStatus(); }));
}

void Workstation::WireRooms(CMainFrame& frame, IProfile& profile) {
    CDlgMain* panel = frame.controlPanel();
    if (!panel)
        return;
    relays_.reset();  // it refers to the recordings and instruments about to be made afresh
    automation_.reset();
    WireSerial(frame, *panel);
    stills_.reset();  // a panel made afresh: the old wiring lets go of message 1026 first
    stills_ = std::make_unique<StillPhotoWiring>(
        *panel, capture_, clock_, notifier_, [this] { return stageState_.stageZ; },
        [this] { return CurrentInstrumentTexts(); },
        [this] {
            if (counters_)
                counters_->Save();
        });
    WireStage(frame, *panel);
    WireCapture(frame, *panel);
    WireRecording(frame, *panel, profile);
    WireInstruments(*panel);
    WireRelays(frame, *panel);
    WireDialogs(frame);
    WireStatusLine(frame, *panel);
    WireAutomation(*panel);
    // The panel's initial update opens the ports and may put up messages: run it now, before the
    // frame is shown, not from inside the first show.
    panel->OnInitialUpdate();
}

// Recordings cut short last time (kill, crash, power cut) are repaired before the capture graph
// exists, so nothing writes to their folders meanwhile; each gets a line in the message pane.
void Workstation::RecoverCutRecordings() {
    if (!journal_ || !recording_)
        return;
    const auto report = [this](bool repaired, const std::string& text) {
        doc_.UpdateAllViews(nullptr, repaired ? UpdateHint::kAppendGreen : UpdateHint::kAppendBlue,
                            text);
        if (!repaired)
            notifier_.Notify(text, MessageIcon::Exclamation);
    };
    const RecoveryOutcome outcome = RecoverRecordings(settings_, *journal_, report);
    if (!outcome.journalProblem.empty())
        doc_.UpdateAllViews(nullptr, UpdateHint::kAppendBlue, outcome.journalProblem + "\n");
    if (outcome.countersMoved) {
        counters_->Save();
        MakeNextRecordingPath(paths_, settings_, settings_.recNo);
    }
}

void Workstation::StartRooms() {
    RecoverCutRecordings();
    capture_.Rebuild();
}

void Workstation::ShutdownRooms() {
    automation_.reset();  // scripts see the name go before anything closes
    if (recording_ && run_.isRecording)
        recording_->RecStop();
    stills_.reset();
    capture_.Destroy();
    // A relay sequence or cycle still going ends as any stop does; every other relay stays.
    if (relays_)
        relays_->Shutdown();
    relays_.reset();
    if (instruments_) {
        instruments_->Shutdown();
        instruments_.reset();
    }
}

}  // namespace tesmira
