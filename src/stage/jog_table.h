// The sixteen XY jog buttons and the panel's keyboard table: which prepared text a button sends,
// how it moves the bookkept position, and which action a key press stands for.
#pragma once

#include <array>

#include "stage/stage_texts.h"

namespace tesmira {

struct JogButton {
    int id;          // panel control id
    StageText text;  // prepared text it writes
    bool coarse;     // coarse step (edit 1010) rather than fine (edit 1009)
    int dxSign;      // X += dxSign * step
    int dySign;      // Y += dySign * step
};

const std::array<JogButton, 16>& JogButtons();
const JogButton* FindJogButton(int id);

// Z buttons of the panel.
namespace z_button {
constexpr int kFineUp = 1025;
constexpr int kFineDown = 1026;
constexpr int kCoarseUp = 1021;
constexpr int kCoarseDown = 1028;
}  // namespace z_button

// Key codes of the keyboard table (the values of the classic virtual-key codes).
namespace jog_key {
constexpr int kSpace = 32, kPageUp = 33, kPageDown = 34, kEnd = 35, kHome = 36;
constexpr int kLeft = 37, kUp = 38, kRight = 39, kDown = 40;
constexpr int kDigit0 = 48;   // "0".."9" are 48..57
constexpr int kNumpad0 = 96;  // keypad 0..9 are 96..105
constexpr int kB = 66, kC = 67, kG = 71, kS = 83, kZ = 90;
}  // namespace jog_key

enum class KeyActionKind {
    kNone,        // not in the table: normal dispatch
    kJogButton,   // press the XY jog button `id`
    kZButton,     // press the Z button `id`
    kRecording,   // Space: recording start, or stop while recording or repeating
    kStillFrame,  // B
    kHint303,     // C
    kHint302,     // G
    kZoomDown,    // S
    kZoomUp,      // Z
};

struct KeyAction {
    KeyActionKind kind = KeyActionKind::kNone;
    int id = 0;
    bool operator==(const KeyAction&) const = default;
};

// The action of a key-down with the given code while no edit holds the keys. Ctrl matters only
// for Up and Down (Z steps); every other key ignores it.
KeyAction MapJogKey(int keyCode, bool shift, bool ctrl);

}  // namespace tesmira
