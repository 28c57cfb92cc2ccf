// The device libraries in their helper processes. Three figures:
//   1. SetRelays of the stand-in libsuper4.so through tesmira-devhost, one call at a time from
//      sending to its answer (median, 99th percentile, worst), beside the same call made in this
//      process;
//   2. the longest stall of the UI thread (a 5 ms timer on it) while relays are clicked every
//      250 ms and the USB meter is on, with libraries whose SetRelays and GetTempHumidTrue sleep
//      10 s;
//   3. the same with libraries that crash in those calls: the program goes on and the helpers'
//      restarts stop after their back-off.
// Usage: bench_device_host [seconds-with-hanging-libraries] [seconds-with-crashing-libraries]
#include <poll.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_util.h"
#include "binders/instruments_binder.h"
#include "core/notifier.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "core/tesmira_doc.h"
#include "instruments/device_host_client.h"
#include "panel/dlg_main.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_state.h"

namespace tesmira {
namespace {

using Steady = std::chrono::steady_clock;

double MsSince(Steady::time_point t) {
    return std::chrono::duration<double, std::milli>(Steady::now() - t).count();
}

struct Spread {
    double median = 0, p99 = 0, worst = 0;
};

Spread SpreadOf(std::vector<double> v) {
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 99 / 100], v.back()};
}

void Latency(int calls) {
    for (const char* v : {"TESMIRA_SIM_RELAY_LOG", "TESMIRA_SIM_RELAY_STATE", "TESMIRA_LABSIM_DIR"})
        unsetenv(v);
    setenv("TESMIRA_SIM_RELAY_MODULES", "BENCH1", 1);
    const LibrarySearch search{TESMIRA_SIM_LIBRARY_DIR, "", false};

    std::vector<double> direct;
    if (auto lib = Super4Library::Load(search)) {
        for (int i = 0; i < calls; ++i) {
            const auto t = Steady::now();
            lib->SetRelays("BENCH1", 0x01, i & 1);
            direct.push_back(MsSince(t));
        }
    }

    SystemClock clock;
    devhost::DeviceHostClient host(clock, devhost::DeviceKind::kRelays, TESMIRA_DEVHOST_PATH,
                                   search);
    const auto started = Steady::now();
    host.Start();
    while (!host.Online() && MsSince(started) < 5000) {
        pollfd p{host.Fd(), POLLIN, 0};
        poll(&p, 1, 10);
        host.Service();
    }
    const double startMs = MsSince(started);
    std::vector<double> hosted;
    for (int i = 0; i < calls && host.Online(); ++i) {
        devhost::Request r{.op = devhost::Op::kSetRelays, .mask = 0x01};
        std::memcpy(r.serial.data(), "BENCH1", 6);
        r.on = static_cast<uint8_t>(i & 1);
        bool answered = false;
        const auto t = Steady::now();
        host.Call(r, [&](const devhost::Answer* a) { answered = a != nullptr; });
        while (!answered && host.Online()) {
            pollfd p{host.Fd(), POLLIN, 0};
            poll(&p, 1, 100);
            host.OnReadable();
        }
        hosted.push_back(MsSince(t));
    }
    const double helperMb = bench::RunningChildrenPeakRssMb();
    const Spread d = SpreadOf(direct), h = SpreadOf(hosted);
    std::printf("SetRelays, %d calls, one at a time (helper up and loaded in %.1f ms)\n", calls,
                startMs);
    std::printf("  in this process     median %7.4f ms  p99 %7.4f ms  worst %7.4f ms\n", d.median,
                d.p99, d.worst);
    std::printf(
        "  through the helper  median %7.4f ms  p99 %7.4f ms  worst %7.4f ms  (goal: "
        "median <= 2 ms: %s)\n",
        h.median, h.p99, h.worst, h.median <= 2.0 ? "met" : "NOT met");
    std::printf("  the helper's peak RSS %.1f MB\n", helperMb);
}

