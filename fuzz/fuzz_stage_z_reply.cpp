// The Z drive's position reply: any bytes from the port give a position or none, never a crash,
// and a position is only read from text that starts with "aSPR".
#include <cstdint>
#include <string_view>

#include "stage/z_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const auto position = tesmira::ParseZPositionReply(reply);
    if (position && reply.substr(0, 4) != "aSPR")
        __builtin_trap();
    return 0;
}
