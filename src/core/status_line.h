// The texts of the main window's status line, computed from a small snapshot of what the program
// is doing: the run state, the recording's clock, the stream, the last file written, where the
// stage is and where the keys go. A pure function, so every combination is checked in a table;
// the window only shows what it returns.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace tesmira {

// Where a key press goes at the moment.
enum class KeyTarget {
    kStage,     // the control panel jogs the stage and runs the panel's keys
    kEdit,      // a text field: keys edit its text
    kPicture,   // the video pane: arrows scroll the picture
    kElsewhere  // another pane, a dialog, or another program
};

struct StatusLineState {
    bool cameraReady = false;
    bool live = false;
    bool recording = false;
    bool repeating = false;     // a repeated series waits between two recordings
    int recMode = 0;            // 0 once, 1 repeat, 2 time-lapse, 3 relay shot direct
    uint32_t elapsedMs = 0;     // since the recording or series started (while recording)
    int64_t limitMs = 0;        // the recording time limit; 0: none
    int secondsToNext = -1;     // while repeating: seconds until the next recording (-1: unknown)
    int timelapseFrames = 0;    // frames stored of the running series
    int width = 0, height = 0;  // the camera's current format (0: not known)
    double fps = 0.0;           // frames per second of that format (0: not known)
    int mediaType = 0;          // the compressor choice 0..4
    std::string lastFile;       // full path of the last recording, series or photo (UTF-8)
    double x = 0.0, y = 0.0, z = 0.0;  // stage position in micrometres
    KeyTarget keys = KeyTarget::kElsewhere;
};

struct StatusTexts {
    QString mode;      // "ライブ", "録画中" ...
    QString timing;    // elapsed and remaining time; empty when nothing runs
    QString stream;    // size, rate and compressor
    QString lastFile;  // empty when nothing was written yet
    QString stage;     // X, Y and Z
    QString keys;      // where the keys go
};

StatusTexts ComposeStatusLine(const StatusLineState& state);

// The file written last among several writers (recordings, series, photos), each of which only
// remembers its own last file: whichever changed since the previous look is the newest.
class LastWrittenFile {
public:
    // `latest` holds each writer's last file, always in the same order ("" for none yet).
    const std::string& Update(const std::vector<std::string>& latest);

private:
    std::vector<std::string> seen_;
    std::string last_;
};

// "H:MM:SS" of a duration in milliseconds (whole seconds, rounded down; negative counts as 0).
QString FormatDuration(int64_t ms);

// The compressor names the folder dialog offers, by "MediaType" (an unknown one gives "?").
const char* CodecChoiceCaption(int mediaType);

}  // namespace tesmira
