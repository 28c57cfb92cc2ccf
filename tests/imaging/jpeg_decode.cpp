// libjpeg's decompressor for the tests, with a fatal-error handler that returns instead of
// ending the test program.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "imaging_test_util.h"

namespace tesmira::testing {
namespace {

struct ErrorJump {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void OnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorJump*>(cinfo->err)->jump, 1);
}

bool Run(const std::vector<uint8_t>& file, Decoded* out) {
    jpeg_decompress_struct cinfo;
    ErrorJump err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    out->hSamp0 = cinfo.comp_info[0].h_samp_factor;
    out->vSamp0 = cinfo.comp_info[0].v_samp_factor;
    out->progressive = cinfo.progressive_mode;
    jpeg_start_decompress(&cinfo);
    out->width = static_cast<int>(cinfo.output_width);
    out->height = static_cast<int>(cinfo.output_height);
    out->components = cinfo.output_components;
    const size_t rowBytes = static_cast<size_t>(out->width) * out->components;
    out->pixels.resize(rowBytes * out->height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->pixels.data() + cinfo.output_scanline * rowBytes;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

Decoded DecodeJpeg(const std::vector<uint8_t>& file) {
    Decoded out;
    if (!file.empty())
        out.ok = Run(file, &out);
    return out;
}

}  // namespace tesmira::testing
