// tesmira-devhost: hosts one device library for Tesmira, which starts it (one per library) with
// a socket on a file descriptor and talks to it in the language of device_host_protocol.h.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "devhost/device_host_server.h"
#include "tesmira_install_paths.h"

int main(int argc, char** argv) {
    using namespace tesmira::devhost;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("tesmira-devhost %s\n", TESMIRA_VERSION);
        return 0;
    }
    std::string why;
    const std::optional<HostOptions> options = ParseHostArguments(args, &why);
    if (!options) {
        std::fprintf(stderr,
                     "tesmira-devhost: %s\n"
                     "usage: tesmira-devhost --kind relays|meter --fd N [--plugin-path DIRS]\n"
                     "       [--exe-dir DIR] [--private-dir DIR]... [--no-system-path]\n"
                     "Started by Tesmira; not for use by hand.\n",
                     why.c_str());
        return 2;
    }
    // Nothing of Tesmira's but the socket: an inherited serial port would stay open (and
    // locked) for as long as this process lives.
    const unsigned fd = static_cast<unsigned>(options->fd);
    if (fd > 3)
        syscall(SYS_close_range, 3u, fd - 1, 0u);
    syscall(SYS_close_range, fd + 1, ~0u, 0u);
    // Ends with Tesmira, even when the library never returns.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    signal(SIGPIPE, SIG_IGN);
    return ServeDeviceLibrary(*options);
}
