// The calibrated scale bar: a round length (1, 2 or 5 × 10^n µm) about a fifth of the picture's
// width, drawn white with a black edge at the bottom right with its length written above it.
#pragma once

#include <string>

namespace tesmira {

class CDib;

struct ScaleBar {
    double lengthUm = 0.0;
    int pixels = 0;     // lengthUm / pixel size, rounded
    std::string label;  // "50 µm", "0.5 µm", "2 mm"
    bool Valid() const { return pixels > 0; }
};

// The bar for a picture `imageWidth` pixels wide at `pixelSizeUm` µm a pixel; invalid when the
// size is not calibrated (0) or the picture too small for a bar.
ScaleBar ChooseScaleBar(int imageWidth, double pixelSizeUm);

inline constexpr int kScaleBarMargin = 20;  // from the right and bottom edges, in pixels

// Thickness of the bar for a picture `imageHeight` pixels high.
int ScaleBarThickness(int imageHeight);

// Burns the bar and its label into the picture's own pixels (8-, 24- or 32-bit); the label in the
// overlay font of `fontHeight`. False, with the picture untouched, when there is nothing to draw.
bool StampScaleBar(CDib& dib, const ScaleBar& bar, int fontHeight);

}  // namespace tesmira
