// tesmira-labsim: the simulated lab. Pseudo-terminals that answer like the XY stage controller,
// the Z drive, the shutter and the USBRH2 meter, with stable links for TESMIRA_SERIAL_PATH; the
// microscope's shared-memory block; the files the stand-in device libraries read.
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "byte_log.h"
#include "devices.h"
#include "options.h"
#include "pty_port.h"
#include "shm_writer.h"

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_toggleBusy = 0;
volatile sig_atomic_t g_toggleBadSum = 0;

void OnStop(int) {
    g_stop = 1;
}
void OnToggleBusy(int) {
    g_toggleBusy = 1;
}
void OnToggleBadSum(int) {
    g_toggleBadSum = 1;
}

using Clock = std::chrono::steady_clock;
constexpr auto kShmPeriod = std::chrono::milliseconds(500);
constexpr auto kSplitGap = std::chrono::milliseconds(80);  // longer than the program's 50 ms poll

// The second half of a meter reply sent in two parts.
struct PendingTail {
    std::string bytes;
    Clock::time_point due;
};

bool WriteLine(const std::string& path, const std::string& line) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    std::fprintf(f, "%s\n", line.c_str());
    return std::fclose(f) == 0;
}

// A busy toggle sent before a query must govern that query even when both arrive while the
// loop is busy: take a pending SIGUSR1 now rather than at the next wait.
void TakePendingToggle() {
    sigset_t pending;
    sigpending(&pending);
    if (!sigismember(&pending, SIGUSR1))
        return;
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, SIGUSR1);
    const timespec now{0, 0};
    if (sigtimedwait(&only, nullptr, &now) == SIGUSR1)
        g_toggleBusy = 1;
}

struct Station {
    std::unique_ptr<labsim::Device> device;
    labsim::PtyPort port;
};

void SendReply(Station& s, const std::string& reply, labsim::ByteLog& log) {
    if (reply.empty())
        return;
    const ssize_t n = write(s.port.MasterFd(), reply.data(), reply.size());
    if (n == static_cast<ssize_t>(reply.size()))
        log.Line(s.device->Name(), '>', reply);
    else
        log.Note(s.device->Name() + " reply dropped (the port does not take it)");
}

}  // namespace

