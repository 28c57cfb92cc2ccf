#include <gtest/gtest.h>

#include "common/message_recorder.h"
#include "stage/jog_table.h"
#include "stage_fakes.h"

namespace tesmira {
namespace {

using test::StageFixture;

class JogSending : public StageFixture {};

TEST_F(JogSending, Mac5000FineJogWritesPreparedTextAndMovesTheBookkeeping) {
    StartWith(1, 1);
    control.Steps().xyFine = 12.34;
    control.BuildXyFine();
    control.PressJogButton(1003);  // ←
    control.PressJogButton(1014);  // ┘
    ASSERT_EQ(2u, xy.writes.size());
    EXPECT_EQ("MOVREL x=-123\r", xy.writes[0]);
    EXPECT_EQ("VMOVE x=123 y=-123\r", xy.writes[1]);
    EXPECT_DOUBLE_EQ(12.34 - 12.34, state.stageX);  // ← adds, ┘ takes it back
    EXPECT_DOUBLE_EQ(12.34, state.stageY);
    EXPECT_TRUE(z.writes.empty());
}

TEST_F(JogSending, EveryButtonMovesByItsOwnStepAndDirection) {
    StartWith(2, 2);
    control.Steps().xyFine = 1.0;
    control.Steps().xyCoarse = 100.0;
    control.RebuildXyCommands();
    struct Case {
        int id;
        double dx, dy;
        const char* text;
    };
    const Case cases[] = {
        {1003, 1, 0, "M:1+P1\r\nG\r\n"},
        {1004, -1, 0, "M:1-P1\r\nG\r\n"},
        {1001, 0, -1, "M:2+P1\r\nG\r\n"},
        {1002, 0, 1, "M:2-P1\r\nG\r\n"},
        {1008, 100, 0, "M:1+P100\r\nG\r\n"},
        {1007, -100, 0, "M:1-P100\r\nG\r\n"},
        {1005, 0, -100, "M:2+P100\r\nG\r\n"},
        {1006, 0, 100, "M:2-P100\r\nG\r\n"},
        {1018, 1, -1, "M:W+P1+P1\r\nG\r\n"},
        {1012, -1, -1, "M:W-P1+P1\r\nG\r\n"},
        {1013, 1, 1, "M:W+P1-P1\r\nG\r\n"},
        {1014, -1, 1, "M:W-P1-P1\r\nG\r\n"},
        {1015, 100, -100, "M:W+P100+P100\r\nG\r\n"},
        {1016, -100, -100, "M:W-P100+P100\r\nG\r\n"},
        {1017, 100, 100, "M:W+P100-P100\r\nG\r\n"},
        {1019, -100, 100, "M:W-P100-P100\r\nG\r\n"},
    };
    for (const Case& c : cases) {
        state = StageState{};
        xy.writes.clear();
        control.PressJogButton(c.id);
        ASSERT_EQ(1u, xy.writes.size()) << c.id;
        EXPECT_EQ(c.text, xy.writes[0]) << c.id;
        EXPECT_DOUBLE_EQ(c.dx, state.stageX) << c.id;
        EXPECT_DOUBLE_EQ(c.dy, state.stageY) << c.id;
    }
    xy.writes.clear();
    control.PressJogButton(1011);  // not a jog button
    control.PressJogButton(0);
    EXPECT_TRUE(xy.writes.empty());
}

TEST_F(JogSending, BusyControllerDropsJogsAndZStepsWithoutBookkeeping) {
    StartWith(1, 1);
    state.stageReady = 0;
    control.PressJogButton(1003);
    control.PressJogButton(1019);
    control.ZFineUp();
    control.ZCoarseDown();
    EXPECT_TRUE(xy.writes.empty());
    EXPECT_TRUE(z.writes.empty());
    EXPECT_DOUBLE_EQ(0.0, state.stageX);
    EXPECT_DOUBLE_EQ(0.0, state.stageY);
    EXPECT_DOUBLE_EQ(0.0, state.stageZ);

    state.stageReady = 1;
    control.PressJogButton(1003);
    EXPECT_EQ(1u, xy.writes.size());
}

TEST_F(JogSending, ClosedPortLosesTheCommandButTheBookkeepingMoves) {
    StartWith(1, 1);
    xy.open = false;
    z.open = false;
    control.PressJogButton(1008);  // ＜, coarse 20 um
    control.ZCoarseUp();           // 5 um
    EXPECT_TRUE(xy.writes.empty());
    EXPECT_TRUE(z.writes.empty());
    EXPECT_DOUBLE_EQ(20.0, state.stageX);
    EXPECT_DOUBLE_EQ(5.0, state.stageZ);
}

TEST_F(JogSending, ZStepsGoToTheZChannelWhichMayBeSlotOne) {
    StartWith(1, 1);
    control.ZFineUp();
    control.ZFineDown();
    control.ZCoarseDown();
    EXPECT_EQ((std::vector<std::string>{"MOVREL b=100\r", "MOVREL b=-100\r", "MOVREL b=-500\r"}),
              z.writes);
    EXPECT_DOUBLE_EQ(1.0 - 1.0 - 5.0, state.stageZ);

    settings.useOnePort = true;
    slots.ChooseZChannel();
    control.PressZButton(z_button::kCoarseUp);
    EXPECT_EQ("MOVREL b=500\r", xy.writes.at(0));
}

TEST_F(JogSending, SigmaKokiCentringWaitsForTheMessageBeforeTheCentreMove) {
    StartWith(2, 2);
    std::size_t writesWhenAsked = 99;
    notifier.onMessage = [&](const test::RecordedMessage& m) {
        writesWhenAsked = xy.writes.size();
        EXPECT_NE(std::string::npos, m.text.find("機械原点を検出しています。"));
    };
    state.stageReady = 0;  // centring ignores the ready flag
    control.CentreStage();
    EXPECT_EQ(2u, writesWhenAsked);
    EXPECT_EQ((std::vector<std::string>{"Q:\r\n", "H:W--\r\n", "M:W+P10618+P10870\r\n"}),
              xy.writes);
    EXPECT_DOUBLE_EQ(0.0, state.stageX);
}

TEST_F(JogSending, Mac5000CentringIsOneWriteWithoutMessage) {
    StartWith(1, 1);
    control.CentreStage();
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_EQ(std::vector<std::string>{"CENTER x=10000 y=10000\r"}, xy.writes);
}

TEST_F(JogSending, CentringAClosedPortStillAsksButWritesNothing) {
    StartWith(0, 1);
    xy.open = false;
    control.CentreStage();
    EXPECT_EQ(1u, notifier.messages.size());
    EXPECT_TRUE(xy.writes.empty());
}

}  // namespace
}  // namespace tesmira
