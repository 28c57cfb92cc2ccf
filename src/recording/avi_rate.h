// The frame rate stored in an AVI file's headers, read and rewritten in place without touching
// the frame data. The file must start the way our writer (and most AVI writers) lay it out: RIFF
// "AVI ", LIST "hdrl", the "avih" main header at 24, and the first stream list "strl" with its
// video "strh" at 88/100.
#pragma once

#include <cstdint>
#include <string>

namespace tesmira {

struct AviRateInfo {
    double headerRate = 0.0;  // 1,000,000 / microseconds per frame
    double streamRate = 0.0;  // rate / scale of the video stream header
    uint32_t frameCount = 0;  // total frames of the main header
    uint32_t streams = 0;
};

// Reads the headers. False (with a reason) for a file that cannot be opened or is not laid out
// as expected, including a zero frame time or zero scale.
bool InspectAviRate(const std::string& path, AviRateInfo* info, std::string* error = nullptr);

enum class AviRewriteResult { Rewritten, Unchanged, NotAvi, OpenFailed, WriteFailed, BadRate };

// Stores rate R: microseconds per frame = 1e6 / R, video rate/scale = 1e7 / (1e7 / R), and an
// audio stream that follows scaled by R / old video rate. A file already holding exactly these
// values is left alone, so rewriting twice gives the same bytes.
AviRewriteResult RewriteAviRate(const std::string& path, double newRate,
                                std::string* error = nullptr);

// After a recording: reads the rates found (for the status display) and, when resetFps is on,
// rewrites the file with replayRate.
AviRewriteResult RewriteAviRateAfterRecording(const std::string& path, bool resetFps,
                                              double replayRate, double* headerRate,
                                              double* streamRate, std::string* error = nullptr);

// The four replay rates of the panel's combo box and of the dialog's radios 0..3.
double ReplayRateOfIndex(int index);

}  // namespace tesmira
