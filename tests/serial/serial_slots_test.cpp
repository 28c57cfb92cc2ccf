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
    SerialWorld world;
    const StopBitsCase cases[] = {
        {1, 0, 1, 1}, {1, 1, 0, 2}, {1, 2, 1, 1},  // XY: only the LEP MAC5000 takes two
        {2, 1, 0, 1}, {2, 0, 1, 2}, {2, 1, 2, 1},  // Z: likewise
        {3, 1, 1, 1}, {4, 1, 1, 1},                // shutter and meter: always one
    };
    for (const StopBitsCase& c : cases) {
        PtyPair pty;
        ASSERT_TRUE(pty.Ok());
        world.settings.xyAxisType = c.xyKind;
        world.settings.zAxisType = c.zKind;
        world.slots.PortName(c.slot) = pty.Path();
        ASSERT_TRUE(world.slots.Open(c.slot)) << "slot " << c.slot;
        EXPECT_EQ(pty.StopBits(), c.expected)
            << "slot " << c.slot << " xy " << c.xyKind << " z " << c.zKind;
        const termios t = pty.Termios();
        EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
        world.slots.Close(c.slot);
        EXPECT_FALSE(world.slots.Slot(c.slot).IsOpen());
    }
    EXPECT_TRUE(world.notifier.messages.empty());
}

TEST(SerialSlots, MissingPortShowsTheSlotsMessageAndClearsItsName) {
    SerialWorld world;
    world.settings.port2 = "/dev/tesmira-no-such-port";
    world.settings.port4 = "/dev/tesmira-no-such-meter";
    EXPECT_FALSE(world.slots.Open(2));
    EXPECT_FALSE(world.slots.Open(4));
    ASSERT_EQ(world.notifier.messages.size(), 2u);
    EXPECT_EQ(world.notifier.messages[0].text,
              "ステージコントローラ用シリアルポート初期化失敗！\n"
              "         COM Port: /dev/tesmira-no-such-port\n"
              "メインメニューから再設定することが出来ます。\n");
    EXPECT_EQ(world.notifier.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(world.notifier.messages[1].text,
              "温度・湿度計シリアルポート初期化失敗！\n"
              "         COM Port: /dev/tesmira-no-such-meter\n"
              "USB ケーブルの接続を確認してください。\n"
              "メニューの [ポート(P)] → [設定] から再設定することが出来ます。\n");
    EXPECT_TRUE(world.settings.port2.empty());
    EXPECT_TRUE(world.settings.port4.empty());
    // Now unassigned: a second attempt is silent.
    EXPECT_FALSE(world.slots.Open(2));
    EXPECT_EQ(world.notifier.messages.size(), 2u);
    EXPECT_EQ(SlotFailureMessage(3, "/dev/ttyUSB3"),
              "シャッター用シリアルポート初期化失敗！\n"
              "         COM Port: /dev/ttyUSB3\n"
              "メインメニューから再設定することが出来ます。\n");
}

TEST(SerialSlots, PortInUseByAnotherProgramFailsLikeAMissingOne) {
    SerialWorld world;
    PtyPair pty;
    SerialChannel other;
    ASSERT_EQ(other.Open(pty.Path(), LineSettings{}), open_result::kOk);
    world.settings.port3 = pty.Path();
    EXPECT_FALSE(world.slots.Open(3));
    ASSERT_EQ(world.notifier.messages.size(), 1u);
    EXPECT_NE(world.notifier.messages[0].text.find("シャッター用"), std::string::npos);
    EXPECT_TRUE(world.settings.port3.empty());
}

TEST(SerialSlots, StartUpOpensSlotsOneToThreeAndChoosesTheZChannel) {
    SerialWorld world;
    PtyPair p1, p2, p3, p4;
    world.settings.port1 = p1.Path();
    world.settings.port2 = p2.Path();
    world.settings.port3 = p3.Path();
    world.settings.port4 = p4.Path();
    world.settings.zAxisType = 1;
    world.settings.useOnePort = true;
    world.slots.OpenAtStartup();
    EXPECT_TRUE(world.slots.Slot(1).IsOpen());
    EXPECT_TRUE(world.slots.Slot(2).IsOpen());
    EXPECT_TRUE(world.slots.Slot(3).IsOpen());
    EXPECT_FALSE(world.slots.Slot(4).IsOpen());  // the meter's ON button opens it
    EXPECT_EQ(&world.slots.ZChannel(), &world.slots.Slot(1));

    world.settings.useOnePort = false;
    world.slots.ChooseZChannel();
    EXPECT_EQ(&world.slots.ZChannel(), &world.slots.Slot(2));
    EXPECT_TRUE(world.notifier.messages.empty());
}

// Start-up on a fresh profile: a default port this machine lacks is passed over with one
// message-pane line; a port the profile names (the user chose it) still gets its message box.
TEST(SerialSlots, StartupPassesOverAbsentDefaultPortsOfAFreshProfile) {
    struct Case {
        const char* what;
        std::array<bool, 4> fromDefault;
        size_t boxes;
        const char* line;  // nullptr: no line
    };
    const Case cases[] = {
        {"fresh profile",
         {true, true, true, true},
         0,
         "/dev/tesmira-no-1, /dev/tesmira-no-2, /dev/tesmira-no-3, /dev/tesmira-no-4"},
        {"stored ports", {false, false, false, false}, 3, nullptr},
        {"only slot 2 stored",
         {true, false, true, false},
         1,
         "/dev/tesmira-no-1, /dev/tesmira-no-3"},
    };
    for (const Case& c : cases) {
        SerialWorld world;
        world.settings.port1 = "/dev/tesmira-no-1";
        world.settings.port2 = "/dev/tesmira-no-2";
        world.settings.port3 = "/dev/tesmira-no-3";
        world.settings.port4 = "/dev/tesmira-no-4";
        world.settings.portFromDefault = c.fromDefault;
        std::vector<std::string> lines;
        world.slots.SetPaneLine([&](const std::string& line) { lines.push_back(line); });
        world.slots.OpenAtStartup();
        EXPECT_EQ(world.notifier.messages.size(), c.boxes) << c.what;
        if (c.line) {
            ASSERT_EQ(lines.size(), 1u) << c.what;
            EXPECT_EQ(lines[0], SerialSlots::AbsentDefaultPortsLine(c.line)) << c.what;
            EXPECT_NE(lines[0].find("[ポート(P)] → [設定]"), std::string::npos);
        } else {
            EXPECT_TRUE(lines.empty()) << c.what;
        }
        for (int n = 1; n <= 3; ++n)
            EXPECT_TRUE(world.slots.PortName(n).empty()) << c.what << " slot " << n;
        EXPECT_EQ(world.slots.PortName(4).empty(), c.fromDefault[3]) << c.what;
    }
    // A default port that is there is simply used.
    SerialWorld world;
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    world.settings.port1 = pty.Path();
    world.settings.port2 = world.settings.port3 = "";
    world.settings.portFromDefault = {true, true, true, false};
    std::vector<std::string> lines;
    world.slots.SetPaneLine([&](const std::string& line) { lines.push_back(line); });
    world.slots.OpenAtStartup();
    EXPECT_TRUE(world.slots.Slot(1).IsOpen());
    EXPECT_EQ(world.slots.PortName(1), pty.Path());
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(world.notifier.messages.empty());
}

}  // namespace
}  // namespace tesmira::test
