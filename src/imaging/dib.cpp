#include "imaging/dib.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tesmira {

CDib::CDib(int width, int height, int bitCount)
    : width_(width), height_(height), bitCount_(bitCount), stride_(StrideFor(width, bitCount)) {}

std::unique_ptr<CDib> CDib::Create(int width, int height, int bitCount) {
    if (width <= 0 || height <= 0)
        return nullptr;
    if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return nullptr;
    // Refuse sizes a BMP cannot describe (image size is a 32-bit field) before allocating.
    const size_t stride = StrideFor(width, bitCount);
    if (stride > 0x7fffffffu / static_cast<size_t>(height))
        return nullptr;
    std::unique_ptr<CDib> dib(new (std::nothrow) CDib(width, height, bitCount));
    if (!dib)
        return nullptr;
    try {
        dib->pixels_.assign(stride * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return dib;
}

void CDib::CopyFromTopDown(const uint8_t* src, size_t srcStride, int srcWidth, int srcHeight) {
    if (!src || srcWidth <= 0 || srcHeight <= 0)
        return;
    const int rows = std::min(height_, srcHeight);
    const size_t rowBytes =
        std::min(static_cast<size_t>(std::min(width_, srcWidth)) * bitCount_ / 8,
                 std::min(stride_, srcStride));
    for (int y = 0; y < rows; ++y)
        std::memcpy(PictureRow(y), src + y * srcStride, rowBytes);
}

}  // namespace tesmira
