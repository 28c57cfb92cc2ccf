// The live-video pane: a scroll area hosting the video surface at the current zoom factor. The
// surface paints the newest preview frame, only the part that is visible; frames arrive from the
// streaming thread through the graph's frame slot and a queued repaint.
#pragma once

#include <QImage>
#include <QScrollArea>
#include <atomic>
#include <functional>
#include <memory>

#include "capture/video_geometry.h"
#include "core/tesmira_doc.h"

namespace tesmira {

struct VideoFrame;
class CaptureOwner;

class CVideoSurface : public QWidget {
    Q_OBJECT
public:
    explicit CVideoSurface(QWidget* parent = nullptr);
    void SetZoom(double zoom) { zoom_ = zoom; }
    void DropFrame();
    void SetSource(CaptureOwner* capture) { capture_ = capture; }
    static uint64_t FramesPainted() { return painted_.load(); }
    // The line last dragged on the picture with the left button, in camera pixels (0: none):
    // the calibration of the pixel size measures a known length with it.
    double LastLinePixels() const { return lineLength_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void TakeNewestFrame();
    void PaintScaleBar(QPainter& painter);
    QPointF PictureAt(const QPointF& widget) const;

    double zoom_ = 1.0;
    CaptureOwner* capture_ = nullptr;
    std::shared_ptr<const VideoFrame> frame_;
    QImage image_;  // over frame_'s memory, made once per frame and kept for repaints
    bool dragging_ = false;
    QPointF lineFrom_, lineTo_;  // in camera pixels
    double lineLength_ = 0.0;
    static std::atomic<uint64_t> painted_;
};

class CVideoView : public QScrollArea, public CUpdateView {
    Q_OBJECT
public:
    explicit CVideoView(CTesmiraDoc& doc, QWidget* parent = nullptr);
    ~CVideoView() override;
    void OnUpdate(CUpdateView* sender, UpdateHint hint, const HintPayload& payload) override;

    CVideoSurface* Surface() const { return surface_; }
    const VideoGeometry& Geometry() const { return geometry_; }

    // The frames and the zoom setting come from the capture graph's owner; black until then.
    void Attach(CaptureOwner& capture);
    // The control panel's ZoomIn (true) / ZoomOut (false), called for Alt or Shift + wheel.
    void SetWheelZoomHandler(std::function<void(bool zoomIn)> handler) {
        wheelZoom_ = std::move(handler);
    }

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    void Apply(const Placement& p, double zoom);
    void ConnectPreview();

    CTesmiraDoc& doc_;
    CaptureOwner* capture_ = nullptr;
    CVideoSurface* surface_;
    VideoGeometry geometry_;
    std::function<void(bool zoomIn)> wheelZoom_;
};

}  // namespace tesmira
