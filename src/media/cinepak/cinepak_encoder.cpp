#include "media/cinepak/cinepak_encoder.h"

#include <algorithm>
#include <cmath>

#include "media/cinepak/cinepak_bitstream.h"
#include "media/cinepak/cinepak_codebook.h"

namespace tesmira::cinepak {

enum Mode : uint8_t { kSkip, kV1, kV4 };

// One horizontal band with its own codebooks and its own picture of what the decoder shows.
// Every buffer is sized once, so encoding a frame allocates nothing.
struct Strip {
    int top = 0, rows = 0, blocksX = 0, blocks = 0;
    Codebook v1, v4;
    std::vector<Vec> v4vec;  // four per block: top-left, top-right, bottom-left, bottom-right
    std::vector<Vec> v1vec;  // one per block: the block shrunk to 2x2
    std::vector<Vec> recon;  // four per block, as decoded
    std::vector<int32_t> skipErr, v1Err, v4Err;
    std::vector<uint8_t> mode, v1Idx, v4Idx;
    std::vector<int> coded, v4Cand;
    std::vector<Vec> train;
    std::vector<uint8_t> idx;
    std::vector<int32_t> dist;
    std::vector<uint8_t> out;
};

// Per-frame tuning derived from the quality setting.
struct Tuning {
    double lambda;    // error units one bit is worth
    int maxTrain;     // vectors a k-means pass looks at (more are subsampled)
    int passesKey;    // k-means passes in key frames
    int passesInter;  // and in inter frames, which start from a fitting codebook
};

namespace {

int RoundDiv(int a, int d) {
    return a >= 0 ? (a + d / 2) / d : -((-a + d / 2) / d);
}

// Converts the strip's BGR pixels to the working vectors.
void Convert(Strip& s, const uint8_t* bgr, int stride) {
    for (int by = 0; by * 4 < s.rows; ++by) {
        const uint8_t* row0 = bgr + int64_t(s.top + by * 4) * stride;
        for (int bx = 0; bx < s.blocksX; ++bx) {
            const int b = by * s.blocksX + bx;
            Vec* q4 = &s.v4vec[size_t(b) * 4];
            for (int q = 0; q < 4; ++q) {
                const uint8_t* p0 =
                    row0 + int64_t((q >> 1) * 2) * stride + (bx * 4 + (q & 1) * 2) * 3;
                int sumB = 0, sumR = 0, sumY7 = 0;
                for (int k = 0; k < 4; ++k) {
                    const uint8_t* p = p0 + int64_t(k >> 1) * stride + (k & 1) * 3;
                    const int y7 = 2 * p[2] + 4 * p[1] + p[0];  // 7 * luma
                    q4[q].c[k] = int16_t((4 * y7 + 7) / 14);    // 2 * luma, rounded
                    sumB += p[0];
                    sumR += p[2];
                    sumY7 += y7;
                }
                // Chroma of the 2x2: U = (B - Y) / 2, V = (R - Y) / 2, averaged, times five.
                q4[q].c[4] = int16_t(RoundDiv(5 * (7 * sumB - sumY7), 56));
                q4[q].c[5] = int16_t(RoundDiv(5 * (7 * sumR - sumY7), 56));
                q4[q].c[6] = q4[q].c[7] = 0;
            }
            Vec& one = s.v1vec[b];
            for (int q = 0; q < 4; ++q)
                one.c[q] = int16_t((q4[q].c[0] + q4[q].c[1] + q4[q].c[2] + q4[q].c[3] + 2) >> 2);
            one.c[4] = int16_t(RoundDiv(q4[0].c[4] + q4[1].c[4] + q4[2].c[4] + q4[3].c[4], 4));
            one.c[5] = int16_t(RoundDiv(q4[0].c[5] + q4[1].c[5] + q4[2].c[5] + q4[3].c[5], 4));
            one.c[6] = one.c[7] = 0;
        }
    }
}

int32_t BlockDistance(const Vec* a, const Vec* b) {
    return Distance(a[0], b[0]) + Distance(a[1], b[1]) + Distance(a[2], b[2]) +
           Distance(a[3], b[3]);
}

// The error of showing a block as one 2x2 vector stretched over it.
int32_t V1Error(const Vec* q4, const Vec& w) {
    int32_t e = 0;
    for (int q = 0; q < 4; ++q) {
        for (int k = 0; k < 4; ++k) {
            const int32_t d = q4[q].c[k] - w.c[q];
            e += d * d;
        }
        const int32_t du = q4[q].c[4] - w.c[4], dv = q4[q].c[5] - w.c[5];
        e += du * du + dv * dv;
    }
    return e;
}

void V1Recon(const Vec& w, Vec* out) {
    for (int q = 0; q < 4; ++q) {
        out[q] = Vec{};
        for (int k = 0; k < 4; ++k)
            out[q].c[k] = w.c[q];
        out[q].c[4] = w.c[4];
        out[q].c[5] = w.c[5];
    }
}

// Entries worth having for n vectors: each costs six bytes, so few vectors get a small book.
int CodebookSizeFor(int n) {
    return std::clamp(n / 3, std::min(n, 8), Codebook::kMaxSize);
}

void Train(Codebook& cb, const Vec* v, int n, const Tuning& t, bool key) {
    const int step = (n + t.maxTrain - 1) / t.maxTrain;
    cb.Train(v, n, step, CodebookSizeFor(n), key ? t.passesKey : t.passesInter);
}

// Nearest entries for all vectors; vectors the trained book fits far worse than an entry costs
// (often left out of the subsampled training) get entries of their own.
void Assign(Codebook& cb, const Vec* v, int n, Strip& s, double minGain) {
    cb.Nearest(v, n, s.idx.data(), s.dist.data());
    const int32_t minDist = int32_t(std::max(minGain, 2000.0));
    if (cb.AddOutliers(v, n, s.idx.data(), s.dist.data(), 16, minDist) > 0)
        cb.Nearest(v, n, s.idx.data(), s.dist.data());
}

void PutCodebook(ByteWriter& w, uint8_t id, const Codebook& cb) {
    const size_t at = w.BeginChunk(id);
    for (int j = 0; j < cb.Size(); ++j) {
        const Codeword& e = cb.Entry(j);
        for (int k = 0; k < 4; ++k)
            w.Put8(e.y[k]);
        w.Put8(uint8_t(e.u));
        w.Put8(uint8_t(e.v));
    }
    w.EndChunk(at);
}

void EncodeStrip(Strip& s, const uint8_t* bgr, int stride, bool key, int width, const Tuning& t) {
    Convert(s, bgr, stride);
    const double lambda = t.lambda;

    // Inter frames: blocks that have hardly changed since the decoder last drew them are left.
    s.coded.clear();
    for (int b = 0; b < s.blocks; ++b) {
        if (!key) {
            s.skipErr[b] = BlockDistance(&s.v4vec[size_t(b) * 4], &s.recon[size_t(b) * 4]);
            if (s.skipErr[b] <= lambda * 9) {
                s.mode[b] = kSkip;
                continue;
            }
        }
        s.coded.push_back(b);
    }

    // V1 for every coded block.
    const int n1 = int(s.coded.size());
    for (int i = 0; i < n1; ++i)
        s.train[i] = s.v1vec[s.coded[i]];
    if (n1 > 0) {
        Train(s.v1, s.train.data(), n1, t, key);
        Assign(s.v1, s.train.data(), n1, s, lambda * 4 * 9);
    }
    s.v4Cand.clear();
    for (int i = 0; i < n1; ++i) {
        const int b = s.coded[i];
        s.v1Idx[b] = s.idx[i];
        s.v1Err[b] = V1Error(&s.v4vec[size_t(b) * 4], s.v1.EntryVec(s.idx[i]));
        s.mode[b] = kV1;
        // Four vectors cost three bytes more; only blocks that could gain that much try them.
        if (s.v1Err[b] > lambda * 24)
            s.v4Cand.push_back(b);
    }

    // V4 for the blocks V1 fits badly, with a codebook trained on just those.
    const int n4 = int(s.v4Cand.size()) * 4;
    for (size_t i = 0; i < s.v4Cand.size(); ++i)
        std::copy_n(&s.v4vec[size_t(s.v4Cand[i]) * 4], 4, &s.train[i * 4]);
    if (n4 > 0) {
        Train(s.v4, s.train.data(), n4, t, key);
        Assign(s.v4, s.train.data(), n4, s, lambda * 48);
    }
    for (size_t i = 0; i < s.v4Cand.size(); ++i) {
        const int b = s.v4Cand[i];
        std::copy_n(&s.idx[i * 4], 4, &s.v4Idx[size_t(b) * 4]);
        s.v4Err[b] = s.dist[i * 4] + s.dist[i * 4 + 1] + s.dist[i * 4 + 2] + s.dist[i * 4 + 3];
    }

    // The choice per block: error plus the bits it costs.
    bool used1[Codebook::kMaxSize] = {}, used4[Codebook::kMaxSize] = {};
    for (const int b : s.coded) {
        const int flagBits = key ? 1 : 2;
        double best = s.v1Err[b] + lambda * (flagBits + 8);
        s.mode[b] = kV1;
        if (!key && s.skipErr[b] + lambda < best) {
            best = s.skipErr[b] + lambda;
            s.mode[b] = kSkip;
        }
        const bool cand = s.v1Err[b] > lambda * 24;
        if (cand && s.v4Err[b] + lambda * (flagBits + 32) < best)
            s.mode[b] = kV4;
        if (s.mode[b] == kV1)
            used1[s.v1Idx[b]] = true;
        if (s.mode[b] == kV4) {
            for (int q = 0; q < 4; ++q)
                used4[s.v4Idx[size_t(b) * 4 + q]] = true;
        }
    }
    uint8_t remap1[Codebook::kMaxSize] = {}, remap4[Codebook::kMaxSize] = {};
    const bool any1 = std::find(used1, used1 + s.v1.Size(), true) != used1 + s.v1.Size();
    const bool any4 = std::find(used4, used4 + s.v4.Size(), true) != used4 + s.v4.Size();
    if (any1)
        s.v1.Compact(used1, remap1);
    if (any4)
        s.v4.Compact(used4, remap4);

    // The stream, and the decoder's picture kept in step with it.
    s.out.clear();
    ByteWriter w(s.out);
    const size_t strip = BeginStrip(w, key, width, s.rows);
    if (any4)
        PutCodebook(w, kChunkV4CodebookFull, s.v4);
    if (any1)
        PutCodebook(w, kChunkV1CodebookFull, s.v1);
    const size_t image = w.BeginChunk(key ? kChunkImageIntra : kChunkImageInter);
    FlagWriter flags(w);
    for (int b = 0; b < s.blocks; ++b) {
        const Mode m = Mode(s.mode[b]);
        if (key) {
            flags.Put(m == kV4);
        } else {
            flags.Put(m != kSkip);
            if (m != kSkip)
                flags.Put(m == kV4);
        }
        Vec* r = &s.recon[size_t(b) * 4];
        if (m == kV1) {
            const uint8_t i = remap1[s.v1Idx[b]];
            w.Put8(i);
            V1Recon(s.v1.EntryVec(i), r);
        } else if (m == kV4) {
            for (int q = 0; q < 4; ++q) {
                const uint8_t i = remap4[s.v4Idx[size_t(b) * 4 + q]];
                w.Put8(i);
                r[q] = s.v4.EntryVec(i);
            }
        }
    }
    flags.Flush();
    w.EndChunk(image);
    EndStrip(w, strip);
}

}  // namespace
}  // namespace tesmira::cinepak

