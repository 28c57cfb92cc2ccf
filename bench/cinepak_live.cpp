// Cinepak in real time: the test camera (640x480 BGR at 30 fps) recorded with compressor 3
// through the capture graph's record branch while the live preview runs, then our encoder next
// to FFmpeg's on the same camera frames: CPU per frame, PSNR after FFmpeg's decoder, file sizes.
// Usage: bench_cinepak_live [seconds, default 60] [frames for the encoder comparison, default 300:
//        FFmpeg's encoder manages a few frames per second here, so a smaller sample is quicker]
//        [folder to keep the recording in (default: a temporary one, removed)]
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "bench_capture.h"
#include "bench_util.h"
#include "capture/video_view.h"
#include "media/capture_graph.h"
#include "media/cinepak/cinepak_encoder.h"
#include "media_kit/ffmpeg_cvid.h"
#include "recording/codec_settings.h"

using namespace tesmira;
using bench::Now;
using bench::SelfCpu;

namespace {

constexpr int kW = 640, kH = 480;

void RunLoopFor(int ms, const std::function<bool()>& done) {
    const double end = Now() + ms / 1000.0;
    while (Now() < end && !done()) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// The test camera's own picture (scrolling SMPTE bars), frame by frame, as packed BGR rows.
std::vector<std::vector<uint8_t>> CameraFrames(int count) {
    std::vector<std::vector<uint8_t>> frames;
    const std::string line =
        "videotestsrc pattern=smpte horizontal-speed=1 num-buffers=" + std::to_string(count) +
        " ! video/x-raw,format=BGR,width=640,height=480,framerate=30/1"
        " ! appsink name=out sync=false";
    GstElement* pipeline = gst_parse_launch(line.c_str(), nullptr);
    if (!pipeline)
        return frames;
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        GstMapInfo map;
        if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            // GStreamer pads BGR rows to 4 bytes; 640 * 3 is already a multiple.
            frames.emplace_back(map.data, map.data + size_t(kW) * 3 * kH);
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return frames;
}

struct Encoded {
    double cpuMsPerFrame = 0;
    double psnr = 0;
    int64_t fileBytes = 0;
    bool ok = false;
};

template <typename EncodeFn>
Encoded Compare(const std::vector<std::vector<uint8_t>>& frames, const std::string& path,
                EncodeFn encode) {
    Encoded r;
    std::vector<CvidPacket> packets;
    double cpu = 0;
    for (const auto& f : frames) {
        bool key = false;
        const double t0 = SelfCpu();
        const std::span<const uint8_t> bytes = encode(f.data(), &key);
        cpu += SelfCpu() - t0;
        packets.push_back({std::vector<uint8_t>(bytes.begin(), bytes.end()), key});
    }
    FfmpegCvidDecoder decoder(kW, kH);
    std::vector<uint8_t> out;
    std::string error;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!decoder.Decode(packets[i].data, &out, &error)) {
            std::fprintf(stderr, "decoding failed: %s\n", error.c_str());
            return r;
        }
        r.psnr += PsnrBgr(frames[i].data(), kW * 3, out.data(), kW * 3, kW, kH);
    }
    r.psnr /= double(frames.size());
    r.cpuMsPerFrame = cpu * 1000.0 / double(frames.size());
    if (!WriteCvidAvi(path, kW, kH, 30, packets, &error)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        return r;
    }
    struct stat st {};
    r.fileBytes = stat(path.c_str(), &st) == 0 ? st.st_size : 0;
    r.ok = true;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    bench::UseHeadlessTestDevices();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int compareFrames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 300;
    char tmpTemplate[] = "/tmp/tesmira-cinepak-XXXXXX";
    const bool keep = argc > 3;
    const std::string dir = keep ? argv[3] : (mkdtemp(tmpTemplate) ? tmpTemplate : "");
    if (dir.empty())
        return 1;
    setenv("TESMIRA_TEST_CAMERA_CAPS", "video/x-raw,format=BGR,width=640,height=480,framerate=30/1",
           1);

