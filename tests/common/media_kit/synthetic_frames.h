// Camera-like test frames for encoder tests and benchmarks: colour bars that scroll one pixel per
// frame sideways (as the test camera's do), a grey ramp band, and mild sensor noise.
#pragma once

#include <cstdint>

namespace tesmira {

struct SyntheticScene {
    int width = 640;
    int height = 480;
    int noise = 3;       // +-noise added to every sample, different every frame
    bool moving = true;  // false: every frame shows the first frame's picture (noise included)
};

// Fills one packed BGR24 frame, rows top-down `stride` bytes apart.
void MakeSyntheticFrame(const SyntheticScene& scene, int index, uint8_t* bgr, int stride);

}  // namespace tesmira
