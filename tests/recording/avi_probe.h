// Reads an AVI back through libavformat/libavcodec the way a player would, for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tesmira::test {

struct ProbedAvi {
    bool opened = false;
    std::string videoCodec;   // libavcodec name of the first stream
    std::string secondCodec;  // of the second stream, empty when there is none
    int streams = 0;
    int width = 0, height = 0;
    double frameRate = 0.0;    // the first stream's header rate
    int64_t headerFrames = 0;  // nb_frames of the first stream
    int decodedFrames = 0;     // frames a decoder produced
    int audioSampleRate = 0;
    int64_t audioBytes = 0;              // PCM bytes read from the second stream
    std::vector<uint8_t> firstFrameBgr;  // first decoded frame as top-down BGR 24
};

ProbedAvi ProbeAvi(const std::string& path);

std::vector<uint8_t> ReadFileBytes(const std::string& path);

// A fresh empty folder under /tmp (or below `base`), removed by the caller with RemoveTree.
std::string MakeTempDir(const std::string& base = "/tmp");
void RemoveTree(const std::string& path);

// True when the ffmpeg command-line program can be run.
bool HaveFfmpegProgram();

}  // namespace tesmira::test
