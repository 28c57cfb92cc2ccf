// Encode cost of the recording writer per compressor, next to the ffmpeg program encoding the
// same raw frames with the same codec into an AVI. Prints CPU seconds per 1000 frames and the
// peak resident memory. Usage: bench_record_codecs [scale]  (scale < 1 shortens every case)
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_util.h"
#include "media/avi_writer.h"

using namespace tesmira;
using bench::CpuSeconds;

namespace {

// Colour bars that scroll by a few pixels per frame, plus a moving noise band, so inter-frame
// codecs have real motion to encode.
std::vector<std::vector<uint8_t>> MakeFrames(int w, int h, int count) {
    std::vector<std::vector<uint8_t>> frames(size_t(count),
                                             std::vector<uint8_t>(size_t(w) * h * 3));
    static const uint8_t bars[8][3] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                                       {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
    unsigned seed = 12345;
    for (int f = 0; f < count; ++f) {
        uint8_t* p = frames[size_t(f)].data();
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x, p += 3) {
                const int bar = ((x + f * 4) * 8 / w) % 8;
                p[0] = bars[bar][0];
                p[1] = bars[bar][1];
                p[2] = bars[bar][2];
                if (y > h * 3 / 4) {
                    seed = seed * 1103515245u + 12345u;
                    p[0] = p[1] = p[2] = uint8_t(seed >> 24);
                }
            }
        }
    }
    return frames;
}

struct Case {
    const char* name;
    int mediaType;
    int w, h, frames;
    const char* ffmpegCodec;
};

}  // namespace

int main(int argc, char** argv) {
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    char dirTemplate[] = "/dev/shm/tesmira-bench-XXXXXX";
    if (!mkdtemp(dirTemplate))
        return 1;
    const std::string dir = dirTemplate;
    const bool haveFfmpeg = std::system("ffmpeg -hide_banner -version >/dev/null 2>&1") == 0;
    const Case cases[] = {{"raw 1280x720", 0, 1280, 720, 300, "rawvideo"},
                          {"MJPEG 1920x1080", 1, 1920, 1080, 300, "mjpeg -q:v 7"},
                          {"MS Video 1 640x480", 4, 640, 480, 300, "msvideo1"},
                          {"Cinepak 640x480", 3, 640, 480, 30, "cinepak"}};
    std::printf("%-20s %7s %14s %14s %7s %10s\n", "case", "frames", "ours s/1000f",
                "ffmpeg s/1000f", "ratio", "fps(ours)");
    for (const Case& c : cases) {
        const int n = std::max(1, int(std::lround(c.frames * scale)));
        const int distinct = std::min(n, 30);
        const auto frames = MakeFrames(c.w, c.h, distinct);
        const std::string ours = dir + "/ours.avi";
        unlink(ours.c_str());
        auto writer = MakeAviWriter();
        CodecSettings codec;
        codec.mediaType = c.mediaType;
        std::string error;
        if (!writer->Open(ours, VideoFormat{c.w, c.h, PixelLayout::Bgr24, 30, 1}, std::nullopt,
                          codec, 0.0, &error)) {
            std::printf("%-20s open failed: %s\n", c.name, error.c_str());
            continue;
        }
        timespec t0{}, t1{};
        clock_gettime(CLOCK_MONOTONIC, &t0);
        const double cpu0 = CpuSeconds(RUSAGE_SELF);
        for (int i = 0; i < n; ++i)
            writer->WriteVideo(frames[size_t(i % distinct)].data(), size_t(c.w) * 3, 0);
        writer->Close(&error);
        const double ourCpu = CpuSeconds(RUSAGE_SELF) - cpu0;
        clock_gettime(CLOCK_MONOTONIC, &t1);
        const double wall = double(t1.tv_sec - t0.tv_sec) + double(t1.tv_nsec - t0.tv_nsec) * 1e-9;

        double ffCpu = NAN;
        if (haveFfmpeg && n % distinct == 0) {
            const std::string raw = dir + "/frames.bgr";
            {
                std::ofstream out(raw, std::ios::binary);
                for (const auto& f : frames)
                    out.write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
            }
            char cmd[1024];
            std::snprintf(cmd, sizeof cmd,
                          "ffmpeg -v error -nostdin -y -stream_loop %d -f rawvideo -pix_fmt bgr24 "
                          "-s %dx%d -r 30 -i '%s' -c:v %s '%s/theirs.avi'",
                          n / distinct - 1, c.w, c.h, raw.c_str(), c.ffmpegCodec, dir.c_str());
            const double child0 = CpuSeconds(RUSAGE_CHILDREN);
            if (std::system(cmd) == 0)
                ffCpu = CpuSeconds(RUSAGE_CHILDREN) - child0;
            unlink(raw.c_str());
        }
        std::printf("%-20s %7d %14.3f %14.3f %7.2f %10.1f\n", c.name, n, ourCpu * 1000.0 / n,
                    ffCpu * 1000.0 / n, ourCpu / ffCpu, n / wall);
        std::fflush(stdout);
    }
    std::printf("peak RSS: %.1f MB\n", bench::PeakRssMb());
    std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}
