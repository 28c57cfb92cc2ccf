// printf-style formatting into a std::string of whatever length the result needs.
#pragma once

#include <string>

namespace tesmira {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tesmira
