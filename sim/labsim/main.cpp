// tesmira-labsim: the simulated lab. Pseudo-terminals that answer like the XY stage controller,
// the Z drive, the shutter and the USBRH2 meter, with stable links for TESMIRA_SERIAL_PATH.
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "byte_log.h"
#include "devices.h"
#include "options.h"
#include "pty_port.h"

namespace {

volatile sig_atomic_t g_stop = 0;
volatile sig_atomic_t g_toggleBusy = 0;

void OnStop(int) {
    g_stop = 1;
}
void OnToggleBusy(int) {
    g_toggleBusy = 1;
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
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGUSR1})
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
    signal(SIGPIPE, SIG_IGN);

    if (!labsim::MakeFolders(options.linkDir)) {
        std::fprintf(stderr, "tesmira-labsim: cannot create %s\n", options.linkDir.c_str());
        return 1;
    }

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
        std::printf("labsim ready\n");
        std::fflush(stdout);
        log.Note("started");
    }

    std::vector<pollfd> fds(stations.size());
    while (status == 0 && !g_stop) {
        for (size_t i = 0; i < stations.size(); ++i)
            fds[i] = {stations[i].port.MasterFd(), POLLIN, 0};
        const int r = ppoll(fds.data(), fds.size(), nullptr, &waitMask);
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
                    SendReply(s, s.device->Receive(bytes), log);
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
    if (status == 0)
        log.Note("stopped");
    if (logFile != stdout)
        std::fclose(logFile);
    return status;
}
