// The little BigTIFF walker behind the time-lapse OME-TIFF: it finds the first page's
// ImageDescription (so the writer can rewrite the OME-XML in place after every frame), and at the
// next start it finishes a file whose writing was cut short: the page chain is cut after the
// last whole page, the tail of a half-written one is trimmed and the OME-XML made to say how
// many frames there are. Only little-endian BigTIFF as this program writes it is handled;
// everything in the file is checked against its size before it is used.
#pragma once

#include <cstdint>
#include <string>

namespace tesmira {

// Where the first page's ImageDescription lives.
struct OmeDescriptionSlot {
    uint64_t entryOffset = 0;  // the IFD entry of tag 270
    uint64_t dataOffset = 0;   // its bytes
    uint64_t capacity = 0;     // its byte count, the closing NUL included
    uint64_t bodyWritten = 0;  // the XML before its closing tag as last written in place
};

struct OmeTiffScan {
    bool bigTiff = false;  // a little-endian BigTIFF header
    int64_t pages = 0;     // whole pages from the start of the chain
    uint64_t lastWholeIfd = 0;
    uint64_t lastNextLink = 0;       // where the next-page link of the last whole page is stored
    bool chainCut = false;           // a link after the last whole page points at nothing whole
    uint64_t extent = 0;             // the end of the last byte any whole page uses
    OmeDescriptionSlot description;  // capacity 0: the first page has none
    std::string error;
};

// Walks the open file `fd` of `fileSize` bytes.
OmeTiffScan ScanOmeTiff(int fd, uint64_t fileSize);

// Writes `xml` as the first page's ImageDescription: in place, padded with spaces before its
// closing tag, when it fits the slot, else at the end of the file with the entry pointed at it
// (the slot then grows to twice the need). An XML that only grew since the last write in place
// has just its new body written: the padding and the closing tag are there already. False with
// `error` set when a write fails.
bool WriteOmeDescription(int fd, OmeDescriptionSlot* slot, const std::string& xml,
                         std::string* error);

// Reads the description's text (trailing NULs dropped); empty when it cannot be read.
std::string ReadOmeDescription(int fd, const OmeDescriptionSlot& slot);

enum class OmeRepairStatus { kWhole, kRepaired, kNotOmeTiff, kFailed };

struct OmeRepairResult {
    OmeRepairStatus status = OmeRepairStatus::kFailed;
    int64_t frames = 0;
    std::string error;
    bool Ok() const {
        return status == OmeRepairStatus::kWhole || status == OmeRepairStatus::kRepaired;
    }
};

// Finishes a series file cut short; a whole file is left as it is.
OmeRepairResult RepairOmeTiff(const std::string& path);

}  // namespace tesmira
