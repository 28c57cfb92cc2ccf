// Port discovery on a fake /sys tree and a TESMIRA_SERIAL_PATH folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "serial_test_support.h"

namespace tesmira::test {
namespace {

namespace fs = std::filesystem;

// A /sys/class/tty entry: with a device link when backed by hardware, and a UART type for ttyS*.
void AddTty(const std::string& sys, const std::string& name, bool device, const char* type) {
    const std::string dir = sys + "/" + name;
    fs::create_directories(dir);
    if (device)
        fs::create_directory_symlink(sys, dir + "/device");
    if (type)
        std::ofstream(dir + "/type") << type << "\n";
}

class PortListTest : public ::testing::Test {
protected:
    PortListTest() {
        config.sysClassTty = root.Path() + "/sys/class/tty";
        config.devDir = "/dev";
        fs::create_directories(config.sysClassTty);
        links = root.Path() + "/links";
        fs::create_directories(links);
    }
    void Link(const std::string& name, const std::string& target) {
        fs::create_symlink(target, links + "/" + name);
    }

    PortList ports;  // a fresh list for each test
    TempDir root;
    PortScanConfig config;
    std::string links;
};

TEST_F(PortListTest, KernelListsOnlyHardwareBackedTerminalsAndPresentUarts) {
    AddTty(config.sysClassTty, "ttyS0", true, "4");  // 16550A answering
    AddTty(config.sysClassTty, "ttyS1", true, "0");  // no chip behind the node
    AddTty(config.sysClassTty, "ttyS2", true, nullptr);
    AddTty(config.sysClassTty, "ttyUSB0", true, nullptr);
    AddTty(config.sysClassTty, "ttyACM0", true, nullptr);
    AddTty(config.sysClassTty, "tty0", false, nullptr);  // virtual console
    AddTty(config.sysClassTty, "console", false, nullptr);
    AddTty(config.sysClassTty, "ptmx", false, nullptr);
    EXPECT_EQ(ScanPorts(config),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0"}));
}

TEST_F(PortListTest, FoldersAddCharacterDevicesAndLiveLinksSortedByteWiseOnce) {
    Link("COM3", "/dev/null");  // any character device stands in for a port here
    Link("COM10", "/dev/null");
    Link("COM1", "/dev/zero");
    Link("stale", root.Path() + "/gone");  // the simulator that made it has stopped
    std::ofstream(links + "/notes.txt") << "no port";
    fs::create_directories(links + "/subfolder");
    AddTty(config.sysClassTty, "ttyUSB0", true, nullptr);
    // The same folder twice, an empty entry and a missing folder.
    config.serialPath = links + "::" + links + "/:" + root.Path() + "/missing";
    EXPECT_EQ(ScanPorts(config), (std::vector<std::string>{"/dev/ttyUSB0", links + "/COM1",
                                                           links + "/COM10", links + "/COM3"}));
}

TEST_F(PortListTest, EnumerationUsesTheEnvironmentAndRebuildsTheListEachTime) {
    Link("xy", "/dev/null");
    setenv("TESMIRA_SERIAL_PATH", links.c_str(), 1);
    PortScanConfig system = SystemPortScanConfig();
    unsetenv("TESMIRA_SERIAL_PATH");
    EXPECT_EQ(system.serialPath, links);
    EXPECT_EQ(system.sysClassTty, "/sys/class/tty");

    config.serialPath = links;
    ports.SetConfig(config);
    EXPECT_EQ(ports.Enumerate(), std::vector<std::string>{links + "/xy"});
    fs::remove(links + "/xy");
    EXPECT_TRUE(ports.Enumerate().empty());
    EXPECT_TRUE(ports.Ports().empty());
}

TEST_F(PortListTest, AvailableListLeavesOutAssignedPorts) {
    const std::vector<std::string> ports{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"};
    EXPECT_EQ(AvailablePorts(ports, {"/dev/ttyUSB0", "", "/dev/gone", ""}),
              (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB1"}));
    EXPECT_EQ(AvailablePorts(ports, {"", "", "", ""}), ports);
}

}  // namespace
}  // namespace tesmira::test
