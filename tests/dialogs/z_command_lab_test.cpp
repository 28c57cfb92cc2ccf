// Z stepping with the TE2000E position exchange and the command-send dialog, over real
// pseudo-terminals to the simulated lab.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/dlg_command_send.h"
#include "serial/port_assignment.h"
#include "stagelab/labsim_fixture.h"

namespace tesmira::test {
namespace {

constexpr int kZFineUp = 1025;
constexpr int kZCoarseDown = 1028;

using ZLab = StageLabFixture;

// The panel's reception tick for the Z drive: whatever has arrived is gathered until a chunk ends
// with a line end, and that reply goes to the stage control. Returns the reply handed over.
std::string ReceiveZReply(SerialSlots& slots, StageControl& control) {
    ISerialChannel& z = slots.ZChannel();
    std::string handed;
    WaitFor([&] {
        if (const int n = z.BytesWaiting(); n > 0) {
            z.receiveAccumulator += z.Read(std::min(n, 4095));
            const char last = z.receiveAccumulator.back();
            if (last == '\r' || last == '\n') {
                handed = z.receiveAccumulator;
                z.receiveAccumulator.clear();
                control.OnZReply(handed);
            }
        }
        return !handed.empty();
    });
    return handed;
}

// The log time of the first chunk of `device`/`dir` that contains `escaped`, or -1.
long long FirstSeenMs(const LabsimProcess& lab, const std::string& device, const std::string& dir,
                      const std::string& escaped) {
    for (const TrafficLine& l : ReadTraffic(lab.LogPath())) {
        if (l.device == device && l.dir == dir && l.bytes.find(escaped) != std::string::npos)
            return LogTimeMs(l.time);
    }
    return -1;
}

TEST_F(ZLab, Te2000eStepAsksThePositionAndMovesThirtyMillisecondsAfterTheReply) {
    settings.moveZ = 100;
    settings.pageZ = 500;
    StartLab("sigma", "te2000e", 2, 0, {"--z-position", "5000"});
    EXPECT_DOUBLE_EQ(control.Steps().zFine, 5.0);  // 100 pulses of 0.05 um

    control.PressZButton(kZFineUp);
    ASSERT_TRUE(lab.WaitForTraffic("z", "<", "rSPR\\r")) << lab.Traffic("z", "<");
    EXPECT_EQ(control.PendingFineZ(), 1);
    EXPECT_DOUBLE_EQ(state.stageZ, 0.0);  // the step counts once the move is known

    EXPECT_EQ(ReceiveZReply(slots, control), "aSPR 5000\r");
    EXPECT_EQ(control.LastZPosition(), 5000);
    EXPECT_EQ(control.PendingFineZ(), 0);
    EXPECT_DOUBLE_EQ(state.stageZ, 5.0);
    // The move waits for tick 1006 rather than following the reply at once.
    EXPECT_TRUE(timers.IsRunning(TimerId::kDelayedZ));
    EXPECT_EQ(timers.PeriodOf(TimerId::kDelayedZ), 30);
    EXPECT_EQ(control.Texts()[StageText::kPendingZCommand], "fSMV5100\r");

    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    timers.Dispatch(TimerId::kDelayedZ);
    ASSERT_TRUE(lab.WaitForTraffic("z", "<", "fSMV5100\\r")) << lab.Traffic("z", "<");
    EXPECT_FALSE(timers.IsRunning(TimerId::kDelayedZ));
    const long long replied = FirstSeenMs(lab, "z", ">", "aSPR 5000\\r");
    const long long moved = FirstSeenMs(lab, "z", "<", "fSMV5100\\r");
    ASSERT_GE(replied, 0);
    EXPECT_GE(moved - replied, 25) << "the move followed the reply too soon";

    // A second tick writes nothing more.
    timers.Dispatch(TimerId::kDelayedZ);

    // The next step starts from the drive's new position, not from a remembered one.
    control.PressZButton(kZCoarseDown);
    ASSERT_TRUE(lab.WaitForTraffic("z", "<", "fSMV5100\\rrSPR\\r")) << lab.Traffic("z", "<");
    EXPECT_EQ(ReceiveZReply(slots, control), "aSPR 5100\r");
    timers.Dispatch(TimerId::kDelayedZ);
    ASSERT_TRUE(lab.WaitForTraffic("z", "<", "fSMV4600\\r")) << lab.Traffic("z", "<");
    EXPECT_DOUBLE_EQ(state.stageZ, 5.0 - 25.0);
    EXPECT_EQ(lab.Traffic("z", "<"), "rSPR\\rfSMV5100\\rrSPR\\rfSMV4600\\r");
}

// Ctrl+Up five times, 150 ms apart, against the simulated drive: the panel reads the port every
// 500 ms and writes a move 30 ms after its reply, as it does in the program.
TEST_F(ZLab, Te2000eQuickPressesAllArrive) {
    settings.moveZ = 10;
    StartLab("sigma", "te2000e", 2, 0, {"--z-position", "5000"});
    ISerialChannel& z = slots.ZChannel();
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    auto since = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    };
    int presses = 0;
    long long nextReception = 500, moveDue = -1;
    while (since() < 2600) {
        const long long now = since();
        if (presses < 5 && now >= presses * 150) {
            control.PressZButton(kZFineUp);
            ++presses;
        }
        if (now >= nextReception) {
            nextReception += 500;
            if (const int n = z.BytesWaiting(); n > 0) {
                z.receiveAccumulator += z.Read(std::min(n, 4095));
                const char last = z.receiveAccumulator.back();
                if (last == '\r' || last == '\n') {
                    control.OnZReply(z.receiveAccumulator);
                    z.receiveAccumulator.clear();
                    moveDue = now + 30;
                }
            }
        }
        if (moveDue >= 0 && now >= moveDue && timers.IsRunning(TimerId::kDelayedZ)) {
            timers.Dispatch(TimerId::kDelayedZ);
            moveDue = -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // The drive's own answer tells where it is now.
    z.Write("rSPR\r");
    EXPECT_EQ(ReceiveZReply(slots, control), "aSPR 5050\r") << lab.Traffic("z", "<");
}

TEST_F(ZLab, Te2000eStepsAreNotHeldBackByABusyXyController) {
    settings.moveZ = 100;
    StartLab("sigma", "te2000e", 2, 0, {"--z-position", "-40"});
    state.stageReady = 0;
    control.ZFineUp();
    ASSERT_TRUE(lab.WaitForTraffic("z", "<", "rSPR\\r"));
    EXPECT_EQ(ReceiveZReply(slots, control), "aSPR -40\r");
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_TRUE(lab.WaitForTraffic("z", "<", "fSMV60\\r")) << lab.Traffic("z", "<");
}

TEST_F(ZLab, TimelapsePollFollowsTheDrivesPositionFromTheStart) {
    StartLab("sigma", "te2000e", 2, 0, {"--z-position", "1000"});
    control.StartTimelapseZPoll();
    EXPECT_EQ(timers.PeriodOf(TimerId::kZPositionPoll), 2000);
    timers.Dispatch(TimerId::kZPositionPoll);
    EXPECT_EQ(ReceiveZReply(slots, control), "aSPR 1000\r");
    EXPECT_DOUBLE_EQ(state.stageZ, 0.0);

    // The drive is moved by someone else; the next poll shows it relative to the start.
    slots.ZChannel().Write("fSMV1200\r");
    timers.Dispatch(TimerId::kZPositionPoll);
    EXPECT_EQ(ReceiveZReply(slots, control), "aSPR 1200\r");
    EXPECT_DOUBLE_EQ(state.stageZ, 200 * 0.05);
    control.StopTimelapseZPoll();
    EXPECT_FALSE(timers.IsRunning(TimerId::kZPositionPoll));
}

// The command-send dialog, driven through its controls.
class CommandSendLab : public StageLabFixture {
protected:
    void Send(int line, const QString& text) {
        const char* edit = line == 1 ? "line1Edit" : "line2Edit";
        const char* button = line == 1 ? "sendLine1Button" : "sendLine2Button";
        auto* e = dlg.findChild<QLineEdit*>(QString::fromLatin1(edit));
        auto* b = dlg.findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_TRUE(e && b);
        ASSERT_TRUE(b->isEnabled()) << "send button " << line << " disabled";
        e->setText(text);
        b->click();
    }
    CDlgCommandSend dlg{slots, settings};
};

TEST_F(CommandSendLab, SemicolonsSplitTheLineIntoCommandsWithTheKindsLineEnd) {
    StartLab("mac5000", "mac5000", 1, 1);
    dlg.ShowAndRefresh();
    // The dialog and the port assignment name the open ports alike.
    auto* label1 = dlg.findChild<QLabel*>(QStringLiteral("port1Label"));
    auto* label2 = dlg.findChild<QLabel*>(QStringLiteral("port2Label"));
    ASSERT_TRUE(label1 && label2);
    EXPECT_EQ(label1->text().toStdString(), lab.Link("xy") + "\tLEP MAC5000");
    EXPECT_EQ(label1->text().toStdString(), CommandSendPortLabel(slots, settings, 1));
    EXPECT_EQ(label2->text().toStdString(), CommandSendPortLabel(slots, settings, 2));
    Send(1, "M:W+P500-P200;G");
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "M:W+P500-P200\\rG\\r")) << lab.Traffic("xy", "<");