namespace tesmira {

using namespace cinepak;

namespace {

Tuning TuningFor(int quality) {
    const double q = std::clamp(quality, 1, 100);
    Tuning t{};
    // Quality 100 spends bytes on small gains; quality 1 only codes what changes a lot. The
    // default 75 gives files about the size of FFmpeg's encoder at its defaults.
    t.lambda = 200.0 * std::pow(20.0, (75.0 - q) / 74.0);
    t.maxTrain = 4096;
    t.passesKey = 3;
    t.passesInter = 2;
    return t;
}

}  // namespace

bool CinepakEncoder::Supports(int width, int height) {
    return width >= 4 && height >= 4 && width % 4 == 0 && height % 4 == 0 && width <= 65532 &&
           height <= 65532;
}

CinepakEncoder::CinepakEncoder(const Options& options) : options_(options) {
    ok_ = Supports(options.width, options.height);
    if (!ok_)
        return;
    const int bandsOf4 = options_.height / 4;
    options_.strips = std::clamp(options_.strips, 1, std::min(32, bandsOf4));
    options_.quality = std::clamp(options_.quality, 1, 100);
    const int blocksX = options_.width / 4;
    int top = 0;
    for (int i = 0; i < options_.strips; ++i) {
        // Whole block rows, spread as evenly as they go.
        const int bands = bandsOf4 * (i + 1) / options_.strips - bandsOf4 * i / options_.strips;
        auto s = std::make_unique<Strip>();
        s->top = top;
        s->rows = bands * 4;
        s->blocksX = blocksX;
        s->blocks = blocksX * bands;
        const size_t n = size_t(s->blocks);
        s->v4vec.resize(n * 4);
        s->v1vec.resize(n);
        s->recon.resize(n * 4);
        s->skipErr.resize(n);
        s->v1Err.resize(n);
        s->v4Err.resize(n);
        s->mode.resize(n);
        s->v1Idx.resize(n);
        s->v4Idx.resize(n * 4);
        s->coded.reserve(n);
        s->v4Cand.reserve(n);
        s->train.resize(n * 4);
        s->idx.resize(n * 4);
        s->dist.resize(n * 4);
        // A full frame: every block V4 with full codebooks, flags and headers.
        s->out.reserve(n * 4 + n / 8 + 2 * 6 * 256 + 64);
        top += s->rows;
        strips_.push_back(std::move(s));
    }
    out_.reserve(kFrameHeaderBytes + size_t(options_.width) * options_.height / 4 +
                 size_t(options_.strips) * 4096);
    if (options_.twoThreads && options_.strips >= 2) {
        split_ = options_.strips / 2;
        worker_ = std::thread([this] { WorkerLoop(); });
    }
}

CinepakEncoder::~CinepakEncoder() {
    if (worker_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        worker_.join();
    }
}

void CinepakEncoder::EncodeStrips(int first, int last, const uint8_t* bgr, int stride, bool key) {
    const Tuning t = TuningFor(options_.quality);
    for (int i = first; i < last; ++i)
        EncodeStrip(*strips_[i], bgr, stride, key, options_.width, t);
}

void CinepakEncoder::WorkerLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return jobPending_ || stop_; });
        if (stop_)
            return;
        lock.unlock();
        EncodeStrips(split_, options_.strips, jobBgr_, jobStride_, jobKey_);
        lock.lock();
        jobPending_ = false;
        done_.notify_one();
    }
}

std::span<const uint8_t> CinepakEncoder::Encode(const uint8_t* bgr, int stride, bool forceKey,
                                                bool* isKey) {
    if (!ok_ || !bgr)
        return {};
    const bool key = frames_ == 0 || forceKey || options_.keyFrameInterval <= 1 ||
                     sinceKey_ >= options_.keyFrameInterval;
    sinceKey_ = key ? 1 : sinceKey_ + 1;
    if (isKey)
        *isKey = key;

    if (worker_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            jobBgr_ = bgr;
            jobStride_ = stride;
            jobKey_ = key;
            jobPending_ = true;
        }
        wake_.notify_one();
        EncodeStrips(0, split_, bgr, stride, key);
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return !jobPending_; });
    } else {
        EncodeStrips(0, options_.strips, bgr, stride, key);
    }

    out_.clear();
    ByteWriter w(out_);
    const size_t frame = BeginFrame(w, options_.width, options_.height, options_.strips);
    for (const auto& s : strips_)
        out_.insert(out_.end(), s->out.begin(), s->out.end());
    EndFrame(w, frame);
    ++frames_;
    return {out_.data(), out_.size()};
}

}  // namespace tesmira
