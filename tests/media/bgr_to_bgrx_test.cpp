#include "media/bgr_to_bgrx.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace tesmira {
namespace {

struct Layout {
    int width, height;
    size_t srcStride, dstStride;
    size_t misalign = 0;  // bytes the target starts past a 16-byte boundary
};

void PrintTo(const Layout& l, std::ostream* os) {
    *os << l.width << "x" << l.height << " strides " << l.srcStride << "/" << l.dstStride;
}

// Source rows as GStreamer lays BGR out (rows padded to 4 bytes) or wider; the buffer ends right
// after the last pixel, so reading past a row's end shows under the address sanitizer.
std::vector<uint8_t> Source(const Layout& l) {
    std::vector<uint8_t> src(l.srcStride * size_t(l.height - 1) + size_t(l.width) * 3);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = uint8_t(i * 37 + (i >> 8));
    return src;
}

class BgrToBgrxTest : public ::testing::TestWithParam<Layout> {};

// Every pixel keeps its blue, green and red in that order with x = 0xff; the bytes between rows
// and after the picture are left alone.
TEST_P(BgrToBgrxTest, EveryWayWidensEachPixelAndTouchesNothingElse) {
    const Layout l = GetParam();
    const std::vector<uint8_t> src = Source(l);
    using Convert = std::function<void(uint8_t*)>;
    const std::vector<std::pair<std::string, Convert>> ways = {
        {"whole picture",
         [&](uint8_t* dst) {
             ConvertBgrToBgrx(src.data(), l.srcStride, dst, l.dstStride, l.width, l.height);
         }},
        {"plain rows",
         [&](uint8_t* dst) {
             for (int y = 0; y < l.height; ++y)
                 BgrRowToBgrxPlain(&src[y * l.srcStride], dst + y * l.dstStride, l.width);
         }},
        {"shuffled rows",
         [&](uint8_t* dst) {
             for (int y = 0; y < l.height; ++y)
                 BgrRowToBgrxShuffle(&src[y * l.srcStride], dst + y * l.dstStride, l.width, false);
         }},
        {"streamed rows", [&](uint8_t* dst) {
             for (int y = 0; y < l.height; ++y)
                 BgrRowToBgrxShuffle(&src[y * l.srcStride], dst + y * l.dstStride, l.width, true);
             FinishStreamedStores();
         }}};
    for (const auto& [name, convert] : ways) {
        if (name != "plain rows" && name != "whole picture" && !HasByteShuffle())
            continue;
        // Aligned to 16 bytes, or not, by where the picture starts in the buffer.
        std::vector<uint8_t> buffer(l.dstStride * size_t(l.height) + 64 + 16, 0x5a);
        uint8_t* dst =
            buffer.data() + (16 - reinterpret_cast<uintptr_t>(buffer.data()) % 16) + l.misalign;
        convert(dst);
        int wrong = 0;
        for (int y = 0; y < l.height && wrong < 3; ++y)
            for (size_t i = 0; i < l.dstStride && wrong < 3; ++i) {
                const size_t x = i / 4, c = i % 4;
                const uint8_t want = x >= size_t(l.width) ? 0x5a
                                     : c == 3             ? 0xff
                                                          : src[y * l.srcStride + x * 3 + c];
                if (dst[size_t(y) * l.dstStride + i] != want) {
                    ++wrong;
                    ADD_FAILURE() << name << " " << l.width << "x" << l.height << ": row " << y
                                  << " byte " << i;
                }
            }
        for (uint8_t* p = dst + l.dstStride * size_t(l.height); p < buffer.data() + buffer.size();
             ++p)
            EXPECT_EQ(*p, 0x5a) << name << ": written past the picture";
        for (uint8_t* p = buffer.data(); p < dst; ++p)
            EXPECT_EQ(*p, 0x5a) << name << ": written before the picture";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Widths, BgrToBgrxTest,
    ::testing::Values(Layout{1, 3, 4, 4}, Layout{5, 2, 16, 20}, Layout{15, 2, 48, 60},
                      Layout{16, 2, 48, 64}, Layout{17, 3, 52, 68}, Layout{33, 2, 100, 140},
                      Layout{47, 2, 144, 188}, Layout{640, 2, 1920, 2560},
                      Layout{640, 2, 1920, 2560, 4}, Layout{1921, 2, 5764, 7684},
                      Layout{1920, 300, 5760, 7680}, Layout{1920, 300, 5760, 7680, 8}));

TEST(BgrToBgrx, NothingHappensForAnEmptyPicture) {
    std::vector<uint8_t> dst(16, 0x5a);
    const uint8_t src[12] = {};
    ConvertBgrToBgrx(src, 12, dst.data(), 16, 0, 1);
    ConvertBgrToBgrx(src, 12, dst.data(), 16, 4, 0);
    ConvertBgrToBgrx(nullptr, 12, dst.data(), 16, 4, 1);
    EXPECT_EQ(dst, std::vector<uint8_t>(16, 0x5a));
}

}  // namespace
}  // namespace tesmira
