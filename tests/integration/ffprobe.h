// What the ffprobe command line reads from a recording's first video stream.
#pragma once

#include <string>

namespace tesmira::test {

struct ProbedVideo {
    bool ok = false;
    std::string error;       // why the probe failed (ffprobe's own words when it ran)
    std::string codecName;   // "rawvideo", "mjpeg", "cinepak", "msvideo1" ...
    std::string rFrameRate;  // "30/1", "60000/1001" ...
    std::string avgFrameRate;
    long long nbFrames = -1;  // the frame count of the stream header, -1 when absent
    int width = 0, height = 0;
    int streams = 0;  // all streams of the file
};

// True when an ffprobe program can be started.
bool FfprobeAvailable();
ProbedVideo ProbeVideo(const std::string& path);
// Decodes every frame of the first video stream (-count_frames): the count, -1 when ffprobe failed;
// `complaints` gets what the decoder said about damaged frames.
long long CountDecodedFrames(const std::string& path, std::string* complaints);
// "60000/1001" -> 59.94...; 0 for anything unreadable.
double RateOf(const std::string& fraction);

}  // namespace tesmira::test
