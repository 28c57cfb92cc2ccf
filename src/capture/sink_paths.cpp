#include "capture/sink_paths.h"

#include <cstdio>

namespace tesmira {

std::string WithTrailingSlash(const std::string& folder) {
    if (folder.empty() || folder.back() == '/')
        return folder;
    return folder + "/";
}

SinkPaths MakeSinkPaths(const std::string& dirVideo, const std::string& tempDrive,
                        bool useTempDrive, const std::string& datePrefix, const std::string& name) {
    SinkPaths p;
    p.destination = WithTrailingSlash(dirVideo) + datePrefix + name;
    if (useTempDrive && !tempDrive.empty()) {
        p.working = WithTrailingSlash(tempDrive) + datePrefix + name;
        p.output = p.working;
    } else {
        p.output = p.destination;
    }
    return p;
}

std::string RecordingFileName(int recNo) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%03d.avi", recNo);
    return buf;
}

}  // namespace tesmira
