// The stage's run-loop ticks (reception and the ready protocol) on fake serial channels,
// stepped by the fake clock.
#include <gtest/gtest.h>

#include "common/fake_serial_channel.h"
#include "common/fake_timer_backend.h"
#include "common/message_recorder.h"
#include "core/clock.h"
#include "core/settings.h"
#include "serial/serial_reception.h"
#include "serial/serial_slots.h"
#include "stage/stage_run_loop.h"
#include "stage/stage_state.h"

namespace tesmira {
namespace {

using test::FakeSerialChannel;

class RunLoopTest : public ::testing::Test {
protected:
    RunLoopTest() : backend(clock), timers(&backend) {
        backend.Attach(&timers);
        slots.Install(1, &xy);
        slots.Install(2, &z);
        settings.zAxisType = 0;  // TE2000E
        loop.Install();
        loop.SetZReplyHandler([this](const std::string& r) { replies.push_back(r); });
    }

    Settings settings;
    test::MessageRecorder notifier;
    SerialSlots slots{settings, notifier};
    StageState stage;
    FakeClock clock;
    FakeTimerBackend backend;
    TimerMultiplexer timers;
    StageRunLoop loop{timers, slots, stage, settings, clock};
    FakeSerialChannel xy, z;
    std::vector<std::string> replies;
};

TEST_F(RunLoopTest, ReplySplitOverTwoTicksIsHandedOnOnceAndWhole) {
    loop.StartReception();
    z.input = "aSPR 12";
    backend.Advance(500);
    EXPECT_TRUE(replies.empty());
    EXPECT_EQ(z.receiveAccumulator, "aSPR 12");
    z.input = "345\r";
    backend.Advance(499);
    EXPECT_TRUE(replies.empty()) << "the tick has not come yet";
    backend.Advance(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], "aSPR 12345\r");
    EXPECT_TRUE(z.receiveAccumulator.empty());
    backend.Advance(1500);
    EXPECT_EQ(replies.size(), 1u) << "nothing new arrived, nothing handed on";
}

TEST_F(RunLoopTest, TwoRepliesInOneChunkFormOneText) {
    z.input = "aSPR 100\raSPR 200\r";
    loop.OnSerialReceiveTick();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], "aSPR 100\raSPR 200\r");
}

TEST_F(RunLoopTest, LineFeedAlsoEndsAReplyButOnlyAtTheEndOfTheChunk) {
    z.input = "abc\ndef";
    loop.OnSerialReceiveTick();
    EXPECT_TRUE(replies.empty()) << "a chunk ending inside a line keeps everything";
    z.input = "\n";
    loop.OnSerialReceiveTick();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], "abc\ndef\n");
}

TEST_F(RunLoopTest, RepliesAreDroppedForOtherZKindsAndOnPortOne) {
    xy.input = "R\r";
    settings.zAxisType = 1;
    z.input = "ok\r";
    loop.OnSerialReceiveTick();
    EXPECT_TRUE(replies.empty());
    EXPECT_TRUE(xy.input.empty()) << "port 1 is drained";
    EXPECT_TRUE(xy.receiveAccumulator.empty());
    EXPECT_TRUE(z.receiveAccumulator.empty()) << "a complete reply empties the accumulator";
}

TEST_F(RunLoopTest, EveryCompleteReplyOfBothPortsIsHeardWhateverTheKinds) {
    std::vector<std::pair<int, std::string>> heard;
    loop.SetReplyListener([&](int slot, const std::string& r) { heard.emplace_back(slot, r); });
    settings.zAxisType = 1;
    xy.input = "OK\r\n";
    z.input = "ok";
    loop.OnSerialReceiveTick();
    z.input = "\r";
    loop.OnSerialReceiveTick();
    EXPECT_EQ(heard, (std::vector<std::pair<int, std::string>>{{1, "OK\r\n"}, {2, "ok\r"}}));
}

