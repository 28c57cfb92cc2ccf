#include "recording/recording_paths.h"

#include <dirent.h>

#include <cstdio>

#include "core/settings.h"
#include "recording/file_move.h"

namespace tesmira {
namespace {

// True when the folder holds a file whose name starts with prefix.
bool FolderHasPrefix(const std::string& folder, const std::string& prefix) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        if (std::string(entry->d_name).compare(0, prefix.size(), prefix) == 0) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

bool NumberTaken(const Settings& s, int n) {
    const std::string stem = s.datePrefix + Numbered("%03d", n);
    const std::string video = WithTrailingSlash(s.dirVideo);
    if (PathExists(video + stem + ".avi") || FolderHasPrefix(s.dirVideo, stem + "_Rec_at_"))
        return true;
    if (UsesWorkFolder(s) && PathExists(WithTrailingSlash(s.tempDrive) + stem + ".avi"))
        return true;
    if (!s.dirLog.empty()) {
        const std::string log = WithTrailingSlash(s.dirLog) + stem;
        if (PathExists(log + ".dat") || PathExists(log + ".txt") || PathExists(log + ".csv"))
            return true;
    }
    return false;
}

}  // namespace

std::string Numbered(const char* format, int n) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, n);
    return buf;
}

bool UsesWorkFolder(const Settings& s) {
    return s.useTempDrive == 1 && !s.tempDrive.empty();
}

std::string WithTrailingSlash(const std::string& dir) {
    if (dir.empty() || dir.back() == '/')
        return dir;
    return dir + "/";
}

std::string MakeNextRecordingPath(RecordingPaths& p, const Settings& s, int n) {
    const std::string name = s.datePrefix + Numbered("%03d.avi", n);
    p.recDestPath = WithTrailingSlash(s.dirVideo) + name;
    if (UsesWorkFolder(s)) {
        p.recWorkPath = WithTrailingSlash(s.tempDrive) + name;
        return p.recWorkPath;
    }
    p.recWorkPath.clear();
    return p.recDestPath;
}

std::string MakeLogPath(RecordingPaths& p, const Settings& s, int n, int logType) {
    const char* format = logType == 1 ? "%03d.txt" : logType == 2 ? "%03d.csv" : "%03d.dat";
    p.logPath = WithTrailingSlash(s.dirLog) + s.datePrefix + Numbered(format, n);
    return p.logPath;
}

int FirstFreeRecordingNumber(const Settings& s, int n) {
    if (n < 0)
        n = 0;
    // A thousand taken numbers in a row means something else is wrong; stop looking then.
    for (int tries = 0; tries < 1000 && NumberTaken(s, n); ++tries)
        ++n;
    return n;
}

std::string FinalRecordingName(const std::string& path, double streamRate) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= 1 || path.size() < 4 ||
        path.compare(path.size() - 4, 4, ".avi") != 0) {
        return path;
    }
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "_Rec_at_%.2ffps.avi", streamRate);
    return path.substr(0, path.size() - 4) + suffix;
}

std::string UnusedVariantOf(const std::string& path) {
    if (!PathExists(path))
        return path;
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    // ".ome.tif" is one extension: the number goes before it, so the name still says OME-TIFF.
    const std::string ome = ".ome.tif";
    const bool omeTiff =
        path.size() > ome.size() && path.compare(path.size() - ome.size(), ome.size(), ome) == 0;
    const size_t cut = omeTiff ? path.size() - ome.size() : dot;
    const std::string stem = hasExt ? path.substr(0, cut) : path;
    const std::string ext = hasExt ? path.substr(cut) : "";
    for (int i = 2; i < 10000; ++i) {
        const std::string candidate = stem + "(" + std::to_string(i) + ")" + ext;
        if (!PathExists(candidate))
            return candidate;
    }
    return std::string();
}

}  // namespace tesmira
