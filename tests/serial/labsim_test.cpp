// The simulated lab driven through the real channel: ready query, TE2000E Z exchange, meter
// reply, busy toggle, traffic log and a clean exit on SIGTERM.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "serial/serial_channel.h"
#include "serial_test_support.h"

extern char** environ;

namespace tesmira::test {
namespace {

#ifdef TESMIRA_LABSIM_PATH

class Labsim {
public:
    explicit Labsim(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), TESMIRA_LABSIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, TESMIRA_LABSIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        stdout_ = out[0];
    }
    ~Labsim() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (stdout_ >= 0)
            close(stdout_);
    }

    // Standard output up to and including the line `marker` (empty on time-out).
    std::string ReadUntil(const std::string& marker, int timeoutMs = 5000) {
        std::string text;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (text.find(marker + "\n") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return {};
            pollfd p{stdout_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return {};
            char buf[512];
            const ssize_t n = read(stdout_, buf, sizeof buf);
            if (n <= 0)
                return {};
            text.append(buf, static_cast<size_t>(n));
        }
        return text;
    }
    void Signal(int sig) { kill(pid_, sig); }
    // Exit status after SIGTERM, or -1 when it did not end within two seconds.
    int Terminate() {
        kill(pid_, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    bool Started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
};

// Asks and collects the answer up to its line end (or the single ready byte).
std::string Ask(SerialChannel& ch, const std::string& query, size_t expectBytes) {
    ch.Write(query);
    std::string answer;
    for (int i = 0; i < 400 && answer.size() < expectBytes; ++i) {
        if (const int n = ch.BytesWaiting(); n > 0)
            answer += ch.Read(n);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return answer;
}

// Whether a log line "<date> <time> <device> <dir> <escaped bytes>" of that device and direction
// holds the escaped text.
::testing::AssertionResult Logged(const std::string& log, const std::string& deviceAndDir,
                                  const std::string& escaped) {
    std::ifstream in(log);
    std::string line, all;
    while (std::getline(in, line)) {
        all += line + "\n";
        std::istringstream fields(line);
        std::string date, time, device, dir;
        fields >> date >> time >> device >> dir;
        const std::string rest = line.size() > 0 ? line.substr(line.find(dir) + dir.size()) : "";
        if (device + " " + dir == deviceAndDir && rest.find(escaped) != std::string::npos)
            return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << deviceAndDir << " " << escaped << " not in\n" << all;
}

TEST(Labsim, AnswersLikeTheDevicesAndExitsCleanly) {
    TempDir dir;
    const std::string links = dir.Path() + "/links";
    const std::string log = dir.Path() + "/traffic.log";
    Labsim sim({"--links", links, "--log", log, "--xy", "sigma", "--z", "te2000e", "--z-position",
                "5000", "--temp", "23.45", "--humid", "51.20"});
    ASSERT_TRUE(sim.Started());
    const std::string banner = sim.ReadUntil("labsim ready");
    ASSERT_FALSE(banner.empty());
    for (const char* name : {"xy", "z", "shutter", "meter"})
        EXPECT_NE(banner.find(links + "/" + name + " -> /dev/pts/"), std::string::npos) << name;

    SerialChannel xy, z, meter, shutter;
    ASSERT_EQ(xy.Open(links + "/xy", LineSettings{}), open_result::kOk);
    ASSERT_EQ(z.Open(links + "/z", LineSettings{}), open_result::kOk);
    ASSERT_EQ(meter.Open(links + "/meter", LineSettings{}), open_result::kOk);
    ASSERT_EQ(shutter.Open(links + "/shutter", LineSettings{}), open_result::kOk);

    EXPECT_EQ(Ask(xy, "!:\r\n", 1), "R");
    xy.Write("M:W-P200-P200\r\nG\r\n");
    sim.Signal(SIGUSR1);  // the stage starts moving
    EXPECT_EQ(Ask(xy, "!:\r\n", 1), "B");
    sim.Signal(SIGUSR1);
    EXPECT_EQ(Ask(xy, "!:\r\n", 1), "R");

    EXPECT_EQ(Ask(z, "rSPR\r", 10), "aSPR 5000\r");
    z.Write("fSMV5100\r");
    EXPECT_EQ(Ask(z, "rSPR\r", 10), "aSPR 5100\r");
    EXPECT_EQ(Ask(meter, "getrh\n", 15), ":23.45,51.20,\r\n");

    // The program letting go of a port leaves the simulator answering on the next opening.
    xy.Close();
    ASSERT_EQ(xy.Open(links + "/xy", LineSettings{}), open_result::kOk);
    EXPECT_EQ(Ask(xy, "!:\r\n", 1), "R");

    EXPECT_EQ(sim.Terminate(), 0);
    for (const char* name : {"xy", "z", "shutter", "meter"})
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(links + "/" + name)))
            << name;
    // With the terminals gone, the channels report nothing and do not block.
    EXPECT_EQ(z.BytesWaiting(), 0);
    z.Write("rSPR\r");

    // Writes that follow each other closely may share one logged chunk, so look for the
    // escaped text inside the lines of the right device and direction.
    EXPECT_TRUE(Logged(log, "xy <", "M:W-P200-P200\\r\\nG\\r\\n"));
    EXPECT_TRUE(Logged(log, "z <", "fSMV5100\\r"));
    EXPECT_TRUE(Logged(log, "z >", "aSPR 5100\\r"));
    EXPECT_TRUE(Logged(log, "meter <", "getrh\\n"));
    EXPECT_TRUE(Logged(log, "xy >", "B"));
    EXPECT_FALSE(Logged(log, "shutter <", ""));
}

TEST(Labsim, BusyFromTheCommandLineASignalOrAFile) {
    TempDir dir;
    const std::string links = dir.Path() + "/links";
    const std::string busyFile = dir.Path() + "/moving";
    Labsim sim({"--links", links, "--log", dir.Path() + "/log", "--busy", "--busy-file", busyFile});
    ASSERT_FALSE(sim.ReadUntil("labsim ready").empty());
    SerialChannel xy;
    ASSERT_EQ(xy.Open(links + "/xy", LineSettings{}), open_result::kOk);
    EXPECT_EQ(Ask(xy, "!:\r\n", 1), "B");
    sim.Signal(SIGUSR1);
    EXPECT_EQ(Ask(xy, "!:\r\n", 1), "R");
    std::ofstream(busyFile) << "";
    EXPECT_EQ(Ask(xy, "!:\r\n", 1), "B");
    std::filesystem::remove(busyFile);
    EXPECT_EQ(Ask(xy, "!:\r\n", 1), "R");
    EXPECT_EQ(sim.Terminate(), 0);
}

TEST(Labsim, RefusesBadCommandLines) {
    for (std::vector<std::string> args :
         {std::vector<std::string>{"--xy", "nikon"}, std::vector<std::string>{"--xy", "sigma"},
          std::vector<std::string>{"--links"}}) {
        Labsim sim(args);
        ASSERT_TRUE(sim.Started());
        EXPECT_EQ(sim.ReadUntil("labsim ready", 2000), "");
        EXPECT_EQ(sim.Terminate(), 2);
    }
}

#endif  // TESMIRA_LABSIM_PATH

}  // namespace
}  // namespace tesmira::test
