#include "media/cinepak/cinepak_codebook.h"

#include <immintrin.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace tesmira::cinepak {
namespace {

// Distances are packed with the entry index into one int (distance << 8 | index) so that a
// single minimum finds both; real distances stay far below this cap.
constexpr int32_t kDistCap = 0x7FFFFF;
constexpr int16_t kFarAway = 0x4000;

int RoundDiv(int a, int d) {
    return a >= 0 ? (a + d / 2) / d : -((-a + d / 2) / d);
}

int32_t PairOf(const Vec& v, int k) {
    int32_t p;
    std::memcpy(&p, &v.c[2 * k], 4);
    return p;
}

__attribute__((target("avx2"))) void NearestAvx2(const int16_t (*pairs)[2 * Codebook::kMaxSize],
                                                 int padded, const Vec* v, int n, uint8_t* index,
                                                 int32_t* dist) {
    const __m256i cap = _mm256_set1_epi32(kDistCap);
    const __m256i eight = _mm256_set1_epi32(8);
    for (int i = 0; i < n; ++i) {
        const __m256i x0 = _mm256_set1_epi32(PairOf(v[i], 0));
        const __m256i x1 = _mm256_set1_epi32(PairOf(v[i], 1));
        const __m256i x2 = _mm256_set1_epi32(PairOf(v[i], 2));
        __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        __m256i best = _mm256_set1_epi32(INT_MAX);
        for (int j = 0; j < padded; j += 8) {
            const auto* p0 = reinterpret_cast<const __m256i*>(pairs[0] + 2 * j);
            const auto* p1 = reinterpret_cast<const __m256i*>(pairs[1] + 2 * j);
            const auto* p2 = reinterpret_cast<const __m256i*>(pairs[2] + 2 * j);
            const __m256i d0 = _mm256_sub_epi16(_mm256_load_si256(p0), x0);
            const __m256i d1 = _mm256_sub_epi16(_mm256_load_si256(p1), x1);
            const __m256i d2 = _mm256_sub_epi16(_mm256_load_si256(p2), x2);
            __m256i s = _mm256_madd_epi16(d0, d0);
            s = _mm256_add_epi32(s, _mm256_madd_epi16(d1, d1));
            s = _mm256_add_epi32(s, _mm256_madd_epi16(d2, d2));
            const __m256i key =
                _mm256_or_si256(_mm256_slli_epi32(_mm256_min_epi32(s, cap), 8), lane);
            best = _mm256_min_epi32(best, key);
            lane = _mm256_add_epi32(lane, eight);
        }
        __m128i m = _mm_min_epi32(_mm256_castsi256_si128(best), _mm256_extracti128_si256(best, 1));
        m = _mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
        m = _mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
        const int32_t k = _mm_cvtsi128_si32(m);
        index[i] = uint8_t(k & 0xFF);
        dist[i] = k >> 8;
    }
}

void NearestPlain(const Vec* entries, int size, const Vec* v, int n, uint8_t* index,
                  int32_t* dist) {
    for (int i = 0; i < n; ++i) {
        int32_t best = INT_MAX;
        int bestAt = 0;
        for (int j = 0; j < size; ++j) {
            const int32_t d = Distance(v[i], entries[j]);
            if (d < best) {
                best = d;
                bestAt = j;
            }
        }
        index[i] = uint8_t(bestAt);
        dist[i] = best;
    }
}

const bool kHaveAvx2 = __builtin_cpu_supports("avx2");

Codeword FromSums(const int64_t* sum, int64_t count) {
    Codeword w{};
    const int n = int(count);
    for (int k = 0; k < 4; ++k)
        w.y[k] = uint8_t(std::clamp(RoundDiv(int(sum[k]), kLumaScale * n), 0, 255));
    w.u = int8_t(std::clamp(RoundDiv(int(sum[4]), kChromaScale * n), -128, 127));
    w.v = int8_t(std::clamp(RoundDiv(int(sum[5]), kChromaScale * n), -128, 127));
    return w;
}

Codeword FromVec(const Vec& v) {
    const int64_t sum[6] = {v.c[0], v.c[1], v.c[2], v.c[3], v.c[4], v.c[5]};
    return FromSums(sum, 1);
}

}  // namespace

Vec ToVec(const Codeword& w) {
    Vec v{};
    for (int k = 0; k < 4; ++k)
        v.c[k] = int16_t(kLumaScale * w.y[k]);
    v.c[4] = int16_t(kChromaScale * w.u);
    v.c[5] = int16_t(kChromaScale * w.v);
    return v;
}

int32_t Distance(const Vec& a, const Vec& b) {
    int32_t d = 0;
    for (int k = 0; k < 6; ++k) {
        const int32_t e = a.c[k] - b.c[k];
        d += e * e;
    }
    return d;
}

void Codebook::Rebuild() {
    padded_ = (size_ + 7) & ~7;
    for (int j = 0; j < padded_; ++j) {
        for (int k = 0; k < 3; ++k) {
            pairs_[k][2 * j] = j < size_ ? vecs_[j].c[2 * k] : kFarAway;
            pairs_[k][2 * j + 1] = j < size_ ? vecs_[j].c[2 * k + 1] : kFarAway;
        }
    }
}

