#include <gtest/gtest.h>

#include "capture/video_geometry.h"

namespace tesmira {
namespace {

TEST(VideoGeometry, FitNeverEnlargesAndCentresTheVideo) {
    VideoGeometry g;
    g.SetVideoSize(640, 480);
    const double z = g.FitZoom(1000, 800);
    EXPECT_DOUBLE_EQ(z, 1.0);
    const Placement p = g.Attach(z, 1000, 800);
    EXPECT_EQ(p.left, 180);
    EXPECT_EQ(p.top, 160);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.scrollX, 0);
}

TEST(VideoGeometry, FitTakesTheSmallerRatio) {
    VideoGeometry g;
    g.SetVideoSize(640, 480);
    const double z = g.FitZoom(320, 400);
    EXPECT_DOUBLE_EQ(z, 0.5);
    const Placement p = g.Attach(z, 320, 400);
    EXPECT_EQ(p.width, 320);
    EXPECT_EQ(p.height, 240);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.top, 80);
}

TEST(VideoGeometry, FitFallsBackToOneWithoutVideoOrPane) {
    VideoGeometry g;
    EXPECT_DOUBLE_EQ(g.FitZoom(800, 600), 1.0);  // no video size
    g.SetVideoSize(640, 480);
    EXPECT_DOUBLE_EQ(g.FitZoom(0, 0), 1.0);  // a collapsed pane must not give factor 0
}

TEST(VideoGeometry, ZoomKeepsThePointAtTheCentreOfTheView) {
    VideoGeometry g;
    g.SetVideoSize(640, 480);
    const Placement p = g.ZoomAboutCentre(1.0, 2.0, 400, 300, 100, 50);
    EXPECT_EQ(p.width, 1280);
    EXPECT_EQ(p.height, 960);
    EXPECT_EQ(p.scrollX, 400);
    EXPECT_EQ(p.scrollY, 250);
    EXPECT_EQ(p.left, -400);
    EXPECT_EQ(p.top, -250);
    // Re-applying the remembered offset later puts it back in the same place.
    const Placement again = g.Reapply(2.0, 400, 300);
    EXPECT_EQ(again.left, -400);
    EXPECT_EQ(again.top, -250);
}

TEST(VideoGeometry, PictureAndScrollBarsAgreeAtTheEdges) {
    VideoGeometry g;
    g.SetVideoSize(640, 480);
    // Attaching a video larger than the view shows its middle, scrolled there.
    const Placement big = g.Attach(2.0, 400, 300);
    EXPECT_EQ(big.scrollX, (1280 - 400) / 2);
    EXPECT_EQ(big.left, -big.scrollX);
    // Zooming out about a point near the right edge cannot scroll past the video.
    const Placement out = g.ZoomAboutCentre(2.0, 0.75, 400, 300, 880, 660);
    EXPECT_EQ(out.width, 480);
    EXPECT_EQ(out.scrollX, 80);  // the whole range, not beyond
    EXPECT_EQ(out.left, -80);
    EXPECT_EQ(out.top, -60);
    // Zooming out below the view size centres the video.
    const Placement small = g.ZoomAboutCentre(0.75, 0.25, 400, 300, 10, 10);
    EXPECT_EQ(small.left, (400 - 160) / 2);
    EXPECT_EQ(small.top, (300 - 120) / 2);
    // A fit after zooming: re-apply restores the fitted placement.
    g.Attach(g.FitZoom(320, 400), 320, 400);
    EXPECT_EQ(g.Reapply(0.5, 320, 400).top, 80);
}

TEST(VideoGeometry, DisplayedSizeIsTruncated) {
    EXPECT_EQ(Scaled(641, 0.5), 320);
    EXPECT_EQ(Scaled(480, 0.18), 86);
    EXPECT_EQ(Scaled(0, 3.0), 0);
}

TEST(WheelRules, AltOrShiftAloneZoom) {
    WheelInput in;
    in.alt = true;
    in.delta = 120;
    EXPECT_EQ(DecideWheel(in), WheelAction::ZoomIn);
    in.delta = -120;
    EXPECT_EQ(DecideWheel(in), WheelAction::ZoomOut);
    in = {};
    in.shift = true;
    in.delta = 0;  // zero counts as forward
    EXPECT_EQ(DecideWheel(in), WheelAction::ZoomIn);
    in.control = true;  // Shift+Control without Alt scrolls
    EXPECT_EQ(DecideWheel(in), WheelAction::LineUp);
    in.alt = true;  // ...unless Alt is held
    EXPECT_EQ(DecideWheel(in), WheelAction::ZoomIn);
    in = {};
    in.shift = true;
    in.otherFlags = true;  // Shift with a mouse button held does not zoom
    in.delta = -1;
    EXPECT_EQ(DecideWheel(in), WheelAction::LineDown);
}

TEST(WheelRules, ControlScrollsSidewaysOtherwiseUpAndDown) {
    WheelInput in;
    in.control = true;
    in.delta = 120;
    EXPECT_EQ(DecideWheel(in), WheelAction::LineLeft);
    in.delta = -120;
    EXPECT_EQ(DecideWheel(in), WheelAction::LineRight);
    in = {};
    in.delta = 120;
    EXPECT_EQ(DecideWheel(in), WheelAction::LineUp);
    in.delta = -120;
    EXPECT_EQ(DecideWheel(in), WheelAction::LineDown);
}

}  // namespace
}  // namespace tesmira
