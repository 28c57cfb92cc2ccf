// What the capture graph's record branch needs from an AVI writer. The writer runs in the
// streaming thread (never on the UI thread); the graph opens it at RecStart and closes it at
// RecStop, which finalises the file (headers, frame count, index).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tesmira {

// Pixel layouts the camera branch can hand over (GStreamer names in brackets).
enum class PixelLayout { Bgr24 /*BGR*/, Bgrx32 /*BGRx*/, Gray8 /*GRAY8*/, Yuy2 /*YUY2*/ };

struct VideoFormat {
    int width = 0;
    int height = 0;
    PixelLayout layout = PixelLayout::Bgr24;
    int fpsNum = 30;  // negotiated frame rate of the record branch
    int fpsDen = 1;
    // Frames are whole JPEG pictures from the camera (compressors 1 and 2), written unchanged
    // through WriteEncoded; `layout` is then not used.
    bool jpeg = false;
};

struct AudioFormat {
    int sampleRate = 44100;
    int channels = 1;
    int bitsPerSample = 16;  // signed little-endian PCM
};

// The compressor choice ("MediaType") and the encoder settings that go with it.
struct CodecSettings {
    int mediaType = 0;      // 0 raw, 1 MJPEG, 2 MJPEG (own quality page), 3 Cinepak, 4 MS Video 1
    int mjpegQuality = 85;  // 1..100, used by choices 1 and 2
    int keyFrameInterval = 15;  // choices 3 and 4
    int vfwQuality = 75;        // 1..100, choices 3 and 4
};

class IAviWriter {
public:
    virtual ~IAviWriter() = default;
    // Creates the file (never replacing an existing one). On failure returns false and fills error.
    virtual bool Open(const std::string& path, const VideoFormat& video,
                      const std::optional<AudioFormat>& audio, const CodecSettings& codec,
                      double frameRate, std::string* error) = 0;
    // One frame in the layout given to Open; rows top-down with the given stride. False when the
    // frame could not be written (disk full, folder gone): the caller stops the recording.
    virtual bool WriteVideo(const uint8_t* data, size_t stride, int64_t ptsNs) = 0;
    // One JPEG picture of a `jpeg` stream, as the camera made it (the standard Huffman tables are
    // added when it lacks them). False when it could not be written.
    virtual bool WriteEncoded(const uint8_t* /*data*/, size_t /*bytes*/, int64_t /*ptsNs*/) {
        return false;
    }
    virtual bool WriteAudio(const uint8_t* data, size_t bytes, int64_t ptsNs) = 0;
    // Finalises the file; safe to call twice. False when finalising failed.
    virtual bool Close(std::string* error) = 0;
    virtual bool IsOpen() const = 0;
    virtual int64_t FramesWritten() const = 0;
};

// The writer of this build (FFmpeg's libavformat/libavcodec).
std::unique_ptr<IAviWriter> MakeAviWriter();

}  // namespace tesmira
