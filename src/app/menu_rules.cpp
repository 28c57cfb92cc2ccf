#include "app/menu_rules.h"

#include <QtGlobal>

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
            return false;  // the frame has no tool bar
        case kStatusBar:
            return s.statusBarPresent;
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
    switch (id) {
        case command_id::kCountDownPanel:
            return s.countDownVisible;
        case command_id::kStatusBar:
            return s.statusBarPresent && s.statusBarVisible;
        default:
            return false;
    }
}

#define TIP(text) QT_TRANSLATE_NOOP("Menu", text)

const char* CommandDisabledReason(int id, const MenuState& s, bool roomQuery) {
    using namespace command_id;
    if (IsCommandEnabled(id, s, roomQuery))
        return nullptr;
    const char* const notPane = TIP("メッセージ欄をクリックしてから使えます。");
    switch (id) {
        case kCameraSelect:
        case kFolders:
            return TIP("LiveStop でライブ映像を止めてから選べます。");
        case kTimeLimit:
            return TIP("録画中は変更できません。");
        case kCameraProperties:
            return TIP("カメラがありません（キャプチャー ▸ カメラ選択）。");
        case kStreamFormat:
            return roomQuery ? TIP("LiveStop でライブ映像を止めてから選べます。")
                             : TIP("カメラの出力が見つかりません（キャプチャー ▸ カメラ選択）。");
        case kCountDownPanel:
            return TIP("録画中だけ使えます。");
        case kToolBar:
            return TIP("ツール バーはありません。");
        case kStatusBar:
            return TIP("ステータス バーはありません。");
        case kEditUndo:
            return s.messagePaneActive ? TIP("元に戻す操作がありません。") : notPane;
        case kEditCut:
        case kEditCopy:
            return s.messagePaneActive ? TIP("テキストが選択されていません。") : notPane;
        case kEditPaste:
            return s.messagePaneActive ? TIP("クリップボードに貼り付けられる内容がありません。")
                                       : notPane;
        default:
            return TIP("今は使えません。");
    }
}

#undef TIP

}  // namespace tesmira