TEST_F(RunLoopTest, ClosedPortsAreNotRead) {
    z.open = false;
    xy.open = false;
    z.input = "aSPR 1\r";
    loop.OnSerialReceiveTick();
    EXPECT_EQ(z.reads + xy.reads, 0);
    EXPECT_TRUE(replies.empty());
}

TEST_F(RunLoopTest, ReadsAtMost4095BytesPerTick) {
    z.input = std::string(5000, 'x') + "\r";
    loop.OnSerialReceiveTick();
    EXPECT_EQ(z.receiveAccumulator.size(), 4095u);
    EXPECT_TRUE(replies.empty());
    loop.OnSerialReceiveTick();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].size(), 5001u);
}

TEST_F(RunLoopTest, BabblingDeviceIsCappedToTheNewest64KiB) {
    // 40 ticks of 4095 bytes without a line end: far more than the cap.
    for (int i = 0; i < 40; ++i) {
        z.input = std::string(4094, static_cast<char>('a' + i % 26)) + "#";
        loop.OnSerialReceiveTick();
        ASSERT_LE(z.receiveAccumulator.size(), kReceiveAccumulatorCap);
    }
    EXPECT_EQ(z.receiveAccumulator.size(), kReceiveAccumulatorCap);
    EXPECT_EQ(z.receiveAccumulator.back(), '#') << "the newest bytes are kept";
    z.input = "aSPR 7\r";
    loop.OnSerialReceiveTick();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].size(), kReceiveAccumulatorCap);
    EXPECT_EQ(replies[0].substr(replies[0].size() - 7), "aSPR 7\r");
}

TEST_F(RunLoopTest, ZeroBytesFromANoisyLineStayInTheReply) {
    // Dropped, the zero would join "5" and "000" into a position ten times too far.
    z.input = std::string(
        "aSPR 5\0"
        "000\r",
        11);
    loop.OnSerialReceiveTick();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], std::string("aSPR 5\0"
                                      "000\r",
                                      11));
}

TEST_F(RunLoopTest, ReadyQueryIsWrittenAndTheAnswerTimerStarts) {
    loop.SendReadyQuery("!:\r\n");
    ASSERT_EQ(xy.writes.size(), 1u);
    EXPECT_EQ(xy.writes[0], "!:\r\n");
    EXPECT_TRUE(loop.AwaitingReadyByte());
    EXPECT_EQ(backend.PeriodOf(TimerId::kReadyAnswer), 3);
    EXPECT_TRUE(backend.IsPrecise(TimerId::kReadyAnswer));
}

TEST_F(RunLoopTest, EmptyReadyQueryWritesNothingButStillWaits) {
    loop.SendReadyQuery("");
    EXPECT_TRUE(xy.writes.empty());
    EXPECT_TRUE(loop.AwaitingReadyByte());
    EXPECT_TRUE(backend.IsRunning(TimerId::kReadyAnswer));
}

TEST_F(RunLoopTest, ReadyQueryNeedsAnOpenPortOne) {
    xy.open = false;
    loop.SendReadyQuery("!:\r\n");
    EXPECT_TRUE(xy.writes.empty());
    EXPECT_FALSE(loop.AwaitingReadyByte());
    EXPECT_FALSE(backend.IsRunning(TimerId::kReadyAnswer));
}

TEST_F(RunLoopTest, OnlyASingleWaitingByteChangesTheReadyFlag) {
    stage.stageReady = 1;
    loop.SendReadyQuery("!:\r\n");

    xy.input = "BR";  // two bytes: read and dropped, the wait goes on
    backend.Advance(3);
    EXPECT_EQ(stage.stageReady, 1);
    EXPECT_TRUE(xy.input.empty());
    EXPECT_TRUE(backend.IsRunning(TimerId::kReadyAnswer));

    backend.Advance(30);  // nothing waiting: nothing changes
    EXPECT_TRUE(loop.AwaitingReadyByte());

    xy.input = "B";
    backend.Advance(3);
    EXPECT_EQ(stage.stageReady, 0) << "any single byte but R means busy";
    EXPECT_FALSE(backend.IsRunning(TimerId::kReadyAnswer));
    EXPECT_FALSE(loop.AwaitingReadyByte());

    loop.SendReadyQuery("!:\r\n");
    xy.input = "R";
    backend.Advance(3);
    EXPECT_EQ(stage.stageReady, 1);
    EXPECT_FALSE(backend.IsRunning(TimerId::kReadyAnswer));
}

