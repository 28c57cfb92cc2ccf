#include "recording/timelapse_avi_writer.h"

#include <cstring>

#include "imaging/dib.h"

namespace tesmira {

TimelapseAviWriter::TimelapseAviWriter(std::unique_ptr<IAviWriter> writer)
    : writer_(std::move(writer)) {}

TimelapseAviWriter::~TimelapseAviWriter() {
    std::string ignored;
    Close(&ignored);
}

bool TimelapseAviWriter::Open(const std::string& path, int width, int height, int bitCount,
                              int fpsNum, int fpsDen, const CodecSettings& codec,
                              std::string* error) {
    if (!writer_ || width <= 0 || height <= 0 || (bitCount != 24 && bitCount != 32) ||
        fpsNum <= 0 || fpsDen <= 0) {
        if (error)
            *error = path + ": no picture to write";
        return false;
    }
    path_ = path;
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    rowBytes_ = size_t(width) * size_t(bitCount / 8);
    fpsNum_ = fpsNum;
    fpsDen_ = fpsDen;
    VideoFormat format{width, height, bitCount == 32 ? PixelLayout::Bgrx32 : PixelLayout::Bgr24,
                       fpsNum, fpsDen};
    // A rate of 0 makes the writer take fpsNum / fpsDen as it is, without rounding it.
    if (!writer_->Open(path, format, std::nullopt, codec, 0.0, error))
        return false;
    worker_ = std::thread([this] { Work(); });
    return true;
}

bool TimelapseAviWriter::Append(const CDib& picture) {
    if (picture.Width() != width_ || picture.Height() != height_ ||
        picture.BitCount() != bitCount_) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (error_.empty())
            error_ = path_ + ": the picture size changed during the series";
        return false;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] {
        return queue_.size() < kQueueFrames || !error_.empty() || !worker_.joinable();
    });
    if (!error_.empty() || !worker_.joinable() || closing_)
        return false;
    std::vector<uint8_t> frame;
    if (!spare_.empty()) {
        frame = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    // Rows top-down, as the writer takes them; the bitmap stores them bottom-up.
    frame.resize(rowBytes_ * size_t(height_));
    for (int y = 0; y < height_; ++y)
        std::memcpy(frame.data() + size_t(y) * rowBytes_, picture.PictureRow(y), rowBytes_);
    lock.lock();
    queue_.push_back(std::move(frame));
    changed_.notify_all();
    return true;
}

void TimelapseAviWriter::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
        if (queue_.empty())
            return;  // closing and nothing left
        std::vector<uint8_t> frame = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        const int64_t index = written_;
        const bool failedBefore = !error_.empty();
        lock.unlock();
        const bool ok = failedBefore || writer_->WriteVideo(frame.data(), rowBytes_,
                                                            index * 1000000000 * fpsDen_ / fpsNum_);
        lock.lock();
        busy_ = false;
        if (!failedBefore) {
            if (ok)
                ++written_;
            else if (error_.empty())
                error_ = path_ + ": the frame could not be written (disk full or folder gone)";
        }
        spare_.push_back(std::move(frame));
        changed_.notify_all();
    }
}

bool TimelapseAviWriter::Close(std::string* error) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        changed_.notify_all();
    }
    if (worker_.joinable())
        worker_.join();
    bool ok = true;
    if (writer_ && writer_->IsOpen()) {
        std::string closeError;
        ok = writer_->Close(&closeError);
        if (!ok) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (error_.empty())
                error_ = path_ + ": " + closeError;
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!error_.empty()) {
        if (error)
            *error = error_;
        return false;
    }
    return ok;
}

std::string TimelapseAviWriter::Error() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

int64_t TimelapseAviWriter::FramesWritten() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

}  // namespace tesmira
