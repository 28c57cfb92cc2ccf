#include "media/bgr_to_bgrx.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESMIRA_X86 1
#endif

namespace tesmira {

void BgrRowToBgrxPlain(const uint8_t* src, uint8_t* dst, int width) {
    for (int x = 0; x < width; ++x, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 0xff;
    }
}

#ifdef TESMIRA_X86
namespace {
// Sixteen pixels at a time: 48 bytes in (three loads, never past the row), 64 bytes out. Streamed
// stores write around the caches, which a picture larger than them gains nothing from passing
// through (and the reads they would cost first).
template <bool kStream>
__attribute__((target("ssse3"))) void Shuffle(const uint8_t* src, uint8_t* dst, int width) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    auto store = [](uint8_t* to, __m128i v) {
        if constexpr (kStream)
            _mm_stream_si128(reinterpret_cast<__m128i*>(to), v);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v);
    };
    int x = 0;
    for (; x + 16 <= width; x += 16, src += 48, dst += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
        store(dst, _mm_or_si128(_mm_shuffle_epi8(a, spread), opaque));
        store(dst + 16, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread), opaque));
        store(dst + 32, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread), opaque));
        store(dst + 48, _mm_or_si128(_mm_shuffle_epi8(_mm_srli_si128(c, 4), spread), opaque));
    }
    BgrRowToBgrxPlain(src, dst, width - x);
}
}  // namespace

void BgrRowToBgrxShuffle(const uint8_t* src, uint8_t* dst, int width, bool stream) {
    // Streamed stores need 16-byte aligned targets.
    if (stream && reinterpret_cast<uintptr_t>(dst) % 16 == 0)
        Shuffle<true>(src, dst, width);
    else
        Shuffle<false>(src, dst, width);
}

void FinishStreamedStores() {
    _mm_sfence();
}

bool HasByteShuffle() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#else
void BgrRowToBgrxShuffle(const uint8_t* src, uint8_t* dst, int width, bool) {
    BgrRowToBgrxPlain(src, dst, width);
}

void FinishStreamedStores() {}

bool HasByteShuffle() {
    return false;
}
#endif

void ConvertBgrToBgrx(const uint8_t* src, size_t srcStride, uint8_t* dst, size_t dstStride,
                      int width, int height) {
    if (!src || !dst || width <= 0 || height <= 0)
        return;
    if (!HasByteShuffle()) {
        for (int y = 0; y < height; ++y)
            BgrRowToBgrxPlain(src + size_t(y) * srcStride, dst + size_t(y) * dstStride, width);
        return;
    }
    const bool stream = dstStride * size_t(height) >= kStreamedPictureBytes;
    for (int y = 0; y < height; ++y)
        BgrRowToBgrxShuffle(src + size_t(y) * srcStride, dst + size_t(y) * dstStride, width,
                            stream);
    if (stream)
        FinishStreamedStores();  // the frame is handed to another thread next
}

}  // namespace tesmira
