#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "imaging/dib.h"
#include "imaging/text_overlay.h"
#include "imaging_test_util.h"

namespace tesmira {
namespace {

OverlayInputs AllInputs() {
    OverlayInputs in;
    in.localTime.tm_year = 2024 - 1900;
    in.localTime.tm_mon = 5;
    in.localTime.tm_mday = 11;
    in.localTime.tm_hour = 9;
    in.localTime.tm_min = 5;
    in.localTime.tm_sec = 3;
    in.temperatureText = "T = 23.4 \u00b0C";
    in.humidityText = " H = 45.6 %";
    in.microscopeText = "VEV Vacuum: 1.23x10(-4) Pa  Temp: 24 \u00b0C\n";
    in.stageZ = 123.45;
    return in;
}

OverlayInputs WithParts(bool time, bool temperature, bool z, bool microscope) {
    OverlayInputs in = AllInputs();
    in.isTextOutTime = time;
    in.isTextOutTemparature = temperature;
    in.isTextOutZValue = z;
    in.microscopeCaption = microscope;
    return in;
}

TEST(OverlayText, LineOneIsComposedInTheDesignedOrder) {
    const auto lines = OverlayLines(WithParts(true, true, true, true));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "Tesmira   2024.06.11  09:05:03    T = 23.4 \u00b0C H = 45.6 %    Z =  123.45 "
              "\u00b5m");
    EXPECT_EQ(lines[1], "VEV Vacuum: 1.23x10(-4) Pa  Temp: 24 \u00b0C");  // no line break
    EXPECT_EQ(OverlayLines(WithParts(false, false, true, false))[0],
              "Tesmira       Z =  123.45 \u00b5m");
    EXPECT_EQ(OverlayLines(WithParts(true, false, false, false))[0],
              "Tesmira   2024.06.11  09:05:03    ");
}

TEST(OverlayText, PartsNeedTheirReadingsToBeOn) {
    OverlayInputs meterOff = WithParts(false, true, false, true);
    meterOff.temperatureText.reset();
    meterOff.microscopeText.reset();  // readout not connected
    EXPECT_TRUE(OverlayLines(meterOff).empty());

    // The microscope line alone goes first, without the product name.
    const auto alone = OverlayLines(WithParts(false, false, false, true));
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].rfind("VEV Vacuum", 0), 0u);
    EXPECT_TRUE(OverlayLines(WithParts(false, false, false, false)).empty());
}

// Ten pixels a character, whatever its UTF-8 length.
double TenPerCharacter(const std::string& text) {
    double w = 0;
    for (unsigned char c : text)
        w += (c & 0xC0) == 0x80 ? 0 : 10;
    return w;
}

TEST(OverlayText, WhatDoesNotFitContinuesOnTheNextLine) {
    using Lines = std::vector<std::vector<std::string>>;
    struct Case {
        const char* what;
        Lines designed;
        double maxWidth;
        std::vector<std::string> drawn;
    };
    const Case cases[] = {
        {"fits", {{"Tesmira   ", "09:05:03    "}}, 1000, {"Tesmira   09:05:03    "}},
        {"between parts, later lines move down",
         {{"Tesmira   ", "2024.06.11  09:05:03    ", "    Z =  123.45 \u00b5m"}, {"VEV"}},
         300,
         {"Tesmira   2024.06.11  09:05:03", "Z =  123.45 \u00b5m", "VEV"}},
        {"a part wider than a line, between words",
         {{"aaaa bbbb cccc"}},
         90,
         {"aaaa bbbb", "cccc"}},
        {"a word wider than a line, between characters",
         {{"abcdefghij"}},
         40,
         {"abcd", "efgh", "ij"}},
        {"whole characters", {{"\u00b5\u00b5\u00b5"}}, 20, {"\u00b5\u00b5", "\u00b5"}},
        {"no room at all: as designed", {{"ab", "cd"}}, 0, {"abcd"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WrapOverlayLines(c.designed, c.maxWidth, TenPerCharacter), c.drawn) << c.what;
    }
}

// Where a stamp changed the picture, and whether it kept to grey shades.
struct Changes {
    int top = 1 << 30, left = 1 << 30, bottom = -1, right = -1;
    bool onlyGrey = true;
    bool any() const { return bottom >= 0; }
};

Changes Compare(const CDib& before, const CDib& after) {
    Changes c;
    const int bytes = after.BitCount() / 8;
    for (int y = 0; y < after.Height(); ++y)
        for (int x = 0; x < after.Width(); ++x) {
            const uint8_t* a = after.PictureRow(y) + x * bytes;
            if (std::memcmp(a, before.PictureRow(y) + x * bytes, static_cast<size_t>(bytes)) == 0)
                continue;
            c.top = std::min(c.top, y), c.bottom = std::max(c.bottom, y);
            c.left = std::min(c.left, x), c.right = std::max(c.right, x);
            if (bytes >= 3 && (a[0] != a[1] || a[1] != a[2]))
                c.onlyGrey = false;
        }
    return c;
}

int WhiteIn(const CDib& dib, int top, int bottom, int left, int right) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += dib.PictureRow(y)[x * 3] > 200 ? 1 : 0;
    return n;
}

