#include "shm_writer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace labsim {

MicroscopeShm::~MicroscopeShm() {
    Close();
}

bool MicroscopeShm::Open(const std::string& name, std::string& error) {
    const int fd = shm_open(name.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create shared memory " + name + ": " + std::strerror(errno);
        return false;
    }
    // A reader mapping a shorter object would fault: size it before anything else.
    void* view = MAP_FAILED;
    if (ftruncate(fd, kSize) == 0)
        view = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    const int saved = errno;
    close(fd);
    if (view == MAP_FAILED) {
        error = "cannot map shared memory " + name + ": " + std::strerror(saved);
        shm_unlink(name.c_str());
        return false;
    }
    name_ = name;
    block_ = static_cast<unsigned char*>(view);
    std::memset(block_, 0, kSize);
    return true;
}

void MicroscopeShm::Write(unsigned tick, bool badSum) {
    if (!block_)
        return;
    // The vacuum drifts between 1.00 and 9.99 x10(-5) Pa and steps a decade now and then; the
    // chamber sits near 23 °C and dips below zero for a moment once in a while (cold stage).
    const double phase = tick * 0.05;
    const int mantissa = 100 + static_cast<int>(450 + 449 * std::sin(phase)) % 900;
    const int exponent = (tick / 40) % 2 == 0 ? 5 : 4;
    int temperature = 23 + static_cast<int>(std::lround(2 * std::sin(phase * 0.3)));
    if (tick % 200 == 199)
        temperature = -5;

    unsigned char b[kSize] = {};
    for (size_t i = 2; i < kSize; ++i)  // bytes the controller keeps to itself; only summed
        b[i] = static_cast<unsigned char>((tick * 7 + i * 13) & 0xFF);
    b[53] = static_cast<unsigned char>('0' + mantissa / 100);
    b[54] = static_cast<unsigned char>('0' + mantissa / 10 % 10);
    b[55] = static_cast<unsigned char>('0' + mantissa % 10);
    b[58] = '0';  // minus
    b[59] = static_cast<unsigned char>('0' + exponent);
    const auto t = static_cast<unsigned short>(static_cast<short>(temperature));
    b[60] = static_cast<unsigned char>(t & 0xFF);
    b[61] = static_cast<unsigned char>(t >> 8);
    unsigned char sum = 0;
    for (size_t i = 1; i < kSize; ++i)
        sum ^= b[i];
    b[0] = badSum ? static_cast<unsigned char>(sum ^ 0x5A) : sum;
    std::memcpy(block_, b, kSize);
}

void MicroscopeShm::Close() {
    if (!block_)
        return;
    munmap(block_, kSize);
    shm_unlink(name_.c_str());
    block_ = nullptr;
}

}  // namespace labsim
