#include "stage/jog_table.h"

namespace tesmira {
namespace {

using T = StageText;

// Button ← moves the picture's content, so X grows: the signs follow the stage, not the arrow.
const std::array<JogButton, 16> kButtons = {{
    {1003, T::kFineLeft, false, +1, 0},
    {1004, T::kFineRight, false, -1, 0},
    {1001, T::kFineUp, false, 0, -1},
    {1002, T::kFineDown, false, 0, +1},
    {1008, T::kCoarseLeft, true, +1, 0},
    {1007, T::kCoarseRight, true, -1, 0},
    {1005, T::kCoarseUp, true, 0, -1},
    {1006, T::kCoarseDown, true, 0, +1},
    {1018, T::kFineUpLeft, false, +1, -1},
    {1012, T::kFineUpRight, false, -1, -1},
    {1013, T::kFineDownLeft, false, +1, +1},
    {1014, T::kFineDownRight, false, -1, +1},
    {1015, T::kCoarseUpLeft, true, +1, -1},
    {1016, T::kCoarseUpRight, true, -1, -1},
    {1017, T::kCoarseDownLeft, true, +1, +1},
    {1019, T::kCoarseDownRight, true, -1, +1},
}};

// One row of the keyboard table: the three keys of a direction and its buttons.
struct KeyRow {
    int navKey, digit;
    int fine, coarse;            // jog buttons without / with Shift
    int zFine = 0, zCoarse = 0;  // Z buttons with Ctrl (Up and Down only)
};

const KeyRow kRows[] = {
    {jog_key::kLeft, 4, 1003, 1008},
    {jog_key::kRight, 6, 1004, 1007},
    {jog_key::kUp, 8, 1001, 1005, z_button::kFineUp, z_button::kCoarseUp},
    {jog_key::kDown, 2, 1002, 1006, z_button::kFineDown, z_button::kCoarseDown},
    {jog_key::kHome, 7, 1018, 1015},
    {jog_key::kPageUp, 9, 1012, 1016},
    {jog_key::kEnd, 1, 1013, 1017},
    {jog_key::kPageDown, 3, 1014, 1019},
};

}  // namespace

const std::array<JogButton, 16>& JogButtons() {
    return kButtons;
}

const JogButton* FindJogButton(int id) {
    for (const JogButton& b : kButtons) {
        if (b.id == id)
            return &b;
    }
    return nullptr;
}

KeyAction MapJogKey(int keyCode, bool shift, bool ctrl) {
    for (const KeyRow& r : kRows) {
        if (keyCode != r.navKey && keyCode != jog_key::kDigit0 + r.digit &&
            keyCode != jog_key::kNumpad0 + r.digit) {
            continue;
        }
        if (ctrl && r.zFine != 0)
            return {KeyActionKind::kZButton, shift ? r.zCoarse : r.zFine};
        return {KeyActionKind::kJogButton, shift ? r.coarse : r.fine};
    }
    switch (keyCode) {
        case jog_key::kSpace:
            return {KeyActionKind::kRecording, 0};
        case jog_key::kB:
            return {KeyActionKind::kStillFrame, 0};
        case jog_key::kC:
            return {KeyActionKind::kHint303, 0};
        case jog_key::kG:
            return {KeyActionKind::kHint302, 0};
        case jog_key::kS:
            return {KeyActionKind::kZoomDown, 0};
        case jog_key::kZ:
            return {KeyActionKind::kZoomUp, 0};
        default:
            return {};
    }
}

}  // namespace tesmira
