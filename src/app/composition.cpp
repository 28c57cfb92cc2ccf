#include "app/composition.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <chrono>
#include <ctime>
#include <memory>

#include "app/command_registry.h"
#include "app/ini_profile.h"
#include "app/main_frame.h"
#include "binders/instruments_binder.h"
#include "binders/recording_adapters.h"
#include "binders/serial_panel_binder.h"
#include "binders/stage_binder.h"
#include "binders/timelapse_binder.h"
#include "binders/still_photo_binder.h"
#include "capture/capture_owner.h"
#include "capture/video_view.h"
#include "core/clock.h"
#include "core/counter_persistence.h"
#include "core/notifier.h"
#include "core/panel_messages.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/ui_poster.h"
#include "dialogs/avi_rate_dialog.h"
#include "dialogs/count_down_panel.h"
#include "dialogs/dlg_command_send.h"
#include "dialogs/dlg_directory.h"
#include "dialogs/dlg_port_select.h"
#include "dialogs/dlg_time_limit.h"
#include "dialogs/dlg_zsync.h"
#include "media/capture_graph.h"
#include "panel/dlg_main.h"
#include "recording/capture_record_graph.h"
#include "recording/recording_control.h"
#include "recording/recording_journal.h"
#include "recording/recording_log.h"
#include "recording/recording_paths.h"
#include "recording/recording_recovery.h"
#include "serial/port_assignment.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_state.h"
#include "tesmira_install_paths.h"

