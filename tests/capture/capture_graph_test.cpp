#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "capture/capture_owner.h"
#include "capture/capture_rig.h"
#include "capture/fake_catalog.h"
#include "common/message_recorder.h"
#include "core/panel_messages.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "media/capture_graph.h"

namespace tesmira {
namespace {

// Waits on the UI thread (events keep flowing) until `done` or the time-out.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(5);
    if (!done())
        loop.exec();
    return done();
}

struct HintLog : CUpdateView {
    std::vector<std::pair<int, HintPayload>> hints;
    explicit HintLog(CTesmiraDoc& doc) : doc_(doc) { doc_.AddView(this); }
    ~HintLog() override { doc_.RemoveView(this); }
    CTesmiraDoc& doc_;
    void OnUpdate(CUpdateView*, UpdateHint hint, const HintPayload& payload) override {
        hints.emplace_back(int(hint), payload);
    }
};

// Counts what the record branch hands over; can refuse writes like a full disk.
struct CountingWriter : IAviWriter {
    struct Shared {
        int opened = 0, frames = 0, closed = 0;
        int failAfter = -1;
        VideoFormat format;
        int64_t lastPts = -1;
        bool ptsIncreasing = true;
    };
    explicit CountingWriter(std::shared_ptr<Shared> s) : s_(std::move(s)) {}
    bool Open(const std::string&, const VideoFormat& v, const std::optional<AudioFormat>&,
              const CodecSettings&, double, std::string*) override {
        ++s_->opened;
        s_->format = v;
        open_ = true;
        return true;
    }
    bool WriteVideo(const uint8_t*, size_t, int64_t pts) override {
        if (s_->failAfter >= 0 && s_->frames >= s_->failAfter)
            return false;
        if (pts < s_->lastPts)
            s_->ptsIncreasing = false;
        s_->lastPts = pts;
        ++s_->frames;
        return true;
    }
    bool WriteAudio(const uint8_t*, size_t, int64_t) override { return true; }
    bool Close(std::string*) override {
        if (open_)
            ++s_->closed;
        open_ = false;
        return true;
    }
    bool IsOpen() const override { return open_; }
    int64_t FramesWritten() const override { return s_->frames; }
    std::shared_ptr<Shared> s_;
    bool open_ = false;
};

class CaptureGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        rig.settings.dirVideo = "/tmp/video";
        rig.settings.datePrefix = "26_12_08-";
        rig.settings.recNo = 5;
        rig.settings.defaultZoomFactor = 1.5;
    }
    void TearDown() override { unsetenv("TESMIRA_TEST_DEVICES"); }
    test::CaptureRig rig;
};

