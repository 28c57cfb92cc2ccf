// The time-lapse AVI: frames handed over on the UI thread are compressed and written by a worker
// thread, so a slow compressor (Cinepak takes about 200 ms a frame) never holds up the panel.
// The queue between them is bounded; when it is full, Append waits for room rather than lose a
// frame.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/avi_writer.h"

namespace tesmira {

class CDib;

class TimelapseAviWriter {
public:
    static constexpr size_t kQueueFrames = 8;

    explicit TimelapseAviWriter(std::unique_ptr<IAviWriter> writer);
    ~TimelapseAviWriter();  // closes the file when Close was not called
    TimelapseAviWriter(const TimelapseAviWriter&) = delete;
    TimelapseAviWriter& operator=(const TimelapseAviWriter&) = delete;

    // Creates the file (never replacing one) for frames of width × height × bitCount (24 or 32)
    // at the exact rate fpsNum / fpsDen, and starts the worker.
    bool Open(const std::string& path, int width, int height, int bitCount, int fpsNum, int fpsDen,
              const CodecSettings& codec, std::string* error);
    // Queues a copy of the picture. False once the writer has failed (Error() says why) or when
    // the picture's size or depth does not match the file's.
    bool Append(const CDib& picture);
    // Writes what is queued, finalises the file and stops the worker. Safe to call twice.
    bool Close(std::string* error);

    std::string Error() const;
    int64_t FramesWritten() const;
    const std::string& Path() const { return path_; }

private:
    void Work();

    std::unique_ptr<IAviWriter> writer_;
    std::string path_;
    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 24;
    size_t rowBytes_ = 0;
    int64_t fpsNum_ = 30000;  // the exact rate, so frame times never round off
    int64_t fpsDen_ = 1001;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<uint8_t>> queue_;
    std::vector<std::vector<uint8_t>>
        spare_;  // buffers kept for reuse, so a long run allocates once
    bool closing_ = false;
    bool busy_ = false;  // the worker is writing a frame taken off the queue
    std::string error_;
    int64_t written_ = 0;
    std::thread worker_;
};

}  // namespace tesmira
