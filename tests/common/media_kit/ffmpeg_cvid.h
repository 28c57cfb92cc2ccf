// FFmpeg's side of the Cinepak ('cvid') format, to check and compare our own encoder against:
// FFmpeg's decoder (the one players and avdec_cinepak use), FFmpeg's encoder, and writing frames
// to an AVI file. Frames are packed BGR24, rows top-down.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tesmira {

class FfmpegCvidDecoder {
public:
    FfmpegCvidDecoder(int width, int height);
    ~FfmpegCvidDecoder();
    bool Ok() const { return ok_; }
    // Decodes one frame into `bgr` (width * 3 bytes a row). False on a decoding error.
    bool Decode(std::span<const uint8_t> frame, std::vector<uint8_t>* bgr, std::string* error);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool ok_ = false;
};

class FfmpegCvidEncoder {
public:
    // Default settings apart from the key-frame interval (0 = FFmpeg's default).
    FfmpegCvidEncoder(int width, int height, int keyFrameInterval = 0);
    ~FfmpegCvidEncoder();
    bool Ok() const { return ok_; }
    std::span<const uint8_t> Encode(const uint8_t* bgr, int stride, bool* isKey);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool ok_ = false;
};

// Peak signal-to-noise ratio in dB over all three colour channels; 99 for identical pictures.
double PsnrBgr(const uint8_t* a, int strideA, const uint8_t* b, int strideB, int width, int height);

struct CvidPacket {
    std::vector<uint8_t> data;
    bool key = false;
};

// Writes the packets as the video stream of a new AVI file (codec tag 'cvid').
bool WriteCvidAvi(const std::string& path, int width, int height, int fps,
                  const std::vector<CvidPacket>& packets, std::string* error);

}  // namespace tesmira
