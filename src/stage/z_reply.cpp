#include "stage/z_reply.h"

#include <climits>
#include <cstdio>

namespace tesmira {
namespace {

constexpr std::string_view kTag = "aSPR ";
constexpr std::size_t kMaxDigits = 10;  // INT_MAX has ten

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

std::optional<int> ParseZPositionLine(std::string_view line) {
    if (line.substr(0, kTag.size()) != kTag)
        return std::nullopt;
    std::string_view number = line.substr(kTag.size());
    const bool negative = !number.empty() && number.front() == '-';
    if (negative)
        number.remove_prefix(1);
    if (number.empty() || number.size() > kMaxDigits)
        return std::nullopt;
    long long magnitude = 0;
    for (const char c : number) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

std::vector<std::string_view> ReplyLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || IsLineEnd(text[i])) {
            if (i > start)
                lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

std::optional<int> ParseZPositionReply(std::string_view text) {
    for (const std::string_view line : ReplyLines(text)) {
        if (const std::optional<int> position = ParseZPositionLine(line))
            return position;
    }
    return std::nullopt;
}

std::string EscapedForLog(std::string_view bytes, std::size_t max) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size() && i < max; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    if (bytes.size() > max)
        out += "...";
    return out;
}

}  // namespace tesmira
