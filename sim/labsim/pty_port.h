// One pseudo-terminal of the simulated lab: the master side that the device answers on, its own
// handle on the terminal side (so the program closing its port never leaves the master hanging
// up in a loop), and a stable symbolic link to the terminal in the link folder.
#pragma once

#include <string>

namespace labsim {

class PtyPort {
public:
    PtyPort() = default;
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    // Opens the pair and links linkPath to the terminal; false with `error` on failure.
    bool Open(const std::string& linkPath, std::string& error);
    // Removes the link when it still points at this terminal.
    void Unlink();

    int MasterFd() const { return master_; }
    const std::string& TerminalPath() const { return terminal_; }
    const std::string& LinkPath() const { return link_; }

private:
    int master_ = -1;
    int terminal_fd_ = -1;
    std::string terminal_;
    std::string link_;
};

// Creates the folder and its parents; false when it cannot.
bool MakeFolders(const std::string& path);

}  // namespace labsim