TEST_F(CaptureGraphTest, StillFrameFromTheTestCameraIsStoredBottomUp) {
    setenv("TESMIRA_TEST_DEVICES", "1", 1);
    unsetenv("TESMIRA_TEST_CAMERA_CAPS");
    auto& messages = rig.messages;
    HintLog log(rig.doc);
    rig.settings.camera = kTestCameraName;
    rig.settings.audio = kTestMicrophoneName;
    rig.Owner().Rebuild();
    CCaptureGraph* graph = rig.Owner().Graph();
    ASSERT_TRUE(graph && graph->CameraReady())
        << (messages.messages.empty() ? "" : messages.messages[0].text);
    EXPECT_TRUE(graph->MicrophoneReady());
    EXPECT_EQ(graph->FrameWidth(), 640);
    EXPECT_EQ(graph->FrameHeight(), 480);
    EXPECT_EQ(graph->RecordBitDepth(), 24);
    EXPECT_EQ(rig.afterBuilds, 1);
    EXPECT_FALSE(graph->IsRunning());  // building does not start live video

    // Hint 300, then 204 with the stored zoom, then 201.
    ASSERT_GE(log.hints.size(), 3u);
    EXPECT_EQ(log.hints[0].first, 300);
    EXPECT_EQ(log.hints[1].first, 204);
    EXPECT_DOUBLE_EQ(std::get<double>(log.hints[1].second), 1.5);
    EXPECT_EQ(log.hints[2].first, 201);

    rig.Owner().LiveStart();
    ASSERT_TRUE(rig.run.isLive);
    int& stills = rig.posted[PanelMessage::kStillFrame];
    graph->RequestFrame(PanelMessage::kStillFrame);
    ASSERT_TRUE(WaitFor([&] { return stills > 0; })) << "no message 1026";
    // One request, one copy and one message, however many frames pass meanwhile.
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(stills, 1);
    EXPECT_FALSE(graph->GrabRequested());

    // Colour bars run along the top of the picture; near-black blocks sit along the bottom.
    const CDib* dib = graph->FrameBitmap();
    ASSERT_TRUE(dib);
    auto darkPixels = [&](const uint8_t* row) {
        int dark = 0;
        for (int x = 0; x < dib->Width(); ++x) {
            const uint8_t* p = row + 3 * x;
            if (std::max({p[0], p[1], p[2]}) < 40)
                ++dark;
        }
        return dark;
    };
    const uint8_t* lastMemoryRow = dib->Pixels() + (dib->Height() - 1) * dib->Stride();
    const uint8_t* firstMemoryRow = dib->Pixels();
    EXPECT_EQ(darkPixels(lastMemoryRow), 0) << "top of the picture belongs in the last row";
    EXPECT_GT(darkPixels(firstMemoryRow), dib->Width() / 10);
    // The bars run grey, yellow, cyan, green… (scrolling round): after yellow comes cyan. Red and
    // blue swapped anywhere on the way from the camera would put green after yellow instead.
    auto bar = [](const uint8_t* p) {  // p: blue, green, red
        const bool b = p[0] > 150, g = p[1] > 150, r = p[2] > 150;
        const bool b0 = p[0] < 60, r0 = p[2] < 60;
        return r && g && b0 ? 'Y' : r0 && g && b ? 'C' : r0 && g && b0 ? 'G' : '.';
    };
    std::string afterYellow;
    char last = '.';
    for (int x = 0; x < dib->Width(); ++x) {
        const char k = bar(lastMemoryRow + 3 * x);
        if (k != '.' && k != last && last == 'Y')
            afterYellow += k;
        if (k != '.')
            last = k;
    }
    EXPECT_EQ(afterYellow, "C") << "bar after yellow";

    EXPECT_GT(graph->PreviewFramesDelivered(), 0u);
    rig.Owner().LiveStop();
    EXPECT_FALSE(rig.run.isLive);
    EXPECT_FALSE(graph->IsRunning());
    EXPECT_TRUE(messages.messages.empty());
}

// A pane that has not painted its frame yet gets no newer one converted: those are let go before
// the converter and counted; once it takes its frame, the next one comes. A still is still served.
TEST_F(CaptureGraphTest, PreviewLetsFramesGoWhileThePaneHasOneToPaint) {
    setenv("TESMIRA_TEST_DEVICES", "1", 1);
    unsetenv("TESMIRA_TEST_CAMERA_CAPS");
    rig.settings.camera = kTestCameraName;
    rig.Owner().Rebuild();
    CCaptureGraph* graph = rig.Owner().Graph();
    ASSERT_TRUE(graph && graph->CameraReady());
    rig.Owner().LiveStart();
    ASSERT_TRUE(rig.run.isLive);
    FrameSlot& slot = graph->Preview();
    ASSERT_TRUE(WaitFor([&] { return slot.FramesPut() >= 1; }));
    const uint64_t spared = graph->PreviewFramesSpared();
    ASSERT_TRUE(WaitFor([&] { return graph->PreviewFramesSpared() >= spared + 3; }));
    EXPECT_EQ(slot.FramesPut(), 1u);
    EXPECT_LE(graph->PreviewFramesSpared(), graph->PreviewFramesDelivered());

    ASSERT_TRUE(slot.Take());
    ASSERT_TRUE(WaitFor([&] { return slot.FramesPut() >= 2; }));
    WaitFor([] { return false; }, 150);
    EXPECT_EQ(slot.FramesPut(), 2u);

    int& stills = rig.posted[PanelMessage::kStillFrame];
    graph->RequestFrame(PanelMessage::kStillFrame);
    EXPECT_TRUE(WaitFor([&] { return stills > 0; })) << "no still while the pane was behind";

    // Live video stopped and started again with a frame still untaken: new frames come.
    rig.Owner().LiveStop();
    const uint64_t put = slot.FramesPut();
    rig.Owner().LiveStart();
    ASSERT_TRUE(rig.run.isLive);
    EXPECT_TRUE(WaitFor([&] { return slot.FramesPut() > put; })) << "no frame after a restart";
    rig.Owner().LiveStop();
}

