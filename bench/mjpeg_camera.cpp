// MJPEG cameras. First, on the same 1920x1080 pictures (the test camera's, made once up front):
// the CPU per recorded frame of compressor 1 with pass-through (the camera's pictures copied into
// the AVI; once more with their Huffman tables left out, as many cameras send them) against the
// decode and re-encode that compressor did before (jpegdec, videoconvert to BGR, the writer's
// MJPEG encoder). Then live: the JPEG test camera with the preview shown (the pane takes a frame
// every 16 ms) recorded with compressor 1 into the RAM disk: frames expected, delivered, dropped,
// camera frames, new frames the pane took, resident memory at the start and end of the recording
// and the peak of the process. Last, where a GenICam camera is listed, 1920x1080 Mono8 from it
// recorded uncompressed. Usage: bench_mjpeg_camera [seconds at 1080p, default 60] [seconds at
// 2160p, default 30]
//        [seconds of GenICam, default 30]
#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_capture.h"
#include "bench_util.h"
#include "media/avi_writer.h"
#include "media/capture_graph.h"
#include "media/device_catalog.h"
#include "media/genicam_cameras.h"
#include "media/jpeg_frames.h"
#include "media/stream_format.h"

using namespace tesmira;
using bench::Now;
using bench::SelfCpu;

namespace {

using Picture = std::vector<uint8_t>;

std::string JpegCaps(int w, int h) {
    return "image/jpeg,width=" + std::to_string(w) + ",height=" + std::to_string(h) +
           ",framerate=30/1";
}

// Pulls every buffer a pipeline ending in "appsink name=out" gives until its end.
std::vector<Picture> PullAll(GstElement* pipeline) {
    std::vector<Picture> out;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
        GstBuffer* b = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (b && gst_buffer_map(b, &map, GST_MAP_READ)) {
            out.emplace_back(map.data, map.data + map.size);
            gst_buffer_unmap(b, &map);
        }
        gst_sample_unref(sample);
    }
    gst_object_unref(sink);
    return out;
}

std::vector<Picture> CameraPictures(int w, int h, int count) {
    const std::string line =
        "videotestsrc pattern=smpte horizontal-speed=1 num-buffers=" + std::to_string(count) +
        " ! video/x-raw,width=" + std::to_string(w) + ",height=" + std::to_string(h) +
        " ! jpegenc ! appsink name=out sync=false";
    GstElement* p = gst_parse_launch(line.c_str(), nullptr);
    if (!p)
        return {};
    gst_element_set_state(p, GST_STATE_PLAYING);
    std::vector<Picture> out = PullAll(p);
    gst_element_set_state(p, GST_STATE_NULL);
    gst_object_unref(p);
    return out;
}

Picture WithoutTables(const Picture& jpeg) {
    Picture out(jpeg.begin(), jpeg.begin() + 2);
    size_t pos = 2;
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
        const size_t len = size_t(jpeg[pos + 2]) << 8 | jpeg[pos + 3];
        if (jpeg[pos + 1] != 0xC4)
            out.insert(out.end(), jpeg.begin() + pos, jpeg.begin() + pos + 2 + len);
        pos += 2 + len;
    }
    out.insert(out.end(), jpeg.begin() + pos, jpeg.end());
    return out;
}

