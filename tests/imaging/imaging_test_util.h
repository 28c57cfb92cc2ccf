// Helpers shared by the picture tests: a scratch folder, whole-file reads, a noisy test frame
// and a libjpeg decoder.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "imaging/dib.h"

namespace tesmira::testing {

class ScratchDir {
public:
    ScratchDir() {
        char name[] = "/tmp/tesmira_imaging_XXXXXX";
        path_ = mkdtemp(name) ? name : "";
    }
    ~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Every entry except "." and "..", hidden ones included.
    std::vector<std::string> Entries() const {
        std::vector<std::string> out;
        if (DIR* d = opendir(path_.c_str())) {
            while (dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    out.push_back(e->d_name);
            closedir(d);
        }
        return out;
    }

private:
    std::string path_;
};

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> out;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            out.insert(out.end(), buf, buf + n);
        std::fclose(f);
    }
    return out;
}

inline bool WriteAll(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// Colour bars and gradients with per-channel noise, so neither flat areas nor smooth ones
// dominate: what a camera frame looks like to a compressor.
inline void FillNoisyPattern(CDib& dib, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-24, 24);
    const int bytes = dib.BitCount() / 8;
    for (int y = 0; y < dib.Height(); ++y) {
        uint8_t* row = dib.PictureRow(y);
        for (int x = 0; x < dib.Width(); ++x) {
            const int bar = (x * 8 / dib.Width());
            const int base[3] = {(bar & 1) ? 200 : 40, (bar & 2) ? 190 : 50,
                                 (bar & 4) ? 180 : 30 + y * 150 / dib.Height()};
            for (int c = 0; c < std::min(bytes, 3); ++c) {
                const int v = base[c] + (x + y) % 37 + noise(rng);
                row[x * bytes + c] = static_cast<uint8_t>(std::clamp(v, 0, 255));
            }
        }
    }
}

// A camera-like colour picture whose colour changes smoothly, so that colour at half resolution
// can hold it, under grey noise: the same noise on all three channels changes brightness only.
inline void FillLumaNoisePattern(CDib& dib, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-24, 24);
    for (int y = 0; y < dib.Height(); ++y) {
        uint8_t* row = dib.PictureRow(y);
        for (int x = 0; x < dib.Width(); ++x) {
            const int n = noise(rng);
            const int base[3] = {70 + 100 * x / dib.Width(), 120 - 40 * y / dib.Height(),
                                 80 + 60 * (x + y) / (dib.Width() + dib.Height())};
            for (int c = 0; c < 3; ++c)
                row[x * 3 + c] = static_cast<uint8_t>(std::clamp(base[c] + n, 0, 255));
        }
    }
}

struct Decoded {
    bool ok = false;
    int width = 0, height = 0, components = 0;
    int hSamp0 = 0, vSamp0 = 0;  // sampling factors of the first component
    bool progressive = false;
    std::vector<uint8_t> pixels;  // top-down, packed, RGB or grey
};

// Decodes with libjpeg; defined in jpeg_decode.cpp.
Decoded DecodeJpeg(const std::vector<uint8_t>& file);

}  // namespace tesmira::testing
