// Names of recording and log files: "<date prefix>%03d.avi" in the video folder (or the work
// folder while recording), the final "_Rec_at_%.2ffps.avi" name and the log names.
#pragma once

#include <string>

namespace tesmira {

struct Settings;

// The paths of the next recording and of the last log (one set per workstation).
struct RecordingPaths {
    std::string recDestPath;  // next recording in the video folder
    std::string recWorkPath;  // the same in the work folder, empty without one
    std::string logPath;      // log of the recording just stopped
};

// Sets recDestPath/recWorkPath for number n from "DirVideo", "UseTempDrive", "TempDrive" and the
// date prefix; returns the path the writer records to (the work path when there is one).
// printf-style number into a name piece ("%03d.avi", 7 -> "007.avi").
std::string Numbered(const char* format, int n);
// Recordings go to the work folder first only when it is switched on and named.
bool UsesWorkFolder(const Settings& s);

std::string MakeNextRecordingPath(RecordingPaths& paths, const Settings& s, int n);

// Sets logPath: "%03d.txt" (type 1), "%03d.csv" (type 2), else "%03d.dat" in "DirLog".
std::string MakeLogPath(RecordingPaths& paths, const Settings& s, int n, int logType);

// The first number from n on whose recording, final recording, work file or log does not exist
// yet, so that a counter restored from older settings never lands on somebody's file.
int FirstFreeRecordingNumber(const Settings& s, int n);

// ".avi" at the end replaced by "_Rec_at_%.2ffps.avi"; other names are returned unchanged.
std::string FinalRecordingName(const std::string& path, double streamRate);

// A name beside `path` that does not exist yet: path itself, else "<stem>(2).avi", "(3)" ...
std::string UnusedVariantOf(const std::string& path);

// "dir" with a trailing "/" (unchanged when empty or already there).
std::string WithTrailingSlash(const std::string& dir);

}  // namespace tesmira
