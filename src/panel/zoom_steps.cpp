#include "panel/zoom_steps.h"

#include <cmath>

namespace tesmira {

const std::array<double, kZoomSteps> kZoomStepTable = {
    0.1, 0.18, 0.25, 0.35, 0.5, 0.7, 1.0, 1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, 10.0};

const std::array<double, kZoomSteps - 1> kZoomThresholdTable = {
    0.14, 0.21, 0.3, 0.42, 0.6, 0.83, 1.41, 1.78, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 9.5};

ZoomPlacement PlaceZoom(double z) {
    ZoomPlacement out;
    // Not-a-number would fall through every comparison below; treat it as the neutral factor.
    if (std::isnan(z))
        z = 1.0;
    const double v = std::floor(z * 100.0 + 0.5) * 0.01;
    out.shown = v;
    if (v < 0.1) {
        out.shown = 0.1;
        out.index = 0;
    } else if (v > 10.0) {
        out.shown = 10.0;
        out.index = kZoomMaxIndex;
    } else {
        int index = 0;
        while (index < kZoomMaxIndex && v >= kZoomThresholdTable[index])
            ++index;
        out.index = index;
    }
    return out;
}

}  // namespace tesmira