    Send(1, ";;");
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "G\\r\\r\\r")) << lab.Traffic("xy", "<");
    // Line 2 goes to the Z port with the Z kind's line end.
    Send(2, "MOVREL b=5;");
    EXPECT_TRUE(lab.WaitForTraffic("z", "<", "MOVREL b=5\\r")) << lab.Traffic("z", "<");
    // An empty line writes nothing; nothing else ever reached either port.
    Send(1, "");
    Send(2, "");
    EXPECT_EQ(lab.Traffic("xy", "<"), "M:W+P500-P200\\rG\\r\\r\\r");
    EXPECT_EQ(lab.Traffic("z", "<"), "MOVREL b=5\\r");
    dlg.hide();
}

TEST_F(CommandSendLab, LongRawLinesArriveWhole) {
    StartLab("sigma", "chuo", 2, 2);
    dlg.ShowAndRefresh();
    std::string line;
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        const std::string piece = "M:W+P" + std::to_string(1000 + i) + "-P" + std::to_string(i);
        line += piece + ";";
        expected += piece + "\\r\\n";
    }
    Send(1, QString::fromStdString(line));
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", expected)) << lab.Traffic("xy", "<");
    EXPECT_EQ(lab.Traffic("xy", "<"), expected);
    dlg.hide();
}

}  // namespace
}  // namespace tesmira::test
