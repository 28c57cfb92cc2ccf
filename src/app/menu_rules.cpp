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

const char* CommandDisabledReason(int id, const MenuState& s, bool roomQuery) {
    using namespace command_id;
    if (IsCommandEnabled(id, s, roomQuery))
        return nullptr;
    const char* const notPane =
        QT_TRANSLATE_NOOP("Menu", "メッセージ欄をクリックしてから使えます。");
    switch (id) {
        case kCameraSelect:
        case kFolders:
            return QT_TRANSLATE_NOOP("Menu", "LiveStop でライブ映像を止めてから選べます。");
        case kTimeLimit:
            return QT_TRANSLATE_NOOP("Menu", "録画中は変更できません。");
        case kCameraProperties:
            return QT_TRANSLATE_NOOP("Menu", "カメラがありません（キャプチャー ▸ カメラ選択）。");
        case kStreamFormat:
            return roomQuery
                       ? QT_TRANSLATE_NOOP("Menu", "LiveStop でライブ映像を止めてから選べます。")
                       : QT_TRANSLATE_NOOP(
                             "Menu", "カメラの出力が見つかりません（キャプチャー ▸ カメラ選択）。");
        case kCountDownPanel:
            return QT_TRANSLATE_NOOP("Menu", "録画中だけ使えます。");
        case kToolBar:
            return QT_TRANSLATE_NOOP("Menu", "ツール バーはありません。");
        case kStatusBar:
            return QT_TRANSLATE_NOOP("Menu", "ステータス バーはありません。");
        case kEditUndo:
            return s.messagePaneActive ? QT_TRANSLATE_NOOP("Menu", "元に戻す操作がありません。")
                                       : notPane;
        case kEditCut:
        case kEditCopy:
            return s.messagePaneActive ? QT_TRANSLATE_NOOP("Menu", "テキストが選択されていません。")
                                       : notPane;
        case kEditPaste:
            return s.messagePaneActive
                       ? QT_TRANSLATE_NOOP("Menu",
                                           "クリップボードに貼り付けられる内容がありません。")
                       : notPane;
        default:
            return QT_TRANSLATE_NOOP("Menu", "今は使えません。");
    }
}

}  // namespace tesmira
