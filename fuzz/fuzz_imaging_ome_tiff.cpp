// The OME-TIFF recovery on arbitrary files: it may not crash, hang or write outside the file; a
// file it refuses or finds whole is left as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/ome_tiff_file.h"

namespace {

std::vector<uint8_t> Slurp(const std::string& path) {
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/dev/shm/tesmira-fuzz-ome-" + std::to_string(getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    const tesmira::OmeRepairResult r = tesmira::RepairOmeTiff(path);
    if (!r.Ok() || r.status == tesmira::OmeRepairStatus::kWhole) {
        const std::vector<uint8_t> after = Slurp(path);
        if (after.size() != size || (size && !std::equal(after.begin(), after.end(), data)))
            __builtin_trap();  // refused or whole, yet changed
    }
    std::remove(path.c_str());
    return 0;
}
