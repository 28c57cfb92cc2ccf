// The list of serial ports the system knows: the terminal devices the kernel lists under
// /sys/class/tty that are backed by hardware (a 16550-style ttyS* only where a UART answers),
// named by their /dev paths, plus the character devices and links in the folders named by
// TESMIRA_SERIAL_PATH (the simulated lab puts its links there). Names sort byte-wise.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace tesmira {

struct PortScanConfig {
    std::string sysClassTty = "/sys/class/tty";
    std::string devDir = "/dev";
    std::string serialPath;  // colon-separated folders
};

// The system's own places, with serialPath taken from TESMIRA_SERIAL_PATH.
PortScanConfig SystemPortScanConfig();

// One scan: sorted byte-wise, each name once.
std::vector<std::string> ScanPorts(const PortScanConfig& config);

// The port list as last scanned, rebuilt by Enumerate from its configuration (the system's own
// places unless the owner points it at a fake tree).
class PortList {
public:
    explicit PortList(PortScanConfig config = SystemPortScanConfig())
        : config_(std::move(config)) {}

    const std::vector<std::string>& Ports() const { return ports_; }
    const std::vector<std::string>& Enumerate();
    void SetConfig(PortScanConfig config) { config_ = std::move(config); }

private:
    PortScanConfig config_;
    std::vector<std::string> ports_;
};

// The port list without the names held by any slot.
std::vector<std::string> AvailablePorts(const std::vector<std::string>& ports,
                                        const std::array<std::string, 4>& slotNames);

}  // namespace tesmira
