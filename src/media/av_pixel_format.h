// The FFmpeg pixel format of each frame layout the record branch carries.
#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "media/avi_writer.h"

namespace tesmira {

inline AVPixelFormat AvPixelFormatOf(PixelLayout layout) {
    switch (layout) {
        case PixelLayout::Bgr24:
            return AV_PIX_FMT_BGR24;
        case PixelLayout::Bgrx32:
            return AV_PIX_FMT_BGR0;
        case PixelLayout::Gray8:
            return AV_PIX_FMT_GRAY8;
        case PixelLayout::Yuy2:
            return AV_PIX_FMT_YUYV422;
    }
    return AV_PIX_FMT_BGR24;
}

}  // namespace tesmira
