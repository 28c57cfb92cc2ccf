// A folder is usable when it exists and has more than 119 MB free for the user.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tesmira {

// On failure shows the matching message, empties path and returns false.
bool CheckDirectory(std::string& path);

// Megabytes free for the caller on the folder's file system (statvfs f_bavail x f_frsize >> 20);
// tests may replace it. Returns -1 when the file system cannot be asked.
using FreeSpaceQuery = std::function<int64_t(const std::string& path)>;
void SetFreeSpaceQuery(FreeSpaceQuery query);  // empty restores statvfs
int64_t FreeMegabytes(const std::string& path);

}  // namespace tesmira
