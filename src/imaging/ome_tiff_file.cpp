#include "imaging/ome_tiff_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "imaging/ome_xml.h"

namespace tesmira {
namespace {

constexpr uint16_t kTagImageDescription = 270;
constexpr uint16_t kTagStripOffsets = 273;
constexpr uint16_t kTagStripByteCounts = 279;
constexpr uint64_t kMaxEntries = 4096;
constexpr uint64_t kMaxStrips = 1u << 20;
constexpr int64_t kMaxPages = 10'000'000;
constexpr char kOmeEnd[] = "</OME>";

bool ReadAt(int fd, uint64_t offset, void* out, size_t n) {
    auto* p = static_cast<uint8_t*>(out);
    while (n > 0) {
        const ssize_t got = pread(fd, p, n, off_t(offset));
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            return false;
        }
        p += got;
        n -= size_t(got);
        offset += uint64_t(got);
    }
    return true;
}

bool WriteAt(int fd, uint64_t offset, const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        const ssize_t put = pwrite(fd, p, n, off_t(offset));
        if (put <= 0) {
            if (put < 0 && errno == EINTR)
                continue;
            return false;
        }
        p += put;
        n -= size_t(put);
        offset += uint64_t(put);
    }
    return true;
}

uint64_t Le(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void PutLe(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

int TypeSize(uint16_t type) {
    switch (type) {
        case 1:
        case 2:
        case 6:
        case 7:
            return 1;
        case 3:
        case 8:
            return 2;
        case 4:
        case 9:
        case 11:
        case 13:
            return 4;
        case 5:
        case 10:
        case 12:
        case 16:
        case 17:
        case 18:
            return 8;
        default:
            return 0;
    }
}

struct Entry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint64_t count = 0;
    uint8_t value[8] = {};
    uint64_t offsetInFile = 0;
};

// The values of an integer entry (strip offsets or byte counts), read within the file.
bool Values(int fd, uint64_t fileSize, const Entry& e, std::vector<uint64_t>* out) {
    const int size = TypeSize(e.type);
    if ((size != 2 && size != 4 && size != 8) || e.type == 5 || e.type == 10 || e.type == 12 ||
        e.count == 0 || e.count > kMaxStrips)
        return false;
    const uint64_t bytes = e.count * uint64_t(size);
    std::vector<uint8_t> raw(bytes);
    if (bytes <= 8) {
        std::memcpy(raw.data(), e.value, bytes);
    } else {
        const uint64_t at = Le(e.value, 8);
        if (at > fileSize || bytes > fileSize - at || !ReadAt(fd, at, raw.data(), bytes))
            return false;
    }
    out->resize(e.count);
    for (uint64_t i = 0; i < e.count; ++i)
        (*out)[i] = Le(raw.data() + i * uint64_t(size), size);
    return true;
}

// One page at `ifd`: true when it and everything it points at lie in the file.
bool ReadPage(int fd, uint64_t fileSize, uint64_t ifd, std::vector<Entry>* entries, uint64_t* next,
              uint64_t* nextLink, uint64_t* extent) {
    uint8_t head[8];
    if (ifd < 16 || ifd > fileSize || fileSize - ifd < 8 || !ReadAt(fd, ifd, head, 8))
        return false;
    const uint64_t n = Le(head, 8);
    if (n == 0 || n > kMaxEntries || fileSize - ifd - 8 < n * 20 + 8)
        return false;
    std::vector<uint8_t> raw(n * 20 + 8);
    if (!ReadAt(fd, ifd + 8, raw.data(), raw.size()))
        return false;
    uint64_t end = ifd + 8 + raw.size();
    entries->clear();
    for (uint64_t i = 0; i < n; ++i) {
        const uint8_t* p = raw.data() + i * 20;
        Entry e;
        e.tag = uint16_t(Le(p, 2));
        e.type = uint16_t(Le(p + 2, 2));
        e.count = Le(p + 4, 8);
        std::memcpy(e.value, p + 12, 8);
        e.offsetInFile = ifd + 8 + i * 20;
        const int size = TypeSize(e.type);
        if (size > 0 && e.count > 8 / uint64_t(size)) {
            if (e.count > fileSize / uint64_t(size))
                return false;
            const uint64_t at = Le(e.value, 8);
            const uint64_t bytes = e.count * uint64_t(size);
            if (at > fileSize || bytes > fileSize - at)
                return false;
            end = std::max(end, at + bytes);
        }
        entries->push_back(e);
    }
    const Entry* offsets = nullptr;
    const Entry* counts = nullptr;
    for (const Entry& e : *entries) {
        if (e.tag == kTagStripOffsets)
            offsets = &e;
        else if (e.tag == kTagStripByteCounts)
            counts = &e;
    }
    std::vector<uint64_t> at, len;
    if (!offsets || !counts || !Values(fd, fileSize, *offsets, &at) ||
        !Values(fd, fileSize, *counts, &len) || at.size() != len.size())
        return false;
    for (size_t i = 0; i < at.size(); ++i) {
        if (at[i] > fileSize || len[i] > fileSize - at[i])
            return false;
        end = std::max(end, at[i] + len[i]);
    }
    *nextLink = ifd + 8 + n * 20;
    *next = Le(raw.data() + n * 20, 8);
    *extent = std::max(*extent, end);
    return true;
}

std::string Padded(const std::string& xml, uint64_t capacity) {
    std::string out = xml;
    const size_t fill = size_t(capacity - (xml.size() + 1));
    const size_t close =
        out.size() >= sizeof kOmeEnd - 1 &&
                out.compare(out.size() - (sizeof kOmeEnd - 1), sizeof kOmeEnd - 1, kOmeEnd) == 0
            ? out.size() - (sizeof kOmeEnd - 1)
            : out.size();
    out.insert(close, fill, ' ');
    out.push_back('\0');
    return out;
}

std::string Unpadded(std::string xml) {
    const size_t close = xml.rfind(kOmeEnd);
    if (close == std::string::npos)
        return xml;
    size_t blank = close;
    while (blank > 0 && xml[blank - 1] == ' ')
        --blank;
    xml.erase(blank, close - blank);
    return xml;
}

}  // namespace

