#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "common/fake_timer_backend.h"
#include "instruments/relay_fakes.h"
#include "instruments/relay_runner.h"

namespace tesmira {
namespace {

// A fake clock whose local time moves with its tick when `ticking` (from `local` at tick `base`),
// for the clock windows; otherwise the time of day stands still.
struct WallClock : FakeClock {
    std::tm LocalTime() override {
        if (!ticking)
            return local;
        std::tm t = local;
        const int second = SecondsOfDay(local) + int((tick - base + phaseMs) / 1000);
        t.tm_hour = second / 3600 % 24;
        t.tm_min = second / 60 % 60;
        t.tm_sec = second % 60;
        return t;
    }
    bool ticking = false;
    uint32_t base = tick;
    uint32_t phaseMs = 0;  // how far into its second the local time is at `base`
};

// The runner on a fake clock: timers fire only as the test moves time forward.
struct Rig {
    WallClock clock;
    FakeTimerBackend backend{clock};
    TimerMultiplexer timers{&backend};
    FakeRelays relays{clock};
    FakeCountDown countDown;
    RelayRunner runner{timers, clock, relays, countDown};
    int markers = 0;
    uint32_t t0 = clock.tick;

    Rig() {
        backend.Attach(&timers);
        runner.Player().SetFrameMarkerHandler([this] { ++markers; });
    }
    void Compile(const ScheduleInputs& in) { runner.SetSchedule(CompileSchedule(in).schedule); }
    void Advance(uint32_t ms) { backend.Advance(ms); }
    uint32_t Since(const RelayCall& c) const { return c.tick - t0; }
};

ScheduleInputs Inputs(int recMode) {
    ScheduleInputs in;
    in.modulePresent = {true, true};
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

// ON/OFF every 100 ms: ten switches at 100..1000 ms over five relays.
ScheduleInputs TenSteps() {
    ScheduleInputs in = Inputs(0);
    for (int row = 0; row < 5; ++row)
        Sync(in, row, 0.1 + 0.2 * row, 0.2 + 0.2 * row);
    return in;
}

TEST(SequencePlayer, EverySwitchHappensAtItsScheduledMillisecond) {
    Rig rig;
    rig.Compile(TenSteps());
    ASSERT_EQ(rig.runner.Shot().outcome, ShotOutcome::kStarted);
    rig.Advance(1200);
    ASSERT_EQ(rig.relays.calls.size(), 10u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(rig.Since(rig.relays.calls[i]), 100 * (i + 1) + kFirstStepDelayMs) << i;
        EXPECT_EQ(rig.relays.calls[i].on, i % 2 == 0);
    }
    EXPECT_FALSE(rig.runner.Player().IsRunning());
    EXPECT_FALSE(rig.timers.IsRunning(TimerId::kRelayShot));
}

TEST(SequencePlayer, ALateTickDelaysOnlyItsOwnStep) {
    // Hold the sequence tick back by hand for 20 ms: the late step plays at once on the next
    // tick and the steps after it keep their times.
    Rig rig;
    rig.Compile(TenSteps());
    rig.runner.Shot();
    rig.Advance(250);  // steps at 110 and 210 done
    rig.timers.Stop(TimerId::kRelayShot);
    rig.Advance(80);  // 310 missed
    rig.runner.Player().OnTick();
    rig.Advance(1000);
    ASSERT_EQ(rig.relays.calls.size(), 10u);
    EXPECT_EQ(rig.Since(rig.relays.calls[2]), 330u);
    for (size_t i = 3; i < 10; ++i)
        EXPECT_EQ(rig.Since(rig.relays.calls[i]), 100 * (i + 1) + kFirstStepDelayMs) << i;
}

TEST(SequencePlayer, LongWaitsApproachOnAPreciseTimer) {
    EXPECT_EQ(ApproachPeriodMs(15), 15);
    EXPECT_EQ(ApproachPeriodMs(0), 1);
    for (int64_t wait : {20, 100, 2000, 600000}) {
        const int first = ApproachPeriodMs(wait);
        // A coarse timer up to 5% late still lands before the step is due.
        EXPECT_LT(first * 1.05, double(wait)) << wait;
    }
}

TEST(ShotButton, StartsStopsAndRefusesAnEmptyTimetable) {
    Rig rig;
    const ShotResult empty = rig.runner.Shot();
    EXPECT_EQ(empty.outcome, ShotOutcome::kNoTimetable);
    EXPECT_EQ(empty.message, kMsgNoTimetable);
    EXPECT_FALSE(rig.timers.IsRunning(TimerId::kRelayShot));

    ScheduleInputs in = Inputs(0);
    Sync(in, 0, 0.0, 1.0);
    rig.Compile(in);
    EXPECT_EQ(rig.runner.Shot().outcome, ShotOutcome::kStarted);
    rig.Advance(500);
    EXPECT_EQ(rig.runner.Shot().outcome, ShotOutcome::kStopped);
    rig.Advance(2000);
    EXPECT_EQ(rig.relays.states[0], 0);
    EXPECT_EQ(rig.relays.calls.size(), 2u);
}

TEST(SequencePlayer, ARunningSequencePlaysItsOwnSnapshot) {
    Rig rig;
    ScheduleInputs in = Inputs(0);
    Sync(in, 0, 0.0, 1.0);
    rig.Compile(in);
    rig.runner.Shot();
    rig.Advance(300);
    // Apply while running: the new schedule has nothing for relay 1.
    Sync(in, 0, 0.0, 0.0);
    Sync(in, 1, 0.5, 0.6);
    rig.Compile(in);
    rig.Advance(1000);
    ASSERT_EQ(rig.relays.calls.size(), 2u);
    EXPECT_EQ(rig.relays.calls[1].mask, 0x01);
    EXPECT_EQ(rig.Since(rig.relays.calls[1]), 1000u + kFirstStepDelayMs);
    // The next shot plays the new steps.
    rig.runner.Shot();
    rig.Advance(1000);
    EXPECT_EQ(rig.relays.calls.back().mask, 0x02);
}

TEST(TimelapseHook, TheMarkerTakesTheFrameAndALongSequenceRestartsCleanly) {
    Rig rig;
    ScheduleInputs in = Inputs(2);
    Sync(in, 0, -2.0, 1.0);  // ON 2 s before the frame, OFF 1 s after
    Sync(in, 1, -1.0, 9.0);  // still on when the next tick comes 5 s later
    rig.Compile(in);

    EXPECT_TRUE(rig.runner.OnTimelapseTick());
    EXPECT_EQ(rig.markers, 0);
    rig.Advance(2000 + kFirstStepDelayMs);
    EXPECT_EQ(rig.markers, 1);  // frame 2 s after the sequence's first step
    rig.Advance(3000);
    EXPECT_EQ(rig.relays.states[0], 0);
    EXPECT_EQ(rig.relays.states[1], 1);

    rig.relays.calls.clear();
    EXPECT_TRUE(rig.runner.OnTimelapseTick());  // the first sequence is still running
    // Relay 2 of the cut-short run goes off at once, then the new run switches relay 1 on.
    ASSERT_EQ(rig.relays.calls.size(), 1u);
    EXPECT_FALSE(rig.relays.calls[0].on);
    EXPECT_EQ(rig.relays.calls[0].mask, 0x02);
    rig.Advance(kFirstStepDelayMs);
    ASSERT_EQ(rig.relays.calls.size(), 2u);
    EXPECT_TRUE(rig.relays.calls[1].on);
    rig.Advance(2000);
    EXPECT_EQ(rig.markers, 2);

    // Without steps the recording side takes the frame itself.
    Rig plain;
    EXPECT_FALSE(plain.runner.OnTimelapseTick());
}

TEST(Cycle, CountsCyclesAndTheCountDownRestartsFromTheInterval) {
    Rig rig;
    ScheduleInputs in = Inputs(3);
    Sync(in, 0, 0.0, 1.0);
    rig.Compile(in);
    rig.runner.StartCycle(5000, 3);
    EXPECT_TRUE(rig.countDown.visible);
    EXPECT_EQ(rig.countDown.title, "サイクル");

    rig.Advance(10);
    EXPECT_EQ(rig.countDown.title, "サイクル  1 / 3");
    EXPECT_EQ(rig.countDown.remaining, 5);
    rig.Advance(3000);
    EXPECT_EQ(rig.countDown.remaining, 5);  // the panel's 1009 tick belongs to the caller
    for (int i = 0; i < 3; ++i)
        rig.runner.OnCountDownTick();
    EXPECT_EQ(rig.countDown.remaining, 2);
    rig.Advance(2000);  // second cycle: count-down back to the full interval
    EXPECT_EQ(rig.countDown.title, "サイクル  2 / 3");
    EXPECT_EQ(rig.countDown.remaining, 5);
    EXPECT_EQ(rig.countDown.total, 5);

    rig.Advance(10000);  // third cycle, then the fourth tick ends the cycle
    EXPECT_FALSE(rig.runner.IsCycling());
    EXPECT_FALSE(rig.countDown.visible);
    EXPECT_FALSE(rig.timers.IsRunning(TimerId::kRelayRepeat));
    int ons = 0;
    for (const RelayCall& c : rig.relays.calls)
        ons += c.on;
    EXPECT_EQ(ons, 3);
}

TEST(Cycle, AClockOnlyCycleShowsNoMessageAndStoppingSwitchesClockRelaysOff) {
    Rig rig;
    ScheduleInputs in = Inputs(3);
    in.rows[6].mode = RowMode::kClock;
    in.rows[6].on = {6, 0, 0};
    in.rows[6].off = {18, 0, 0};
    rig.Compile(in);
    rig.runner.StartCycle(2000, 10);
    rig.Advance(4100);
    EXPECT_EQ(rig.runner.CycleCount(), 3);
    EXPECT_FALSE(rig.runner.Player().IsRunning());

    rig.runner.OnCountDownTick();  // 12:00 on the fake clock: inside 6-18 h
    EXPECT_EQ(rig.relays.states[6], 1);
    rig.runner.StopCycle();
    EXPECT_EQ(rig.relays.states[6], 0);
    EXPECT_FALSE(rig.timers.IsRunning(TimerId::kRelayRepeat));
    EXPECT_FALSE(rig.timers.IsRunning(TimerId::kCountDown));
    EXPECT_FALSE(rig.timers.IsRunning(TimerId::kClockWindows));
}

TEST(ClockTick, ClockRelaysAreHeldOffWhileASequenceRuns) {
    Rig rig;
    ScheduleInputs in = Inputs(0);
    Sync(in, 0, 0.0, 1.0);
    in.rows[1].mode = RowMode::kClock;  // 6-18 h, and the fake clock says 12:00
    rig.Compile(in);
    rig.runner.OnCountDownTick();
    EXPECT_EQ(rig.relays.states[1], 1);
    rig.runner.Shot();
    rig.runner.OnCountDownTick();
    EXPECT_EQ(rig.relays.states[1], 0);
    rig.Advance(1500);
    rig.runner.OnCountDownTick();
    EXPECT_EQ(rig.relays.states[1], 1);
}

TEST(RecordingHooks, EveryStopOfASynchronisedRunEndsTheCycle) {
    Rig rig;
    ScheduleInputs in = Inputs(0);
    Sync(in, 0, 0.0, 5.0);
    rig.Compile(in);
    ASSERT_TRUE(rig.runner.OnRecordingFirstFrame());
    EXPECT_TRUE(rig.runner.IsCycling());
    EXPECT_TRUE(rig.timers.IsRunning(TimerId::kCountDown));
    rig.Advance(1000);
    EXPECT_EQ(rig.relays.states[0], 1);
    rig.runner.OnRunStopped();  // the user's stop, not the time limit
    EXPECT_EQ(rig.relays.states[0], 0) << "the cut-short sequence leaves no relay on";
    EXPECT_FALSE(rig.runner.IsCycling());
    EXPECT_FALSE(rig.runner.Player().IsRunning());
    EXPECT_FALSE(rig.timers.IsRunning(TimerId::kCountDown));

    // End of a series: the sequence's relays go off.
    rig.runner.SwitchOffSequenceRelays();
    EXPECT_EQ(rig.relays.states[0], 0);
    EXPECT_EQ(rig.relays.calls.back().mask, 0x01);
    EXPECT_FALSE(rig.relays.calls.back().on);

    // Nothing to play: the hook starts nothing and leaves the cycle alone.
    Rig empty;
    EXPECT_FALSE(empty.runner.OnRecordingFirstFrame());
    EXPECT_FALSE(empty.runner.IsCycling());
}

// An overnight clock row through the count-down tick, one second at a time across midnight: the
// relay is switched on once at 22:00:00 and nothing is switched again until 06:00:00.
TEST(ClockTick, AnOvernightRelayIsNotSwitchedAtMidnight) {
    Rig rig;
    ScheduleInputs in = Inputs(0);
    in.rows[4].mode = RowMode::kClock;  // module 2, relay 1
    in.rows[4].on = {22, 0, 0};
    in.rows[4].off = {6, 0, 0};
    rig.Compile(in);
    auto at = [&rig](int h, int m, int s) {
        rig.clock.local.tm_hour = h;
        rig.clock.local.tm_min = m;
        rig.clock.local.tm_sec = s;
        rig.runner.OnCountDownTick();
    };
    at(21, 59, 59);
    EXPECT_EQ(rig.relays.states[4], 0);
    at(22, 0, 0);
    EXPECT_EQ(rig.relays.states[4], 1);
    const size_t switched = rig.relays.calls.size();
    for (int s = 57; s <= 59; ++s)
        at(23, 59, s);
    for (int s = 0; s <= 2; ++s)
        at(0, 0, s);
    EXPECT_EQ(rig.relays.calls.size(), switched) << "no OFF/ON blink at midnight";
    EXPECT_EQ(rig.relays.states[4], 1);
    at(6, 0, 0);
    EXPECT_EQ(rig.relays.states[4], 0);
    EXPECT_EQ(rig.relays.calls.back().module, 1);
    EXPECT_FALSE(rig.relays.calls.back().on);
}

TEST(Timers, SequenceAndCycleTimersArePrecise) {
    Rig rig;
    ScheduleInputs in = Inputs(3);
    Sync(in, 0, 0.0, 20.0);
    rig.Compile(in);
    rig.runner.StartCycle(120000, 2);
    rig.Advance(10 + kFirstStepDelayMs);
    EXPECT_TRUE(rig.backend.IsPrecise(TimerId::kRelayRepeat));
    EXPECT_TRUE(rig.backend.IsPrecise(TimerId::kRelayShot));
    EXPECT_GE(rig.backend.PeriodOf(TimerId::kRelayShot), 20) << "a long wait, still precise";
}

// However a sequence ends before its last step, what it switched on goes off at that moment, not
// at an OFF step that will never come.
TEST(SequenceEnds, EveryEndSwitchesOffAtOnceWhatTheSequenceSwitchedOn) {
    struct Row {
        int row;
        double on, off;
    };
    struct Case {
        const char* name;
        Row row;
        std::function<void(Rig&)> play;  // ends the sequence at `endAt` ms after the start
        uint32_t endAt;
    };
    const std::vector<Case> cases = {
        // R4 ON 1 s / OFF 2 s, 2 s x 5 cycles: the sixth cycle tick ends the cycle while the
        // last sequence's OFF is still 10 ms away.
        {"cycle, R4 1 s / 2 s, 2 s x 5",
         {3, 1.0, 2.0},
         [](Rig& r) {
             r.runner.StartCycle(2000, 5);
             r.Advance(10 + 5 * 2000 + 500);
         },
         10 + 5 * 2000},
        {"cycle whose sequence outlasts its interval",
         {0, 0.0, 2.5},
         [](Rig& r) {
             r.runner.StartCycle(2000, 2);
             r.Advance(10 + 2 * 2000 + 500);
         },
         10 + 2 * 2000},
        {"cycle whose row is ON after its OFF",
         {1, 1.5, 0.5},
         [](Rig& r) {
             r.runner.StartCycle(2000, 1);
             r.Advance(10 + 2000 + 500);
         },
         10 + 2000},
        {"shot pressed again",
         {0, 0.0, 5.0},
         [](Rig& r) {
             r.runner.Shot();
             r.Advance(1000);
             r.runner.Shot();
         },
         1000},
        {"recording stopped",
         {0, 0.0, 5.0},
         [](Rig& r) {
             r.runner.OnRecordingFirstFrame();
             r.Advance(1000);
             r.runner.OnRunStopped();
         },
         1000},
        {"one recording of a series stopped",
         {0, 0.0, 5.0},
         [](Rig& r) {
             r.runner.OnRecordingFirstFrame();
             r.Advance(1000);
             r.runner.OnRecordingStopped();
         },
         1000},
        {"program closed mid-shot",
         {0, 0.0, 5.0},
         [](Rig& r) {
             r.runner.Shot();
             r.Advance(1000);
             r.runner.Shutdown();
         },
         1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        ScheduleInputs in = Inputs(3);
        Sync(in, c.row.row, c.row.on, c.row.off);
        rig.Compile(in);
        c.play(rig);
        rig.Advance(6000);  // nothing more may come
        EXPECT_EQ(rig.relays.states[c.row.row], 0);
        ASSERT_FALSE(rig.relays.calls.empty());
        const RelayCall& last = rig.relays.calls.back();
        EXPECT_FALSE(last.on);
        EXPECT_EQ(last.mask, ChannelBit(c.row.row));
        EXPECT_EQ(rig.Since(last), c.endAt);
        EXPECT_FALSE(rig.runner.Player().IsRunning());
        EXPECT_FALSE(rig.timers.IsRunning(TimerId::kRelayShot));
    }
}

// A sequence starts 10 ms after it is asked for; two rows whose offsets differ by less than a
// millisecond switch 1 ms apart, also when the tick that plays them comes late.
TEST(SequencePlayer, TheFirstStepWaitsTenMsAndCloseStepsStayAMillisecondApart) {
    Rig rig;
    ScheduleInputs in = Inputs(0);
    Sync(in, 0, 0.1, 0.5);
    Sync(in, 1, 0.1004, 0.6);
    rig.Compile(in);
    rig.runner.Shot();
    rig.Advance(kFirstStepDelayMs - 1);
    EXPECT_EQ(rig.markers, 0);
    rig.Advance(1);
    EXPECT_EQ(rig.markers, 1);  // the marker at the sequence's zero
    rig.Advance(90);            // 100 ms after the start
    rig.timers.Stop(TimerId::kRelayShot);
    rig.Advance(40);
    rig.runner.Player().OnTick();  // late: both ON steps are due
    rig.Advance(600);
    ASSERT_EQ(rig.relays.calls.size(), 4u);
    EXPECT_EQ(rig.relays.calls[0].mask, 0x01);
    EXPECT_EQ(rig.Since(rig.relays.calls[0]), 140u);
    EXPECT_EQ(rig.relays.calls[1].mask, 0x02);
    EXPECT_EQ(rig.Since(rig.relays.calls[1]), 141u);
    EXPECT_EQ(rig.Since(rig.relays.calls[2]), 510u);
    EXPECT_EQ(rig.Since(rig.relays.calls[3]), 610u);
}

// A 10 s clock window during a series of recordings whose relay sequence plays at each recording:
// once the count-down tick has looked at the clock, the relay goes on within a fifth of a second
// of the window's start and off within a fifth of a second of its end, and nothing in between
// (not the recordings' starts and stops) switches it.
TEST(ClockFollowing, AWindowHoldsItsRelayForItsWholeLengthDuringARun) {
    Rig rig;
    ScheduleInputs in = Inputs(1);
    in.recIntervalMs = 6000;
    in.clockOffDuringShot = false;
    Sync(in, 3, 1.0, 2.0);
    in.rows[0].mode = RowMode::kClock;
    in.rows[0].on = {12, 0, 5};
    in.rows[0].off = {12, 0, 15};
    rig.Compile(in);
    rig.clock.ticking = true;
    rig.clock.phaseMs = 300;  // 12:00:00.300 now: the window is 4.7 s to 14.7 s away

    for (uint32_t start = 0; start < 24000; start += 6000) {  // four 2 s recordings
        rig.Advance(start + 100 - (rig.clock.tick - rig.t0));
        rig.runner.OnRecordingFirstFrame();
        if (start == 0) {
            rig.Advance(1000);
            rig.runner.FollowClockWindows();  // the first count-down tick
        }
        rig.Advance(start + 2200 - (rig.clock.tick - rig.t0));
        if (start < 18000)
            rig.runner.OnRecordingStopped();
    }
    rig.runner.OnRunStopped();

    std::vector<RelayCall> r1;
    for (const RelayCall& c : rig.relays.calls)
        if (c.module == 0 && c.mask == 0x01)
            r1.push_back(c);
    ASSERT_GE(r1.size(), 2u);
    EXPECT_TRUE(r1[0].on);
    EXPECT_GE(rig.Since(r1[0]), 4700u);
    EXPECT_LE(rig.Since(r1[0]), 4700u + kClockFollowPeriodMs);
    EXPECT_FALSE(r1[1].on);
    EXPECT_GE(rig.Since(r1[1]), 14700u);
    EXPECT_LE(rig.Since(r1[1]), 14700u + kClockFollowPeriodMs);
    EXPECT_EQ(rig.relays.states[0], 0);
    EXPECT_FALSE(rig.timers.IsRunning(TimerId::kClockWindows)) << "the run has ended";
}

}  // namespace
}  // namespace tesmira
