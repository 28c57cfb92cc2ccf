// Whole JPEG pictures as MJPEG cameras send them: a walk over the markers in front of the scan,
// and the standard Huffman tables that AVI players expect in every frame. Many cameras leave the
// tables out (the decoder is meant to know them), so a frame that lacks them gets them inserted
// just before its scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tesmira {

struct JpegLayout {
    bool valid = false;         // starts with SOI and reaches a scan through whole segments
    bool hasHuffman = false;    // a DHT segment comes before the scan
    size_t scanOffset = 0;      // where the SOS marker starts
    int width = 0, height = 0;  // from the frame header (SOF), 0 when there is none
};

// Reads only the header part; never reads past `size`.
JpegLayout WalkJpeg(const uint8_t* data, size_t size);

// The DHT segment (marker included) of the four standard tables.
const std::vector<uint8_t>& StandardHuffmanSegment();

// The frame as an AVI player wants it: unchanged when it has its tables (out stays empty and
// the caller writes the original), with the standard tables inserted before the scan otherwise.
// False for a frame that is not a JPEG picture.
bool CompleteJpegFrame(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

}  // namespace tesmira
