// The encoder settings of the record branch, in one place. Each compressor with a settings page
// keeps its own values (the quality page of choice 2, one configuration per VfW-style compressor,
// choices 3 and 4); EncoderSettings::For composes what the AVI writer of the next recording uses.
#pragma once

#include <array>

#include "core/profile.h"
#include "media/avi_writer.h"

namespace tesmira {

// Allowed ranges of the page values (out-of-range values are clamped, never refused).
inline constexpr int kQualityMin = 1, kQualityMax = 100;
inline constexpr int kKeyFrameMin = 1, kKeyFrameMax = 1000;  // 1 = every frame a key frame

struct VfwConfig {
    int keyFrameInterval = CodecSettings{}.keyFrameInterval;
    int quality = CodecSettings{}.vfwQuality;
};

struct EncoderPages {
    int mjpegQuality = CodecSettings{}.mjpegQuality;  // the quality page of choice 2
    std::array<VfwConfig, 2> vfw{};                   // [0] Cinepak (3), [1] MS Video 1 (4)
};

// The settings the writer uses for a compressor choice: choice 1 has no page and runs at the
// writer's default quality; choices 0 and above 4 carry defaults only.
CodecSettings CodecSettingsFor(int mediaType, const EncoderPages& pages);

// The page values of the workstation (owned by the composition root).
class EncoderSettings {
public:
    EncoderPages& Pages() { return pages_; }
    const EncoderPages& Pages() const { return pages_; }
    // Composed on every call from "MediaType" and the page values, so a change of either is seen
    // at once by the next recording.
    CodecSettings For(int mediaType) const { return CodecSettingsFor(mediaType, pages_); }

private:
    EncoderPages pages_;
};

// Persisting the page values beside the other settings (group "Settings"; keys "MJPG Quality",
// "Cinepak KeyFrame", "Cinepak Quality", "MSVideo1 KeyFrame", "MSVideo1 Quality"). Missing or
// out-of-range keys keep or clamp to valid values.
void LoadEncoderPages(IProfile& store, EncoderPages& pages);
void SaveEncoderPages(IProfile& store, const EncoderPages& pages);

}  // namespace tesmira
