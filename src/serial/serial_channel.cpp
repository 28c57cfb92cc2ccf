#include "serial/serial_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace tesmira {
namespace {

speed_t SpeedFor(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

tcflag_t SizeFor(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return 0;
    }
}

// Raw 8-bit line without flow control or echo; the receiver is on and modem lines are ignored so
// that an unplugged cable never blocks an open or a read.
bool ApplyLine(int fd, const LineSettings& line) {
    const speed_t speed = SpeedFor(line.baud);
    const tcflag_t size = SizeFor(line.dataBits);
    if (speed == B0 || size == 0 || (line.stopBits != 1 && line.stopBits != 2))
        return false;
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
    t.c_cflag |= size | CLOCAL | CREAD;
    if (line.stopBits == 2)
        t.c_cflag |= CSTOPB;
    if (line.parity != Parity::None) {
        t.c_cflag |= PARENB;
        t.c_iflag |= INPCK;
        if (line.parity == Parity::Odd)
            t.c_cflag |= PARODD;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0)
        return false;
    if (tcsetattr(fd, TCSANOW, &t) != 0)
        return false;
    // tcsetattr succeeds when any one change took effect; check what matters to the device.
    termios back{};
    if (tcgetattr(fd, &back) != 0)
        return false;
    return (back.c_cflag & CSIZE) == size && (back.c_cflag & CSTOPB) == (t.c_cflag & CSTOPB) &&
           (back.c_cflag & PARENB) == (t.c_cflag & PARENB) && cfgetospeed(&back) == speed;
}

}  // namespace

SerialChannel::~SerialChannel() {
    Close();
}

int SerialChannel::Fail(int code) {
    Close();
    return code;
}

bool SerialChannel::IsGone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

void SerialChannel::LetGo() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    vanished_ = true;
}

int SerialChannel::Open(const std::string& port, const LineSettings& line) {
    Close();
    if (port.empty())
        return open_result::kOpenFailed;
    fd_ = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return open_result::kOpenFailed;
    // A regular file or a pipe is no port, whatever its name says.
    if (!isatty(fd_))
        return Fail(open_result::kOpenFailed);
    // The lock keeps out a second program even when it runs as root (TIOCEXCL does not).
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0)
        return Fail(open_result::kLockFailed);
    if (ioctl(fd_, TIOCEXCL) != 0)
        return Fail(open_result::kLockFailed);
    int queued = 0;
    if (ioctl(fd_, FIONREAD, &queued) != 0)
        return Fail(open_result::kQueueFailed);
    // Reads return at once with whatever has arrived.
    termios t{};
    if (tcgetattr(fd_, &t) != 0)
        return Fail(open_result::kTimeoutsFailed);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(fd_, TCSANOW, &t) != 0)
        return Fail(open_result::kTimeoutsFailed);
    if (!ApplyLine(fd_, line))
        return Fail(open_result::kLineFailed);
    tcflush(fd_, TCIOFLUSH);
    receiveAccumulator.clear();
    return open_result::kOk;
}

void SerialChannel::RaiseControlLines() {
    if (fd_ < 0)
        return;
    // A pseudo-terminal has no modem lines (ENOTTY); that is not an error here.
    int rts = TIOCM_RTS;
    (void)ioctl(fd_, TIOCMBIS, &rts);
    int dtr = TIOCM_DTR;
    (void)ioctl(fd_, TIOCMBIS, &dtr);
}

void SerialChannel::Close() {
    vanished_ = false;
    if (fd_ < 0)
        return;
    // Clear the exclusive flag: on a pseudo-terminal whose other side stays open it would
    // otherwise outlive this handle and refuse the next (non-root) opening.
    (void)ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

void SerialChannel::Write(std::string_view text) {
    if (fd_ < 0 || text.empty())
        return;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteMsPerByte) *
                                             static_cast<int64_t>(text.size());
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            if (IsGone(errno))
                LetGo();
            return;
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (wait.count() <= 0)
            return;  // time-out: the rest is dropped
        pollfd pfd{fd_, POLLOUT, 0};
        const int r = ::poll(&pfd, 1, static_cast<int>(wait.count()));
        if (r < 0 && errno != EINTR)
            return;
        if (r > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            LetGo();
            return;
        }
    }
}

void SerialChannel::Probe() {
    if (fd_ < 0)
        return;
    // With CLOCAL set a modem line never hangs the port up; only a device that went away does.
    pollfd pfd{fd_, POLLIN, 0};
    int r;
    do {
        r = ::poll(&pfd, 1, 0);
    } while (r < 0 && errno == EINTR);
    if (r > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)))
        LetGo();
}

int SerialChannel::BytesWaiting() {
    if (fd_ < 0)
        return 0;
    int n = 0;
    if (ioctl(fd_, FIONREAD, &n) != 0) {
        if (IsGone(errno))
            LetGo();
        return 0;
    }
    return n < 0 ? 0 : n;
}

std::string SerialChannel::Read(int n) {
    if (fd_ < 0 || n <= 0)
        return {};
    std::string buf(static_cast<size_t>(n), '\0');
    ssize_t r;
    do {
        r = ::read(fd_, buf.data(), buf.size());
    } while (r < 0 && errno == EINTR);
    if (r < 0 && IsGone(errno))
        LetGo();
    if (r <= 0)
        return {};
    buf.resize(static_cast<size_t>(r));
    return buf;
}

}  // namespace tesmira
