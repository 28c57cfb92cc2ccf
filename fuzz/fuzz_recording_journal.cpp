// The journal reader on arbitrary text: it never crashes, and whatever it accepts comes back the
// same after being written out and read again.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recording/recording_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<tesmira::JournalEntry> entries;
    std::string why;
    if (!tesmira::ParseJournal(text, &entries, &why))
        return 0;
    std::vector<tesmira::JournalEntry> again;
    if (!tesmira::ParseJournal(tesmira::FormatJournal(entries), &again, &why) || again != entries)
        __builtin_trap();
    return 0;
}
