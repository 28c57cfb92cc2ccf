// The position reply of a TE2000E Z drive, "aSPR <pulses>".
#pragma once

#include <optional>
#include <string_view>

namespace tesmira {

// Reads the reply as the pattern "aSPR %d" would: the literal "aSPR" at the very start, optional
// white space, an optional sign and at least one digit; whatever follows the number is ignored
// (two replies in one chunk give the first number). A number outside the int range, a missing
// number or any other text is no position at all.
std::optional<int> ParseZPositionReply(std::string_view reply);

}  // namespace tesmira
