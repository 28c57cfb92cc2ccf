#include "media/avi_patch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace tesmira {
namespace {

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Patch32(int fd, off_t at, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    (void)!pwrite(fd, b, 4, at);
}

}  // namespace

// Makes a file whose writing stopped half-way (disk full) readable: the sizes of the last RIFF
// part and of its "movi" list, and the frame counts of the headers. The index is missing;
// players find the frames by walking the "movi" list.
void PatchUnfinishedAvi(int fd, uint32_t frames, uint32_t audioBlocks) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size < 200)
        return;
    const off_t size = st.st_size;
    off_t riff = 0;
    int parts = 0;
    for (off_t at = 0; at + 12 <= size; ++parts) {
        uint8_t head[12];
        if (pread(fd, head, 12, at) != 12 || std::memcmp(head, "RIFF", 4) != 0)
            break;
        riff = at;
        at += 8 + off_t(Get32(head + 4));
    }
    if (parts == 0)
        return;
    Patch32(fd, riff + 4, uint32_t(size - riff - 8));
    for (off_t at = riff + 12; at + 12 <= size;) {
        uint8_t head[12];
        if (pread(fd, head, 12, at) != 12)
            break;
        if (std::memcmp(head, "LIST", 4) == 0 && std::memcmp(head + 8, "movi", 4) == 0) {
            Patch32(fd, at + 4, uint32_t(size - at - 8));
            break;
        }
        at += 8 + ((off_t(Get32(head + 4)) + 1) & ~off_t(1));
    }
    uint8_t first[4];
    if (pread(fd, first, 4, 92) != 4)
        return;
    if (parts == 1)
        Patch32(fd, 48, frames);        // avih total frames
    Patch32(fd, 100 + 8 + 32, frames);  // video strh length
    const off_t second = 96 + off_t(Get32(first));
    uint8_t list[16];
    if (audioBlocks && pread(fd, list, 16, second) == 16 && std::memcmp(list, "LIST", 4) == 0 &&
        std::memcmp(list + 8, "strl", 4) == 0 && std::memcmp(list + 12, "strh", 4) == 0) {
        Patch32(fd, second + 12 + 8 + 32, audioBlocks);
    }
}

}  // namespace tesmira
