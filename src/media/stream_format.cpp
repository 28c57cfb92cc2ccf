#include "media/stream_format.h"

#include <gst/gst.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <vector>

namespace tesmira {
namespace {

constexpr int kMaxSide = 16384;

bool ParseInt(const std::string& text, int* out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, *out);
    return ec == std::errc{} && ptr == end;
}

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(sep, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

bool Plausible(const StreamFormat& f) {
    return f.width > 0 && f.height > 0 && f.width <= kMaxSide && f.height <= kMaxSide &&
           f.fpsNum >= 0 && f.fpsDen > 0 && !f.media.empty();
}

}  // namespace

std::string StreamFormat::Label() const {
    // JPEG pictures and Bayer mosaics go by the names AVI files and GenICam give them.
    std::string kind = media == "image/jpeg" ? "MJPG"
                       : format.empty()      ? media.substr(media.find('/') + 1)
                                             : format;
    if (media == "video/x-bayer" && format.size() == 4)
        kind = "Bayer" + std::string{char(std::toupper(format[0])), char(std::toupper(format[1]))} +
               "8";
    std::string text = std::to_string(width) + "×" + std::to_string(height) + "  " + kind;
    if (fpsNum > 0) {
        char rate[32];
        if (fpsNum % fpsDen == 0)
            std::snprintf(rate, sizeof rate, "%d", fpsNum / fpsDen);
        else
            std::snprintf(rate, sizeof rate, "%.2f", double(fpsNum) / fpsDen);
        text += std::string("  ") + rate + " fps";
    }
    return text;
}

std::string StreamFormat::Caps() const {
    std::string caps = media;
    if (!format.empty())
        caps += ",format=" + format;
    caps += ",width=" + std::to_string(width) + ",height=" + std::to_string(height);
    if (fpsNum > 0)
        caps += ",framerate=" + std::to_string(fpsNum) + "/" + std::to_string(fpsDen);
    return caps;
}

std::optional<StreamFormat> StreamFormatFromCaps(const std::string& text) {
    GstCaps* caps = gst_caps_from_string(text.c_str());
    if (!caps)
        return std::nullopt;
    std::optional<StreamFormat> result;
    if (!gst_caps_is_any(caps) && gst_caps_get_size(caps) >= 1) {
        const GstStructure* s = gst_caps_get_structure(caps, 0);
        StreamFormat f;
        f.media = gst_structure_get_name(s);
        const char* format = gst_structure_get_string(s, "format");
        f.format = format ? format : "";
        const GValue* rate = gst_structure_get_value(s, "framerate");
        if (rate && GST_VALUE_HOLDS_LIST(rate) && gst_value_list_get_size(rate) > 0)
            rate = gst_value_list_get_value(rate, 0);
        if (rate && GST_VALUE_HOLDS_FRACTION(rate)) {
            f.fpsNum = gst_value_get_fraction_numerator(rate);
            f.fpsDen = gst_value_get_fraction_denominator(rate);
        }
        const bool raw = f.media == "video/x-raw";
        if (gst_structure_get_int(s, "width", &f.width) &&
            gst_structure_get_int(s, "height", &f.height) && (!raw || !f.format.empty()) &&
            Plausible(f))
            result = f;
    }
    gst_caps_unref(caps);
    return result;
}

std::string RememberFormat(const std::string& camera, const StreamFormat& f) {
    std::string text = camera + "|" + std::to_string(f.width) + "|" + std::to_string(f.height) +
                       "|" + f.format + "|" + std::to_string(f.fpsNum) + "/" +
                       std::to_string(f.fpsDen);
    if (f.media != "video/x-raw")
        text += "|" + f.media;
    return text;
}

std::optional<RememberedFormat> ParseRememberedFormat(const std::string& text) {
    // The camera name may itself hold '|': the fields are taken from the end.
    std::vector<std::string> parts = Split(text, '|');
    if (parts.size() < 5)
        return std::nullopt;
    StreamFormat f;
    // A sixth field is a media type ("image/jpeg"); the rate field holds only digits and '/'.
    const std::string& last = parts.back();
    if (parts.size() >= 6 && last.find('/') != std::string::npos &&
        last.find_first_not_of("0123456789/") != std::string::npos) {
        f.media = parts.back();
        parts.pop_back();
        if (parts.size() < 5)
            return std::nullopt;
    }
    const size_t n = parts.size();
    const std::vector<std::string> rate = Split(parts[n - 1], '/');
    if (rate.size() != 2 || !ParseInt(parts[n - 4], &f.width) ||
        !ParseInt(parts[n - 3], &f.height) || !ParseInt(rate[0], &f.fpsNum) ||
        !ParseInt(rate[1], &f.fpsDen))
        return std::nullopt;
    f.format = parts[n - 2];
    if (!Plausible(f) || (f.media == "video/x-raw" && f.format.empty()))
        return std::nullopt;
    RememberedFormat r;
    for (size_t i = 0; i + 4 < n; ++i)
        r.camera += (i ? "|" : "") + parts[i];
    if (r.camera.empty())
        return std::nullopt;
    r.format = f;
    return r;
}

}  // namespace tesmira
