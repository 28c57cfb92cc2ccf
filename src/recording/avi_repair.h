// Repairs an AVI file whose recording never finished (the program was killed, the power went,
// the disk filled up): the frames are in the file but the header does not count them and the
// index is missing. The repair walks the frames that are really there, cuts off a torn last
// chunk, writes the index ('idx1', or the 'ix##' index of the last OpenDML part and its
// super-index entry) and fills in the sizes and frame counts. It works in place, reads only the
// chunk headers, and leaves a file it cannot parse or that is already whole untouched.
#pragma once

#include <cstdint>
#include <string>

#include "recording/avi_scan.h"

namespace tesmira {

struct AviRepairOptions {
    bool dryRun = false;  // work out and report the repair, write nothing
    // A tail after the last whole chunk is cut off when it is at most this long or all zero
    // bytes (what a power cut leaves); a longer tail with data in it fails the repair instead.
    int64_t maxCutBytes = 64ll << 20;
};

enum class AviRepairStatus {
    Repaired,
    AlreadyWhole,
    NotAvi,        // not an AVI we can parse: untouched
    Unrepairable,  // parsed, but repairing would lose data or the layout is inconsistent: untouched
    OpenFailed,
    WriteFailed,
};

struct AviRepairResult {
    AviRepairStatus status = AviRepairStatus::NotAvi;
    std::string error;        // names the file
    int64_t videoFrames = 0;  // video chunks in the file after the repair
    int64_t audioBytes = 0;
    int segments = 0;      // RIFF parts
    int64_t cutBytes = 0;  // torn tail removed
    KeyFrameRule keyFrames = KeyFrameRule::AllKey;
    // The rate as a normal stop reports it: our writer has no time stamps in the file, so the
    // header's frame time and the stream rate are what there is.
    double headerRate = 0.0;  // 1e6 / avih frame time
    double streamRate = 0.0;  // video strh rate / scale
    double seconds = 0.0;     // videoFrames / streamRate
    int64_t bytesRead = 0;
    int64_t bytesWritten = 0;

    bool Ok() const {
        return status == AviRepairStatus::Repaired || status == AviRepairStatus::AlreadyWhole;
    }
};

AviRepairResult RepairAvi(const std::string& path, const AviRepairOptions& options = {});

const char* AviRepairStatusName(AviRepairStatus status);

}  // namespace tesmira
