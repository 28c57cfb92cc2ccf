#include "media/frame_slot.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tesmira {

void FrameSlot::Put(std::shared_ptr<const VideoFrame> frame) {
    Notify notify;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        latest_ = std::move(frame);
        ++put_;
        if (!pending_.exchange(true))
            notify = notify_;
    }
    if (notify)
        notify();
}

std::shared_ptr<const VideoFrame> FrameSlot::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = false;
    return latest_;
}

std::shared_ptr<const VideoFrame> FrameSlot::Peek() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return latest_;
}

void FrameSlot::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    latest_.reset();
    pending_ = false;
}

void FrameSlot::SetNotify(Notify notify) {
    std::lock_guard<std::mutex> lock(mutex_);
    notify_ = std::move(notify);
    pending_ = false;
}

}  // namespace tesmira
