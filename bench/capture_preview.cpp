// Live preview cost: the capture graph with the test camera at three sizes, headless. Per size it
// prints the frames the camera sent and the preview lost, the frames painted (the visible part
// drawn), CPU seconds per 1000 camera frames of the process with the pane hidden, of the graph's
// threads with the pane shown, and of a bare pipeline doing the preview branch's conversion into
// a fakesink in this process (so neither side pays for starting a program), the painting cost as
// the extra CPU of the UI thread and Qt's helper threads per 1000 painted frames, and at the end
// the peak resident set size.
// Usage: bench_capture_preview [seconds per run, default 10] [WxH@FPS ...]
// With TESMIRA_BENCH_THREADS set, each thread's CPU seconds per run go to standard error.
#include <gst/gst.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_capture.h"
#include "bench_util.h"
#include "capture/capture_owner.h"
#include "capture/video_view.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "media/capture_graph.h"
#include "media/device_catalog.h"

using namespace tesmira;
using bench::Per1000;
using bench::SelfCpu;

namespace {

bench::BenchCapture& Capture() {
    static bench::BenchCapture capture;
    return capture;
}

struct Size {
    int w, h, fps;
};

std::string Caps(const Size& s) {
    return "video/x-raw,format=BGR,width=" + std::to_string(s.w) +
           ",height=" + std::to_string(s.h) + ",framerate=" + std::to_string(s.fps) + "/1";
}

// CPU seconds of this process running the preview's work alone: the same source at the same caps,
// converted to BGRx into a fakesink, for `frames` frames (live, so it lasts as long as the graph).
double BarePipelineCpu(const Size& s, int frames) {
    const std::string line =
        "videotestsrc is-live=true pattern=smpte horizontal-speed=1 "
        "num-buffers=" +
        std::to_string(frames) + " ! " + Caps(s) +
        " ! videoconvert ! video/x-raw,format=BGRx ! fakesink sync=false";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(line.c_str(), &error);
    if (error)
        g_error_free(error);
    if (!pipeline)
        return -1;
    GstBus* bus = gst_element_get_bus(pipeline);
    const double before = SelfCpu();
    const bench::ThreadSnapshot threadsBefore = bench::SnapshotThreads();
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    const GstClockTime limit = (GstClockTime(frames) / GstClockTime(s.fps) + 10) * GST_SECOND;
    GstMessage* end = gst_bus_timed_pop_filtered(
        bus, limit, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const double cpu = SelfCpu() - before;
    if (std::getenv("TESMIRA_BENCH_THREADS"))
        bench::PrintThreadsCpu("bare", threadsBefore, bench::SnapshotThreads());
    const bool ok = end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    if (end)
        gst_message_unref(end);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(pipeline);
    return ok ? cpu : -1;
}

struct Run {
    uint64_t delivered = 0, lost = 0, painted = 0;
    // Frames the camera sent: the graph's source produced every one, also those the preview let go.
    uint64_t Camera() const { return delivered + lost; }
    double cpu = 0;    // the whole process
    double uiCpu = 0;  // the UI thread and the helper threads Qt hands painting work to
};

// The UI thread and the threads Qt hands its painting work to (it converts and scales large
// images on its thread pool while the UI thread waits): together, what painting costs.
bool UiSide(long tid, const std::string& name) {
    return tid == static_cast<long>(getpid()) || name.rfind("Thread (pooled)", 0) == 0;
}

// Live video for `seconds` with the pane shown or hidden (hidden: nothing is painted).
Run LiveFor(CVideoView& view, bool shown, int seconds) {
    Run r;
    if (shown)
        view.show();
    else
        view.hide();
    Capture().owner.Rebuild();
    CCaptureGraph* graph = Capture().owner.Graph();
    if (!graph || !graph->CameraReady())
        return r;
    const uint64_t paintedBefore = CVideoSurface::FramesPainted();
    const double cpuBefore = SelfCpu();
    const bench::ThreadSnapshot threadsBefore = bench::SnapshotThreads();
    Capture().owner.LiveStart();
    QEventLoop loop;  // not app.exec(): quitting the application would close the pane
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const bench::ThreadSnapshot threadsAfter = bench::SnapshotThreads();  // streaming threads end
    Capture().owner.LiveStop();
    r.cpu = SelfCpu() - cpuBefore;
    r.uiCpu = bench::ThreadsCpuBetween(threadsBefore, threadsAfter, UiSide);
    if (std::getenv("TESMIRA_BENCH_THREADS"))
        bench::PrintThreadsCpu(shown ? "shown" : "hidden", threadsBefore, threadsAfter);
    r.delivered = graph->PreviewFramesDelivered();
    r.lost = graph->PreviewFramesLost();
    r.painted = CVideoSurface::FramesPainted() - paintedBefore;
    return r;
}

bool ParseSize(const char* text, Size* s) {
    return std::sscanf(text, "%dx%d@%d", &s->w, &s->h, &s->fps) == 3 && s->w > 0 && s->h > 0 &&
           s->fps > 0;
}

}  // namespace

int main(int argc, char** argv) {
    bench::UseHeadlessTestDevices();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    std::vector<Size> sizes;
    for (int i = 2; i < argc; ++i) {
        Size s{};
        if (!ParseSize(argv[i], &s)) {
            std::fprintf(stderr, "not a size: %s (expected WxH@FPS)\n", argv[i]);
            return 2;
        }
        sizes.push_back(s);
    }
    if (sizes.empty())
        sizes = {{640, 480, 30}, {1280, 720, 30}, {1920, 1080, 60}};
    Capture().settings.camera = kTestCameraName;
    Capture().settings.audio.clear();
    Capture().settings.dirVideo = "/tmp";
    Capture().settings.datePrefix = "00_00_00-";
    Capture().settings.defaultZoomFactor = 1.0;

    CVideoView view(Capture().doc);
    view.Attach(Capture().owner);
    view.resize(1000, 800);

    std::printf(
        "CPU seconds per 1000 camera frames (painting: per 1000 painted); pane 1000 x 800 at zoom "
        "1.0; %d s per run\n",
        seconds);
    std::printf("%-10s %4s %6s %5s %7s %7s %7s %7s %6s %8s %7s\n", "size", "fps", "camera", "lost",
                "painted", "hidden", "graph", "bare", "ratio", "painting", "total");
    for (const Size& s : sizes) {
        setenv("TESMIRA_TEST_CAMERA_CAPS", Caps(s).c_str(), 1);
        const Run hidden = LiveFor(view, false, seconds);
        const Run shown = LiveFor(view, true, seconds);
        if (!hidden.delivered || !shown.delivered) {
            std::fprintf(stderr, "no frames at %dx%d\n", s.w, s.h);
            return 1;
        }
        // Per frame the camera sent, so that frames the preview lets go under load do not make
        // the graph look dearer than a bare pipeline running as many frames. The graph's figure
        // is its threads' work while the pane is shown (every frame painted was converted).
        const double bare = BarePipelineCpu(s, static_cast<int>(shown.Camera()));
        const double graph = Per1000(shown.cpu - shown.uiCpu, shown.Camera());
        const double bare1000 = bare >= 0 ? Per1000(bare, shown.Camera()) : -1;
        // The UI thread's own work per frame (taking the frame, queued events) without painting,
        // taken away from the shown run's, leaves what painting cost it.
        const double uiIdle = hidden.uiCpu * double(shown.Camera()) / double(hidden.Camera());
        const double painting = Per1000(shown.uiCpu - uiIdle, shown.painted);
        char size[32];
        std::snprintf(size, sizeof size, "%dx%d", s.w, s.h);
        std::printf("%-10s %4d %6llu %5llu %7llu %7.3f %7.3f %7.3f %6.2f %8.3f %7.3f\n", size,
                    s.fps, static_cast<unsigned long long>(shown.Camera()),
                    static_cast<unsigned long long>(shown.lost),
                    static_cast<unsigned long long>(shown.painted),
                    Per1000(hidden.cpu, hidden.Camera()), graph, bare1000,
                    bare1000 > 0 ? graph / bare1000 : 0.0, painting,
                    Per1000(shown.cpu, shown.Camera()));
        std::fflush(stdout);
    }
    Capture().owner.Destroy();
    std::printf(
        "camera = frames the camera sent in the shown run; hidden = the process with the pane "
        "hidden;\ngraph = the process with the pane shown, less the UI thread and Qt's helpers; "
        "bare = videotestsrc ! videoconvert ! BGRx ! fakesink\nin this process for as many "
        "frames; ratio = graph / bare; painting = the UI thread and Qt's helpers per 1000 painted "
        "frames\nbeyond their work with the pane hidden; total = the process with the pane "
        "shown\n");
    std::printf("expected frames per run: fps x %d; peak RSS %.1f MB\n", seconds,
                bench::PeakRssMb());
    return 0;
}
