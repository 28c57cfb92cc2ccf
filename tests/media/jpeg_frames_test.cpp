#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "media/jpeg_decode.h"
#include "media/jpeg_frames.h"

namespace tesmira {
namespace {

// A colour picture as libjpeg writes it: baseline, with the standard Huffman tables.
std::vector<uint8_t> EncodeTestPicture(int w, int h) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(w) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uint8_t(x * 255 / w);  // red rises to the right
            row[3 * x + 1] = uint8_t(cinfo.next_scanline * 255 / h);
            row[3 * x + 2] = 40;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    free(out);
    jpeg_destroy_compress(&cinfo);
    return bytes;
}

// The picture without its DHT segments, and their bodies joined, as a camera would leave them out.
std::vector<uint8_t> StripHuffman(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>* bodies) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    size_t pos = 2;
    while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
        const size_t len = size_t(jpeg[pos + 2]) << 8 | jpeg[pos + 3];
        if (jpeg[pos + 1] == 0xC4)
            bodies->insert(bodies->end(), jpeg.begin() + pos + 4, jpeg.begin() + pos + 2 + len);
        else
            out.insert(out.end(), jpeg.begin() + pos, jpeg.begin() + pos + 2 + len);
        pos += 2 + len;
    }
    out.insert(out.end(), jpeg.begin() + pos, jpeg.end());
    return out;
}

TEST(JpegFrames, StandardTablesAreTheOnesLibjpegWritesAndCompleteAStrippedFrame) {
    const std::vector<uint8_t> original = EncodeTestPicture(64, 48);
    std::vector<uint8_t> libjpegTables;
    const std::vector<uint8_t> stripped = StripHuffman(original, &libjpegTables);
    const std::vector<uint8_t>& ours = StandardHuffmanSegment();
    ASSERT_GT(ours.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(ours.begin() + 4, ours.end()), libjpegTables);

    std::vector<uint8_t> completed;
    ASSERT_TRUE(CompleteJpegFrame(original.data(), original.size(), completed));
    EXPECT_TRUE(completed.empty()) << "a frame with its tables is written as it is";
    ASSERT_TRUE(CompleteJpegFrame(stripped.data(), stripped.size(), completed));
    ASSERT_EQ(completed.size(), stripped.size() + ours.size());
    const JpegLayout layout = WalkJpeg(completed.data(), completed.size());
    EXPECT_TRUE(layout.valid && layout.hasHuffman);

    std::vector<uint8_t> a(64 * 4 * 48), b(64 * 4 * 48);
    ASSERT_TRUE(DecodeJpegToBgrx(original.data(), original.size(), a.data(), 64 * 4, 64, 48));
    ASSERT_TRUE(DecodeJpegToBgrx(completed.data(), completed.size(), b.data(), 64 * 4, 64, 48));
    EXPECT_EQ(a, b);
    // Red rises to the right, in the window's blue-green-red-x order.
    EXPECT_LT(a[2], 40);
    EXPECT_GT(a[4 * 63 + 2], 200);
    EXPECT_NEAR(a[0], 40, 12);
}

TEST(JpegFrames, MarkerWalkTakesOnlyWholeHeadersAndNeverReadsPastTheEnd) {
    const std::vector<uint8_t> picture = EncodeTestPicture(32, 16);
    const size_t scan = WalkJpeg(picture.data(), picture.size()).scanOffset;
    ASSERT_GT(scan, 2u);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool valid;
    };
    std::vector<uint8_t> filled = picture;
    filled.insert(filled.begin() + 2, {0xFF, 0xFF});  // fill bytes before a marker
    std::vector<uint8_t> early = {0xFF, 0xD8, 0xFF, 0xD9};
    std::vector<uint8_t> longSegment = {0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xF0, 0x00};
    std::vector<uint8_t> shortLength = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xDA, 0, 2};
    std::vector<uint8_t> stray = {0xFF, 0xD8, 0x12, 0x34, 0xFF, 0xDA, 0x00, 0x02};
    const Case cases[] = {
        {"whole picture", picture, true},
        {"fill bytes", filled, true},
        {"cut inside the SOS header", {picture.begin(), picture.begin() + long(scan) + 3}, false},
        {"cut before the scan", {picture.begin(), picture.begin() + long(scan)}, false},
        {"no SOI", {picture.begin() + 2, picture.end()}, false},
        {"EOI before any scan", early, false},
        {"segment longer than the frame", longSegment, false},
        {"length below two", shortLength, false},
        {"bytes between segments", stray, false},
        {"empty", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A copy of exactly the given size, so reading one byte too far is seen by the sanitizer.
        std::vector<uint8_t> exact(c.bytes);
        const JpegLayout layout = WalkJpeg(exact.empty() ? nullptr : exact.data(), exact.size());
        EXPECT_EQ(layout.valid, c.valid);
        std::vector<uint8_t> out;
        EXPECT_EQ(CompleteJpegFrame(exact.data(), exact.size(), out), c.valid);
        if (c.valid) {
            EXPECT_TRUE(layout.hasHuffman);
            EXPECT_EQ(layout.width, 32);
            EXPECT_EQ(layout.height, 16);
        }
    }
}

TEST(JpegFrames, DecoderRefusesDamagedPicturesAndOtherSizes) {
    const std::vector<uint8_t> picture = EncodeTestPicture(32, 16);
    std::vector<uint8_t> dst(32 * 4 * 16);
    EXPECT_TRUE(DecodeJpegToBgrx(picture.data(), picture.size(), dst.data(), 32 * 4, 32, 16));
    EXPECT_FALSE(DecodeJpegToBgrx(picture.data(), picture.size(), dst.data(), 32 * 4, 16, 16));
    EXPECT_FALSE(DecodeJpegToBgrx(picture.data(), picture.size(), dst.data(), 8, 32, 16));
    const std::vector<uint8_t> garbage(500, 0x5A);
    EXPECT_FALSE(DecodeJpegToBgrx(garbage.data(), garbage.size(), dst.data(), 32 * 4, 32, 16));
    // Cut in the middle of the scan: libjpeg pads what is missing, nothing is read past the end.
    DecodeJpegToBgrx(picture.data(), picture.size() / 2, dst.data(), 32 * 4, 32, 16);
}

}  // namespace
}  // namespace tesmira
