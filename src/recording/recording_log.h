// The per-recording log: rows collected by the recording tick and written in one go at stop as a
// keyed block file (.dat), a tab table (.txt) or a comma table (.csv), with CR LF line ends.
//
// The lists are emptied by a successful write and, in addition, at the start of every movie
// recording (RecStart), so the N, Dropped, X, Y and Ready lists of one file always come from one
// recording and have equal lengths even after a run with "SaveLog" off, a failed write or a
// time-lapse run that appended stage entries only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tesmira {

class INotifier;

struct RecordingLogLists {
    std::vector<int32_t> logN;
    std::vector<int32_t> logDropped;
    std::vector<double> logX, logY, logZ;  // Z is collected but never written
    std::vector<int32_t> logReady;

    void AppendRow(int32_t n, int32_t dropped, double x, double y, double z, int32_t ready);
    // A time-lapse frame: stage entries only, no N and Dropped.
    void AppendFrame(double x, double y, double z, int32_t ready);
    void Clear();
};

// The file contents for a log type (0 block, 1 tab, 2 comma, other: empty), CR LF line ends.
std::string FormatRecordingLog(const RecordingLogLists& lists, int logType, double actualFps,
                               double replayFps);

enum class LogWriteResult { NothingToWrite, Written, OpenFailed, WriteFailed };

// Writes the log to path (never replacing an existing file). Empty logN: nothing happens. On
// success the lists are emptied; on failure a message names the file and the lists are kept.
// `waitCursor` (may be empty) shows the wait cursor while the file is written.
LogWriteResult WriteRecordingLog(const std::string& path, RecordingLogLists& lists, int logType,
                                 double actualFps, double replayFps, INotifier& notifier,
                                 const std::function<void(bool busy)>& waitCursor = {});

}  // namespace tesmira
