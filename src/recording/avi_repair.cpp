#include "recording/avi_repair.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace tesmira {
namespace {

constexpr uint32_t kKeyFrame = 0x10;        // idx1 AVIIF_KEYFRAME
constexpr uint32_t kDeltaBit = 0x80000000;  // ix## entries: set on frames that are not key frames

void Put32(std::vector<uint8_t>& b, uint32_t v) {
    const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    b.insert(b.end(), bytes, bytes + 4);
}

// A 32-bit field the repair sets; the file counts as whole when every one already holds it.
struct Patch {
    int64_t at;
    uint32_t value;
};

// Index entries are built into a buffer that is written out whenever it fills up.
class IndexWriter {
public:
    IndexWriter(AviFile& file, int64_t at) : file_(file), at_(at) {}
    void Add32(uint32_t v) {
        Put32(buf_, v);
        if (buf_.size() >= (1u << 20))
            Flush();
    }
    bool Flush() {
        if (ok_ && !buf_.empty())
            ok_ = file_.Write(at_, buf_.data(), buf_.size());
        at_ += int64_t(buf_.size());
        buf_.clear();
        return ok_;
    }
    int64_t End() const { return at_ + int64_t(buf_.size()); }

private:
    AviFile& file_;
    int64_t at_;
    std::vector<uint8_t> buf_;
    bool ok_ = true;
};

bool TailIsZero(AviFile& file, int64_t from, int64_t to) {
    std::vector<uint8_t> block(1 << 20);
    for (int64_t at = from; at < to; at += int64_t(block.size())) {
        const size_t n = size_t(std::min<int64_t>(int64_t(block.size()), to - at));
        if (!file.Read(at, block.data(), n))
            return false;
        if (std::any_of(block.begin(), block.begin() + n, [](uint8_t b) { return b != 0; }))
            return false;
    }
    return true;
}

AviRepairResult Finish(AviRepairResult r, AviRepairStatus status, const AviFile& file,
                       const std::string& error = {}) {
    r.status = status;
    r.error = error;
    r.bytesRead = file.bytesRead;
    r.bytesWritten = file.bytesWritten;
    return r;
}

uint32_t ChunkIdOf(int stream, const AviStreamInfo& s) {
    const char kind[2] = {s.type == Fcc("auds") ? 'w' : 'd', s.type == Fcc("auds") ? 'b' : 'c'};
    return uint32_t('0' + stream / 10) | uint32_t('0' + stream % 10) << 8 |
           uint32_t(uint8_t(kind[0])) << 16 | uint32_t(uint8_t(kind[1])) << 24;
}

// What strh dwLength holds: samples for fixed-size audio samples, chunks otherwise.
uint32_t StreamLength(const AviStreamInfo& s, int64_t chunks, int64_t bytes) {
    if (s.type == Fcc("auds") && s.sampleSize > 0) {
        const uint32_t unit = s.blockAlign ? s.blockAlign : s.sampleSize;
        return uint32_t(bytes / unit);
    }
    return uint32_t(chunks);
}

}  // namespace

const char* AviRepairStatusName(AviRepairStatus status) {
    switch (status) {
        case AviRepairStatus::Repaired:
            return "repaired";
        case AviRepairStatus::AlreadyWhole:
            return "already whole";
        case AviRepairStatus::NotAvi:
            return "not an AVI file";
        case AviRepairStatus::Unrepairable:
            return "cannot be repaired";
        case AviRepairStatus::OpenFailed:
            return "cannot be opened";
        case AviRepairStatus::WriteFailed:
            return "write failed";
    }
    return "";
}

