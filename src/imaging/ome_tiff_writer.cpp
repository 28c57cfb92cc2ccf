#include "imaging/ome_tiff_writer.h"

#include <fcntl.h>
#include <tiffio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "imaging/dib.h"
#include "imaging/ome_tiff_file.h"

namespace tesmira {
namespace {

// libtiff's messages go to the writer's error text, never to the terminal.
int KeepTiffMessage(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* text = static_cast<std::string*>(user);
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    if (text && text->empty())
        *text = std::string(module ? module : "libtiff") + ": " + buffer;
    return 1;
}

int IgnoreTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// The bytes of the first XML, sized for the frames the series expects so that it is rewritten
// in place for all of them.
uint64_t FirstSlotBytes(const std::string& firstXml, int64_t expectedFrames) {
    constexpr uint64_t kPerFrame = 900;  // one plane and its annotation, with room to spare
    constexpr uint64_t kMaxSlot = 16u << 20;
    const uint64_t frames = expectedFrames > 1 ? uint64_t(expectedFrames) : 1;
    uint64_t bytes = firstXml.size() + 1 + (frames - 1) * kPerFrame;
    if (bytes > kMaxSlot)
        bytes = kMaxSlot;
    return std::max<uint64_t>(bytes, std::max<uint64_t>(4096, firstXml.size() + 1));
}

}  // namespace

OmeCompression OmeCompressionOf(int stored) {
    switch (stored) {
        case 1:
            return OmeCompression::kDeflate;
        case 2:
            return OmeCompression::kLzw;
        default:
            return OmeCompression::kNone;
    }
}

OmeTiffWriter::~OmeTiffWriter() {
    std::string ignored;
    Close(&ignored);
}

bool OmeTiffWriter::Open(const std::string& path, int width, int height, int bitCount,
                         const OmeTiffOptions& options, std::string* error) {
    path_ = path;
    if (width <= 0 || height <= 0 || (bitCount != 8 && bitCount != 24 && bitCount != 32)) {
        *error = path + ": no picture to write";
        return false;
    }
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    rowBytes_ = size_t(width) * size_t(bitCount / 8);
    options_ = options;
    options_.info.width = width;
    options_.info.height = height;
    options_.info.samples = bitCount == 8 ? 1 : 3;
    xml_ = OmeXmlBuilder(options_.info);
    // O_EXCL: a series never replaces a file that is already there.
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(opts, KeepTiffMessage, &tiffMessage_);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, IgnoreTiffWarning, nullptr);
    tiffMessage_.clear();
    TIFF* tif = TIFFFdOpenExt(fd_, path.c_str(), "w8", opts);
    TIFFOpenOptionsFree(opts);
    if (!tif) {
        *error = path + ": " + (tiffMessage_.empty() ? "cannot start the TIFF" : tiffMessage_);
        close(fd_);
        fd_ = -1;
        unlink(path.c_str());
        return false;
    }
    tiff_ = tif;
    worker_ = std::thread([this] { Work(); });
    return true;
}

OmeAppend OmeTiffWriter::Append(const CDib& picture, const OmePlane& plane) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!worker_.joinable() || closing_ || !error_.empty())
        return OmeAppend::kFailed;
    if (picture.Width() != width_ || picture.Height() != height_ ||
        picture.BitCount() != bitCount_) {
        error_ = path_ + ": the picture size changed during the series";
        changed_.notify_all();
        return OmeAppend::kFailed;
    }
    if (queue_.size() >= kQueueFrames) {
        ++dropped_;
        return OmeAppend::kDropped;
    }
    Frame frame;
    if (!spare_.empty()) {
        frame.rows = std::move(spare_.back());
        spare_.pop_back();
    }
    lock.unlock();
    frame.rows.resize(rowBytes_ * size_t(height_));
    for (int y = 0; y < height_; ++y)
        std::memcpy(frame.rows.data() + size_t(y) * rowBytes_, picture.PictureRow(y), rowBytes_);
    frame.plane = plane;
    lock.lock();
    queue_.push_back(std::move(frame));
    changed_.notify_all();
    return OmeAppend::kQueued;
}

