// Names of time-lapse series: "<date prefix>%03d_TL.avi", "%03d_BMP/", "%03d_JPG/" or
// "%03d_OME.ome.tif" in the video folder (or the work folder while the series runs), the final
// "_at_%dm_%ds" names, and the exact replay rates the series' AVI files are written at.
#pragma once

#include <string>

namespace tesmira {

struct Settings;

enum class TimelapseType { kAvi = 0, kBmp = 1, kJpg = 2, kOmeTiff = 3 };

// BMP and JPG series are folders of pictures; AVI and OME-TIFF series are one file.
inline bool IsFolderSeries(TimelapseType type) {
    return type == TimelapseType::kBmp || type == TimelapseType::kJpg;
}

// "TimelapseType" as stored; anything unknown counts as BMP, the default.
TimelapseType TimelapseTypeOf(int stored);

// Where the running series lives: destPath in the video folder, workPath in the work folder
// (empty without one). Folder paths always end with "/".
struct TimelapseTarget {
    std::string destPath;
    std::string workPath;
    // Where the frames go while the series runs: the work path when there is one.
    const std::string& ActivePath() const { return workPath.empty() ? destPath : workPath; }
};

struct TimelapseTargetResult {
    bool ok = false;
    TimelapseTarget target;
    std::string error;  // the user's message when the folder could not be made
};

// "%03d_TL.avi", "%03d_BMP", "%03d_JPG" or "%03d_OME.ome.tif" with n.
std::string TimelapseName(TimelapseType type, int n);

// The first number from n on that no series, running or finished, uses yet in the video folder
// or the work folder: no name there starts with the number followed by "_TL", "_BMP", "_JPG" or
// "_at_". So a new series never writes into an older one.
int FirstFreeTimelapseNumber(const Settings& s, int n);

// Names the series n and, for BMP and JPG, creates its folder (never an existing one). The work
// folder is used only when "UseTempDrive" is 1 and "TempDrive" is set.
TimelapseTargetResult MakeTimelapseTarget(const Settings& s, int n, TimelapseType type);

// The name a finished series ends as: "…_TL.avi" becomes "…_TL_at_%dm_%ds.avi" and a folder
// "…_BMP/" becomes "…_BMP_at_%dm_%ds/" and "…_OME.ome.tif" "…_OME_at_%dm_%ds.ome.tif", with the
// minutes and seconds of the frame interval.
std::string FinalTimelapseName(const std::string& path, int intervalMs);

// A path beside `path` (file or folder, folders with their "/") that does not exist yet.
std::string UnusedTimelapseVariant(const std::string& path);

// The replay rate of "FPS_AviReplay" as an exact fraction (29.97 is 30000/1001).
struct RateFraction {
    int num = 30000;
    int den = 1001;
};
RateFraction ReplayRateFraction(int index);

}  // namespace tesmira
