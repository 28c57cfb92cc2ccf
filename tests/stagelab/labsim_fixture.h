// Stage control against the simulated lab: a real `tesmira-labsim` on pseudo-terminals, the real
// port slots opened on its links, and its traffic log read back. Each test starts its own
// simulator on fresh settings, slots, stage state and stage control.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/fake_timer_backend.h"
#include "common/message_recorder.h"
#include "core/settings.h"
#include "core/timer_multiplexer.h"
#include "serial/serial_slots.h"
#include "stage/stage_control.h"
#include "stage/stage_run_loop.h"
#include "stage/stage_state.h"

extern char** environ;

namespace tesmira::test {

using Clock = std::chrono::steady_clock;

// Polls `done` every few milliseconds until it holds or `timeoutMs` has passed.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 2000) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= end)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    return true;
}

// One line of the simulator's traffic log: "<date> <time> <device> <dir> <escaped bytes>".
struct TrafficLine {
    std::string time;  // "HH:MM:SS.mmm"
    std::string device;
    std::string dir;
    std::string bytes;  // escaped, e.g. "MOVREL x=-123\r" as the text `MOVREL x=-123\r`
};

inline std::vector<TrafficLine> ReadTraffic(const std::string& logPath) {
    std::vector<TrafficLine> lines;
    std::ifstream in(logPath);
    std::string line;
    while (std::getline(in, line)) {
        // The payload may hold spaces, so only the first four fields are split off.
        std::size_t pos = 0;
        std::string field[4];
        bool complete = true;
        for (std::string& f : field) {
            const std::size_t space = line.find(' ', pos);
            if (space == std::string::npos) {
                complete = false;
                break;
            }
            f = line.substr(pos, space - pos);
            pos = space + 1;
        }
        if (complete)
            lines.push_back({field[1], field[2], field[3], line.substr(pos)});
    }
    return lines;
}

// Milliseconds since midnight of a log time stamp.
inline long long LogTimeMs(const std::string& hhmmss) {
    int h = 0, m = 0, s = 0, ms = 0;
    if (std::sscanf(hhmmss.c_str(), "%d:%d:%d.%d", &h, &m, &s, &ms) != 4)
        return -1;
    return ((h * 60LL + m) * 60 + s) * 1000 + ms;
}

// A simulator process with its links folder and log file in a private temporary folder.
class LabsimProcess {
public:
    LabsimProcess() {
        char tmpl[] = "/tmp/tesmira-stagelab-XXXXXX";
        if (mkdtemp(tmpl))
            dir_ = tmpl;
    }
    ~LabsimProcess() {
        Stop();
        std::error_code ec;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, ec);
    }
    LabsimProcess(const LabsimProcess&) = delete;
    LabsimProcess& operator=(const LabsimProcess&) = delete;

    // Starts the simulator and waits for its "labsim ready" banner.
    bool Start(std::vector<std::string> args) {
#ifdef TESMIRA_LABSIM_PATH
        if (dir_.empty())
            return false;
        int out[2];
        if (pipe(out) != 0)
            return false;
        args.insert(args.begin(), {TESMIRA_LABSIM_PATH, "--links", Links(), "--log", LogPath()});
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid_, TESMIRA_LABSIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        stdout_ = out[0];
        return pid_ > 0 && ReadBanner();
#else
        (void)args;
        return false;
#endif
    }

    // SIGTERM, a bounded wait, then SIGKILL.
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            bool ended = WaitFor([this] { return waitpid(pid_, nullptr, WNOHANG) == pid_; });
            if (!ended) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
            pid_ = -1;
        }
        if (stdout_ >= 0)
            close(stdout_);
        stdout_ = -1;
    }

    void Signal(int sig) const {
        if (pid_ > 0)
            kill(pid_, sig);
    }

    std::string Links() const {
        return dir_ + "/links";
    }
    std::string Link(const std::string& device) const {
        return Links() + "/" + device;
    }
    std::string LogPath() const {
        return dir_ + "/traffic.log";
    }

    // Everything a device received ("<") or answered (">"), escaped, chunks joined in order.
    std::string Traffic(const std::string& device, const std::string& dir) const {
        std::string all;
        for (const TrafficLine& l : ReadTraffic(LogPath())) {
            if (l.device == device && l.dir == dir)
                all += l.bytes;
        }
        return all;
    }
    bool WaitForTraffic(const std::string& device, const std::string& dir,
                        const std::string& escaped, int timeoutMs = 2000) const {
        return WaitFor([&] { return Traffic(device, dir).find(escaped) != std::string::npos; },
                       timeoutMs);
    }
    // Waits for a "-- <note>" line such as "xy ready" after a busy toggle.
    bool WaitForNote(const std::string& note, int count = 1) const {
        return WaitFor([&] {
            int seen = 0;
            for (const TrafficLine& l : ReadTraffic(LogPath()))
                seen += l.device == "--" && l.dir + " " + l.bytes == note;
            return seen >= count;
        });
    }

private:
    bool ReadBanner() {
        std::string text;
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (text.find("labsim ready\n") == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0)
                return false;
            pollfd p{stdout_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0)
                return false;
            char buf[512];
            const ssize_t n = read(stdout_, buf, sizeof buf);
            if (n <= 0)
                return false;
            text.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }

    std::string dir_;
    pid_t pid_ = -1;
    int stdout_ = -1;
};

class StageLabFixture : public ::testing::Test {
protected:
    void SetUp() override {
        backend.Attach(&timers);
        timers.SetBackend(&backend);
        control.AttachTimers(timers);  // ticks are dispatched by hand
    }
    void TearDown() override {
        for (int n = 1; n <= 4; ++n)
            slots.Close(n);
        lab.Stop();
    }

    // Starts the simulator with the given devices and opens slots 1 and 2 on its links the way
    // the panel does at start-up, with the step pulses loaded and every text built.
    void StartLab(const std::string& xyKind, const std::string& zKind, int xySetting, int zSetting,
                  std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), {"--xy", xyKind, "--z", zKind});
        ASSERT_TRUE(lab.Start(extra)) << "tesmira-labsim did not start";
        Settings& s = settings;
        s.xyAxisType = xySetting;
        s.zAxisType = zSetting;
        s.port1 = lab.Link("xy");
        s.port2 = lab.Link("z");
        s.port3 = lab.Link("shutter");
        slots.OpenAtStartup();
        ASSERT_TRUE(slots.Slot(1).IsOpen());
        ASSERT_TRUE(slots.Slot(2).IsOpen());
        ASSERT_TRUE(messages.messages.empty()) << messages.messages.front().text;
        control.LoadStepsFromSettings();
        control.BuildAtStartup();
        control.BuildDeltaZ();
    }

    // Reads what has arrived on a slot until `bytes` are in or the wait runs out.
    std::string ReadSlot(int n, std::size_t bytes) {
        std::string got;
        WaitFor([&] {
            if (const int waiting = slots.Slot(n).BytesWaiting(); waiting > 0)
                got += slots.Slot(n).Read(waiting);
            return got.size() >= bytes;
        });
        return got;
    }

    LabsimProcess lab;
    MessageRecorder messages;
    Settings settings;
    SerialSlots slots{settings, messages};
    StageState state;
    StageControl control{settings, slots, state, messages};
    FakeClock clock;
    FakeTimerBackend backend{clock};
    TimerMultiplexer timers;
    StageRunLoop loop{timers, slots, state, settings, clock};
};

}  // namespace tesmira::test
