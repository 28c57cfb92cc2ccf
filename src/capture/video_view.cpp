#include "capture/video_view.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "capture/capture_owner.h"
#include "capture/video_paint.h"
#include "core/settings.h"
#include "imaging/scale_bar.h"
#include "media/capture_graph.h"
#include "media/frame_slot.h"

namespace tesmira {
std::atomic<uint64_t> CVideoSurface::painted_{0};

CVideoSurface::CVideoSurface(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("videoSurface"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CVideoSurface::DropFrame() {
    image_ = QImage();
    frame_.reset();
}

void CVideoSurface::TakeNewestFrame() {
    CCaptureGraph* graph = capture_ ? capture_->Graph() : nullptr;
    if (!graph)
        return;
    auto latest = graph->Preview().Take();
    if (!latest || latest == frame_)
        return;
    image_ = WrapVideoFrame(*latest);
    frame_ = std::move(latest);
}

void CVideoSurface::paintEvent(QPaintEvent* event) {
    TakeNewestFrame();
    // Only the part of the scaled frame that shows in the pane is drawn; the frame is already in
    // the window's 32-bit layout, so nothing is converted on this thread.
    const QRect target = event->rect() & visibleRegion().boundingRect();
    if (target.isEmpty())
        return;
    QPainter painter(this);
    PaintVideoFrame(painter, image_, zoom_, target);
    if (!image_.isNull() && zoom_ > 0) {
        ++painted_;
        PaintScaleBar(painter);
        if (dragging_ || lineLength_ > 0) {
            painter.setPen(QPen(Qt::yellow, 2));
            painter.drawLine(lineFrom_ * zoom_, lineTo_ * zoom_);
        }
    }
}

// The calibrated bar as it would be burned into a still, at the pane's zoom.
void CVideoSurface::PaintScaleBar(QPainter& painter) {
    if (!capture_)
        return;
    const ScaleBar bar = ChooseScaleBar(image_.width(), capture_->CurrentSettings().pixelSizeUm);
    if (!bar.Valid())
        return;
    const int thickness = ScaleBarThickness(image_.height());
    const double right = (image_.width() - kScaleBarMargin) * zoom_;
    const double bottom = (image_.height() - kScaleBarMargin) * zoom_;
    const QRectF rect(right - bar.pixels * zoom_, bottom - thickness * zoom_, bar.pixels * zoom_,
                      thickness * zoom_);
    painter.setPen(QPen(Qt::black, 1));
    painter.fillRect(rect.adjusted(-1, -1, 1, 1), Qt::black);
    painter.fillRect(rect, Qt::white);
    const QString label = QString::fromStdString(bar.label);
    const QFontMetricsF metrics(painter.font());
    const QRectF cell(rect.center().x() - metrics.horizontalAdvance(label) / 2,
                      rect.top() - 2 - metrics.height(), metrics.horizontalAdvance(label),
                      metrics.height());
    painter.fillRect(cell, Qt::black);
    painter.setPen(Qt::white);
    painter.drawText(cell, Qt::AlignCenter, label);
}

QPointF CVideoSurface::PictureAt(const QPointF& widget) const {
    return zoom_ > 0 ? widget / zoom_ : widget;
}

void CVideoSurface::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || image_.isNull())
        return QWidget::mousePressEvent(event);
    dragging_ = true;
    lineFrom_ = lineTo_ = PictureAt(event->position());
    update();
}

void CVideoSurface::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return QWidget::mouseMoveEvent(event);
    lineTo_ = PictureAt(event->position());
    update();
}

void CVideoSurface::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    dragging_ = false;
    lineTo_ = PictureAt(event->position());
    const QPointF d = lineTo_ - lineFrom_;
    lineLength_ = std::hypot(d.x(), d.y());
    update();
}

CVideoView::CVideoView(CTesmiraDoc& doc, QWidget* parent)
    : QScrollArea(parent), doc_(doc), surface_(new CVideoSurface) {
    setObjectName(QStringLiteral("videoView"));
    setWidgetResizable(false);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Dark);
    surface_->resize(0, 0);
    setWidget(surface_);
    doc_.AddView(this);
}

CVideoView::~CVideoView() {
    doc_.RemoveView(this);
    if (CCaptureGraph* graph = capture_ ? capture_->Graph() : nullptr)
        graph->Preview().SetNotify({});
}

