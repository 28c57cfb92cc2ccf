// Recording control's run flags, read by the menu and the panel's enabling rule. The workstation
// owns the one instance and hands it to the rooms.
#pragma once

namespace tesmira {

struct RunState {
    bool isLive = false;       // live video running (LiveStart .. LiveStop)
    bool isRecording = false;  // RecStart .. RecStop
    bool isRepeating = false;  // a repeated series is under way
};

}  // namespace tesmira
