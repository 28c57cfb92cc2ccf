#include "recording/timelapse_paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/settings.h"
#include "recording/file_move.h"
#include "recording/recording_paths.h"

namespace tesmira {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// True when the folder holds an entry named stem + one of the series' suffixes.
bool FolderHasSeries(const std::string& folder, const std::string& stem) {
    if (folder.empty())
        return false;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        for (const char* suffix : {"_TL", "_BMP", "_JPG", "_OME", "_at_"}) {
            if (StartsWith(name, stem + suffix)) {
                found = true;
                break;
            }
        }
        if (found)
            break;
    }
    closedir(dir);
    return found;
}

}  // namespace

TimelapseType TimelapseTypeOf(int stored) {
    switch (stored) {
        case 0:
            return TimelapseType::kAvi;
        case 2:
            return TimelapseType::kJpg;
        case 3:
            return TimelapseType::kOmeTiff;
        default:
            return TimelapseType::kBmp;
    }
}

std::string TimelapseName(TimelapseType type, int n) {
    switch (type) {
        case TimelapseType::kAvi:
            return Numbered("%03d_TL.avi", n);
        case TimelapseType::kJpg:
            return Numbered("%03d_JPG", n);
        case TimelapseType::kOmeTiff:
            return Numbered("%03d_OME.ome.tif", n);
        case TimelapseType::kBmp:
            break;
    }
    return Numbered("%03d_BMP", n);
}

int FirstFreeTimelapseNumber(const Settings& s, int n) {
    if (n < 0)
        n = 0;
    const std::string workFolder = UsesWorkFolder(s) ? s.tempDrive : std::string();
    // A thousand taken numbers in a row means something else is wrong; stop looking then.
    for (int tries = 0; tries < 1000; ++tries, ++n) {
        const std::string stem = s.datePrefix + Numbered("%03d", n);
        if (!FolderHasSeries(s.dirVideo, stem) && !FolderHasSeries(workFolder, stem))
            break;
    }
    return n;
}

TimelapseTargetResult MakeTimelapseTarget(const Settings& s, int n, TimelapseType type) {
    TimelapseTargetResult result;
    const std::string name = s.datePrefix + TimelapseName(type, n);
    result.target.destPath = WithTrailingSlash(s.dirVideo) + name;
    const bool work = UsesWorkFolder(s);
    if (work)
        result.target.workPath = WithTrailingSlash(s.tempDrive) + name;
    if (IsFolderSeries(type)) {
        std::string& folder = work ? result.target.workPath : result.target.destPath;
        // mkdir refuses an existing folder: a series never shares its folder with another.
        if (mkdir(folder.c_str(), 0777) != 0) {
            const int err = errno;
            result.error = (work ? s.tempDrive : s.dirVideo) + " Not enough space!\n(" + folder +
                           ": " + std::strerror(err) + ")";
            return result;
        }
        result.target.destPath += "/";
        if (work)
            result.target.workPath += "/";
    }
    result.ok = true;
    return result;
}

std::string FinalTimelapseName(const std::string& path, int intervalMs) {
    if (intervalMs < 0)
        intervalMs = 0;
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "_at_%dm_%ds", intervalMs / 60000,
                  (intervalMs / 1000) % 60);
    if (!path.empty() && path.back() == '/')
        return path.substr(0, path.size() - 1) + suffix + "/";
    for (const std::string ext : {".ome.tif", ".avi"}) {
        if (path.size() > ext.size() + 1 &&
            path.compare(path.size() - ext.size(), ext.size(), ext) == 0)
            return path.substr(0, path.size() - ext.size()) + suffix + ext;
    }
    return path + suffix;
}

std::string UnusedTimelapseVariant(const std::string& path) {
    if (!path.empty() && path.back() == '/') {
        const std::string bare = path.substr(0, path.size() - 1);
        if (!PathExists(bare))
            return path;
        for (int i = 2; i < 10000; ++i) {
            const std::string candidate = bare + "(" + std::to_string(i) + ")";
            if (!PathExists(candidate))
                return candidate + "/";
        }
        return std::string();
    }
    return UnusedVariantOf(path);
}

RateFraction ReplayRateFraction(int index) {
    switch (index) {
        case 1:
            return {30, 1};
        case 2:
            return {60000, 1001};
        case 3:
            return {60, 1};
        default:
            return {30000, 1001};
    }
}

}  // namespace tesmira
