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

}  // namespace
}  // namespace tesmira
