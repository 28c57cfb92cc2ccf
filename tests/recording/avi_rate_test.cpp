// The frame-rate rewrite on files from our writer and from the ffmpeg program: only the header
// blocks change, twice gives the same bytes, and broken or foreign layouts are refused safely.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "avi_probe.h"
#include "media/avi_writer.h"
#include "recording/avi_rate.h"

namespace tesmira {
namespace {

uint32_t At32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class AviRateTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir(); }
    void TearDown() override { test::RemoveTree(dir_); }

    std::string OurFile(const std::string& name, bool audio) {
        const std::string path = dir_ + "/" + name;
        auto w = MakeAviWriter();
        std::string error;
        std::optional<AudioFormat> af;
        if (audio)
            af = AudioFormat{22050, 2, 16};
        EXPECT_TRUE(
            w->Open(path, VideoFormat{32, 24, PixelLayout::Bgr24, 30, 1}, af, {}, 0.0, &error))
            << error;
        std::vector<uint8_t> frame(32 * 24 * 3, 9), pcm(2940, 3);
        for (int i = 0; i < 5; ++i) {
            w->WriteVideo(frame.data(), 96, 0);
            if (audio)
                w->WriteAudio(pcm.data(), pcm.size(), 0);
        }
        w->Close(&error);
        return path;
    }

    std::string FfmpegFile(const std::string& name, bool audio) {
        const std::string path = dir_ + "/" + name;
        std::string cmd = "ffmpeg -v error -nostdin -f lavfi -i testsrc=size=64x48:rate=25 ";
        if (audio)
            cmd += "-f lavfi -i sine=sample_rate=8000 -c:a pcm_s16le ";
        cmd += "-t 0.4 -c:v mjpeg '" + path + "'";
        return std::system(cmd.c_str()) == 0 ? path : std::string();
    }

    // Rewrites and checks that only the avih block, the video strh block and, with audio, the
    // audio strh block differ; returns the audio strh offset (0 without audio).
    void CheckOnlyHeadersChange(const std::string& path, double rate, bool audio) {
        const auto before = test::ReadFileBytes(path);
        AviRateInfo info;
        ASSERT_TRUE(InspectAviRate(path, &info));
        ASSERT_EQ(RewriteAviRate(path, rate), AviRewriteResult::Rewritten);
        const auto after = test::ReadFileBytes(path);
        ASSERT_EQ(before.size(), after.size());
        const size_t audioStrh = 88 + 8 + At32(before, 92) + 12;
        for (size_t i = 0; i < before.size(); ++i) {
            const bool inAvih = i >= 24 && i < 88;
            const bool inStrh = i >= 100 && i < 164;
            const bool inAudio = audio && i >= audioStrh && i < audioStrh + 64;
            if (!inAvih && !inStrh && !inAudio) {
                ASSERT_EQ(before[i], after[i]) << "offset " << i;
            }
        }
        EXPECT_EQ(At32(after, 32), uint32_t(1000000.0 / rate));
        EXPECT_EQ(At32(after, 132), 10000000u);
        if (audio) {
            const double old = info.streamRate;
            EXPECT_EQ(At32(after, audioStrh + 32),
                      uint32_t(At32(before, audioStrh + 32) * rate / old));
        }
        // Same rate again: same bytes.
        EXPECT_EQ(RewriteAviRate(path, rate), AviRewriteResult::Unchanged);
        EXPECT_EQ(test::ReadFileBytes(path), after);
        const auto probe = test::ProbeAvi(path);
        EXPECT_TRUE(probe.opened);
        EXPECT_NEAR(probe.frameRate, rate, 0.01);
        EXPECT_EQ(probe.decodedFrames, int(info.frameCount));
    }

    std::string dir_;
};

TEST_F(AviRateTest, ExamplesOfTheStoredValues) {
    const std::string path = OurFile("a.avi", false);
    const struct {
        double rate;
        uint32_t us, scale;
    } examples[] = {{29.97, 33366, 333667},
                    {30.0, 33333, 333333},
                    {59.94, 16683, 166833},
                    {60.0, 16666, 166666}};
    for (const auto& e : examples) {
        ASSERT_EQ(RewriteAviRate(path, e.rate), AviRewriteResult::Rewritten) << e.rate;
        const auto b = test::ReadFileBytes(path);
        EXPECT_EQ(At32(b, 32), e.us);
        EXPECT_EQ(At32(b, 128), e.scale);
        EXPECT_EQ(At32(b, 132), 10000000u);
        AviRateInfo info;
        ASSERT_TRUE(InspectAviRate(path, &info));
        EXPECT_NEAR(info.headerRate, 1e6 / e.us, 1e-9);
        EXPECT_EQ(info.frameCount, 5u);
    }
    // The slowest custom rate still fits the 32-bit scale.
    ASSERT_EQ(RewriteAviRate(path, 0.001), AviRewriteResult::Rewritten);
    AviRateInfo slow;
    ASSERT_TRUE(InspectAviRate(path, &slow));
    EXPECT_NEAR(slow.streamRate, 0.001, 1e-9);
    EXPECT_EQ(RewriteAviRate(path, 0.0), AviRewriteResult::BadRate);
}

