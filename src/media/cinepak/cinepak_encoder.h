// A real-time Cinepak ('cvid') encoder: per-strip V1 and V4 codebooks trained by a few k-means
// passes seeded from the previous frame, a rate-weighted choice per 4x4 block between skipping it
// (inter frames), one upscaled vector (V1) and four vectors (V4), and full codebooks whenever a
// strip's codebook is used. Plain C++, no Qt or GStreamer.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace tesmira::cinepak {
struct Strip;
}

namespace tesmira {

class CinepakEncoder {
public:
    struct Options {
        int width = 0;   // multiple of 4
        int height = 0;  // multiple of 4
        // A key frame every this many frames; 1 (or less) makes every frame a key frame. Same
        // range as the compressor's settings page.
        int keyFrameInterval = 15;
        // 1..100 as on the settings page: higher spends more bytes for less error.
        int quality = 75;
        // Horizontal strips with their own codebooks (1..32, at most one per four rows). More
        // strips fit local colours better at 3 KB of codebook each per frame at most.
        int strips = 2;
        // Encode half of the strips on a second thread.
        bool twoThreads = false;
    };

    explicit CinepakEncoder(const Options& options);
    ~CinepakEncoder();
    CinepakEncoder(const CinepakEncoder&) = delete;
    CinepakEncoder& operator=(const CinepakEncoder&) = delete;

    // Sizes the stream can carry here; others are refused.
    static bool Supports(int width, int height);
    bool Ok() const { return ok_; }
    const Options& options() const { return options_; }

    // Encodes one frame of packed BGR24, rows top-down `stride` bytes apart. Returns the frame's
    // bytes, valid until the next call (the buffer is reused; nothing is allocated after the first
    // frame). Empty when the encoder was given unsupported options.
    std::span<const uint8_t> Encode(const uint8_t* bgr, int stride, bool forceKey, bool* isKey);

    int64_t FramesEncoded() const { return frames_; }

private:
    void EncodeStrips(int first, int last, const uint8_t* bgr, int stride, bool key);
    void WorkerLoop();

    Options options_;
    bool ok_ = false;
    int64_t frames_ = 0;
    int sinceKey_ = 0;
    std::vector<std::unique_ptr<cinepak::Strip>> strips_;
    std::vector<uint8_t> out_;

    // Second thread: encodes strips [split_, end) of the frame it is handed.
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    bool jobPending_ = false;
    bool stop_ = false;
    const uint8_t* jobBgr_ = nullptr;
    int jobStride_ = 0;
    bool jobKey_ = false;
    int split_ = 0;
};

}  // namespace tesmira
