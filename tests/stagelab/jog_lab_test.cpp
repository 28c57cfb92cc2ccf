// XY jogging over real pseudo-terminals: the exact bytes each controller kind receives, the
// bookkept position, and a busy controller holding the jog presses back during a recording.
#include <gtest/gtest.h>

#include "labsim_fixture.h"

namespace tesmira::test {
namespace {

constexpr int kFineLeft = 1003;         // ←
constexpr int kFineDownRight = 1014;    // ┘
constexpr int kCoarseDownRight = 1019;  // ┛
constexpr int kZFineUp = 1025;

using JogLab = StageLabFixture;

TEST_F(JogLab, Mac5000FineStepOfAFractionalSizeWritesTruncatedPulses) {
    StartLab("mac5000", "mac5000", 1, 1);
    control.Steps().xyFine = 12.34;
    control.BuildXyFine();  // leaving edit 1009
    EXPECT_EQ(settings.move, 123);

    control.PressJogButton(kFineLeft);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "MOVREL x=-123\\r")) << lab.Traffic("xy", "<");
    EXPECT_DOUBLE_EQ(state.stageX, 12.34);
    EXPECT_DOUBLE_EQ(state.stageY, 0.0);

    control.PressJogButton(kFineDownRight);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "MOVREL x=-123\\rVMOVE x=123 y=-123\\r"))
        << lab.Traffic("xy", "<");
    EXPECT_DOUBLE_EQ(state.stageX, 0.0);
    EXPECT_DOUBLE_EQ(state.stageY, 12.34);
    // Nothing but the two moves reached the controller, and it had nothing to say.
    EXPECT_EQ(lab.Traffic("xy", "<"), "MOVREL x=-123\\rVMOVE x=123 y=-123\\r");
    EXPECT_EQ(lab.Traffic("xy", ">"), "");
}

TEST_F(JogLab, CoarseDiagonalOfTwoHundredMicrometresPerKind) {
    // Sigma Koki: one pulse per micrometre, the move and its start command as two lines.
    StartLab("sigma", "chuo", 2, 2);
    control.Steps().xyCoarse = 200.0;
    control.BuildXyCoarse();
    control.PressJogButton(kCoarseDownRight);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "M:W-P200-P200\\r\\nG\\r\\n"))
        << lab.Traffic("xy", "<");
    EXPECT_DOUBLE_EQ(state.stageX, -200.0);
    EXPECT_DOUBLE_EQ(state.stageY, 200.0);
}

TEST_F(JogLab, CoarseDiagonalOnAMac5000AfterAKindChange) {
    StartLab("mac5000", "mac5000", 1, 1);
    control.Steps().xyCoarse = 200.0;
    control.RebuildXyCommands();  // hint 202 after the port assignment
    control.PressJogButton(kCoarseDownRight);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "MOVREL x=2000 y=-2000\\r"))
        << lab.Traffic("xy", "<");
    EXPECT_EQ(settings.page, 2000);
    EXPECT_DOUBLE_EQ(state.stageX, -200.0);
    EXPECT_DOUBLE_EQ(state.stageY, 200.0);
}

// The ready handshake as ticks 1001 and 1002 run it during a recording, through the stage's own
// ready protocol: the query, then one answer byte decides the ready flag. 'R' ready, 'B' busy,
// -1 when no single byte came.
int ReadyHandshake(StageRunLoop& loop, StageControl& control, StageState& state) {
    loop.SetAwaitingReadyByte(false);
    loop.SendReadyQuery(control.ReadyQueryText());
    const bool answered = WaitFor([&] {
        loop.OnReadyAnswerTick();
        return !loop.AwaitingReadyByte();
    });
    if (!answered)
        return -1;
    return state.stageReady == 1 ? 'R' : 'B';
}

TEST_F(JogLab, BusyControllerDuringARecordingHoldsJogsAndStepsBack) {
    StartLab("sigma", "mac5000", 2, 1, {"--busy"});
    ASSERT_EQ(control.ReadyQueryText(), "!:\r\n");
    control.Steps().xyFine = 50.0;
    control.Steps().xyCoarse = 200.0;
    control.RebuildXyCommands();

    EXPECT_EQ(ReadyHandshake(loop, control, state), 'B');
    EXPECT_EQ(state.stageReady, 0);

    for (int id : {kFineLeft, kFineDownRight, kCoarseDownRight, 1001, 1005, 1015})
        control.PressJogButton(id);
    control.PressZButton(kZFineUp);  // a MAC5000 Z drive is gated as well
    EXPECT_DOUBLE_EQ(state.stageX, 0.0);
    EXPECT_DOUBLE_EQ(state.stageY, 0.0);
    EXPECT_DOUBLE_EQ(state.stageZ, 0.0);

    // A second query as a marker: once it is answered, anything the presses had written would
    // have been logged before it.
    EXPECT_EQ(ReadyHandshake(loop, control, state), 'B');
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "!:\\r\\n!:\\r\\n"));
    EXPECT_EQ(lab.Traffic("xy", "<"), "!:\\r\\n!:\\r\\n");
    EXPECT_EQ(lab.Traffic("z", "<"), "");

    // The stage comes to rest: the next answer is "R" and jogging works again.
    lab.Signal(SIGUSR1);
    ASSERT_TRUE(lab.WaitForNote("xy ready"));
    EXPECT_EQ(ReadyHandshake(loop, control, state), 'R');
    EXPECT_EQ(state.stageReady, 1);
    control.PressJogButton(kCoarseDownRight);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "!:\\r\\nM:W-P200-P200\\r\\nG\\r\\n"))
        << lab.Traffic("xy", "<");
    EXPECT_DOUBLE_EQ(state.stageX, -200.0);
    EXPECT_DOUBLE_EQ(state.stageY, 200.0);
}

TEST_F(JogLab, JogsAfterTheControllerVanishedStillKeepThePosition) {
    StartLab("mac5000", "mac5000", 1, 1);
    lab.Stop();  // the adapter is pulled while the slots are open
    for (int i = 0; i < 3; ++i)
        control.PressJogButton(kCoarseDownRight);  // default coarse step 20 um
    EXPECT_DOUBLE_EQ(state.stageX, -60.0);
    EXPECT_DOUBLE_EQ(state.stageY, 60.0);
}

}  // namespace
}  // namespace tesmira::test
