// What the control panel holds and what it asks of the other rooms: its members (the run state
// that handlers and timers share), the conditions its enabling rule reads, and the hooks through
// which start-up and the update hints reach the rooms that own the work.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "core/controller_kinds.h"

namespace tesmira {

class CTesmiraDoc;
class INotifier;
struct RunState;
struct Settings;

// What the panel is built on: the settings its controls show, the run flags its enabling rule
// reads, the document its zoom and view hints travel through, and where its refusals are told.
struct PanelDeps {
    Settings& settings;
    RunState& run;
    CTesmiraDoc& doc;
    INotifier& notifier;
};

// The panel's members. Values bound to controls move through the panel's data exchange. The step
// sizes of the jog and Z edits live in stage control (its binder adds them to the exchange with
// CDlgMain::BindNumber), recording counters in recording control.
struct PanelFields {
    std::string droppedFramesText;              // static 1027 (the panel sets its first text)
    double zoomFactor = 1.0;                    // edit 1040 (two decimals shown)
    std::string replaySpeedText;                // combo 1052 text
    std::string relayModule1Name = "--------";  // static 1087
    std::string relayModule2Name = "--------";  // static 1088

    bool vevCaption = false;  // check 1054: microscope readout in frame overlays

    bool editHasFocus = false;      // one of the numeric edits is being edited
    bool zoomEditHasFocus = false;  // edit 1040 is being edited
    int zoomIndex = 6;              // slider 1039 position

    double stepMaximum = kStepMaximumUm;
    double stepMinimum = kStepMinimumUm;
};

// Conditions the enabling rule reads. An empty function answers false (or "absent"), which is
// what the rule must assume while the room that reports it is not there.
struct PanelConditions {
    std::function<bool()> cameraReady;
    std::function<bool()> microphoneReady;
    std::function<bool()> timelapseAviWriterAvailable;
    std::function<bool()> relayStepsPresent;    // the relay sequence has steps
    std::function<bool()> clockWindowsPresent;  // daily relay windows exist
    std::function<bool()> relayShotRunning;     // a relay sequence plays (1180 reads "中断")
    std::function<bool()> relayCycling;         // a relay cycle runs (1181 reads "中断")
    std::function<bool()> microscopeConnected;  // the microscope readout is polling
    // Serial text of relay module 1 or 2; empty while that module is absent.
    std::function<std::string(int module)> relayModuleName;
    // Caption of relay button 1079 + channel (channel 0..7) for its current state; when empty the
    // button keeps its caption.
    std::function<std::string(int channel)> relayCaption;
};

// Work the panel starts but other rooms carry out. Unset hooks are skipped.
struct PanelHooks {
    std::function<void()> openSerialPorts;    // start-up: ports 1-3 and their reception tick
    std::function<void()> rebuildXyCommands;  // start-up and hint 202
    std::function<void()> rebuildZCommands;   // start-up and hint 203
    std::function<void()> loadRelayModules;   // start-up, last step before the enabling rule
    std::function<void()> stopRelayRepeat;    // hint 205, first
    std::function<void()> stopRecording;      // hint 205, second
};

}  // namespace tesmira
