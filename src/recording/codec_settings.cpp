#include "recording/codec_settings.h"

#include <algorithm>

namespace tesmira {
namespace {

constexpr const char* kKeyFrameKeys[2] = {"Cinepak KeyFrame", "MSVideo1 KeyFrame"};
constexpr const char* kQualityKeys[2] = {"Cinepak Quality", "MSVideo1 Quality"};

// An unreadable or missing key keeps the current value; a readable one is clamped.
int ReadClamped(IProfile& store, const char* key, int current, int lo, int hi) {
    return std::clamp(store.GetInt(key, current), lo, hi);
}

}  // namespace

CodecSettings CodecSettingsFor(int mediaType, const EncoderPages& pages) {
    CodecSettings codec;
    codec.mediaType = mediaType;
    if (mediaType == 2)
        codec.mjpegQuality = std::clamp(pages.mjpegQuality, kQualityMin, kQualityMax);
    if (mediaType == 3 || mediaType == 4) {
        const VfwConfig& vfw = pages.vfw[mediaType - 3];
        codec.keyFrameInterval = std::clamp(vfw.keyFrameInterval, kKeyFrameMin, kKeyFrameMax);
        codec.vfwQuality = std::clamp(vfw.quality, kQualityMin, kQualityMax);
    }
    return codec;
}

void LoadEncoderPages(IProfile& store, EncoderPages& pages) {
    pages.mjpegQuality =
        ReadClamped(store, "MJPG Quality", pages.mjpegQuality, kQualityMin, kQualityMax);
    for (int i = 0; i < 2; ++i) {
        VfwConfig& vfw = pages.vfw[i];
        vfw.keyFrameInterval =
            ReadClamped(store, kKeyFrameKeys[i], vfw.keyFrameInterval, kKeyFrameMin, kKeyFrameMax);
        vfw.quality = ReadClamped(store, kQualityKeys[i], vfw.quality, kQualityMin, kQualityMax);
    }
}

void SaveEncoderPages(IProfile& store, const EncoderPages& pages) {
    store.SetInt("MJPG Quality", pages.mjpegQuality);
    for (int i = 0; i < 2; ++i) {
        store.SetInt(kKeyFrameKeys[i], pages.vfw[i].keyFrameInterval);
        store.SetInt(kQualityKeys[i], pages.vfw[i].quality);
    }
}

}  // namespace tesmira
