// Free-form controller commands typed by the user: one line may carry several commands separated
// by ";", each written as its own piece with the line end of the controller kind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tesmira {

// "M:W+P500-P200;G" with "\r" -> {"M:W+P500-P200\r", "G\r"}; a trailing ";" adds nothing, an
// empty piece between two ";" is a bare line end, an empty line writes nothing.
std::vector<std::string> SplitCommandLine(std::string_view line, std::string_view lineEnd);

}  // namespace tesmira