OmeTiffScan ScanOmeTiff(int fd, uint64_t fileSize) {
    OmeTiffScan scan;
    uint8_t header[16];
    if (fileSize < 16 || !ReadAt(fd, 0, header, 16) || header[0] != 'I' || header[1] != 'I' ||
        Le(header + 2, 2) != 43 || Le(header + 4, 2) != 8 || Le(header + 6, 2) != 0) {
        scan.error = "not a little-endian BigTIFF";
        return scan;
    }
    scan.bigTiff = true;
    scan.extent = 16;
    scan.lastNextLink = 8;
    uint64_t ifd = Le(header + 8, 8);
    std::vector<Entry> entries;
    // Pages follow each other in the file: a link backwards is damage, and never a loop.
    uint64_t previous = 0;
    while (ifd != 0 && scan.pages < kMaxPages) {
        uint64_t next = 0, link = 0, extent = scan.extent;
        if (ifd <= previous || !ReadPage(fd, fileSize, ifd, &entries, &next, &link, &extent)) {
            scan.chainCut = true;
            break;
        }
        if (scan.pages == 0) {
            for (const Entry& e : entries) {
                if (e.tag != kTagImageDescription || TypeSize(e.type) != 1)
                    continue;
                scan.description.entryOffset = e.offsetInFile;
                if (e.count > 8) {
                    scan.description.dataOffset = Le(e.value, 8);
                    scan.description.capacity = e.count;
                }
            }
        }
        ++scan.pages;
        scan.extent = extent;
        scan.lastWholeIfd = ifd;
        scan.lastNextLink = link;
        previous = ifd;
        ifd = next;
    }
    return scan;
}

