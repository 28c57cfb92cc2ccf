#include "stage/stage_state.h"

namespace tesmira {

StageState& stageState() {
    static StageState state;
    return state;
}

}  // namespace tesmira
