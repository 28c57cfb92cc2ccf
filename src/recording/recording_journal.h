// The journal of recordings in progress, kept beside the settings file. An entry is written when
// a recording starts and cleared once its file has its final name; entries still there at the
// next start are recordings that were cut short (a kill, a crash, a power cut) and need repair.
// The file is replaced atomically (written beside, flushed, renamed), so it is either the old or
// the new journal, never half of one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tesmira {

enum class RecordingKind { Movie, TimeLapseAvi, ImageSeries, OmeTiffSeries };

struct JournalEntry {
    std::string path;  // the AVI or OME-TIFF being written, or the folder of a BMP/JPG series
    RecordingKind kind = RecordingKind::Movie;
    int number = 0;           // the "Rec No." or "RecTL No." the recording used
    int64_t startedUnix = 0;  // seconds since 1970, UTC
    std::string finalName;    // how the final name is made (the pattern the caller will fill in)

    bool operator==(const JournalEntry&) const = default;
};

enum class JournalStatus {
    Ok,
    DamagedKeptAside,  // the journal could not be read; renamed to "<file>.damaged", started anew
    ReadFailed,
    WriteFailed,
};

struct JournalResult {
    JournalStatus status = JournalStatus::Ok;
    std::string text;  // names the file
    bool Ok() const { return status == JournalStatus::Ok; }
};

class RecordingJournal {
public:
    explicit RecordingJournal(std::string path) : path_(std::move(path)) {}

    // Records a recording that starts (replacing an entry of the same path).
    JournalResult Begin(const JournalEntry& entry);
    // Clears the entry of a recording whose file is final. No entry is not an error.
    JournalResult End(const std::string& recordingPath);
    // The recordings that never ended. A damaged journal is kept aside and reported.
    std::vector<JournalEntry> Pending(JournalResult* result = nullptr);

    const std::string& Path() const { return path_; }

private:
    JournalResult Load(std::vector<JournalEntry>* entries);
    JournalResult Store(const std::vector<JournalEntry>& entries);

    std::string path_;
};

// The journal's text form, apart from the file, for the fuzzer and the tests.
std::string FormatJournal(const std::vector<JournalEntry>& entries);
bool ParseJournal(std::string_view text, std::vector<JournalEntry>* entries, std::string* why);

const char* RecordingKindName(RecordingKind kind);

}  // namespace tesmira
