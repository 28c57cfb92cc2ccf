// One fixed stream format of a camera (size, pixel layout, frame rate): how the format page shows
// it, how it is asked of the camera, and how the chosen one is remembered with the settings.
#pragma once

#include <optional>
#include <string>

namespace tesmira {

struct StreamFormat {
    int width = 0;
    int height = 0;
    std::string format;  // GStreamer's name: BGR, YUY2, GRAY8, ... (empty: compressed, see media)
    std::string media = "video/x-raw";
    int fpsNum = 0;  // 0: the camera's choice
    int fpsDen = 1;

    bool operator==(const StreamFormat&) const = default;

    // "1280×720  BGR  30 fps" (the rate with up to two decimals when it is not whole).
    std::string Label() const;
    // Caps text that asks the camera for exactly this format.
    std::string Caps() const;
};

// A fixed format from caps text (one structure; a list of rates takes the first). Nullopt for
// anything without a fixed width, height and layout ("ANY", ranges, damaged text).
std::optional<StreamFormat> StreamFormatFromCaps(const std::string& caps);

// The remembered choice: "camera|width|height|format|fps" (fps as num/den; the media type other
// than raw video is appended as a sixth field). Reading gives nullopt for damaged text.
struct RememberedFormat {
    std::string camera;
    StreamFormat format;
};
std::string RememberFormat(const std::string& camera, const StreamFormat& format);
std::optional<RememberedFormat> ParseRememberedFormat(const std::string& text);

}  // namespace tesmira
