// Placeholder until the FFmpeg writer lands: every open fails with a clear reason.
#include "capture/avi_writer.h"

namespace tesmira {
namespace {

class UnavailableWriter : public IAviWriter {
public:
    bool Open(const std::string&, const VideoFormat&, const std::optional<AudioFormat>&,
              const CodecSettings&, double, std::string* error) override {
        if (error) *error = "AVI writer not available";
        return false;
    }
    bool WriteVideo(const uint8_t*, size_t, int64_t) override { return false; }
    bool WriteAudio(const uint8_t*, size_t, int64_t) override { return false; }
    bool Close(std::string*) override { return true; }
    bool IsOpen() const override { return false; }
    int64_t FramesWritten() const override { return 0; }
};

}  // namespace

std::unique_ptr<IAviWriter> MakeAviWriter() { return std::make_unique<UnavailableWriter>(); }

}  // namespace tesmira
