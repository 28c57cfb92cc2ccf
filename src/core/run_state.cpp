#include "core/run_state.h"

namespace tesmira {

RunState& runState() {
    static RunState state;
    return state;
}

}  // namespace tesmira
