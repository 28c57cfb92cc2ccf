// Vector quantisation for Cinepak: 2x2 colour vectors (four luma samples and one chroma pair), a
// codebook of up to 256 of them, nearest-entry search and k-means training.
#pragma once

#include <array>
#include <cstdint>

namespace tesmira::cinepak {

// A 2x2 vector in the encoder's working scale: luma doubled, chroma times five. With those
// factors a plain squared distance approximates the squared RGB error of the decoded pixels
// (the decoder's R = Y + 2V, G = Y - U/2 - V, B = Y + 2U weighs chroma about six times luma).
// Lanes 6 and 7 are zero padding so that a vector is one 16-byte load.
struct alignas(16) Vec {
    int16_t c[8];
};
inline constexpr int kLumaScale = 2;
inline constexpr int kChromaScale = 5;

// One codebook entry as the stream carries it.
struct Codeword {
    uint8_t y[4];
    int8_t u, v;
};

Vec ToVec(const Codeword& w);
int32_t Distance(const Vec& a, const Vec& b);

class Codebook {
public:
    static constexpr int kMaxSize = 256;

    int Size() const { return size_; }
    const Codeword& Entry(int i) const { return entries_[i]; }
    const Vec& EntryVec(int i) const { return vecs_[i]; }

    // For each of n vectors, the nearest entry and its distance. The codebook must not be empty.
    void Nearest(const Vec* v, int n, uint8_t* index, int32_t* dist) const;

    // k-means: starts from the current entries (the previous frame's, usually close already),
    // tops up to `size` entries with vectors spread over the set, then refines `passes` times
    // using every `step`-th vector. Empty or nearly empty cells move to the worst-fitting vector
    // of the cell with the largest error, so no entry is wasted.
    void Train(const Vec* v, int n, int step, int size, int passes);

    // After the assignment of all vectors (index, dist): gives up to `maxNew` of the worst-fitting
    // vectors farther than `minDist` an entry of their own, appended or in place of the least
    // used entries. Returns how many entries changed; the caller then assigns again.
    int AddOutliers(const Vec* v, int n, const uint8_t* index, const int32_t* dist, int maxNew,
                    int32_t minDist);

    // Drops entries no index refers to; remap[old] gives the new index.
    void Compact(const bool* used, uint8_t* remap);

    void Clear() { size_ = 0; }

private:
    void Rebuild();

    int size_ = 0;
    std::array<Codeword, kMaxSize> entries_{};
    std::array<Vec, kMaxSize> vecs_{};
    // Search layout: three planes of (component 2k, component 2k+1) pairs, one pair per entry,
    // padded to a multiple of 8 entries with far-away values.
    alignas(32) int16_t pairs_[3][2 * kMaxSize]{};
    int padded_ = 0;
};

}  // namespace tesmira::cinepak