// Every camera layout reaches the pane as BGRx of the camera's size with its colours in place
// (BGR and BGRx are taken before the queue, the rest go through the converter), and the record
// branch, idle while live video ran without a file, takes up the camera's layout when one opens.
TEST_F(CaptureGraphTest, EveryCameraLayoutReachesThePaneAndTheRecordBranch) {
    struct Case {
        const char* format;
        PixelLayout recorded;
        bool colour;
    };
    const Case cases[] = {{"BGR", PixelLayout::Bgr24, true},
                          {"BGRx", PixelLayout::Bgrx32, true},
                          {"YUY2", PixelLayout::Yuy2, true},
                          {"GRAY8", PixelLayout::Gray8, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        test::CaptureRig rig;
        auto catalog = std::make_shared<test::FakeCatalog>();
        catalog->cameras = {{"Cam", "", ""}};
        catalog->caps =
            std::string("video/x-raw,format=") + c.format + ",width=320,height=240,framerate=30/1";
        rig.catalog = catalog;
        auto shared = std::make_shared<CountingWriter::Shared>();
        rig.makeWriter = [shared] { return std::make_unique<CountingWriter>(shared); };
        rig.settings.camera = "Cam";
        rig.settings.dirVideo = "/tmp/video";  // without them no graph is built
        rig.settings.datePrefix = "26_12_08-";
        rig.Owner().Rebuild();
        CCaptureGraph* graph = rig.Owner().Graph();
        ASSERT_TRUE(graph && graph->CameraReady());
        rig.Owner().LiveStart();
        FrameSlot& slot = graph->Preview();
        ASSERT_TRUE(WaitFor([&] { return slot.FramesPut() >= 1; }));
        const auto frame = slot.Take();
        ASSERT_TRUE(frame && frame->data);
        EXPECT_EQ(frame->width, 320);
        EXPECT_EQ(frame->height, 240);
        ASSERT_GE(frame->stride, 320u * 4);
        // Along the top row the bars run grey, yellow, cyan, …: yellow's pixels have red and
        // green high and blue low, in the window's blue-green-red-x order.
        int yellow = 0, grey = 0;
        for (int x = 0; x < frame->width; ++x) {
            const uint8_t* p = frame->data + 4 * x;
            yellow += p[2] > 150 && p[1] > 150 && p[0] < 60;
            grey += std::abs(p[0] - p[1]) < 8 && std::abs(p[1] - p[2]) < 8;
        }
        if (c.colour)
            EXPECT_GT(yellow, 20);
        else
            EXPECT_EQ(grey, frame->width);

        WaitFor([] { return false; }, 200);  // live video without a file
        std::string error;
        ASSERT_TRUE(graph->StartRecording("/tmp/layout.avi", {}, false, 0, &error)) << error;
        EXPECT_EQ(shared->format.width, 320);
        EXPECT_EQ(shared->format.layout, c.recorded);
        EXPECT_TRUE(WaitFor([&] { return shared->frames >= 5; })) << "no frames recorded";
        EXPECT_TRUE(graph->StopRecording(&error));
        rig.Owner().LiveStop();
        EXPECT_TRUE(rig.messages.messages.empty());
    }
}

TEST_F(CaptureGraphTest, RecordBranchFeedsTheWriterOnlyWhileOpenAndStopsAtTheLimit) {
    auto catalog = std::make_shared<test::FakeCatalog>();
    catalog->cameras = {{"Cam", "", ""}};
    rig.catalog = catalog;
    auto shared = std::make_shared<CountingWriter::Shared>();
    rig.makeWriter = [shared] { return std::make_unique<CountingWriter>(shared); };
    auto& messages = rig.messages;
    rig.settings.camera = "Cam";
    rig.Owner().Rebuild();
    CCaptureGraph* graph = rig.Owner().Graph();
    ASSERT_TRUE(graph && graph->CameraReady());
    rig.Owner().LiveStart();
    ASSERT_TRUE(rig.run.isLive);
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(shared->opened, 0);  // held back: nothing reaches a writer
    EXPECT_DOUBLE_EQ(graph->MeasureStreamRate(), 30.0);

    int& events = rig.posted[PanelMessage::kGraphEvent];
    std::string error;
    ASSERT_TRUE(graph->StartRecording("/tmp/x.avi", {}, false, 300'000'000, &error)) << error;
    EXPECT_FALSE(graph->StartRecording("/tmp/y.avi", {}, false, 0, &error));  // one at a time
    EXPECT_EQ(shared->format.width, 160);
    EXPECT_EQ(shared->format.layout, PixelLayout::Bgr24);
    ASSERT_TRUE(WaitFor([&] { return events > 0; })) << "no stop at the limit";
    const auto fetched = graph->FetchGraphEvents();
    ASSERT_EQ(fetched.size(), 1u);
    EXPECT_EQ(fetched[0].code, kEcStreamControlStopped);
    EXPECT_EQ(fetched[0].param2 & 0xF, 1);
    EXPECT_TRUE(graph->FetchGraphEvents().empty());

    int32_t dropped = -1, delivered = -1;
    graph->ReadFrameCounts(dropped, delivered);
    EXPECT_EQ(delivered, shared->frames);
    EXPECT_GE(delivered, 7);  // 0.3 s at 30 fps
    EXPECT_LE(delivered, 11);
    EXPECT_EQ(dropped, 0);
    EXPECT_TRUE(shared->ptsIncreasing);
    const int atLimit = shared->frames;
    WaitFor([] { return false; }, 150);
    EXPECT_EQ(shared->frames, atLimit);  // nothing after the limit

    EXPECT_TRUE(graph->StopRecording(&error));
    EXPECT_EQ(shared->closed, 1);
    EXPECT_TRUE(graph->StopRecording(&error));  // twice is harmless
    EXPECT_EQ(shared->closed, 1);
    EXPECT_TRUE(graph->IsRunning());  // the preview keeps running
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(CaptureGraphTest, WriterFailureStopsTheRecordingAndTellsTheUser) {
    auto catalog = std::make_shared<test::FakeCatalog>();
    catalog->cameras = {{"Cam", "", ""}};
    rig.catalog = catalog;
    auto shared = std::make_shared<CountingWriter::Shared>();
    shared->failAfter = 3;
    rig.makeWriter = [shared] { return std::make_unique<CountingWriter>(shared); };
    auto& messages = rig.messages;
    rig.settings.camera = "Cam";
    rig.Owner().Rebuild();
    rig.Owner().LiveStart();
    CCaptureGraph* graph = rig.Owner().Graph();
    ASSERT_TRUE(graph && rig.run.isLive);
    std::string error;
    ASSERT_TRUE(graph->StartRecording("/tmp/full.avi", {}, false, 0, &error));
    ASSERT_TRUE(WaitFor([&] { return !messages.messages.empty(); }));
    EXPECT_NE(messages.messages[0].text.find("/tmp/full.avi"), std::string::npos);
    const auto events = graph->FetchGraphEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, kEcStreamControlStopped);
    int32_t dropped, delivered;
    graph->ReadFrameCounts(dropped, delivered);
    EXPECT_EQ(delivered, 3);
    graph->StopRecording(&error);
    EXPECT_EQ(shared->closed, 1);  // what was written is finalised
}

TEST_F(CaptureGraphTest, LostCameraStopsLiveAndLiveStartWorksWhenItIsBack) {
    auto catalog = std::make_shared<test::FakeCatalog>();
    catalog->cameras = {{"Cam", "", ""}};
    catalog->cameraBuffers = 10;  // the stream ends after a third of a second
    rig.catalog = catalog;
    auto& messages = rig.messages;
    HintLog log(rig.doc);
    int recStops = 0;
    rig.Owner().SetRecStop([&] {
        ++recStops;
        rig.run.isRecording = false;
    });
    rig.settings.camera = "Cam";
    rig.Owner().Rebuild();
    rig.Owner().LiveStart();
    ASSERT_TRUE(rig.run.isLive);
    rig.run.isRecording = true;
    log.hints.clear();
    ASSERT_TRUE(WaitFor([&] { return !rig.run.isLive; })) << "live did not stop";
    EXPECT_EQ(recStops, 1);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text.rfind("DirectShow Error:", 0), 0u);
    ASSERT_FALSE(log.hints.empty());
    EXPECT_EQ(log.hints[0].first, 201);  // the controls follow
    EXPECT_TRUE(rig.Owner().Graph()->IsBroken());

    // While the camera is away LiveStart says so and keeps the chosen camera.
    const auto present = catalog->cameras;
    catalog->cameras.clear();
    rig.Owner().LiveStart();
    EXPECT_FALSE(rig.run.isLive);
    EXPECT_EQ(rig.settings.camera, "Cam");
    EXPECT_EQ(messages.messages.size(), 2u);

    catalog->cameras = present;
    catalog->cameraBuffers = -1;
    rig.Owner().LiveStart();
    EXPECT_TRUE(rig.run.isLive);
    EXPECT_FALSE(rig.Owner().Graph()->IsBroken());
}