void OmeTiffWriter::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || closing_ || !error_.empty(); });
        if (queue_.empty() || !error_.empty())
            return;
        Frame frame = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        std::string error;
        const bool ok = WritePage(frame, &error);
        lock.lock();
        if (ok)
            ++written_;
        else if (error_.empty())
            error_ = path_ + ": " + error;
        spare_.push_back(std::move(frame.rows));
        changed_.notify_all();
    }
}

bool OmeTiffWriter::WritePage(Frame& frame, std::string* error) {
    TIFF* tif = static_cast<TIFF*>(tiff_);
    const int samples = bitCount_ == 8 ? 1 : 3;
    const size_t packedRow = size_t(width_) * size_t(samples);
    packed_.resize(packedRow * size_t(height_));
    // The bitmap holds blue, green, red (and a fourth byte at 32 bits); TIFF wants red first.
    const int step = bitCount_ / 8;
    for (int y = 0; y < height_; ++y) {
        const uint8_t* src = frame.rows.data() + size_t(y) * rowBytes_;
        uint8_t* dst = packed_.data() + size_t(y) * packedRow;
        if (samples == 1) {
            std::memcpy(dst, src, packedRow);
            continue;
        }
        for (int x = 0; x < width_; ++x, src += step, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    const bool first = xml_.Planes() == 0;
    xml_.Add(frame.plane);
    tiffMessage_.clear();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width_));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height_));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    switch (options_.compression) {
        case OmeCompression::kDeflate:
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
            TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
            break;
        case OmeCompression::kLzw:
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
            TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
            break;
        case OmeCompression::kNone:
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
            break;
    }
    const uint32_t rowsPerStrip = uint32_t(std::max<size_t>(1, (256u << 10) / packedRow));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    std::string firstXml;
    if (first) {
        TIFFSetField(tif, TIFFTAG_SOFTWARE, "Tesmira");
        // The first page's description has room for the XML of the whole series, so that every
        // later rewrite goes in place.
        const std::string xml = xml_.Text();
        OmeDescriptionSlot planned;
        planned.capacity = FirstSlotBytes(xml, options_.expectedFrames);
        firstXml = xml;
        firstXml.insert(firstXml.size() - 6, size_t(planned.capacity - xml.size() - 1), ' ');
        TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, firstXml.c_str());
    }
    const uint32_t strips = (uint32_t(height_) + rowsPerStrip - 1) / rowsPerStrip;
    for (uint32_t s = 0; s < strips; ++s) {
        const uint32_t rows =
            std::min<uint32_t>(rowsPerStrip, uint32_t(height_) - s * rowsPerStrip);
        if (TIFFWriteEncodedStrip(tif, s, packed_.data() + size_t(s) * rowsPerStrip * packedRow,
                                  tmsize_t(rows * packedRow)) < 0) {
            *error = tiffMessage_.empty() ? "the frame could not be written" : tiffMessage_;
            return false;
        }
    }
    if (!TIFFWriteDirectory(tif)) {
        *error = tiffMessage_.empty() ? "the page could not be written" : tiffMessage_;
        return false;
    }
    if (first) {
        const off_t size = lseek(fd_, 0, SEEK_END);
        const OmeTiffScan scan = ScanOmeTiff(fd_, size < 0 ? 0 : uint64_t(size));
        slot_ = scan.description;
        if (scan.pages != 1 || slot_.capacity != firstXml.size() + 1) {
            *error = "the first page reads back wrong";
            return false;
        }
        return true;
    }
    return WriteOmeDescription(fd_, &slot_, xml_.Text(), error);
}

bool OmeTiffWriter::Close(std::string* error) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        changed_.notify_all();
    }
    if (worker_.joinable())
        worker_.join();
    bool ok = true;
    if (tiff_) {
        fdatasync(fd_);
        TIFFClose(static_cast<TIFF*>(tiff_));  // closes fd_
        tiff_ = nullptr;
        fd_ = -1;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!error_.empty()) {
        if (error)
            *error = error_;
        ok = false;
    }
    return ok;
}

std::string OmeTiffWriter::Error() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

int64_t OmeTiffWriter::FramesWritten() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return written_;
}

int64_t OmeTiffWriter::FramesDropped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

}  // namespace tesmira
