#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "media/shutter_sound.h"

namespace tesmira {
namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// Plays without a sound device and as fast as the data flows.
constexpr char kSilentSink[] = "fakesink sync=false";

TEST(ShutterSound, FourShortWaveFilesAndNoSoundForIndexFour) {
    EXPECT_EQ(ShutterSoundName(0), "D5000_SHUTTER");
    EXPECT_EQ(ShutterSoundName(1), "KISSX2_SHUTTER");
    EXPECT_EQ(ShutterSoundName(2), "50D_SHUTTER");
    EXPECT_EQ(ShutterSoundName(3), "ALPHA77_SHUTTER");
    EXPECT_EQ(ShutterSoundName(4), "");
    EXPECT_EQ(ShutterSoundName(-1), "");
    EXPECT_TRUE(ShutterSoundBytes(4).empty());
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const std::vector<uint8_t> wav = ShutterSoundBytes(i);
        ASSERT_GT(wav.size(), 44u);
        EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
        EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVE", 4), 0);
        EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
        const uint32_t byteRate = Le32(wav, 28);
        ASSERT_GT(byteRate, 0u);
        EXPECT_LT(double(wav.size()) / byteRate, 1.0);  // a click, not a tune
    }
}

TEST(ShutterSound, EverySoundPlaysToItsEndThroughTheSamePipeline) {
    ShutterSoundPlayer player(kSilentSink);
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 4; ++i) {
            player.Play(i);
            EXPECT_TRUE(player.WaitUntilPlayed(5000)) << "sound " << i << " round " << round;
        }
}

TEST(ShutterSound, PlayReturnsAtOnceAndAnotherShotCutsTheLastShort) {
    // A real-time sink: the sound would take a quarter second to play.
    ShutterSoundPlayer player("fakesink sync=true");
    const auto start = std::chrono::steady_clock::now();
    player.Play(0);
    player.Play(1);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(200));
    EXPECT_TRUE(player.WaitUntilPlayed(5000));
}

TEST(ShutterSound, NothingToPlayOrNoDeviceStaysSilent) {
    ShutterSoundPlayer player(kSilentSink);
    player.Play(4);
    EXPECT_FALSE(player.WaitUntilPlayed(100));

    const std::vector<uint8_t> junk(4000, 0x55);  // not a WAVE file
    player.Play(std::span<const uint8_t>(junk));
    EXPECT_FALSE(player.WaitUntilPlayed(5000));
    player.Play(2);  // the pipeline recovers for the next shot
    EXPECT_TRUE(player.WaitUntilPlayed(5000));

    // The machine's own output, whatever it has (the test machines have no sound card): the
    // call comes back promptly either way.
    ShutterSoundPlayer system;
    const auto start = std::chrono::steady_clock::now();
    system.Play(0);
    system.Play(3);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    ShutterSoundPlayer broken("no-such-sink-element");
    broken.Play(0);  // no message, no hang
    EXPECT_FALSE(broken.WaitUntilPlayed(100));
}

}  // namespace
}  // namespace tesmira
