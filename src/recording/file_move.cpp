#include "recording/file_move.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tesmira {
namespace {

std::string ErrnoText(const std::string& what, int err) {
    return what + ": " + std::strerror(err);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// link(2) refuses an existing target, so link + unlink is a rename that never replaces; it is the
// fallback for file systems without RENAME_NOREPLACE.
int RenameExclusive(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return -1;
    if (link(from, to) != 0)
        return -1;
    unlink(from);
    return 0;
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

bool CopyAll(int in, int out, std::string* error) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *error = ErrnoText("read", errno);
            return false;
        }
        if (got == 0)
            return true;
        ssize_t done = 0;
        while (done < got) {
            const ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                *error = ErrnoText("write", errno);
                return false;
            }
            done += put;
        }
    }
}

MoveResult CopyThenRename(const std::string& from, const std::string& to) {
    MoveResult result;
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        result.error = ErrnoText(from, errno);
        return result;
    }
    const std::string folder = FolderOf(to);
    std::string temp = folder + "/.tesmira-move-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int out = mkstemp(name.data());
    if (out < 0) {
        result.error = ErrnoText(folder, errno);
        close(in);
        return result;
    }
    temp = name.data();
    bool ok = CopyAll(in, out, &result.error);
    close(in);
    if (ok && fsync(out) != 0) {
        result.error = ErrnoText("fsync", errno);
        ok = false;
    }
    if (close(out) != 0 && ok) {
        result.error = ErrnoText("close", errno);
        ok = false;
    }
    if (ok) {
        struct stat st {};
        if (stat(from.c_str(), &st) == 0)
            chmod(temp.c_str(), st.st_mode & 07777);
        if (RenameExclusive(temp.c_str(), to.c_str()) != 0) {
            result.error = ErrnoText(to, errno);
            ok = false;
        }
    }
    if (!ok) {
        unlink(temp.c_str());
        return result;
    }
    SyncFolder(folder);
    // The copy is safely in place; only now may the original go.
    unlink(from.c_str());
    result.ok = true;
    return result;
}

}  // namespace

bool PathExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

MoveResult RenameNoReplace(const std::string& from, const std::string& to) {
    MoveResult result;
    if (RenameExclusive(from.c_str(), to.c_str()) == 0) {
        result.ok = true;
    } else {
        result.error = ErrnoText(to, errno);
    }
    return result;
}

MoveResult SafeMoveFile(const std::string& from, const std::string& to) {
    MoveResult result;
    if (from.empty() || to.empty()) {
        result.error = "empty path";
        return result;
    }
    if (PathExists(to)) {
        result.error = ErrnoText(to, EEXIST);
        return result;
    }
    if (RenameExclusive(from.c_str(), to.c_str()) == 0) {
        result.ok = true;
        return result;
    }
    if (errno != EXDEV) {
        result.error = ErrnoText(to, errno);
        return result;
    }
    return CopyThenRename(from, to);
}

namespace {

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

MoveResult SafeMoveFolder(const std::string& fromFolder, const std::string& toFolder) {
    MoveResult result;
    const std::string from = WithoutTrailingSlash(fromFolder);
    const std::string to = WithoutTrailingSlash(toFolder);
    if (from.empty() || to.empty()) {
        result.error = "empty path";
        return result;
    }
    if (PathExists(to)) {
        result.error = ErrnoText(to, EEXIST);
        return result;
    }
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        result.ok = true;
        return result;
    }
    if (errno != EXDEV) {
        result.error = ErrnoText(to, errno);
        return result;
    }
    // Another file system: a new folder, then every file by the safe file move.
    if (mkdir(to.c_str(), 0777) != 0) {
        result.error = ErrnoText(to, errno);
        return result;
    }
    DIR* dir = opendir(from.c_str());
    if (!dir) {
        result.error = ErrnoText(from, errno);
        return result;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    for (const std::string& name : names) {
        const MoveResult moved = SafeMoveFile(from + "/" + name, to + "/" + name);
        if (!moved.ok) {
            result.error = moved.error;
            return result;
        }
    }
    SyncFolder(to);
    if (rmdir(from.c_str()) != 0) {
        result.error = ErrnoText(from, errno);
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace tesmira
