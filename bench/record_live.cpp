// Live recording cost: the test camera recorded through the capture graph's record branch and the
// AVI writer, headless, per compressor. Per case it prints the frames delivered to the file and
// dropped, the process CPU seconds per 1000 delivered frames (the whole process: camera, preview
// branch and recording; and the recording alone, the live-only cost of the same seconds taken
// off), next to the ffmpeg command line encoding the same frames with the same codec into an AVI.
// The ffmpeg side reads raw BGR frames from a pipe fed by gst-launch-1.0 with the same test
// pattern; both programs' CPU is taken separately with wait4, so "ffmpeg" is the encoder alone and
// "src" the pattern generator. At the end: peak RSS of this process and of the largest ffmpeg.
// Usage: bench_record_live [seconds per case, default 20]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_capture.h"
#include "bench_util.h"
#include "capture/capture_owner.h"
#include "core/notifier.h"
#include "core/panel_messages.h"
#include "core/settings.h"
#include "media/capture_graph.h"
#include "media/device_catalog.h"
#include "recording/codec_settings.h"

using namespace tesmira;
using bench::Now;
using bench::Per1000;
using bench::SelfCpu;

namespace {

bench::BenchCapture& Capture() {
    static bench::BenchCapture capture;
    return capture;
}

struct Case {
    const char* name;
    int mediaType;
    int w, h;
    bool ramDisk;             // the work folder on /dev/shm instead of the video folder
    const char* ffmpegCodec;  // encoder options matching the writer's
    int ffmpegFrames;         // frames for the ffmpeg run (Cinepak is slow: fewer)
};

void RunLoopFor(int ms, const std::function<bool()>& done = nullptr) {
    const double end = Now() + ms / 1000.0;
    while (Now() < end && !(done && done())) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

std::string Caps(int w, int h) {
    return "video/x-raw,format=BGR,width=" + std::to_string(w) + ",height=" + std::to_string(h) +
           ",framerate=30/1";
}

struct Child {
    double cpu = -1;  // seconds
    long maxRssKb = 0;
};

// gst-launch-1.0 (the same pattern as the test camera) | ffmpeg -i pipe: -c:v <codec> out.avi.
bool FfmpegRun(const Case& c, const std::string& out, Child* src, Child* enc) {
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const std::string buffers = "num-buffers=" + std::to_string(c.ffmpegFrames);
    const std::string caps = Caps(c.w, c.h);
    const pid_t gst = fork();
    if (gst == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        execlp("gst-launch-1.0", "gst-launch-1.0", "-q", "videotestsrc", "pattern=smpte",
               "horizontal-speed=1", buffers.c_str(), "!", caps.c_str(), "!", "fdsink", "fd=1",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    const std::string size = std::to_string(c.w) + "x" + std::to_string(c.h);
    const std::string cmd = std::string(
                                "exec ffmpeg -v error -nostdin -y -f rawvideo -pix_fmt "
                                "bgr24 -s ") +
                            size + " -r 30 -i pipe:0 -c:v " + c.ffmpegCodec + " -f avi '" + out +
                            "'";
    const pid_t ff = fork();
    if (ff == 0) {
        dup2(fds[0], 0);
        close(fds[0]);
        close(fds[1]);
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[0]);
    close(fds[1]);
    int status = 0;
    rusage u{};
    bool ok = gst > 0 && ff > 0;
    if (gst > 0 && wait4(gst, &status, 0, &u) == gst) {
        src->cpu = bench::CpuOf(u);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (ff > 0 && wait4(ff, &status, 0, &u) == ff) {
        enc->cpu = bench::CpuOf(u);
        enc->maxRssKb = u.ru_maxrss;
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return ok;
}

struct Result {
    int32_t delivered = 0, dropped = 0;
    double cpu = 0, wall = 0;
    double liveCpuPerSec = 0;  // the same graph without a recording
    bool ok = false;
};

Result RecordCase(const Case& c, const std::string& path, int seconds) {
    Result r;
    setenv("TESMIRA_TEST_CAMERA_CAPS", Caps(c.w, c.h).c_str(), 1);
    Capture().owner.Rebuild();
    CCaptureGraph* graph = Capture().owner.Graph();
    if (!graph || !graph->CameraReady()) {
        std::fprintf(stderr, "%s: no test camera\n", c.name);
        return r;
    }
    Capture().owner.LiveStart();
    RunLoopFor(1000);  // settle
    // Live only, for the share of the preview and the camera.
    const double liveCpu0 = SelfCpu(), live0 = Now();
    RunLoopFor(4000);
    r.liveCpuPerSec = (SelfCpu() - liveCpu0) / (Now() - live0);

    Capture().settings.mediaType = c.mediaType;
    bool stopped = false;
    Capture().panelMessages.SetHandler(PanelMessage::kGraphEvent, [&stopped] {
        if (CCaptureGraph* g = Capture().owner.Graph())
            for (const GraphEvent& e : g->FetchGraphEvents())
                if (e.code == kEcStreamControlStopped)
                    stopped = true;
    });
    std::string error;
    const double cpu0 = SelfCpu(), t0 = Now();
    if (!graph->StartRecording(path, CodecSettingsFor(Capture().settings.mediaType, EncoderPages{}),
                               false, int64_t(seconds) * 1000000000, &error)) {
        std::fprintf(stderr, "%s: %s\n", c.name, error.c_str());
        Capture().owner.LiveStop();
        return r;
    }
    // The limit ends it; a slow encoder may lag behind the camera, so allow some slack.
    RunLoopFor(seconds * 1000 + 8000, [&stopped] { return stopped; });
    graph->StopRecording(&error);
    r.cpu = SelfCpu() - cpu0;
    r.wall = Now() - t0;
    graph->ReadFrameCounts(r.dropped, r.delivered);
    Capture().panelMessages.SetHandler(PanelMessage::kGraphEvent, nullptr);
    Capture().owner.LiveStop();
    r.ok = true;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    bench::UseHeadlessTestDevices();
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    Capture().settings.camera = kTestCameraName;
    Capture().settings.audio.clear();

    char shmTemplate[] = "/dev/shm/tesmira-bench-XXXXXX";
    char diskTemplate[] = "/tmp/tesmira-bench-XXXXXX";
    if (!mkdtemp(shmTemplate) || !mkdtemp(diskTemplate))
        return 1;
    // The graph is built only with a video folder and a date prefix to name recordings by.
    Capture().settings.dirVideo = diskTemplate;
    Capture().settings.datePrefix = "00_00_00-";
    const bool haveFfmpeg = std::system("ffmpeg -hide_banner -version >/dev/null 2>&1") == 0 &&
                            std::system("gst-launch-1.0 --version >/dev/null 2>&1") == 0;

    // MJPEG: the writer's default quality 85 is qscale 7; key frames every 15 for the others.
    const Case cases[] = {
        {"raw 1280x720 shm", 0, 1280, 720, true, "rawvideo", 30 * seconds},
        {"MJPEG 1920x1080", 1, 1920, 1080, false, "mjpeg -pix_fmt yuvj420p -q:v 7", 30 * seconds},
        {"MSVideo1 640x480", 4, 640, 480, false, "msvideo1 -g 15", 30 * seconds},
        {"Cinepak 640x480", 3, 640, 480, false, "cinepak -g 15", 5 * seconds},
    };
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    std::printf("%d s per case at 30 fps (%d frames expected); load average at start %.2f\n",
                seconds, 30 * seconds, load[0]);
    std::printf("%-18s %9s %7s %8s %8s %8s %8s %6s %6s %6s\n", "case", "delivered", "dropped",
                "proc", "rec", "ffmpeg", "src", "p/(f+s)", "rec/f", "rt-fps");
    long ffmpegRss = 0;
    for (const Case& c : cases) {
        const std::string dir = c.ramDisk ? shmTemplate : diskTemplate;
        const std::string path = dir + "/ours.avi";
        unlink(path.c_str());
        const Result r = RecordCase(c, path, seconds);
        unlink(path.c_str());
        if (!r.ok) {
            std::printf("%-18s failed\n", c.name);
            continue;
        }
        Child src, enc;
        const std::string theirs = dir + "/theirs.avi";
        const double ff0 = Now();
        const bool ffOk = haveFfmpeg && FfmpegRun(c, theirs, &src, &enc);
        const double ffWall = Now() - ff0;
        unlink(theirs.c_str());
        ffmpegRss = std::max(ffmpegRss, enc.maxRssKb);
        const double proc = Per1000(r.cpu, r.delivered);
        const double rec = Per1000(r.cpu - r.liveCpuPerSec * r.wall, r.delivered);
        const double ff = ffOk ? Per1000(enc.cpu, c.ffmpegFrames) : -1;
        const double gen = ffOk ? Per1000(src.cpu, c.ffmpegFrames) : -1;
        // Frames per second ffmpeg managed through the pipe (>= 30: it keeps up in real time).
        const double ffFps = ffOk && ffWall > 0 ? c.ffmpegFrames / ffWall : 0;
        std::printf("%-18s %9d %7d %8.3f %8.3f %8.3f %8.3f %6.2f %6.2f %6.1f\n", c.name,
                    r.delivered, r.dropped, proc, rec, ff, gen, ffOk ? proc / (ff + gen) : 0.0,
                    ffOk && ff > 0 ? rec / ff : 0.0, ffFps);
        std::fflush(stdout);
    }
    Capture().owner.Destroy();
    rmdir(shmTemplate);
    rmdir(diskTemplate);
    getloadavg(load, 3);
    std::printf(
        "CPU seconds per 1000 frames. proc = this process while recording (camera, preview and "
        "record\nbranches, writer) per delivered frame; rec = proc less the live-only cost of the "
        "same seconds;\nffmpeg = ffmpeg reading raw BGR from a pipe and encoding to AVI; src = "
        "gst-launch-1.0 making\nthe same pattern; rt-fps = frames per second of the ffmpeg run "
        "(>= 30 keeps up in real time).\n");
    std::printf("load average at end %.2f; peak RSS %.1f MB (largest ffmpeg %.1f MB)\n", load[0],
                bench::PeakRssMb(), ffmpegRss / 1024.0);
    return 0;
}
