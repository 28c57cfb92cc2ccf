// Time-lapse figures. Timing: a BMP series of the test camera at a 100 ms interval through the
// panel's real timers (precise QTimers) and the capture graph's grabber; every frame request is
// compared with its place in the schedule (first request + k × interval): mean and worst
// lateness, and the lateness of the last request (drift). Memory: long BMP and AVI series of
// small frames on a stepped clock (no waiting), resident memory at the start and the end, and
// its growth per simulated hour.
// Usage: bench_timelapse [frames, default 300] [simulated hours, default 8]
#include <unistd.h>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "bench_capture.h"
#include "bench_util.h"
#include "binders/timelapse_binder.h"
#include "core/clock.h"
#include "core/panel_messages.h"
#include "core/settings.h"
#include "imaging/dib.h"
#include "imaging/text_overlay.h"
#include "media/capture_graph.h"
#include "media/device_catalog.h"
#include "panel/qt_timer_backend.h"
#include "recording/recording_log.h"
#include "recording/timelapse_control.h"

using namespace tesmira;

namespace {

struct SteadyClock : Clock {
    uint32_t TickMs() override {
        return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count());
    }
    std::tm LocalTime() override { return LocalTimeOf(std::time(nullptr)); }
};

struct NullPanel : IRecordPanel {
    void SetStatusText(const std::string& t) override { status = t; }
    std::string StatusText() const override { return status; }
    void UpdateRecordControls() override {}
    void FocusPanel() override {}
    double Zoom() const override { return 1.0; }
    void SetZoom(double) override {}
    void SendReadyQuery() override {}
    void ClearReadyWait() override {}
    std::string status;
};
struct NullCountDown : ICountDown {
    void SetTotal(int) override {}
    void SetRemaining(int) override {}
    void Show() override {}
    void Hide() override {}
    void SetTitle(const std::string&) override {}
};
struct StillStage : IStagePort {
    void ResetForRecording() override {}
    void MarkReady() override {}
    StageSample Sample() const override { return {0, 0, 0, 1}; }
    void StartPositionPolling() override {}
    void StopPositionPolling() override {}
};
struct StderrNotifier : INotifier {
    void Notify(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "[message] %s\n", text.c_str());
    }
};

// Notes the time of every frame request on the way to the real grabber.
class TimedCamera : public ITimelapseCamera {
public:
    TimedCamera(ITimelapseCamera& inner, Clock& clock) : inner_(inner), clock_(clock) {}
    bool IsBuilt() const override { return inner_.IsBuilt(); }
    bool IsRunning() const override { return inner_.IsRunning(); }
    bool Run(std::string* e) override { return inner_.Run(e); }
    void RequestFrame() override {
        requests.push_back(clock_.TickMs());
        inner_.RequestFrame();
    }
    void ClearGrabRequest() override { inner_.ClearGrabRequest(); }
    bool FrameFormat(int* w, int* h, int* b) const override { return inner_.FrameFormat(w, h, b); }
    const CDib* PrepareFrame(TimelapseType t) override { return inner_.PrepareFrame(t); }
    std::vector<uint32_t> requests;

private:
    ITimelapseCamera& inner_;
    Clock& clock_;
};

// A small picture answered at once, for the long stepped runs.
class InstantCamera : public ITimelapseCamera {
public:
    bool IsBuilt() const override { return true; }
    bool IsRunning() const override { return true; }
    bool Run(std::string*) override { return true; }
    void RequestFrame() override { requested = true; }
    void ClearGrabRequest() override { requested = false; }
    bool FrameFormat(int* w, int* h, int* b) const override {
        *w = frame->Width();
        *h = frame->Height();
        *b = frame->BitCount();
        return true;
    }
    const CDib* PrepareFrame(TimelapseType) override {
        frame->Pixels()[0]++;
        return frame.get();
    }
    bool requested = false;
    std::unique_ptr<CDib> frame = CDib::Create(64, 48, 24);
};

// Jumps a fake clock from one due timer to the next.
class JumpingTimers : public TimerBackend {
public:
    explicit JumpingTimers(FakeClock& clock) : clock_(clock) {}
    void Start(TimerId id, int periodMs, bool) override {
        due_[id] = clock_.tick + uint32_t(periodMs);
    }
    void Stop(TimerId id) override { due_.erase(id); }
    // One step: the earliest timer fires; false when none runs.
    bool Step(TimerMultiplexer& timers) {
        if (due_.empty())
            return false;
        auto next = std::min_element(due_.begin(), due_.end(),
                                     [](auto& a, auto& b) { return a.second < b.second; });
        const TimerId id = next->first;
        clock_.tick = next->second;
        due_[id] = clock_.tick + uint32_t(timers.PeriodOf(id));
        timers.Dispatch(id);
        return true;
    }

private:
    FakeClock& clock_;
    std::map<TimerId, uint32_t> due_;
};

double RssMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void Timing(int frames, const std::string& folder) {
    bench::BenchCapture& capture = *new bench::BenchCapture;  // lives to the end of the process
    Settings& s = capture.settings;
    s.camera = kTestCameraName;
    s.audio.clear();
    s.dirVideo = folder;
    s.datePrefix = "00_00_00-";
    s.recMode = 2;
    s.timelapseType = 1;
    s.timelapse = 100;
    s.tlFrames = frames;
    s.useTempDrive = 0;
    capture.owner.Rebuild();
    if (!capture.owner.CameraReady()) {
        std::printf("timing: the test camera could not be built\n");
        return;
    }
    SteadyClock clock;
    RunState run;
    CTesmiraDoc doc;
    StderrNotifier notifier;
    TimerMultiplexer timers;
    QObject owner;
    QtTimerBackend backend(&owner, timers);
    timers.SetBackend(&backend);
    RecordingLogLists log;
    StillStage stage;
    NullCountDown countDown;
    NullPanel panel;
    CaptureTimelapseCamera real(capture.owner, s, clock, stage, {});
    TimedCamera camera(real, clock);
    TimelapseControl control(TimelapseDeps{
        s, run, doc, notifier, clock, timers, log, stage, countDown, panel, camera, {}, {}, {}});
    control.RegisterTimers();
    capture.panelMessages.SetHandler(PanelMessage::kTimelapseFrame,
                                     [&] { control.OnFrameGrabbed(); });
    control.RecStart();
    const double end = bench::Now() + frames * 0.1 + 10.0;
    while (run.isRecording && bench::Now() < end) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    capture.panelMessages.SetHandler(PanelMessage::kTimelapseFrame, {});
    const auto& r = camera.requests;
    if (r.size() < 2) {
        std::printf("timing: no frames requested\n");
        return;
    }
    double sum = 0, worst = 0;
    for (size_t k = 0; k < r.size(); ++k) {
        const double late = double(int32_t(r[k] - (r[0] + uint32_t(k) * 100)));
        sum += late;
        worst = std::max(worst, late);
    }
    const double last = double(int32_t(r.back() - (r[0] + uint32_t(r.size() - 1) * 100)));
    std::printf("timing: %zu requests, %d frames stored, interval 100 ms\n", r.size(),
                control.framesStored());
    std::printf("  lateness against the schedule: mean %.2f ms, worst %.0f ms, last %.0f ms\n",
                sum / double(r.size()), worst, last);
    std::printf("  measured rate %.4f fps (schedule 10 fps)\n", control.measuredRate());
}

void Memory(double hours, TimelapseType type, const std::string& folder) {
    FakeClock clock;
    Settings s;
    s.dirVideo = folder;
    s.datePrefix = "00_00_00-";
    s.recMode = 2;
    s.timelapseType = int(type);
    s.timelapse = 10000;
    s.tlFrames = int(hours * 360) + 1;
    RunState run;
    CTesmiraDoc doc;
    StderrNotifier notifier;
    TimerMultiplexer timers;
    JumpingTimers backend(clock);
    timers.SetBackend(&backend);
    RecordingLogLists log;
    StillStage stage;
    NullCountDown countDown;
    NullPanel panel;
    InstantCamera camera;
    TimelapseControl control(TimelapseDeps{
        s, run, doc, notifier, clock, timers, log, stage, countDown, panel, camera, {}, {}, {}});
    control.RegisterTimers();
    control.RecStart();
    const uint32_t start = clock.tick;
    double rssAfterHour = 0;
    while (run.isRecording && backend.Step(timers)) {
        if (camera.requested)
            control.OnFrameGrabbed();
        if (rssAfterHour == 0 && clock.tick - start >= 3600000)
            rssAfterHour = RssMb();
    }
    const double simulated = double(clock.tick - start) / 3600000.0;
    const double rssEnd = RssMb();
    std::printf(
        "memory %s: %d frames over %.2f simulated hours, RSS %.2f MB after 1 h, %.2f MB "
        "at the end: %.3f MB per hour\n",
        type == TimelapseType::kAvi ? "AVI" : "BMP", control.framesStored(), simulated,
        rssAfterHour, rssEnd, (rssEnd - rssAfterHour) / std::max(simulated - 1.0, 1e-9));
}

}  // namespace

int main(int argc, char** argv) {
    bench::UseHeadlessTestDevices();
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(2, std::atoi(argv[1])) : 300;
    const double hours = argc > 2 ? std::max(1.5, std::atof(argv[2])) : 8.0;
    char diskTemplate[] = "/tmp/tesmira-bench-XXXXXX";
    if (!mkdtemp(diskTemplate))
        return 1;
    const std::string folder = diskTemplate;
    Timing(frames, folder);
    Memory(hours, TimelapseType::kBmp, folder);
    Memory(hours, TimelapseType::kAvi, folder);
    std::filesystem::remove_all(folder);
    return 0;
}