AviRepairResult RepairAvi(const std::string& path, const AviRepairOptions& options) {
    AviRepairResult r;
    AviFile file;
    std::string why;
    if (!file.Open(path, !options.dryRun, &why))
        return Finish(r, AviRepairStatus::OpenFailed, file, why);
    AviHeader h;
    std::vector<AviSegment> segs;
    if (!ReadAviLayout(file, &h, &segs, &why))
        return Finish(r, AviRepairStatus::NotAvi, file, path + ": " + why);

    const size_t ns = h.streams.size();
    int video = -1;
    for (size_t i = 0; i < ns && video < 0; ++i) {
        if (h.streams[i].type == Fcc("vids"))
            video = int(i);
    }
    r.segments = int(segs.size());
    if (h.microSecPerFrame)
        r.headerRate = 1e6 / h.microSecPerFrame;
    if (video >= 0) {
        const AviStreamInfo& v = h.streams[size_t(video)];
        r.keyFrames = v.keys;
        if (v.scale)
            r.streamRate = double(v.rate) / v.scale;
    }

    // Closed parts: only counted.
    std::vector<int64_t> chunks(ns, 0), bytes(ns, 0);
    int64_t firstPartVideo = 0;
    for (size_t i = 0; i + 1 < segs.size(); ++i) {
        const AviSegment& s = segs[i];
        const int64_t end = s.moviAt + 8 + int64_t(s.moviSize);
        if (s.moviSize == kNoSize || end > s.riffAt + 8 + int64_t(s.riffSize))
            return Finish(r, AviRepairStatus::Unrepairable, file,
                          path + ": RIFF part " + std::to_string(i + 1) + " is damaged");
        const MoviWalk w = WalkMovi(file, h, s.moviAt + 12, end, nullptr);
        for (size_t k = 0; k < ns; ++k) {
            chunks[k] += w.streamChunks[k];
            bytes[k] += w.streamBytes[k];
        }
        if (i == 0 && video >= 0)
            firstPartVideo = w.streamChunks[size_t(video)];
    }

    // The last part: walked for its index entries.
    const AviSegment& last = segs.back();
    const bool single = segs.size() == 1;
    const int64_t size = file.Size();
    const int64_t declaredEnd =
        last.moviSize == kNoSize ? -1 : last.moviAt + 8 + int64_t(last.moviSize);
    const int64_t limit = declaredEnd > 0 && declaredEnd <= size ? declaredEnd : size;
    std::vector<MoviChunk> entries;
    const MoviWalk w = WalkMovi(file, h, last.moviAt + 12, limit,
                                [&](const MoviChunk& c) { entries.push_back(c); });
    for (size_t k = 0; k < ns; ++k) {
        chunks[k] += w.streamChunks[k];
        bytes[k] += w.streamBytes[k];
    }
    if (single && video >= 0)
        firstPartVideo = chunks[size_t(video)];
    if (video >= 0)
        r.videoFrames = chunks[size_t(video)];
    for (size_t k = 0; k < ns; ++k) {
        if (h.streams[k].type == Fcc("auds"))
            r.audioBytes += bytes[k];
    }
    if (r.streamRate > 0)
        r.seconds = double(r.videoFrames) / r.streamRate;

    // Whole: the list closed where its chunks end, the index right behind, the file ending there.
    bool ok = true;
    const bool closed = declaredEnd == w.end && !w.torn;
    int64_t wholeEnd = w.end;
    bool indexed = false;
    if (single) {
        const uint32_t id = file.Read32(w.end, &ok);
        const uint32_t idxSize = file.Read32(w.end + 4, &ok);
        indexed = ok && id == Fcc("idx1") && int64_t(idxSize) == 16 * w.chunks;
        wholeEnd = w.end + 8 + int64_t(idxSize);
    } else {
        indexed = w.trailingIx >= int(ns);
    }
    const bool rebuild = !(closed && indexed && size == wholeEnd &&
                           int64_t(last.riffSize) == wholeEnd - last.riffAt - 8);
    if (rebuild && !w.torn && w.end < limit) {
        // The walk met another RIFF part inside this one's frames: cutting would drop it.
        return Finish(r, AviRepairStatus::Unrepairable, file,
                      path + ": frame list ends at a RIFF header");
    }

    std::vector<Patch> patches;
    if (video >= 0)
        patches.push_back({h.avihAt + 16, uint32_t(firstPartVideo)});
    for (size_t k = 0; k < ns; ++k)
        patches.push_back({h.streams[k].lengthAt, StreamLength(h.streams[k], chunks[k], bytes[k])});
    if (h.odmlAt && video >= 0) {
        if (!single)
            patches.push_back({h.odmlAt, Fcc("LIST")});  // the reserved list becomes OpenDML's
        if (!single || !h.odmlReserved)
            patches.push_back({h.odmlAt + 20, uint32_t(r.videoFrames)});
    }

    const int64_t cut = w.dataEnd;
    int64_t newEnd = size;
    if (rebuild) {
        const int64_t lost = size - w.end;
        if (lost > options.maxCutBytes && !TailIsZero(file, w.end, size))
            return Finish(r, AviRepairStatus::Unrepairable, file,
                          path + ": " + std::to_string(lost) +
                              " bytes after the last whole frame hold data; not cut off");
        r.cutBytes = std::max<int64_t>(0, lost);
        newEnd = single ? cut + 8 + 16 * int64_t(entries.size())
                        : cut + int64_t(ns) * 32 + 8 * int64_t(entries.size());
        if (newEnd - last.riffAt - 8 > int64_t(kNoSize - 1))
            return Finish(r, AviRepairStatus::Unrepairable, file,
                          path + ": the RIFF part would exceed 4 GB");
        // 'idx1' follows the frame list; the 'ix##' indexes of a later part sit inside it.
        const int64_t moviEnd = single ? cut : newEnd;
        patches.push_back({last.moviAt + 4, uint32_t(moviEnd - last.moviAt - 8)});
        patches.push_back({last.riffAt + 4, uint32_t(newEnd - last.riffAt - 8)});
    }

    bool changed = rebuild;
    for (const Patch& p : patches) {
        bool readOk = true;
        if (file.Read32(p.at, &readOk) != p.value || !readOk)
            changed = true;
    }
    if (!changed)
        return Finish(r, AviRepairStatus::AlreadyWhole, file);
    if (options.dryRun)
        return Finish(r, AviRepairStatus::Repaired, file);

    const auto writeError = [&] { return path + ": " + std::strerror(errno ? errno : EIO); };
    if (rebuild) {
        const int64_t base = last.moviAt + 8;  // offsets count from the 'movi' mark
        IndexWriter out(file, cut);
        if (single) {
            out.Add32(Fcc("idx1"));
            out.Add32(uint32_t(16 * entries.size()));
            for (const MoviChunk& c : entries) {
                out.Add32(c.id);
                out.Add32(c.key ? kKeyFrame : 0);
                out.Add32(uint32_t(c.at - base));
                out.Add32(c.size);
            }
        } else {
            // One standard index a stream, and its entry in that stream's super index.
            const size_t part = segs.size() - 1;
            for (size_t k = 0; k < ns; ++k) {
                const int64_t ixAt = out.End();
                const auto n =
                    std::count_if(entries.begin(), entries.end(),
                                  [&](const MoviChunk& c) { return c.stream == int(k); });
                out.Add32(Fcc("ix00") + (uint32_t(k / 10) << 16) + (uint32_t(k % 10) << 24));
                out.Add32(uint32_t(24 + 8 * n));
                out.Add32(0x01000002);  // two longs an entry, index of chunks
                out.Add32(uint32_t(n));
                out.Add32(ChunkIdOf(int(k), h.streams[k]));
                out.Add32(uint32_t(base));
                out.Add32(uint32_t(uint64_t(base) >> 32));
                out.Add32(0);
                int64_t partBytes = 0;
                for (const MoviChunk& c : entries) {
                    if (c.stream != int(k))
                        continue;
                    out.Add32(uint32_t(c.at + 8 - base));
                    out.Add32((c.size & ~kDeltaBit) | (c.key ? 0 : kDeltaBit));
                    partBytes += c.size;
                }
                const AviStreamInfo& s = h.streams[k];
                if (s.indxAt && (s.indxSize - 24) / 16 > part) {
                    const int64_t e = s.indxAt + 24 + 16 * int64_t(part);
                    patches.push_back({s.indxAt - 8, Fcc("indx")});
                    patches.push_back({s.indxAt + 4, uint32_t(part + 1)});
                    patches.push_back({e, uint32_t(ixAt)});
                    patches.push_back({e + 4, uint32_t(uint64_t(ixAt) >> 32)});
                    patches.push_back({e + 8, uint32_t(32 + 8 * n)});
                    patches.push_back({e + 12, StreamLength(s, n, partBytes)});
                }
            }
        }
        if (!out.Flush() || !file.Truncate(newEnd))
            return Finish(r, AviRepairStatus::WriteFailed, file, writeError());
    }
    for (const Patch& p : patches) {
        const uint8_t b[4] = {uint8_t(p.value), uint8_t(p.value >> 8), uint8_t(p.value >> 16),
                              uint8_t(p.value >> 24)};
        if (!file.Write(p.at, b, 4))
            return Finish(r, AviRepairStatus::WriteFailed, file, writeError());
    }
    if (!file.Sync())
        return Finish(r, AviRepairStatus::WriteFailed, file, writeError());
    return Finish(r, AviRepairStatus::Repaired, file);
}

}  // namespace tesmira
