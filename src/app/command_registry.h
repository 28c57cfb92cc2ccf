// Menu commands handled by other rooms attach here: the frame owns the menu and its actions, a
// room only says what a command does and, where its enabling depends on that room's state, when
// it may run. A command without a handler is present in the menu but does nothing.
#pragma once

#include <functional>
#include <map>

namespace tesmira {

namespace command_id {
constexpr int kPortAssign = 32771;        // "設定" (port-assignment dialog)
constexpr int kCommandSend = 32772;       // "送信" (command-send dialog)
constexpr int kCameraSelect = 32773;      // "カメラ選択"
constexpr int kCameraProperties = 32774;  // "　画質"
constexpr int kFolders = 32775;           // folders and compressor dialog
constexpr int kTimeLimit = 32776;         // "録画時間限界"
constexpr int kStreamFormat = 32777;      // "　ストリーム形式（LiveStop 時可能）"
constexpr int kWebUpdate = 32778;
constexpr int kCountDownPanel = 32779;  // "カウントダウンパネル"
constexpr int kWebCodecs = 32780;
constexpr int kAviRateRewrite = 32781;  // "コマ速度書き換え"
constexpr int kToolBar = 59392;
constexpr int kStatusBar = 59393;
constexpr int kEditUndo = 57643;
constexpr int kEditCut = 57635;
constexpr int kEditCopy = 57634;
constexpr int kEditPaste = 57637;
constexpr int kAbout = 57664;
constexpr int kAppExit = 57665;
}  // namespace command_id

using CommandHandler = std::function<void()>;
using CommandEnabledQuery = std::function<bool()>;

// The handlers and enabling queries of the rooms' commands. The workstation owns one; the frame
// asks it and the rooms' wiring fills it.
class CommandRegistry {
public:
    // Replaces the command's handler (an empty function detaches it).
    void SetCommandHandler(int id, CommandHandler handler);
    // The room's own part of the command's enabling rule, ANDed with the run-state part the frame
    // knows (32774: "a capture graph exists and holds a camera"; 32777: "a capture graph exists
    // and has found the camera's output pin"). Without a query such a command stays disabled.
    void SetCommandEnabledQuery(int id, CommandEnabledQuery query);

    bool HasCommandHandler(int id) const;
    // Runs the handler; false when none is attached.
    bool RunCommand(int id);
    // The attached query's answer; `fallback` when none is attached.
    bool QueryCommandEnabled(int id, bool fallback) const;

private:
    std::map<int, CommandHandler> handlers_;
    std::map<int, CommandEnabledQuery> queries_;
};

}  // namespace tesmira
