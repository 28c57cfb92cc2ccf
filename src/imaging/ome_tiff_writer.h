// The time-lapse OME-TIFF: one BigTIFF, a page a frame, written by a worker thread with libtiff.
// After every page the first page's OME-XML is rewritten in place, so the file on disk is a
// whole series of the frames stored so far at any moment. The queue to the worker is short and
// Append never waits: a frame that finds it full is dropped and counted.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/ome_tiff_file.h"
#include "imaging/ome_xml.h"

namespace tesmira {

class CDib;

// "OmeTiffCompression": 0 none, 1 Deflate, 2 LZW (lossless all).
enum class OmeCompression { kNone = 0, kDeflate = 1, kLzw = 2 };
OmeCompression OmeCompressionOf(int stored);

struct OmeTiffOptions {
    OmeSeriesInfo info;  // width, height and samples are taken from the first picture's kind
    OmeCompression compression = OmeCompression::kNone;
    int64_t expectedFrames = 1;  // sizes the first XML slot; more frames only cost a move of it
};

enum class OmeAppend { kQueued, kDropped, kFailed };

class OmeTiffWriter {
public:
    static constexpr size_t kQueueFrames = 4;

    OmeTiffWriter() = default;
    ~OmeTiffWriter();  // closes the file when Close was not called
    OmeTiffWriter(const OmeTiffWriter&) = delete;
    OmeTiffWriter& operator=(const OmeTiffWriter&) = delete;

    // Creates the file (never replacing one) for pictures of width × height × bitCount (8 grey,
    // 24 or 32 colour) and starts the worker.
    bool Open(const std::string& path, int width, int height, int bitCount,
              const OmeTiffOptions& options, std::string* error);
    // Copies the picture and its plane data to the queue, without waiting.
    OmeAppend Append(const CDib& picture, const OmePlane& plane);
    // Writes what is queued and closes the file. Safe to call twice.
    bool Close(std::string* error);

    std::string Error() const;
    int64_t FramesWritten() const;
    int64_t FramesDropped() const;
    const std::string& Path() const { return path_; }

private:
    struct Frame {
        std::vector<uint8_t> rows;  // top-down, as the bitmap's bytes
        OmePlane plane;
    };
    void Work();
    bool WritePage(Frame& frame, std::string* error);

    std::string path_;
    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 24;
    size_t rowBytes_ = 0;
    OmeTiffOptions options_;
    void* tiff_ = nullptr;  // the libtiff handle, used by the worker only
    int fd_ = -1;
    OmeDescriptionSlot slot_;  // the first page's XML, found once that page is written
    std::string tiffMessage_;  // libtiff's last error, written on the worker (or before it runs)
    std::vector<uint8_t> packed_;  // one page as libtiff takes it
    OmeXmlBuilder xml_{OmeSeriesInfo{}};

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Frame> queue_;
    std::vector<std::vector<uint8_t>> spare_;  // buffers kept for reuse
    bool closing_ = false;
    std::string error_;
    int64_t written_ = 0;
    int64_t dropped_ = 0;
    std::thread worker_;
};

}  // namespace tesmira
