#include "serial/port_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace tesmira {
namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir)
        return names;
    while (const dirent* e = readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name.empty() || name[0] == '.')
            continue;
        names.push_back(name);
    }
    return names;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// A 16550-style port node exists for every possible UART; the "type" attribute is 0 (unknown)
// where no chip answered.
bool UartPresent(const std::string& entryDir) {
    std::ifstream in(entryDir + "/type");
    long type = 0;
    if (!(in >> type))
        return false;
    return type != 0;
}

void AddKernelPorts(const PortScanConfig& config, std::vector<std::string>& out) {
    if (config.sysClassTty.empty())
        return;
    for (const std::string& name : FolderEntries(config.sysClassTty)) {
        const std::string entry = config.sysClassTty + "/" + name;
        if (!Exists(entry + "/device"))
            continue;  // virtual terminals, consoles, pty masters
        if (name.rfind("ttyS", 0) == 0 && !UartPresent(entry))
            continue;
        out.push_back(config.devDir + "/" + name);
    }
}

void AddFolderPorts(const std::string& folder, std::vector<std::string>& out) {
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    for (const std::string& name : FolderEntries(base)) {
        const std::string path = (base == "/" ? "" : base) + "/" + name;
        struct stat st {};
        // stat follows links: a link counts when it leads to a character device, so a link
        // left behind by a stopped simulator is no port.
        if (stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode))
            out.push_back(path);
    }
}

}  // namespace

PortScanConfig SystemPortScanConfig() {
    PortScanConfig config;
    if (const char* p = std::getenv("TESMIRA_SERIAL_PATH"))
        config.serialPath = p;
    return config;
}

std::vector<std::string> ScanPorts(const PortScanConfig& config) {
    std::vector<std::string> ports;
    AddKernelPorts(config, ports);
    size_t start = 0;
    while (start <= config.serialPath.size()) {
        size_t colon = config.serialPath.find(':', start);
        if (colon == std::string::npos)
            colon = config.serialPath.size();
        const std::string folder = config.serialPath.substr(start, colon - start);
        if (!folder.empty())
            AddFolderPorts(folder, ports);
        start = colon + 1;
    }
    std::sort(ports.begin(), ports.end());  // std::string compares byte-wise
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

const std::vector<std::string>& PortList::Enumerate() {
    ports_ = ScanPorts(config_);
    return ports_;
}

std::vector<std::string> AvailablePorts(const std::vector<std::string>& ports,
                                        const std::array<std::string, 4>& slotNames) {
    std::vector<std::string> available;
    for (const std::string& p : ports) {
        if (std::find(slotNames.begin(), slotNames.end(), p) == slotNames.end())
            available.push_back(p);
    }
    return available;
}

}  // namespace tesmira
