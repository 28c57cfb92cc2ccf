// Our Cinepak encoder next to FFmpeg's on the same camera-like 640x480 frames (scrolling colour
// bars with noise): CPU ms per frame, PSNR after FFmpeg's decoder, total bytes, peak memory.
// Usage: bench_cinepak_encode [frames] [quality] [strips]   (defaults 300, 75, 2)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"
#include "media/cinepak/cinepak_encoder.h"
#include "media_kit/ffmpeg_cvid.h"
#include "media_kit/synthetic_frames.h"

using namespace tesmira;

namespace {

struct Result {
    double cpuMsPerFrame = 0;
    double psnr = 0;  // mean over frames
    double psnrMin = 99;
    size_t bytes = 0;
    int keys = 0;
};

template <typename EncodeFn>
Result Run(const std::vector<std::vector<uint8_t>>& frames, int w, int h, EncodeFn encode) {
    FfmpegCvidDecoder dec(w, h);
    Result r;
    std::vector<uint8_t> out;
    double cpu = 0;
    for (const auto& f : frames) {
        bool key = false;
        const double t0 = bench::SelfCpu();
        const std::span<const uint8_t> bytes = encode(f.data(), &key);
        cpu += bench::SelfCpu() - t0;
        r.bytes += bytes.size();
        r.keys += key ? 1 : 0;
        std::string error;
        if (!dec.Decode(bytes, &out, &error)) {
            std::fprintf(stderr, "decoding failed: %s\n", error.c_str());
            std::exit(1);
        }
        const double p = PsnrBgr(f.data(), w * 3, out.data(), w * 3, w, h);
        r.psnr += p;
        r.psnrMin = std::min(r.psnrMin, p);
    }
    r.psnr /= double(frames.size());
    r.cpuMsPerFrame = cpu * 1000.0 / double(frames.size());
    return r;
}

void Print(const char* name, const Result& r) {
    std::printf("%-10s %8.2f ms/frame  PSNR mean %.2f dB (min %.2f)  %9zu bytes  %d key frames\n",
                name, r.cpuMsPerFrame, r.psnr, r.psnrMin, r.bytes, r.keys);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 300;
    const int quality = argc > 2 ? std::atoi(argv[2]) : 75;
    const int strips = argc > 3 ? std::atoi(argv[3]) : 2;
    const bool skipFfmpeg = std::getenv("BENCH_SKIP_FFMPEG") != nullptr;
    constexpr int w = 640, h = 480;
    std::vector<std::vector<uint8_t>> frames(size_t(count), std::vector<uint8_t>(w * h * 3));
    for (int i = 0; i < count; ++i)
        MakeSyntheticFrame({w, h, 3, true}, i, frames[i].data(), w * 3);

    CinepakEncoder::Options opt;
    opt.width = w;
    opt.height = h;
    opt.quality = quality;
    opt.strips = strips;
    opt.keyFrameInterval = 12;  // FFmpeg's default group of pictures
    CinepakEncoder ours(opt);
    const Result a = Run(frames, w, h, [&](const uint8_t* f, bool* key) {
        return ours.Encode(f, w * 3, false, key);
    });
    std::printf("%d frames %dx%d, quality %d, %d strips, key frame every %d\n", count, w, h,
                quality, strips, opt.keyFrameInterval);
    Print("ours", a);
    if (!skipFfmpeg) {
        FfmpegCvidEncoder ff(w, h);
        const Result b = Run(frames, w, h,
                             [&](const uint8_t* f, bool* key) { return ff.Encode(f, w * 3, key); });
        Print("ffmpeg", b);
        std::printf("speed-up %.1fx, PSNR difference %+.2f dB, size ratio %.2f\n",
                    b.cpuMsPerFrame / a.cpuMsPerFrame, a.psnr - b.psnr,
                    double(a.bytes) / double(b.bytes));
    }
    std::printf("peak RSS %.1f MB\n", bench::PeakRssMb());
    return 0;
}
