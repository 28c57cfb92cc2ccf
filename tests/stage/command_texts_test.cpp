#include <gtest/gtest.h>

#include "stage/stage_texts.h"
#include "stage_fakes.h"

namespace tesmira {
namespace {

using T = StageText;
using test::StageFixture;

class CommandTexts : public StageFixture {};

TEST_F(CommandTexts, Mac5000FineStepTextsCarrySignedPulses) {
    StartWith(1, 1);
    control.Steps().xyFine = 12.34;
    control.BuildXyFine();
    const StageTexts& t = control.Texts();
    EXPECT_EQ(123, settings.move);
    EXPECT_EQ("MOVREL x=-123\r", t[T::kFineLeft]);
    EXPECT_EQ("MOVREL x=123\r", t[T::kFineRight]);
    EXPECT_EQ("MOVREL y=123\r", t[T::kFineUp]);
    EXPECT_EQ("MOVREL y=-123\r", t[T::kFineDown]);
    EXPECT_EQ("VMOVE x=-123 y=123\r", t[T::kFineUpLeft]);
    EXPECT_EQ("VMOVE x=123 y=123\r", t[T::kFineUpRight]);
    EXPECT_EQ("VMOVE x=-123 y=-123\r", t[T::kFineDownLeft]);
    EXPECT_EQ("VMOVE x=123 y=-123\r", t[T::kFineDownRight]);
}

TEST_F(CommandTexts, CoarseDiagonalsDifferBetweenSigmaKokiAndMac5000) {
    StartWith(2, 2);
    control.Steps().xyCoarse = 200.0;
    control.BuildXyCoarse();
    EXPECT_EQ("M:W-P200-P200\r\nG\r\n", control.Texts()[T::kCoarseDownRight]);
    EXPECT_EQ("M:1+P200\r\nG\r\n", control.Texts()[T::kCoarseLeft]);
    EXPECT_EQ("M:2-P200\r\nG\r\n", control.Texts()[T::kCoarseDown]);
    EXPECT_EQ("M:W+P200+P200\r\nG\r\n", control.Texts()[T::kCoarseUpLeft]);

    settings.xyAxisType = 1;
    control.RebuildXyCommands();  // hint 202
    EXPECT_EQ("MOVREL x=2000 y=-2000\r", control.Texts()[T::kCoarseDownRight]);
    EXPECT_EQ("MOVREL x=-2000 y=2000\r", control.Texts()[T::kCoarseUpLeft]);
    EXPECT_EQ(2000, settings.page);
}

TEST_F(CommandTexts, ChangingTheXyKindReconvertsTheSameMicrometres) {
    StartWith(1, 1);
    control.Steps().xyFine = 10.0;
    control.BuildXyFine();
    EXPECT_EQ(100, settings.move);
    settings.xyAxisType = 2;
    control.RebuildXyCommands();
    EXPECT_EQ(10, settings.move);
    EXPECT_EQ("M:1-P10\r\nG\r\n", control.Texts()[T::kFineRight]);
    EXPECT_DOUBLE_EQ(10.0, control.Steps().xyFine);  // the edit keeps showing 10 um
}

TEST_F(CommandTexts, UtilityTextsPerXyKind) {
    StartWith(0, 1);
    EXPECT_EQ("H:W--\r\n", control.Texts()[T::kOriginSearch]);
    EXPECT_EQ("M:W+P10618+P10870\r\n", control.Texts()[T::kCentring]);
    EXPECT_EQ("Q:\r\n", control.StatusQueryText());
    EXPECT_EQ("!:\r\n", control.ReadyQueryText());

    int readyWaitResets = 0;
    control.SetReadyWaitResetHook([&] { ++readyWaitResets; });
    settings.xyAxisType = 1;
    control.editHasFocus = true;
    control.RebuildXyCommands();
    EXPECT_EQ("CENTER x=10000 y=10000\r", control.Texts()[T::kCentring]);
    EXPECT_EQ("", control.ReadyQueryText());
    EXPECT_EQ("", control.Texts()[T::kOriginSearch]);
    EXPECT_EQ("", control.StatusQueryText());
    EXPECT_EQ(0, readyWaitResets);

    settings.xyAxisType = 2;
    control.RebuildXyCommands();
    EXPECT_EQ(1, readyWaitResets);
    EXPECT_FALSE(control.editHasFocus);
}

TEST_F(CommandTexts, DeltaZTruncatesTowardZeroPerKind) {
    StartWith(2, 2);
    control.Steps().deltaZ = -0.5;
    control.BuildDeltaZ();
    EXPECT_EQ(0, settings.deltaZ);
    EXPECT_EQ("MGO:A0\r\n", control.Texts()[T::kDeltaZUp]);
    EXPECT_EQ("MGO:A0\r\n", control.Texts()[T::kDeltaZDown]);

    settings.zAxisType = 1;
    control.RebuildZCommands();  // hint 203
    EXPECT_EQ(-50, settings.deltaZ);
    EXPECT_EQ("MOVREL b=-50\r", control.Texts()[T::kDeltaZUp]);
    EXPECT_EQ("MOVREL b=50\r", control.Texts()[T::kDeltaZDown]);
}

TEST_F(CommandTexts, ZStepTextsAndStartUp) {
    settings.moveZ = 29;  // 0.29 um on a MAC5000: must not shrink to 28 at the next start
    StartWith(1, 1);
    EXPECT_EQ(29, settings.moveZ);
    EXPECT_EQ("MOVREL b=29\r", control.Texts()[T::kZFineUp]);
    EXPECT_EQ("MOVREL b=-500\r", control.Texts()[T::kZCoarseDown]);

    settings.zAxisType = 2;
    control.RebuildZCommands();
    EXPECT_EQ("MGO:A0\r\n", control.Texts()[T::kZFineUp]);  // 0.29 um on a 1 um drive
    EXPECT_EQ("MGO:A-5\r\n", control.Texts()[T::kZCoarseDown]);

    // A TE2000E Z drive converts its steps but keeps the old texts: it never sends them.
    settings.zAxisType = 0;
    control.Steps().zCoarse = 25.0;
    control.RebuildZCommands();
    EXPECT_EQ(500, settings.pageZ);
    EXPECT_EQ("MGO:A-5\r\n", control.Texts()[T::kZCoarseDown]);
    EXPECT_EQ("rSPR\r", control.Texts()[T::kZPositionQuery]);
}

TEST_F(CommandTexts, StartUpLeavesDeltaZTextsAloneAndCarriesMoveYPageY) {
    settings.xyAxisType = 2;
    settings.moveY = 7;
    settings.pageY = 9;
    control.LoadStepsFromSettings();
    control.BuildAtStartup();
    EXPECT_EQ("", control.Texts()[T::kDeltaZUp]);
    EXPECT_DOUBLE_EQ(7.0, control.Steps().xyFineY);
    EXPECT_DOUBLE_EQ(9.0, control.Steps().xyCoarseY);
    EXPECT_EQ(7, settings.moveY);  // carried unchanged
    EXPECT_EQ("M:1+P100\r\nG\r\n", control.Texts()[T::kFineLeft]);
}

// The builders hold whatever they are given to what a controller can hold: steps beyond the
// panel's largest (500000 um in the kind's pulses) are written as that, and the TE2000E and
// Sigma Koki set, which writes the sign itself, never carries a negative number.
TEST(CommandTextLimits, NoTextCarriesANumberItsControllerCannotHold) {
    const struct {
        int kind;
        int pulses;
        const char* xyLeft;  // fine ← of the XY kind
        const char* zUp;     // fine up of the Z kind ("" for the TE2000E: absolute moves)
    } cases[] = {
        {0, 2147483647, "M:1+P5000000\r\nG\r\n", ""},
        {0, -2147483647 - 1, "M:1+P0\r\nG\r\n", ""},
        {1, 2147483647, "MOVREL x=-5000000\r", "MOVREL b=50000000\r"},
        {1, -2147483647 - 1, "MOVREL x=5000000\r", "MOVREL b=-50000000\r"},
        {2, 2147483647, "M:1+P500000\r\nG\r\n", "MGO:A500000\r\n"},
        {2, 500000, "M:1+P500000\r\nG\r\n", "MGO:A500000\r\n"},
        {2, -7, "M:1+P0\r\nG\r\n", "MGO:A-7\r\n"},
    };
    for (const auto& c : cases) {
        StageTexts t;
        BuildXyFineTexts(t, c.kind, c.pulses);
        BuildZPairTexts(t, T::kZFineUp, T::kZFineDown, c.kind, c.pulses);
        EXPECT_EQ(t[T::kFineLeft], c.xyLeft) << c.kind << " " << c.pulses;
        EXPECT_EQ(t[T::kZFineUp], c.zUp) << c.kind << " " << c.pulses;
    }
    EXPECT_EQ(Te2000eZMoveText(2147483648LL), "");
    EXPECT_EQ(Te2000eZMoveText(-2147483649LL), "");
    EXPECT_EQ(Te2000eZMoveText(-2147483648LL), "fSMV-2147483648\r");
}

}  // namespace
}  // namespace tesmira
