#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "stage/z_reply.h"
#include "stage_fakes.h"

namespace tesmira {
namespace {

using test::StageFixture;

TEST(ZPositionReply, OnlyLinesOfExactlyTheDrivesFormArePositions) {
    const struct {
        std::string text;
        std::optional<int> position;
    } cases[] = {
        {"aSPR 5000\r", 5000},
        {"aSPR -42\r\n", -42},
        {"aSPR 0", 0},
        {"aSPR 12\raSPR 99\r", 12},  // two replies in one chunk: the first
        {"garbage\raSPR 99\r", 99},  // a noisy line before a good one is skipped
        {"aSPR 2147483647\r", 2147483647},
        {"aSPR -2147483648", -2147483647 - 1},
        {"aSPR 0000000005", 5},
        // Anything else is no position: noise after the number (this one once moved the drive
        // by 4900 pulses), a cut, doubled or padded line, a number out of range.
        {std::string("aSPR 12x!\xff\r"), std::nullopt},
        {std::string("aSPR 5\0"
                     "000\r",
                     10),
         std::nullopt},
        {"aSPR 12 \r", std::nullopt},
        {"aSPR 1 2\r", std::nullopt},
        {"aSPR-42", std::nullopt},
        {"aSPR   +7\r\n", std::nullopt},
        {"aSPR +7", std::nullopt},
        {"aSPR 00000000005", std::nullopt},
        {"aSPR 2147483648", std::nullopt},
        {"aSPR -2147483649", std::nullopt},
        {"aSPR 5000aSPR 5000\r", std::nullopt},
        {"", std::nullopt},
        {"aSPR", std::nullopt},
        {"aSPR \r", std::nullopt},
        {"aSPR -\r", std::nullopt},
        {"ASPR 5000", std::nullopt},
        {" aSPR 5000", std::nullopt},
        {"xaSPR 5000", std::nullopt},
        {"\x01\xff\r", std::nullopt},
        {"aSPR " + std::string(4095, '9'), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseZPositionReply(c.text), c.position) << EscapedForLog(c.text);
}

class Te2000eZ : public StageFixture {
protected:
    void SetUp() override {
        StageFixture::SetUp();
        StartWith(1, 0);  // MoveZ 100 (5 um), PageZ 500 (25 um)
    }
};

TEST_F(Te2000eZ, FineUpQueriesThenMovesThirtyMillisecondsAfterTheReply) {
    control.PressZButton(1025);
    EXPECT_EQ(std::vector<std::string>{"rSPR\r"}, z.writes);
    EXPECT_EQ(1, control.PendingFineZ());
    EXPECT_DOUBLE_EQ(0.0, state.stageZ);

    control.OnZReply("aSPR 5000\r");
    EXPECT_EQ(1u, z.writes.size());  // not yet: the move waits for tick 1006
    EXPECT_EQ(30, backend.PeriodOf(TimerId::kDelayedZ));
    EXPECT_DOUBLE_EQ(5.0, state.stageZ);
    EXPECT_EQ(0, control.PendingFineZ());

    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_EQ((std::vector<std::string>{"rSPR\r", "fSMV5100\r"}), z.writes);
    EXPECT_FALSE(timers.IsRunning(TimerId::kDelayedZ));
    timers.Dispatch(TimerId::kDelayedZ);  // a late tick has nothing left to write
    EXPECT_EQ(2u, z.writes.size());
}

TEST_F(Te2000eZ, CoarseDownAndFineAndCoarseTogetherMoveByTheirSum) {
    control.ZCoarseDown();
    control.OnZReply("aSPR 5000\r");
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_EQ("fSMV4500\r", z.writes.back());
    EXPECT_DOUBLE_EQ(-25.0, state.stageZ);

    z.writes.clear();
    control.ZCoarseUp();
    control.ZFineDown();
    control.OnZReply("aSPR 4500\r");
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_EQ((std::vector<std::string>{"rSPR\r", "rSPR\r", "fSMV4900\r"}), z.writes);
    EXPECT_DOUBLE_EQ(-25.0 - 5.0 + 25.0, state.stageZ);
    EXPECT_EQ(0, control.PendingFineZ());
    EXPECT_EQ(0, control.PendingCoarseZ());
}

TEST_F(Te2000eZ, PressesBeforeTheReplyAddUp) {
    for (int i = 0; i < 3; ++i)
        control.ZFineUp();
    control.ZCoarseUp();
    control.ZFineDown();
    EXPECT_EQ(2, control.PendingFineZ());
    EXPECT_EQ(1, control.PendingCoarseZ());
    control.OnZReply("aSPR 5000\r");
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_EQ("fSMV5700\r", z.writes.back());  // 2 x 100 + 500
    EXPECT_DOUBLE_EQ(2 * 5.0 + 25.0, state.stageZ);
}

TEST_F(Te2000eZ, AReplyFromBeforeTheMoveDoesNotUndoIt) {
    control.ZFineUp();
    control.OnZReply("aSPR 5000\r");
    // Pressed while the move is still on its way: the drive answers with its old position.
    control.ZFineUp();
    timers.Dispatch(TimerId::kDelayedZ);
    control.OnZReply("aSPR 5000\r");
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_EQ((std::vector<std::string>{"rSPR\r", "rSPR\r", "fSMV5100\r", "fSMV5200\r"}), z.writes);
    // Once the drive reports where it was sent, its own answer counts again.
    control.OnZReply("aSPR 5200\r");
    control.ZFineDown();
    control.OnZReply("aSPR 5180\r");
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_EQ("fSMV5080\r", z.writes.back());
}

TEST_F(Te2000eZ, AHeldKeyAddsNoStepWhileOneWaits) {
    control.PressZButton(1025);
    for (int i = 0; i < 10; ++i)
        control.PressZButton(1025, /*autoRepeat=*/true);
    EXPECT_EQ(1, control.PendingFineZ());
    control.OnZReply("aSPR 0\r");
    control.PressZButton(1025, /*autoRepeat=*/true);  // the next exchange moves once more
    EXPECT_EQ(1, control.PendingFineZ());
}

// A TE2000E Z drive behind the fake channel: answers each query at once with its position and
// goes to every target it is sent.
struct FakeZDrive {
    void Serve() {
        for (; seen < channel.writes.size(); ++seen) {
            const std::string& w = channel.writes[seen];
            if (w == "rSPR\r") {
                channel.input += "aSPR " + std::to_string(position) + "\r";
            } else if (w.rfind("fSMV", 0) == 0) {
                position = std::stoi(w.substr(4));
            }
        }
    }
    test::FakeSerialChannel& channel;
    int position;
    std::size_t seen = 0;
};

TEST_F(Te2000eZ, QuickPressesOnTheClockAllArrive) {
    settings.moveZ = 10;
    control.LoadStepsFromSettings();
    control.BuildZFine();
    FakeZDrive drive{z, 5000};
    // The panel's reception tick: everything that has arrived is one reply chunk.
    timers.SetHandler(TimerId::kSerialReceive, [&] {
        if (z.BytesWaiting() > 0)
            control.OnZReply(z.Read(4095));
    });
    timers.Start(TimerId::kSerialReceive, 500);
    auto run = [&](int ms) {
        for (int i = 0; i < ms; ++i) {
            backend.Advance(1);
            drive.Serve();
        }
    };
    for (int press = 0; press < 5; ++press) {
        control.PressZButton(1025);
        drive.Serve();
        run(150);
    }
    run(2000);
    EXPECT_EQ(5050, drive.position);
    EXPECT_DOUBLE_EQ(5 * 0.5, state.stageZ);
}

TEST_F(Te2000eZ, TheExchangeIgnoresTheReadyFlag) {
    state.stageReady = 0;
    control.ZFineUp();
    control.OnZReply("aSPR 10\r");
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_EQ((std::vector<std::string>{"rSPR\r", "fSMV110\r"}), z.writes);
}

TEST_F(Te2000eZ, BadRepliesKeepTheStepPendingAndMoveNothing) {
    control.OnZReply("aSPR 3000\r");  // a position report first: 3000 x 0.05 um
    EXPECT_DOUBLE_EQ(150.0, state.stageZ);
    control.ZFineUp();
    for (const std::string bad :
         {"garbage\r", "aSPR\r", "aSPR 99999999999\r", "\r", "aSPR -\r", "aSPR 12x!\xff\r"}) {
        control.OnZReply(bad);
        EXPECT_FALSE(timers.IsRunning(TimerId::kDelayedZ)) << bad;
        EXPECT_EQ(1, control.PendingFineZ()) << bad;
        EXPECT_EQ(3000, control.LastZPosition()) << bad;
    }
    EXPECT_EQ(std::vector<std::string>{"rSPR\r"}, z.writes);
    EXPECT_DOUBLE_EQ(150.0, state.stageZ);
    control.OnZReply("aSPR 3001\r");  // a later good reply serves the step
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_EQ("fSMV3101\r", z.writes.back());
}

TEST_F(Te2000eZ, ATargetTheDriveCannotHoldIsNotSent) {
    control.ZFineUp();
    control.OnZReply("aSPR 2147483500\r");
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_EQ("fSMV2147483600\r", z.writes.back());
    EXPECT_DOUBLE_EQ(5.0, state.stageZ);
    // Beyond either end of the range the move is dropped, without bookkeeping.
    const struct {
        int button;
        const char* reply;
    } beyond[] = {{1025, "aSPR 2147483647\r"}, {1028, "aSPR -2147483648\r"}};
    for (const auto& c : beyond) {
        z.writes.clear();
        control.PressZButton(c.button);
        control.OnZReply(c.reply);
        timers.Dispatch(TimerId::kDelayedZ);
        EXPECT_EQ(z.writes, std::vector<std::string>{"rSPR\r"}) << c.reply;
        EXPECT_EQ(0, control.PendingFineZ() + control.PendingCoarseZ()) << c.reply;
        EXPECT_DOUBLE_EQ(5.0, state.stageZ) << c.reply;
    }
}

TEST_F(Te2000eZ, TimelapsePollZeroesOnFirstReplyThenFollowsTheDrive) {
    control.StartTimelapseZPoll();
    EXPECT_EQ(2000, backend.PeriodOf(TimerId::kZPositionPoll));
    control.ZFineUp();  // a press between polls is cancelled by the next poll
    timers.Dispatch(TimerId::kZPositionPoll);
    EXPECT_EQ((std::vector<std::string>{"rSPR\r", "rSPR\r"}), z.writes);
    EXPECT_EQ(0, control.PendingFineZ());

    state.stageZ = 123.0;
    control.OnZReply("aSPR 8000\r");
    EXPECT_DOUBLE_EQ(0.0, state.stageZ);
    EXPECT_FALSE(control.ZeroOnNextReply());
    control.OnZReply("aSPR 8100\r");
    EXPECT_DOUBLE_EQ(5.0, state.stageZ);  // 100 pulses x 0.05 um
    control.OnZReply("aSPR 7900\r");
    EXPECT_DOUBLE_EQ(-5.0, state.stageZ);
    EXPECT_FALSE(timers.IsRunning(TimerId::kDelayedZ));

    control.StopTimelapseZPoll();
    EXPECT_FALSE(timers.IsRunning(TimerId::kZPositionPoll));
}

TEST_F(Te2000eZ, PollIsOnlyForATe2000eDrive) {
    settings.zAxisType = 1;
    control.StartTimelapseZPoll();
    EXPECT_FALSE(timers.IsRunning(TimerId::kZPositionPoll));
    timers.Dispatch(TimerId::kZPositionPoll);
    EXPECT_TRUE(z.writes.empty());
}

TEST_F(Te2000eZ, ClosedChannelSendsNothingButTheStepStillWaits) {
    z.open = false;
    control.ZFineUp();
    EXPECT_EQ(1, control.PendingFineZ());
    control.OnZReply("aSPR 1\r");
    timers.Dispatch(TimerId::kDelayedZ);
    EXPECT_TRUE(z.writes.empty());
    EXPECT_DOUBLE_EQ(5.0, state.stageZ);
}

class ZSync : public StageFixture {};

TEST_F(ZSync, OnlyTheChosenSourceStepsZFineUp) {
    StartWith(1, 1);
    settings.zsync = 2;
    for (int source : {0, 1, 3, 7, 8, 9, -1, 42})
        control.ZSyncEvent(source);
    EXPECT_TRUE(z.writes.empty());
    control.ZSyncEvent(2);
    EXPECT_EQ(std::vector<std::string>{"MOVREL b=100\r"}, z.writes);
    EXPECT_DOUBLE_EQ(1.0, state.stageZ);

    settings.zsync = 9;
    control.ZSyncEvent(9);  // "no automatic move" is never an event
    EXPECT_EQ(1u, z.writes.size());

    settings.zsync = 8;
    state.stageReady = 0;
    control.ZSyncEvent(8);  // dropped while the stage is busy, like the button
    EXPECT_EQ(1u, z.writes.size());
}

TEST_F(ZSync, Te2000eSyncStepUsesTheExchange) {
    StartWith(1, 0);
    settings.zsync = 8;
    control.ZSyncEvent(8);
    EXPECT_EQ(std::vector<std::string>{"rSPR\r"}, z.writes);
    EXPECT_EQ(1, control.PendingFineZ());
}

}  // namespace
}  // namespace tesmira
