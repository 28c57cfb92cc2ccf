// Live preview cost: the capture graph with the test camera at three sizes, headless. Per size it
// prints the frames the preview received, the frames painted (the visible part converted and
// scaled), the process CPU seconds per 1000 frames, the same figure for a bare gst-launch-1.0
// pipeline doing the conversion to BGR into a fakesink, the painting cost measured on its own,
// and at the end the peak resident set size.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "app/settings.h"
#include "capture/capture_graph.h"
#include "capture/capture_owner.h"
#include "capture/device_catalog.h"
#include "capture/run_state.h"
#include "capture/video_view.h"

using namespace tesmira;

namespace {

struct Size {
    int w, h, fps;
};

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

double SelfCpu() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}

double ChildrenCpu() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}

double ThreadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

std::string Caps(const Size& s) {
    return "video/x-raw,format=BGR,width=" + std::to_string(s.w) + ",height=" +
           std::to_string(s.h) + ",framerate=" + std::to_string(s.fps) + "/1";
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
               "videoconvert", "!", "video/x-raw,format=BGR", "!", "fakesink", "sync=false",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return ChildrenCpu() - before;
}

// CPU seconds per 1000 paints of the visible 1000 x 800 part of a frame at zoom 1.0.
double PaintCostPer1000(const Size& s) {
    QImage frame(s.w, s.h, QImage::Format_BGR888);
    frame.fill(Qt::darkCyan);
    QImage target(1000, 800, QImage::Format_RGB32);
    const QRect visible(0, 0, std::min(1000, s.w), std::min(800, s.h));
    const int n = 200;
    const double before = ThreadCpu();
    for (int i = 0; i < n; ++i) {
        QPainter p(&target);
        p.drawImage(QRectF(visible), frame, QRectF(visible));
    }
    return (ThreadCpu() - before) / n * 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TESMIRA_TEST_DEVICES", "1", 1);
    QApplication app(argc, argv);
    SetMessageSink([](const std::string& text, MessageIcon) {
        std::fprintf(stderr, "[message] %s\n", text.c_str());
    });
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    settings().camera = kTestCameraName;
    settings().audio.clear();
    settings().dirVideo = "/tmp";
    settings().datePrefix = "00_00_00-";
    settings().defaultZoomFactor = 1.0;

    CVideoView view;
    view.resize(1000, 800);
    view.show();

    std::printf("%-12s %6s %9s %6s %8s %13s %13s %13s\n", "size", "fps", "delivered", "lost",
                "painted", "cpu/1000 app", "cpu/1000 bare", "paint/1000");
    for (const Size& s : std::vector<Size>{{640, 480, 30}, {1280, 720, 30}, {1920, 1080, 60}}) {
        setenv("TESMIRA_TEST_CAMERA_CAPS", Caps(s).c_str(), 1);
        RebuildCaptureGraph();
        CCaptureGraph* graph = theCaptureGraph();
        if (!graph || !graph->CameraReady()) {
            std::fprintf(stderr, "no graph for %dx%d\n", s.w, s.h);
            return 1;
        }
        const uint64_t paintedBefore = CVideoSurface::FramesPainted();
        const double cpuBefore = SelfCpu();
        LiveStart();
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
        app.exec();
        LiveStop();
        const double cpu = SelfCpu() - cpuBefore;
        const uint64_t delivered = graph->PreviewFramesDelivered();
        const uint64_t lost = graph->PreviewFramesLost();
        const uint64_t painted = CVideoSurface::FramesPainted() - paintedBefore;
        const double bare = BarePipelineCpu(s, static_cast<int>(delivered > 0 ? delivered : 1));
        char size[32];
        std::snprintf(size, sizeof size, "%dx%d", s.w, s.h);
        std::printf("%-12s %6d %9llu %6llu %8llu %13.3f %13.3f %13.3f\n", size, s.fps,
                    static_cast<unsigned long long>(delivered),
                    static_cast<unsigned long long>(lost),
                    static_cast<unsigned long long>(painted),
                    delivered ? cpu / delivered * 1000.0 : 0.0,
                    bare >= 0 && delivered ? bare / delivered * 1000.0 : -1.0,
                    PaintCostPer1000(s));
        std::fflush(stdout);
    }
    DestroyCaptureGraph();
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("expected frames per size: fps x %d s; peak RSS %.1f MB\n", seconds,
                u.ru_maxrss / 1024.0);
    return 0;
}
