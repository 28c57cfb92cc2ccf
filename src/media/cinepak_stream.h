// The record branch's own Cinepak ('cvid') encoder, fed with whatever layout the branch carries:
// BGR 24 goes to the encoder as it is, the other layouts are turned into BGR 24 first.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "media/avi_writer.h"
#include "media/cinepak/cinepak_encoder.h"

struct SwsContext;

namespace tesmira {

class CinepakStream {
public:
    // Null when the encoder cannot take this size (width or height not a multiple of 4).
    static std::unique_ptr<CinepakStream> Make(const VideoFormat& video,
                                               const CodecSettings& codec);
    ~CinepakStream();
    CinepakStream(const CinepakStream&) = delete;
    CinepakStream& operator=(const CinepakStream&) = delete;

    // One frame, rows top-down; the bytes stay valid until the next call. Empty on failure.
    std::span<const uint8_t> Encode(const uint8_t* data, size_t stride, bool* isKey);

private:
    CinepakStream(const VideoFormat& video, const CinepakEncoder::Options& options);

    VideoFormat video_;
    CinepakEncoder encoder_;
    SwsContext* toBgr_ = nullptr;  // only for layouts other than BGR 24
    std::vector<uint8_t> bgr_;
};

}  // namespace tesmira
