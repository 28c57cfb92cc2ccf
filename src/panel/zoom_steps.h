// The zoom steps of the video view: the seventeen factors the slider and the Z/S keys move
// through, and the placement of any other factor on that slider.
#pragma once

#include <array>

namespace tesmira {

constexpr int kZoomSteps = 17;
constexpr int kZoomMaxIndex = kZoomSteps - 1;
constexpr int kZoomDefaultIndex = 6;  // the 1.0 step

extern const std::array<double, kZoomSteps> kZoomStepTable;
// Upper bounds of the slider positions 0..15: a factor at or above threshold[i] sits right of i.
extern const std::array<double, kZoomSteps - 1> kZoomThresholdTable;

struct ZoomPlacement {
    double shown = 1.0;  // the factor as the zoom edit shows it (two decimals, 0.1..10)
    int index = kZoomDefaultIndex;
};

// Rounds z to two decimals, clamps it to 0.1..10 and finds its slider position.
ZoomPlacement PlaceZoom(double z);

}  // namespace tesmira
