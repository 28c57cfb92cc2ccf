// The termios channel on real pseudo-terminals: line settings, exclusivity, queues, bounded
// writes and a port that vanishes while open.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "serial/serial_channel.h"
#include "serial_test_support.h"

namespace tesmira::test {
namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(SerialChannel, OpensRaw9600EightBitsWithoutFlowControl) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    // Start from a cooked, flow-controlled line to see that Open really replaces it.
    termios cooked = pty.Termios();
    cooked.c_lflag |= ICANON | ECHO;
    cooked.c_iflag |= IXON | ICRNL;
    cooked.c_cflag |= PARENB;
    tcsetattr(pty.Terminal(), TCSANOW, &cooked);

    SerialChannel ch;
    ASSERT_EQ(ch.Open(pty.Path(), LineSettings{}), open_result::kOk);
    EXPECT_TRUE(ch.IsOpen());
    const termios t = pty.Termios();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    ch.RaiseControlLines();  // no modem lines on a pseudo-terminal: quietly ignored
    EXPECT_TRUE(ch.IsOpen());
}

TEST(SerialChannel, RefusesMissingPortsAndFilesThatAreNoTerminal) {
    TempDir dir;
    const std::string file = dir.Path() + "/not-a-port";
    std::ofstream(file) << "x";
    SerialChannel ch;
    EXPECT_EQ(ch.Open(dir.Path() + "/missing", LineSettings{}), open_result::kOpenFailed);
    EXPECT_EQ(ch.Open(file, LineSettings{}), open_result::kOpenFailed);
    EXPECT_EQ(ch.Open("", LineSettings{}), open_result::kOpenFailed);
    EXPECT_FALSE(ch.IsOpen());
    // Nothing the device does not support is half-applied: the channel stays closed.
    PtyPair pty;
    LineSettings odd;
    odd.stopBits = 3;
    EXPECT_EQ(ch.Open(pty.Path(), odd), open_result::kLineFailed);
    EXPECT_FALSE(ch.IsOpen());
}

TEST(SerialChannel, SecondOpenOfTheSamePortIsRefusedUntilTheFirstCloses) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    SerialChannel first, second;
    ASSERT_EQ(first.Open(pty.Path(), LineSettings{}), open_result::kOk);
    EXPECT_LT(second.Open(pty.Path(), LineSettings{}), 0);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(first.IsOpen());
    first.Close();
    EXPECT_EQ(second.Open(pty.Path(), LineSettings{}), open_result::kOk);
    // Reopening the same channel releases its own lock first.
    EXPECT_EQ(second.Open(pty.Path(), LineSettings{}), open_result::kOk);
}

TEST(SerialChannel, OpeningDiscardsStaleInputAndEmptiesTheAccumulator) {
    PtyPair pty;
    SerialChannel ch;
    pty.Send("stale reply\r");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ch.receiveAccumulator = "half a rep";
    ASSERT_EQ(ch.Open(pty.Path(), LineSettings{}), open_result::kOk);
    EXPECT_EQ(ch.BytesWaiting(), 0);
    EXPECT_TRUE(ch.receiveAccumulator.empty());

    pty.Send("aSPR 5000\r");
    const auto start = Clock::now();
    while (ch.BytesWaiting() < 10 && ElapsedMs(start) < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(ch.BytesWaiting(), 10);
    EXPECT_EQ(ch.Read(4), "aSPR");
    EXPECT_EQ(ch.Read(100), " 5000\r");
    // Nothing left: a read returns at once with nothing.
    const auto before = Clock::now();
    EXPECT_EQ(ch.Read(100), "");
    EXPECT_LT(ElapsedMs(before), 50);

    ch.Write("M:1+P100\r\nG\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(pty.Drain(), "M:1+P100\r\nG\r\n");
}

TEST(SerialChannel, WriteToAPeerThatReadsNothingGivesUpWithinTwentyMsPerByte) {
    PtyPair pty;
    SerialChannel ch;
    ASSERT_EQ(ch.Open(pty.Path(), LineSettings{}), open_result::kOk);
    // Fill the line until the device side takes no more, even after the kernel has moved what
    // it holds into the reading side's buffer.
    const std::string block(1024, 'x');
    long filled = 0;
    for (int round = 0; round < 100; ++round) {
        long thisRound = 0;
        ssize_t n;
        while ((n = ::write(pty.Terminal(), block.data(), block.size())) > 0)
            thisRound += n;
        filled += thisRound;
        if (round > 0 && thisRound == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    ASSERT_GT(filled, 0);

    const std::string text = "MOVREL x=-123\r";  // 14 bytes: at most 280 ms
    const auto start = Clock::now();
    ch.Write(text);
    const long ms = ElapsedMs(start);
    EXPECT_GE(ms, 200) << "gave up before its bound";
    EXPECT_LT(ms, 14 * SerialChannel::kWriteMsPerByte + 400);
    EXPECT_TRUE(ch.IsOpen());
}

TEST(SerialChannel, VanishedPortNeverBlocksAndReadsNothing) {
    PtyPair pty;
    SerialChannel ch;
    ASSERT_EQ(ch.Open(pty.Path(), LineSettings{}), open_result::kOk);
    pty.Send("R");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pty.Vanish();

    const auto start = Clock::now();
    for (int i = 0; i < 50; ++i)
        ch.Write("M:W+P100+P100\r\nG\r\n");
    EXPECT_LT(ElapsedMs(start), 200);
    EXPECT_EQ(ch.BytesWaiting(), 0);
    EXPECT_EQ(ch.Read(4095), "");
    // A port that is gone cannot be opened again.
    EXPECT_EQ(ch.Open(pty.Path(), LineSettings{}), open_result::kOpenFailed);
    EXPECT_FALSE(ch.IsOpen());
}

TEST(SerialChannel, ClosedChannelIgnoresEverything) {
    SerialChannel ch;
    ch.Write("!:\r\n");
    EXPECT_EQ(ch.BytesWaiting(), 0);
    EXPECT_EQ(ch.Read(10), "");
    ch.Close();
    ch.RaiseControlLines();
    EXPECT_FALSE(ch.IsOpen());
}

}  // namespace
}  // namespace tesmira::test
