// The USBRH2 meter's replies as any bytes from the port, split anywhere: a reply handed out is
// always a whole one with numeric fields, and the bytes kept never pass the bound.
#include <cstdint>
#include <string_view>

#include "instruments/usbrh2_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t cut = all.empty() ? 0 : data[0] % (all.size() + 1);  // where one poll ends
    tesmira::Usbrh2ReplyParser parser;
    for (std::string_view piece : {all.substr(0, cut), all.substr(cut)}) {
        parser.Append(piece);
        if (parser.Pending() > tesmira::Usbrh2ReplyParser::kMaxPending)
            __builtin_trap();
        if (const auto reply = parser.Take()) {
            if (!tesmira::IsMeterNumber(reply->temperature) ||
                !tesmira::IsMeterNumber(reply->humidity))
                __builtin_trap();
        }
    }
    return 0;
}
