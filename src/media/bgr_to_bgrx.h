// Widening 24-bit BGR rows to the window's 32-bit BGRx. GStreamer's converter takes this path
// through a generic two-pass route (about 3.5 ms per 1920 x 1080 frame here); a byte shuffle does
// it in one pass at close to memory speed, which matters for a camera delivering BGR at 60 fps.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tesmira {

// Converts `height` rows of `width` pixels; rows start every `srcStride` / `dstStride` bytes. The
// x byte is 0xff. Uses the processor's byte shuffle when it has one, and writes pictures of
// kStreamedPictureBytes or more around the caches (rows aligned to 16 bytes).
void ConvertBgrToBgrx(const uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride,
                      int width, int height);

inline constexpr size_t kStreamedPictureBytes = size_t(2) << 20;

// The ways of converting one row, chosen between by ConvertBgrToBgrx. The shuffle needs SSSE3 on
// x86 (HasByteShuffle); with `stream`, rows aligned to 16 bytes are written around the caches and
// FinishStreamedStores must follow before another thread reads them.
void BgrRowToBgrxPlain(const uint8_t* src, uint8_t* dst, int width);
void BgrRowToBgrxShuffle(const uint8_t* src, uint8_t* dst, int width, bool stream);
void FinishStreamedStores();
bool HasByteShuffle();

}  // namespace tesmira
