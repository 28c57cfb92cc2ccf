#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cctype>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "capture/video_paint.h"
#include "media/frame_slot.h"

namespace tesmira {
namespace {

// BGRx rows whose pixels name their own position: blue = x, green = y (low bytes), red = the high
// nibbles of both. Row padding (stride beyond 4 x width) is filled with 0x77.
std::vector<uint8_t> SelfNamingFrame(int w, int h, size_t stride) {
    std::vector<uint8_t> data(stride * size_t(h), 0x77);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &data[size_t(y) * stride + size_t(x) * 4];
            p[0] = uint8_t(x & 0xff);
            p[1] = uint8_t(y & 0xff);
            p[2] = uint8_t(((x >> 8) & 0x0f) | ((y >> 8) << 4));
            p[3] = 0xff;
        }
    return data;
}

QPoint SourceOf(QRgb c) {
    return {qBlue(c) | ((qRed(c) & 0x0f) << 8), qGreen(c) | ((qRed(c) >> 4) << 8)};
}

struct PaintCase {
    std::string name;
    int w, h;
    size_t padding;  // bytes beyond 4 x width per row
    double zoom;
    QRect target;
};

void PrintTo(const PaintCase& c, std::ostream* os) {
    *os << c.name;
}

class PaintVideoFrameTest : public ::testing::TestWithParam<PaintCase> {};

// Every pixel of the target shows the frame's pixel under it (exactly at zoom 1, the nearest one
// within a pixel otherwise), black where the scaled frame ends; nothing outside the target moves.
TEST_P(PaintVideoFrameTest, TargetShowsTheFramePixelUnderEachPoint) {
    const PaintCase& c = GetParam();
    const size_t stride = size_t(c.w) * 4 + c.padding;
    const std::vector<uint8_t> bytes = SelfNamingFrame(c.w, c.h, stride);
    VideoFrame frame;
    frame.width = c.w;
    frame.height = c.h;
    frame.stride = stride;
    frame.data = bytes.data();
    const QImage image = WrapVideoFrame(frame);
    ASSERT_FALSE(image.isNull());

    const int coveredW = int(std::lround(c.w * c.zoom)), coveredH = int(std::lround(c.h * c.zoom));
    QImage window(coveredW + 20, coveredH + 20, QImage::Format_RGB32);
    const QRgb untouched = qRgb(0xff, 0xff, 0xff);  // names no pixel of these small frames
    window.fill(untouched);
    {
        QPainter painter(&window);
        PaintVideoFrame(painter, image, c.zoom, c.target);
    }
    int wrong = 0;
    for (int y = 0; y < window.height() && wrong < 5; ++y)
        for (int x = 0; x < window.width() && wrong < 5; ++x) {
            const QRgb got = window.pixel(x, y) | 0xff000000u;
            std::string why;
            if (!c.target.contains(x, y)) {
                if (got != untouched)
                    why = "painted outside the target";
            } else if (x >= coveredW || y >= coveredH) {
                if (got != qRgb(0, 0, 0))
                    why = "not black beyond the frame";
            } else {
                const QPoint s = SourceOf(got);
                const double ix = std::floor((x + 0.5) / c.zoom),
                             iy = std::floor((y + 0.5) / c.zoom);
                const double slack = c.zoom == 1.0 ? 0 : 1;
                if (s.x() >= c.w || s.y() >= c.h || std::abs(s.x() - ix) > slack ||
                    std::abs(s.y() - iy) > slack)
                    why = "shows source (" + std::to_string(s.x()) + "," + std::to_string(s.y()) +
                          ")";
            }
            if (!why.empty()) {
                ++wrong;
                ADD_FAILURE() << c.name << ": pixel (" << x << "," << y << ") " << why;
            }
        }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PaintVideoFrameTest,
    ::testing::Values(PaintCase{"zoom 1, the whole frame", 64, 48, 0, 1.0, QRect(0, 0, 64, 48)},
                      PaintCase{"zoom 1, a scrolled part", 64, 48, 0, 1.0, QRect(10, 7, 30, 20)},
                      PaintCase{"zoom 1, padded rows", 50, 20, 24, 1.0, QRect(0, 0, 50, 20)},
                      PaintCase{"zoom 2, a part", 64, 48, 0, 2.0, QRect(33, 17, 50, 40)},
                      PaintCase{"zoom 0.5", 64, 48, 0, 0.5, QRect(0, 0, 32, 24)},
                      PaintCase{"zoom 1.5, odd offsets", 50, 30, 8, 1.5, QRect(7, 5, 40, 30)},
                      PaintCase{"zoom 0.25, wide frame", 300, 40, 0, 0.25, QRect(0, 0, 75, 10)},
                      PaintCase{"zoom 4, beyond 255", 300, 270, 0, 4.0, QRect(1000, 1030, 40, 30)},
                      PaintCase{"target beyond the frame", 64, 48, 0, 1.0, QRect(50, 40, 30, 20)},
                      PaintCase{"zoom 2, target beyond the frame", 20, 10, 0, 2.0,
                                QRect(30, 0, 20, 30)}),
    [](const ::testing::TestParamInfo<PaintCase>& param) {
        std::string n;
        for (char ch : param.param.name)
            n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return n;
    });

TEST(PaintVideoFrame, NoFrameOrNoZoomPaintsTheTargetBlack) {
    const std::vector<uint8_t> bytes = SelfNamingFrame(8, 8, 32);
    VideoFrame frame;
    frame.width = 8;
    frame.height = 8;
    frame.stride = 32;
    frame.data = bytes.data();
    for (const auto& [image, zoom] : std::vector<std::pair<QImage, double>>{
             {QImage(), 1.0}, {WrapVideoFrame(frame), 0.0}, {WrapVideoFrame(frame), -1.0}}) {
        QImage window(16, 16, QImage::Format_RGB32);
        window.fill(Qt::white);
        {
            QPainter painter(&window);
            PaintVideoFrame(painter, image, zoom, QRect(2, 2, 10, 10));
        }
        EXPECT_EQ(window.pixel(2, 2), qRgb(0, 0, 0));
        EXPECT_EQ(window.pixel(11, 11), qRgb(0, 0, 0));
        EXPECT_EQ(window.pixel(12, 12), qRgb(0xff, 0xff, 0xff));
    }
}

// A frame whose rows are shorter than its width or that has no memory is not wrapped (painting
// it would read past the buffer).
TEST(WrapVideoFrame, RefusesFramesThatCannotHoldTheirPixels) {
    uint8_t pixel[64] = {};
    struct Bad {
        int w, h;
        size_t stride;
        const uint8_t* data;
    };
    for (const Bad& b : {Bad{8, 2, 28, pixel}, Bad{8, 2, 32, nullptr}, Bad{0, 2, 32, pixel},
                         Bad{8, -1, 32, pixel}}) {
        VideoFrame f;
        f.width = b.w;
        f.height = b.h;
        f.stride = b.stride;
        f.data = b.data;
        EXPECT_TRUE(WrapVideoFrame(f).isNull()) << b.w << "x" << b.h << " stride " << b.stride;
    }
    VideoFrame ok;
    ok.width = 8;
    ok.height = 2;
    ok.stride = 32;
    ok.data = pixel;
    const QImage image = WrapVideoFrame(ok);
    EXPECT_EQ(image.constBits(), pixel);  // the frame's own memory, not a copy
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
}

}  // namespace
}  // namespace tesmira