// The recording tick asks every millisecond; a controller answers later than that. Asking again
// before the answer arrived would stack answers ("RRR") so the one-byte rule never fires.
TEST_F(RunLoopTest, NoNewReadyQueryWhileOneIsUnansweredUnlessItTimedOut) {
    stage.stageReady = 1;
    loop.SendReadyQuery("!:\r\n");
    for (int tick = 0; tick < 5; ++tick) {
        clock.Advance(1);
        loop.SendReadyQuery("!:\r\n");
    }
    EXPECT_EQ(xy.writes.size(), 1u);

    xy.input = "B";
    backend.Advance(3);
    EXPECT_EQ(stage.stageReady, 0);
    loop.SendReadyQuery("!:\r\n");  // answered: the next query goes out at once
    EXPECT_EQ(xy.writes.size(), 2u);

    clock.Advance(kReadyQueryRetryMs);  // no answer at all: ask again
    loop.SendReadyQuery("!:\r\n");
    EXPECT_EQ(xy.writes.size(), 3u);
}

// Ticks of the recording (1 ms) against a controller that answers until `silentFrom` ms and
// then never again; the message-pane lines are written down.
TEST_F(RunLoopTest, AControllerThatStopsAnsweringIsReportedOncePerSilence) {
    std::vector<std::string> lines;
    loop.SetSilenceReport([&](const std::string& line) { lines.push_back(line); });
    settings.port1 = "/dev/ttyUSB0";
    auto record = [&](int ms, bool answering) {
        for (int i = 0; i < ms; ++i) {
            clock.Advance(1);
            loop.SendReadyQuery("!:\r\n");
            if (answering && loop.AwaitingReadyByte())
                xy.input = "R";
            loop.OnReadyAnswerTick();
        }
    };
    record(3000, true);
    EXPECT_TRUE(lines.empty());
    record(kReadySilenceMs - 1, false);
    EXPECT_TRUE(lines.empty());
    record(5000, false);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "ステージコントローラ /dev/ttyUSB0 が応答しません。\n");
    record(100, true);  // answers again, then falls silent a second time
    record(3000, false);
    EXPECT_EQ(lines.size(), 2u);
    // A recording start or stop begins a new wait; an LEP MAC5000 (no query) is never reported.
    loop.SetAwaitingReadyByte(false);
    for (int i = 0; i < 5000; ++i) {
        clock.Advance(1);
        loop.SendReadyQuery("");
    }
    EXPECT_EQ(lines.size(), 2u);
}

TEST_F(RunLoopTest, AnswerIsIgnoredWhenNoQueryWasSent) {
    stage.stageReady = 1;
    timers.Start(TimerId::kReadyAnswer, kReadyAnswerPeriodMs);
    xy.input = "B";
    backend.Advance(3);
    EXPECT_EQ(stage.stageReady, 1);
    EXPECT_EQ(xy.input, "B") << "the byte stays for the reception tick";
}

// ---- multiplexer and fake backend -----------------------------------------------------------