TEST_F(CaptureGraphTest, MissingCameraIsReportedAndForgotten) {
    auto catalog = std::make_shared<test::FakeCatalog>();
    rig.catalog = catalog;
    auto& messages = rig.messages;
    rig.settings.camera = "Gone Camera";
    rig.Owner().Rebuild();
    ASSERT_TRUE(rig.Owner().Graph());
    EXPECT_FALSE(rig.Owner().CameraReady());
    EXPECT_EQ(rig.settings.camera, "");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text.rfind("カメラをインストールできませんでした!", 0), 0u);
    EXPECT_FALSE(rig.Owner().CanShowCameraProperties());
    EXPECT_FALSE(rig.Owner().CanShowStreamProperties());
    rig.Owner().LiveStart();  // nothing to start
    EXPECT_FALSE(rig.run.isLive);
}

TEST_F(CaptureGraphTest, MenuEnablingFollowsLiveVideo) {
    auto catalog = std::make_shared<test::FakeCatalog>();
    catalog->cameras = {{"Cam", "", ""}};
    rig.catalog = catalog;
    rig.settings.camera = "Cam";
    rig.Owner().Rebuild();
    EXPECT_TRUE(rig.Owner().CanChooseCamera());
    EXPECT_TRUE(rig.Owner().CanShowCameraProperties());
    EXPECT_TRUE(rig.Owner().CanShowStreamProperties());
    rig.Owner().LiveStart();
    EXPECT_FALSE(rig.Owner().CanChooseCamera());
    EXPECT_TRUE(rig.Owner().CanShowCameraProperties());
    EXPECT_FALSE(rig.Owner().CanShowStreamProperties());
    rig.Owner().LiveStop();
    EXPECT_TRUE(rig.Owner().CanChooseCamera());
}

