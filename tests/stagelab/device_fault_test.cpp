// Hostile serial devices on real pseudo-terminals: a Z drive whose replies arrive garbled, and
// adapters that are pulled out and plugged in again. Closing the device side of a
// pseudo-terminal gives EIO and a hang-up on the port, as an unplugged USB adapter does; the
// port's stable name is a link, as the kernel's /dev/ttyUSB0 comes back under the same name.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/fake_timer_backend.h"
#include "common/message_recorder.h"
#include "common/pty_pair.h"
#include "core/clock.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "labsim_fixture.h"
#include "serial/port_assignment.h"
#include "serial/port_list.h"
#include "serial/port_watch.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_run_loop.h"
#include "stage/stage_state.h"

namespace tesmira::test {
namespace {

class DeviceFaults : public ::testing::Test {
protected:
    void SetUp() override {
        backend.Attach(&timers);
        timers.SetBackend(&backend);
        control.AttachTimers(timers);
        loop.Install();
        loop.SetZReplyHandler([this](const std::string& r) { control.OnZReply(r); });
        watch.Start();
    }
    // Slot n's port is a link in the test's folder to a new pseudo-terminal.
    PtyPair& Plug(int n) {
        ptys[n - 1] = std::make_unique<PtyPair>();
        const std::string link = Link(n);
        std::error_code ec;
        std::filesystem::remove(link, ec);
        std::filesystem::create_symlink(ptys[n - 1]->Path(), link);
        return *ptys[n - 1];
    }
    std::string Link(int n) const { return folder.Path() + "/port" + std::to_string(n); }
    // What the device side received within `ms` (pseudo-terminals pass bytes on asynchronously).
    static std::string Received(PtyPair& pty, int ms = 200) {
        std::string got;
        WaitFor([&] { return !(got += pty.Drain()).empty(); }, ms);
        return got;
    }

    TempDir folder;
    std::unique_ptr<PtyPair> ptys[4];
    Settings settings;
    MessageRecorder notifier;
    SerialSlots slots{settings, notifier};
    StageState state;
    FakeClock clock;
    FakeTimerBackend backend{clock};
    TimerMultiplexer timers;
    StageControl control{settings, slots, state, notifier};
    StageRunLoop loop{timers, slots, state, settings, clock};
    std::vector<std::string> pane;  // the message pane's lines
    PortWatch watch{slots, timers, [this](const std::string& line) { pane.push_back(line); }};
};

TEST_F(DeviceFaults, AGarbledZReplyNeverMovesTheDrive) {
    settings.zAxisType = 0;  // TE2000E at 5000, MoveZ 100
    settings.port2 = Link(2);
    PtyPair& drive = Plug(2);
    ASSERT_TRUE(drive.Ok());
    ASSERT_TRUE(slots.Open(2));
    slots.ChooseZChannel();
    loop.StartReception();
    control.LoadStepsFromSettings();
    control.BuildAtStartup();

    const std::string garbled[] = {"aSPR 12x!\xff\r",
                                   std::string("aSPR 50\0"
                                               "00\r",
                                               11),
                                   "aSPR 12 \r", "aSPR-12\r", "aSPR 5000aSPR 5000\r"};
    control.PressZButton(1025);
    ASSERT_EQ(Received(drive), "rSPR\r");
    for (const std::string& reply : garbled) {
        drive.Send(reply);
        ASSERT_TRUE(WaitFor([&] { return slots.Slot(2).BytesWaiting() > 0; }));
        backend.Advance(kSerialReceivePeriodMs + 100);
        EXPECT_EQ(Received(drive, 50), "") << "moved on garbled reply " << &reply - garbled;
        EXPECT_EQ(control.PendingFineZ(), 1);
        EXPECT_DOUBLE_EQ(state.stageZ, 0.0);
    }
    // The drive's own answer in its proper form serves the step.
    drive.Send("aSPR 5000\r");
    ASSERT_TRUE(WaitFor([&] { return slots.Slot(2).BytesWaiting() > 0; }));
    backend.Advance(kSerialReceivePeriodMs + 100);
    EXPECT_EQ(Received(drive), "fSMV5100\r");
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(DeviceFaults, APulledAdapterIsClosedSaidOnceAndOpenedAgainWhenItReturns) {
    settings.xyAxisType = 2;  // Sigma Koki
    settings.port1 = Link(1);
    settings.port2.clear();
    settings.port3 = Link(3);
    Plug(1);
    Plug(3);
    slots.OpenAtStartup();
    control.LoadStepsFromSettings();
    control.BuildAtStartup();
    ASSERT_TRUE(slots.Slot(1).IsOpen() && slots.Slot(3).IsOpen());

    ptys[0]->Vanish();
    ptys[2]->Vanish();
    // Their nodes are gone; so go the links, or a new terminal given the same number (by any
    // program on the machine) would bring one back.
    std::filesystem::remove(Link(1));
    std::filesystem::remove(Link(3));
    control.PressJogButton(1003);  // the stage finds out on writing, the idle shutter on the tick
    EXPECT_FALSE(slots.Slot(1).IsOpen());
    backend.Advance(kPortWatchPeriodMs);
    EXPECT_EQ(pane, (std::vector<std::string>{
                        "ステージコントローラ " + Link(1) + " との接続が切れました。\n",
                        "シャッター " + Link(3) + " との接続が切れました。\n"}));
    EXPECT_FALSE(slots.Slot(3).IsOpen());
    EXPECT_EQ(settings.port1, Link(1)) << "the assignment stays for the device's return";
    backend.Advance(5 * kPortWatchPeriodMs);
    control.PressJogButton(1003);
    EXPECT_EQ(pane.size(), 2u) << "said once";

    // The port dialog shows the slot as closed; the procedure leaves it alone.
    PortList ports;
    CTesmiraDoc doc;
    bool shownClosed = false;
    RunPortAssignmentWith({settings, slots, ports, doc, {}}, [&](PortAssignmentModel& m) {
        shownClosed = m.SlotLost(1) && m.SlotLost(3) && !m.SlotLost(2);
        return false;
    });
    EXPECT_TRUE(shownClosed);

    PtyPair& back = Plug(1);
    backend.Advance(kPortWatchPeriodMs);
    ASSERT_EQ(pane.size(), 3u);
    EXPECT_EQ(pane[2], "ステージコントローラ " + Link(1) + " に再接続しました。\n");
    ASSERT_TRUE(slots.Slot(1).IsOpen());
    control.PressJogButton(1003);
    EXPECT_EQ(Received(back), "M:1+P100\r\nG\r\n");
    EXPECT_FALSE(slots.Slot(3).IsOpen()) << "the shutter has not come back";
    EXPECT_TRUE(notifier.messages.empty()) << "no message box for any of it";
}

}  // namespace
}  // namespace tesmira::test
