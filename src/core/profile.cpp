#include "core/profile.h"

#include <cctype>
#include <charconv>
#include <cstdint>

namespace tesmira {

std::optional<int> ParseStoredInt(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    if (begin < end && text[begin] == '+')
        ++begin;
    if (begin == end)
        return std::nullopt;
    int64_t value = 0;
    const char* first = text.data() + begin;
    const char* last = text.data() + end;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last)
        return std::nullopt;
    if (value < INT32_MIN || value > static_cast<int64_t>(UINT32_MAX))
        return std::nullopt;
    // A registry number is 32 bits: an unsigned spelling of a negative value means the same word.
    return static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

int MemoryProfile::GetInt(const std::string& key, int def) {
    auto it = values.find(key);
    if (it == values.end())
        return def;
    return ParseStoredInt(it->second).value_or(def);
}

std::string MemoryProfile::GetString(const std::string& key, const std::string& def) {
    auto it = values.find(key);
    return it == values.end() ? def : it->second;
}

void MemoryProfile::SetInt(const std::string& key, int value) {
    values[key] = std::to_string(value);
}

void MemoryProfile::SetString(const std::string& key, const std::string& value) {
    values[key] = value;
}

}  // namespace tesmira
