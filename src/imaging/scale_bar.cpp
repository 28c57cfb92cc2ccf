#include "imaging/scale_bar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "imaging/dib.h"
#include "imaging/text_overlay.h"

namespace tesmira {
namespace {

std::string LengthLabel(double um) {
    char text[32];
    if (um >= 1000.0)
        std::snprintf(text, sizeof text, "%g mm", um / 1000.0);
    else
        std::snprintf(text, sizeof text, "%g \xC2\xB5m", um);
    return text;
}

// Sets one pixel of the picture (row from the top) to grey level v.
void Put(CDib& dib, int row, int col, uint8_t v) {
    if (row < 0 || row >= dib.Height() || col < 0 || col >= dib.Width())
        return;
    const int step = dib.BitCount() / 8;
    uint8_t* p = dib.PictureRow(row) + size_t(col) * size_t(step);
    for (int i = 0; i < std::min(step, 3); ++i)
        p[i] = v;
}

}  // namespace

ScaleBar ChooseScaleBar(int imageWidth, double pixelSizeUm) {
    ScaleBar bar;
    if (!(pixelSizeUm > 0.0) || !std::isfinite(pixelSizeUm) || imageWidth < 10)
        return bar;
    const double wantUm = imageWidth / 5.0 * pixelSizeUm;
    // The round length nearest to a fifth of the width, compared on a log scale.
    const double decade = std::pow(10.0, std::floor(std::log10(wantUm)));
    double best = decade;
    for (double step : {1.0, 2.0, 5.0, 10.0}) {
        const double candidate = step * decade;
        if (std::fabs(std::log(candidate / wantUm)) < std::fabs(std::log(best / wantUm)))
            best = candidate;
    }
    bar.lengthUm = best;
    bar.pixels = int(std::lround(best / pixelSizeUm));
    bar.label = LengthLabel(best);
    if (bar.pixels <= 0 || bar.pixels > imageWidth - 2 * kScaleBarMargin)
        return ScaleBar{};
    return bar;
}

int ScaleBarThickness(int imageHeight) {
    return std::max(3, imageHeight / 120);
}

bool StampScaleBar(CDib& dib, const ScaleBar& bar, int fontHeight) {
    const int bits = dib.BitCount();
    if (!bar.Valid() || (bits != 8 && bits != 24 && bits != 32) ||
        bar.pixels + 2 * kScaleBarMargin > dib.Width())
        return false;
    const int thickness = ScaleBarThickness(dib.Height());
    const int right = dib.Width() - kScaleBarMargin;  // one past the bar's last column
    const int left = right - bar.pixels;
    const int bottom = dib.Height() - kScaleBarMargin;
    const int top = bottom - thickness;
    if (top - 1 - fontHeight < 0)
        return false;
    // A black edge one pixel wide around the white bar, so it shows on light pictures too.
    for (int row = top - 1; row <= bottom; ++row) {
        for (int col = left - 1; col <= right; ++col) {
            const bool inside = row >= top && row < bottom && col >= left && col < right;
            Put(dib, row, col, inside ? 255 : 0);
        }
    }
    if (fontHeight > 0) {
        const double width = OverlayTextWidth(bar.label, fontHeight);
        const int x = std::max(0, left + bar.pixels / 2 - int(std::ceil(width / 2)));
        StampOverlayText(dib, x, top - 2 - fontHeight, bar.label, fontHeight);
    }
    return true;
}

}  // namespace tesmira
