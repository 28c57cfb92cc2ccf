// Where a floating panel goes when the frame creates it, from the rectangle stored at the last
// close. Rectangles are screen pixels, right and bottom exclusive.
#pragma once

#include "core/settings.h"

namespace tesmira {

struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const ScreenRect&) const = default;
};

// A stored rectangle with left >= right or top >= bottom (the all-zero one of a first run) leaves
// the panel where it is. Otherwise the panel moves to the stored top-left corner and, when
// `takeSize`, also takes the stored size; without it the panel keeps its own size.
ScreenRect PlacePanel(const ScreenRect& current, const PanelRect& stored, bool takeSize);

}  // namespace tesmira
