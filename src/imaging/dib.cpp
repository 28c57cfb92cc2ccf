#include "imaging/dib.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "core/text_format.h"
#include "imaging/jpeg_writer.h"

namespace tesmira {
namespace {

int ColorCountFor(int bitCount) {
    switch (bitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

void Put16(uint8_t*& p, uint16_t v) {
    *p++ = static_cast<uint8_t>(v);
    *p++ = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t*& p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        *p++ = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

CDib::CDib(int width, int height, int bitCount)
    : width_(width), height_(height), bitCount_(bitCount), stride_(StrideFor(width, bitCount)) {
    const int colors = ColorCountFor(bitCount);
    header_.width = width;
    header_.height = height;
    header_.bitCount = static_cast<uint16_t>(bitCount);
    header_.sizeImage = static_cast<uint32_t>(stride_ * static_cast<size_t>(height));
    header_.clrUsed = header_.clrImportant = static_cast<uint32_t>(colors);
}

std::unique_ptr<CDib> CDib::Create(int width, int height, int bitCount) {
    if (width <= 0 || height <= 0)
        return nullptr;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return nullptr;
    // Refuse sizes a BMP cannot describe (image size is a 32-bit field) before allocating.
    const size_t stride = StrideFor(width, bitCount);
    if (stride > 0x7fffffffu / static_cast<size_t>(height))
        return nullptr;
    std::unique_ptr<CDib> dib(new (std::nothrow) CDib(width, height, bitCount));
    if (!dib)
        return nullptr;
    try {
        dib->colorTable_.assign(static_cast<size_t>(ColorCountFor(bitCount)), RgbQuad{});
        dib->pixels_.assign(stride * static_cast<size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return dib;
}

bool CDib::MakeGreyPalette() {
    if (colorTable_.size() != 256)
        return false;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        colorTable_[static_cast<size_t>(i)] = RgbQuad{v, v, v, 0};
    }
    return true;
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

void CDib::GetPixelRGB(int row, int col, double* c0, double* c1, double* c2) const {
    *c0 = *c1 = *c2 = 0.0;
    if (!Inside(row, col) || bitCount_ < 24)
        return;
    const uint8_t* p = At(row, col);
    *c0 = p[0];
    *c1 = p[1];
    *c2 = p[2];
}

uint8_t CDib::GetPixel8(int row, int col, int* error) const {
    if (!Inside(row, col) || bitCount_ < 8) {
        if (error)
            *error = 1;
        return 0;
    }
    return *At(row, col);
}

template <typename CopyPixel>
bool CDib::CopyStraight(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol,
                        CopyPixel copy) {
    if (!Inside(dstRow, dstCol) || !src.Inside(srcRow, srcCol))
        return false;
    const int rows = std::min(src.height_ - srcRow, height_ - dstRow);
    const int cols = std::min(src.width_ - srcCol, width_ - dstCol);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            copy(src.At(srcRow + r, srcCol + c), At(dstRow + r, dstCol + c));
    return true;
}

template <typename CopyPixel>
bool CDib::CopyTurned(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol,
                      CopyPixel copy) {
    if (!Inside(dstRow, dstCol) || !src.Inside(srcRow, srcCol))
        return false;
    // Source rows become destination columns (left to right); source columns become
    // destination rows going upwards from dstRow.
    for (int i = srcRow, x = dstCol; i < src.height_ && x < width_; ++i, ++x)
        for (int j = srcCol, y = dstRow; j < src.width_ && y >= 0; ++j, --y)
            copy(src.At(i, j), At(y, x));
    return true;
}

namespace {
void Copy1(const uint8_t* s, uint8_t* d) {
    *d = *s;
}
void Copy3(const uint8_t* s, uint8_t* d) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}
void Expand1(const uint8_t* s, uint8_t* d) {
    d[0] = d[1] = d[2] = *s;
}
}  // namespace

bool CDib::CopyRegion8(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol) {
    return bitCount_ == 8 && src.bitCount_ == 8 &&
           CopyStraight(src, srcRow, srcCol, dstRow, dstCol, Copy1);
}
bool CDib::CopyRegion8Turned(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol) {
    return bitCount_ == 8 && src.bitCount_ == 8 &&
           CopyTurned(src, srcRow, srcCol, dstRow, dstCol, Copy1);
}
bool CDib::CopyRegion24(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol) {
    return bitCount_ == 24 && src.bitCount_ == 24 &&
           CopyStraight(src, srcRow, srcCol, dstRow, dstCol, Copy3);
}
bool CDib::CopyRegion24Turned(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol) {
    return bitCount_ == 24 && src.bitCount_ == 24 &&
           CopyTurned(src, srcRow, srcCol, dstRow, dstCol, Copy3);
}
bool CDib::ExpandGrey(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol) {
    return bitCount_ == 24 && src.bitCount_ == 8 &&
           CopyStraight(src, srcRow, srcCol, dstRow, dstCol, Expand1);
}
bool CDib::ExpandGreyTurned(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol) {
    return bitCount_ == 24 && src.bitCount_ == 8 &&
           CopyTurned(src, srcRow, srcCol, dstRow, dstCol, Expand1);
}

bool CDib::ToGrey(const CDib& src) {
    if (bitCount_ != 8 || src.width_ != width_ || src.height_ != height_)
        return false;
    if (src.bitCount_ != 24 && src.bitCount_ != 32)
        return true;
    const size_t step = static_cast<size_t>(src.bitCount_ / 8);
    for (int y = 0; y < height_; ++y) {
        const uint8_t* s = src.pixels_.data() + static_cast<size_t>(y) * src.stride_;
        uint8_t* d = pixels_.data() + static_cast<size_t>(y) * stride_;
        for (int x = 0; x < width_; ++x, s += step)
            d[x] = static_cast<uint8_t>((s[0] + s[1] + s[2]) / 3);
    }
    return true;
}

std::vector<uint8_t> CDib::BmpHead() const {
    std::vector<uint8_t> out(BmpBitsOffset());
    uint8_t* p = out.data();
    Put16(p, 0x4D42);  // "BM"
    Put32(p, static_cast<uint32_t>(BmpFileSize()));
    Put16(p, 0);
    Put16(p, 0);
    Put32(p, static_cast<uint32_t>(BmpBitsOffset()));
    Put32(p, header_.size);
    Put32(p, static_cast<uint32_t>(header_.width));
    Put32(p, static_cast<uint32_t>(header_.height));
    Put16(p, header_.planes);
    Put16(p, header_.bitCount);
    Put32(p, header_.compression);
    Put32(p, header_.sizeImage);
    Put32(p, static_cast<uint32_t>(header_.xPelsPerMeter));
    Put32(p, static_cast<uint32_t>(header_.yPelsPerMeter));
    Put32(p, header_.clrUsed);
    Put32(p, header_.clrImportant);
    for (const RgbQuad& q : colorTable_) {
        *p++ = q.blue;
        *p++ = q.green;
        *p++ = q.red;
        *p++ = q.reserved;
    }
    return out;
}

WriteResult CDib::SaveBmp(const std::string& path, ExistingFile existing) const {
    return WriteFileSafely(
        path, existing,
        [&](std::FILE* out) -> std::string {
            const std::vector<uint8_t> head = BmpHead();
            if (std::fwrite(head.data(), 1, head.size(), out) != head.size() ||
                std::fwrite(pixels_.data(), 1, pixels_.size(), out) != pixels_.size())
                return "write error: " + path + ": " + std::strerror(errno);
            return {};
        },
        "write error: cannot create %s: ");
}

WriteResult CDib::SaveJpeg(const std::string& path, int components, ExistingFile existing) const {
    JpegSource source;
    source.width = width_;
    source.height = height_;
    // Bottom-up storage: the top picture row is the last memory row, and each next row lies one
    // stride lower in memory. libjpeg reads the rows in place.
    source.topRow = pixels_.data() + TopRowOffset();
    source.rowStep = -static_cast<ptrdiff_t>(stride_);
    if (components == 1 && bitCount_ == 8)
        source.pixels = JpegPixels::kGrey;
    else if (components == 3 && bitCount_ == 24)
        source.pixels = JpegPixels::kBgr;
    else if (components == 3 && bitCount_ == 32)
        source.pixels = JpegPixels::kBgrx;
    else
        return {WriteCode::kFailed,
                Format("%s: a %d-bit picture cannot be stored as a JPEG with %d component(s)",
                       path.c_str(), bitCount_, components)};
    return WriteJpegFile(source, path, existing);
}

}  // namespace tesmira
