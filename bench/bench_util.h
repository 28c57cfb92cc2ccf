// What every benchmark program needs: CPU and wall clocks, per-1000-frame figures, peak memory,
// and the headless set-up with the test devices.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

// Before the QApplication exists: no display needed, and the test camera and microphone listed.
inline void UseHeadlessTestDevices() {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TESMIRA_TEST_DEVICES", "1", 1);
}

}  // namespace tesmira::bench
