// The microscope controller's shared-memory block as any 66 bytes: parsing never crashes, a block
// with a wrong check word is never read, and the texts it gives hold printable characters only.
#include <cstdint>
#include <cstring>

#include "instruments/microscope_block.h"

namespace {

bool Printable(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 && c != '\n')
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tesmira::MicroscopeBlock block{};
    std::memcpy(block.data(), data, size < block.size() ? size : block.size());
    const bool sealed = tesmira::MicroscopeCheckWord(block) == tesmira::MicroscopeCheckSum(block);
    const auto figures = tesmira::ParseMicroscopeBlock(block);
    if (figures && !sealed)
        __builtin_trap();
    if (figures && (!Printable(figures->vacuum) || !Printable(figures->temperature)))
        __builtin_trap();
    // The same bytes sealed are always read.
    tesmira::SealMicroscopeBlock(block);
    if (!tesmira::ParseMicroscopeBlock(block))
        __builtin_trap();
    return 0;
}
