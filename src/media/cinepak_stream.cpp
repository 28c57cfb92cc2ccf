#include "media/cinepak_stream.h"
#include "media/av_pixel_format.h"

#include <algorithm>

extern "C" {
#include <libswscale/swscale.h>
}

namespace tesmira {
namespace {

// Two strips on two threads keep 1080p at 30 fps within one frame time on this class of machine;
// the pictures of a microscope change little from strip to strip, so more strips buy nothing.
constexpr int kStrips = 2;

}  // namespace

std::unique_ptr<CinepakStream> CinepakStream::Make(const VideoFormat& video,
                                                   const CodecSettings& codec) {
    if (!CinepakEncoder::Supports(video.width, video.height))
        return nullptr;
    CinepakEncoder::Options options;
    options.width = video.width;
    options.height = video.height;
    options.keyFrameInterval = std::max(1, codec.keyFrameInterval);
    options.quality = std::clamp(codec.vfwQuality, 1, 100);
    options.strips = kStrips;
    options.twoThreads = true;
    std::unique_ptr<CinepakStream> stream(new CinepakStream(video, options));
    if (!stream->encoder_.Ok())
        return nullptr;
    if (video.layout != PixelLayout::Bgr24) {
        stream->toBgr_ =
            sws_getContext(video.width, video.height, AvPixelFormatOf(video.layout), video.width,
                           video.height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
        if (!stream->toBgr_)
            return nullptr;
        stream->bgr_.resize(size_t(video.width) * 3 * size_t(video.height));
    }
    return stream;
}

CinepakStream::CinepakStream(const VideoFormat& video, const CinepakEncoder::Options& options)
    : video_(video), encoder_(options) {}

CinepakStream::~CinepakStream() {
    if (toBgr_)
        sws_freeContext(toBgr_);
}

std::span<const uint8_t> CinepakStream::Encode(const uint8_t* data, size_t stride, bool* isKey) {
    if (!toBgr_)
        return encoder_.Encode(data, int(stride), false, isKey);
    const uint8_t* src[4] = {data, nullptr, nullptr, nullptr};
    const int srcStride[4] = {int(stride), 0, 0, 0};
    uint8_t* dst[4] = {bgr_.data(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {video_.width * 3, 0, 0, 0};
    sws_scale(toBgr_, src, srcStride, 0, video_.height, dst, dstStride);
    return encoder_.Encode(bgr_.data(), video_.width * 3, false, isKey);
}

}  // namespace tesmira
