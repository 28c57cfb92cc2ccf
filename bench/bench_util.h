// What every benchmark program needs: CPU and wall clocks, per-1000-frame figures, peak memory,
// and the headless set-up with the test devices.
#pragma once

#include <sys/resource.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <string>

namespace tesmira::bench {

// User plus system CPU seconds of a resource usage record.
inline double CpuOf(const rusage& u) {
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}
// The same for RUSAGE_SELF or RUSAGE_CHILDREN.
inline double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return CpuOf(u);
}
inline double SelfCpu() {
    return CpuSeconds(RUSAGE_SELF);
}
inline double ChildrenCpu() {
    return CpuSeconds(RUSAGE_CHILDREN);
}

// Every thread of this process at one moment: its name and the CPU seconds it has run (the
// scheduler's nanosecond account, finer than the tick-based figures of getrusage).
struct ThreadSample {
    std::string name;
    double cpu = 0;
};
using ThreadSnapshot = std::map<long, ThreadSample>;

inline ThreadSnapshot SnapshotThreads() {
    ThreadSnapshot out;
    DIR* dir = opendir("/proc/self/task");
    if (!dir)
        return out;
    while (dirent* e = readdir(dir)) {
        const long tid = std::strtol(e->d_name, nullptr, 10);
        if (tid <= 0)
            continue;
        const std::string base = std::string("/proc/self/task/") + e->d_name;
        ThreadSample t;
        std::ifstream comm(base + "/comm");
        std::getline(comm, t.name);
        unsigned long long ns = 0;
        if (std::ifstream(base + "/schedstat") >> ns)
            t.cpu = double(ns) * 1e-9;
        out[tid] = t;
    }
    closedir(dir);
    return out;
}

// CPU the threads chosen by `pick(tid, name)` ran between two snapshots; a thread born in between
// counts from zero.
template <typename Pick>
double ThreadsCpuBetween(const ThreadSnapshot& before, const ThreadSnapshot& after, Pick pick) {
    double sum = 0;
    for (const auto& [tid, t] : after) {
        if (!pick(tid, t.name))
            continue;
        const auto was = before.find(tid);
        sum += t.cpu - (was != before.end() && was->second.name == t.name ? was->second.cpu : 0);
    }
    return sum;
}

// Each thread that ran at least a millisecond between two snapshots, with its CPU seconds, on
// standard error, every line starting with `label`.
inline void PrintThreadsCpu(const char* label, const ThreadSnapshot& before,
                            const ThreadSnapshot& after) {
    for (const auto& [tid, t] : after) {
        const long id = tid;
        const double used = ThreadsCpuBetween(
            before, after, [id](long other, const std::string&) { return other == id; });
        if (used > 0.001)
            std::fprintf(stderr, "  %-6s %-16s %7.3f s\n", label, t.name.c_str(), used);
    }
}

// Monotonic wall-clock seconds.
inline double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

inline double Per1000(double cpu, int64_t frames) {
    return frames > 0 ? cpu * 1000.0 / double(frames) : 0.0;
}

inline double PeakRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}
// The largest peak memory (VmHWM) among this process's running children: getrusage's figure
// for children that have ended also counts what they shared with this process before exec.
inline double RunningChildrenPeakRssMb() {
    double largest = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return 0;
    while (dirent* t = readdir(tasks)) {
        if (t->d_name[0] == '.')
            continue;
        std::ifstream children(std::string("/proc/self/task/") + t->d_name + "/children");
        long pid = 0;
        while (children >> pid) {
            std::ifstream status("/proc/" + std::to_string(pid) + "/status");
            std::string line;
            while (std::getline(status, line)) {
                if (line.rfind("VmHWM:", 0) == 0)
                    largest = std::max(largest, std::strtod(line.c_str() + 6, nullptr) / 1024.0);
            }
        }
    }
    closedir(tasks);
    return largest;
}

// Before the QApplication exists: no display needed, and the test camera and microphone listed.
inline void UseHeadlessTestDevices() {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TESMIRA_TEST_DEVICES", "1", 1);
}

}  // namespace tesmira::bench
