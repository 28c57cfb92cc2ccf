#include "app/menu_rules.h"

#include "app/command_registry.h"

namespace tesmira {

bool IsCommandEnabled(int id, const MenuState& s, bool roomQuery) {
    using namespace command_id;
    switch (id) {
        case kCameraSelect:
        case kFolders:
            return !s.run.isLive;
        case kTimeLimit:
            return !s.run.isRecording;
        case kCameraProperties:
            return roomQuery;
        case kStreamFormat:
            return roomQuery && !s.run.isLive;
        case kCountDownPanel:
            return s.run.isRecording;
        case kToolBar:
        case kStatusBar:
            return false;  // the frame has neither bar
        case kEditUndo:
            return s.messagePaneActive && s.canUndo;
        case kEditCut:
        case kEditCopy:
            return s.messagePaneActive && s.hasSelection;
        case kEditPaste:
            return s.messagePaneActive && s.canPaste;
        default:
            return true;
    }
}

bool IsCommandChecked(int id, const MenuState& s) {
    return id == command_id::kCountDownPanel && s.countDownVisible;
}

}  // namespace tesmira
