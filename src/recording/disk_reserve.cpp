#include "recording/disk_reserve.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tesmira {

std::string DiskReserve::PathBeside(const std::string& recordingPath) {
    return recordingPath + ".reserve";
}

ReserveResult DiskReserve::Create(const std::string& path, int64_t bytes) {
    Release();
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int err = errno;
        return {false, err, path + ": " + std::strerror(err)};
    }
    // posix_fallocate returns the error rather than setting errno.
    const int err = bytes > 0 ? posix_fallocate(fd, 0, bytes) : 0;
    const bool synced = err == 0 && (fsync(fd) == 0 || errno == EINVAL);
    const int syncErr = errno;
    close(fd);
    if (err != 0 || !synced) {
        unlink(path.c_str());
        const int e = err ? err : syncErr;
        return {false, e, path + ": " + std::strerror(e)};
    }
    path_ = path;
    return {};
}

bool DiskReserve::Release() {
    if (path_.empty())
        return false;
    // Truncating first frees the blocks even if some other process still holds the file open.
    if (truncate(path_.c_str(), 0) != 0 && errno == ENOENT) {
        path_.clear();
        return false;
    }
    unlink(path_.c_str());
    path_.clear();
    return true;
}

}  // namespace tesmira
