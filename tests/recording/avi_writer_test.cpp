// The AVI writer read back by libavformat: every compressor, every raw layout, with and without
// audio; it never replaces a file; a full disk still leaves a playable file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

extern "C" {
#include <libavformat/avformat.h>
}

#include "avi_probe.h"
#include "media/ffmpeg_avi_writer.h"
#include "recording/avi_rate.h"

namespace tesmira {
namespace {

using test::ProbeAvi;

constexpr int kW = 64, kH = 48;

// A picture whose rows get brighter downwards, so a flipped file is caught; it moves per frame.
std::vector<uint8_t> MakeFrame(PixelLayout layout, int index, size_t* stride) {
    const int bpp = layout == PixelLayout::Bgr24    ? 3
                    : layout == PixelLayout::Bgrx32 ? 4
                    : layout == PixelLayout::Gray8  ? 1
                                                    : 2;
    *stride = size_t(kW) * bpp + 8;  // padded rows, as GStreamer may hand them over
    std::vector<uint8_t> f(*stride * kH, 0);
    for (int y = 0; y < kH; ++y) {
        const uint8_t v = uint8_t(y * 5);
        for (int x = 0; x < kW; ++x) {
            uint8_t* p = f.data() + y * *stride + x * bpp;
            const uint8_t moving = uint8_t((x + index * 3) & 0x0F);
            switch (layout) {
                case PixelLayout::Bgr24:
                case PixelLayout::Bgrx32:
                    p[0] = v;
                    p[1] = v;
                    p[2] = uint8_t(v + moving);
                    if (bpp == 4)
                        p[3] = 0;
                    break;
                case PixelLayout::Gray8:
                    p[0] = v;
                    break;
                case PixelLayout::Yuy2:
                    p[0] = uint8_t(16 + v * 219 / 255);
                    p[1] = 128;
                    break;
            }
        }
    }
    return f;
}

struct Case {
    int mediaType;
    PixelLayout layout;
    bool audio;
    const char* codec;
    bool lossless;
};

class AviWriterRoundTrip : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { dir_ = test::MakeTempDir(); }
    void TearDown() override { test::RemoveTree(dir_); }
    std::string dir_;
};

TEST_P(AviWriterRoundTrip, ReadsBackAsWritten) {
    const Case c = GetParam();
    const std::string path = dir_ + "/001.avi";
    auto writer = MakeAviWriter();
    VideoFormat vf{kW, kH, c.layout, 30, 1};
    std::optional<AudioFormat> af;
    if (c.audio)
        af = AudioFormat{44100, 1, 16};
    CodecSettings cs;
    cs.mediaType = c.mediaType;
    std::string error;
    ASSERT_TRUE(writer->Open(path, vf, af, cs, 0.0, &error)) << error;
    std::vector<uint8_t> pcm(2940, 7);  // 1470 samples = one frame at 30 fps
    for (int i = 0; i < 12; ++i) {
        size_t stride = 0;
        const auto frame = MakeFrame(c.layout, i, &stride);
        ASSERT_TRUE(writer->WriteVideo(frame.data(), stride, i * 33333333LL));
        if (c.audio) {
            ASSERT_TRUE(writer->WriteAudio(pcm.data(), pcm.size(), i * 33333333LL));
        }
    }
    EXPECT_EQ(writer->FramesWritten(), 12);
    ASSERT_TRUE(writer->Close(&error)) << error;
    EXPECT_TRUE(writer->Close(&error)) << "closing twice is harmless";

    const auto probe = ProbeAvi(path);
    ASSERT_TRUE(probe.opened);
    EXPECT_EQ(probe.videoCodec, c.codec);
    EXPECT_EQ(probe.width, kW);
    EXPECT_EQ(probe.height, kH);
    EXPECT_NEAR(probe.frameRate, 30.0, 1e-6);
    EXPECT_EQ(probe.headerFrames, 12);
    EXPECT_EQ(probe.decodedFrames, 12);
    if (c.audio) {
        EXPECT_EQ(probe.streams, 2);
        EXPECT_EQ(probe.secondCodec, "pcm_s16le");
        EXPECT_EQ(probe.audioSampleRate, 44100);
        EXPECT_EQ(probe.audioBytes, int64_t(pcm.size()) * 12);
    } else {
        EXPECT_EQ(probe.streams, 1);
    }
    // Orientation and content: dark top row, bright bottom row.
    ASSERT_EQ(probe.firstFrameBgr.size(), size_t(kW * kH * 3));
    const int top = probe.firstFrameBgr[0];
    const int bottom = probe.firstFrameBgr[size_t((kH - 1) * kW * 3)];
    if (c.lossless && c.layout != PixelLayout::Yuy2) {
        EXPECT_EQ(top, 0);
        EXPECT_EQ(bottom, (kH - 1) * 5);
    } else {
        EXPECT_LT(top, 40);
        EXPECT_GT(bottom, 180);
    }
    // The frame-rate rewrite must find its marks in every file we write.
    AviRateInfo info;
    std::string why;
    EXPECT_TRUE(InspectAviRate(path, &info, &why)) << why;
    EXPECT_NEAR(info.streamRate, 30.0, 1e-9);
    EXPECT_EQ(info.frameCount, 12u);
}

INSTANTIATE_TEST_SUITE_P(EveryCompressor, AviWriterRoundTrip,
                         ::testing::Values(Case{0, PixelLayout::Bgr24, false, "rawvideo", true},
                                           Case{0, PixelLayout::Bgr24, true, "rawvideo", true},
                                           Case{0, PixelLayout::Bgrx32, false, "rawvideo", true},
                                           Case{0, PixelLayout::Gray8, false, "rawvideo", true},
                                           Case{0, PixelLayout::Yuy2, true, "rawvideo", true},
                                           Case{1, PixelLayout::Bgr24, false, "mjpeg", false},
                                           Case{2, PixelLayout::Bgrx32, true, "mjpeg", false},
                                           Case{3, PixelLayout::Bgr24, false, "cinepak", false},
                                           Case{3, PixelLayout::Gray8, true, "cinepak", false},
                                           Case{3, PixelLayout::Bgrx32, false, "cinepak", false},
                                           Case{3, PixelLayout::Yuy2, true, "cinepak", false},
                                           Case{4, PixelLayout::Bgr24, false, "msvideo1", false},
                                           Case{4, PixelLayout::Yuy2, true, "msvideo1", false}));

// Key-frame flags of the video packets in file order, as a player's seek index sees them.
std::vector<bool> VideoKeyFlags(const std::string& path, std::string* tag) {
    std::vector<bool> keys;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return keys;
    if (avformat_find_stream_info(fmt, nullptr) >= 0 && fmt->nb_streams > 0) {
        const uint32_t t = fmt->streams[0]->codecpar->codec_tag;
        *tag = std::string{char(t), char(t >> 8), char(t >> 16), char(t >> 24)};
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(fmt, pkt) >= 0) {
            if (pkt->stream_index == 0)
                keys.push_back(pkt->flags & AV_PKT_FLAG_KEY);
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
    }
    avformat_close_input(&fmt);
    return keys;
}

// Cinepak at the settings page's key-frame interval; a size no Cinepak encoder takes (not a
// multiple of 4) is refused in plain words and leaves no file.
TEST(AviWriterCinepak, KeyFramesFollowTheIntervalAndOddSizesAreRefused) {
    const std::string dir = test::MakeTempDir();
    struct Scenario {
        int width, height, interval, frames;
        std::vector<bool> keys;  // expected flags; empty: only the first must be a key
    };
    const Scenario scenarios[] = {
        {64, 48, 4, 10, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0}},
        {64, 48, 1, 3, {1, 1, 1}},
    };
    for (const Scenario& sc : scenarios) {
        SCOPED_TRACE(std::to_string(sc.width) + "x" + std::to_string(sc.height));
        const std::string path =
            dir + "/" + std::to_string(sc.width) + "_" + std::to_string(sc.interval) + ".avi";
        auto writer = MakeAviWriter();
        CodecSettings cs;
        cs.mediaType = 3;
        cs.keyFrameInterval = sc.interval;
        std::string error;
        ASSERT_TRUE(writer->Open(path, {sc.width, sc.height, PixelLayout::Bgr24, 30, 1}, {}, cs,
                                 0.0, &error))
            << error;
        std::vector<uint8_t> frame(size_t(sc.width) * 3 * sc.height);
        for (int i = 0; i < sc.frames; ++i) {
            for (size_t k = 0; k < frame.size(); ++k)
                frame[k] = uint8_t(k * 7 + i * 13);
            ASSERT_TRUE(writer->WriteVideo(frame.data(), size_t(sc.width) * 3, 0));
        }
        ASSERT_TRUE(writer->Close(&error)) << error;
        const auto probe = ProbeAvi(path);
        EXPECT_EQ(probe.videoCodec, "cinepak");
        EXPECT_EQ(probe.decodedFrames, sc.frames);
        std::string tag;
        const std::vector<bool> keys = VideoKeyFlags(path, &tag);
        EXPECT_EQ(tag, "cvid");
        ASSERT_EQ(keys.size(), size_t(sc.frames));
        EXPECT_TRUE(keys[0]);
        if (!sc.keys.empty()) {
            EXPECT_EQ(keys, sc.keys);
        }
    }
    auto writer = MakeAviWriter();
    CodecSettings cs;
    cs.mediaType = 3;
    std::string error;
    EXPECT_FALSE(
        writer->Open(dir + "/odd.avi", {66, 50, PixelLayout::Bgr24, 30, 1}, {}, cs, 0.0, &error));
    EXPECT_NE(error.find("multiples of 4 (66 × 50)"), std::string::npos) << error;
    EXPECT_FALSE(ProbeAvi(dir + "/odd.avi").opened);
    test::RemoveTree(dir);
}

