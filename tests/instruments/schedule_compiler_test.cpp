#include <gtest/gtest.h>

#include <vector>

#include "instruments/relay_schedule.h"

namespace tesmira {
namespace {

constexpr uint8_t R1 = 0x01, R2 = 0x02;

ScheduleInputs Inputs(int recMode, bool module2 = false) {
    ScheduleInputs in;
    in.modulePresent = {true, module2};
    in.recMode = recMode;
    in.timelapseMs = 10000;
    in.recIntervalMs = 30000;
    return in;
}

void Sync(ScheduleInputs& in, int row, double on, double off) {
    in.rows[row].mode = RowMode::kSync;
    in.rows[row].onSec = on;
    in.rows[row].offSec = off;
}

// module, bits, kind, atMs — written the way the design describes sequences.
struct S {
    int module;
    uint8_t bits;
    StepKind kind;
    int64_t atMs;
};

void ExpectSteps(const CompiledSchedule& c, const std::vector<S>& want) {
    ASSERT_EQ(c.steps.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c.steps[i].module, want[i].module);
        EXPECT_EQ(c.steps[i].bits, want[i].bits);
        EXPECT_EQ(c.steps[i].kind, want[i].kind);
        EXPECT_EQ(c.steps[i].atMs, want[i].atMs);
    }
}

constexpr StepKind ON = StepKind::kOn, OFF = StepKind::kOff, MARK = StepKind::kFrameMarker;

TEST(ScheduleCompiler, NothingToCompileGivesNoStepsAndNoClockEvents) {
    // Start-up default: every row "なし" (this used to crash the compiler).
    const CompileResult r = CompileSchedule(Inputs(0, true));
    EXPECT_FALSE(r.schedule.HasSteps());
    EXPECT_FALSE(r.schedule.HasClockEvents());
    EXPECT_TRUE(r.rejected.empty());

    // No module at all: rows are ignored, and compiling again never piles up markers.
    ScheduleInputs none = Inputs(2);
    none.modulePresent = {false, false};
    Sync(none, 0, 0.5, 1.0);
    for (int apply = 0; apply < 3; ++apply)
        ExpectSteps(CompileSchedule(none).schedule, {{kNoModule, 0, MARK, 0}});
}

TEST(ScheduleCompiler, ScenariosFromTheDesign) {
    {
        SCOPED_TRACE("time-lapse pre-trigger: ON -2, OFF 1");
        ScheduleInputs in = Inputs(2);
        Sync(in, 0, -2.0, 1.0);
        ExpectSteps(CompileSchedule(in).schedule,
                    {{0, R1, ON, 0}, {kNoModule, 0, MARK, 2000}, {0, R1, OFF, 3000}});
    }
    {
        SCOPED_TRACE("late start gets a marker at zero: ON 0.5, OFF 3");
        ScheduleInputs in = Inputs(0);
        Sync(in, 0, 0.5, 3.0);
        const CompiledSchedule c = CompileSchedule(in).schedule;
        ExpectSteps(c, {{kNoModule, 0, MARK, 0}, {0, R1, ON, 500}, {0, R1, OFF, 3000}});
        EXPECT_EQ(c.DurationMs(), 3000);
    }
    {
        SCOPED_TRACE("same ON time on one module merges; other module follows at once");
        ScheduleInputs in = Inputs(0, true);
        Sync(in, 0, 0.0, 2.0);
        Sync(in, 1, 0.0, 3.0);
        Sync(in, 4, 0.0, 2.0);
        const CompiledSchedule c = CompileSchedule(in).schedule;
        ExpectSteps(c, {{0, R1 | R2, ON, 0},
                        {1, R1, ON, 0},
                        {0, R1, OFF, 2000},
                        {1, R1, OFF, 2000},
                        {0, R2, OFF, 3000}});
        EXPECT_EQ(c.sequenceMask[0], R1 | R2);
        EXPECT_EQ(c.sequenceMask[1], R1);
    }
    {
        SCOPED_TRACE("at equal times OFF precedes ON on the same module");
        ScheduleInputs in = Inputs(0);
        Sync(in, 0, 0.0, 1.0);
        Sync(in, 1, 1.0, 2.0);
        ExpectSteps(CompileSchedule(in).schedule,
                    {{0, R1, ON, 0}, {0, R1, OFF, 1000}, {0, R2, ON, 1000}, {0, R2, OFF, 2000}});
    }
    {
        SCOPED_TRACE("offsets less than 1 ms apart are 1 ms apart, and the later ones follow");
        ScheduleInputs in = Inputs(0);
        Sync(in, 0, 0.1, 0.5);
        Sync(in, 1, 0.1004, 0.5002);
        Sync(in, 2, 0.1009, 0.6);
        ExpectSteps(CompileSchedule(in).schedule, {{kNoModule, 0, MARK, 0},
                                                   {0, R1, ON, 100},
                                                   {0, R2, ON, 101},
                                                   {0, 0x04, ON, 102},
                                                   {0, R1, OFF, 500},
                                                   {0, R2, OFF, 501},
                                                   {0, 0x04, OFF, 600}});
    }
}

TEST(ScheduleCompiler, OffsetsAreRoundedOnceAndTimedFromTheStart) {
    // (0.3 - 0.1) x 1000 truncates to 199; rounding each offset gives the 200 ms the user typed.
    ScheduleInputs in = Inputs(0);
    Sync(in, 0, 0.1, 0.3);
    ExpectSteps(CompileSchedule(in).schedule,
                {{kNoModule, 0, MARK, 0}, {0, R1, ON, 100}, {0, R1, OFF, 300}});

    // Ten 100 ms steps with offsets summed the way a user's sheet would: the last is at exactly
    // 1000 ms and every gap is 100 ms (truncated per-step delays added up to 994 ms).
    ScheduleInputs ten = Inputs(0, true);
    double t = 0.0;
    std::vector<double> at;
    for (int i = 0; i < 10; ++i)
        at.push_back(t += 0.1);
    for (int row = 0; row < 5; ++row)
        Sync(ten, row < 4 ? row : 4, at[2 * row], at[2 * row + 1]);
    const CompiledSchedule c = CompileSchedule(ten).schedule;
    ASSERT_EQ(c.steps.size(), 11u);
    for (size_t i = 0; i < c.steps.size(); ++i)
        EXPECT_EQ(c.steps[i].atMs, int64_t(i) * 100) << i;
}

TEST(ScheduleCompiler, RejectedRowsCarryTheirMessageAndTheRestStillCompiles) {
    ScheduleInputs in = Inputs(0);
    Sync(in, 0, 1.0, 1.0);   // equal
    Sync(in, 1, -1.0, 2.0);  // negative outside time-lapse
    Sync(in, 2, 0.0, 31.0);  // beyond the 30 s recording interval
    Sync(in, 3, 0.0, 1.0);   // fine
    const CompileResult r = CompileSchedule(in);
    ASSERT_EQ(r.rejected.size(), 3u);
    EXPECT_EQ(r.rejected[0].row, 0);
    EXPECT_EQ(r.rejected[0].verdict.message, kMsgOnEqualsOff);
    EXPECT_EQ(r.rejected[1].verdict.message, kMsgNegativeOutsideTimelapse);
    EXPECT_EQ(r.rejected[2].verdict.message, kMsgOutsideRecordInterval);
    ExpectSteps(r.schedule, {{0, 0x08, ON, 0}, {0, 0x08, OFF, 1000}});
}

TEST(RowValidation, EachRuleGivesItsOwnMessage) {
    struct Case {
        const char* name;
        int64_t on, off;
        int recMode;
        RowFault fault;
        std::string_view message;
    };
    const Case cases[] = {
        {"equal offsets", 500, 500, 0, RowFault::kOnEqualsOff, kMsgOnEqualsOff},
        {"equal in time-lapse too", -500, -500, 2, RowFault::kOnEqualsOff, kMsgOnEqualsOff},
        {"beyond frame interval", 0, 10001, 2, RowFault::kOutsideFrameInterval,
         kMsgOutsideFrameInterval},
        {"at frame interval is fine", 0, 10000, 2, RowFault::kNone, {}},
        {"negative fine in time-lapse", -9000, 0, 2, RowFault::kNone, {}},
        {"beyond recording interval", 30001, 0, 1, RowFault::kOutsideRecordInterval,
         kMsgOutsideRecordInterval},
        {"negative outside time-lapse", -1, 1000, 3, RowFault::kNegativeOutsideTimelapse,
         kMsgNegativeOutsideTimelapse},
        // Interval first: a negative row beyond the interval gets the interval message.
        {"interval before negative", -1000, 40000, 0, RowFault::kOutsideRecordInterval,
         kMsgOutsideRecordInterval},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RowVerdict v = ValidateSyncRow(c.on, c.off, c.recMode, 10000, 30000);
        EXPECT_EQ(v.fault, c.fault);
        EXPECT_EQ(v.message, c.message);
    }
    EXPECT_EQ(ValidateClockRow({6, 30, 0}, {6, 30, 0}).message, kMsgClockOnEqualsOff);
    EXPECT_TRUE(ValidateClockRow({6, 30, 0}, {6, 30, 1}).ok());
}

TEST(RowValidation, SwitchingAwayFromTimelapseRejectsANegativeRow) {
    ScheduleInputs in = Inputs(2);
    Sync(in, 0, -2.0, 1.0);
    EXPECT_TRUE(CompileSchedule(in).rejected.empty());
    in.recMode = 0;
    const CompileResult r = CompileSchedule(in);
    ASSERT_EQ(r.rejected.size(), 1u);
    EXPECT_EQ(r.rejected[0].verdict.message, kMsgNegativeOutsideTimelapse);
    EXPECT_FALSE(r.schedule.HasSteps());
}

TEST(RowValidation, OffsetsEqualToTheMillisecondAreEqual) {
    // Kept apart they would round onto one millisecond and the relay could end up ON.
    ScheduleInputs in = Inputs(0);
    Sync(in, 0, 0.1, 0.1004);
    EXPECT_EQ(CompileSchedule(in).rejected.size(), 1u);
    EXPECT_EQ(OffsetMs(0.0005), 1);
    EXPECT_EQ(OffsetMs(-2.0), -2000);
}

TEST(ScheduleCompiler, ClockRowsBecomeWindowsAndMasks) {
    ScheduleInputs in = Inputs(0, true);
    in.rows[2].mode = RowMode::kClock;
    in.rows[2].on = {22, 0, 0};
    in.rows[2].off = {6, 0, 0};
    in.rows[6].mode = RowMode::kClock;
    in.rows[6].on = {8, 0, 0};
    in.rows[6].off = {8, 0, 0};  // rejected
    const CompileResult r = CompileSchedule(in);
    EXPECT_FALSE(r.schedule.HasSteps());
    ASSERT_TRUE(r.schedule.HasClockEvents());
    ASSERT_EQ(r.schedule.clockChannels.size(), 1u);
    EXPECT_EQ(r.schedule.clockChannels[0].channel, 2);
    EXPECT_EQ(r.schedule.clockMask[0], 0x04);
    EXPECT_EQ(r.schedule.clockMask[1], 0);
    ASSERT_EQ(r.rejected.size(), 1u);
    EXPECT_EQ(r.rejected[0].row, 6);
}

}  // namespace
}  // namespace tesmira
