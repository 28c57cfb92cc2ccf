#include "imaging/safe_file.h"
#include "core/text_format.h"
#include "core/ui_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tesmira {
namespace {

std::string SystemError(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

// A hidden name beside the final one. The process and thread ids keep writers apart (a thread
// finishes one file before it starts the next); it is created with O_EXCL, so a clash with a
// leftover of an earlier run only means trying the next attempt's name.
std::string TempNameFor(const std::string& path, unsigned attempt) {
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    // Shortened so that a final name close to the file-name limit still leaves room.
    const std::string base =
        (slash == std::string::npos ? path : path.substr(slash + 1)).substr(0, 160);
    return folder + "." + base +
           Format(".%d.%d.%u.tmp", static_cast<int>(getpid()), static_cast<int>(gettid()), attempt);
}

// Gives the finished temporary file its final name without ever replacing another file. A hard
// link fails with EEXIST when the name is taken; file systems without links get renameat2's
// no-replace rename instead.
int PlaceWithoutReplacing(const std::string& temp, const std::string& path) {
    if (link(temp.c_str(), path.c_str()) == 0) {
        unlink(temp.c_str());
        return 0;
    }
    const int err = errno;
    if (err != EPERM && err != ENOTSUP && err != EOPNOTSUPP && err != ENOSYS)
        return err;
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    return errno;
}

}  // namespace

WriteResult WriteFileSafely(const std::string& path, ExistingFile existing,
                            const std::function<std::string(std::FILE*)>& body,
                            const char* openError) {
    WriteResult result;
    if (path.empty() || path.back() == '/') {
        result.error = FillIn(openError, path) + "not a file name";
        return result;
    }
    if (existing == ExistingFile::kKeep && access(path.c_str(), F_OK) == 0) {
        result.code = WriteCode::kExists;  // cheap early answer; placing checks again
        result.error = SystemError("not replacing", path, EEXIST);
        return result;
    }

    std::string temp;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TempNameFor(path, attempt);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        result.error = FillIn(openError, path) + std::strerror(errno);
        return result;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        const int err = errno;
        close(fd);
        unlink(temp.c_str());
        result.error = SystemError("cannot write", path, err);
        return result;
    }

    std::string failure = body(file);
    if (failure.empty() && (std::fflush(file) != 0 || std::ferror(file)))
        failure = SystemError("cannot write", path, errno);
    // On disk before it gets its name, so a crash never leaves an empty picture behind.
    if (failure.empty() && fsync(fileno(file)) != 0)
        failure = SystemError("cannot write", path, errno);
    if (std::fclose(file) != 0 && failure.empty())
        failure = SystemError("cannot write", path, errno);
    if (!failure.empty()) {
        unlink(temp.c_str());
        result.error = failure;
        return result;
    }

    int err = 0;
    if (existing == ExistingFile::kReplace)
        err = rename(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
    else
        err = PlaceWithoutReplacing(temp, path);
    if (err != 0) {
        unlink(temp.c_str());
        result.code = err == EEXIST ? WriteCode::kExists : WriteCode::kFailed;
        result.error = SystemError(err == EEXIST ? "not replacing" : "cannot write", path, err);
        return result;
    }
    result.code = WriteCode::kOk;
    return result;
}

}  // namespace tesmira