void CVideoView::Attach(CaptureOwner& capture) {
    capture_ = &capture;
    surface_->SetSource(&capture);
}

void CVideoView::ConnectPreview() {
    CCaptureGraph* graph = capture_ ? capture_->Graph() : nullptr;
    if (!graph)
        return;
    QPointer<CVideoSurface> surface(surface_);
    // Runs in the streaming thread: it only queues a repaint of the surface.
    graph->Preview().SetNotify([surface] {
        RunOnUiThread([surface] {
            if (surface)
                surface->update();
        });
    });
}

void CVideoView::Apply(const Placement& p, double zoom) {
    surface_->SetZoom(zoom);
    surface_->resize(p.width, p.height);
    // A page is one tenth of the total size, a line one tenth of a page.
    horizontalScrollBar()->setPageStep(std::max(1, p.width / 10));
    horizontalScrollBar()->setSingleStep(std::max(1, p.width / 100));
    verticalScrollBar()->setPageStep(std::max(1, p.height / 10));
    verticalScrollBar()->setSingleStep(std::max(1, p.height / 100));
    // Ranges and position are set here rather than left to the scroll area's own resize
    // handling, which is deferred while the pane is hidden or not yet laid out.
    horizontalScrollBar()->setRange(0, std::max(0, p.width - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, p.height - viewport()->height()));
    horizontalScrollBar()->setValue(p.scrollX);
    verticalScrollBar()->setValue(p.scrollY);
    surface_->move(p.left, p.top);
    surface_->update();
}

void CVideoView::OnUpdate(CUpdateView*, UpdateHint hint, const HintPayload& payload) {
    const int cw = viewport()->width();
    const int ch = viewport()->height();
    if (!capture_)
        return;  // nothing to show before the capture graph's owner is attached
    double& zoom = capture_->CurrentSettings().defaultZoomFactor;
    switch (hint) {
        case UpdateHint::kAttachVideo: {
            const CCaptureGraph* graph = capture_->Graph();
            geometry_.SetVideoSize(graph ? graph->FrameWidth() : 0,
                                   graph ? graph->FrameHeight() : 0);
            surface_->DropFrame();
            ConnectPreview();
            Apply(geometry_.Attach(zoom, cw, ch), zoom);
            break;
        }
        case UpdateHint::kZoomAboutCentre: {
            const double* z = std::get_if<double>(&payload);
            if (!z || *z <= 0)
                break;
            const Placement p = geometry_.ZoomAboutCentre(
                zoom, *z, cw, ch, horizontalScrollBar()->value(), verticalScrollBar()->value());
            zoom = *z;
            Apply(p, zoom);
            break;
        }
        case UpdateHint::kReapplyView:
            Apply(geometry_.Reapply(zoom, cw, ch), zoom);
            break;
        case UpdateHint::kFitVideo: {
            // Fit into the pane as it is without scroll bars: the fitted video needs none, and
            // measuring with the bars of the previous size would fit it too small.
            const QSize full = maximumViewportSize();
            zoom = geometry_.FitZoom(full.width(), full.height());
            Apply(geometry_.Attach(zoom, full.width(), full.height()), zoom);
            break;
        }
        default:
            break;  // 302 and everything else change nothing
    }
}

void CVideoView::wheelEvent(QWheelEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    WheelInput in;
    in.alt = mods & Qt::AltModifier;
    in.shift = mods & Qt::ShiftModifier;
    in.control = mods & Qt::ControlModifier;
    in.otherFlags = event->buttons() != Qt::NoButton || (mods & Qt::MetaModifier);
    // Some platforms turn Alt + wheel into a sideways wheel: take whichever axis moved.
    const QPoint delta = event->angleDelta();
    in.delta = delta.y() != 0 ? delta.y() : delta.x();
    switch (DecideWheel(in)) {
        case WheelAction::ZoomIn:
        case WheelAction::ZoomOut:
            if (wheelZoom_)
                wheelZoom_(DecideWheel(in) == WheelAction::ZoomIn);
            break;
        case WheelAction::LineLeft:
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case WheelAction::LineRight:
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case WheelAction::LineUp:
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case WheelAction::LineDown:
            verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
    }
    event->accept();
}

}  // namespace tesmira
