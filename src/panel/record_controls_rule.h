// The rule that enables the panel's live, recording, zoom, mode and relay controls from the run
// state and from what the devices report. Plain C++ so that every row can be checked with fakes.
#pragma once

#include <vector>

namespace tesmira {

struct RecordControlsInput {
    bool cameraReady = false;                  // reported by the capture graph; false without one
    bool microphoneReady = false;              // likewise
    bool timelapseAviWriterAvailable = false;  // likewise
    bool live = false;
    bool recording = false;
    bool repeating = false;
    int recMode = 0;  // 0 once, 1 repeat, 2 time-lapse, 3 relay shot direct
    bool relayStepsPresent = false;
    bool clockWindowsPresent = false;
    bool relayShotRunning = false;
    bool relayCycling = false;
    bool relayModule1Present = false;
    bool relayModule2Present = false;
    bool microscopeConnected = false;
};

struct ControlState {
    int id = 0;
    bool enabled = false;
    const char* caption = nullptr;  // UTF-8; only for controls whose caption the rule owns
};

// One entry per control the rule governs, in the order of the rule's table.
std::vector<ControlState> ComputeRecordControls(const RecordControlsInput& in);

// Why control `id` is greyed for this input, as an untranslated text of the "ControlPanel"
// context (nullptr when the rule enables it, or when the rule does not govern it).
const char* RecordControlDisabledReason(int id, const RecordControlsInput& in);

// The captions of RecStart and RecStop for the run state.
const char* RecStartCaption(bool recording, bool repeating);
const char* RecStopCaption(bool recording, bool repeating);

}  // namespace tesmira