std::unique_ptr<IAviWriter> OpenWriter(const std::string& path, int w, int h, bool jpeg) {
    auto writer = MakeAviWriter();
    VideoFormat video{w, h, PixelLayout::Bgr24, 30, 1};
    video.jpeg = jpeg;
    CodecSettings codec;
    codec.mediaType = 1;
    std::string error;
    unlink(path.c_str());
    if (!writer->Open(path, video, std::nullopt, codec, 30.0, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return nullptr;
    }
    return writer;
}

// CPU milliseconds per frame of writing the pictures through pass-through.
double PassThroughMs(const std::vector<Picture>& pictures, int w, int h, const std::string& path) {
    auto writer = OpenWriter(path, w, h, true);
    if (!writer)
        return -1;
    const double cpu0 = SelfCpu();
    for (const Picture& p : pictures)
        writer->WriteEncoded(p.data(), p.size(), 0);
    writer->Close(nullptr);
    const double ms = (SelfCpu() - cpu0) * 1000.0 / double(pictures.size());
    unlink(path.c_str());
    return ms;
}

// CPU milliseconds per frame of decoding the pictures as the record branch does for the other
// compressors and encoding them again with compressor 1.
double ReencodeMs(const std::vector<Picture>& pictures, int w, int h, const std::string& path) {
    auto writer = OpenWriter(path, w, h, false);
    GstElement* p = gst_parse_launch(
        ("appsrc name=in format=time caps=" + JpegCaps(w, h) +
         " ! jpegdec ! videoconvert ! video/x-raw,format=BGR ! appsink name=out sync=false")
            .c_str(),
        nullptr);
    if (!writer || !p)
        return -1;
    GstElement* in = gst_bin_get_by_name(GST_BIN(p), "in");
    GstElement* sink = gst_bin_get_by_name(GST_BIN(p), "out");
    g_object_set(in, "max-bytes", G_GUINT64_CONSTANT(0), nullptr);
    gst_element_set_state(p, GST_STATE_PLAYING);
    const double cpu0 = SelfCpu();
    for (size_t i = 0; i < pictures.size(); ++i) {
        GstBuffer* b = gst_buffer_new_memdup(pictures[i].data(), pictures[i].size());
        GST_BUFFER_PTS(b) = i * GST_SECOND / 30;
        gst_app_src_push_buffer(GST_APP_SRC(in), b);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(in));
    int frames = 0;
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
        GstMapInfo map;
        GstBuffer* b = gst_sample_get_buffer(sample);
        if (b && gst_buffer_map(b, &map, GST_MAP_READ)) {
            const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);  // GStreamer's BGR rows
            writer->WriteVideo(map.data, stride, 0);
            gst_buffer_unmap(b, &map);
            ++frames;
        }
        gst_sample_unref(sample);
    }
    writer->Close(nullptr);
    const double ms = frames ? (SelfCpu() - cpu0) * 1000.0 / frames : -1;
    gst_element_set_state(p, GST_STATE_NULL);
    gst_object_unref(in);
    gst_object_unref(sink);
    gst_object_unref(p);
    unlink(path.c_str());
    return ms;
}

double RssMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

bench::BenchCapture& Capture() {
    static bench::BenchCapture capture;
    return capture;
}

