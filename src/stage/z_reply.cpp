#include "stage/z_reply.h"

#include <climits>

namespace tesmira {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::optional<int> ParseZPositionReply(std::string_view reply) {
    constexpr std::string_view kTag = "aSPR";
    if (reply.substr(0, kTag.size()) != kTag)
        return std::nullopt;
    std::size_t i = kTag.size();
    while (i < reply.size() && IsSpace(reply[i]))
        ++i;
    bool negative = false;
    if (i < reply.size() && (reply[i] == '+' || reply[i] == '-'))
        negative = reply[i++] == '-';
    const std::size_t firstDigit = i;
    long long value = 0;  // magnitude; stops growing once it cannot fit an int any more
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    while (i < reply.size() && reply[i] >= '0' && reply[i] <= '9') {
        value = value * 10 + (reply[i] - '0');
        if (value > limit)
            return std::nullopt;
        ++i;
    }
    if (i == firstDigit)
        return std::nullopt;
    return static_cast<int>(negative ? -value : value);
}

}  // namespace tesmira
