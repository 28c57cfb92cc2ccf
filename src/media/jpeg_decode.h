// Decoding a camera's JPEG picture straight into the window's BGRx layout (libjpeg-turbo), with
// no intermediate planar picture and no second conversion.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tesmira {

// False, with `dst` possibly half written, for a damaged picture or one whose size is not
// width × height; `dst` holds at least stride × height bytes with stride ≥ 4 × width.
bool DecodeJpegToBgrx(const uint8_t* data, size_t size, uint8_t* dst, size_t stride, int width,
                      int height);

}  // namespace tesmira
