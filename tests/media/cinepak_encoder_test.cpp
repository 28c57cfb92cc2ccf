// Our Cinepak encoder checked the way players read it: every frame goes through FFmpeg's decoder
// and is compared with the source picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "media/cinepak/cinepak_bitstream.h"
#include "media/cinepak/cinepak_encoder.h"
#include "media_kit/ffmpeg_cvid.h"
#include "media_kit/synthetic_frames.h"

namespace tesmira {
namespace {

struct RunResult {
    std::vector<CvidPacket> packets;
    std::vector<double> psnr;
    size_t bytes = 0;
};

// Encodes `frames` frames of the scene and decodes each with FFmpeg; decoding must not fail.
RunResult EncodeAndDecode(const SyntheticScene& scene, CinepakEncoder::Options opt, int frames) {
    opt.width = scene.width;
    opt.height = scene.height;
    CinepakEncoder enc(opt);
    FfmpegCvidDecoder dec(scene.width, scene.height);
    EXPECT_TRUE(enc.Ok());
    EXPECT_TRUE(dec.Ok());
    const int stride = scene.width * 3 + 16;  // padded rows, as camera buffers may have
    std::vector<uint8_t> src(size_t(stride) * scene.height);
    std::vector<uint8_t> out;
    RunResult r;
    for (int i = 0; i < frames; ++i) {
        MakeSyntheticFrame(scene, i, src.data(), stride);
        bool key = false;
        const auto bytes = enc.Encode(src.data(), stride, false, &key);
        std::string error;
        EXPECT_TRUE(dec.Decode(bytes, &out, &error)) << "frame " << i << ": " << error;
        r.psnr.push_back(
            PsnrBgr(src.data(), stride, out.data(), scene.width * 3, scene.width, scene.height));
        r.packets.push_back({std::vector<uint8_t>(bytes.begin(), bytes.end()), key});
        r.bytes += bytes.size();
    }
    return r;
}

double MinOf(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

TEST(CinepakEncoder, MovingBarsDecodeWellAtSeveralSizesWithKeyFramesOnSchedule) {
    for (const auto& [w, h] : {std::pair{320, 240}, std::pair{640, 480}, std::pair{176, 148}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        CinepakEncoder::Options opt;
        opt.keyFrameInterval = 10;
        const RunResult r = EncodeAndDecode({w, h, 3, true}, opt, 25);
        // Bar edges that fall inside a 2x2 chroma cell cap what any Cinepak stream reaches on
        // this picture, so the measure is FFmpeg's encoder on the same frames.
        EXPECT_GE(MinOf(r.psnr), 24.0);
        FfmpegCvidEncoder ff(w, h);
        FfmpegCvidDecoder ffDec(w, h);
        std::vector<uint8_t> src(size_t(w) * h * 3), out;
        for (int i = 0; i < 3; ++i) {
            MakeSyntheticFrame({w, h, 3, true}, i, src.data(), w * 3);
            std::string error;
            ASSERT_TRUE(ffDec.Decode(ff.Encode(src.data(), w * 3, nullptr), &out, &error)) << error;
            EXPECT_GE(r.psnr[i], PsnrBgr(src.data(), w * 3, out.data(), w * 3, w, h) - 1.5)
                << "frame " << i;
        }
        for (size_t i = 0; i < r.packets.size(); ++i) {
            const auto& p = r.packets[i].data;
            ASSERT_GE(p.size(), 22u);
            EXPECT_EQ(r.packets[i].key, i % 10 == 0) << "frame " << i;
            // Header: size of the whole frame, picture size; strips say key or inter.
            EXPECT_EQ(size_t(p[1] << 16 | p[2] << 8 | p[3]), p.size());
            EXPECT_EQ(p[4] << 8 | p[5], w);
            EXPECT_EQ(p[6] << 8 | p[7], h);
            EXPECT_EQ(p[10], r.packets[i].key ? 0x10 : 0x11);
        }
    }
}

TEST(CinepakEncoder, StillPictureGivesSmallInterFramesAndKeepsQuality) {
    CinepakEncoder::Options opt;
    opt.keyFrameInterval = 100;
    const RunResult r = EncodeAndDecode({320, 240, 0, false}, opt, 12);
    const size_t keyBytes = r.packets[0].data.size();
    for (size_t i = 1; i < r.packets.size(); ++i) {
        EXPECT_LT(r.packets[i].data.size() * 10, keyBytes) << "frame " << i;
        EXPECT_GE(r.psnr[i], r.psnr[0] - 0.1) << "frame " << i;
    }
    // Unchanged blocks cost a bit each: 4800 blocks are 150 flag words.
    EXPECT_LT(r.packets.back().data.size(), 1200u);
}

TEST(CinepakEncoder, NoisyMotionStaysCloseToKeyFrameQualityBetweenKeys) {
    CinepakEncoder::Options opt;
    opt.keyFrameInterval = 30;
    const RunResult r = EncodeAndDecode({320, 240, 6, true}, opt, 30);
    // Inter frames must not drift away from the picture while skipping and refining blocks.
    EXPECT_GE(MinOf(r.psnr), r.psnr[0] - 2.0);
}

TEST(CinepakEncoder, HigherQualitySpendsMoreBytesForLessError) {
    CinepakEncoder::Options low, high;
    low.quality = 20;
    high.quality = 95;
    const RunResult a = EncodeAndDecode({320, 240, 3, true}, low, 8);
    const RunResult b = EncodeAndDecode({320, 240, 3, true}, high, 8);
    EXPECT_LT(a.bytes, b.bytes);
    EXPECT_LT(MinOf(a.psnr), MinOf(b.psnr));
}

TEST(CinepakEncoder, SecondThreadGivesTheSameStreamAsOne) {
    CinepakEncoder::Options one, two;
    one.strips = two.strips = 4;
    two.twoThreads = true;
    const RunResult a = EncodeAndDecode({320, 240, 3, true}, one, 6);
    const RunResult b = EncodeAndDecode({320, 240, 3, true}, two, 6);
    for (size_t i = 0; i < a.packets.size(); ++i)
        EXPECT_EQ(a.packets[i].data, b.packets[i].data) << "frame " << i;
}

TEST(CinepakEncoder, ForcedAndEveryFrameKeys) {
    CinepakEncoder::Options opt;
    opt.width = 64;
    opt.height = 32;
    opt.keyFrameInterval = 50;
    CinepakEncoder enc(opt);
    std::vector<uint8_t> src(64 * 32 * 3);
    MakeSyntheticFrame({64, 32, 3, true}, 0, src.data(), 64 * 3);
    bool key = false;
    enc.Encode(src.data(), 64 * 3, false, &key);
    EXPECT_TRUE(key);
    enc.Encode(src.data(), 64 * 3, false, &key);
    EXPECT_FALSE(key);
    enc.Encode(src.data(), 64 * 3, true, &key);
    EXPECT_TRUE(key);

    opt.keyFrameInterval = 1;
    CinepakEncoder all(opt);
    for (int i = 0; i < 3; ++i) {
        all.Encode(src.data(), 64 * 3, false, &key);
        EXPECT_TRUE(key);
    }
}

TEST(CinepakEncoder, SizesNotMultiplesOfFourAreRefused) {
    EXPECT_FALSE(CinepakEncoder::Supports(642, 482));
    EXPECT_FALSE(CinepakEncoder::Supports(640, 482));
    EXPECT_FALSE(CinepakEncoder::Supports(0, 480));
    EXPECT_TRUE(CinepakEncoder::Supports(640, 480));
    CinepakEncoder::Options opt;
    opt.width = 642;
    opt.height = 482;
    CinepakEncoder enc(opt);
    EXPECT_FALSE(enc.Ok());
    std::vector<uint8_t> src(642 * 482 * 3);
    EXPECT_TRUE(enc.Encode(src.data(), 642 * 3, false, nullptr).empty());
}

// The decoder fetches a flag word when it runs out of bits, so a word's four bytes must sit where
// the first of its bits is needed, after the indices of the blocks before it.
TEST(CinepakBitstream, FlagWordsAreInterleavedWhereTheDecoderReadsThem) {
    std::vector<uint8_t> out;
    cinepak::ByteWriter w(out);
    {
        cinepak::FlagWriter f(w);
        for (int i = 0; i < 32; ++i) {
            f.Put(i == 0 || i == 31);
            w.Put8(uint8_t(i));
        }
        f.Put(true);  // opens a second word after the 32 index bytes
        w.Put8(0xAA);
    }
    ASSERT_EQ(out.size(), 4u + 32u + 4u + 1u);
    EXPECT_EQ(out[0], 0x80);
    EXPECT_EQ(out[3], 0x01);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[35], 31);
    EXPECT_EQ(out[36], 0x80);
    EXPECT_EQ(out[39], 0x00);
    EXPECT_EQ(out[40], 0xAA);
}

int RunCommand(const std::string& cmd, std::string* output) {
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    char buf[256];
    while (fgets(buf, sizeof buf, p))
        *output += buf;
    return pclose(p);
}

TEST(CinepakEncoder, AviFileIsReadByFfprobeAndGStreamer) {
    CinepakEncoder::Options opt;
    const RunResult r = EncodeAndDecode({320, 240, 3, true}, opt, 20);
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("tesmira_cvid_" + std::to_string(getpid()) + ".avi"))
                                 .string();
    std::string error;
    ASSERT_TRUE(WriteCvidAvi(path, 320, 240, 30, r.packets, &error)) << error;

    std::string probe;
    ASSERT_EQ(RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                         "stream=codec_name,nb_read_frames -of csv=p=0 '" +
                             path + "' 2>&1",
                         &probe),
              0)
        << probe;
    EXPECT_NE(probe.find("cinepak,20"), std::string::npos) << probe;

    std::string inspect;
    if (RunCommand("gst-inspect-1.0 avdec_cinepak >/dev/null 2>&1", &inspect) == 0) {
        std::string gst;
        EXPECT_EQ(RunCommand("gst-launch-1.0 -q filesrc location='" + path +
                                 "' ! avidemux ! avdec_cinepak ! fakesink 2>&1",
                             &gst),
                  0)
            << gst;
    } else {
        std::printf("avdec_cinepak is not installed: GStreamer decoding not checked\n");
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tesmira
