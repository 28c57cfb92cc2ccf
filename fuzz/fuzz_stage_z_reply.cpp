// The Z drive's position reply: any bytes from the port give a position or none, never a crash,
// and a line is only a position when it is exactly "aSPR <number>" (leading zeros aside).
#include <cstdint>
#include <string>
#include <string_view>

#include "stage/z_reply.h"

namespace {

// The line as the drive would print its number: "aSPR -0042" -> "aSPR -42".
std::string WithoutLeadingZeros(std::string_view line) {
    std::string out(line.substr(0, 5));
    std::string_view number = line.substr(5);
    if (!number.empty() && number.front() == '-') {
        out += '-';
        number.remove_prefix(1);
    }
    while (number.size() > 1 && number.front() == '0')
        number.remove_prefix(1);
    out += number;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string_view line : tesmira::ReplyLines(text)) {
        const auto position = tesmira::ParseZPositionLine(line);
        if (!position)
            continue;
        const std::string plain = WithoutLeadingZeros(line);
        if (plain != "aSPR " + std::to_string(*position) && plain != "aSPR -0")
            __builtin_trap();
    }
    (void)tesmira::ParseZPositionReply(text);
    return 0;
}