class AviWriterSafety : public ::testing::Test {
protected:
    void SetUp() override { dir_ = test::MakeTempDir(); }
    void TearDown() override {
        SetAviWriterSizeLimitForTests(0);
        test::RemoveTree(dir_);
    }
    std::string dir_;
};

TEST_F(AviWriterSafety, NeverReplacesAnExistingFileAndReportsMissingFolders) {
    const std::string path = dir_ + "/005.avi";
    { std::ofstream(path) << "somebody's recording"; }
    auto writer = MakeAviWriter();
    std::string error;
    EXPECT_FALSE(writer->Open(path, VideoFormat{kW, kH}, std::nullopt, {}, 0.0, &error));
    EXPECT_NE(error.find("005.avi"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(path).size(), 20u) << "existing file untouched";
    EXPECT_FALSE(writer->IsOpen());

    error.clear();
    EXPECT_FALSE(
        writer->Open(dir_ + "/gone/001.avi", VideoFormat{kW, kH}, std::nullopt, {}, 0.0, &error));
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_FALSE(
        writer->Open(dir_ + "/odd.avi", VideoFormat{0, kH}, std::nullopt, {}, 0.0, &error));
    EXPECT_FALSE(test::ProbeAvi(dir_ + "/odd.avi").opened) << "a refused open leaves no file";
}

TEST_F(AviWriterSafety, FullDiskStopsWritingAndLeavesAPlayableFile) {
    for (int mediaType : {0, 1}) {
        const std::string path = dir_ + "/full" + std::to_string(mediaType) + ".avi";
        SetAviWriterSizeLimitForTests(mediaType == 0 ? 40000 : 12000);
        auto writer = MakeAviWriter();
        CodecSettings cs;
        cs.mediaType = mediaType;
        std::string error;
        ASSERT_TRUE(writer->Open(path, VideoFormat{kW, kH}, AudioFormat{}, cs, 0.0, &error))
            << error;
        std::vector<uint8_t> pcm(2940, 1);
        bool stopped = false;
        for (int i = 0; i < 400 && !stopped; ++i) {
            size_t stride = 0;
            const auto frame = MakeFrame(PixelLayout::Bgr24, i, &stride);
            stopped = !writer->WriteVideo(frame.data(), stride, 0) ||
                      !writer->WriteAudio(pcm.data(), pcm.size(), 0);
        }
        ASSERT_TRUE(stopped) << "the size limit must be hit";
        size_t stride = 0;
        const auto frame = MakeFrame(PixelLayout::Bgr24, 0, &stride);
        EXPECT_FALSE(writer->WriteVideo(frame.data(), stride, 0)) << "no writing after a failure";
        const int64_t written = writer->FramesWritten();
        EXPECT_GT(written, 0);
        EXPECT_FALSE(writer->Close(&error));
        EXPECT_NE(error.find("kept"), std::string::npos) << error;

        SetAviWriterSizeLimitForTests(0);
        const auto probe = ProbeAvi(path);
        ASSERT_TRUE(probe.opened);
        EXPECT_EQ(probe.decodedFrames, written);
        AviRateInfo info;
        EXPECT_TRUE(InspectAviRate(path, &info));
    }
}

TEST(AviWriterMessages, EachCompressorNamesItsMissingEncoder) {
    EXPECT_EQ(EncoderMissingMessage(1), "MJPEG filter is not found!\n");
    EXPECT_EQ(EncoderMissingMessage(3), "Cinepak Codec by Radius filter is not found!\n");
    EXPECT_EQ(EncoderMissingMessage(4), "Microsoft Video 1 filter is not found!\n");
    EXPECT_EQ(EncoderMissingMessage(0), "");
}

}  // namespace
}  // namespace tesmira
