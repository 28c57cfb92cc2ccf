// Files over 1 GB continue in OpenDML 'RIFF AVIX' parts. Writing one here would take too long,
// so the layout our writer leaves when killed in the second part is built by hand, small: a
// closed first part (frames, 'ix00', 'idx1', super index entry 0, the reserved 'odml' list) and an
// open second part whose sizes are placeholders and whose last frame is torn.
#include <gtest/gtest.h>

#include "recording/avi_repair.h"
#include "recovery_util.h"

namespace tesmira {
namespace {

using namespace test;

constexpr uint32_t kFrameBytes = 24;  // 4 x 2 BGR, rows of 12 bytes

struct Built {
    std::vector<uint8_t> bytes;
    size_t avihFramesAt = 0, strhLengthAt = 0, indxAt = 0, odmlAt = 0;
};

void AddFrame(RiffBuilder& b, int index) {
    const size_t c = b.Begin("00db");
    for (uint32_t i = 0; i < kFrameBytes; ++i)
        b.bytes.push_back(uint8_t(index * 10 + int(i)));
    b.End(c);
}

Built BuildKilledOpenDml(int firstFrames, int secondFrames) {
    Built out;
    RiffBuilder b;
    const size_t riff = b.Begin("RIFF", "AVI ");
    const size_t hdrl = b.Begin("LIST", "hdrl");
    const size_t avih = b.Begin("avih");
    b.U32(33333);
    b.Zeros(8);
    b.U32(0x10);
    out.avihFramesAt = b.bytes.size();
    b.U32(uint32_t(firstFrames));
    b.U32(0);
    b.U32(1);
    b.U32(0);
    b.U32(4);
    b.U32(2);
    b.Zeros(16);
    b.End(avih);
    const size_t strl = b.Begin("LIST", "strl");
    const size_t strh = b.Begin("strh");
    b.Fcc("vids");
    b.Zeros(12);
    b.U32(0);
    b.U32(1);   // scale
    b.U32(30);  // rate
    b.U32(0);
    out.strhLengthAt = b.bytes.size();
    b.U32(uint32_t(firstFrames));
    b.U32(0);
    b.U32(0xFFFFFFFF);
    b.U32(0);
    b.Zeros(8);
    b.End(strh);
    const size_t strf = b.Begin("strf");
    b.U32(40);
    b.U32(4);
    b.U32(2);
    b.U16(1);
    b.U16(24);
    b.U32(0);
    b.U32(kFrameBytes);
    b.Zeros(16);
    b.End(strf);
    const size_t indx = b.Begin("indx");
    out.indxAt = indx + 4;
    b.U16(4);
    b.bytes.push_back(0);
    b.bytes.push_back(0);
    b.U32(1);
    b.Fcc("00db");
    b.Zeros(12);
    b.Zeros(16 * 4);  // entry 0 filled in below, three reserved
    b.End(indx);
    b.End(strl);
    const size_t odml = b.Begin("JUNK");
    out.odmlAt = odml - 4;
    b.Fcc("odml");
    b.Fcc("dmlh");
    b.U32(248);
    b.Zeros(248);
    b.End(odml);
    b.End(hdrl);

    const size_t movi = b.Begin("LIST", "movi");
    const size_t moviMark = movi + 4;
    std::vector<size_t> at;
    for (int i = 0; i < firstFrames; ++i) {
        at.push_back(b.bytes.size());
        AddFrame(b, i);
    }
    const size_t ix = b.bytes.size();
    const size_t ixSize = b.Begin("ix00");
    b.U16(2);
    b.bytes.push_back(0);
    b.bytes.push_back(1);
    b.U32(uint32_t(firstFrames));
    b.Fcc("00db");
    b.U32(uint32_t(moviMark));
    b.U32(0);
    b.U32(0);
    for (size_t a : at) {
        b.U32(uint32_t(a + 8 - moviMark));
        b.U32(kFrameBytes);
    }
    b.End(ixSize);
    b.End(movi);
    const size_t idx1 = b.Begin("idx1");
    for (size_t a : at) {
        b.Fcc("00db");
        b.U32(0x10);
        b.U32(uint32_t(a - moviMark));
        b.U32(kFrameBytes);
    }
    b.End(idx1);
    b.End(riff);
    const size_t entry0 = out.indxAt + 24;
    b.Set32(entry0, uint32_t(ix));
    b.Set32(entry0 + 8, uint32_t(32 + 8 * firstFrames));
    b.Set32(entry0 + 12, uint32_t(firstFrames));

    // The second part, as it is while being written.
    const size_t riff2 = b.Begin("RIFF", "AVIX");
    const size_t movi2 = b.Begin("LIST", "movi");
    b.Set32(riff2, 0xFFFFFFFF);
    b.Set32(movi2, 0xFFFFFFFF);
    for (int i = 0; i < secondFrames; ++i)
        AddFrame(b, firstFrames + i);
    b.Fcc("00db");  // the torn last frame
    b.U32(kFrameBytes);
    b.Zeros(10);
    out.bytes = b.bytes;
    return out;
}

TEST(AviRepairOpenDml, KilledSecondPartIsClosedAndIndexed) {
    const std::string dir = FreshDir();
    const std::string path = dir + "/odml.avi";
    const int first = 5, second = 7;
    const Built built = BuildKilledOpenDml(first, second);
    WriteAll(path, built.bytes);

    const AviRepairResult r = RepairAvi(path);
    ASSERT_EQ(r.status, AviRepairStatus::Repaired) << r.error;
    EXPECT_EQ(r.segments, 2);
    EXPECT_EQ(r.videoFrames, first + second);
    EXPECT_EQ(r.cutBytes, 18);

    const std::vector<uint8_t> f = ReadAll(path);
    // The main header counts the first part, the stream and 'dmlh' every frame.
    EXPECT_EQ(Le32(f, built.avihFramesAt), uint32_t(first));
    EXPECT_EQ(Le32(f, built.strhLengthAt), uint32_t(first + second));
    EXPECT_EQ(std::string(f.begin() + long(built.odmlAt), f.begin() + long(built.odmlAt) + 4),
              "LIST");
    EXPECT_EQ(Le32(f, built.odmlAt + 20), uint32_t(first + second));
    // Super index entry 1 points at the new 'ix00' at the end of the file.
    EXPECT_EQ(Le32(f, built.indxAt + 4), 2u);
    const size_t e1 = built.indxAt + 24 + 16;
    const uint32_t ixAt = Le32(f, e1);
    EXPECT_EQ(std::string(f.begin() + ixAt, f.begin() + ixAt + 4), "ix00");
    EXPECT_EQ(Le32(f, e1 + 8), uint32_t(32 + 8 * second));
    EXPECT_EQ(Le32(f, e1 + 12), uint32_t(second));
    EXPECT_EQ(ixAt + 32 + 8 * second, f.size());

    // A player walking the super index reads every frame.
    const ProbeCount probe = ProbeVideoFrames(path);
    EXPECT_EQ(probe.headerFrames, first + second);
    EXPECT_EQ(probe.readFrames, first + second);

    EXPECT_EQ(RepairAvi(path).status, AviRepairStatus::AlreadyWhole);
    EXPECT_EQ(ReadAll(path), f);
    std::system(("rm -rf '" + dir + "'").c_str());
}

TEST(AviRepairOpenDml, DamagedClosedPartIsRefusedUntouched) {
    const std::string dir = FreshDir();
    const std::string path = dir + "/odml.avi";
    Built built = BuildKilledOpenDml(3, 2);
    // The first part's 'movi' size left as a placeholder: the parts no longer add up.
    const size_t movi = 12 + 8 + Le32(built.bytes, 16) + 4;
    ASSERT_EQ(std::string(built.bytes.begin() + long(movi) - 4, built.bytes.begin() + long(movi)),
              "LIST");
    RiffBuilder b;
    b.bytes = built.bytes;
    b.Set32(movi, 0xFFFFFFFF);
    WriteAll(path, b.bytes);
    const AviRepairResult r = RepairAvi(path);
    EXPECT_EQ(r.status, AviRepairStatus::Unrepairable);
    EXPECT_EQ(ReadAll(path), b.bytes);
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace tesmira
