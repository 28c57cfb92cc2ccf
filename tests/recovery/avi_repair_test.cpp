// Recordings cut short the hard way (SIGKILL in the middle, a torn last frame, a full disk, a
// power cut's zeroed tail, an unfinished OpenDML part) come back playable, with the header's
// frame count equal to the frames a decoder reads; finished and foreign files are not touched.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "media/ffmpeg_avi_writer.h"
#include "recording/avi_repair.h"
#include "recovery_util.h"

namespace tesmira {
namespace {

using namespace test;

class AviRepairTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = FreshDir(); }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string File(const std::string& name) const { return dir_ + "/" + name; }
    std::string dir_;
};

struct CodecCase {
    const char* name;
    int mediaType;
    bool audio;
};

class KilledRecordingTest : public AviRepairTest,
                            public ::testing::WithParamInterface<CodecCase> {};

TEST_P(KilledRecordingTest, RepairMakesHeaderCountTheFramesInTheFile) {
    const CodecCase c = GetParam();
    const std::string path = File("killed.avi");
    ASSERT_TRUE(RecordAndKill(path, {c.mediaType, c.audio, 20, 15}));
    const ProbeCount before = ProbeVideoFrames(path);
    EXPECT_NE(before.headerFrames, before.readFrames) << "the killed file already counts frames";

    const AviRepairResult r = RepairAvi(path);
    ASSERT_EQ(r.status, AviRepairStatus::Repaired) << r.error;
    EXPECT_GE(r.videoFrames, 19);
    EXPECT_EQ(r.segments, 1);
    EXPECT_NEAR(r.streamRate, 30.0, 1e-6);
    EXPECT_NEAR(r.headerRate, 30.0, 0.01);
    EXPECT_NEAR(r.seconds, double(r.videoFrames) / 30.0, 1e-9);
    if (c.audio) {
        EXPECT_EQ(r.audioBytes, 20 * 532);  // 533 bytes a frame handed over, whole blocks kept
    }
    EXPECT_GT(r.bytesWritten, 0);
    if (c.mediaType == 0) {  // chunk headers only, not the pictures
        EXPECT_LT(r.bytesRead, int64_t(ReadAll(path).size()) / 2);
    }

    const ProbeCount after = ProbeVideoFrames(path);
    EXPECT_EQ(after.headerFrames, r.videoFrames);
    EXPECT_EQ(after.readFrames, r.videoFrames);

    // Repairing twice changes nothing.
    const std::vector<uint8_t> repaired = ReadAll(path);
    EXPECT_EQ(RepairAvi(path).status, AviRepairStatus::AlreadyWhole);
    EXPECT_EQ(ReadAll(path), repaired);
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, KilledRecordingTest,
    ::testing::Values(CodecCase{"Raw", 0, false}, CodecCase{"RawAudio", 0, true},
                      CodecCase{"Mjpeg", 1, false}, CodecCase{"MjpegAudio", 1, true},
                      CodecCase{"Cinepak", 3, false}, CodecCase{"CinepakAudio", 3, true},
                      CodecCase{"MsVideo1", 4, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(AviRepairTest, KeyFramesFollowTheCompressor) {
    // Cinepak: the repaired index marks the same key frames as the finished file's, which come
    // from the encoder itself.
    const std::string cvid = File("cvid.avi"), finished = File("cvid-finished.avi");
    ASSERT_TRUE(RecordAndKill(cvid, {3, false, 40, 5}));
    ASSERT_TRUE(RecordAndKill(finished, {3, false, 40, 5, true}));
    ASSERT_EQ(RepairAvi(cvid).status, AviRepairStatus::Repaired);
    const std::string flags = ProbeKeyFlags(cvid);
    ASSERT_EQ(flags.size(), 40u);
    EXPECT_EQ(flags, ProbeKeyFlags(finished));
    EXPECT_NE(flags.find('K', 1), std::string::npos) << flags;
    EXPECT_NE(flags.find('_'), std::string::npos) << flags;

    // Raw frames all stand alone.
    const std::string raw = File("raw.avi");
    ASSERT_TRUE(RecordAndKill(raw, {0, false, 6, 15}));
    ASSERT_EQ(RepairAvi(raw).status, AviRepairStatus::Repaired);
    EXPECT_EQ(ProbeKeyFlags(raw), "KKKKKK");

    // A compressor we cannot read: only the first frame is claimed to be a key frame.
    const std::string msvc = File("msvc.avi");
    ASSERT_TRUE(RecordAndKill(msvc, {4, false, 6, 2}));
    const AviRepairResult r = RepairAvi(msvc);
    ASSERT_EQ(r.status, AviRepairStatus::Repaired);
    EXPECT_EQ(r.keyFrames, KeyFrameRule::FirstOnly);
    EXPECT_EQ(ProbeKeyFlags(msvc), "K_____");
}

TEST_F(AviRepairTest, TornLastFrameIsCutOff) {
    const std::string path = File("torn.avi");
    ASSERT_TRUE(RecordAndKill(path, {0, false, 10, 15}));
    const int64_t size = int64_t(ReadAll(path).size());
    ASSERT_EQ(truncate(path.c_str(), size - 1000), 0);  // a frame is 9216 bytes

    const AviRepairResult r = RepairAvi(path);
    ASSERT_EQ(r.status, AviRepairStatus::Repaired) << r.error;
    EXPECT_EQ(r.videoFrames, 9);
    EXPECT_EQ(r.cutBytes, 9216 + 8 - 1000);
    const ProbeCount after = ProbeVideoFrames(path);
    EXPECT_EQ(after.headerFrames, 9);
    EXPECT_EQ(after.readFrames, 9);

    // A header cut in half is torn too.
    const std::string path2 = File("torn2.avi");
    ASSERT_TRUE(RecordAndKill(path2, {0, true, 5, 15}));
    const std::vector<uint8_t> bytes = ReadAll(path2);
    ASSERT_EQ(truncate(path2.c_str(), int64_t(bytes.size()) + 4), 0);
    const AviRepairResult r2 = RepairAvi(path2);
    ASSERT_EQ(r2.status, AviRepairStatus::Repaired) << r2.error;
    EXPECT_EQ(r2.cutBytes, 4);
    EXPECT_EQ(ProbeVideoFrames(path2).readFrames, 5);
}

TEST_F(AviRepairTest, ZeroedTailIsCutButADataTailIsNot) {
    const std::string path = File("zeros.avi");
    ASSERT_TRUE(RecordAndKill(path, {1, false, 8, 15}));
    std::vector<uint8_t> bytes = ReadAll(path);
    const std::vector<uint8_t> killed = bytes;
    bytes.resize(bytes.size() + 200000, 0);  // what a power cut leaves in unwritten blocks
    WriteAll(path, bytes);
    AviRepairOptions tight;
    tight.maxCutBytes = 1000;
    const AviRepairResult r = RepairAvi(path, tight);
    ASSERT_EQ(r.status, AviRepairStatus::Repaired) << r.error;
    EXPECT_EQ(ProbeVideoFrames(path).headerFrames, 8);

    // The same amount of something that is not zero is not ours to throw away.
    bytes = killed;
    bytes.resize(bytes.size() + 200000, 0xA5);
    WriteAll(path, bytes);
    const AviRepairResult refused = RepairAvi(path, tight);
    EXPECT_EQ(refused.status, AviRepairStatus::Unrepairable);
    EXPECT_NE(refused.error.find(path), std::string::npos);
    EXPECT_EQ(ReadAll(path), bytes);
}

TEST_F(AviRepairTest, FullDiskRecordingGetsItsIndex) {
    const std::string path = File("full.avi");
    auto writer = MakeFfmpegAviWriter();
    SetAviWriterSizeLimitForTests(60000);
    std::string error;
    ASSERT_TRUE(
        writer->Open(path, {64, 48, PixelLayout::Bgr24, 30, 1}, std::nullopt, {}, 30.0, &error));
    std::vector<uint8_t> frame(64 * 48 * 3, 0x40);
    int written = 0;
    while (written < 100 && writer->WriteVideo(frame.data(), 64 * 3, 0))
        ++written;
    EXPECT_FALSE(writer->Close(&error));
    SetAviWriterSizeLimitForTests(0);
    ASSERT_GT(written, 2);

    const AviRepairResult r = RepairAvi(path);
    ASSERT_EQ(r.status, AviRepairStatus::Repaired) << r.error;
    EXPECT_EQ(r.videoFrames, written);
    EXPECT_EQ(ProbeVideoFrames(path).readFrames, written);
}

TEST_F(AviRepairTest, FinishedFileIsLeftUntouched) {
    const std::string path = File("done.avi");
    auto writer = MakeFfmpegAviWriter();
    std::string error;
    ASSERT_TRUE(writer->Open(path, {64, 48, PixelLayout::Bgr24, 30, 1}, AudioFormat{8000, 1, 16},
                             {}, 30.0, &error));
    std::vector<uint8_t> frame(64 * 48 * 3, 0x40), pcm(532, 1);
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(writer->WriteVideo(frame.data(), 64 * 3, 0));
        ASSERT_TRUE(writer->WriteAudio(pcm.data(), pcm.size(), 0));
    }
    ASSERT_TRUE(writer->Close(&error)) << error;
    const std::vector<uint8_t> bytes = ReadAll(path);
    const int64_t mtime = MtimeNs(path);
    usleep(20000);

    const AviRepairResult r = RepairAvi(path);
    EXPECT_EQ(r.status, AviRepairStatus::AlreadyWhole) << r.error;
    EXPECT_EQ(r.videoFrames, 7);
    EXPECT_EQ(r.bytesWritten, 0);
    EXPECT_EQ(ReadAll(path), bytes);
    EXPECT_EQ(MtimeNs(path), mtime);
}

TEST_F(AviRepairTest, DryRunWritesNothing) {
    const std::string path = File("dry.avi");
    ASSERT_TRUE(RecordAndKill(path, {0, false, 4, 15}));
    const std::vector<uint8_t> bytes = ReadAll(path);
    AviRepairOptions dry;
    dry.dryRun = true;
    const AviRepairResult r = RepairAvi(path, dry);
    EXPECT_EQ(r.status, AviRepairStatus::Repaired);
    EXPECT_EQ(r.videoFrames, 4);
    EXPECT_EQ(r.bytesWritten, 0);
    EXPECT_EQ(ReadAll(path), bytes);
}

TEST_F(AviRepairTest, ForeignAndDamagedFilesAreRefusedUntouched) {
    const std::string good = File("good.avi");
    ASSERT_TRUE(RecordAndKill(good, {0, false, 3, 15}));
    const std::vector<uint8_t> avi = ReadAll(good);
    std::mt19937 rng(7);
    std::vector<uint8_t> noise(5000);
    for (uint8_t& b : noise)
        b = uint8_t(rng());
    std::vector<uint8_t> wave = {'R', 'I', 'F', 'F', 100, 0, 0, 0, 'W', 'A', 'V', 'E'};
    wave.resize(108, 0);
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"empty", {}},
        {"text", {'h', 'e', 'l', 'l', 'o', '\n'}},
        {"noise", noise},
        {"wave", wave},
        {"header-only", std::vector<uint8_t>(avi.begin(), avi.begin() + 200)},
        {"no-movi", std::vector<uint8_t>(avi.begin(), avi.begin() + 2000)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = File(name);
        WriteAll(path, bytes);
        const AviRepairResult r = RepairAvi(path);
        EXPECT_EQ(r.status, AviRepairStatus::NotAvi);
        EXPECT_NE(r.error.find(path), std::string::npos) << r.error;
        EXPECT_EQ(r.bytesWritten, 0);
        EXPECT_EQ(ReadAll(path), bytes);
    }
    EXPECT_EQ(RepairAvi(File("missing.avi")).status, AviRepairStatus::OpenFailed);
    EXPECT_EQ(RepairAvi(dir_).status, AviRepairStatus::OpenFailed);
}

}  // namespace
}  // namespace tesmira