TEST(TimerMultiplexerTest, StartingARunningTimerRestartsItWithTheNewPeriod) {
    FakeClock clock;
    FakeTimerBackend backend(clock);
    TimerMultiplexer timers(&backend);
    backend.Attach(&timers);
    int ticks = 0;
    timers.SetHandler(TimerId::kTimelapse, [&] { ++ticks; });

    timers.Start(TimerId::kTimelapse, 100);
    backend.Advance(90);
    timers.Start(TimerId::kTimelapse, 100);  // restart: the 90 ms are lost
    backend.Advance(90);
    EXPECT_EQ(ticks, 0);
    backend.Advance(10);
    EXPECT_EQ(ticks, 1);
    timers.Start(TimerId::kTimelapse, 1000);
    EXPECT_EQ(timers.PeriodOf(TimerId::kTimelapse), 1000);
    backend.Advance(999);
    EXPECT_EQ(ticks, 1);
    backend.Advance(1);
    EXPECT_EQ(ticks, 2);
}

TEST(TimerMultiplexerTest, OneShotStopsItselfInItsFirstTickAndMayRestartItself) {
    FakeClock clock;
    FakeTimerBackend backend(clock);
    TimerMultiplexer timers(&backend);
    backend.Attach(&timers);
    int delayed = 0, chained = 0;
    timers.SetHandler(TimerId::kDelayedZ, [&] {
        ++delayed;
        timers.Stop(TimerId::kDelayedZ);
    });
    timers.SetHandler(TimerId::kTimelapse, [&] {
        ++chained;
        timers.Start(TimerId::kTimelapse, 50);  // first tick sets the real interval
    });
    timers.Start(TimerId::kDelayedZ, 30);
    timers.Start(TimerId::kTimelapse, 10);
    backend.Advance(200);
    EXPECT_EQ(delayed, 1);
    EXPECT_FALSE(timers.IsRunning(TimerId::kDelayedZ));
    EXPECT_EQ(chained, 4);  // at 10, 60, 110, 160
}

TEST(TimerMultiplexerTest, PreciseUnderTwentyMillisecondsAndForScheduledEvents) {
    FakeClock clock;
    FakeTimerBackend backend(clock);
    TimerMultiplexer timers(&backend);
    timers.Start(TimerId::kRecording, 1);
    timers.Start(TimerId::kMeterReply, 50);
    timers.Start(TimerId::kSerialReceive, 500);
    // A coarse timer may be 5 % late: 500 ms on a 10 s time-lapse interval.
    timers.Start(TimerId::kTimelapse, 10000);
    timers.Start(TimerId::kCountDown, 1000);
    timers.Start(TimerId::kRelayShot, 300);
    timers.Start(TimerId::kRelayRepeat, 60000);
    for (TimerId id : {TimerId::kRecording, TimerId::kTimelapse, TimerId::kCountDown,
                       TimerId::kRelayShot, TimerId::kRelayRepeat})
        EXPECT_TRUE(backend.IsPrecise(id)) << int(id);
    EXPECT_FALSE(backend.IsPrecise(TimerId::kMeterReply));
    EXPECT_FALSE(backend.IsPrecise(TimerId::kSerialReceive));
}

TEST(TimerMultiplexerTest, FakeTimersFireAcrossTheTickWrap) {
    FakeClock clock;
    clock.tick = 0xFFFFFFF0u;
    FakeTimerBackend backend(clock);
    TimerMultiplexer timers(&backend);
    backend.Attach(&timers);
    int ticks = 0;
    timers.SetHandler(TimerId::kSerialReceive, [&] { ++ticks; });
    timers.Start(TimerId::kSerialReceive, 500);
    backend.Advance(1000);
    EXPECT_EQ(ticks, 2);
}

TEST(TimerMultiplexerTest, DispatchIgnoresForeignIdentifiers) {
    TimerMultiplexer timers;
    int calls = 0;
    timers.SetHandler(TimerId(999), [&] { ++calls; });
    const TimerId onePastLast = TimerId(static_cast<int>(kLastTimer) + 1);
    timers.SetHandler(onePastLast, [&] { ++calls; });
    timers.Dispatch(TimerId(999));
    timers.Dispatch(onePastLast);
    timers.Dispatch(TimerId::kPortRefresh);  // no handler
    EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace tesmira
