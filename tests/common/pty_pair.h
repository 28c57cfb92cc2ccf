// Pseudo-terminal pairs and temporary folders for tests that talk to real terminal devices.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace tesmira::test {

// The device side of a pseudo-terminal pair plus a handle of our own on the terminal side, so
// tests can read back the line settings the channel applied.
class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        char name[128];
        if (ptsname_r(master_, name, sizeof name) != 0)
            return;
        path_ = name;
        terminal_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        tcgetattr(master_, &t);
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { Vanish(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && terminal_ >= 0; }
    const std::string& Path() const { return path_; }
    int Master() const { return master_; }
    int Terminal() const { return terminal_; }

    // Stop bits as the terminal now has them (1 or 2).
    int StopBits() const {
        termios t{};
        tcgetattr(terminal_, &t);
        return (t.c_cflag & CSTOPB) ? 2 : 1;
    }
    termios Termios() const {
        termios t{};
        tcgetattr(terminal_, &t);
        return t;
    }
    // Everything the device side has received so far.
    std::string Drain() {
        std::string out;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(master_, buf, sizeof buf)) > 0)
            out.append(buf, static_cast<size_t>(n));
        return out;
    }
    void Send(const std::string& bytes) { (void)!::write(master_, bytes.data(), bytes.size()); }

    // The adapter is pulled: both of our sides close and the terminal node disappears.
    void Vanish() {
        if (terminal_ >= 0)
            ::close(terminal_);
        if (master_ >= 0)
            ::close(master_);
        terminal_ = master_ = -1;
    }

private:
    int master_ = -1;
    int terminal_ = -1;
    std::string path_;
};

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/tesmira-serial-XXXXXX";
        if (mkdtemp(tmpl))
            path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace tesmira::test
