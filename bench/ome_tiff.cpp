// Time-lapse OME-TIFF figures: a series of full-HD frames written as one OME-TIFF (uncompressed,
// Deflate, LZW) against the BMP writer on the same frames. Per frame: the wall time of the
// writer (the series' length over its frames), the time the caller spends in Append (the UI
// thread's share for a frame it queues; it never waits for the disk), the bytes on disk; resident
// memory at a tenth of the series and at its end. A frame that finds the queue full is offered
// again 2 ms later (in the program it would be dropped), so every frame is written.
// Usage: bench_ome_tiff [frames, default 1000] [folder, default /tmp]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_util.h"
#include "imaging/dib.h"
#include "imaging/ome_tiff_writer.h"

using namespace tesmira;
namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kDistinctFrames = 8;

double RssMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
    }
    return 0;
}

// A microscope-like picture: smooth shading with a little sensor noise, moving a bit each frame.
std::vector<std::unique_ptr<CDib>> MakeFrames() {
    std::vector<std::unique_ptr<CDib>> frames;
    std::mt19937 noise(7);
    for (int k = 0; k < kDistinctFrames; ++k) {
        auto dib = CDib::Create(kWidth, kHeight, 24);
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = dib->PictureRow(y);
            for (int x = 0; x < kWidth; ++x) {
                const int shade = ((x + 3 * k) * 255 / kWidth + y * 128 / kHeight) / 2;
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] =
                        uint8_t(std::clamp(shade + c * 20 + int(noise() % 9) - 4, 0, 255));
            }
        }
        frames.push_back(std::move(dib));
    }
    return frames;
}

struct Figures {
    double wallPerFrameMs = 0;
    double appendMeanMs = 0;
    double appendMaxMs = 0;
    double mbPerFrame = 0;
    double rssTenthMb = 0;
    double rssEndMb = 0;
    int64_t retries = 0;  // Appends that found the queue full (the frame would have been dropped)
};

Figures RunBmp(const std::vector<std::unique_ptr<CDib>>& frames, int n, const std::string& dir) {
    Figures f;
    fs::create_directories(dir);
    const double start = bench::Now();
    uint64_t bytes = 0;
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/OneShot%04d.bmp", i);
        const double t0 = bench::Now();
        frames[size_t(i % kDistinctFrames)]->SaveBmp(dir + name, ExistingFile::kKeep);
        f.appendMaxMs = std::max(f.appendMaxMs, (bench::Now() - t0) * 1000);
        bytes += fs::file_size(dir + name);
        if (i == n / 10)
            f.rssTenthMb = RssMb();
    }
    f.wallPerFrameMs = (bench::Now() - start) * 1000 / n;
    f.appendMeanMs = f.wallPerFrameMs;  // BMP is written on the caller's thread
    f.mbPerFrame = double(bytes) / n / 1e6;
    f.rssEndMb = RssMb();
    fs::remove_all(dir);
    return f;
}

Figures RunOme(const std::vector<std::unique_ptr<CDib>>& frames, int n, const std::string& path,
               OmeCompression compression) {
    Figures f;
    OmeTiffOptions options;
    options.compression = compression;
    options.expectedFrames = n;
    options.info.timeIncrementMs = 1000;
    OmeTiffWriter writer;
    std::string error;
    if (!writer.Open(path, kWidth, kHeight, 24, options, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    const double start = bench::Now();
    double inAppend = 0;
    for (int i = 0; i < n; ++i) {
        OmePlane plane;
        plane.deltaTMs = 1000.0 * i;
        plane.x = i;
        plane.temperature =
            "T = 23.4 \xC2\xB0"
            "C";
        plane.humidity = " H = 45.6 %";
        for (;;) {
            const double t0 = bench::Now();
            const OmeAppend r = writer.Append(*frames[size_t(i % kDistinctFrames)], plane);
            const double took = (bench::Now() - t0) * 1000;
            if (r != OmeAppend::kDropped) {
                inAppend += took;
                f.appendMaxMs = std::max(f.appendMaxMs, took);
                break;
            }
            ++f.retries;  // the writer is behind: offer the frame again shortly
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (i == n / 10)
            f.rssTenthMb = RssMb();
    }
    if (!writer.Close(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    f.wallPerFrameMs = (bench::Now() - start) * 1000 / n;
    f.appendMeanMs = inAppend / double(n);
    f.mbPerFrame = double(fs::file_size(path)) / n / 1e6;
    f.rssEndMb = RssMb();
    fs::remove(path);
    return f;
}

void Print(const char* what, const Figures& f) {
    std::printf(
        "%-14s %8.1f ms/frame  caller %6.2f ms mean %7.2f ms max  %5.2f MB/frame  "
        "RSS %6.1f -> %6.1f MB  full-queue retries %lld\n",
        what, f.wallPerFrameMs, f.appendMeanMs, f.appendMaxMs, f.mbPerFrame, f.rssTenthMb,
        f.rssEndMb, static_cast<long long>(f.retries));
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
    const std::string folder = argc > 2 ? argv[2] : "/tmp";
    const std::string stem = folder + "/tesmira-bench-ome-" + std::to_string(getpid());
    const auto frames = MakeFrames();
    std::printf("%d frames of %d x %d x 24 bits in %s\n", n, kWidth, kHeight, folder.c_str());
    Print("BMP folder", RunBmp(frames, n, stem + "_BMP"));
    Print("OME-TIFF raw", RunOme(frames, n, stem + "-raw.ome.tif", OmeCompression::kNone));
    Print("OME-TIFF Deflate",
          RunOme(frames, n, stem + "-deflate.ome.tif", OmeCompression::kDeflate));
    Print("OME-TIFF LZW", RunOme(frames, n, stem + "-lzw.ome.tif", OmeCompression::kLzw));
    std::printf("peak RSS %.1f MB\n", bench::PeakRssMb());
    return 0;
}
