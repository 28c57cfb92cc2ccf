#include <gtest/gtest.h>

#include <vector>

#include "imaging/dib.h"

namespace tesmira {
namespace {

TEST(Dib, RowsArePaddedToFourBytesLikeABmp) {
    auto dib = CDib::Create(5, 3, 24);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->Stride(), 16u);  // 15 bytes of pixels, padded
    EXPECT_EQ(dib->ImageSize(), 48u);
    EXPECT_EQ(CDib::Create(3, 2, 8)->Stride(), 4u);
    EXPECT_EQ(CDib::Create(640, 480, 32)->ImageSize(), 640u * 4 * 480);
}

TEST(Dib, UnusableSizesAreRefusedInsteadOfAllocated) {
    EXPECT_FALSE(CDib::Create(0, 480, 24));
    EXPECT_FALSE(CDib::Create(640, -1, 24));
    EXPECT_FALSE(CDib::Create(640, 480, 12));
    EXPECT_FALSE(CDib::Create(1 << 30, 1 << 30, 24));  // image size beyond 32 bits
}

TEST(Dib, TopDownPictureIsStoredBottomUp) {
    auto dib = CDib::Create(2, 3, 24);
    ASSERT_TRUE(dib);
    // Picture rows 0, 1, 2 filled with 10, 20, 30; source rows have 2 bytes of padding.
    std::vector<uint8_t> src(8 * 3, 0xEE);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            src[y * 8 + x] = static_cast<uint8_t>(10 * (y + 1));
    dib->CopyFromTopDown(src.data(), 8, 2, 3);
    EXPECT_EQ(dib->Pixels()[0], 30);                  // first memory row: bottom of the picture
    EXPECT_EQ(dib->Pixels()[2 * dib->Stride()], 10);  // last memory row: top of the picture
    EXPECT_EQ(dib->PictureRow(1)[5], 20);
    EXPECT_EQ(dib->Pixels()[6], 0);  // padding is not taken from the source
}

TEST(Dib, FrameOfAnotherSizeNeverOverrunsTheStorage) {
    auto dib = CDib::Create(4, 2, 24);
    ASSERT_TRUE(dib);
    std::vector<uint8_t> big(100 * 3 * 50, 7);
    dib->CopyFromTopDown(big.data(), 300, 100, 50);  // larger: clipped to the bitmap
    EXPECT_EQ(dib->PictureRow(0)[11], 7);
    std::vector<uint8_t> small(3 * 1, 9);
    dib->CopyFromTopDown(small.data(), 3, 1, 1);  // smaller: only what the source has
    EXPECT_EQ(dib->PictureRow(0)[2], 9);
    EXPECT_EQ(dib->PictureRow(0)[3], 7);
    dib->CopyFromTopDown(nullptr, 3, 1, 1);  // nothing to copy: nothing happens
}

TEST(Dib, HeaderStrideAndOffsetsMatchTheBmpLayout) {
    auto colour = CDib::Create(640, 480, 24);
    ASSERT_TRUE(colour);
    EXPECT_EQ(colour->Stride(), 1920u);
    EXPECT_EQ(colour->ImageSize(), 921600u);
    EXPECT_EQ(colour->BmpBitsOffset(), 54u);
    EXPECT_EQ(colour->BmpFileSize(), 921654u);
    EXPECT_EQ(colour->ColorCount(), 0);
    EXPECT_EQ(colour->Components(), 3);
    EXPECT_EQ(colour->TopRowOffset(), 921600u - 1920u);
    EXPECT_EQ(colour->Header().sizeImage, 921600u);

    EXPECT_EQ(CDib::Create(642, 480, 24)->Stride(), 1928u);

    auto grey = CDib::Create(641, 480, 8);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->Stride(), 644u);
    EXPECT_EQ(grey->ColorCount(), 256);
    EXPECT_EQ(grey->Components(), 1);
    EXPECT_EQ(grey->BmpBitsOffset(), 1078u);
    EXPECT_EQ(CDib::Create(9, 1, 1)->ColorCount(), 2);
    EXPECT_EQ(CDib::Create(9, 1, 4)->ColorCount(), 16);
    EXPECT_EQ(CDib::Create(9, 1, 4)->Stride(), 8u);
    EXPECT_FALSE(CDib::Create(4, 4, 24)->MakeGreyPalette());  // no table to fill
}

TEST(Dib, ToGreyAveragesBlueGreenRedWithEachSideItsOwnStride) {
    // Width 3: the 24-bit rows carry 3 bytes of padding, the 8-bit rows 1; a conversion that
    // ignored either stride would shear the picture.
    auto colour = CDib::Create(3, 2, 24);
    auto grey = CDib::Create(3, 2, 8);
    ASSERT_TRUE(colour && grey);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            uint8_t* p = colour->PictureRow(y) + 3 * x;
            p[0] = static_cast<uint8_t>(10 + 30 * x + 100 * y);
            p[1] = static_cast<uint8_t>(20 + 30 * x + 100 * y);
            p[2] = static_cast<uint8_t>(31 + 30 * x + 100 * y);
        }
    ASSERT_TRUE(grey->ToGrey(*colour));
    EXPECT_EQ(grey->PictureRow(0)[0], 20);  // (10 + 20 + 31) / 3, rounded down
    EXPECT_EQ(grey->PictureRow(0)[2], 80);
    EXPECT_EQ(grey->PictureRow(1)[1], 150);

    auto wide = CDib::Create(2, 1, 32);
    auto grey2 = CDib::Create(2, 1, 8);
    uint8_t* q = wide->PictureRow(0);
    q[4] = 3, q[5] = 4, q[6] = 5, q[7] = 250;  // the fourth byte is not part of the grey
    ASSERT_TRUE(grey2->ToGrey(*wide));
    EXPECT_EQ(grey2->PictureRow(0)[1], 4);

    EXPECT_FALSE(grey->ToGrey(*CDib::Create(3, 3, 24)));  // another size: refused
    EXPECT_FALSE(colour->ToGrey(*colour));                // only into an 8-bit bitmap
    grey->PictureRow(0)[0] = 9;
    EXPECT_TRUE(grey->ToGrey(*CDib::Create(3, 2, 16)));  // other depths: left as it was
    EXPECT_EQ(grey->PictureRow(0)[0], 9);
}

