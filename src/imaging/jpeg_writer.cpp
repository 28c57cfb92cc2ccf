#include "imaging/jpeg_writer.h"

// jpeglib.h needs size_t and FILE declared first.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "core/ui_text.h"

namespace tesmira {
namespace {

constexpr char kOpenError[] = UI_TEXT_NOOP("Imaging", "エラー: %s が開きません。\n");

// libjpeg reports a fatal error by calling error_exit, which must not return: jump back to the
// compressing function with the library's message kept.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnFatalError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

J_COLOR_SPACE ColourSpaceOf(JpegPixels pixels) {
    switch (pixels) {
        case JpegPixels::kGrey:
            return JCS_GRAYSCALE;
        case JpegPixels::kBgr:
            return JCS_EXT_BGR;
        case JpegPixels::kBgrx:
            return JCS_EXT_BGRX;
        case JpegPixels::kRgb:
            break;
    }
    return JCS_RGB;
}

int BytesPerPixel(JpegPixels pixels) {
    switch (pixels) {
        case JpegPixels::kGrey:
            return 1;
        case JpegPixels::kBgrx:
            return 4;
        default:
            return 3;
    }
}

// Only plain data lives in this frame, so the longjmp out of libjpeg skips no destructors.
// True on success; on failure err->message holds libjpeg's text.
bool Compress(const JpegSource& src, std::FILE* out, ErrorManager* err) {
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&err->pub);
    err->pub.error_exit = OnFatalError;
    err->message[0] = '\0';
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(src.width);
    cinfo.image_height = static_cast<JDIMENSION>(src.height);
    cinfo.input_components = BytesPerPixel(src.pixels);
    cinfo.in_color_space = ColourSpaceOf(src.pixels);
    // libjpeg's defaults (colour at half resolution each way, as every reader of our series
    // expects), at quality 100.
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kJpegQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    // Hand libjpeg a batch of row pointers at a time; the rows themselves are not copied.
    constexpr int kBatch = 16;
    JSAMPROW rows[kBatch];
    while (cinfo.next_scanline < cinfo.image_height) {
        int n = 0;
        for (JDIMENSION y = cinfo.next_scanline; n < kBatch && y < cinfo.image_height; ++y, ++n)
            rows[n] = const_cast<JSAMPROW>(src.topRow + static_cast<ptrdiff_t>(y) * src.rowStep);
        jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

WriteResult WriteJpegFile(const JpegSource& source, const std::string& path,
                          ExistingFile existing) {
    if (!source.topRow || source.width <= 0 || source.height <= 0 || source.width > 65500 ||
        source.height > 65500) {
        return {WriteCode::kFailed, "no picture to write to " + path};
    }
    return WriteFileSafely(
        path, existing,
        [&](std::FILE* out) -> std::string {
            ErrorManager err;
            if (Compress(source, out, &err))
                return {};
            return path + ": " + err.message;
        },
        UiText("Imaging", kOpenError).c_str());
}

}  // namespace tesmira
