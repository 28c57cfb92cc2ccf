#include "media_kit/synthetic_frames.h"

#include <algorithm>

namespace tesmira {

namespace {

// The seven bars of the classic pattern, BGR.
constexpr uint8_t kBars[7][3] = {{192, 192, 192}, {0, 192, 192}, {192, 192, 0}, {0, 192, 0},
                                 {192, 0, 192},   {0, 0, 192},   {192, 0, 0}};

}  // namespace

void MakeSyntheticFrame(const SyntheticScene& scene, int index, uint8_t* bgr, int stride) {
    const int w = scene.width, h = scene.height;
    const int shift = scene.moving ? index : 0;
    uint32_t rng = 0x9E3779B9u * uint32_t((scene.moving ? index : 0) + 1);
    const int barsEnd = h * 2 / 3, rampEnd = h * 5 / 6;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bgr + int64_t(y) * stride;
        for (int x = 0; x < w; ++x) {
            uint8_t px[3];
            const int sx = ((x + shift) % w + w) % w;
            if (y < barsEnd) {
                const int bar = sx * 7 / w;
                std::copy_n(kBars[bar], 3, px);
            } else if (y < rampEnd) {
                const uint8_t g = uint8_t(sx * 255 / std::max(1, w - 1));
                px[0] = px[1] = px[2] = g;
            } else {
                // Dark blocks of the bottom row: a few steps of grey and one of colour.
                const int cell = sx * 6 / w;
                px[0] = uint8_t(cell == 1 ? 120 : cell * 20);
                px[1] = uint8_t(cell * 20);
                px[2] = uint8_t(cell == 3 ? 160 : cell * 20);
            }
            for (int c = 0; c < 3; ++c) {
                int v = px[c];
                if (scene.noise > 0) {
                    rng ^= rng << 13;
                    rng ^= rng >> 17;
                    rng ^= rng << 5;
                    v += int(rng % uint32_t(2 * scene.noise + 1)) - scene.noise;
                }
                row[x * 3 + c] = uint8_t(std::clamp(v, 0, 255));
            }
        }
    }
}

}  // namespace tesmira