// A w × h 8-bit bitmap whose pixel (row, col) holds row * 16 + col.
std::unique_ptr<CDib> Numbered(int w, int h) {
    auto dib = CDib::Create(w, h, 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            dib->PictureRow(y)[x] = static_cast<uint8_t>(y * 16 + x);
    return dib;
}

TEST(Dib, StraightRegionCopyTakesTheLargestRectangleBothHold) {
    auto src = Numbered(5, 4);
    auto dst = CDib::Create(4, 3, 8);
    ASSERT_TRUE(dst->CopyRegion8(*src, 1, 2, 1, 2));
    int e = 0;
    EXPECT_EQ(dst->GetPixel8(1, 2, &e), 1 * 16 + 2);
    EXPECT_EQ(dst->GetPixel8(2, 3, &e), 2 * 16 + 3);  // clipped by the destination's corner
    EXPECT_EQ(dst->GetPixel8(0, 2, &e), 0);           // above the start: untouched
    EXPECT_EQ(dst->GetPixel8(1, 1, &e), 0);
    // Start points outside either bitmap, or a depth that does not suit: nothing changes.
    EXPECT_FALSE(dst->CopyRegion8(*src, 4, 0, 0, 0));
    EXPECT_FALSE(dst->CopyRegion8(*src, 0, 0, 0, 4));
    EXPECT_FALSE(dst->CopyRegion8(*src, -1, 0, 0, 0));
    EXPECT_FALSE(dst->CopyRegion24(*src, 0, 0, 0, 0));

    auto colour = CDib::Create(2, 2, 24);
    ASSERT_TRUE(colour->ExpandGrey(*src, 3, 4, 0, 0));
    const uint8_t* p = colour->PictureRow(0);
    EXPECT_EQ(p[0], 3 * 16 + 4);
    EXPECT_EQ(p[1], 3 * 16 + 4);
    EXPECT_EQ(p[2], 3 * 16 + 4);
    EXPECT_EQ(p[3], 0);  // only one source pixel from (3, 4)

    auto big = CDib::Create(4, 4, 24);
    ASSERT_TRUE(big->CopyRegion24(*colour, 0, 0, 3, 3));
    EXPECT_EQ(big->PictureRow(3)[9], 3 * 16 + 4);
}

TEST(Dib, TurnedRegionCopyRotatesAQuarterAndStopsAtTheEdges) {
    auto src = Numbered(3, 2);  // rows: {0,1,2}, {16,17,18}
    auto dst = CDib::Create(3, 3, 8);
    // Source row i goes to column i; source column j goes to row 2 - j.
    ASSERT_TRUE(dst->CopyRegion8Turned(*src, 0, 0, 2, 0));
    int e = 0;
    EXPECT_EQ(dst->GetPixel8(2, 0, &e), 0);
    EXPECT_EQ(dst->GetPixel8(1, 0, &e), 1);
    EXPECT_EQ(dst->GetPixel8(0, 0, &e), 2);
    EXPECT_EQ(dst->GetPixel8(2, 1, &e), 16);
    EXPECT_EQ(dst->GetPixel8(0, 1, &e), 18);
    EXPECT_EQ(dst->GetPixel8(2, 2, &e), 0);  // no third source row

    // Starting low in the destination: a row stops when the destination row would go negative.
    auto small = CDib::Create(2, 2, 8);
    ASSERT_TRUE(small->CopyRegion8Turned(*src, 0, 0, 1, 1));
    EXPECT_EQ(small->GetPixel8(1, 1, &e), 0);
    EXPECT_EQ(small->GetPixel8(0, 1, &e), 1);
    EXPECT_EQ(small->GetPixel8(0, 0, &e), 0);  // left of the start column: untouched

    auto colour = CDib::Create(3, 3, 24);
    ASSERT_TRUE(colour->ExpandGreyTurned(*src, 1, 0, 2, 0));
    EXPECT_EQ(colour->PictureRow(0)[2], 18);
    auto colour2 = CDib::Create(3, 3, 24);
    ASSERT_TRUE(colour2->CopyRegion24Turned(*colour, 0, 0, 2, 0));
    EXPECT_EQ(colour2->PictureRow(2)[0], 18);  // source (0, 0) lands at (2, 0)
    EXPECT_EQ(colour2->PictureRow(2)[3], 17);  // source (1, 0) at (2, 1)
}

}  // namespace
}  // namespace tesmira
