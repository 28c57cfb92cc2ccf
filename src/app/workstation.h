// The workstation: every long-lived object of the program, built once by the application and
// handed by reference to the rooms through their constructors. Nothing in the program reaches
// these objects any other way.
//
// The members are declared in construction order: each is built only on members declared above
// it, so C++ destroys them in reverse, and nothing is torn down while an object that refers to it
// is still alive (the recording control goes before its adapters, the adapters before the stage
// and the panel-message router, the router before the UI poster, the settings last).
#pragma once

#include <memory>

#include "app/command_registry.h"
#include "app/message_box.h"
#include "automation/dbus_service.h"
#include "binders/instruments_binder.h"
#include "binders/recording_adapters.h"
#include "binders/relay_binder.h"
#include "binders/still_photo_binder.h"
#include "binders/timelapse_binder.h"
#include "capture/capture_owner.h"
#include "core/clock.h"
#include "core/counter_persistence.h"
#include "core/instrument_texts.h"
#include "core/panel_messages.h"
#include "core/profile.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/status_line.h"
#include "core/tesmira_doc.h"
#include "core/ui_poster.h"
#include "media/device_catalog.h"
#include "recording/capture_record_graph.h"
#include "recording/codec_settings.h"
#include "recording/recording_control.h"
#include "recording/recording_journal.h"
#include "recording/recording_log.h"
#include "recording/recording_paths.h"
#include "serial/port_list.h"
#include "serial/port_watch.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_run_loop.h"
#include "stage/stage_state.h"

namespace tesmira {

class CDlgMain;
class CMainFrame;
struct FrameDeps;

// What a test rig may put in place of the real devices and people; unset members take the real
// ones (message boxes, the system clock, the system's cameras and microphones).
struct WorkstationSeams {
    INotifier* notifier = nullptr;  // must outlive the workstation
    Clock* clock = nullptr;         // must outlive the workstation
    std::unique_ptr<IDeviceCatalog> catalog;
    // The helper program that hosts the device libraries (empty: the installed one, beside the
    // executable or in the private library folder).
    std::string deviceHost;
};

class Workstation {
public:
    explicit Workstation(WorkstationSeams seams = {});
    ~Workstation();
    Workstation(const Workstation&) = delete;
    Workstation& operator=(const Workstation&) = delete;

    // Start-up steps 3-5: the settings and the compressors' pages from the profile (the folder
    // checks may show messages).
    void LoadSettings(IProfile& profile);
    // The single write at the end of the process; false when the profile could not be written.
    bool SaveSettings(IProfile& profile) const;

    // What the frame is built on (its close sequence ends with ShutdownRooms).
    FrameDeps ForFrame();

    // Start-up, once the frame, its panes and the floating panels exist (before the window
    // shows): the rooms attach to them (composition.cpp). The profile receives the file counters
    // as they move; the journal of recordings in progress lives beside its file.
    void WireRooms(CMainFrame& frame, IProfile& profile);
    // Start-up, with the splash window up and the frame hidden: repair the recordings cut short
    // last time, build the capture graph for the stored camera and microphone, then broadcast
    // hint 201.
    void StartRooms();
    // Close sequence, after the timers stopped and the placements were taken: a running recording
    // ends, still photos let go of the graph, the capture graph is released, the relays go off
    // and the device libraries are released.
    void ShutdownRooms();

    // The meter and microscope texts for the overlay of stored pictures; empty before the
    // instruments are wired and after close.
    InstrumentTexts CurrentInstrumentTexts() const;

    // A signal asked the program to close: message boxes close and later ones go to stderr.
    void CloseMessageBoxesForShutdown();

    Settings& Config() { return settings_; }
    RunState& Run() { return run_; }
    CTesmiraDoc& Doc() { return doc_; }
    INotifier& Notifier() { return notifier_; }
    Clock& TimeSource() { return clock_; }
    PanelMessageRouter& PanelMessages() { return panelMessages_; }
    SerialSlots& Slots() { return slots_; }
    PortList& Ports() { return ports_; }
    StageState& Stage() { return stageState_; }
    StageControl& StageCtl() { return stageControl_; }
    EncoderSettings& Encoders() { return encoders_; }
    RecordingPaths& Paths() { return paths_; }
    CaptureOwner& Capture() { return capture_; }
    RecordingControl* Recording() { return recording_.get(); }
    CommandRegistry& Commands() { return commands_; }

private:
    // The rooms' parts of WireRooms (composition.cpp).
    void WireSerial(CMainFrame& frame, CDlgMain& panel);
    void WireStage(CMainFrame& frame, CDlgMain& panel);
    void WireCapture(CMainFrame& frame, CDlgMain& panel);
    void WireRecording(CMainFrame& frame, CDlgMain& panel, IProfile& profile);
    void WireInstruments(CDlgMain& panel);
    void WireRelays(CMainFrame& frame, CDlgMain& panel);
    void WireDialogs(CMainFrame& frame);
    void WireStatusLine(CMainFrame& frame, CDlgMain& panel);
    void WireAutomation(CDlgMain& panel);  // automation_wiring.cpp
    WorkstationSnapshot AutomationSnapshot();
    StatusLineState CurrentStatus();
    void RecoverCutRecordings();

    Settings settings_;
    RunState run_;
    CTesmiraDoc doc_;
    MessageBoxNotifier messageBoxes_;
    INotifier& notifier_;  // messageBoxes_ unless a rig put another in
    SystemClock systemClock_;
    Clock& clock_;  // systemClock_ unless a rig put another in
    QtUiPoster ui_;
    PanelMessageRouter panelMessages_{ui_};
    SerialSlots slots_{settings_, notifier_};
    PortList ports_;
    StageState stageState_;
    StageControl stageControl_{settings_, slots_, stageState_, notifier_};
    EncoderSettings encoders_;
    RecordingPaths paths_;
    RecordingLogLists log_;
    std::unique_ptr<IDeviceCatalog> catalog_;
    std::string deviceHost_;
    CaptureOwner capture_;
    // Made when the panel is wired: they live on the panel's timers and controls.
    std::unique_ptr<PortWatch> portWatch_;
    std::unique_ptr<StageRunLoop> runLoop_;
    std::unique_ptr<CaptureRecordGraph> recordGraph_;
    std::unique_ptr<PanelRecordAdapter> recordPanel_;
    std::unique_ptr<CountDownAdapter> recordCountDown_;
    std::unique_ptr<StageRecordAdapter> recordStage_;
    std::unique_ptr<RecordingJournal> journal_;  // none without a settings file to put it beside
    std::unique_ptr<CounterPersistence> counters_;
    RecordingDeps recordingDeps_;  // what the control was made with, for the start-up recovery
    std::unique_ptr<RecordingControl> recording_;
    std::unique_ptr<TimelapseBinding> timelapse_;
    std::unique_ptr<StillPhotoWiring> stills_;
    std::unique_ptr<InstrumentsBinder> instruments_;
    std::unique_ptr<RelayBinder> relays_;  // switches through instruments_
    LastWrittenFile lastWritten_;          // for the status line
    // Scripts on the session bus (none without a bus); it reaches everything above.
    LastWrittenFile automationLastFile_;
    std::unique_ptr<DbusService> automation_;
    // Last: its handlers refer to everything above.
    CommandRegistry commands_;
};

}  // namespace tesmira