void RunLoopFor(int ms, const std::function<bool()>& done = nullptr) {
    const double end = Now() + ms / 1000.0;
    while (Now() < end && !(done && done())) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// One recording of `seconds` with compressor `mediaType` from the camera chosen in the settings.
void LiveCase(const char* label, int fps, int mediaType, int seconds, const std::string& path,
              bool verbose = false) {
    Capture().owner.Rebuild();
    CCaptureGraph* graph = Capture().owner.Graph();
    if (!graph || !graph->CameraReady()) {
        std::printf("%s: no camera\n", label);
        return;
    }
    if (verbose) {
        std::string page;
        for (const std::string& caps : graph->OfferedFormats())
            if (const auto f = StreamFormatFromCaps(caps))
                page += "\n    " + f->Label();
        std::printf("%s: format page%s\n", label, page.c_str());
        for (const CameraSetting& c : graph->CameraSettings())
            std::printf("%s: camera page before live video %s %g .. %g, now %g\n", label,
                        c.name.c_str(), c.min, c.max, c.value);
        graph->SetCameraSetting(kExposureSetting, 20000);
    }
    Capture().owner.LiveStart();
    if (verbose) {
        RunLoopFor(500);
        for (const CameraSetting& c : graph->CameraSettings())
            std::printf("%s: camera page %s %g .. %g, now %g\n", label, c.name.c_str(), c.min,
                        c.max, c.value);
    }
    // The pane: takes the newest frame every 16 ms, as painting does; a new frame is one shown.
    int shown = 0;
    std::shared_ptr<const VideoFrame> last;  // held, so a new frame never has its address
    QTimer pane;
    QObject::connect(&pane, &QTimer::timeout, [&] {
        auto frame = graph->Preview().Take();
        if (frame && frame != last)
            ++shown;
        last = std::move(frame);
    });
    pane.start(16);
    RunLoopFor(1500);
    bool stopped = false;
    Capture().panelMessages.SetHandler(PanelMessage::kGraphEvent, [&stopped] {
        if (CCaptureGraph* g = Capture().owner.Graph())
            for (const GraphEvent& e : g->FetchGraphEvents())
                stopped |= e.code == kEcStreamControlStopped;
    });
    CodecSettings codec;
    codec.mediaType = mediaType;
    std::string error;
    unlink(path.c_str());
    const uint64_t camera0 = graph->PreviewFramesDelivered();
    const int shown0 = shown;
    const double rss0 = RssMb(), t0 = Now(), cpu0 = SelfCpu();
    if (!graph->StartRecording(path, codec, false, int64_t(seconds) * 1000000000, &error)) {
        std::printf("%s: %s\n", label, error.c_str());
        return;
    }
    const bool passing = graph->RecordingPassesThrough();
    double rssMid = 0;
    RunLoopFor(seconds * 500);
    rssMid = RssMb();
    RunLoopFor(seconds * 500 + 5000, [&stopped] { return stopped; });
    graph->StopRecording(&error);
    const double wall = Now() - t0, cpu = SelfCpu() - cpu0, rss1 = RssMb();
    int32_t dropped = 0, delivered = 0;
    graph->ReadFrameCounts(dropped, delivered);
    const uint64_t camera = graph->PreviewFramesDelivered() - camera0;
    pane.stop();
    last.reset();
    Capture().panelMessages.SetHandler(PanelMessage::kGraphEvent, nullptr);
    Capture().owner.LiveStop();
    unlink(path.c_str());
    std::printf(
        "%-22s %3d s  expected %5d  delivered %5d  dropped %3d  camera %5llu  "
        "shown %5d  pass-through %s  CPU %.2f cores  RSS %.0f / %.0f / %.0f MB\n",
        label, seconds, fps * seconds, delivered, dropped, static_cast<unsigned long long>(camera),
        shown - shown0, passing ? "yes" : "no", cpu / wall, rss0, rssMid, rss1);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    bench::UseHeadlessTestDevices();
    QApplication app(argc, argv);
    EnsureGStreamer();
    const int hdSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int uhdSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    const int genicamSeconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 30;
    char shm[] = "/dev/shm/tesmira-bench-XXXXXX";
    if (!mkdtemp(shm))
        return 1;
    const std::string dir = shm;
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("load average at start %.2f\n", load[0]);

    const std::vector<Picture> pictures = CameraPictures(1920, 1080, 90);
    std::vector<Picture> bare;
    for (const Picture& p : pictures)
        bare.push_back(WithoutTables(p));
    const double pass = PassThroughMs(pictures, 1920, 1080, dir + "/pass.avi");
    const double passBare = PassThroughMs(bare, 1920, 1080, dir + "/bare.avi");
    const double reencode = ReencodeMs(pictures, 1920, 1080, dir + "/reencode.avi");
    std::printf(
        "1920x1080, %zu pictures, compressor 1, CPU ms per frame:\n"
        "  pass-through %.3f   without tables %.3f   decode + re-encode %.2f   "
        "ratio %.4f\n",
        pictures.size(), pass, passBare, reencode, reencode > 0 ? pass / reencode : 0.0);
    std::fflush(stdout);

    Capture().settings.camera = kTestCameraName;
    Capture().settings.audio.clear();
    Capture().settings.dirVideo = dir;
    Capture().settings.datePrefix = "00_00_00-";
    setenv("TESMIRA_TEST_CAMERA_CAPS", JpegCaps(1920, 1080).c_str(), 1);
    LiveCase("MJPEG 1920x1080 c1", 30, 1, hdSeconds, dir + "/live1080.avi");
    setenv("TESMIRA_TEST_CAMERA_CAPS", JpegCaps(3840, 2160).c_str(), 1);
    LiveCase("MJPEG 3840x2160 c1", 30, 1, uhdSeconds, dir + "/live2160.avi");

    // The GenICam simulator, where one runs (TESMIRA_GENICAM=1 in a private network namespace):
    // Mono8 at 1920x1080, uncompressed into the RAM disk. Its rate is the simulator's own.
    std::string genicam;
    if (const auto cams = Capture().catalog->Cameras())
        for (const CaptureDevice& d : *cams)
            if (d.name.rfind("Aravis", 0) == 0 || (genicam.empty() && d.name != kTestCameraName))
                genicam = d.name;
    if (genicam.empty() || !GenicamWanted()) {
        std::printf(
            "GenICam: no camera (run with TESMIRA_GENICAM=1 beside arv-fake-gv-camera-0.8 "
            "in a private network namespace)\n");
    } else {
        Capture().settings.camera = genicam;
        int fps = 25;
        Capture().settings.streamFormat =
            RememberFormat(genicam, StreamFormat{1920, 1080, "GRAY8", "video/x-raw", fps, 1});
        LiveCase("GenICam 1920x1080 Mono8", fps, 0, genicamSeconds, dir + "/genicam.avi", true);
        // Bayer through GStreamer's bayer2rgb, as BGRx into the file.
        Capture().settings.streamFormat =
            RememberFormat(genicam, StreamFormat{1920, 1080, "rggb", "video/x-bayer", fps, 1});
        LiveCase("GenICam 1920x1080 BayerRG8", fps, 0, genicamSeconds, dir + "/bayer.avi");
    }
    Capture().owner.Destroy();
    rmdir(shm);
    getloadavg(load, 3);
    std::printf(
        "camera = pictures the test camera made during the recording (its encoder runs in "
        "this process);\nshown = new frames the pane took (decoded for it); RSS at the start / "
        "middle / end of "
        "the recording.\nload average at end %.2f; peak RSS %.1f MB\n",
        load[0], bench::PeakRssMb());
    return 0;
}
