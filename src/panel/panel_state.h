// What the control panel holds and what it asks of the other rooms: its members (the run state
// that handlers and timers share), the conditions its enabling rule reads, and the hooks through
// which start-up and the update hints reach the rooms that own the work.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace tesmira {

// Indices of the prepared stage command texts (PanelFields::commandTexts).
namespace command_text {
constexpr int kFineLeft = 0, kFineRight = 1, kFineUp = 2, kFineDown = 3;
constexpr int kCoarseLeft = 4, kCoarseRight = 5, kCoarseUp = 6, kCoarseDown = 7;
constexpr int kFineUpperLeft = 8, kFineUpperRight = 9, kFineLowerLeft = 10, kFineLowerRight = 11;
constexpr int kCoarseUpperLeft = 12, kCoarseUpperRight = 13, kCoarseLowerLeft = 14,
              kCoarseLowerRight = 15;
constexpr int kOriginSearch = 16, kCentring = 17, kStatusQuery = 18, kReadyQuery = 19;
constexpr int kZFineUp = 20, kZFineDown = 21, kZCoarseUp = 22, kZCoarseDown = 23;
constexpr int kDeltaZUp = 24, kDeltaZDown = 25, kSpare1 = 26, kSpare2 = 27;
constexpr int kZPositionQuery = 28, kPendingZ = 29;
constexpr int kCount = 30;
}  // namespace command_text

// The panel's members. Values bound to controls move through the panel's data exchange; the
// step sizes in micrometres are the values of the step edits (the stage room converts them to
// pulses and back).
struct PanelFields {
    std::string droppedFramesText = "Dropped Frames\n転送中";  // static 1027
    double zoomFactor = 1.0;                                   // edit 1040 (two decimals shown)
    std::string replaySpeedText;                               // combo 1052 text
    std::string relayModule1Name = "--------";                 // static 1087
    std::string relayModule2Name = "--------";                 // static 1088

    double xyFineUm = 10.0;    // edit 1009, 0.01..500000
    double xyCoarseUm = 20.0;  // edit 1010, 0.01..500000
    double zFineUm = 1.0;      // edit 1029, 0.01..500000
    double zCoarseUm = 5.0;    // edit 1030, 0.01..500000
    double deltaZUm = 0.2;     // edit 1038, -100..100 (ΔT of edit 1037 is the setting itself)
    bool vevCaption = false;   // check 1054: microscope readout in frame overlays

    std::array<std::string, command_text::kCount> commandTexts = [] {
        std::array<std::string, command_text::kCount> t{};
        t[command_text::kStatusQuery] = "Q:\r\n";
        t[command_text::kReadyQuery] = "!:\r\n";
        t[command_text::kZPositionQuery] = "rSPR\r";
        return t;
    }();
    int pendingFineZ = 0;    // -1, 0, +1: fine Z step waiting for a TE2000E position reply
    int pendingCoarseZ = 0;  // the same for a coarse step
    int lastZPosition = 0;   // pulses, last reported by a TE2000E Z drive

    bool editHasFocus = false;  // one of the numeric edits is being edited
    bool focusSteppingArmed = false;
    bool zoomEditHasFocus = false;  // edit 1040 is being edited
    int zoomIndex = 6;              // slider 1039 position

    int repeatsLeft = 1;
    int waitCountdown = 1;
    int recCountdown = 1;
    int relayStepCursor = 0;
    bool relayShotRunning = false;
    bool relayRepeatRunning = false;
    double zoomBeforeRecording = 0.0;
    bool zoomWasChanged = false;

    double stepMaximum = 500000.0;
    double stepMinimum = 0.01;
};

// Conditions the enabling rule reads. An empty function answers false (or "absent"), which is
// what the rule must assume while the room that reports it is not there.
struct PanelConditions {
    std::function<bool()> cameraReady;
    std::function<bool()> microphoneReady;
    std::function<bool()> timelapseAviWriterAvailable;
    std::function<bool()> relayStepsPresent;    // the relay sequence has steps
    std::function<bool()> clockWindowsPresent;  // daily relay windows exist
    std::function<bool()> microscopeConnected;  // the microscope readout is polling
    // Serial text of relay module 1 or 2; empty while that module is absent.
    std::function<std::string(int module)> relayModuleName;
    // Caption of relay button 1079 + channel (channel 0..7) for its current state; when empty the
    // button keeps its caption.
    std::function<std::string(int channel)> relayCaption;
};

// Work the panel starts but other rooms carry out. Unset hooks are skipped.
struct PanelHooks {
    std::function<void()> openSerialPorts;           // start-up: ports 1-3
    std::function<void()> rebuildXyCommands;         // start-up and hint 202
    std::function<void()> rebuildZCommands;          // start-up and hint 203
    std::function<void()> loadRelayModules;          // start-up, last step before the enabling rule
    std::function<void()> stopRelayRepeat;           // hint 205, first
    std::function<void()> stopRecording;             // hint 205, second
    std::function<void(const std::string&)> zReply;  // complete TE2000E Z replies (port 2)
};

}  // namespace tesmira
