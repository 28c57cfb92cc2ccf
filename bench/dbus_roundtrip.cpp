// Round trips of scripts to a running Tesmira over the session bus, while live video runs and a
// recording is written: 10,000 reads of Position and 10,000 MoveBy calls (±1 µm, so the stage
// ends where it began), with a baseline of 10,000 D-Bus pings answered by Tesmira's bus
// connection alone. Prints median, 99th percentile and maximum in milliseconds, the recording's
// delivered and dropped frames, and peak RSS of this program and of Tesmira.
//
// Needs a Tesmira on the session bus with a camera (scripts/bench_dbus.sh sets one up in the
// simulated lab, inside a bus of its own).
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_util.h"

namespace {

const QString kService = QStringLiteral("org.corvanesoft.Tesmira");
const QString kPath = QStringLiteral("/org/corvanesoft/Tesmira");
const QString kInterface = QStringLiteral("org.corvanesoft.Tesmira.Workstation");
constexpr int kCalls = 10000;

struct Figures {
    double median, p99, max;
    int errors;
};

// Times `calls` calls of `call` (which answers whether Tesmira refused).
Figures Time(const std::function<bool(int)>& call, int calls = kCalls) {
    std::vector<double> ms;
    ms.reserve(calls);
    int errors = 0;
    for (int i = 0; i < calls; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!call(i))
            ++errors;
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back(), errors};
}

void Print(const char* what, const Figures& f) {
    std::printf("%-34s median %6.3f ms   p99 %6.3f ms   max %7.3f ms   refused %d\n", what,
                f.median, f.p99, f.max, f.errors);
}

long PeakRssKbOf(unsigned pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

}  // namespace

// Waits for the recording's end.
class FinishWatch : public QObject {
    Q_OBJECT
public:
    int delivered = -1, dropped = -1;
    QString path;
    QEventLoop loop;
public Q_SLOTS:
    void RecordingFinished(const QString& p, int d, int x) {
        path = p;
        delivered = d;
        dropped = x;
        loop.quit();
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kService)) {
        std::fprintf(stderr,
                     "bench_dbus_roundtrip: no Tesmira on the session bus "
                     "(scripts/bench_dbus.sh starts one in the simulated lab)\n");
        return 1;
    }
    const unsigned pid = bus.interface()->servicePid(kService);
    QDBusInterface tesmira(kService, kPath, kInterface, bus);
    QDBusInterface props(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), bus);
    QDBusInterface peer(kService, kPath, QStringLiteral("org.freedesktop.DBus.Peer"), bus);

    tesmira.call(QStringLiteral("StartLive"));
    FinishWatch watch;
    bus.connect(kService, kPath, kInterface, QStringLiteral("RecordingFinished"), &watch,
                SLOT(RecordingFinished(QString, int, int)));
    const QDBusMessage started = tesmira.call(QStringLiteral("StartRecording"));
    if (started.type() == QDBusMessage::ErrorMessage) {
        std::fprintf(stderr, "bench_dbus_roundtrip: StartRecording: %s\n",
                     started.errorMessage().toUtf8().constData());
        return 1;
    }
    std::printf("%d calls each, live video on, recording %s\n", kCalls,
                started.arguments().value(0).toString().toUtf8().constData());

    const Figures ping = Time([&](int) {
        return peer.call(QStringLiteral("Ping")).type() != QDBusMessage::ErrorMessage;
    });
    const Figures position = Time([&](int) {
        return props.call(QStringLiteral("Get"), kInterface, QStringLiteral("Position")).type() !=
               QDBusMessage::ErrorMessage;
    });
    const Figures move = Time([&](int i) {
        const double dx = i % 2 == 0 ? 1.0 : -1.0;
        return tesmira.call(QStringLiteral("MoveBy"), dx, 0.0).type() != QDBusMessage::ErrorMessage;
    });
    tesmira.call(QStringLiteral("StopRecording"));
    QTimer::singleShot(10000, &watch.loop, &QEventLoop::quit);
    if (watch.delivered < 0)
        watch.loop.exec();

    Print("baseline: Peer.Ping", ping);
    Print("Position (Properties.Get)", position);
    Print("MoveBy(±1 µm, 0)", move);
    std::printf("recording meanwhile: %s, %d frames delivered, %d dropped\n",
                watch.path.toUtf8().constData(), watch.delivered, watch.dropped);
    std::printf("peak RSS: this program %.1f MB, Tesmira %.1f MB\n", tesmira::bench::PeakRssMb(),
                PeakRssKbOf(pid) / 1024.0);
    return 0;
}

#include "dbus_roundtrip.moc"
