// The rows of a movie's log, kept on disk as they are collected: a recording cut short (killed,
// crashed, the power gone) still gets the log of what was known when the next start repairs it.
// A hidden file beside the recording, one line per row, removed once the recording has stopped
// and its log is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recording/recording_log.h"

namespace tesmira {

// Where the log was to go, as known when the recording started.
struct LogSpoolHeader {
    std::string logPath;
    int logType = 0;
};

// "<folder>/.<name>.rows" beside the recording.
std::string LogSpoolPathOf(const std::string& recordingPath);

class LogRowSpool {
public:
    LogRowSpool() = default;
    LogRowSpool(const LogRowSpool&) = delete;
    LogRowSpool& operator=(const LogRowSpool&) = delete;
    ~LogRowSpool();  // closes; the file stays for the repair

    // Starts a spool at `path`, replacing one left there. False when it cannot be written: the
    // recording goes on, only without this protection of its log.
    bool Open(const std::string& path, const LogSpoolHeader& header);
    bool IsOpen() const { return fd_ >= 0; }
    // One row, written at once (what was written survives the program being killed).
    void Append(int32_t n, int32_t dropped, double x, double y, double z, int32_t ready);
    // The recording stopped normally: the spool is closed and deleted.
    void Remove();

private:
    int fd_ = -1;
    std::string path_;
};

struct SpooledLog {
    LogSpoolHeader header;
    RecordingLogLists rows;
};

// A spool's text; a last line cut off in the middle is left out. False, with the reason, when the
// text is not a spool.
bool ParseLogSpool(std::string_view text, SpooledLog* out, std::string* why);

// The line that ends the log of a recording cut short, in the form of its type ("" for a type
// that writes nothing).
std::string CutShortMark(int logType);

}  // namespace tesmira
