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
    stageControl().Steps().xyFine = 12.34;
    stageControl().BuildXyFine();  // leaving edit 1009
    EXPECT_EQ(settings().move, 123);

    stageControl().PressJogButton(kFineLeft);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "MOVREL x=-123\\r")) << lab.Traffic("xy", "<");
    EXPECT_DOUBLE_EQ(stageState().stageX, 12.34);
    EXPECT_DOUBLE_EQ(stageState().stageY, 0.0);

    stageControl().PressJogButton(kFineDownRight);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "MOVREL x=-123\\rVMOVE x=123 y=-123\\r"))
        << lab.Traffic("xy", "<");
    EXPECT_DOUBLE_EQ(stageState().stageX, 0.0);
    EXPECT_DOUBLE_EQ(stageState().stageY, 12.34);
    // Nothing but the two moves reached the controller, and it had nothing to say.
    EXPECT_EQ(lab.Traffic("xy", "<"), "MOVREL x=-123\\rVMOVE x=123 y=-123\\r");
    EXPECT_EQ(lab.Traffic("xy", ">"), "");
}

TEST_F(JogLab, CoarseDiagonalOfTwoHundredMicrometresPerKind) {
    // Sigma Koki: one pulse per micrometre, the move and its start command as two lines.
    StartLab("sigma", "chuo", 2, 2);
    stageControl().Steps().xyCoarse = 200.0;
    stageControl().BuildXyCoarse();
    stageControl().PressJogButton(kCoarseDownRight);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "M:W-P200-P200\\r\\nG\\r\\n"))
        << lab.Traffic("xy", "<");
    EXPECT_DOUBLE_EQ(stageState().stageX, -200.0);
    EXPECT_DOUBLE_EQ(stageState().stageY, 200.0);
}

TEST_F(JogLab, CoarseDiagonalOnAMac5000AfterAKindChange) {
    StartLab("mac5000", "mac5000", 1, 1);
    stageControl().Steps().xyCoarse = 200.0;
    stageControl().RebuildXyCommands();  // hint 202 after the port assignment
    stageControl().PressJogButton(kCoarseDownRight);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "MOVREL x=2000 y=-2000\\r"))
        << lab.Traffic("xy", "<");
    EXPECT_EQ(settings().page, 2000);
    EXPECT_DOUBLE_EQ(stageState().stageX, -200.0);
    EXPECT_DOUBLE_EQ(stageState().stageY, 200.0);
}

// The ready handshake as ticks 1001 and 1002 run it during a recording: the query, then one
// answer byte decides the ready flag.
int ReadyHandshake() {
    SerialSlot(1).Write(stageControl().ReadyQueryText());
    std::string answer;
    WaitFor([&] {
        // Only a single waiting byte is an answer; the tick keeps running otherwise.
        if (SerialSlot(1).BytesWaiting() == 1)
            answer = SerialSlot(1).Read(1);
        return !answer.empty();
    });
    if (answer.size() == 1)
        stageState().stageReady = answer == "R" ? 1 : 0;
    return answer.empty() ? -1 : answer[0];
}

TEST_F(JogLab, BusyControllerDuringARecordingHoldsJogsAndStepsBack) {
    StartLab("sigma", "mac5000", 2, 1, {"--busy"});
    ASSERT_EQ(stageControl().ReadyQueryText(), "!:\r\n");
    stageControl().Steps().xyFine = 50.0;
    stageControl().Steps().xyCoarse = 200.0;
    stageControl().RebuildXyCommands();

    EXPECT_EQ(ReadyHandshake(), 'B');
    EXPECT_EQ(stageState().stageReady, 0);

    for (int id : {kFineLeft, kFineDownRight, kCoarseDownRight, 1001, 1005, 1015})
        stageControl().PressJogButton(id);
    stageControl().PressZButton(kZFineUp);  // a MAC5000 Z drive is gated as well
    EXPECT_DOUBLE_EQ(stageState().stageX, 0.0);
    EXPECT_DOUBLE_EQ(stageState().stageY, 0.0);
    EXPECT_DOUBLE_EQ(stageState().stageZ, 0.0);

    // A second query as a marker: once it is answered, anything the presses had written would
    // have been logged before it.
    EXPECT_EQ(ReadyHandshake(), 'B');
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "!:\\r\\n!:\\r\\n"));
    EXPECT_EQ(lab.Traffic("xy", "<"), "!:\\r\\n!:\\r\\n");
    EXPECT_EQ(lab.Traffic("z", "<"), "");

    // The stage comes to rest: the next answer is "R" and jogging works again.
    lab.Signal(SIGUSR1);
    ASSERT_TRUE(lab.WaitForNote("xy ready"));
    EXPECT_EQ(ReadyHandshake(), 'R');
    EXPECT_EQ(stageState().stageReady, 1);
    stageControl().PressJogButton(kCoarseDownRight);
    EXPECT_TRUE(lab.WaitForTraffic("xy", "<", "!:\\r\\nM:W-P200-P200\\r\\nG\\r\\n"))
        << lab.Traffic("xy", "<");
    EXPECT_DOUBLE_EQ(stageState().stageX, -200.0);
    EXPECT_DOUBLE_EQ(stageState().stageY, 200.0);
}

TEST_F(JogLab, JogsAfterTheControllerVanishedStillKeepThePosition) {
    StartLab("mac5000", "mac5000", 1, 1);
    lab.Stop();  // the adapter is pulled while the slots are open
    for (int i = 0; i < 3; ++i)
        stageControl().PressJogButton(kCoarseDownRight);  // default coarse step 20 um
    EXPECT_DOUBLE_EQ(stageState().stageX, -60.0);
    EXPECT_DOUBLE_EQ(stageState().stageY, 60.0);
}

}  // namespace
}  // namespace tesmira::test
