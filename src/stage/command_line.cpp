#include "stage/command_line.h"

namespace tesmira {

std::vector<std::string> SplitCommandLine(std::string_view line, std::string_view lineEnd) {
    std::vector<std::string> pieces;
    for (std::size_t semi = line.find(';'); semi != std::string_view::npos; semi = line.find(';')) {
        pieces.emplace_back(line.substr(0, semi)).append(lineEnd);
        line.remove_prefix(semi + 1);
    }
    if (!line.empty())
        pieces.emplace_back(line).append(lineEnd);
    return pieces;
}

}  // namespace tesmira
