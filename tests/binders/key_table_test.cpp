#include <gtest/gtest.h>

#include <QKeyEvent>

#include "binders/stage_binder.h"
#include "stage/jog_table.h"

namespace tesmira {
namespace {

KeyAction Jog(int id) {
    return {KeyActionKind::kJogButton, id};
}
KeyAction ZBtn(int id) {
    return {KeyActionKind::kZButton, id};
}

TEST(JogKeyTable, EachDirectionHasThreeKeysWithShiftForCoarse) {
    struct Row {
        int nav, digit;
        int fine, coarse;
    };
    const Row rows[] = {{37, 4, 1003, 1008}, {39, 6, 1004, 1007}, {38, 8, 1001, 1005},
                        {40, 2, 1002, 1006}, {36, 7, 1018, 1015}, {33, 9, 1012, 1016},
                        {35, 1, 1013, 1017}, {34, 3, 1014, 1019}};
    for (const Row& r : rows) {
        for (int code : {r.nav, 48 + r.digit, 96 + r.digit}) {
            EXPECT_EQ(Jog(r.fine), MapJogKey(code, false, false)) << code;
            EXPECT_EQ(Jog(r.coarse), MapJogKey(code, true, false)) << code;
        }
    }
}

TEST(JogKeyTable, CtrlStepsZOnUpAndDownOnly) {
    for (int up : {38, 56, 104}) {
        EXPECT_EQ(ZBtn(1025), MapJogKey(up, false, true));
        EXPECT_EQ(ZBtn(1021), MapJogKey(up, true, true));  // Shift+Ctrl+Up: Z coarse up
    }
    for (int down : {40, 50, 98}) {
        EXPECT_EQ(ZBtn(1026), MapJogKey(down, false, true));
        EXPECT_EQ(ZBtn(1028), MapJogKey(down, true, true));
    }
    EXPECT_EQ(Jog(1003), MapJogKey(37, false, true));  // Ctrl+Left is a fine ←
    EXPECT_EQ(Jog(1019), MapJogKey(34, true, true));
}

TEST(JogKeyTable, LettersAndSpaceGoToTheirOwnersOthersPassThrough) {
    EXPECT_EQ(KeyActionKind::kRecording, MapJogKey(32, true, true).kind);
    EXPECT_EQ(KeyActionKind::kStillFrame, MapJogKey('B', false, false).kind);
    EXPECT_EQ(KeyActionKind::kHint303, MapJogKey('C', false, false).kind);
    EXPECT_EQ(KeyActionKind::kHint302, MapJogKey('G', false, false).kind);
    EXPECT_EQ(KeyActionKind::kZoomDown, MapJogKey('S', true, false).kind);
    EXPECT_EQ(KeyActionKind::kZoomUp, MapJogKey('Z', false, false).kind);
    for (int code : {0, 13, 27, 48, 53, 96, 101, 65, 88, 112}) {
        EXPECT_EQ(KeyActionKind::kNone, MapJogKey(code, false, false).kind) << code;
    }
}

TEST(JogKeyTable, QtKeysBecomeTableCodes) {
    auto code = [](int key, Qt::KeyboardModifiers mods) {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        return StageKeyCode(e);
    };
    EXPECT_EQ(37, code(Qt::Key_Left, Qt::NoModifier));
    EXPECT_EQ(37, code(Qt::Key_Left, Qt::KeypadModifier));  // keypad 4 without NumLock
    EXPECT_EQ(52, code(Qt::Key_4, Qt::NoModifier));
    EXPECT_EQ(100, code(Qt::Key_4, Qt::KeypadModifier));
    EXPECT_EQ(33, code(Qt::Key_PageUp, Qt::ShiftModifier));
    EXPECT_EQ('B', code(Qt::Key_B, Qt::NoModifier));
    EXPECT_EQ(32, code(Qt::Key_Space, Qt::NoModifier));
    EXPECT_EQ(0, code(Qt::Key_Return, Qt::NoModifier));
}

}  // namespace
}  // namespace tesmira