TEST_F(CaptureGraphTest, RebuildKeepsLiveVideoOnExceptInRelayShotMode) {
    auto catalog = std::make_shared<test::FakeCatalog>();
    catalog->cameras = {{"Cam", "", ""}};
    rig.catalog = catalog;
    rig.settings.camera = "Cam";
    rig.Owner().Rebuild();
    rig.Owner().LiveStart();
    rig.Owner().Rebuild();
    EXPECT_TRUE(rig.run.isLive);
    EXPECT_TRUE(rig.Owner().Graph()->IsRunning());
    rig.settings.recMode = 3;
    rig.Owner().Rebuild();
    EXPECT_FALSE(rig.run.isLive);
}

TEST_F(CaptureGraphTest, StreamFormatChangeResizesTheBitmapAndResendsTheHints) {
    auto catalog = std::make_shared<test::FakeCatalog>();
    catalog->cameras = {{"Cam", "", ""}};
    rig.catalog = catalog;
    rig.settings.camera = "Cam";
    rig.Owner().Rebuild();
    CCaptureGraph* graph = rig.Owner().Graph();
    ASSERT_TRUE(graph && graph->CameraReady());
    HintLog log(rig.doc);
    ASSERT_TRUE(rig.Owner().ApplyStreamFormat(
        "video/x-raw,format=GRAY8,width=320,height=240,framerate=15/1"));
    EXPECT_EQ(graph->FrameWidth(), 320);
    EXPECT_EQ(graph->FrameBitmap()->Width(), 320);
    EXPECT_TRUE(rig.messages.messages.empty());
    EXPECT_EQ(graph->RecordBitDepth(), 8);  // GRAY8 goes to the record branch unchanged
    ASSERT_EQ(log.hints.size(), 2u);
    EXPECT_EQ(log.hints[0].first, 300);
    EXPECT_EQ(log.hints[1].first, 204);
    rig.Owner().LiveStart();
    EXPECT_DOUBLE_EQ(graph->MeasureStreamRate(), 15.0);
}

TEST(RecordLayout, RawLayoutsPassOthersBecomeBgr) {
    EXPECT_STREQ(RecordLayoutFor("YUY2"), "YUY2");
    EXPECT_STREQ(RecordLayoutFor("BGRx"), "BGRx");
    EXPECT_STREQ(RecordLayoutFor("GRAY8"), "GRAY8");
    EXPECT_STREQ(RecordLayoutFor("I420"), "BGR");
    EXPECT_STREQ(RecordLayoutFor("RGB"), "BGR");
    EXPECT_EQ(BitDepthOf("YUY2"), 16);
}

}  // namespace
}  // namespace tesmira
