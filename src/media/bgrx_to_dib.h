// The preview branch carries 32-bit BGRx (what the window paints without converting); the frame
// bitmap of stills and time-lapse stays the bottom-up 24-bit DIB, so a grabbed frame is turned
// into BGR 24 once, here, as it is copied.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tesmira {

class CDib;

// Copies a top-down BGRx picture into a 24-bit bitmap (bottom-up storage), dropping the x byte.
// Copies at most the rows and columns both sides have; any other bitmap depth is left alone.
void CopyBgrxIntoDib(const uint8_t* src, size_t srcStride, int srcWidth, int srcHeight, CDib& dib);
// The same for a top-down BGR 24 picture: rows are copied as they are.
void CopyBgrIntoDib(const uint8_t* src, size_t srcStride, int srcWidth, int srcHeight, CDib& dib);

}  // namespace tesmira
