// A device-independent bitmap: width, height, bit depth and bottom-up pixel storage laid out as in
// a BMP file (rows padded to a multiple of 4 bytes, the first row in memory is the bottom picture
// row).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tesmira {

class CDib {
public:
    // Makes the pixel storage (zero-filled); nullptr when the size is not usable or memory runs
    // out.
    static std::unique_ptr<CDib> Create(int width, int height, int bitCount);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bitCount_; }
    size_t Stride() const { return stride_; }  // bytes per stored row, a multiple of 4
    size_t ImageSize() const { return pixels_.size(); }

    uint8_t* Pixels() { return pixels_.data(); }
    const uint8_t* Pixels() const { return pixels_.data(); }
    // Row `y` of the picture counted from the top (stored at memory row height - 1 - y).
    uint8_t* PictureRow(int y) { return pixels_.data() + (height_ - 1 - y) * stride_; }
    const uint8_t* PictureRow(int y) const { return pixels_.data() + (height_ - 1 - y) * stride_; }

    // Copies a top-down picture of the same bit depth into the bottom-up storage. Copies at most
    // the rows and row bytes both sides have, so a frame of another size never overruns the
    // storage.
    void CopyFromTopDown(const uint8_t* src, size_t srcStride, int srcWidth, int srcHeight);

    static size_t StrideFor(int width, int bitCount) {
        return ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    }

private:
    CDib(int width, int height, int bitCount);

    int width_;
    int height_;
    int bitCount_;
    size_t stride_;
    std::vector<uint8_t> pixels_;
};

}  // namespace tesmira
