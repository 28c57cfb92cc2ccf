// Where the next recording is written: the video folder, or the working folder on a RAM disk from
// which the finished file is moved to the video folder.
#pragma once

#include <string>

namespace tesmira {

struct SinkPaths {
    std::string destination;  // video folder + date prefix + name
    std::string working;      // working folder + date prefix + name, empty without a working drive
    std::string output;       // where the writer writes: working when used, else destination
};

// Folder with a trailing "/" (an empty folder stays empty).
std::string WithTrailingSlash(const std::string& folder);

// name is the file or folder name, e.g. "005.avi"; the rule is the same for recordings and for
// time-lapse targets.
SinkPaths MakeSinkPaths(const std::string& dirVideo, const std::string& tempDrive,
                        bool useTempDrive, const std::string& datePrefix, const std::string& name);

// "%03d.avi" with the recording number.
std::string RecordingFileName(int recNo);

}  // namespace tesmira
