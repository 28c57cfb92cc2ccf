#include "recording/avi_rate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>

namespace tesmira {
namespace {

constexpr off_t kAvihAt = 24;
constexpr off_t kStrlListAt = 88;
constexpr off_t kStrhAt = 100;
constexpr size_t kBlock = 64;

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void Put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
bool Is(const uint8_t* p, const char* mark) {
    return std::memcmp(p, mark, 4) == 0;
}

bool ReadAt(int fd, off_t at, uint8_t* out, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t got = pread(fd, out + done, n - done, at + off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += size_t(got);
    }
    return true;
}

bool WriteAt(int fd, off_t at, const uint8_t* data, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t put = pwrite(fd, data + done, n - done, at + off_t(done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += size_t(put);
    }
    return true;
}

struct Headers {
    uint8_t avih[kBlock];
    uint8_t strh[kBlock];
    bool hasAudioList = false;  // a second stream list really follows
    off_t secondStrhAt = 0;
    uint8_t secondStrh[kBlock];
};

void SetError(std::string* error, const std::string& text) {
    if (error)
        *error = text;
}

// Checks the marks and bounds; false with a reason when the file is not usable.
bool ReadHeaders(int fd, Headers* h, AviRateInfo* info, std::string* error) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetError(error, "not a regular file");
        return false;
    }
    const off_t size = st.st_size;
    uint8_t head[24];
    uint8_t list[12];
    if (size < kStrhAt + off_t(kBlock) || !ReadAt(fd, 0, head, sizeof head) ||
        !ReadAt(fd, kAvihAt, h->avih, kBlock) || !ReadAt(fd, kStrlListAt, list, sizeof list) ||
        !ReadAt(fd, kStrhAt, h->strh, kBlock)) {
        SetError(error, "file too short for AVI headers");
        return false;
    }
    if (!Is(head, "RIFF") || !Is(head + 8, "AVI ") || !Is(head + 12, "LIST") ||
        !Is(head + 20, "hdrl") || !Is(h->avih, "avih") || !Is(list, "LIST") ||
        !Is(list + 8, "strl") || !Is(h->strh, "strh") || !Is(h->strh + 8, "vids")) {
        SetError(error, "unexpected AVI layout (first stream must be video)");
        return false;
    }
    const uint32_t usPerFrame = Get32(h->avih + 8);
    const uint32_t scale = Get32(h->strh + 28);
    const uint32_t rate = Get32(h->strh + 32);
    if (usPerFrame == 0 || scale == 0) {
        SetError(error, "zero frame time or zero scale in the headers");
        return false;
    }
    info->headerRate = 1000000.0 / usPerFrame;
    info->streamRate = double(rate) / scale;
    info->frameCount = Get32(h->avih + 24);
    info->streams = Get32(h->avih + 32);

    // The second stream list, only when it really is one (video-only files often carry
    // "LIST odml" or "JUNK" there) and lies inside the file.
    const off_t second = kStrlListAt + 8 + off_t(Get32(list + 4));
    uint8_t second_list[12];
    if (info->streams > 1 && second + 12 + off_t(kBlock) <= size &&
        ReadAt(fd, second, second_list, sizeof second_list) &&
        ReadAt(fd, second + 12, h->secondStrh, kBlock) && Is(second_list, "LIST") &&
        Is(second_list + 8, "strl") && Is(h->secondStrh, "strh")) {
        h->hasAudioList = true;
        h->secondStrhAt = second + 12;
    }
    return true;
}

}  // namespace

double ReplayRateOfIndex(int index) {
    static constexpr double kRates[] = {29.97, 30.0, 59.94, 60.0};
    return index >= 0 && index < 4 ? kRates[index] : kRates[0];
}

bool InspectAviRate(const std::string& path, AviRateInfo* info, std::string* error) {
    AviRateInfo local;
    if (!info)
        info = &local;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, std::strerror(errno));
        return false;
    }
    Headers h{};
    const bool ok = ReadHeaders(fd, &h, info, error);
    close(fd);
    return ok;
}

AviRewriteResult RewriteAviRate(const std::string& path, double newRate, std::string* error) {
    if (!(newRate >= 0.001 && newRate <= 10000.0)) {
        SetError(error, "rate outside 0.001 .. 10000");
        return AviRewriteResult::BadRate;
    }
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, std::strerror(errno));
        return AviRewriteResult::OpenFailed;
    }
    Headers h{};
    AviRateInfo info;
    if (!ReadHeaders(fd, &h, &info, error)) {
        close(fd);
        return AviRewriteResult::NotAvi;
    }
    const double oldStreamRate = info.streamRate;
    // Rate 1e7 with scale 1e7 / R, as our recorder always stored; below about 0.0024 fps the
    // scale would not fit 32 bits, so the rate steps down by tens until it does.
    uint32_t rate = 10000000;
    double scale = std::floor(double(rate) / newRate);
    while (scale > double(std::numeric_limits<uint32_t>::max()) && rate >= 10) {
        rate /= 10;
        scale = std::floor(double(rate) / newRate);
    }
    const uint32_t usPerFrame = uint32_t(std::floor(1000000.0 / newRate));
    if (Get32(h.avih + 8) == usPerFrame && Get32(h.strh + 28) == uint32_t(scale) &&
        Get32(h.strh + 32) == rate) {
        close(fd);
        return AviRewriteResult::Unchanged;
    }
    Put32(h.avih + 8, usPerFrame);
    Put32(h.strh + 32, rate);
    Put32(h.strh + 28, uint32_t(scale));
    bool ok = WriteAt(fd, kAvihAt, h.avih, kBlock) && WriteAt(fd, kStrhAt, h.strh, kBlock);
    // Audio keeps in step with the new picture rate; an old rate of 0 gives no factor to use.
    if (ok && h.hasAudioList && Is(h.secondStrh + 8, "auds") && oldStreamRate > 0.0) {
        const double audioRate = std::floor(Get32(h.secondStrh + 32) * newRate / oldStreamRate);
        if (audioRate >= 1.0 && audioRate <= double(std::numeric_limits<uint32_t>::max())) {
            Put32(h.secondStrh + 32, uint32_t(audioRate));
            ok = WriteAt(fd, h.secondStrhAt, h.secondStrh, kBlock);
        }
    }
    int err = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        SetError(error, std::strerror(err ? err : EIO));
        return AviRewriteResult::WriteFailed;
    }
    return AviRewriteResult::Rewritten;
}

AviRewriteResult RewriteAviRateAfterRecording(const std::string& path, bool resetFps,
                                              double replayRate, double* headerRate,
                                              double* streamRate, std::string* error) {
    AviRateInfo info;
    if (!InspectAviRate(path, &info, error))
        return AviRewriteResult::NotAvi;
    if (headerRate)
        *headerRate = info.headerRate;
    if (streamRate)
        *streamRate = info.streamRate;
    if (!resetFps)
        return AviRewriteResult::Unchanged;
    return RewriteAviRate(path, replayRate, error);
}

}  // namespace tesmira
