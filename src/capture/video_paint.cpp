#include "capture/video_paint.h"

#include <QPainter>
#include <QRegion>
#include <cmath>

#include "media/frame_slot.h"

namespace tesmira {

QImage WrapVideoFrame(const VideoFrame& frame) {
    if (!frame.data || frame.width <= 0 || frame.height <= 0 ||
        frame.stride < static_cast<size_t>(frame.width) * 4)
        return {};
    return QImage(frame.data, frame.width, frame.height, static_cast<qsizetype>(frame.stride),
                  QImage::Format_RGB32);
}

void PaintVideoFrame(QPainter& painter, const QImage& frame, double zoom, const QRect& target) {
    if (target.isEmpty())
        return;
    if (frame.isNull() || !(zoom > 0)) {
        painter.fillRect(target, Qt::black);
        return;
    }
    const QRect covered(0, 0, static_cast<int>(std::lround(frame.width() * zoom)),
                        static_cast<int>(std::lround(frame.height() * zoom)));
    const QRect shown = target & covered;
    if (shown != target) {
        for (const QRect& r : QRegion(target).subtracted(QRegion(shown)))
            painter.fillRect(r, Qt::black);
    }
    if (shown.isEmpty())
        return;
    if (zoom == 1.0) {
        // Same layout as the window's: a plain copy of the visible rows.
        painter.drawImage(shown.topLeft(), frame, shown);
        return;
    }
    // Without smooth transformation Qt scales a 32-bit image straight into the window's buffer,
    // taking the nearest source pixel, and only for the pixels inside `shown`.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRectF source(shown.x() / zoom, shown.y() / zoom, shown.width() / zoom,
                        shown.height() / zoom);
    painter.drawImage(QRectF(shown), frame, source);
}

}  // namespace tesmira