void Codebook::Nearest(const Vec* v, int n, uint8_t* index, int32_t* dist) const {
    if (kHaveAvx2)
        NearestAvx2(pairs_, padded_, v, n, index, dist);
    else
        NearestPlain(vecs_.data(), size_, v, n, index, dist);
}

void Codebook::Train(const Vec* v, int n, int step, int size, int passes) {
    step = std::max(step, 1);
    const int m = (n + step - 1) / step;  // vectors taking part
    size = std::min({size, m, kMaxSize});
    if (size <= 0) {
        size_ = 0;
        return;
    }
    size_ = std::min(size_, size);
    const int missing = size - size_;
    for (int i = 0; i < missing; ++i) {
        const int at = int((int64_t(i) * 2 + 1) * m / (2 * missing)) * step;
        entries_[size_ + i] = FromVec(v[at]);
    }
    size_ = size;
    for (int j = 0; j < size_; ++j)
        vecs_[j] = ToVec(entries_[j]);
    Rebuild();

    constexpr int kBatch = 64;
    uint8_t idx[kBatch];
    int32_t dist[kBatch];
    Vec gathered[kBatch];
    for (int pass = 0; pass < passes; ++pass) {
        int64_t sum[kMaxSize][6] = {};
        int64_t count[kMaxSize] = {};
        int64_t err[kMaxSize] = {};
        int32_t far[kMaxSize];
        int farAt[kMaxSize];
        std::fill_n(far, size_, -1);
        for (int i0 = 0; i0 < m; i0 += kBatch) {
            const int cnt = std::min(kBatch, m - i0);
            const Vec* src = v + int64_t(i0) * step;
            if (step > 1) {
                for (int b = 0; b < cnt; ++b)
                    gathered[b] = src[int64_t(b) * step];
                src = gathered;
            }
            Nearest(src, cnt, idx, dist);
            for (int b = 0; b < cnt; ++b) {
                const int j = idx[b];
                for (int k = 0; k < 6; ++k)
                    sum[j][k] += src[b].c[k];
                ++count[j];
                err[j] += dist[b];
                if (dist[b] > far[j]) {
                    far[j] = dist[b];
                    farAt[j] = (i0 + b) * step;
                }
            }
        }
        for (int j = 0; j < size_; ++j) {
            if (count[j] > 0)
                entries_[j] = FromSums(sum[j], count[j]);
        }
        // Cells that are empty or serve a handful of vectors well are worth less than a new entry
        // on the worst-fitting vector of the cell with the largest error: rare but distinct
        // vectors (a sharp edge among flat noisy areas) would otherwise never get an entry.
        const int64_t few = std::max<int64_t>(1, m / size_ / 8);
        for (int j = 0; j < size_; ++j) {
            if (count[j] > few)
                continue;
            const int donor = int(std::max_element(err, err + size_) - err);
            if (donor == j || err[donor] <= 4 * err[j] + 1 || far[donor] < 0)
                continue;
            entries_[j] = FromVec(v[farAt[donor]]);
            err[donor] = 0;
            err[j] = 0;
        }
        for (int j = 0; j < size_; ++j)
            vecs_[j] = ToVec(entries_[j]);
        Rebuild();
    }
}

int Codebook::AddOutliers(const Vec* v, int n, const uint8_t* index, const int32_t* dist,
                          int maxNew, int32_t minDist) {
    constexpr int kMaxNew = 32;
    maxNew = std::min(maxNew, kMaxNew);
    int worst[kMaxNew];
    int found = 0;
    int counts[kMaxSize] = {};
    for (int i = 0; i < n; ++i) {
        ++counts[index[i]];
        if (dist[i] <= minDist)
            continue;
        // Keep the worst few, largest first.
        int at = found < maxNew ? found++ : maxNew;
        if (at == maxNew && dist[i] <= dist[worst[maxNew - 1]])
            continue;
        at = std::min(at, maxNew - 1);
        while (at > 0 && dist[worst[at - 1]] < dist[i]) {
            worst[at] = worst[at - 1];
            --at;
        }
        worst[at] = i;
    }
    int changed = 0;
    bool taken[kMaxSize] = {};
    for (int k = 0; k < found; ++k) {
        const Vec& x = v[worst[k]];
        // An outlier close to one already given an entry shares it.
        bool near = false;
        for (int j = 0; j < size_ && !near; ++j)
            near = taken[j] && Distance(x, vecs_[j]) <= minDist;
        if (near)
            continue;
        int j = size_;
        if (size_ < kMaxSize) {
            ++size_;
        } else {
            int least = INT_MAX;
            for (int e = 0; e < size_; ++e) {
                if (!taken[e] && counts[e] < least) {
                    least = counts[e];
                    j = e;
                }
            }
            if (j == size_)
                break;
        }
        entries_[j] = FromVec(x);
        vecs_[j] = ToVec(entries_[j]);
        taken[j] = true;
        ++changed;
    }
    if (changed > 0)
        Rebuild();
    return changed;
}

void Codebook::Compact(const bool* used, uint8_t* remap) {
    int n = 0;
    for (int j = 0; j < size_; ++j) {
        if (!used[j])
            continue;
        remap[j] = uint8_t(n);
        entries_[n] = entries_[j];
        vecs_[n] = vecs_[j];
        ++n;
    }
    size_ = n;
    Rebuild();
}

}  // namespace tesmira::cinepak
