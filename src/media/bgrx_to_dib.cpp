#include "media/bgrx_to_dib.h"

#include <algorithm>
#include <cstring>

#include "imaging/dib.h"

namespace tesmira {

void CopyBgrxIntoDib(const uint8_t* src, size_t srcStride, int srcWidth, int srcHeight, CDib& dib) {
    if (!src || srcWidth <= 0 || srcHeight <= 0 || dib.BitCount() != 24)
        return;
    const int rows = std::min(dib.Height(), srcHeight);
    const int cols = std::min(dib.Width(), srcWidth);
    for (int y = 0; y < rows; ++y) {
        const uint8_t* in = src + size_t(y) * srcStride;
        uint8_t* out = dib.PictureRow(y);
        for (int x = 0; x < cols; ++x, in += 4, out += 3) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
}

void CopyBgrIntoDib(const uint8_t* src, size_t srcStride, int srcWidth, int srcHeight, CDib& dib) {
    if (!src || srcWidth <= 0 || srcHeight <= 0 || dib.BitCount() != 24)
        return;
    const int rows = std::min(dib.Height(), srcHeight);
    const size_t rowBytes = size_t(std::min(dib.Width(), srcWidth)) * 3;
    for (int y = 0; y < rows; ++y)
        std::memcpy(dib.PictureRow(y), src + size_t(y) * srcStride, rowBytes);
}

}  // namespace tesmira
