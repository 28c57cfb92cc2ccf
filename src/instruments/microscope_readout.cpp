#include "instruments/microscope_readout.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
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
    // Touching a mapping beyond the end of a shorter object raises SIGBUS: check the size first.
    struct stat st {};
    int error = 0;
    if (fstat(fd, &st) != 0)
        error = errno;
    else if (st.st_size < static_cast<off_t>(kMicroscopeBlockSize))
        error = EINVAL;
    void* view = MAP_FAILED;
    if (error == 0) {
        view = mmap(nullptr, kMicroscopeBlockSize, PROT_READ, MAP_SHARED, fd, 0);
        if (view == MAP_FAILED)
            error = errno;
    }
    close(fd);
    if (error != 0) {
        connected_ = false;
        return {InstrumentError::MapViewFailed,
                WithError("MapViewOfFile failed, GLE=%d.\n", error)};
    }
    const InstrumentResult result =
        Show([view](MicroscopeBlock& block) { std::memcpy(block.data(), view, block.size()); });
    munmap(view, kMicroscopeBlockSize);
    return result;
}

InstrumentResult MicroscopeReadout::Show(const std::function<void(MicroscopeBlock&)>& copy) {
    MicroscopeBlock block{};
    for (int attempt = 0; attempt <= kRereads; ++attempt) {
        if (attempt > 0)  // give the writer time to finish its update
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        copy(block);
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
