// Opening the four slots: stop bits per slot and kind, failure messages, the Z channel.
#include <gtest/gtest.h>

#include "common/message_recorder.h"
#include "serial/serial_channel.h"
#include "serial_test_support.h"

namespace tesmira::test {
namespace {

struct StopBitsCase {
    int slot, xyKind, zKind, expected;
};

TEST(SerialSlots, StopBitsFollowSlotAndKind) {
    SerialStateGuard guard;
    const StopBitsCase cases[] = {
        {1, 0, 1, 1}, {1, 1, 0, 2}, {1, 2, 1, 1},  // XY: only the LEP MAC5000 takes two
        {2, 1, 0, 1}, {2, 0, 1, 2}, {2, 1, 2, 1},  // Z: likewise
        {3, 1, 1, 1}, {4, 1, 1, 1},                // shutter and meter: always one
    };
    MessageRecorder messages;
    for (const StopBitsCase& c : cases) {
        PtyPair pty;
        ASSERT_TRUE(pty.Ok());
        settings().xyAxisType = c.xyKind;
        settings().zAxisType = c.zKind;
        SlotPortName(c.slot) = pty.Path();
        ASSERT_TRUE(OpenSlot(c.slot)) << "slot " << c.slot;
        EXPECT_EQ(pty.StopBits(), c.expected)
            << "slot " << c.slot << " xy " << c.xyKind << " z " << c.zKind;
        const termios t = pty.Termios();
        EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
        CloseSlot(c.slot);
        EXPECT_FALSE(SerialSlot(c.slot).IsOpen());
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST(SerialSlots, MissingPortShowsTheSlotsMessageAndClearsItsName) {
    SerialStateGuard guard;
    MessageRecorder messages;
    settings().port2 = "/dev/tesmira-no-such-port";
    settings().port4 = "/dev/tesmira-no-such-meter";
    EXPECT_FALSE(OpenSlot(2));
    EXPECT_FALSE(OpenSlot(4));
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].text,
              "ステージコントローラ用シリアルポート初期化失敗！\n"
              "         COM Port: /dev/tesmira-no-such-port\n"
              "メインメニューから再設定することが出来ます。\n");
    EXPECT_EQ(messages.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.messages[1].text,
              "温度・湿度計シリアルポート初期化失敗！\n"
              "         COM Port: /dev/tesmira-no-such-meter\n"
              "USB ケーブルの接続を確認してください。\n"
              "メニューの [ポート(P)] → [設定] から再設定することが出来ます。\n");
    EXPECT_TRUE(settings().port2.empty());
    EXPECT_TRUE(settings().port4.empty());
    // Now unassigned: a second attempt is silent.
    EXPECT_FALSE(OpenSlot(2));
    EXPECT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(SlotFailureMessage(3, "/dev/ttyUSB3"),
              "シャッター用シリアルポート初期化失敗！\n"
              "         COM Port: /dev/ttyUSB3\n"
              "メインメニューから再設定することが出来ます。\n");
}

TEST(SerialSlots, PortInUseByAnotherProgramFailsLikeAMissingOne) {
    SerialStateGuard guard;
    MessageRecorder messages;
    PtyPair pty;
    SerialChannel other;
    ASSERT_EQ(other.Open(pty.Path(), LineSettings{}), open_result::kOk);
    settings().port3 = pty.Path();
    EXPECT_FALSE(OpenSlot(3));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("シャッター用"), std::string::npos);
    EXPECT_TRUE(settings().port3.empty());
}

TEST(SerialSlots, StartUpOpensSlotsOneToThreeAndChoosesTheZChannel) {
    SerialStateGuard guard;
    MessageRecorder messages;
    PtyPair p1, p2, p3, p4;
    settings().port1 = p1.Path();
    settings().port2 = p2.Path();
    settings().port3 = p3.Path();
    settings().port4 = p4.Path();
    settings().zAxisType = 1;
    settings().useOnePort = true;
    InitSerialSlots();
    EXPECT_TRUE(SerialSlot(1).IsOpen());
    EXPECT_TRUE(SerialSlot(2).IsOpen());
    EXPECT_TRUE(SerialSlot(3).IsOpen());
    EXPECT_FALSE(SerialSlot(4).IsOpen());  // the meter's ON button opens it
    EXPECT_EQ(&ZChannel(), &SerialSlot(1));

    settings().useOnePort = false;
    ChooseZChannel();
    EXPECT_EQ(&ZChannel(), &SerialSlot(2));
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace tesmira::test
