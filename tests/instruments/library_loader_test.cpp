// The library search and the two device libraries through the simulated lab's stand-ins: a
// missing file, a missing entry point, a nonsense module count, relays and the USB meter driven
// end to end, and the lab's own meter port and microscope block.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "common/fake_serial_channel.h"
#include "instruments/meter.h"
#include "instruments/microscope_readout.h"
#include "instruments/relay_modules.h"
#include "instruments/usbrh_device.h"
#include "instruments/w1_thermometer.h"
#include "serial/serial_channel.h"

extern char** environ;

namespace tesmira {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

LibrarySearch Only(const std::string& folder) {
    return LibrarySearch{folder, "", false};
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesmira-libs-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        for (const char* v :
             {"TESMIRA_SIM_RELAY_MODULES", "TESMIRA_SIM_RELAY_COUNT", "TESMIRA_SIM_RELAY_LOG",
              "TESMIRA_SIM_RELAY_STATE", "TESMIRA_SIM_USBMETER_FILE", "TESMIRA_LABSIM_DIR"})
            unsetenv(v);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST(LibrarySearch, NeverLooksInTheWorkingDirectory) {
    const LibrarySearch s{"relative/dir::/opt/a:/opt/b/:.", "/usr/lib/tesmira", true};
    EXPECT_EQ(s.Candidates("libx.so"), (std::vector<std::string>{"/opt/a/libx.so", "/opt/b/libx.so",
                                                                 "/usr/lib/tesmira/libx.so"}));
    std::string why;
    EXPECT_FALSE(SharedLibrary::Open("./libsuper4.so", {}, s, &why));
    EXPECT_FALSE(SharedLibrary::Open("sub/libsuper4.so", {}, s, &why));
}

TEST(LibrarySearch, PrivateFoldersComeAfterTheExecutablesFolder) {
    LibrarySearch s{"/opt/plugins", "/usr/bin", true, {"/usr/lib/tesmira", "lib/tesmira"}};
    EXPECT_EQ(s.Candidates("libx.so"),
              (std::vector<std::string>{"/opt/plugins/libx.so", "/usr/bin/libx.so",
                                        "/usr/lib/tesmira/libx.so"}))
        << "a relative private folder would be the working directory";
}

TEST_F(TempFolder, MissingFileAndMissingEntryPointCountAsNoLibrary) {
    std::string why;
    EXPECT_FALSE(Super4Library::Load(Only(dir.string()), &why));
    EXPECT_NE(why.find("not found"), std::string::npos) << why;

    EXPECT_FALSE(Super4Library::Load(Only(TESMIRA_SIM_BROKEN_LIBRARY_DIR), &why));
    EXPECT_NE(why.find("SetRelays"), std::string::npos) << why;

    // The first library found is the one used, even when a good one lies further on.
    const LibrarySearch brokenFirst{
        std::string(TESMIRA_SIM_BROKEN_LIBRARY_DIR) + ":" + TESMIRA_SIM_LIBRARY_DIR, "", false};
    EXPECT_FALSE(Super4Library::Load(brokenFirst));

    UsbMeterLibrary meterLib(Only(dir.string()));
    EXPECT_FALSE(meterLib.Loaded());
    test::FakeSerialChannel port;
    const W1Thermometer w1(dir.string());
    Meter meter(port, meterLib, w1);
    meter.SetKind(MeterKind::Usbrh);
    EXPECT_EQ(meter.On().message, "USBRHモジュールが見つかりません");
}

TEST_F(TempFolder, RelaysThroughTheStandIn) {
    setenv("TESMIRA_SIM_RELAY_MODULES", "ABCDEFGHIJKLMNOPQRST,S4-2", 1);
    setenv("TESMIRA_SIM_RELAY_LOG", (dir / "relays.log").c_str(), 1);
    setenv("TESMIRA_SIM_RELAY_STATE", (dir / "relays.state").c_str(), 1);
    setenv("TESMIRA_SIM_RELAY_COUNT", "99", 1);  // a library that claims too much
    auto lib = Super4Library::Load(Only(TESMIRA_SIM_LIBRARY_DIR));
    ASSERT_TRUE(lib);
    RelayModules relays(lib.get());
    ASSERT_EQ(relays.Start(), 2);
    EXPECT_EQ(relays.Serial(0), "ABCDEFGHIJKLMNOPQRST");  // filled its entry, unterminated
    std::vector<int> offs;
    relays.SetOffListener([&](int ch) { offs.push_back(ch); });

    relays.Toggle(0);
    relays.SetRelays(1, 0x0C, true);
    EXPECT_EQ(ReadAll(dir / "relays.state"), "ABCDEFGHIJKLMNOPQRST 1000\nS4-2 0011\n");
    relays.SetRelays(1, 0x08, false);
    EXPECT_EQ(offs, std::vector<int>{7});
    relays.Close();  // the relays stay as they are
    EXPECT_EQ(ReadAll(dir / "relays.state"), "ABCDEFGHIJKLMNOPQRST 1000\nS4-2 0010\n");

    const std::string log = ReadAll(dir / "relays.log");
    const std::regex line(
        R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} SetRelays S4-2 mask 0x0C on -> 0011)");
    EXPECT_TRUE(std::regex_search(log, line)) << log;
    EXPECT_EQ(log.find("no such module"), std::string::npos) << log;
}

TEST_F(TempFolder, UsbMeterThroughTheStandIn) {
    const fs::path file = dir / "usbmeter";
    setenv("TESMIRA_SIM_USBMETER_FILE", file.c_str(), 1);
    UsbMeterLibrary lib(Only(TESMIRA_SIM_LIBRARY_DIR));
    ASSERT_TRUE(lib.Loaded()) << lib.LoadError();
    test::FakeSerialChannel port;
    const W1Thermometer w1(dir.string());
    Meter meter(port, lib, w1);
    meter.SetKind(MeterKind::Usbrh);
    meter.SetCorrection(-1.6);

    std::ofstream(file) << "absent\n";
    EXPECT_EQ(meter.On().code, InstrumentError::UsbrhNotFound);

    std::ofstream(file) << "21.50 40.30\n";
    ASSERT_TRUE(meter.On().Ok());
    meter.Tick();
    EXPECT_EQ(meter.Display(), " T: 19.9 °C\n H: 40.3 %");

    std::ofstream(file) << "fail\n";
    EXPECT_EQ(meter.Tick(), MeterTick::SwitchedOff);
    EXPECT_FALSE(lib.Holds());
}

// The simulated lab as a child process, with a block name of its own.
class Lab {
public:
    Lab(const fs::path& dir, std::vector<std::string> extra) : dir_(dir) {
        shm_ = "/tesmira-test-lab-" + std::to_string(getpid());
        std::vector<std::string> args{
            TESMIRA_LABSIM_PATH,        "--links",    dir.string(), "--log",
            (dir / "lab.log").string(), "--shm-name", shm_};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (dir / "lab.out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Lab() { Stop(); }
    bool WaitReady() {
        for (int i = 0; i < 100 && pid_ > 0; ++i) {
            if (ReadAll(dir_ / "lab.out").find("labsim ready") != std::string::npos)
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    void Signal(int sig) { kill(pid_, sig); }
    int Stop() {
        int status = -1;
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
        return status;
    }
    const std::string& Shm() const { return shm_; }

private:
    fs::path dir_;
    std::string shm_;
    pid_t pid_ = -1;
};

TEST_F(TempFolder, LabMeterSplitsItsReplyAndPublishesTheBlock) {
    Lab lab(dir, {"--meter-split", "--temp", "23.45", "--relay-modules", "LAB-1"});
    ASSERT_TRUE(lab.WaitReady());

    SerialChannel port;
    ASSERT_EQ(port.Open((dir / "meter").string(), LineSettings{}), 0);
    UsbMeterLibrary noLibrary(Only(dir.string()));
    const W1Thermometer w1(dir.string());
    Meter meter(port, noLibrary, w1);
    meter.SetKind(MeterKind::Usbrh2);
    meter.SetCorrection(-0.5);
    ASSERT_TRUE(meter.On().Ok());
    ASSERT_EQ(meter.Tick(), MeterTick::StartReplyPoll);
    for (int i = 0; i < 10; ++i) {  // the 50 ms poll, for half a second
        std::this_thread::sleep_for(50ms);
        meter.PollReply();
    }
    EXPECT_EQ(meter.Display(), " T: 22.95 °C\n H: 45.60 %");
    const std::string log = ReadAll(dir / "lab.log");
    EXPECT_NE(log.find("meter > :23.45,"), std::string::npos) << log;
    EXPECT_EQ(log.find(":23.45,45.60"), std::string::npos) << log;  // sent in two parts

    // The stand-in relay library finds its modules through the lab's folder.
    setenv("TESMIRA_LABSIM_DIR", dir.c_str(), 1);
    auto relayLib = Super4Library::Load(Only(TESMIRA_SIM_LIBRARY_DIR));
    ASSERT_TRUE(relayLib);
    RelayModules relays(relayLib.get());
    EXPECT_EQ(relays.Start(), 1);
    EXPECT_EQ(relays.Serial(0), "LAB-1");
    relays.Toggle(2);
    EXPECT_EQ(ReadAll(dir / "relays.state"), "LAB-1 0010\n");

    MicroscopeReadout readout(lab.Shm());
    ASSERT_TRUE(readout.Read().Ok()) << readout.Readout();
    EXPECT_TRUE(std::regex_match(readout.Readout(),
                                 std::regex(R"( V: \d\.\d\dx10\(-\d\) Pa\n T: -?\d+ °C)")))
        << readout.Readout();
    lab.Signal(SIGUSR2);  // the lab's check word goes bad
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(readout.Read().code, InstrumentError::SumCheckFailed);

    EXPECT_EQ(lab.Stop(), 0);
    EXPECT_EQ(readout.Read().code, InstrumentError::OpenMappingFailed);  // removed on exit
}

}  // namespace
}  // namespace tesmira