class PaneCounter : public CUpdateView {
public:
    explicit PaneCounter(CTesmiraDoc& doc) : doc_(doc) { doc_.AddView(this); }
    ~PaneCounter() override { doc_.RemoveView(this); }
    void OnUpdate(CUpdateView*, UpdateHint hint, const HintPayload& payload) override {
        if (hint == UpdateHint::kAppendBlue)
            lines.push_back(std::get<std::string>(payload));
    }
    std::vector<std::string> lines;

private:
    CTesmiraDoc& doc_;
};

class CountingNotifier : public INotifier {
public:
    void Notify(const std::string&, MessageIcon) override { ++boxes; }
    int boxes = 0;
};

// The control panel and the instruments over the libraries of `folder`, on real timers, for
// `seconds`: relays clicked every 250 ms, the meter switched on whenever it is off.
void Workload(QApplication& app, const char* title, const std::string& folder, int seconds) {
    Settings settings;
    settings.port1.clear();
    settings.port2.clear();
    settings.port3.clear();
    settings.port4.clear();
    settings.trhType = 0;
    RunState run;
    CTesmiraDoc doc;
    PaneCounter pane(doc);
    CountingNotifier notifier;
    SerialSlots slots(settings, notifier);
    StageState state;
    StageControl stage(settings, slots, state, notifier);
    CDlgMain panel(PanelDeps{settings, run, doc, notifier});
    InstrumentsBinderDeps deps{panel, settings, slots,
                               stage, notifier, LibrarySearch{folder, "", false}};
    deps.doc = &doc;
    deps.deviceHost = TESMIRA_DEVHOST_PATH;
    InstrumentsBinder binder(deps);

    double longest = 0;
    std::vector<double> gaps;
    auto last = Steady::now();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const double gap = MsSince(last);
        last = Steady::now();
        gaps.push_back(gap);
        longest = std::max(longest, gap);
    });
    int clicks = 0, meterOns = 0;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (QWidget* relay = panel.Control(1079); relay && relay->isEnabled()) {
            binder.ToggleRelay(0);
            ++clicks;
        }
        if (QWidget* on = panel.Control(1031); on && on->isEnabled()) {
            binder.MeterOn();
            ++meterOns;
        }
    });
    const auto t0 = Steady::now();
    panel.OnInitialUpdate();
    const double startMs = MsSince(t0);
    last = Steady::now();
    probe.start(5);
    clicker.start(250);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    probe.stop();
    clicker.stop();
    const auto t1 = Steady::now();
    binder.Shutdown();
    const double closeMs = MsSince(t1);

    const Spread g = SpreadOf(gaps);
    std::printf("%s, %d s:\n", title, seconds);
    std::printf(
        "  panel start-up %.1f ms, close %.1f ms; UI timer (5 ms) gap median %.2f ms, "
        "p99 %.2f ms, longest stall %.2f ms (goal <= 50 ms: %s)\n",
        startMs, closeMs, g.median, g.p99, longest, longest <= 50 ? "met" : "NOT met");
    std::printf(
        "  relay clicks %d, meter ON presses %d, helpers started: relays %d, meter %d, "
        "message boxes %d\n",
        clicks, meterOns, binder.RelayHost().Starts(), binder.MeterHost().Starts(), notifier.boxes);
    for (const std::string& line : pane.lines)
        std::printf("  pane: %s", line.c_str());
}

}  // namespace
}  // namespace tesmira

int main(int argc, char** argv) {
    using namespace tesmira;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int hangSeconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int crashSeconds = argc > 2 ? std::atoi(argv[2]) : 45;
    const double cpu0 = bench::SelfCpu();
    const double wall0 = bench::Now();
    Latency(2000);
    unsetenv("TESMIRA_HOSTILE_CALLS");
    Workload(app, "libraries that hang 10 s in SetRelays and GetTempHumidTrue",
             std::string(TESMIRA_HOSTILE_DIR) + "/blocking", hangSeconds);
    Workload(app, "libraries that crash in SetRelays and GetTempHumidTrue",
             std::string(TESMIRA_HOSTILE_DIR) + "/crashing", crashSeconds);
    std::printf("wall %.1f s, cpu %.3f s (helpers %.3f s), peak RSS %.1f MB\n",
                bench::Now() - wall0, bench::SelfCpu() - cpu0, bench::ChildrenCpu(),
                bench::PeakRssMb());
    return 0;
}
