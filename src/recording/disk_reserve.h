// A few megabytes set aside beside a recording. When a write fails because the disk is full, the
// reserve is given back so that the index and the header can still be written and the movie
// stays playable. Removed when the recording ends.
#pragma once

#include <cstdint>
#include <string>

namespace tesmira {

struct ReserveResult {
    bool ok = true;
    int error = 0;     // errno of the failure
    std::string text;  // names the file
};

class DiskReserve {
public:
    static constexpr int64_t kDefaultBytes = 8ll << 20;

    DiskReserve() = default;
    DiskReserve(const DiskReserve&) = delete;
    DiskReserve& operator=(const DiskReserve&) = delete;
    ~DiskReserve() { Remove(); }

    // "<recording>.reserve", in the recording's folder so it is on the same disk.
    static std::string PathBeside(const std::string& recordingPath);

    // Creates the file with `bytes` really allocated (not a sparse file). A disk that has not even
    // this much room fails here, before the recording starts.
    ReserveResult Create(const std::string& path, int64_t bytes = kDefaultBytes);
    // Gives the space back to the disk. True when there was a reserve to give.
    bool Release();
    // At the end of a recording: the same, for whatever is left.
    void Remove() { Release(); }

    bool Held() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace tesmira
