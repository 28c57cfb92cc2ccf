#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QThread>
#include <QWheelEvent>

#include "capture/capture_owner.h"
#include "capture/capture_rig.h"
#include "capture/fake_catalog.h"
#include "capture/video_view.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "media/capture_graph.h"

namespace tesmira {
namespace {

class VideoViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        catalog = std::make_shared<test::FakeCatalog>();
        catalog->cameras = {{"Cam", "", ""}};
        catalog->caps = "video/x-raw,format=BGR,width=640,height=480,framerate=30/1";
        rig.catalog = catalog;
        view.Attach(rig.Owner());
        rig.settings.camera = "Cam";
        rig.settings.dirVideo = "/tmp";
        rig.settings.datePrefix = "26_12_08-";
        rig.settings.defaultZoomFactor = 1.0;
        view.setFrameShape(QFrame::NoFrame);
        view.resize(1000, 800);
        view.show();
        QApplication::processEvents();
    }
    test::CaptureRig rig;
    std::shared_ptr<test::FakeCatalog> catalog;
    CVideoView view{rig.doc};
};

TEST_F(VideoViewTest, BuildingTheGraphAttachesTheVideoCentred) {
    rig.Owner().Rebuild();  // sends hint 300 to the view
    EXPECT_EQ(view.Surface()->size(), QSize(640, 480));
    EXPECT_EQ(view.Surface()->pos(), QPoint(180, 160));

    view.resize(320, 400);
    QApplication::processEvents();
    view.OnUpdate(nullptr, UpdateHint::kFitVideo, {});
    QApplication::processEvents();  // the scroll bars of the larger video go away
    EXPECT_DOUBLE_EQ(rig.settings.defaultZoomFactor, 0.5);
    EXPECT_EQ(view.Surface()->pos(), QPoint(0, 80));

    // The pane's client area is the 400 x 300 of the example (no scroll bars taking room).
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.resize(400, 300);
    QApplication::processEvents();
    view.OnUpdate(nullptr, UpdateHint::kZoomAboutCentre, 1.0);
    view.horizontalScrollBar()->setValue(100);
    view.verticalScrollBar()->setValue(50);
    view.OnUpdate(nullptr, UpdateHint::kZoomAboutCentre, 2.0);
    EXPECT_EQ(view.Surface()->pos(), QPoint(-400, -250));
    EXPECT_DOUBLE_EQ(rig.settings.defaultZoomFactor, 2.0);
}

TEST_F(VideoViewTest, LiveFramesArePaintedFromTheStreamingThread) {
    rig.Owner().Rebuild();
    const uint64_t before = CVideoSurface::FramesPainted();
    rig.Owner().LiveStart();
    ASSERT_TRUE(rig.run.isLive);
    for (int i = 0; i < 100 && CVideoSurface::FramesPainted() < before + 3; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    EXPECT_GE(CVideoSurface::FramesPainted(), before + 3);
}

// The pane shows the camera's frame as it is: the preview branch's layout and the window's agree
// on byte order and row length (a swap of red and blue would turn the yellow bar cyan).
TEST_F(VideoViewTest, ThePaneShowsTheCameraFrameUnchanged) {
    rig.Owner().Rebuild();
    rig.Owner().LiveStart();
    ASSERT_TRUE(rig.run.isLive);
    CCaptureGraph* graph = rig.Owner().Graph();
    ASSERT_NE(graph, nullptr);
    bool compared = false;
    for (int attempt = 0; attempt < 200 && !compared; ++attempt) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
        // Only a grab during which no new frame arrived is judged: then the painted frame is the
        // one in the slot.
        const uint64_t before = graph->Preview().FramesPut();
        const QImage shown = view.Surface()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto frame = graph->Preview().Peek();
        if (!frame || graph->Preview().FramesPut() != before)
            continue;
        compared = true;
        ASSERT_EQ(shown.size(), QSize(frame->width, frame->height));
        int wrong = 0;
        for (int y = 0; y < frame->height && wrong < 5; ++y)
            for (int x = 0; x < frame->width && wrong < 5; ++x) {
                const uint8_t* p = frame->data + size_t(y) * frame->stride + size_t(x) * 4;
                if ((shown.pixel(x, y) & 0xffffffu) != (qRgb(p[2], p[1], p[0]) & 0xffffffu)) {
                    ++wrong;
                    ADD_FAILURE() << "pixel (" << x << "," << y << ")";
                }
            }
    }
    EXPECT_TRUE(compared) << "no quiet moment to compare the pane with the frame";
}

TEST_F(VideoViewTest, ShiftWheelZoomsPlainWheelScrolls) {
    rig.Owner().Rebuild();
    view.resize(400, 300);
    QApplication::processEvents();
    view.OnUpdate(nullptr, UpdateHint::kZoomAboutCentre, 2.0);
    std::vector<bool> zooms;
    view.SetWheelZoomHandler([&](bool in) { zooms.push_back(in); });
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent e(QPointF(50, 50), view.mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.viewport(), &e);
    };
    wheel(120, Qt::ShiftModifier);
    wheel(-120, Qt::AltModifier);
    EXPECT_EQ(zooms, (std::vector<bool>{true, false}));
    const int y = view.verticalScrollBar()->value();
    wheel(-120, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(zooms.size(), 2u);
    EXPECT_EQ(view.verticalScrollBar()->value(), y + view.verticalScrollBar()->singleStep());
    const int x = view.horizontalScrollBar()->value();
    wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(view.horizontalScrollBar()->value(), x + view.horizontalScrollBar()->singleStep());
}

}  // namespace
}  // namespace tesmira