TEST_F(AviRateTest, OnlyHeaderBlocksChangeInOurFiles) {
    CheckOnlyHeadersChange(OurFile("v.avi", false), 59.94, false);
    CheckOnlyHeadersChange(OurFile("va.avi", true), 29.97, true);
}

TEST_F(AviRateTest, OnlyHeaderBlocksChangeInFilesOfTheFfmpegProgram) {
    if (!test::HaveFfmpegProgram())
        GTEST_SKIP() << "the ffmpeg program is not installed";
    const std::string video = FfmpegFile("f.avi", false);
    const std::string both = FfmpegFile("fa.avi", true);
    ASSERT_FALSE(video.empty());
    ASSERT_FALSE(both.empty());
    CheckOnlyHeadersChange(video, 60.0, false);
    CheckOnlyHeadersChange(both, 30.0, true);
}

TEST_F(AviRateTest, AfterRecordingReportsRatesAndRewritesOnlyWhenAsked) {
    const std::string path = OurFile("r.avi", true);
    const auto before = test::ReadFileBytes(path);
    double header = 0, stream = 0;
    EXPECT_EQ(RewriteAviRateAfterRecording(path, false, 59.94, &header, &stream),
              AviRewriteResult::Unchanged);
    EXPECT_NEAR(header, 1e6 / 33333, 1e-9);
    EXPECT_DOUBLE_EQ(stream, 30.0);
    EXPECT_EQ(test::ReadFileBytes(path), before);
    EXPECT_EQ(RewriteAviRateAfterRecording(path, true, 59.94, &header, &stream),
              AviRewriteResult::Rewritten);
    EXPECT_DOUBLE_EQ(stream, 30.0) << "the rates found before the rewrite are reported";
}

TEST_F(AviRateTest, RefusesFilesThatAreNotLaidOutAsExpected) {
    const auto good = test::ReadFileBytes(OurFile("g.avi", true));
    struct Broken {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {{"audio stream first", 108, 0x73647561 /*auds*/},
                 {"zero frame time", 32, 0},
                 {"zero scale", 128, 0},
                 {"not RIFF", 0, 0x58464952 /*RIFX*/},
                 {"no strh", 100, 0x4B4E554A /*JUNK*/}};
    for (const auto& c : cases) {
        auto bytes = good;
        Put32(bytes, c.at, c.value);
        const std::string path = dir_ + "/broken.avi";
        WriteBytes(path, bytes);
        AviRateInfo info;
        EXPECT_FALSE(InspectAviRate(path, &info)) << c.what;
        EXPECT_EQ(RewriteAviRate(path, 30.0), AviRewriteResult::NotAvi) << c.what;
        EXPECT_EQ(test::ReadFileBytes(path), bytes) << c.what << ": nothing written";
    }
    // Cut short, empty, missing.
    WriteBytes(dir_ + "/short.avi", std::vector<uint8_t>(good.begin(), good.begin() + 150));
    EXPECT_FALSE(InspectAviRate(dir_ + "/short.avi", nullptr));
    WriteBytes(dir_ + "/empty.avi", {});
    EXPECT_FALSE(InspectAviRate(dir_ + "/empty.avi", nullptr));
    EXPECT_EQ(RewriteAviRate(dir_ + "/none.avi", 30.0), AviRewriteResult::OpenFailed);
}

TEST_F(AviRateTest, SecondStreamListIsUsedOnlyWhenItReallyIsOne) {
    // A video-only file claiming two streams, and a first list size pointing past the end.
    auto bytes = test::ReadFileBytes(OurFile("s.avi", false));
    Put32(bytes, 56, 2);
    const std::string path = dir_ + "/claims2.avi";
    WriteBytes(path, bytes);
    ASSERT_EQ(RewriteAviRate(path, 60.0), AviRewriteResult::Rewritten);
    const auto after = test::ReadFileBytes(path);
    for (size_t i = 164; i < after.size(); ++i)
        ASSERT_EQ(after[i], bytes[i]) << i;

    Put32(bytes, 92, 0xFFFFFFF0u);
    WriteBytes(path, bytes);
    EXPECT_EQ(RewriteAviRate(path, 30.0), AviRewriteResult::Rewritten);

    // An old video rate of 0 leaves the audio rate alone.
    auto withAudio = test::ReadFileBytes(OurFile("z.avi", true));
    Put32(withAudio, 132, 0);
    WriteBytes(path, withAudio);
    const size_t audioStrh = 88 + 8 + At32(withAudio, 92) + 12;
    ASSERT_EQ(RewriteAviRate(path, 30.0), AviRewriteResult::Rewritten);
    EXPECT_EQ(At32(test::ReadFileBytes(path), audioStrh + 32), At32(withAudio, audioStrh + 32));
}

}  // namespace
}  // namespace tesmira
