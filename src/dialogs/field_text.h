// A field's text read as a number inside its range, and the message for one outside it: the one
// reading every settings dialog shares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tesmira {

struct Range64 {
    int64_t lo, hi;
};
struct RangeReal {
    double lo, hi;
};

// Blanks around the number and a leading "+" are allowed; anything else makes it no number.
std::optional<int64_t> ParseWhole(const std::string& text, Range64 range);
std::optional<double> ParseReal(const std::string& text, RangeReal range);
std::string WholeRangeMessage(Range64 range);
std::string RealRangeMessage(RangeReal range);

}  // namespace tesmira
