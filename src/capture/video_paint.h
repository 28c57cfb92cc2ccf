// Drawing a live frame on the video surface: only the part that shows, at the zoom factor, with
// no conversion (frames arrive in the window's own 32-bit layout).
#pragma once

#include <QImage>
#include <QRect>

class QPainter;

namespace tesmira {

struct VideoFrame;

// A QImage over the frame's own memory (BGRx rows, which is QImage::Format_RGB32 on a
// little-endian machine): nothing is copied. It is valid while the frame lives.
QImage WrapVideoFrame(const VideoFrame& frame);

// Draws the part of `frame` that falls in `target` (surface coordinates; the frame scaled by
// `zoom` starts at the surface's origin). At zoom 1 the rows are copied as they are; otherwise each
// target pixel takes the nearest source pixel. Whatever of `target` the frame does not cover is
// painted black.
void PaintVideoFrame(QPainter& painter, const QImage& frame, double zoom, const QRect& target);

}  // namespace tesmira
