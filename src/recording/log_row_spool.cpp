#include "recording/log_row_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <vector>

namespace tesmira {
namespace {

constexpr std::string_view kHeader = "tesmira log rows 1";
constexpr std::string_view kLogKey = "log ";
constexpr std::string_view kTypeKey = "type ";

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t put = write(fd, text.data(), text.size());
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

// Numbers without the locale: the spool is read back by whoever starts next.
template <typename T>
void PutNumber(std::string& out, T value) {
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec == std::errc())
        out.append(buf, end);
    else
        out += '0';
}

template <typename T>
bool ParseNumber(std::string_view s, T* out) {
    if (s.empty())
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
    return ec == std::errc() && end == s.data() + s.size();
}

// The fields of a row line, split at single spaces.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (true) {
        const size_t space = line.find(' ');
        fields.push_back(line.substr(0, space));
        if (space == std::string_view::npos)
            break;
        line.remove_prefix(space + 1);
    }
    return fields;
}

}  // namespace

std::string LogSpoolPathOf(const std::string& recordingPath) {
    const auto slash = recordingPath.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : recordingPath.substr(0, slash + 1);
    const std::string name =
        slash == std::string::npos ? recordingPath : recordingPath.substr(slash + 1);
    return folder + "." + name + ".rows";
}

LogRowSpool::~LogRowSpool() {
    if (fd_ >= 0)
        close(fd_);
}

bool LogRowSpool::Open(const std::string& path, const LogSpoolHeader& header) {
    Remove();
    if (header.logPath.find('\n') != std::string::npos)
        return false;  // one line per field: such a name cannot be kept
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return false;
    path_ = path;
    std::string text(kHeader);
    text += '\n';
    text += kLogKey;
    text += header.logPath + '\n';
    text += kTypeKey;
    PutNumber(text, header.logType);
    text += '\n';
    if (!WriteAll(fd_, text)) {
        Remove();
        return false;
    }
    return true;
}

void LogRowSpool::Append(int32_t n, int32_t dropped, double x, double y, double z, int32_t ready) {
    if (fd_ < 0)
        return;
    std::string line;
    PutNumber(line, n);
    line += ' ';
    PutNumber(line, dropped);
    for (double v : {x, y, z}) {
        line += ' ';
        PutNumber(line, v);
    }
    line += ' ';
    PutNumber(line, ready);
    line += '\n';
    // A spool that cannot be written any more (a full disk) stops; the recording goes on.
    if (!WriteAll(fd_, line)) {
        close(fd_);
        fd_ = -1;
    }
}

void LogRowSpool::Remove() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!path_.empty())
        unlink(path_.c_str());
    path_.clear();
}

bool ParseLogSpool(std::string_view text, SpooledLog* out, std::string* why) {
    *out = SpooledLog{};
    auto fail = [why](const char* reason) {
        if (why)
            *why = reason;
        return false;
    };
    auto nextLine = [&text](std::string_view* line) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return false;  // no line end: cut off in the middle
        *line = text.substr(0, end);
        text.remove_prefix(end + 1);
        return true;
    };
    std::string_view line;
    if (!nextLine(&line) || line != kHeader)
        return fail("not a log spool");
    if (!nextLine(&line) || line.substr(0, kLogKey.size()) != kLogKey)
        return fail("no log path");
    out->header.logPath = std::string(line.substr(kLogKey.size()));
    if (!nextLine(&line) || line.substr(0, kTypeKey.size()) != kTypeKey ||
        !ParseNumber(line.substr(kTypeKey.size()), &out->header.logType))
        return fail("no log type");
    // Rows up to the first that is not whole: what follows a damaged row is not trusted.
    while (nextLine(&line)) {
        const std::vector<std::string_view> f = Fields(line);
        int32_t n = 0, dropped = 0, ready = 0;
        double x = 0, y = 0, z = 0;
        if (f.size() != 6 || !ParseNumber(f[0], &n) || !ParseNumber(f[1], &dropped) ||
            !ParseNumber(f[2], &x) || !ParseNumber(f[3], &y) || !ParseNumber(f[4], &z) ||
            !ParseNumber(f[5], &ready))
            break;
        out->rows.AppendRow(n, dropped, x, y, z, ready);
    }
    return true;
}

std::string CutShortMark(int logType) {
    if (logType == 0)
        return "<cut short>[0]=1\r\n";
    if (logType == 1 || logType == 2)
        return "cut short\r\n";
    return {};
}

}  // namespace tesmira
