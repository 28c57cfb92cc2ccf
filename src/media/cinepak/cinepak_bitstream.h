// Byte-level writing of a Cinepak ('cvid') frame: the frame and strip headers, chunk headers whose
// sizes are filled in once the chunk is complete, and the block flag words that the image chunks
// interleave with their codebook indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tesmira::cinepak {

// Chunk ids inside a strip.
inline constexpr uint8_t kChunkV4CodebookFull = 0x20;
inline constexpr uint8_t kChunkV1CodebookFull = 0x22;
inline constexpr uint8_t kChunkImageIntra = 0x30;  // every block coded, one V1/V4 bit each
inline constexpr uint8_t kChunkImageInter = 0x31;  // a coded/skipped bit, then V1/V4 if coded
inline constexpr uint8_t kStripIdKey = 0x10;
inline constexpr uint8_t kStripIdInter = 0x11;
inline constexpr size_t kFrameHeaderBytes = 10;
inline constexpr size_t kStripHeaderBytes = 12;
inline constexpr size_t kChunkHeaderBytes = 4;

// Appends big-endian values to a buffer the caller owns (cleared, never shrunk, so its capacity is
// reused from frame to frame).
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

    size_t Size() const { return out_.size(); }
    void Put8(uint8_t v) { out_.push_back(v); }
    void Put16(uint16_t v) {
        out_.push_back(uint8_t(v >> 8));
        out_.push_back(uint8_t(v));
    }
    void Put24(uint32_t v) {
        out_.push_back(uint8_t(v >> 16));
        out_.push_back(uint8_t(v >> 8));
        out_.push_back(uint8_t(v));
    }
    void Patch24(size_t at, uint32_t v) {
        out_[at] = uint8_t(v >> 16);
        out_[at + 1] = uint8_t(v >> 8);
        out_[at + 2] = uint8_t(v);
    }
    void Patch32(size_t at, uint32_t v) {
        out_[at] = uint8_t(v >> 24);
        Patch24(at + 1, v);
    }
    // Room for a value written later; returns its offset.
    size_t Reserve(size_t n) {
        const size_t at = out_.size();
        out_.resize(at + n);
        return at;
    }

    // A chunk: id and a 24-bit size that counts the header too.
    size_t BeginChunk(uint8_t id);
    void EndChunk(size_t start) { Patch24(start + 1, uint32_t(out_.size() - start)); }

private:
    std::vector<uint8_t>& out_;
};

// The block flags of an image chunk. The decoder fetches a new 32-bit word (most significant bit
// first) at the moment it needs a bit and has none left, so a word is reserved in the byte stream
// exactly where the first of its bits is written, between the indices of earlier blocks.
class FlagWriter {
public:
    explicit FlagWriter(ByteWriter& w) : w_(w) {}
    ~FlagWriter() { Flush(); }

    void Put(bool bit);
    // Writes the word in progress; unused low bits stay zero.
    void Flush();

private:
    ByteWriter& w_;
    size_t wordAt_ = 0;
    uint32_t word_ = 0;
    int used_ = 32;  // bits of the open word taken; 32 = a new word is needed
    bool open_ = false;
};

// Frame header: flags, size of the whole frame, size, strip count.
size_t BeginFrame(ByteWriter& w, int width, int height, int strips);
void EndFrame(ByteWriter& w, size_t start);

// Strip header with coordinates relative to the previous strip (top 0, bottom = strip height),
// which old and new decoders read alike.
size_t BeginStrip(ByteWriter& w, bool key, int width, int rows);
void EndStrip(ByteWriter& w, size_t start);

}  // namespace tesmira::cinepak
