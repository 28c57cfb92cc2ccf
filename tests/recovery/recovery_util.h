// Helpers of the recovery tests: recordings cut short the hard way, files read back with
// ffprobe, and a small RIFF builder for layouts our writer only makes after 1 GB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/avi_writer.h"

namespace tesmira::test {

struct KilledRecording {
    int mediaType = 0;
    bool audio = false;
    int frames = 10;
    int keyFrameInterval = 15;
    bool finish = false;  // close the file properly instead
};

// A child process opens a writer, writes the frames (and audio), then kills itself with SIGKILL
// (or, with `finish`, closes the file and exits). True when the child ended as asked.
bool RecordAndKill(const std::string& path, const KilledRecording& rec);

// Frames a decoder reads (nb_read_frames) and what the header says (nb_frames, -1 for N/A).
struct ProbeCount {
    int64_t headerFrames = -1;
    int64_t readFrames = -1;
};
ProbeCount ProbeVideoFrames(const std::string& path);
// ffprobe's packet flags of the video stream, "K" or "_" a frame.
std::string ProbeKeyFlags(const std::string& path);

std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);
int64_t MtimeNs(const std::string& path);
std::string FreshDir();

// Little-endian RIFF writing with chunks whose sizes are filled in at the end.
class RiffBuilder {
public:
    void Fcc(const char* s) { bytes.insert(bytes.end(), s, s + 4); }
    void U32(uint32_t v);
    void U16(uint16_t v);
    void Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
    size_t Begin(const char* id, const char* type = nullptr);  // returns the size field's offset
    void End(size_t sizeAt);                                   // pads to even
    void Set32(size_t at, uint32_t v);
    std::vector<uint8_t> bytes;
};

uint32_t Le32(const std::vector<uint8_t>& b, size_t at);

}  // namespace tesmira::test
