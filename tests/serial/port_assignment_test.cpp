// The assignment procedure: what is reopened after OK, hints before reopening, labels, the Z
// channel, and a port that vanished before the dialog.
#include <gtest/gtest.h>

#include "common/fake_serial_channel.h"
#include "common/hint_recorder.h"
#include "core/tesmira_doc.h"
#include "serial/port_assignment.h"
#include "serial_test_support.h"

namespace tesmira::test {
namespace {

class AssignmentTest : public ::testing::Test {
protected:
    AssignmentTest() {
        for (int n = 0; n < 4; ++n) {
            channels.emplace_back(std::make_unique<FakeSerialChannel>(n + 1, &events));
            world.slots.Install(n + 1, channels.back().get());
        }
        // Every name used below is listed, so the dialog's refresh keeps them.
        config.sysClassTty.clear();
        config.serialPath = links.Path();
        for (const char* name : {"p1", "p2", "p3", "p4", "p5"})
            std::filesystem::create_symlink("/dev/null", links.Path() + "/" + name);
        world.ports.SetConfig(config);
        Settings& s = world.settings;
        s.port1 = Port("p1");
        s.port2 = Port("p2");
        s.port3 = Port("p3");
        s.port4 = "";
        s.xyAxisType = kind::kXyLepMac5000;
        s.zAxisType = kind::kZLepMac5000;
        s.trhType = kind::kMeterUsbrh2;
        s.useOnePort = false;
        world.slots.OpenAtStartup();
        hints.onHint = [this](UpdateHint hint, const HintPayload&) {
            events.push_back("hint" + std::to_string(static_cast<int>(hint)));
        };
        events.clear();
    }

    PortAssignmentDeps Deps() {
        return {world.settings, world.slots, world.ports, world.doc, [this] { ++labelRefreshes; }};
    }
    std::string Port(const char* name) const { return links.Path() + "/" + name; }
    // Runs the procedure; `edit` changes the dialog's values and says OK (true) or Cancel.
    void Run(const std::function<bool(PortAssignmentModel&)>& edit) {
        RunPortAssignmentWith(Deps(), [&](PortAssignmentModel& m) {
            events.clear();  // what happened before the dialog is checked separately
            return edit(m);
        });
    }

    SerialWorld world;
    TempDir links;
    PortScanConfig config;
    std::vector<std::string> events;
    std::vector<std::unique_ptr<FakeSerialChannel>> channels;
    HintRecorder hints{world.doc};
    int labelRefreshes = 0;
};

TEST_F(AssignmentTest, BeforeTheDialogEveryOpenSlotIsReopened) {
    RunPortAssignmentWith(Deps(), [&](PortAssignmentModel& m) {
        EXPECT_EQ(m.values.names[0], Port("p1"));
        EXPECT_EQ(m.Available(), (std::vector<std::string>{Port("p4"), Port("p5")}));
        return false;
    });
    EXPECT_EQ(events, (std::vector<std::string>{"close1", "open1 " + Port("p1") + " stop2",
                                                "close2", "open2 " + Port("p2") + " stop2",
                                                "close3", "open3 " + Port("p3") + " stop1"}));
    EXPECT_EQ(labelRefreshes, 0);  // Cancel: nothing more happens
}

TEST_F(AssignmentTest, XyKindChangeRebuildsCommandsBeforeReopeningWithTheNewStopBits) {
    Run([](PortAssignmentModel& m) {
        m.values.xyKind = kind::kXySigmaKoki;
        return true;
    });
    EXPECT_EQ(events,
              (std::vector<std::string>{"hint202", "close1", "open1 " + Port("p1") + " stop1"}));
    EXPECT_EQ(world.settings.xyAxisType, kind::kXySigmaKoki);
    EXPECT_EQ(labelRefreshes, 1);
    EXPECT_EQ(CommandSendPortLabel(world.slots, world.settings, 1), Port("p1") + "\tシグマ光機");
    EXPECT_EQ(CommandSendPortLabel(world.slots, world.settings, 2), Port("p2") + "\tLEP MAC5000");
}

TEST_F(AssignmentTest, OnlyChangedSlotsAreReopenedInSlotOrder) {
    Run([&](PortAssignmentModel& m) {
        m.values.zKind = kind::kZChuoSeiki;
        m.values.names[2] = Port("p5");
        m.values.names[3] = Port("p4");
        return true;
    });
    EXPECT_EQ(events, (std::vector<std::string>{
                          "hint203", "close2", "close3", "open2 " + Port("p2") + " stop1",
                          "open3 " + Port("p5") + " stop1", "open4 " + Port("p4") + " stop1"}));
    EXPECT_EQ(world.settings.port3, Port("p5"));
    EXPECT_EQ(world.settings.port4, Port("p4"));
    EXPECT_EQ(CommandSendPortLabel(world.slots, world.settings, 2), Port("p2") + "\t中央精機");
}

TEST_F(AssignmentTest, ReleasedSlotStaysClosedAndItsLabelEmpties) {
    Run([](PortAssignmentModel& m) {
        m.Release(2);
        return true;
    });
    EXPECT_EQ(events, (std::vector<std::string>{"close2"}));
    EXPECT_TRUE(world.settings.port2.empty());
    EXPECT_FALSE(world.slots.Slot(2).IsOpen());
    EXPECT_EQ(CommandSendPortLabel(world.slots, world.settings, 2), "");
}

TEST_F(AssignmentTest, UseOnePortRoutesZToSlotOne) {
    Run([](PortAssignmentModel& m) {
        m.values.useOnePort = true;
        m.ApplyEnablingRule();
        return true;
    });
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(world.settings.useOnePort);
    EXPECT_EQ(&world.slots.ZChannel(), &world.slots.Slot(1));

    Run([](PortAssignmentModel& m) {
        m.values.zKind = kind::kZTe2000e;  // clears the one-port choice
        m.ApplyEnablingRule();
        return true;
    });
    EXPECT_FALSE(world.settings.useOnePort);
    EXPECT_EQ(&world.slots.ZChannel(), &world.slots.Slot(2));
}

TEST_F(AssignmentTest, CancelAfterThePortVanishedKeepsTheSlotCleared) {
    world.slots.Install(1, nullptr);  // the real channel on a real pseudo-terminal
    PtyPair pty;
    const std::string link = links.Path() + "/adapter";
    std::filesystem::create_symlink(pty.Path(), link);
    world.settings.port1 = link;
    ASSERT_TRUE(world.slots.Open(1));
    pty.Vanish();  // unplugged while open

    Run([](PortAssignmentModel& m) {
        EXPECT_TRUE(m.values.names[0].empty());
        return false;
    });
    ASSERT_EQ(world.notifier.messages.size(), 1u);
    EXPECT_NE(world.notifier.messages[0].text.find("COM Port: " + link), std::string::npos);
    EXPECT_TRUE(world.settings.port1.empty());
    EXPECT_FALSE(world.slots.Slot(1).IsOpen());
}

}  // namespace
}  // namespace tesmira::test
