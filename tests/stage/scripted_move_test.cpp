#include <gtest/gtest.h>

#include <limits>

#include "stage_fakes.h"

namespace tesmira {
namespace {

using test::StageFixture;

class ScriptedMove : public StageFixture {};

// A move by any distance writes the jog texts' forms with the jog buttons' signs, and books what
// the pulses sent come to.
TEST_F(ScriptedMove, WritesJogFormsAndBooksThePulsesSent) {
    struct Case {
        int xyKind;
        double dx, dy;
        const char* text;
        double bookedX, bookedY;
    };
    const Case cases[] = {
        {1, 12.34, 0, "MOVREL x=-123\r", 12.3, 0},  // as button ← with a 12.34 µm step
        {1, 0, -5, "MOVREL y=50\r", 0, -5},
        {1, 100, 250, "MOVREL x=-1000 y=-2500\r", 100, 250},
        {2, 7, 0, "M:1+P7\r\nG\r\n", 7, 0},
        {2, 0, 3, "M:2-P3\r\nG\r\n", 0, 3},
        {2, -4, -9, "M:W-P4+P9\r\nG\r\n", -4, -9},  // like ┐ (dx -, dy -)
        {0, 1, 1, "M:W+P10-P10\r\nG\r\n", 1, 1},    // TE2000E speaks the Sigma Koki set
    };
    for (const Case& c : cases) {
        StartWith(c.xyKind, 1);
        state = StageState{};
        xy.writes.clear();
        EXPECT_EQ(StageMove::kMoved, control.MoveXyBy(c.dx, c.dy)) << c.text;
        ASSERT_EQ(1u, xy.writes.size()) << c.text;
        EXPECT_EQ(c.text, xy.writes[0]);
        EXPECT_NEAR(c.bookedX, state.stageX, 1e-9) << c.text;
        EXPECT_NEAR(c.bookedY, state.stageY, 1e-9) << c.text;
    }
}

// Whatever is refused sends nothing and books nothing.
TEST_F(ScriptedMove, RefusalsLeaveControllerAndBookkeepingAlone) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        double dx, dy;
        int ready;
        bool open;
        StageMove expected;
    };
    const Case cases[] = {
        {"NaN", kNaN, 0, 1, true, StageMove::kOutOfRange},
        {"infinite", 0, -kInf, 1, true, StageMove::kOutOfRange},
        {"beyond the panel's largest step", 500000.5, 0, 1, true, StageMove::kOutOfRange},
        {"below one pulse", 0.04, 0, 1, true, StageMove::kOutOfRange},
        {"controller busy", 10, 0, 0, true, StageMove::kNotReady},
        {"port closed", 10, 0, 1, false, StageMove::kNotConnected},
    };
    for (const Case& c : cases) {
        StartWith(1, 1);
        state = StageState{};
        state.stageReady = c.ready;
        xy.open = c.open;
        xy.writes.clear();
        EXPECT_EQ(c.expected, control.MoveXyBy(c.dx, c.dy)) << c.what;
        EXPECT_TRUE(xy.writes.empty()) << c.what;
        EXPECT_EQ(0.0, state.stageX) << c.what;
        xy.open = true;
    }
    EXPECT_EQ(StageMove::kMoved, control.MoveXyBy(500000, -500000));  // the range's ends
}

TEST_F(ScriptedMove, ZMovesUseTheStepTextsAndATe2000eDriveRefuses) {
    struct Case {
        int zKind;
        double dz;
        StageMove expected;
        const char* text;  // "" : nothing written
        double bookedZ;
    };
    const Case cases[] = {
        {1, 2.5, StageMove::kMoved, "MOVREL b=250\r", 2.5},
        {1, -0.01, StageMove::kMoved, "MOVREL b=-1\r", -0.01},
        {2, -3, StageMove::kMoved, "MGO:A-3\r\n", -3},
        {0, 1, StageMove::kUnsupported, "", 0},
        {1, std::numeric_limits<double>::quiet_NaN(), StageMove::kOutOfRange, "", 0},
    };
    for (const Case& c : cases) {
        StartWith(1, c.zKind);
        state = StageState{};
        z.writes.clear();
        EXPECT_EQ(c.expected, control.MoveZBy(c.dz)) << c.zKind << " " << c.dz;
        EXPECT_EQ(c.text, z.writes.empty() ? std::string() : z.writes[0]);
        EXPECT_NEAR(c.bookedZ, state.stageZ, 1e-9);
    }
}

}  // namespace
}  // namespace tesmira
