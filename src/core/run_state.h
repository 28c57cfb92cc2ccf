// Recording control's process-wide run flags, read by the menu and the panel's enabling rule.
#pragma once

namespace tesmira {

struct RunState {
    bool isLive = false;       // live video running (LiveStart .. LiveStop)
    bool isRecording = false;  // RecStart .. RecStop
    bool isRepeating = false;  // a repeated series is under way
};

RunState& runState();

}  // namespace tesmira
