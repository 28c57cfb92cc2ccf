#include "app/signal_close.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>

namespace tesmira {
namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int signo) {
    const int saved = errno;
    const char byte = static_cast<char>(signo);
    // Non-blocking: if the pipe is full a close is already pending.
    [[maybe_unused]] ssize_t n = write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

void InstallCloseOnSignals(std::function<void()> closeMainWindow) {
    if (g_pipe[0] >= 0)
        return;
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("tesmira: signal pipe");
        return;
    }
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [close = std::move(closeMainWindow)] {
                         char buf[16];
                         while (read(g_pipe[0], buf, sizeof buf) > 0) {
                         }
                         close();
                     });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signo, &sa, nullptr);
}

}  // namespace tesmira
