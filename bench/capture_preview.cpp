// Live preview cost: the capture graph with the test camera at three sizes, headless. Per size it
// prints the frames the preview received and lost, the frames painted (the visible part
// converted), the process CPU seconds per 1000 frames with the pane hidden and shown, the same
// figure for a bare gst-launch-1.0 pipeline doing the preview branch's conversion (to BGRx) into a
// fakesink, the painting cost (the difference), and at the end the peak resident set size.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
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
using bench::ChildrenCpu;
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

// CPU seconds of gst-launch-1.0 producing `frames` frames of the same test pattern.
double BarePipelineCpu(const Size& s, int frames) {
    const double before = ChildrenCpu();
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string buffers = "num-buffers=" + std::to_string(frames);
        const std::string caps = Caps(s);
        execlp("gst-launch-1.0", "gst-launch-1.0", "-q", "videotestsrc", "is-live=true",
               "pattern=smpte", "horizontal-speed=1", buffers.c_str(), "!", caps.c_str(), "!",
               "videoconvert", "!", "video/x-raw,format=BGRx", "!", "fakesink", "sync=false",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return ChildrenCpu() - before;
}

struct Run {
    uint64_t delivered = 0, lost = 0, painted = 0;
    double cpu = 0;
};

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
    Capture().owner.LiveStart();
    QEventLoop loop;  // not app.exec(): quitting the application would close the pane
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    Capture().owner.LiveStop();
    r.cpu = SelfCpu() - cpuBefore;
    r.delivered = graph->PreviewFramesDelivered();
    r.lost = graph->PreviewFramesLost();
    r.painted = CVideoSurface::FramesPainted() - paintedBefore;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    bench::UseHeadlessTestDevices();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    Capture().settings.camera = kTestCameraName;
    Capture().settings.audio.clear();
    Capture().settings.dirVideo = "/tmp";
    Capture().settings.datePrefix = "00_00_00-";
    Capture().settings.defaultZoomFactor = 1.0;

    CVideoView view(Capture().doc);
    view.Attach(Capture().owner);
    view.resize(1000, 800);

    std::printf("CPU seconds per 1000 frames; pane 1000 x 800 at zoom 1.0; %d s per run\n",
                seconds);
    std::printf("%-10s %4s %9s %5s %8s %8s %8s %8s %6s %8s\n", "size", "fps", "delivered", "lost",
                "painted", "graph", "bare", "graph+pt", "ratio", "painting");
    for (const Size& s : std::vector<Size>{{640, 480, 30}, {1280, 720, 30}, {1920, 1080, 60}}) {
        setenv("TESMIRA_TEST_CAMERA_CAPS", Caps(s).c_str(), 1);
        const Run hidden = LiveFor(view, false, seconds);
        const Run shown = LiveFor(view, true, seconds);
        if (!hidden.delivered || !shown.delivered) {
            std::fprintf(stderr, "no frames at %dx%d\n", s.w, s.h);
            return 1;
        }
        const double bare = BarePipelineCpu(s, static_cast<int>(hidden.delivered));
        const double graph = Per1000(hidden.cpu, hidden.delivered);
        const double bare1000 = bare >= 0 ? Per1000(bare, hidden.delivered) : -1;
        const double withPaint = Per1000(shown.cpu, shown.delivered);
        char size[32];
        std::snprintf(size, sizeof size, "%dx%d", s.w, s.h);
        std::printf("%-10s %4d %9llu %5llu %8llu %8.3f %8.3f %8.3f %6.2f %8.3f\n", size, s.fps,
                    static_cast<unsigned long long>(shown.delivered),
                    static_cast<unsigned long long>(shown.lost + hidden.lost),
                    static_cast<unsigned long long>(shown.painted), graph, bare1000, withPaint,
                    bare1000 > 0 ? graph / bare1000 : 0.0, withPaint - graph);
        std::fflush(stdout);
    }
    Capture().owner.Destroy();
    std::printf(
        "graph = capture graph with the pane hidden; bare = gst-launch-1.0 videotestsrc ! "
        "videoconvert ! BGRx ! fakesink; ratio = graph / bare; painting = graph+pt - graph\n");
    std::printf("expected frames per run: fps x %d; peak RSS %.1f MB\n", seconds,
                bench::PeakRssMb());
    return 0;
}
