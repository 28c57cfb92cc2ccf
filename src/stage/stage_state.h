// The stage as last commanded: ready flag from the controller's one-byte answer and the position
// in micrometres kept by the jog and Z commands.
#pragma once

namespace tesmira {

struct StageState {
    int stageReady = 1;
    double stageX = 0.0, stageY = 0.0, stageZ = 0.0;
};

}  // namespace tesmira
