// The frames sidecar of a movie or a time-lapse series, "<log name>.frames.csv": one row a frame
// with its wall-clock time, the milliseconds since the start, the stage, the room climate and the
// dropped frames so far, for analysis beside the designed log (which keeps its own format).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tesmira {

struct FrameRow {
    int64_t index = 0;
    int64_t unixMs = 0;  // wall clock, ms since 1970 UTC
    int64_t sinceStartMs = 0;
    double x = 0.0, y = 0.0, z = 0.0;
    int32_t ready = 0;
    std::string temperature;  // the meter's texts as shown ("T = 21.5 °C"); the number is kept
    std::string humidity;
    int64_t dropped = 0;
};

// The file: a header line and one line a row, comma separated, LF line ends. Time in ISO 8601 UTC
// with milliseconds; temperature and humidity as their numbers (empty without a meter).
std::string FormatFramesCsv(const std::vector<FrameRow>& rows);

// "<folder>/<name>.dat" → "<folder>/<name>.frames.csv" (any extension of the log's name).
std::string FramesCsvPathOf(const std::string& logPath);

// The first decimal number in a text ("T = -1.5 °C" → "-1.5"); empty when there is none.
std::string NumberIn(const std::string& text);

// Writes the rows to `path` unless it exists; empty rows write nothing. Returns an empty text or
// the reason it failed, naming the file.
std::string WriteFramesCsv(const std::string& path, const std::vector<FrameRow>& rows);

}  // namespace tesmira
