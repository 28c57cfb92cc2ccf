// The AVI header reader and the in-place rate rewrite on arbitrary files: neither may read or
// write outside the file, crash, or report a rewrite of a file it could not parse.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "recording/avi_rate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/dev/shm/tesmira-fuzz-avi-" + std::to_string(getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    tesmira::AviRateInfo info;
    std::string error;
    const bool readable = tesmira::InspectAviRate(path, &info, &error);
    const tesmira::AviRewriteResult r = tesmira::RewriteAviRate(path, 29.97, &error);
    if (!readable && r == tesmira::AviRewriteResult::Rewritten)
        __builtin_trap();  // a file the reader refuses must not be rewritten
    if (r == tesmira::AviRewriteResult::Rewritten) {
        // Rewriting again with the same rate leaves the file as it is.
        if (tesmira::RewriteAviRate(path, 29.97, &error) != tesmira::AviRewriteResult::Unchanged)
            __builtin_trap();
    }
    std::remove(path.c_str());
    return 0;
}
