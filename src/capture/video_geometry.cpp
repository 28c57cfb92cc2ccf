#include "capture/video_geometry.h"

#include <algorithm>

namespace tesmira {

int Scaled(int length, double zoom) {
    const double v = length * zoom;
    if (v <= 0)
        return 0;
    if (v > 1e9)
        return 1000000000;
    return static_cast<int>(v);
}

Placement VideoGeometry::Place(double zoom, int cw, int ch, int wantX, int wantY) const {
    Placement p;
    p.width = Scaled(videoW_, zoom);
    p.height = Scaled(videoH_, zoom);
    // A video smaller than the pane is centred and cannot scroll; a larger one sits at minus the
    // scroll position, so the picture and the scroll bars always agree.
    p.scrollX = std::clamp(wantX, 0, std::max(0, p.width - cw));
    p.scrollY = std::clamp(wantY, 0, std::max(0, p.height - ch));
    p.left = p.width < cw ? (cw - p.width) / 2 : -p.scrollX;
    p.top = p.height < ch ? (ch - p.height) / 2 : -p.scrollY;
    return p;
}

Placement VideoGeometry::Attach(double zoom, int cw, int ch) {
    const int w = Scaled(videoW_, zoom);
    const int h = Scaled(videoH_, zoom);
    const int ox = (cw - w) / 2;
    const int oy = (ch - h) / 2;
    // Centred: a larger video shows its middle, which is scroll position -ox.
    Placement p = Place(zoom, cw, ch, -ox, -oy);
    rememberedX_ = p.scrollX;
    rememberedY_ = p.scrollY;
    return p;
}

Placement VideoGeometry::ZoomAboutCentre(double oldZoom, double newZoom, int cw, int ch, int px,
                                         int py) {
    const int tw = Scaled(videoW_, oldZoom);
    const int th = Scaled(videoH_, oldZoom);
    const int ax = tw > cw ? px + cw / 2 : tw / 2;
    const int ay = th > ch ? py + ch / 2 : th / 2;
    const double r = oldZoom > 0 ? newZoom / oldZoom : 1.0;
    const int sx = static_cast<int>(ax * r) - cw / 2;
    const int sy = static_cast<int>(ay * r) - ch / 2;
    rememberedX_ = sx;
    rememberedY_ = sy;
    return Place(newZoom, cw, ch, sx, sy);
}

Placement VideoGeometry::Reapply(double zoom, int cw, int ch) const {
    return Place(zoom, cw, ch, rememberedX_, rememberedY_);
}

double VideoGeometry::FitZoom(int cw, int ch) const {
    if (videoW_ < 1 || videoH_ < 1)
        return 1.0;
    // A pane that has no area yet (hidden, collapsed splitter) would give factor 0, which would
    // also be stored as the next start's zoom; keep the picture at its own size instead.
    if (cw < 1 || ch < 1)
        return 1.0;
    const double rx = static_cast<double>(cw) / videoW_;
    const double ry = static_cast<double>(ch) / videoH_;
    if (rx >= 1.0 && ry >= 1.0)
        return 1.0;
    return ry < rx ? ry : rx;
}

WheelAction DecideWheel(const WheelInput& in) {
    const bool forward = in.delta >= 0;
    const bool shiftOnly = in.shift && !in.control && !in.otherFlags;
    const bool controlOnly = in.control && !in.shift && !in.otherFlags;
    if (in.alt || shiftOnly)
        return forward ? WheelAction::ZoomIn : WheelAction::ZoomOut;
    if (controlOnly)
        return forward ? WheelAction::LineLeft : WheelAction::LineRight;
    return forward ? WheelAction::LineUp : WheelAction::LineDown;
}

}  // namespace tesmira
