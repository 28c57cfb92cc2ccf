// A folder is usable when it exists and has more than 119 MB free for the user.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tesmira {

class INotifier;

// Megabytes free for the caller on the folder's file system; -1 when it cannot be asked.
using FreeSpaceQuery = std::function<int64_t(const std::string& path)>;

// statvfs: f_bavail x f_frsize >> 20, or -1.
int64_t SystemFreeMegabytes(const std::string& path);

// The message that says why `path` cannot take recordings, or nothing when it can. An empty
// query asks the file system.
std::optional<std::string> DirectoryProblem(const std::string& path,
                                            const FreeSpaceQuery& freeSpace = {});

// Whether two paths name the same folder, trailing slashes aside.
bool FolderNamesMatch(std::string_view a, std::string_view b);
// Makes `path` and its missing parents; false when it is not a folder afterwards.
bool MakeFolder(const std::string& path);

// On failure tells `notifier` the matching message, empties path and returns false.
bool CheckDirectory(std::string& path, INotifier& notifier, const FreeSpaceQuery& freeSpace = {});

}  // namespace tesmira
