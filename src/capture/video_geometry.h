// Geometry of the live-video pane: where the scaled video sits in the pane and where the pane is
// scrolled, for attach (300), zoom about the centre (301), re-apply (303) and fit (304); and what a
// wheel turn over the pane does. Plain arithmetic, no widgets.
#pragma once

namespace tesmira {

struct Placement {
    int width = 0, height = 0;     // displayed video size: trunc(native x zoom)
    int scrollX = 0, scrollY = 0;  // scroll position, clamped to the scroll range
    int left = 0, top = 0;         // video position in the pane's client area
};

class VideoGeometry {
public:
    void SetVideoSize(int width, int height) {
        videoW_ = width;
        videoH_ = height;
    }
    int VideoWidth() const { return videoW_; }
    int VideoHeight() const { return videoH_; }

    // Hint 300: the video at `zoom`, centred in a client area of cw x ch.
    Placement Attach(double zoom, int cw, int ch);
    // Hint 301: rescale from `oldZoom` to `newZoom` about the centre of the visible part, given
    // the scroll position the pane has now (the user may have scrolled since the last hint).
    Placement ZoomAboutCentre(double oldZoom, double newZoom, int cw, int ch, int px, int py);
    // Hint 303: back to the remembered scroll offset.
    Placement Reapply(double zoom, int cw, int ch) const;
    // Hint 304: the factor that fits the video into the client area (never above 1.0).
    double FitZoom(int cw, int ch) const;

    int RememberedX() const { return rememberedX_; }
    int RememberedY() const { return rememberedY_; }

private:
    Placement Place(double zoom, int cw, int ch, int wantX, int wantY) const;

    int videoW_ = 0, videoH_ = 0;
    int rememberedX_ = 0, rememberedY_ = 0;
};

// Displayed length of a native length at a zoom factor (truncated).
int Scaled(int length, double zoom);

enum class WheelAction { ZoomIn, ZoomOut, LineLeft, LineRight, LineUp, LineDown };

struct WheelInput {
    bool alt = false;
    bool shift = false;
    bool control = false;
    bool otherFlags = false;  // a mouse button held, or any other key flag
    int delta = 0;            // >= 0 forward (away from the user)
};

// Alt, or Shift alone: zoom; Control alone: one line sideways; otherwise one line up or down.
WheelAction DecideWheel(const WheelInput& in);

}  // namespace tesmira