std::string ReadOmeDescription(int fd, const OmeDescriptionSlot& slot) {
    if (slot.capacity == 0 || slot.capacity > (64u << 20))
        return std::string();
    std::string text(slot.capacity, '\0');
    if (!ReadAt(fd, slot.dataOffset, text.data(), text.size()))
        return std::string();
    text.resize(std::strlen(text.c_str()));
    return text;
}

bool WriteOmeDescription(int fd, OmeDescriptionSlot* slot, const std::string& xml,
                         std::string* error) {
    const uint64_t need = xml.size() + 1;
    if (slot->entryOffset == 0) {
        *error = "the first page has no description";
        return false;
    }
    const size_t tail = sizeof kOmeEnd - 1;
    const bool closed = xml.size() >= tail && xml.compare(xml.size() - tail, tail, kOmeEnd) == 0;
    if (need <= slot->capacity) {
        const uint64_t body = closed ? xml.size() - tail : 0;
        const bool grown = closed && slot->bodyWritten > 0 && body >= slot->bodyWritten;
        const std::string bytes = grown ? xml.substr(0, body) : Padded(xml, slot->capacity);
        if (WriteAt(fd, slot->dataOffset, bytes.data(), bytes.size())) {
            slot->bodyWritten = body;
            return true;
        }
        *error = std::strerror(errno);
        return false;
    }
    // Grown past its slot: a new one at the end, and only then the entry points at it.
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    const uint64_t at = (uint64_t(st.st_size) + 7) & ~uint64_t(7);
    const uint64_t capacity = std::max<uint64_t>(4096, need * 2);
    const std::string bytes = Padded(xml, capacity);
    uint8_t entry[16];
    PutLe(entry, capacity);
    PutLe(entry + 8, at);
    if (!WriteAt(fd, at, bytes.data(), bytes.size()) ||
        !WriteAt(fd, slot->entryOffset + 4, entry, sizeof entry)) {
        *error = std::strerror(errno);
        return false;
    }
    slot->dataOffset = at;
    slot->capacity = capacity;
    slot->bodyWritten = closed ? xml.size() - tail : 0;
    return true;
}

OmeRepairResult RepairOmeTiff(const std::string& path) {
    OmeRepairResult r;
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        r.error = path + ": " + std::strerror(errno);
        return r;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        r.error = path + ": not a file";
        close(fd);
        return r;
    }
    const uint64_t size = uint64_t(st.st_size);
    OmeTiffScan scan = ScanOmeTiff(fd, size);
    const std::string before = Unpadded(ReadOmeDescription(fd, scan.description));
    std::string fixed = before;
    if (!scan.bigTiff || scan.pages == 0 || !SetOmeFrameCount(&fixed, scan.pages)) {
        r.status = OmeRepairStatus::kNotOmeTiff;
        r.error = path + ": " + (scan.pages == 0 ? "no frame stored" : "not a series of ours");
        close(fd);
        return r;
    }
    r.frames = scan.pages;
    const bool trim = scan.extent < size;
    const bool relink = scan.chainCut;
    const bool rewrite = fixed != before;
    std::string error;
    bool ok = true;
    if (relink) {
        uint8_t zero[8] = {};
        ok = WriteAt(fd, scan.lastNextLink, zero, sizeof zero);
    }
    if (ok && trim && ftruncate(fd, off_t(scan.extent)) != 0)
        ok = false;
    if (!ok)
        error = std::strerror(errno);
    if (ok && rewrite)
        ok = WriteOmeDescription(fd, &scan.description, fixed, &error);
    if (ok && fsync(fd) != 0) {
        ok = false;
        error = std::strerror(errno);
    }
    close(fd);
    if (!ok) {
        r.error = path + ": " + error;
        return r;
    }
    r.status = trim || relink || rewrite ? OmeRepairStatus::kRepaired : OmeRepairStatus::kWhole;
    return r;
}

}  // namespace tesmira
