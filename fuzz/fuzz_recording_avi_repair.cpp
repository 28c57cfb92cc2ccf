// The AVI repair on arbitrary files: it may not crash, hang, or write outside the file; a file
// it says it repaired is whole on a second look, and a file it refuses is left as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "recording/avi_repair.h"

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
    static const std::string path = "/dev/shm/tesmira-fuzz-repair-" + std::to_string(getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    tesmira::AviRepairOptions options;
    options.maxCutBytes = 1 << 16;
    const tesmira::AviRepairResult r = tesmira::RepairAvi(path, options);
    if (!r.Ok() || r.status == tesmira::AviRepairStatus::AlreadyWhole) {
        const std::vector<uint8_t> after = Slurp(path);
        if (after.size() != size || (size && !std::equal(after.begin(), after.end(), data)))
            __builtin_trap();  // refused or whole, yet changed
    }
    if (r.status == tesmira::AviRepairStatus::Repaired) {
        if (tesmira::RepairAvi(path, options).status != tesmira::AviRepairStatus::AlreadyWhole)
            __builtin_trap();
    }
    std::remove(path.c_str());
    return 0;
}
