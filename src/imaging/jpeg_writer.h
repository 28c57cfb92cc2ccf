// A thin layer over libjpeg (6b API): baseline JPEG at quality 100 from rows already in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imaging/safe_file.h"

namespace tesmira {

enum class JpegPixels {
    kGrey,  // 1 byte per pixel, 1 component
    kRgb,   // red, green, blue
    kBgr,   // blue, green, red, as a 24-bit bitmap stores them
    kBgrx,  // blue, green, red, unused, as a 32-bit bitmap stores them
};

// Where the picture's rows are: the top row at `topRow`, each next row `rowStep` bytes further
// (negative for bottom-up storage). Nothing is copied; the rows are read while compressing.
struct JpegSource {
    const uint8_t* topRow = nullptr;
    ptrdiff_t rowStep = 0;
    int width = 0;
    int height = 0;
    JpegPixels pixels = JpegPixels::kRgb;
};

// Pictures are stored with libjpeg's defaults (colour at half resolution each way) at quality
// 100: brightness then stays within a step or two of the source.
inline constexpr int kJpegQuality = 100;

// Writes `source` as a baseline JPEG at `path`. The file appears only once complete. Failure
// texts: "エラー: <path> が開きません。" when it cannot be created, or libjpeg's own message.
WriteResult WriteJpegFile(const JpegSource& source, const std::string& path,
                          ExistingFile existing = ExistingFile::kReplace);

}  // namespace tesmira
