// Still-photo latency: from the request (button 1032 / key B) to the BMP file closed, with the
// 30 fps test camera, headless. Prints the median and worst latency over the first 100 stills,
// the write time alone (overlay, BMP, rename) and the resident set size at 0, 500 and 1000
// stills, so a leak per still shows as growth. Every file is removed once measured, except the
// first when a path to keep it is given:  bench_still_latency [STILLS [KEEP_FIRST.bmp]]
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "bench_util.h"
#include "binders/still_photo_binder.h"
#include "capture/capture_owner.h"
#include "core/clock.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "core/ui_poster.h"
#include "imaging/still_photo_file.h"
#include "media/capture_graph.h"
#include "media/device_catalog.h"

using namespace tesmira;

namespace {

class MachineClock : public Clock {
public:
    uint32_t TickMs() override { return static_cast<uint32_t>(bench::Now() * 1000.0); }
    std::tm LocalTime() override {
        const std::time_t now = std::time(nullptr);
        std::tm out{};
        localtime_r(&now, &out);
        return out;
    }
};

double CurrentRssMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double Ms(double seconds) {
    return seconds * 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    bench::UseHeadlessTestDevices();
    setenv("TESMIRA_TEST_CAMERA_CAPS", "video/x-raw,format=BGR,width=640,height=480,framerate=30/1",
           1);
    QApplication app(argc, argv);
    const int total = argc > 1 ? std::max(100, std::atoi(argv[1])) : 1000;
    const std::string keepFirst = argc > 2 ? argv[2] : "";  // where the first still is kept

    char dirName[] = "/tmp/tesmira_still_bench_XXXXXX";
    if (!mkdtemp(dirName))
        return 1;
    Settings settings;
    settings.camera = kTestCameraName;
    settings.audio.clear();
    settings.dirVideo = dirName;
    settings.datePrefix = "00_00_00-";
    settings.isTextOutTime = true;
    settings.isTextOutZValue = true;
    RunState run;
    CTesmiraDoc doc;
    StderrNotifier notifier;
    QtUiPoster ui;
    std::unique_ptr<IDeviceCatalog> catalog = MakeSystemDeviceCatalog();
    CaptureOwner owner(
        CaptureOwnerDeps{settings, run, doc, notifier, ui, *catalog, {}, nullptr, nullptr});
    owner.Rebuild();
    owner.LiveStart();
    if (!owner.Graph() || !run.isLive) {
        std::fprintf(stderr, "no live video from the test camera\n");
        return 1;
    }

    MachineClock clock;
    CaptureStillSource source(owner);
    StillPhotoBinder binder(StillPhotoDeps{settings, run, clock, notifier, source});
    double writeSeconds = 0;
    owner.SetStillFrameHandler([&] {
        const double start = bench::Now();
        binder.OnStillFrame();
        writeSeconds = bench::Now() - start;
    });

    // Let the camera settle before measuring.
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();

    std::vector<double> latency, writes;
    std::printf("stills  RSS MB\n%6d  %6.1f\n", 0, CurrentRssMb());
    for (int i = 1; i <= total; ++i) {
        const int number = settings.stillPhoto;
        const double start = bench::Now();
        if (!binder.Request()) {
            std::fprintf(stderr, "request %d refused\n", i);
            return 1;
        }
        while (binder.Pending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double elapsed = bench::Now() - start;
        if (i <= 100) {
            latency.push_back(elapsed);
            writes.push_back(writeSeconds);
        }
        const std::string path = StillPhotoPath(dirName, settings.datePrefix, number);
        if (i == 1 && !keepFirst.empty())
            std::rename(path.c_str(), keepFirst.c_str());
        std::remove(path.c_str());
        if (i % 500 == 0)
            std::printf("%6d  %6.1f\n", i, CurrentRssMb());
    }
    owner.Destroy();
    rmdir(dirName);

    std::sort(latency.begin(), latency.end());
    std::sort(writes.begin(), writes.end());
    std::printf("640x480 BGR at 30 fps (frame interval 33.3 ms), time and Z overlay on\n");
    std::printf("request -> file closed over 100 stills: median %.1f ms, worst %.1f ms\n",
                Ms(latency[latency.size() / 2]), Ms(latency.back()));
    std::printf("write alone (overlay + BMP): median %.1f ms, worst %.1f ms\n",
                Ms(writes[writes.size() / 2]), Ms(writes.back()));
    std::printf("peak RSS %.1f MB\n", bench::PeakRssMb());
    return 0;
}
