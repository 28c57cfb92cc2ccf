// Moving and renaming recordings without ever replacing a file that is already there.
#pragma once

#include <string>

namespace tesmira {

struct MoveResult {
    bool ok = false;
    std::string error;  // why it failed (empty on success)
};

// Renames within one file system; fails with EEXIST instead of replacing an existing target.
MoveResult RenameNoReplace(const std::string& from, const std::string& to);

// Moves a file to `to`, also across file systems: copy to a hidden temporary name in the
// destination folder, flush it to disk, put it in place without replacing anything, and only
// then delete the source. On failure the source is left as it was and nothing is left behind
// in the destination folder.
MoveResult SafeMoveFile(const std::string& from, const std::string& to);

// Moves a folder of files to `to`, which must not exist yet: a rename within one file system,
// else a new folder filled file by file with SafeMoveFile and the emptied source removed. On
// failure `error` says which file stopped it; what was not moved stays in the source folder.
MoveResult SafeMoveFolder(const std::string& from, const std::string& to);

// True when something (file, folder, dangling link) exists at path.
bool PathExists(const std::string& path);

}  // namespace tesmira
