// A camera that sends JPEG pictures, end to end with the real AVI writer: the preview and the
// grabber decode its pictures, compressors 1 and 2 put them into the file as they came, and the
// other compressors get decoded frames.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <mutex>
#include <set>

#include "capture/capture_rig.h"
#include "capture/fake_catalog.h"
#include "ffprobe.h"
#include "media/capture_graph.h"
#include "recording/avi_scan.h"

namespace tesmira::test {
namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
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

// The payloads of the first stream's chunks, in file order.
std::vector<std::string> VideoPayloads(const std::string& path) {
    std::vector<std::string> out;
    AviFile file;
    AviHeader header;
    std::vector<AviSegment> segments;
    std::string why;
    if (!file.Open(path, false, &why) || !ReadAviLayout(file, &header, &segments, &why))
        return out;
    for (const AviSegment& s : segments)
        WalkMovi(file, header, s.moviAt + 12, s.moviAt + 8 + s.moviSize, [&](const MoviChunk& c) {
            std::string bytes(c.size, '\0');
            if (c.stream == 0 && file.Read(c.at + 8, bytes.data(), c.size))
                out.push_back(std::move(bytes));
        });
    return out;
}

// GStreamer's own demuxer and decoder read the whole file without an error.
std::string GstDecodeError(const std::string& path) {
    GError* err = nullptr;
    const std::string line = "filesrc location=\"" + path + "\" ! avidemux ! jpegdec ! fakesink";
    GstElement* pipeline = gst_parse_launch(line.c_str(), &err);
    if (!pipeline) {
        std::string why = err ? err->message : "no pipeline";
        if (err)
            g_error_free(err);
        return why;
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(
        bus, 20 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    std::string why = msg ? "" : "no end of stream";
    if (msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ERROR) {
        GError* e = nullptr;
        gst_message_parse_error(msg, &e, nullptr);
        why = e ? e->message : "error";
        if (e)
            g_error_free(e);
    }
    if (msg)
        gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return why;
}

TEST(MjpegCamera, PicturesArePreviewedGrabbedAndRecordedPerCompressor) {
    if (!FfprobeAvailable())
        GTEST_SKIP() << "ffprobe is not installed; the recordings cannot be checked";
    QTemporaryDir dir;
    std::mutex sentMutex;
    std::set<std::string> sent;  // every picture the camera sent (outlives the camera)
    CaptureRig rig;
    auto catalog = std::make_shared<FakeCatalog>();
    catalog->cameras = {{"MJPEG Cam", "", ""}};
    catalog->caps = "image/jpeg,width=640,height=480,framerate=30/1";
    catalog->tap = [&](GstBuffer* buffer) {
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
            return;
        std::lock_guard<std::mutex> lock(sentMutex);
        sent.emplace(reinterpret_cast<const char*>(map.data), map.size);
        gst_buffer_unmap(buffer, &map);
    };
    rig.catalog = catalog;
    rig.settings.camera = "MJPEG Cam";
    rig.settings.dirVideo = dir.path().toStdString();
    rig.settings.datePrefix = "26_12_09-";
    rig.Owner().Rebuild();
    CCaptureGraph* graph = rig.Owner().Graph();
    ASSERT_TRUE(graph && graph->CameraReady());
    EXPECT_TRUE(graph->JpegCamera());
    EXPECT_EQ(graph->FrameWidth(), 640);
    rig.Owner().LiveStart();

    // The pane gets BGRx pictures with the colour bars in the window's byte order.
    FrameSlot& slot = graph->Preview();
    ASSERT_TRUE(WaitUntil([&] { return slot.FramesPut() >= 1; }, 5000));
    const auto frame = slot.Take();
    ASSERT_TRUE(frame && frame->data);
    int yellow = 0;
    for (int x = 0; x < frame->width; ++x) {
        const uint8_t* p = frame->data + 4 * x;
        yellow += p[2] > 150 && p[1] > 150 && p[0] < 60;
    }
    EXPECT_GT(yellow, 40);
    int& stills = rig.posted[PanelMessage::kStillFrame];
    graph->RequestFrame(PanelMessage::kStillFrame);
    ASSERT_TRUE(WaitUntil([&] { return stills > 0; }, 5000)) << "no grab from a JPEG camera";
    const CDib* dib = graph->FrameBitmap();
    ASSERT_TRUE(dib);
    const uint8_t* top = dib->Pixels() + (dib->Height() - 1) * dib->Stride();  // bottom-up
    int grabbedYellow = 0;
    for (int x = 0; x < dib->Width(); ++x)
        grabbedYellow += top[3 * x + 2] > 150 && top[3 * x + 1] > 150 && top[3 * x] < 60;
    EXPECT_GT(grabbedYellow, 40);

    struct Case {
        int mediaType;
        const char* codec;
        bool passThrough;
    };
    for (const Case& c : {Case{1, "mjpeg", true}, Case{2, "mjpeg", true},
                          Case{0, "rawvideo", false}, Case{4, "msvideo1", false}}) {
        SCOPED_TRACE(c.mediaType);
        const std::string path = dir.filePath(QString("rec%1.avi").arg(c.mediaType)).toStdString();
        CodecSettings codec;
        codec.mediaType = c.mediaType;
        int& events = rig.posted[PanelMessage::kGraphEvent];
        events = 0;
        std::string error;
        ASSERT_TRUE(graph->StartRecording(path, codec, false, 1'000'000'000, &error)) << error;
        EXPECT_EQ(graph->RecordingPassesThrough(), c.passThrough);
        ASSERT_TRUE(WaitUntil([&] { return events > 0; }, 8000)) << "no stop at the limit";
        ASSERT_TRUE(graph->StopRecording(&error)) << error;
        int32_t dropped = -1, delivered = -1;
        graph->ReadFrameCounts(dropped, delivered);
        EXPECT_EQ(dropped, 0);
        EXPECT_GE(delivered, 20);

        const ProbedVideo probed = ProbeVideo(path);
        ASSERT_TRUE(probed.ok) << probed.error;
        EXPECT_EQ(probed.codecName, c.codec);
        EXPECT_EQ(probed.width, 640);
        std::string complaints;
        EXPECT_EQ(CountDecodedFrames(path, &complaints), delivered);
        EXPECT_EQ(complaints, "");
        if (!c.passThrough)
            continue;
        EXPECT_EQ(GstDecodeError(path), "");
        const std::vector<std::string> payloads = VideoPayloads(path);
        ASSERT_EQ(static_cast<int32_t>(payloads.size()), delivered);
        std::lock_guard<std::mutex> lock(sentMutex);
        int same = 0;
        for (const std::string& p : payloads)
            same += sent.count(p) ? 1 : 0;
        EXPECT_EQ(same, delivered) << "pictures changed on their way into the file";
    }
    rig.Owner().LiveStop();
    EXPECT_TRUE(rig.messages.messages.empty());
}

// A picture cut short on its way from the camera is neither decoded for the pane nor written:
// it counts as dropped, and the file holds only whole pictures, each as the camera sent it.
TEST(MjpegCamera, CutShortPicturesStayOutOfTheFileAndCountAsDropped) {
    QTemporaryDir dir;
    std::mutex sentMutex;
    std::set<std::string> sent;
    CaptureRig rig;
    auto catalog = std::make_shared<FakeCatalog>();
    catalog->cameras = {{"MJPEG Cam", "", ""}};
    catalog->caps = "image/jpeg,width=320,height=240,framerate=30/1";
    catalog->cutEvery = 4;
    catalog->tap = [&](GstBuffer* buffer) {
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
            return;
        std::lock_guard<std::mutex> lock(sentMutex);
        sent.emplace(reinterpret_cast<const char*>(map.data), map.size);
        gst_buffer_unmap(buffer, &map);
    };
    rig.catalog = catalog;
    rig.settings.camera = "MJPEG Cam";
    rig.settings.dirVideo = dir.path().toStdString();
    rig.settings.datePrefix = "26_12_09-";
    rig.Owner().Rebuild();
    CCaptureGraph* graph = rig.Owner().Graph();
    ASSERT_TRUE(graph && graph->JpegCamera());
    rig.Owner().LiveStart();
    const std::string path = dir.filePath("cut.avi").toStdString();
    CodecSettings codec;
    codec.mediaType = 1;
    int& events = rig.posted[PanelMessage::kGraphEvent];
    std::string error;
    ASSERT_TRUE(graph->StartRecording(path, codec, false, 1'000'000'000, &error)) << error;
    ASSERT_TRUE(WaitUntil([&] { return events > 0; }, 8000)) << "no stop at the limit";
    ASSERT_TRUE(graph->StopRecording(&error)) << error;
    int32_t dropped = -1, delivered = -1;
    graph->ReadFrameCounts(dropped, delivered);
    EXPECT_GE(dropped, 5);  // a quarter of about 30 pictures
    EXPECT_GE(delivered, 3 * dropped - 3);
    EXPECT_GT(graph->PreviewFramesDamaged() + graph->PreviewFramesSpared(), 0u);
    const std::vector<std::string> payloads = VideoPayloads(path);
    ASSERT_EQ(static_cast<int32_t>(payloads.size()), delivered);
    std::lock_guard<std::mutex> lock(sentMutex);
    for (const std::string& p : payloads) {
        EXPECT_GT(p.size(), 100u);
        EXPECT_TRUE(sent.count(p)) << "a picture changed on its way into the file";
    }
    rig.Owner().LiveStop();
}

}  // namespace
}  // namespace tesmira::test