int main(int argc, char** argv) {
    labsim::Options options;
    std::string error;
    bool help = false;
    if (!labsim::ParseOptions(argc, argv, options, error, help)) {
        std::fprintf(stderr, "tesmira-labsim: %s\n%s", error.c_str(), labsim::Usage());
        return 2;
    }
    if (help) {
        std::fputs(labsim::Usage(), stdout);
        return 0;
    }

    FILE* logFile = stdout;
    if (!options.logPath.empty() && options.logPath != "-") {
        logFile = std::fopen(options.logPath.c_str(), "a");
        if (!logFile) {
            std::perror(options.logPath.c_str());
            return 1;
        }
    }
    labsim::ByteLog log(logFile);

    // Signals are only taken inside ppoll, so a flag is never missed between checks.
    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2})
        sigaddset(&blocked, sig);
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    struct sigaction stop {};
    stop.sa_handler = OnStop;
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGHUP, &stop, nullptr);
    struct sigaction toggle {};
    toggle.sa_handler = OnToggleBusy;
    sigaction(SIGUSR1, &toggle, nullptr);
    struct sigaction badSumAction {};
    badSumAction.sa_handler = OnToggleBadSum;
    sigaction(SIGUSR2, &badSumAction, nullptr);
    signal(SIGPIPE, SIG_IGN);

    if (!labsim::MakeFolders(options.linkDir)) {
        std::fprintf(stderr, "tesmira-labsim: cannot create %s\n", options.linkDir.c_str());
        return 1;
    }

    // The stand-in libraries find these through TESMIRA_LABSIM_DIR=DIR.
    const std::string usbMeter =
        options.usbMeter == "ok" ? options.temperature + " " + options.humidity : options.usbMeter;
    if (!WriteLine(options.linkDir + "/relay-modules", options.relayModules) ||
        !WriteLine(options.linkDir + "/usbmeter", usbMeter)) {
        std::fprintf(stderr, "tesmira-labsim: cannot write the library files in %s\n",
                     options.linkDir.c_str());
        return 1;
    }
    unlink((options.linkDir + "/relays.state").c_str());

    labsim::MicroscopeShm shm;
    // The serial devices are the lab's first job: without shared memory it runs on without
    // the block.
    if (options.shm && !shm.Open(options.shmName, error)) {
        std::fprintf(stderr, "tesmira-labsim: %s; no microscope block\n", error.c_str());
        options.shm = false;
    }
    bool badSum = options.shmBadSum;
    unsigned shmTick = 0;
    auto nextShm = Clock::now();
    PendingTail tail;

    bool busy = options.busy;
    const std::string busyFile = options.busyFile;
    auto isBusy = [&busy, &busyFile] {
        struct stat st {};
        return busy || (!busyFile.empty() && stat(busyFile.c_str(), &st) == 0);
    };

    std::vector<Station> stations(4);
    stations[0].device = std::make_unique<labsim::XyController>(options.xy, isBusy);
    stations[1].device = std::make_unique<labsim::ZDrive>(options.z, options.zPosition);
    stations[2].device = std::make_unique<labsim::Shutter>();
    stations[3].device = std::make_unique<labsim::Meter>(options.temperature, options.humidity);

    int status = 0;
    for (Station& s : stations) {
        const std::string link = options.linkDir + "/" + s.device->Name();
        if (!s.port.Open(link, error)) {
            std::fprintf(stderr, "tesmira-labsim: %s\n", error.c_str());
            status = 1;
            break;
        }
        std::printf("%s %s -> %s\n", s.device->Name().c_str(), link.c_str(),
                    s.port.TerminalPath().c_str());
    }
    if (status == 0) {
        if (options.shm)
            std::printf("shm %s\n", options.shmName.c_str());
        std::printf("labsim ready\n");
        std::fflush(stdout);
        log.Note("started");
    }

    std::vector<pollfd> fds(stations.size());
    while (status == 0 && !g_stop) {
        for (size_t i = 0; i < stations.size(); ++i)
            fds[i] = {stations[i].port.MasterFd(), POLLIN, 0};
        const auto now = Clock::now();
        if (options.shm && now >= nextShm) {
            shm.Write(shmTick++, badSum);
            nextShm = now + kShmPeriod;
        }
        if (!tail.bytes.empty() && now >= tail.due) {
            SendReply(stations[3], tail.bytes, log);
            tail.bytes.clear();
        }
        auto wake = options.shm ? nextShm : now + std::chrono::hours(1);
        if (!tail.bytes.empty() && tail.due < wake)
            wake = tail.due;
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(wake - now);
        const long long ns = wait.count() > 0 ? wait.count() : 0;
        const timespec timeout{static_cast<time_t>(ns / 1000000000),
                               static_cast<long>(ns % 1000000000)};
        const int r = ppoll(fds.data(), fds.size(), &timeout, &waitMask);
        if (g_toggleBadSum) {
            g_toggleBadSum = 0;
            badSum = !badSum;
            log.Note(badSum ? "shm check word bad" : "shm check word good");
        }
        auto applyToggle = [&] {
            TakePendingToggle();
            if (!g_toggleBusy)
                return;
            g_toggleBusy = 0;
            busy = !busy;
            log.Note(busy ? "xy busy" : "xy ready");
        };
        applyToggle();
        if (r < 0) {
            if (errno == EINTR)
                continue;
            std::perror("ppoll");
            status = 1;
            break;
        }
        bool hungUp = false;
        for (size_t i = 0; i < stations.size(); ++i) {
            if (fds[i].revents & POLLIN) {
                char buf[4096];
                const ssize_t n = read(fds[i].fd, buf, sizeof buf);
                if (n > 0) {
                    applyToggle();
                    Station& s = stations[i];
                    const std::string_view bytes(buf, static_cast<size_t>(n));
                    log.Line(s.device->Name(), '<', bytes);
                    const std::string reply = s.device->Receive(bytes);
                    if (i == 3 && !reply.empty() && options.meterSilent) {
                        log.Note("meter reply withheld");
                    } else if (i == 3 && reply.size() > 1 && options.meterSplit) {
                        const size_t half = reply.size() / 2;
                        SendReply(s, reply.substr(0, half), log);
                        tail = {tail.bytes + reply.substr(half), Clock::now() + kSplitGap};
                    } else {
                        SendReply(s, reply, log);
                    }
                }
            } else if (fds[i].revents & (POLLHUP | POLLERR)) {
                hungUp = true;
            }
        }
        // The terminal side is held open here, so a hang-up is unexpected; never spin on it.
        if (hungUp)
            usleep(50000);
    }

    for (Station& s : stations)
        s.port.Unlink();
    shm.Close();
    if (status == 0)
        log.Note("stopped");
    if (logFile != stdout)
        std::fclose(logFile);
    return status;
}
