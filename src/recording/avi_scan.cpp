#include "recording/avi_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tesmira {
namespace {

// The read-ahead grows while one read serves several small chunks and shrinks while each read
// serves one header of a large frame, so neither case reads much more than the headers.
constexpr size_t kWindow = 32 * 1024;
constexpr size_t kMinWindow = 512;
constexpr uint32_t kMaxHdrl = 1 << 20;

uint32_t Get32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

bool PrintableFcc(uint32_t id) {
    for (int i = 0; i < 4; ++i) {
        const uint8_t c = uint8_t(id >> (8 * i));
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

// "NNxx" with NN a stream number: the stream, else -1.
int StreamOf(uint32_t id, size_t streams) {
    const char a = char(id), b = char(id >> 8);
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    const int n = (a - '0') * 10 + (b - '0');
    return size_t(n) < streams ? n : -1;
}

KeyFrameRule RuleFor(uint32_t compression) {
    switch (compression) {
        case 0:  // BI_RGB
        case 3:  // BI_BITFIELDS
        case Fcc("MJPG"):
        case Fcc("mjpg"):
        case Fcc("YUY2"):
        case Fcc("Y800"):
        case Fcc("GREY"):
        case Fcc("UYVY"):
        case Fcc("I420"):
            return KeyFrameRule::AllKey;
        case Fcc("cvid"):
        case Fcc("CVID"):
            return KeyFrameRule::CinepakStrips;
        default:
            return KeyFrameRule::FirstOnly;
    }
}

// Cinepak: a frame whose flag byte has bit 0 clear starts from fresh codebooks, which is how
// FFmpeg's encoder marks its key frames. Our own encoder sets bit 0 on every frame (codebooks
// are kept per strip), so a frame with bit 0 set is a key frame when every strip is intra (0x10;
// inter strips are 0x11 and may skip blocks).
bool CinepakKey(AviFile& file, int64_t dataAt, uint32_t size) {
    if (size < 10)
        return false;
    const uint8_t* h = file.Peek(dataAt, 10);
    if (!h)
        return false;
    if ((h[0] & 0x01) == 0)
        return true;
    const int strips = h[8] << 8 | h[9];
    if (strips <= 0)
        return false;
    int64_t q = dataAt + 10;
    const int64_t end = dataAt + size;
    for (int i = 0; i < strips && i < 64; ++i) {
        const uint8_t* s = q + 4 <= end ? file.Peek(q, 4) : nullptr;
        if (!s || s[0] != 0x10)
            return false;
        const uint32_t stripSize = uint32_t(s[1]) << 16 | uint32_t(s[2]) << 8 | s[3];
        if (stripSize < 12)
            return false;
        q += stripSize;
    }
    return true;
}

void ParseStrl(const uint8_t* p, size_t n, int64_t base, AviHeader* h) {
    AviStreamInfo s;
    bool haveStrh = false;
    for (size_t at = 4; at + 8 <= n;) {
        const uint32_t id = Get32(p + at);
        const uint32_t size = Get32(p + at + 4);
        if (size > n - at - 8)
            break;
        const uint8_t* d = p + at + 8;
        if (id == Fcc("strh") && size >= 48) {
            haveStrh = true;
            s.type = Get32(d);
            s.scale = Get32(d + 20);
            s.rate = Get32(d + 24);
            s.length = Get32(d + 32);
            s.sampleSize = Get32(d + 44);
            s.lengthAt = base + int64_t(at) + 8 + 32;
        } else if (id == Fcc("strf")) {
            if (s.type == Fcc("vids") && size >= 20)
                s.compression = Get32(d + 16);
            else if (s.type == Fcc("auds") && size >= 14) {
                s.compression = Get16(d);
                s.blockAlign = Get16(d + 12);
            }
        } else if ((id == Fcc("indx") || id == Fcc("JUNK")) && size >= 24 && Get16(d) == 4 &&
                   d[3] == 0) {
            // The super index, or the room reserved for it.
            s.indxAt = base + int64_t(at) + 8;
            s.indxSize = size;
        }
        at += 8 + size + (size & 1);
    }
    if (!haveStrh)
        return;
    if (s.type == Fcc("vids"))
        s.keys = RuleFor(s.compression);
    h->streams.push_back(s);
}

bool ParseHdrl(const uint8_t* p, size_t n, int64_t base, AviHeader* h) {
    for (size_t at = 4; at + 8 <= n;) {
        const uint32_t id = Get32(p + at);
        const uint32_t size = Get32(p + at + 4);
        if (size > n - at - 8)
            break;
        const uint8_t* d = p + at + 8;
        if (id == Fcc("avih") && size >= 40 && !h->avihAt) {
            h->avihAt = base + int64_t(at) + 8;
            h->microSecPerFrame = Get32(d);
            h->totalFrames = Get32(d + 16);
        } else if (id == Fcc("LIST") && size >= 4 && Get32(d) == Fcc("strl")) {
            if (h->streams.size() < 100)
                ParseStrl(d, size, base + int64_t(at) + 8, h);
        } else if ((id == Fcc("LIST") || id == Fcc("JUNK")) && size >= 16 &&
                   Get32(d) == Fcc("odml") && Get32(d + 4) == Fcc("dmlh") && !h->odmlAt) {
            h->odmlAt = base + int64_t(at);
            h->odmlReserved = id == Fcc("JUNK");
            h->dmlhFrames = Get32(d + 12);
        }
        at += 8 + size + (size & 1);
    }
    return h->avihAt != 0 && !h->streams.empty();
}

}  // namespace

AviFile::~AviFile() {
    if (fd_ >= 0)
        close(fd_);
}

bool AviFile::Open(const std::string& path, bool writable, std::string* error) {
    fd_ = open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = path + ": not a regular file";
        return false;
    }
    size_ = st.st_size;
    return true;
}

bool AviFile::Read(int64_t at, void* out, size_t n) {
    if (at < 0 || at + int64_t(n) > size_)
        return false;
    size_t done = 0;
    while (done < n) {
        const ssize_t got = pread(fd_, static_cast<uint8_t*>(out) + done, n - done, at + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += size_t(got);
    }
    bytesRead += int64_t(n);
    return true;
}

const uint8_t* AviFile::Peek(int64_t at, size_t n) {
    if (at < 0 || n > 64 || at + int64_t(n) > size_)
        return nullptr;
    if (windowAt_ >= 0 && at >= windowAt_ &&
        at + int64_t(n) <= windowAt_ + int64_t(window_.size())) {
        ++hits_;
        return window_.data() + (at - windowAt_);
    }
    readAhead_ =
        hits_ > 1 ? std::min(kWindow, readAhead_ * 2) : std::max(kMinWindow, readAhead_ / 4);
    hits_ = 0;
    const size_t len = size_t(std::min<int64_t>(int64_t(std::max(readAhead_, n)), size_ - at));
    window_.resize(len);
    if (!Read(at, window_.data(), len)) {
        windowAt_ = -1;
        return nullptr;
    }
    windowAt_ = at;
    return window_.data();
}

uint32_t AviFile::Read32(int64_t at, bool* ok) {
    const uint8_t* p = Peek(at, 4);
    if (!p) {
        *ok = false;
        return 0;
    }
    return Get32(p);
}

bool AviFile::Write(int64_t at, const void* data, size_t n) {
    windowAt_ = -1;
    size_t done = 0;
    while (done < n) {
        const ssize_t put =
            pwrite(fd_, static_cast<const uint8_t*>(data) + done, n - done, at + done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += size_t(put);
    }
    bytesWritten += int64_t(n);
    size_ = std::max(size_, at + int64_t(n));
    return true;
}

bool AviFile::Truncate(int64_t size) {
    windowAt_ = -1;
    if (ftruncate(fd_, size) != 0)
        return false;
    size_ = size;
    return true;
}

bool AviFile::Sync() {
    return fsync(fd_) == 0 || errno == EINVAL;
}

bool ReadAviLayout(AviFile& file, AviHeader* header, std::vector<AviSegment>* segments,
                   std::string* why) {
    const uint8_t* head = file.Peek(0, 12);
    if (!head || Get32(head) != Fcc("RIFF") || Get32(head + 8) != Fcc("AVI ")) {
        *why = "not an AVI file (no RIFF AVI header)";
        return false;
    }
    AviSegment first;
    first.riffSize = Get32(head + 4);
    bool haveHdrl = false;
    const int64_t size = file.Size();
    for (int64_t at = 12; at + 12 <= size;) {
        const uint8_t* c = file.Peek(at, 12);
        if (!c)
            break;
        const uint32_t id = Get32(c), chunkSize = Get32(c + 4), type = Get32(c + 8);
        if (id == Fcc("LIST") && type == Fcc("movi")) {
            first.moviAt = at;
            first.moviSize = chunkSize;
            break;
        }
        if (!PrintableFcc(id))
            break;
        if (id == Fcc("LIST") && type == Fcc("hdrl") && !haveHdrl) {
            if (chunkSize > kMaxHdrl || at + 8 + int64_t(chunkSize) > size) {
                *why = "AVI header list is damaged";
                return false;
            }
            std::vector<uint8_t> hdrl(chunkSize);
            if (!file.Read(at + 8, hdrl.data(), hdrl.size())) {
                *why = "AVI header list cannot be read";
                return false;
            }
            haveHdrl = ParseHdrl(hdrl.data(), hdrl.size(), at + 8, header);
            if (!haveHdrl) {
                *why = "AVI header list has no main or stream header";
                return false;
            }
        }
        at += 8 + int64_t(chunkSize) + (chunkSize & 1);
    }
    if (!haveHdrl) {
        *why = "no AVI header list (hdrl)";
        return false;
    }
    if (!first.moviAt) {
        *why = "no frame list (movi)";
        return false;
    }
    segments->clear();
    segments->push_back(first);
    // Later RIFF 'AVIX' parts follow each closed part; the last one may still be open.
    for (;;) {
        const AviSegment& last = segments->back();
        if (last.riffSize == kNoSize || last.riffSize < 4)
            break;
        const int64_t next = last.riffAt + 8 + int64_t(last.riffSize) + (last.riffSize & 1);
        const uint8_t* c = next + 24 <= size ? file.Peek(next, 24) : nullptr;
        if (!c || Get32(c) != Fcc("RIFF") || Get32(c + 8) != Fcc("AVIX") ||
            Get32(c + 12) != Fcc("LIST") || Get32(c + 20) != Fcc("movi"))
            break;
        AviSegment s;
        s.riffAt = next;
        s.riffSize = Get32(c + 4);
        s.moviAt = next + 12;
        s.moviSize = Get32(c + 16);
        segments->push_back(s);
    }
    return true;
}

MoviWalk WalkMovi(AviFile& file, const AviHeader& header, int64_t from, int64_t limit,
                  const std::function<void(const MoviChunk&)>& sink) {
    MoviWalk w;
    const size_t streams = header.streams.size();
    w.streamChunks.assign(streams, 0);
    w.streamBytes.assign(streams, 0);
    limit = std::min(limit, file.Size());
    int64_t p = from;
    w.end = w.dataEnd = from;
    for (;;) {
        if (p + 8 > limit) {
            w.torn = p != limit;
            break;
        }
        const uint8_t* h = file.Peek(p, 8);
        if (!h) {
            w.torn = true;
            break;
        }
        const uint32_t id = Get32(h), size = Get32(h + 4);
        if (!PrintableFcc(id)) {
            w.torn = true;
            break;
        }
        if (id == Fcc("idx1") || id == Fcc("RIFF")) {
            w.endedByIdx1 = id == Fcc("idx1");
            break;
        }
        if (id == Fcc("LIST") && size >= 4) {
            const uint8_t* t = p + 12 <= limit ? file.Peek(p + 8, 4) : nullptr;
            if (t && Get32(t) == Fcc("rec ")) {
                p += 12;  // a grouping list: its chunks are read as if they stood alone
                w.end = p;
                continue;
            }
        }
        const int64_t next = p + 8 + int64_t(size) + (size & 1);
        if (next > limit) {
            w.torn = true;
            break;
        }
        const int stream = StreamOf(id, streams);
        if (stream >= 0) {
            MoviChunk c{p, id, size, stream, true};
            const AviStreamInfo& s = header.streams[size_t(stream)];
            if (s.type == Fcc("vids")) {
                if (s.keys == KeyFrameRule::CinepakStrips)
                    c.key = CinepakKey(file, p + 8, size);
                else if (s.keys == KeyFrameRule::FirstOnly)
                    c.key = w.streamChunks[size_t(stream)] == 0;
            }
            ++w.chunks;
            ++w.streamChunks[size_t(stream)];
            w.streamBytes[size_t(stream)] += size;
            if (sink)
                sink(c);
            w.dataEnd = next;
            w.trailingIx = 0;
        } else if (char(id) == 'i' && char(id >> 8) == 'x') {
            ++w.trailingIx;
        } else {
            w.dataEnd = next;  // padding or a chunk we do not know: kept as it is
            w.trailingIx = 0;
        }
        p = w.end = next;
    }
    return w;
}

}  // namespace tesmira
