// The list of serial ports the system knows: the terminal devices the kernel lists under
// /sys/class/tty that are backed by hardware (a 16550-style ttyS* only where a UART answers),
// named by their /dev paths, plus the character devices and links in the folders named by
// TESMIRA_SERIAL_PATH (the simulated lab puts its links there). Names sort byte-wise.
#pragma once

#include <array>
#include <string>
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

// The process-wide port list, rebuilt by EnumeratePorts from the current configuration.
const std::vector<std::string>& PortList();
const std::vector<std::string>& EnumeratePorts();
// Tests point the scan at a fake tree; nullptr returns to the system's places.
void SetPortScanConfig(const PortScanConfig* config);

// The port list without the names held by any slot.
std::vector<std::string> AvailablePorts(const std::vector<std::string>& ports,
                                        const std::array<std::string, 4>& slotNames);

}  // namespace tesmira
