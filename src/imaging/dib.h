// A device-independent bitmap: width, height, bit depth, the 40-byte info header, an optional
// colour table and bottom-up pixel storage laid out as in a BMP file (rows padded to a multiple of
// 4 bytes, the first row in memory is the bottom picture row). Writes itself as BMP and JPEG.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/safe_file.h"

namespace tesmira {

// The BITMAPINFOHEADER fields, in file order (all little-endian on disk).
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;  // positive: rows are stored bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = 0;  // uncompressed
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

// One colour-table entry, in the byte order of a BMP file.
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
};

class CDib {
public:
    static constexpr size_t kFileHeaderSize = 14;
    static constexpr size_t kInfoHeaderSize = 40;

    // Makes the header, a zeroed colour table (2, 16 or 256 entries for 1-, 4- and 8-bit
    // pictures) and zero-filled pixel storage; nullptr when the size or depth is not usable or
    // memory runs out.
    static std::unique_ptr<CDib> Create(int width, int height, int bitCount);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bitCount_; }
    size_t Stride() const { return stride_; }  // bytes per stored row, a multiple of 4
    size_t ImageSize() const { return pixels_.size(); }
    size_t TopRowOffset() const { return pixels_.size() - stride_; }
    int ColorCount() const { return static_cast<int>(colorTable_.size()); }
    // 1 when the picture has a colour table (grey JPEGs), 3 otherwise.
    int Components() const { return colorTable_.empty() ? 3 : 1; }
    const BitmapInfoHeader& Header() const { return header_; }
    // Where the pixel bits start in a BMP file: 54 + 4 × colour count.
    size_t BmpBitsOffset() const {
        return kFileHeaderSize + kInfoHeaderSize + 4 * colorTable_.size();
    }
    size_t BmpFileSize() const { return BmpBitsOffset() + ImageSize(); }

    std::vector<RgbQuad>& ColorTable() { return colorTable_; }
    const std::vector<RgbQuad>& ColorTable() const { return colorTable_; }
    // Fills the colour table of a 256-colour bitmap with entry i = (i, i, i); false for any other.
    bool MakeGreyPalette();

    uint8_t* Pixels() { return pixels_.data(); }
    const uint8_t* Pixels() const { return pixels_.data(); }
    // Row `y` of the picture counted from the top (stored at memory row height - 1 - y).
    uint8_t* PictureRow(int y) { return pixels_.data() + (height_ - 1 - y) * stride_; }
    const uint8_t* PictureRow(int y) const { return pixels_.data() + (height_ - 1 - y) * stride_; }

    // Copies a top-down picture of the same bit depth into the bottom-up storage. Copies at most
    // the rows and row bytes both sides have, so a frame of another size never overruns the
    // storage.
    void CopyFromTopDown(const uint8_t* src, size_t srcStride, int srcWidth, int srcHeight);

    // Pixel access by (row from the top, column from the left). Outside the picture (or on a
    // depth with less than a byte per pixel) the result is 0; GetPixel8 then sets *error to 1.
    void GetPixelRGB(int row, int col, double* c0, double* c1, double* c2) const;
    uint8_t GetPixel8(int row, int col, int* error) const;

    // Region copies from `src` starting at (srcRow, srcCol) into this bitmap starting at
    // (dstRow, dstCol): the largest rectangle that fits both. The turned forms rotate by a
    // quarter: source row i goes to column dstCol + (i - srcRow), source column j to row
    // dstRow - (j - srcCol). False, with nothing changed, when a start point lies outside its
    // bitmap or the depths do not suit the copy.
    bool CopyRegion8(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol);
    bool CopyRegion8Turned(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol);
    bool CopyRegion24(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol);
    bool CopyRegion24Turned(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol);
    // An 8-bit source into this 24-bit bitmap, grey v written as (v, v, v).
    bool ExpandGrey(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol);
    bool ExpandGreyTurned(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol);

    // A 24- or 32-bit source of the same size into this 8-bit bitmap: grey = (B + G + R) / 3.
    // False when the sizes differ or this is not 8-bit; other source depths change nothing.
    bool ToGrey(const CDib& src);

    // The start of a BMP file: file header, info header and colour table; the bits follow.
    std::vector<uint8_t> BmpHead() const;
    // Writes the BMP file; it appears under `path` only once it is complete.
    WriteResult SaveBmp(const std::string& path,
                        ExistingFile existing = ExistingFile::kReplace) const;
    // Writes a baseline JPEG at quality 100 with 1 (8-bit bitmap) or 3 (24- or 32-bit bitmap)
    // components; another count is refused.
    WriteResult SaveJpeg(const std::string& path, int components,
                         ExistingFile existing = ExistingFile::kReplace) const;

    static size_t StrideFor(int width, int bitCount) {
        return ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    }

private:
    CDib(int width, int height, int bitCount);

    bool Inside(int row, int col) const {
        return row >= 0 && row < height_ && col >= 0 && col < width_;
    }
    const uint8_t* At(int row, int col) const {
        return PictureRow(row) + static_cast<size_t>(col) * (bitCount_ / 8);
    }
    uint8_t* At(int row, int col) {
        return PictureRow(row) + static_cast<size_t>(col) * (bitCount_ / 8);
    }

    // The straight and turned walks shared by the region copies; `copy` moves one pixel.
    template <typename CopyPixel>
    bool CopyStraight(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol,
                      CopyPixel copy);
    template <typename CopyPixel>
    bool CopyTurned(const CDib& src, int srcRow, int srcCol, int dstRow, int dstCol,
                    CopyPixel copy);

    int width_;
    int height_;
    int bitCount_;
    size_t stride_;
    BitmapInfoHeader header_;
    std::vector<RgbQuad> colorTable_;
    std::vector<uint8_t> pixels_;
};

}  // namespace tesmira
