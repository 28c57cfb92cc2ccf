// Painting alone: the video surface's drawing of one frame into a 1000 x 800 window buffer
// (32-bit, as the window system's), per frame size and zoom factor, as process CPU milliseconds
// per frame (Qt may hand conversions and scaling to helper threads, so the whole process counts).
// Next to it the same drawing from a 24-bit BGR frame, which the window has to convert first.
// Usage: bench_video_paint [frames per case, default 300]
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_util.h"
#include "capture/video_paint.h"
#include "media/frame_slot.h"

using namespace tesmira;
using bench::SelfCpu;

namespace {

// A frame with some structure (so nothing is trivially uniform), as BGRx rows.
std::vector<uint8_t> Pattern(int w, int h, int bytesPerPixel) {
    std::vector<uint8_t> data(size_t(w) * h * bytesPerPixel);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &data[(size_t(y) * w + x) * bytesPerPixel];
            p[0] = uint8_t(x * 3);
            p[1] = uint8_t(y * 5);
            p[2] = uint8_t(x ^ y);
            if (bytesPerPixel == 4)
                p[3] = 0xff;
        }
    return data;
}

// CPU milliseconds per frame of `paint` drawing the visible part into `window`, `frames` times.
template <typename Paint>
double MsPerFrame(QImage& window, const QRect& visible, int frames, Paint paint) {
    const double before = SelfCpu();
    for (int i = 0; i < frames; ++i) {
        QPainter painter(&window);
        paint(painter, visible);
    }
    return (SelfCpu() - before) * 1000.0 / frames;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    QImage window(1000, 800, QImage::Format_RGB32);
    std::printf("CPU ms per painted frame, window 1000 x 800, %d frames per case\n", frames);
    std::printf("%-10s %5s %10s %10s\n", "size", "zoom", "BGRx", "BGR");
    struct Size {
        int w, h;
    };
    for (const Size s : {Size{640, 480}, Size{1280, 720}, Size{1920, 1080}}) {
        const std::vector<uint8_t> bgrx = Pattern(s.w, s.h, 4);
        const std::vector<uint8_t> bgr = Pattern(s.w, s.h, 3);
        VideoFrame frame;
        frame.width = s.w;
        frame.height = s.h;
        frame.stride = size_t(s.w) * 4;
        frame.data = bgrx.data();
        const QImage wrapped = WrapVideoFrame(frame);
        const QImage packed(bgr.data(), s.w, s.h, s.w * 3, QImage::Format_BGR888);
        for (const double zoom : {0.5, 1.0, 1.5, 2.0}) {
            // The pane shows the top-left of the scaled frame (or all of it, when smaller).
            const QRect visible =
                QRect(0, 0, int(s.w * zoom), int(s.h * zoom)) & QRect(0, 0, 1000, 800);
            const double ours = MsPerFrame(window, visible, frames, [&](QPainter& p, QRect r) {
                PaintVideoFrame(p, wrapped, zoom, r);
            });
            const double converted = MsPerFrame(window, visible, frames, [&](QPainter& p, QRect r) {
                const QRectF source(r.x() / zoom, r.y() / zoom, r.width() / zoom,
                                    r.height() / zoom);
                p.drawImage(QRectF(r), packed, source);
            });
            char size[32];
            std::snprintf(size, sizeof size, "%dx%d", s.w, s.h);
            std::printf("%-10s %5.2f %10.3f %10.3f\n", size, zoom, ours, converted);
            std::fflush(stdout);
        }
    }
    std::printf(
        "BGRx = the surface's drawing of its frames; BGR = a 24-bit frame drawn the same "
        "way (converted by the window while drawing); peak RSS %.1f MB\n",
        bench::PeakRssMb());
    return 0;
}
