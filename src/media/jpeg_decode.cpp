#include "media/jpeg_decode.h"

// jpeglib.h needs size_t and FILE declared first.
#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace tesmira {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void OnFatalError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Corrupt-data warnings come at frame rate from a bad cable; the frame is shown as decoded.
void Quiet(j_common_ptr, int) {}

}  // namespace

bool DecodeJpegToBgrx(const uint8_t* data, size_t size, uint8_t* dst, size_t stride, int width,
                      int height) {
    if (!data || size < 4 || !dst || width <= 0 || height <= 0 ||
        stride < static_cast<size_t>(width) * 4)
        return false;
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnFatalError;
    err.pub.emit_message = Quiet;
    // Locals changed after setjmp are not read after the jump: only cinfo is, through its pointer.
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK ||
        cinfo.image_width != static_cast<JDIMENSION>(width) ||
        cinfo.image_height != static_cast<JDIMENSION>(height)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_EXT_BGRX;
    cinfo.dct_method = JDCT_ISLOW;
    // The merged upsampler: a preview picture at a fraction of the cost of smooth chroma.
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&cinfo);
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, cinfo.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = dst + static_cast<size_t>(first + i) * stride;
        if (jpeg_read_scanlines(&cinfo, rows, count) == 0)
            break;  // cannot happen with a memory source; finishing then fails
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace tesmira
