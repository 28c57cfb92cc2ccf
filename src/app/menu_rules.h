// When each menu command of the frame is enabled and checked, from the run flags and the state
// the frame knows. Plain logic, so the rules are tested without a menu.
#pragma once

#include "core/run_state.h"

namespace tesmira {

struct MenuState {
    RunState run;
    bool countDownVisible = false;
    // The message pane is the active pane, and what the rich-edit offers there.
    bool messagePaneActive = false;
    bool canUndo = false;
    bool hasSelection = false;
    bool canPaste = false;
    // The frame's status line exists, and is shown.
    bool statusBarPresent = false;
    bool statusBarVisible = false;
};

// `roomQuery` is the answer of the command's owning room (command_registry), used by 32774 and
// 32777 only.
bool IsCommandEnabled(int id, const MenuState& state, bool roomQuery);
bool IsCommandChecked(int id, const MenuState& state);

// Why the command is greyed now, as an untranslated text of the "Menu" context (nullptr while it
// is enabled).
const char* CommandDisabledReason(int id, const MenuState& state, bool roomQuery);

}  // namespace tesmira
