#include "instruments/microscope_readout.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

namespace tesmira {
namespace {

std::string WithError(const char* format, int error) {
    char buf[96];
    std::snprintf(buf, sizeof buf, format, error);
    return buf;
}

}  // namespace

InstrumentResult MicroscopeReadout::Read() {
    const int fd = shm_open(shareName_.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) {
        const int error = errno;
        overlay_ = "VEV Microscope   Vacuum:   Temp: \n";
        vacuum_ = microscope_text::kNoFigure;
        temperature_ = microscope_text::kNoFigure;
        readout_ = std::string(" V: ") + vacuum_ + "\n T: " + temperature_;
        connected_ = false;
        return {InstrumentError::OpenMappingFailed,
                WithError("Open mapping file failed, GLE=%d.\n", error)};
    }
    // The block is copied with pread, never mapped: the writer may shrink the object at any
    // moment, and touching a mapping past its new end would raise SIGBUS. A copy that comes up
    // short is a failed reading.
    const auto copy = [fd](MicroscopeBlock& block) -> int {
        ssize_t n;
        do {
            n = pread(fd, block.data(), block.size(), 0);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return errno;
        return static_cast<size_t>(n) == block.size() ? 0 : EINVAL;
    };
    const InstrumentResult result = Show(copy);
    close(fd);
    return result;
}

InstrumentResult MicroscopeReadout::Show(const std::function<int(MicroscopeBlock&)>& copy) {
    MicroscopeBlock block{};
    for (int attempt = 0; attempt <= kRereads; ++attempt) {
        if (attempt > 0)  // give the writer time to finish its update
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (const int error = copy(block); error != 0) {
            // The readout keeps its previous text.
            connected_ = false;
            return {InstrumentError::MapViewFailed,
                    WithError("MapViewOfFile failed, GLE=%d.\n", error)};
        }
        if (const auto figures = ParseMicroscopeBlock(block)) {
            vacuum_ = figures->vacuum;
            temperature_ = figures->temperature;
            readout_ = " V: " + vacuum_ + "\n T: " + temperature_ + " °C";
            overlay_ = "VEV Vacuum: " + vacuum_ + "  Temp: " + temperature_ + " °C\n";
            connected_ = true;
            return {};
        }
    }
    readout_ = microscope_text::kSumCheck;
    connected_ = false;
    return {InstrumentError::SumCheckFailed, {}};
}

void MicroscopeReadout::Off() {
    readout_ = microscope_text::kNotConnected;
    connected_ = false;
}

}  // namespace tesmira
