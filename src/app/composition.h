// Where the rooms are put together. Each room offers a binder that attaches its behaviour to the
// frame's panes, menu commands (command_registry.h) and the panel's timers and keys; the calls
// are collected here so that main.cpp and the frame stay free of room logic.
#pragma once

#include <memory>

#include "core/instrument_texts.h"
#include "core/notifier.h"
#include "panel/panel_state.h"
#include "serial/port_list.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_run_loop.h"
#include "stage/stage_state.h"

namespace tesmira {

class CMainFrame;
struct EncoderPages;
class CaptureOwner;
class IRelaySwitch;
class IProfile;

// Tells the user through the process's installed notifier (message boxes in the program, the
// message sink in tests) until the workstation object owns one.
class ProcessNotifier : public INotifier {
public:
    void Notify(const std::string& text, MessageIcon icon) override;
};

// The serial and stage objects. They are made before the frame (its panel and dialogs are built
// on them) and outlive it; the run loop lives on the panel's timers and is made when the panel is
// wired.
struct SerialStageWiring {
    SerialStageWiring();

    ProcessNotifier notifier;
    SerialSlots slots;
    PortList ports;
    StageState state;
    StageControl control;
    std::unique_ptr<StageRunLoop> runLoop;
};
SerialStageWiring& SerialStage();

// What the frame builds its control panel on.
PanelDeps ControlPanelDeps();

// Start-up, once the frame, its panes and the floating panels exist (before the window shows).
// The profile receives the file counters as they move; the journal of recordings in progress
// lives beside its file.
void WireRooms(CMainFrame& frame, IProfile& profile);
// Start-up, with the splash window up and the frame hidden: repair the recordings cut short last
// time, build the capture graph for the stored camera and microphone, then broadcast hint 201.
void StartRooms(CMainFrame& frame);
// Close sequence, after the timers stopped and the placements were taken: release what the rooms
// hold (all relays off, the relay-module library, the meter's USB module).
void ShutdownRooms();

// The meter and microscope texts for the overlay of stored pictures (still photos, time-lapse
// frames); empty texts before the instruments are wired and after close.
InstrumentTextsProvider WorkstationInstrumentTexts();
// The relay modules as the relay schedules switch them (null before WireRooms and after close).
IRelaySwitch* WorkstationRelaySwitch();

// The compressors' page values of the workstation (loaded and saved with the settings).
EncoderPages& WorkstationEncoderPages();
// The capture graph's owner of the workstation (created by WireRooms).
CaptureOwner& WorkstationCapture();

}  // namespace tesmira
