// The reader of the rows kept beside a recording, on arbitrary text: it never crashes, whatever it
// accepts has lists of one length, and the log made from them is formatted without fault.
#include <cstdint>
#include <string>
#include <string_view>

#include "recording/log_row_spool.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    tesmira::SpooledLog kept;
    std::string why;
    if (!tesmira::ParseLogSpool(text, &kept, &why))
        return 0;
    const tesmira::RecordingLogLists& r = kept.rows;
    const size_t n = r.logN.size();
    if (r.logDropped.size() != n || r.logX.size() != n || r.logY.size() != n ||
        r.logReady.size() != n)
        __builtin_trap();
    for (int type = 0; type < 3; ++type)
        (void)tesmira::FormatRecordingLog(r, type, 30.0, 29.97);
    return 0;
}