std::unique_ptr<CDib> Frame(int width = 1000, int height = 150) {
    auto dib = CDib::Create(width, height, 24);
    testing::FillNoisyPattern(*dib, 11);
    return dib;
}

TEST(OverlayStamp, EveryCombinationOfPartsStaysInItsBandFrom25By20) {
    for (int mask = 0; mask < 16; ++mask) {
        SCOPED_TRACE("parts " + std::to_string(mask));
        const OverlayInputs in = WithParts(mask & 1, mask & 2, mask & 4, mask & 8);
        const size_t lineCount = OverlayLines(in).size();
        auto before = Frame();
        auto dib = Frame();
        const bool stamped = StampOverlay(*dib, in);
        const Changes c = Compare(*before, *dib);
        if (lineCount == 0) {
            EXPECT_FALSE(stamped);
            EXPECT_FALSE(c.any());  // every part off: the camera picture untouched
            continue;
        }
        ASSERT_TRUE(stamped);
        const int h = in.fontHeight;
        EXPECT_EQ(c.top, 20);
        EXPECT_EQ(c.left, 25);
        EXPECT_EQ(c.bottom, 20 + static_cast<int>(lineCount) * h - 1);
        EXPECT_TRUE(c.onlyGrey);                    // white on black, nothing else
        EXPECT_EQ(dib->PictureRow(20)[25 * 3], 0);  // the cell's top-left is background
        for (size_t i = 0; i < lineCount; ++i) {
            const int top = 20 + static_cast<int>(i) * h;
            EXPECT_GT(WhiteIn(*dib, top, top + h, 25, c.right + 1), 20) << "line " << i;
        }
    }
}

// 640 x 480 with every part on at "FontHeight" 24: line 1 does not fit and goes on below, the
// microscope line under it.
TEST(OverlayStamp, ALineTooWideForThePictureContinuesBelow) {
    const OverlayInputs in = WithParts(true, true, true, true);
    auto before = Frame(640, 480);
    auto dib = Frame(640, 480);
    ASSERT_TRUE(StampOverlay(*dib, in));
    const Changes c = Compare(*before, *dib);
    EXPECT_GE(c.bottom, 20 + 3 * 24 - 1) << "line 1 and the microscope line need three lines";
    for (int line = 0; line < 3; ++line) {
        const int top = 20 + line * 24;
        EXPECT_GT(WhiteIn(*dib, top, top + 24, 25, 640), 20) << "line " << line;
    }
}

TEST(OverlayStamp, TextStandsUprightInTheBottomUpBitmap) {
    auto dib = Frame();
    ASSERT_TRUE(StampOverlay(*dib, WithParts(true, false, false, false)));
    // The "T" of "Tesmira": its bar is the whitest row of the first letter, in the top half of
    // the cell. Drawn without minding the bottom-up rows it would be in the bottom half.
    int bestRow = -1, best = -1;
    for (int y = 20; y < 44; ++y) {
        const int n = WhiteIn(*dib, y, y + 1, 25, 25 + 12);
        if (n > best)
            best = n, bestRow = y;
    }
    EXPECT_LT(bestRow, 20 + 12);
}

TEST(OverlayStamp, FontHeightSetsTheLinePitchAndOtherDepthsDraw) {
    OverlayInputs in = WithParts(true, true, true, true);
    in.fontHeight = 40;
    auto before = Frame(2000);  // wide enough for line 1 at this height
    auto dib = Frame(2000);
    ASSERT_TRUE(StampOverlay(*dib, in));
    const Changes c = Compare(*before, *dib);
    EXPECT_EQ(c.bottom, 20 + 80 - 1);
    EXPECT_GT(WhiteIn(*dib, 60, 100, 25, c.right + 1), 40);  // second line under the first

    for (int bits : {8, 32}) {
        auto other = CDib::Create(600, 80, bits);
        auto otherBefore = CDib::Create(600, 80, bits);
        testing::FillNoisyPattern(*other, 2);
        testing::FillNoisyPattern(*otherBefore, 2);
        ASSERT_TRUE(StampOverlay(*other, WithParts(true, false, false, false))) << bits;
        const Changes oc = Compare(*otherBefore, *other);
        EXPECT_EQ(oc.top, 20) << bits;
        EXPECT_EQ(oc.left, 25) << bits;
        EXPECT_EQ(oc.bottom, 43) << bits;
    }
    auto tiny = CDib::Create(4, 4, 4);
    EXPECT_FALSE(StampOverlay(*tiny, WithParts(true, false, false, false)));
}

}  // namespace
}  // namespace tesmira
