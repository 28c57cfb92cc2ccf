// Reading an AVI file's layout for the repair: the header list, the RIFF parts and the chunks of
// each 'movi' list. Reads go through a small read-ahead window so the file is streamed once and
// only chunk headers (and a few bytes of Cinepak frames) are read, never the frame data.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tesmira {

constexpr uint32_t Fcc(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

// pread/pwrite on one file, counting the bytes moved.
class AviFile {
public:
    AviFile() = default;
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;
    ~AviFile();

    bool Open(const std::string& path, bool writable, std::string* error);
    int64_t Size() const { return size_; }
    bool Read(int64_t at, void* out, size_t n);
    // n (at most 64) bytes at `at` through the read-ahead window; nullptr past the end of file.
    const uint8_t* Peek(int64_t at, size_t n);
    bool Write(int64_t at, const void* data, size_t n);
    bool Truncate(int64_t size);
    bool Sync();
    uint32_t Read32(int64_t at, bool* ok);

    int64_t bytesRead = 0;
    int64_t bytesWritten = 0;

private:
    int fd_ = -1;
    int64_t size_ = 0;
    std::vector<uint8_t> window_;
    int64_t windowAt_ = -1;
    size_t readAhead_ = 32 * 1024;
    int hits_ = 0;
};

// How the key frames of a video stream are told apart in its chunks.
enum class KeyFrameRule {
    AllKey,         // raw pictures and MJPEG: every frame stands alone
    CinepakStrips,  // Cinepak: key when every strip of the frame is an intra strip
    FirstOnly,      // other compressors: only the first frame is marked (seeking then always
                    // decodes from the start, which is slow but never shows a broken picture)
};

struct AviStreamInfo {
    uint32_t type = 0;         // 'vids', 'auds', ...
    uint32_t compression = 0;  // video biCompression, audio wFormatTag
    uint32_t scale = 0, rate = 0;
    uint32_t sampleSize = 0;  // strh dwSampleSize (0: one chunk is one sample)
    uint32_t blockAlign = 0;  // audio nBlockAlign
    uint32_t length = 0;      // strh dwLength as found
    int64_t lengthAt = 0;     // file offset of strh dwLength
    int64_t indxAt = 0;       // data offset of the super index ('indx' or reserved 'JUNK'), 0: none
    uint32_t indxSize = 0;
    KeyFrameRule keys = KeyFrameRule::AllKey;
};

struct AviHeader {
    int64_t avihAt = 0;  // data offset of 'avih'
    uint32_t microSecPerFrame = 0;
    uint32_t totalFrames = 0;
    std::vector<AviStreamInfo> streams;
    int64_t odmlAt = 0;  // header offset of the OpenDML list ('LIST' or reserved 'JUNK'), 0: none
    bool odmlReserved = false;  // still 'JUNK': written as a reservation, not yet filled in
    uint32_t dmlhFrames = 0;
};

// One RIFF part: 'RIFF AVI ' first, then 'RIFF AVIX'.
struct AviSegment {
    int64_t riffAt = 0;
    uint32_t riffSize = 0;  // as declared
    int64_t moviAt = 0;     // offset of 'LIST' of its 'movi' list
    uint32_t moviSize = 0;  // as declared
};

constexpr uint32_t kNoSize = 0xFFFFFFFFu;

// Parses the first RIFF's header list and finds every RIFF part. False with a reason when the
// file is not an AVI we can repair (no RIFF AVI, no hdrl/avih/strh, no movi).
bool ReadAviLayout(AviFile& file, AviHeader* header, std::vector<AviSegment>* segments,
                   std::string* why);

struct MoviChunk {
    int64_t at = 0;  // offset of the chunk header
    uint32_t id = 0;
    uint32_t size = 0;
    int stream = 0;
    bool key = true;
};

struct MoviWalk {
    int64_t end = 0;      // where the last whole chunk of the list ends
    int64_t dataEnd = 0;  // the same without trailing 'ix##' index chunks
    int trailingIx = 0;   // 'ix##' chunks after the last stream chunk
    bool torn = false;    // stopped at a chunk past the end of file or with an impossible header
    bool endedByIdx1 = false;
    int64_t chunks = 0;                 // stream chunks
    std::vector<int64_t> streamChunks;  // a stream
    std::vector<int64_t> streamBytes;
};

// Walks the chunks from `from` up to `limit`, calling `sink` for each stream chunk.
MoviWalk WalkMovi(AviFile& file, const AviHeader& header, int64_t from, int64_t limit,
                  const std::function<void(const MoviChunk&)>& sink);

}  // namespace tesmira
