#include "pty_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace labsim {
namespace {

void MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
}

std::string ErrorText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

bool MakeFolders(const std::string& path) {
    if (path.empty())
        return false;
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

PtyPort::~PtyPort() {
    if (terminal_fd_ >= 0)
        close(terminal_fd_);
    if (master_ >= 0)
        close(master_);
}

bool PtyPort::Open(const std::string& linkPath, std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0)
        return error = ErrorText("posix_openpt"), false;
    if (grantpt(master_) != 0)
        return error = ErrorText("grantpt"), false;
    if (unlockpt(master_) != 0)
        return error = ErrorText("unlockpt"), false;
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0)
        return error = ErrorText("ptsname"), false;
    terminal_ = name;
    terminal_fd_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (terminal_fd_ < 0)
        return error = ErrorText("open terminal"), false;
    MakeRaw(master_);
    MakeRaw(terminal_fd_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return error = linkPath + " exists and is not a link", false;
        unlink(linkPath.c_str());  // left behind by an earlier run
    }
    if (symlink(terminal_.c_str(), linkPath.c_str()) != 0)
        return error = ErrorText(("symlink " + linkPath).c_str()), false;
    link_ = linkPath;
    return true;
}

void PtyPort::Unlink() {
    if (link_.empty())
        return;
    std::vector<char> target(512);
    const ssize_t n = readlink(link_.c_str(), target.data(), target.size() - 1);
    if (n > 0 && std::string(target.data(), static_cast<size_t>(n)) == terminal_)
        unlink(link_.c_str());
    link_.clear();
}

}  // namespace labsim
