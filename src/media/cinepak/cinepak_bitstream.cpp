#include "media/cinepak/cinepak_bitstream.h"

namespace tesmira::cinepak {

size_t ByteWriter::BeginChunk(uint8_t id) {
    const size_t at = Size();
    Put8(id);
    Put24(0);
    return at;
}

void FlagWriter::Put(bool bit) {
    if (used_ == 32) {
        Flush();
        wordAt_ = w_.Reserve(4);
        word_ = 0;
        used_ = 0;
        open_ = true;
    }
    if (bit)
        word_ |= 0x80000000u >> used_;
    ++used_;
}

void FlagWriter::Flush() {
    if (open_)
        w_.Patch32(wordAt_, word_);
}

size_t BeginFrame(ByteWriter& w, int width, int height, int strips) {
    const size_t at = w.Size();
    // Flag bit 0: each strip keeps its own codebooks rather than starting from the strip above,
    // so a strip may leave its codebooks out when they have not changed.
    w.Put8(0x01);
    w.Put24(0);
    w.Put16(uint16_t(width));
    w.Put16(uint16_t(height));
    w.Put16(uint16_t(strips));
    return at;
}

void EndFrame(ByteWriter& w, size_t start) {
    w.Patch24(start + 1, uint32_t(w.Size() - start));
}

size_t BeginStrip(ByteWriter& w, bool key, int width, int rows) {
    const size_t at = w.Size();
    w.Put8(key ? kStripIdKey : kStripIdInter);
    w.Put24(0);
    w.Put16(0);  // top
    w.Put16(0);  // left
    w.Put16(uint16_t(rows));
    w.Put16(uint16_t(width));
    return at;
}

void EndStrip(ByteWriter& w, size_t start) {
    w.Patch24(start + 1, uint32_t(w.Size() - start));
}

}  // namespace tesmira::cinepak
