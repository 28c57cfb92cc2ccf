// A grabbed BGRx preview frame lands in the 24-bit bottom-up frame bitmap the shots are made
// from: right colours, right way up, and never past either side's edges.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/dib.h"
#include "media/bgrx_to_dib.h"

namespace tesmira {
namespace {

TEST(BgrxToDib, ColoursAndOrientationSurviveAndTheXByteIsDropped) {
    auto dib = CDib::Create(3, 2, 24);
    ASSERT_TRUE(dib);
    // Two rows of three pixels with 4 bytes of row padding; pixel (y, x) = B=10y+x, G=100, R=200.
    const size_t stride = 3 * 4 + 4;
    std::vector<uint8_t> src(stride * 2, 0xEE);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            uint8_t* p = src.data() + y * stride + x * 4;
            p[0] = uint8_t(10 * y + x);
            p[1] = 100;
            p[2] = 200;
            p[3] = 0x55;
        }
    CopyBgrxIntoDib(src.data(), stride, 3, 2, *dib);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint8_t* p = dib->PictureRow(y) + x * 3;
            EXPECT_EQ(p[0], 10 * y + x) << y << "," << x;
            EXPECT_EQ(p[1], 100);
            EXPECT_EQ(p[2], 200);
        }
    EXPECT_EQ(dib->Pixels()[0], 10) << "the bottom picture row is stored first";
}

TEST(BgrxToDib, FramesOfAnotherSizeOrBitmapsOfAnotherDepthAreNeverOverrun) {
    auto dib = CDib::Create(2, 2, 24);
    ASSERT_TRUE(dib);
    std::vector<uint8_t> big(8 * 4 * 8, 7);
    CopyBgrxIntoDib(big.data(), 8 * 4, 8, 8, *dib);  // larger: clipped
    EXPECT_EQ(dib->PictureRow(1)[5], 7);
    std::vector<uint8_t> one(4, 9);
    CopyBgrxIntoDib(one.data(), 4, 1, 1, *dib);  // smaller: only what it has
    EXPECT_EQ(dib->PictureRow(0)[0], 9);
    EXPECT_EQ(dib->PictureRow(0)[3], 7);
    CopyBgrxIntoDib(nullptr, 4, 1, 1, *dib);

    auto grey = CDib::Create(2, 2, 8);
    ASSERT_TRUE(grey);
    std::fill(grey->Pixels(), grey->Pixels() + grey->ImageSize(), uint8_t(1));
    CopyBgrxIntoDib(big.data(), 8 * 4, 8, 8, *grey);
    EXPECT_EQ(grey->Pixels()[0], 1) << "an 8-bit bitmap is not written as if it held BGR";
}

// A BGR camera's frame goes in row for row: right way up, clipped to both sides' sizes.
TEST(BgrToDib, RowsLandTheRightWayUpAndNeverPastEitherEdge) {
    auto dib = CDib::Create(2, 3, 24);
    ASSERT_TRUE(dib);
    const size_t stride = 4 * 3 + 2;  // four pixels a row, two bytes of padding
    std::vector<uint8_t> src(stride * 4);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = uint8_t(i);
    CopyBgrIntoDib(src.data(), stride, 4, 4, *dib);  // larger than the bitmap: clipped
    for (int y = 0; y < 3; ++y)
        for (int b = 0; b < 6; ++b)
            EXPECT_EQ(dib->PictureRow(y)[b], uint8_t(y * stride + b)) << y << "," << b;
    EXPECT_EQ(dib->Pixels()[0], uint8_t(2 * stride)) << "the bottom picture row is stored first";

    std::vector<uint8_t> one(3, 0xAB);
    CopyBgrIntoDib(one.data(), 3, 1, 1, *dib);  // smaller: only what it has
    EXPECT_EQ(dib->PictureRow(0)[2], 0xAB);
    EXPECT_EQ(dib->PictureRow(0)[3], 3) << "the rest of the row is untouched";
    EXPECT_EQ(dib->PictureRow(1)[0], uint8_t(stride));
}

}  // namespace
}  // namespace tesmira
