#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>

#include "imaging/dib.h"
#include "imaging/jpeg_writer.h"
#include "imaging_test_util.h"

namespace tesmira {
namespace {

using testing::DecodeJpeg;
using testing::FillNoisyPattern;
using testing::ReadAll;
using testing::ScratchDir;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

TEST(BmpWriter, FileCarriesHeadersPaletteAndTheBitsAsInMemory) {
    ScratchDir dir;
    auto dib = CDib::Create(641, 3, 8);
    ASSERT_TRUE(dib && dib->MakeGreyPalette());
    FillNoisyPattern(*dib);
    ASSERT_TRUE(dib->SaveBmp(dir / "grey.bmp").ok());
    const std::vector<uint8_t> file = ReadAll(dir / "grey.bmp");
    ASSERT_EQ(file.size(), 1078u + 644u * 3);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), file.size());
    EXPECT_EQ(Le32(file, 6), 0u);  // both reserved fields
    EXPECT_EQ(Le32(file, 10), 1078u);
    EXPECT_EQ(Le32(file, 14), 40u);
    EXPECT_EQ(static_cast<int32_t>(Le32(file, 18)), 641);
    EXPECT_EQ(static_cast<int32_t>(Le32(file, 22)), 3);             // positive: bottom-up
    EXPECT_EQ(Le16(file, 26) | Le16(file, 28) << 16, 1 | 8 << 16);  // planes, bit depth
    EXPECT_EQ(Le32(file, 34), 644u * 3);
    EXPECT_EQ(Le32(file, 46), 256u);
    EXPECT_EQ(Le32(file, 54 + 4 * 100), 0x00646464u);  // palette entry 100: grey 100
    EXPECT_EQ(0, std::memcmp(file.data() + 1078, dib->Pixels(), dib->ImageSize()));

    auto colour = CDib::Create(642, 480, 24);
    FillNoisyPattern(*colour, 7);
    ASSERT_TRUE(colour->SaveBmp(dir / "colour.bmp").ok());
    const std::vector<uint8_t> c = ReadAll(dir / "colour.bmp");
    ASSERT_EQ(c.size(), 54u + 1928u * 480);
    EXPECT_EQ(Le32(c, 10), 54u);
    EXPECT_EQ(0, std::memcmp(c.data() + 54, colour->Pixels(), colour->ImageSize()));
}

TEST(BmpWriter, ReplacesOrKeepsAnExistingFileAsAsked) {
    ScratchDir dir;
    ASSERT_TRUE(testing::WriteAll(dir / "a.bmp", "older picture"));
    auto dib = CDib::Create(4, 4, 24);
    const WriteResult kept = dib->SaveBmp(dir / "a.bmp", ExistingFile::kKeep);
    EXPECT_EQ(kept.code, WriteCode::kExists);
    EXPECT_EQ(ReadAll(dir / "a.bmp").size(), 13u);
    ASSERT_TRUE(dib->SaveBmp(dir / "a.bmp", ExistingFile::kReplace).ok());
    EXPECT_EQ(ReadAll(dir / "a.bmp").size(), dib->BmpFileSize());
    EXPECT_EQ(dir.Entries().size(), 1u);  // no temporary file left behind
}

// Files may grow to `bytes` only; writing further fails with EFBIG instead of a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    sighandler_t oldHandler_;
};

TEST(PictureWriters, AFailedWriteNamesTheFileAndLeavesNoHalfFile) {
    ScratchDir dir;
    auto dib = CDib::Create(640, 480, 24);
    FillNoisyPattern(*dib);
    ASSERT_TRUE(testing::WriteAll(dir / "old.bmp", "the picture from before"));
    WriteResult bmp, replace, jpeg;
    {
        FileSizeLimit limit(4096);  // a disk that fills up after 4 KB
        bmp = dib->SaveBmp(dir / "new.bmp");
        replace = dib->SaveBmp(dir / "old.bmp", ExistingFile::kReplace);
        jpeg = dib->SaveJpeg(dir / "new.jpg", 3);
    }
    for (const WriteResult* r : {&bmp, &replace, &jpeg})
        EXPECT_EQ(r->code, WriteCode::kFailed);
    EXPECT_NE(bmp.error.find(dir / "new.bmp"), std::string::npos) << bmp.error;
    EXPECT_NE(jpeg.error.find(dir / "new.jpg"), std::string::npos) << jpeg.error;
    // Only the older picture is there, whole; no partial file under any name.
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"old.bmp"});
    EXPECT_EQ(ReadAll(dir / "old.bmp").size(), 23u);
}

