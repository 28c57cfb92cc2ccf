// Hand-over of live frames from the streaming thread to the video pane: the newest frame waits
// in a slot guarded by a mutex; the pane is told at most once per taken frame, so a slow UI never
// piles up paint requests.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "core/ui_poster.h"

namespace tesmira {

// One BGRx 32-bit frame (the window's RGB32 layout), rows top-down. `hold` keeps the memory alive
// (the pipeline's buffer).
struct VideoFrame {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    const uint8_t* data = nullptr;
    std::shared_ptr<void> hold;
};

class FrameSlot {
public:
    using Notify = std::function<void()>;

    // Called from the streaming thread. `notify` runs when the previous frame has been taken
    // (or none was waiting), so the receiver is woken once per frame it can take.
    void Put(std::shared_ptr<const VideoFrame> frame);
    // The newest frame (kept: painting may need it again); clears the pending flag.
    std::shared_ptr<const VideoFrame> Take();
    std::shared_ptr<const VideoFrame> Peek() const;
    void Clear();

    void SetNotify(Notify notify);
    uint64_t FramesPut() const { return put_.load(); }
    // A frame waits that the receiver has not taken yet: the next one would only replace it
    // unseen, so the sender may spare itself the work of making it.
    bool Waiting() const { return pending_.load(); }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const VideoFrame> latest_;
    Notify notify_;
    std::atomic<bool> pending_{false};
    std::atomic<uint64_t> put_{0};
};

}  // namespace tesmira