    static bench::BenchCapture capture;
    // The live pane, shown (offscreen), so the preview is painted while the recording runs.
    CVideoView view(capture.doc);
    view.Attach(capture.owner);
    view.resize(1000, 800);
    view.show();
    Settings& s = capture.owner.CurrentSettings();
    s.camera = kTestCameraName;
    s.audio.clear();
    s.dirVideo = dir;
    s.datePrefix = "00_00_00-";
    s.mediaType = 3;
    capture.owner.Rebuild();
    CCaptureGraph* graph = capture.owner.Graph();
    if (!graph || !graph->CameraReady()) {
        std::fprintf(stderr, "no test camera\n");
        return 1;
    }
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf(
        "Cinepak 640x480 at 30 fps from the test camera, %d s, live preview on; "
        "load average %.2f\n",
        seconds, load[0]);
    capture.owner.LiveStart();
    RunLoopFor(1000, [] { return false; });
    const std::string recording = dir + "/cinepak_live.avi";
    unlink(recording.c_str());
    EncoderPages pages;  // the settings page's defaults: key frame every 15, quality 75
    std::string error;
    const uint64_t preview0 = graph->PreviewFramesDelivered();
    const uint64_t painted0 = CVideoSurface::FramesPainted();
    const double cpu0 = SelfCpu(), t0 = Now();
    if (!graph->StartRecording(recording, CodecSettingsFor(3, pages), false,
                               int64_t(seconds) * 1000000000, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    bool stopped = false;
    RunLoopFor(seconds * 1000 + 8000, [&] {
        for (const GraphEvent& e : graph->FetchGraphEvents())
            stopped = stopped || e.code == kEcStreamControlStopped;
        return stopped;
    });
    graph->StopRecording(&error);
    const double cpu = SelfCpu() - cpu0, wall = Now() - t0;
    int32_t dropped = 0, delivered = 0;
    graph->ReadFrameCounts(dropped, delivered);
    const uint64_t previewFrames = graph->PreviewFramesDelivered() - preview0;
    const uint64_t painted = CVideoSurface::FramesPainted() - painted0;
    capture.owner.LiveStop();
    capture.owner.Destroy();
    struct stat st {};
    std::printf(
        "recorded: %d delivered, %d dropped, %llu preview frames (%llu painted), %.1f s, process "
        "CPU %.2f ms per frame, file %lld bytes%s%s\n",
        delivered, dropped, static_cast<unsigned long long>(previewFrames),
        static_cast<unsigned long long>(painted), wall,
        delivered > 0 ? cpu * 1000.0 / delivered : 0.0,
        stat(recording.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0LL,
        keep ? " in " : "", keep ? recording.c_str() : "");

    const auto frames = CameraFrames(compareFrames);
    if (frames.empty()) {
        std::fprintf(stderr, "no camera frames for the comparison\n");
        return 1;
    }
    CinepakEncoder::Options options;
    options.width = kW;
    options.height = kH;
    options.keyFrameInterval = pages.vfw[0].keyFrameInterval;
    options.quality = pages.vfw[0].quality;
    options.strips = 2;
    options.twoThreads = true;  // as in the record branch
    CinepakEncoder ours(options);
    const Encoded a = Compare(frames, dir + "/ours.avi", [&](const uint8_t* f, bool* key) {
        return ours.Encode(f, kW * 3, false, key);
    });
    FfmpegCvidEncoder theirs(kW, kH);
    const Encoded b = Compare(frames, dir + "/ffmpeg.avi", [&](const uint8_t* f, bool* key) {
        return theirs.Encode(f, kW * 3, key);
    });
    std::printf("%zu camera frames, each encoder on the same frames, decoded by FFmpeg:\n",
                frames.size());
    std::printf("%-8s %12s %10s %12s\n", "encoder", "CPU ms/frame", "PSNR dB", "file bytes");
    for (const auto& [name, r] : {std::pair{"ours", a}, std::pair{"ffmpeg", b}})
        std::printf("%-8s %12.2f %10.2f %12lld\n", name, r.cpuMsPerFrame, r.psnr,
                    static_cast<long long>(r.fileBytes));
    if (a.ok && b.ok)
        std::printf("speed-up %.1fx, PSNR %+.2f dB against FFmpeg's encoder\n",
                    b.cpuMsPerFrame / a.cpuMsPerFrame, a.psnr - b.psnr);
    if (!keep) {
        for (const char* name : {"/cinepak_live.avi", "/ours.avi", "/ffmpeg.avi"})
            unlink((dir + name).c_str());
        rmdir(dir.c_str());
    }
    getloadavg(load, 3);
    std::printf("load average at end %.2f\n", load[0]);
    return 0;
}