TEST(JpegWriter, NoisyColourFrameDecodesCloseToTheSource) {
    ScratchDir dir;
    auto dib = CDib::Create(642, 482, 24);  // padded rows, height not a multiple of 8 or 16
    testing::FillLumaNoisePattern(*dib, 3);
    // A dark corner block tells top from bottom; its blue-to-red slope tells red from blue.
    for (int y = 0; y < 2; ++y) {
        uint8_t* bottomRow = dib->Pixels() + y * dib->Stride();  // memory rows start at the bottom
        for (int x = 0; x < 2; ++x)
            bottomRow[3 * x] = 10, bottomRow[3 * x + 1] = 20, bottomRow[3 * x + 2] = 30;
    }
    ASSERT_TRUE(dib->SaveJpeg(dir / "frame.jpg", 3).ok());

    const testing::Decoded out = DecodeJpeg(ReadAll(dir / "frame.jpg"));
    ASSERT_TRUE(out.ok);
    ASSERT_EQ(out.width, 642);
    ASSERT_EQ(out.height, 482);
    ASSERT_EQ(out.components, 3);
    EXPECT_FALSE(out.progressive);  // baseline
    EXPECT_EQ(out.hSamp0, 2);       // libjpeg's defaults: colour at half resolution
    EXPECT_EQ(out.vSamp0, 2);
    // Brightness stays within 2 steps everywhere. Single channels can be off by a few steps: the
    // 8-bit YCbCr values JPEG stores cannot hold every RGB colour exactly.
    int worst = 0, beyondTwo = 0;
    double worstLuma = 0;
    for (int y = 0; y < out.height; ++y) {
        const uint8_t* src = dib->PictureRow(y);
        const uint8_t* dec = out.pixels.data() + static_cast<size_t>(y) * out.width * 3;
        for (int x = 0; x < out.width; ++x) {
            const uint8_t* s = src + 3 * x;  // blue, green, red
            const uint8_t* d = dec + 3 * x;  // red, green, blue
            for (int c = 0; c < 3; ++c) {
                const int diff = std::abs(d[c] - s[2 - c]);
                worst = std::max(worst, diff);
                beyondTwo += diff > 2 ? 1 : 0;
            }
            const double luma =
                0.299 * (d[0] - s[2]) + 0.587 * (d[1] - s[1]) + 0.114 * (d[2] - s[0]);
            worstLuma = std::max(worstLuma, std::abs(luma));
        }
    }
    EXPECT_LE(worstLuma, 2.0);
    EXPECT_LE(worst, 6);  // colour shared by four pixels is blended a little by the reader
    EXPECT_LT(beyondTwo, out.width * out.height * 3 / 100);
    const uint8_t* lastRow =
        out.pixels.data() + static_cast<size_t>(out.height - 1) * out.width * 3;
    EXPECT_NEAR(lastRow[0], 30, 4);  // red first
    EXPECT_NEAR(lastRow[2], 10, 4);
}

TEST(JpegWriter, GreyAnd32BitBitmapsAndComponentCounts) {
    ScratchDir dir;
    auto grey = CDib::Create(101, 37, 8);
    grey->MakeGreyPalette();
    FillNoisyPattern(*grey, 5);
    ASSERT_TRUE(grey->SaveJpeg(dir / "g.jpg", 1).ok());
    const testing::Decoded g = DecodeJpeg(ReadAll(dir / "g.jpg"));
    ASSERT_TRUE(g.ok);
    ASSERT_EQ(g.components, 1);
    int worst = 0;
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 101; ++x)
            worst = std::max(worst, std::abs(g.pixels[y * 101 + x] - grey->PictureRow(y)[x]));
    EXPECT_LE(worst, 1);

    auto wide = CDib::Create(16, 16, 32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            wide->PictureRow(y)[4 * x + 2] = 255;  // top-left block red, fourth byte ignored
    ASSERT_TRUE(wide->SaveJpeg(dir / "w.jpg", 3).ok());
    const testing::Decoded w = DecodeJpeg(ReadAll(dir / "w.jpg"));
    ASSERT_TRUE(w.ok);
    EXPECT_GT(w.pixels[0], 200);

    EXPECT_FALSE(grey->SaveJpeg(dir / "bad1.jpg", 3).ok());
    EXPECT_FALSE(wide->SaveJpeg(dir / "bad2.jpg", 1).ok());
    EXPECT_FALSE(CDib::Create(8, 8, 16)->SaveJpeg(dir / "bad3.jpg", 3).ok());
    EXPECT_EQ(dir.Entries().size(), 2u);
}

TEST(JpegWriter, MissingFolderGivesTheOpenErrorNamingThePath) {
    ScratchDir dir;
    auto dib = CDib::Create(8, 8, 24);
    const std::string path = dir / "no such folder/x.jpg";
    const WriteResult r = dib->SaveJpeg(path, 3);
    EXPECT_EQ(r.code, WriteCode::kFailed);
    EXPECT_EQ(r.error.rfind("エラー: " + path + " が開きません。\n", 0), 0u) << r.error;
}

TEST(JpegWriter, PathsLongerThan260BytesAreWrittenWhole) {
    ScratchDir dir;
    // Nested folders make a path of about 600 bytes; nothing may cut it short.
    std::string folder = dir.path();
    for (int i = 0; i < 4; ++i) {
        folder += "/" + std::string(120, static_cast<char>('a' + i));
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    }
    const std::string path = folder + "/OneShot0000.jpg";
    ASSERT_GT(path.size(), 500u);
    auto dib = CDib::Create(64, 48, 24);
    FillNoisyPattern(*dib);
    ASSERT_TRUE(dib->SaveJpeg(path, 3).ok());
    const testing::Decoded out = DecodeJpeg(ReadAll(path));
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.width, 64);
    // A file name near the 255-byte limit: the temporary name beside it must still fit.
    EXPECT_TRUE(dib->SaveJpeg(folder + "/" + std::string(246, 'n') + ".jpg", 3).ok());
}

}  // namespace
}  // namespace tesmira