namespace tesmira {
namespace {

// The capture graph's owner and what it is built with; they live as long as the frame.
struct CaptureWiring {
    std::unique_ptr<IDeviceCatalog> catalog = MakeSystemDeviceCatalog();
    QtUiPoster ui;
    EncoderSettings encoders;
    RecordingPaths paths;
    std::unique_ptr<CaptureOwner> owner;
};

CaptureWiring& Capture() {
    static CaptureWiring wiring;
    return wiring;
}

// Notifies through the process's message boxes until the workstation object owns one.
class MessageBoxNotifier : public INotifier {
public:
    void Notify(const std::string& text, MessageIcon icon) override { ShowMessage(text, icon); }
};

MessageBoxNotifier& Notifier() {
    static MessageBoxNotifier notifier;
    return notifier;
}

CaptureOwner& MakeCaptureOwner() {
    CaptureWiring& c = Capture();
    if (!c.owner) {
        c.owner = std::make_unique<CaptureOwner>(CaptureOwnerDeps{
            settings(),
            runState(),
            CTesmiraDoc::Instance(),
            Notifier(),
            c.ui,
            *c.catalog,
            {},
            PostPanelMessage,
            [&c] { MakeNextRecordingPath(c.paths, settings(), settings().recNo); }});
    }
    return *c.owner;
}

// The objects that join recording control to the real panel, count-down window and graph; they
// live as long as the frame.
struct RecordingWiring {
    std::unique_ptr<CaptureRecordGraph> graph;
    std::unique_ptr<PanelRecordAdapter> panel;
    std::unique_ptr<CountDownAdapter> countDown;
    std::unique_ptr<StageRecordAdapter> stage;
    RecordingLogLists log;
    std::unique_ptr<RecordingJournal> journal;  // none without a settings file to put it beside
    std::unique_ptr<CounterPersistence> counters;
    std::unique_ptr<RecordingControl> control;
    std::unique_ptr<TimelapseBinding> timelapse;
    RecordingDeps deps;  // what the control was made with, for the start-up recovery
};

RecordingWiring& Recording() {
    static RecordingWiring wiring;
    return wiring;
}

// The machine's clocks, handed to still photos by reference (the process-wide clock is going).
class MachineClock : public Clock {
public:
    uint32_t TickMs() override {
        using namespace std::chrono;
        return static_cast<uint32_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    std::tm LocalTime() override {
        const std::time_t now = std::time(nullptr);
        std::tm out{};
        localtime_r(&now, &out);
        return out;
    }
};

// Still photos (button 1032, key B, message 1026); made before the stage keys that reach it.
struct StillWiring {
    MachineClock clock;
    std::unique_ptr<StillPhotoWiring> stills;
};

StillWiring& Stills() {
    static StillWiring wiring;
    return wiring;
}

void WireSerial(CMainFrame& frame, CDlgMain& panel) {
    SerialStageWiring& w = SerialStage();
    auto deps = [&frame, &w] {
        return PortAssignmentDeps{settings(), w.slots, w.ports, CTesmiraDoc::Instance(), [&frame] {
                                      if (frame.commandSend())
                                          frame.commandSend()->RefreshPortLabels();
                                  }};
    };
    BindSerialToPanel(panel, deps);
    panel.MarkAttached({1045});
    SetCommandHandler(command_id::kPortAssign,
                      [&frame, deps] { RunPortAssignment(deps(), &frame); });
}

void WireStage(CMainFrame& frame, CDlgMain& panel) {
    SerialStageWiring& w = SerialStage();
    StageKeyHooks keys;
    keys.recording = [] {
        if (Recording().control)
            Recording().control->OnSpaceKey();
    };
    keys.stillFrame = [] {
        if (Stills().stills)
            Stills().stills->Binder().Request();
    };
    keys.showZsync = [&frame] {
        if (CDlgZsync* zsync = frame.zsyncPanel()) {
            zsync->show();
            zsync->raise();
        }
    };
    // A new panel brings new timers: the run loop is made afresh on them.
    w.runLoop =
        std::make_unique<StageRunLoop>(panel.Timers(), w.slots, w.state, settings(), AppClock());
    AttachStageRunLoop(panel, *w.runLoop, w.control, w.slots);
    StartStageControls(panel, w.control, {settings(), CTesmiraDoc::Instance(), w.notifier}, keys);
    panel.MarkAttached({1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1012, 1013,
                        1014, 1015, 1016, 1017, 1018, 1019, 1009, 1010, 1011, 1021,
                        1025, 1026, 1028, 1029, 1030, 1035, 1036, 1037, 1038, 1194});
}

void WireCapture(CMainFrame& frame, CDlgMain& panel) {
    CaptureOwner& capture = MakeCaptureOwner();
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
    SetCommandHandler(command_id::kCameraSelect,
                      [&frame, &capture] { capture.OnCameraSelect(&frame); });
    SetCommandHandler(command_id::kCameraProperties,
                      [&frame, &capture] { capture.OnCameraProperties(&frame); });
    SetCommandEnabledQuery(command_id::kCameraProperties,
                           [&capture] { return capture.CanShowCameraProperties(); });
    SetCommandHandler(command_id::kStreamFormat,
                      [&frame, &capture] { capture.OnStreamProperties(&frame); });
    SetCommandEnabledQuery(command_id::kStreamFormat,
                           [&capture] { return capture.CanShowStreamProperties(); });
}

void WireRecording(CMainFrame& frame, CDlgMain& panel, IProfile& profile) {
    RecordingWiring& rec = Recording();
    if (auto* ini = dynamic_cast<IniProfile*>(&profile))
        rec.journal = std::make_unique<RecordingJournal>(JournalPathBeside(ini->path()));
    rec.panel = std::make_unique<PanelRecordAdapter>(panel);
    if (CDlgCountDown* countDown = frame.countDownPanel())
        rec.countDown = std::make_unique<CountDownAdapter>(*countDown);
    CaptureOwner& capture = MakeCaptureOwner();
    rec.graph = std::make_unique<CaptureRecordGraph>([&capture] { return capture.Graph(); },
                                                     settings(), Capture().encoders);
    rec.stage = std::make_unique<StageRecordAdapter>(stageState());
    RecordingDeps deps;
    deps.settings = &settings();
    deps.run = &runState();
    deps.doc = &CTesmiraDoc::Instance();
    deps.notifier = &Notifier();
    deps.clock = &AppClock();
    deps.paths = &Capture().paths;
    deps.log = &rec.log;
    deps.stage = rec.stage.get();
    deps.waitCursor = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    deps.graph = rec.graph.get();
    deps.countDown = rec.countDown.get();
    deps.panel = rec.panel.get();
    deps.timers = &panel.Timers();
    deps.rebuildGraph = [&capture] { capture.Rebuild(); };
    rec.counters = std::make_unique<CounterPersistence>(profile, *deps.settings);
    deps.journal = rec.journal.get();
    deps.countersChanged = [&rec] { rec.counters->Save(); };
    rec.deps = deps;
    rec.control = std::make_unique<RecordingControl>(deps);
    rec.control->RegisterTimers();
    RecordingControl* control = rec.control.get();

    capture.SetRecStop([control] { control->RecStop(); });
    panel.Hooks().stopRecording = [control] { control->RecStop(); };
    // The graph's stream stopped at the recording limit (or could not write): end the recording.
    SetPanelMessageHandler(PanelMessage::kGraphEvent, [control, &capture] {
        CCaptureGraph* graph = capture.Graph();
        if (!graph)
            return;
        for (const GraphEvent& event : graph->FetchGraphEvents()) {
            if (event.code == kEcStreamControlStopped && (event.param2 & 0xF) == kStopCookie &&
                runState().isRecording)
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
        QObject::connect(resetFps, &QAbstractButton::clicked, &panel, [&panel, control](bool) {
            if (!panel.UpdateData(true))
                return;
            if (QWidget* replay = panel.Control(1052))
                replay->setEnabled(control->OnResetFpsChanged(settings().resetFps));
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
    rec.timelapse =
        std::make_unique<TimelapseBinding>(deps, panel, capture, Capture().encoders, *control);
    SetPanelMessageHandler(PanelMessage::kTimelapseFrame,
                           [t = rec.timelapse.get()] { t->OnFrameGrabbed(); });
}

// The meters, relay modules and microscope readout on the panel; made with the panel's wiring and
// let go at close, while the panel still exists.
std::unique_ptr<InstrumentsBinder>& Instruments() {
    static std::unique_ptr<InstrumentsBinder> binder;
    return binder;
}

// Where the device libraries are looked for: TESMIRA_PLUGIN_PATH, the executable's folder, then
// the installed private folder, first as seen from the executable (an installation moved after
// the build) and then where the build installs it.
LibrarySearch DeviceLibrarySearch() {
    LibrarySearch search = LibrarySearch::FromEnvironment();
    if (!search.executableDir.empty())
        search.privateDirs.push_back(search.executableDir + "/" +
                                     TESMIRA_PRIVATE_LIBDIR_FROM_BINDIR);
    search.privateDirs.push_back(TESMIRA_PRIVATE_LIBDIR);
    return search;
}

void WireInstruments(CDlgMain& panel) {
    const PanelDeps deps = ControlPanelDeps();
    SerialStageWiring& w = SerialStage();
    Instruments() = std::make_unique<InstrumentsBinder>(InstrumentsBinderDeps{
        panel, deps.settings, w.slots, w.control, w.notifier, DeviceLibrarySearch()});
}

}  // namespace

void ProcessNotifier::Notify(const std::string& text, MessageIcon icon) {
    ShowMessage(text, icon);
}

SerialStageWiring::SerialStageWiring()
    : slots(settings(), notifier), control(settings(), slots, state, notifier) {}

SerialStageWiring& SerialStage() {
    static SerialStageWiring wiring;
    return wiring;
}

StageControl& stageControl() {
    return SerialStage().control;
}

StageState& stageState() {
    return SerialStage().state;
}

PanelDeps ControlPanelDeps() {
    return {settings(), runState(), CTesmiraDoc::Instance(), SerialStage().notifier};
}

void WireRooms(CMainFrame& frame, IProfile& profile) {
    CDlgMain* panel = frame.controlPanel();
    if (!panel)
        return;
    WireSerial(frame, *panel);
    Stills().stills.reset();  // a panel made afresh: the old wiring lets go of message 1026 first
    Stills().stills =
        std::make_unique<StillPhotoWiring>(*panel, MakeCaptureOwner(), Stills().clock, Notifier(),
                                           [&state = SerialStage().state] { return state.stageZ; });
    WireStage(frame, *panel);
    WireCapture(frame, *panel);
    WireRecording(frame, *panel, profile);
    WireInstruments(*panel);
    SetCommandHandler(command_id::kFolders, [&frame] {
        CaptureOwner& capture = MakeCaptureOwner();
        ShowDirectoryDialog(DirectoryDeps{settings(), runState(), Capture().encoders.Pages(),
                                          Notifier(), [&capture] { capture.Rebuild(); }},
                            &frame);
    });
    SetCommandHandler(command_id::kTimeLimit, [&frame] { ShowTimeLimitDialog(&frame); });
    SetCommandHandler(command_id::kAviRateRewrite, [&frame] { OnRewriteAviFrameRate(&frame); });
    // The panel's initial update opens the ports and may put up messages: run it now, before the
    // frame is shown, not from inside the first show.
    panel->OnInitialUpdate();
}

// Recordings cut short last time (kill, crash, power cut) are repaired before the capture graph
// exists, so nothing writes to their folders meanwhile; each gets a line in the message pane.
void RecoverCutRecordings() {
    RecordingWiring& rec = Recording();
    if (!rec.journal || !rec.control)
        return;
    CTesmiraDoc& doc = *rec.deps.doc;
    Settings& s = *rec.deps.settings;
    INotifier& notifier = *rec.deps.notifier;
    const auto report = [&doc, &notifier](bool repaired, const std::string& text) {
        doc.UpdateAllViews(nullptr, repaired ? UpdateHint::kAppendGreen : UpdateHint::kAppendBlue,
                           text);
        if (!repaired)
            notifier.Notify(text, MessageIcon::Exclamation);
    };
    const RecoveryOutcome outcome = RecoverRecordings(s, *rec.journal, report);
    if (!outcome.journalProblem.empty())
        doc.UpdateAllViews(nullptr, UpdateHint::kAppendBlue, outcome.journalProblem + "\n");
    if (outcome.countersMoved) {
        rec.counters->Save();
        MakeNextRecordingPath(*rec.deps.paths, s, s.recNo);
    }
}

void StartRooms(CMainFrame& frame) {
    (void)frame;
    RecoverCutRecordings();
    MakeCaptureOwner().Rebuild();
}

void ShutdownRooms() {
    if (Recording().control && runState().isRecording)
        Recording().control->RecStop();
    Stills().stills.reset();
    if (Capture().owner)
        Capture().owner->Destroy();
    if (Instruments()) {
        Instruments()->Shutdown();
        Instruments().reset();
    }
}

InstrumentTextsProvider WorkstationInstrumentTexts() {
    return [] { return Instruments() ? Instruments()->Texts() : InstrumentTexts{}; };
}

IRelaySwitch* WorkstationRelaySwitch() {
    return Instruments() ? &Instruments()->RelaySwitch() : nullptr;
}

CaptureOwner& WorkstationCapture() {
    return MakeCaptureOwner();
}

EncoderPages& WorkstationEncoderPages() {
    return Capture().encoders.Pages();
}

}  // namespace tesmira
