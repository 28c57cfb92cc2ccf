// Cost of storing a time-lapse JPEG: our writer (quality 100, baseline, libjpeg's default sampling)
// on a 1920 × 1080 noisy test frame, next to the cjpeg program compressing the same pixels from
// a PPM file. Prints CPU milliseconds per picture and peak resident memory, then the resident
// memory along 1000 further writes (it should stay flat).
// Usage: bench_jpeg_write [pictures] [long-run writes]   (defaults 40 and 1000)
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench_util.h"
#include "imaging/dib.h"

extern char** environ;

using namespace tesmira;

namespace {

// Colour bars with a diagonal ramp and per-channel noise: hard on a compressor, like a camera.
void FillNoisy(CDib& dib) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> noise(-24, 24);
    for (int y = 0; y < dib.Height(); ++y) {
        uint8_t* row = dib.PictureRow(y);
        for (int x = 0; x < dib.Width(); ++x) {
            const int bar = x * 8 / dib.Width();
            const int base[3] = {(bar & 1) ? 200 : 40, (bar & 2) ? 190 : 50,
                                 (bar & 4) ? 180 : 30 + y * 150 / dib.Height()};
            for (int c = 0; c < 3; ++c) {
                const int v = base[c] + (x + y) % 37 + noise(rng);
                row[x * 3 + c] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
}

bool WritePpm(const CDib& dib, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", dib.Width(), dib.Height());
    std::vector<uint8_t> rgb(static_cast<size_t>(dib.Width()) * 3);
    for (int y = 0; y < dib.Height(); ++y) {
        const uint8_t* s = dib.PictureRow(y);
        for (int x = 0; x < dib.Width(); ++x) {
            rgb[3 * x] = s[3 * x + 2];
            rgb[3 * x + 1] = s[3 * x + 1];
            rgb[3 * x + 2] = s[3 * x];
        }
        std::fwrite(rgb.data(), 1, rgb.size(), f);
    }
    return std::fclose(f) == 0;
}

bool Run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long FileSize(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

// CPU milliseconds per picture of cjpeg with the given extra options; negative when it fails.
double TimeCjpeg(const std::vector<std::string>& options, const std::string& ppm,
                 const std::string& out, int pictures) {
    std::vector<std::string> args = {"cjpeg", "-quality", "100", "-baseline"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"-outfile", out, ppm});
    if (!Run(args))  // warm-up, and a check that cjpeg is there
        return -1;
    const double before = bench::ChildrenCpu();
    for (int i = 0; i < pictures; ++i)
        Run(args);
    return (bench::ChildrenCpu() - before) * 1000.0 / pictures;
}

}  // namespace

int main(int argc, char** argv) {
    const int pictures = argc > 1 ? std::atoi(argv[1]) : 40;
    const int longRun = argc > 2 ? std::atoi(argv[2]) : 1000;
    char dirTemplate[] = "/dev/shm/tesmira-bench-XXXXXX";
    char fallback[] = "/tmp/tesmira-bench-XXXXXX";
    const char* made = mkdtemp(dirTemplate);
    if (!made)
        made = mkdtemp(fallback);
    if (!made) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = made;

    auto dib = CDib::Create(1920, 1080, 24);
    FillNoisy(*dib);
    const std::string ppm = dir + "/frame.ppm";
    const std::string ours = dir + "/ours.jpg";
    if (!WritePpm(*dib, ppm)) {
        std::fprintf(stderr, "cannot write %s\n", ppm.c_str());
        return 1;
    }

    // Warm-up, then the timed pictures.
    WriteResult r = dib->SaveJpeg(ours, 3);
    if (!r.ok()) {
        std::fprintf(stderr, "%s\n", r.error.c_str());
        return 1;
    }
    double before = bench::SelfCpu();
    const double wallBefore = bench::Now();
    for (int i = 0; i < pictures; ++i)
        dib->SaveJpeg(ours, 3);
    const double oursMs = (bench::SelfCpu() - before) * 1000.0 / pictures;
    const double oursWallMs = (bench::Now() - wallBefore) * 1000.0 / pictures;

    const std::string theirs = dir + "/cjpeg.jpg";
    const double cjpeg444 = TimeCjpeg({"-sample", "1x1"}, ppm, theirs, pictures);
    const long cjpeg444Size = FileSize(theirs);
    const double cjpegDefault = TimeCjpeg({}, ppm, theirs, pictures);
    const long cjpegDefaultSize = FileSize(theirs);

    std::printf("JPEG quality 100, baseline, 1920 x 1080 noisy frame, %d pictures, folder %s\n",
                pictures, dir.c_str());
    std::printf("  %-44s %8.2f ms CPU/picture (%.2f ms wall), %ld bytes\n",
                "ours (4:2:0, from the bottom-up bitmap)", oursMs, oursWallMs, FileSize(ours));
    if (cjpeg444 < 0) {
        std::printf("  cjpeg not found (Debian package libjpeg-turbo-progs)\n");
    } else {
        std::printf("  %-44s %8.2f ms CPU/picture, %ld bytes   ours / cjpeg = %.3f\n",
                    "cjpeg -quality 100 -baseline -sample 1x1", cjpeg444, cjpeg444Size,
                    oursMs / cjpeg444);
        std::printf("  %-44s %8.2f ms CPU/picture, %ld bytes   ours / cjpeg = %.3f\n",
                    "cjpeg -quality 100 -baseline (4:2:0)", cjpegDefault, cjpegDefaultSize,
                    oursMs / cjpegDefault);
    }
    std::printf("  peak RSS after the timed pictures: %.1f MB\n", bench::PeakRssMb());

    // Nothing may be kept between pictures: the peak stays where the first pictures put it.
    std::printf("Peak RSS along %d further writes:", longRun);
    for (int i = 1; i <= longRun; ++i) {
        r = dib->SaveJpeg(ours, 3);
        if (!r.ok()) {
            std::fprintf(stderr, "\n%s\n", r.error.c_str());
            break;
        }
        if (i == 1 || i == 10 || i == 100 || i % 250 == 0)
            std::printf(" %d: %.1f MB", i, bench::PeakRssMb());
        std::fflush(stdout);
    }
    std::printf("\n");
    std::system(("rm -rf '" + dir + "'").c_str());
    return 0;
}
