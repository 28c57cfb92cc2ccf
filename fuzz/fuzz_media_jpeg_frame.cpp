// A camera's JPEG picture on its way into an AVI: any bytes give a layout or none, never a read
// past the end; a completed frame is itself a whole picture with its tables, and its scan is the
// original's, byte for byte.
#include <cstdint>
#include <cstring>
#include <vector>

#include "media/jpeg_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly `size` bytes of their own, so a read one past the end is seen.
    std::vector<uint8_t> exact(data, data + size);
    const uint8_t* bytes = exact.empty() ? nullptr : exact.data();
    const tesmira::JpegLayout layout = tesmira::WalkJpeg(bytes, size);
    if (layout.valid && (layout.scanOffset < 2 || layout.scanOffset + 4 > size))
        __builtin_trap();
    std::vector<uint8_t> out;
    const bool ok = tesmira::CompleteJpegFrame(bytes, size, out);
    if (ok != layout.valid)
        __builtin_trap();
    if (!ok || out.empty())
        return 0;
    const tesmira::JpegLayout completed = tesmira::WalkJpeg(out.data(), out.size());
    const size_t tail = size - layout.scanOffset;
    if (!completed.valid || !completed.hasHuffman || out.size() < tail ||
        std::memcmp(out.data() + out.size() - tail, bytes + layout.scanOffset, tail) != 0)
        __builtin_trap();
    return 0;
}
