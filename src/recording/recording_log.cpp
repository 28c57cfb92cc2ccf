#include "recording/recording_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/notifier.h"
#include "core/ui_text.h"

namespace tesmira {
namespace {

class WaitCursorScope {
public:
    explicit WaitCursorScope(const std::function<void(bool)>& cursor) : cursor_(cursor) {
        if (cursor_)
            cursor_(true);
    }
    ~WaitCursorScope() {
        if (cursor_)
            cursor_(false);
    }

private:
    const std::function<void(bool)>& cursor_;
};

// printf into out, turning every "\n" of the format into CR LF like a text-mode file.
void Put(std::string& out, const char* format, ...) {
    char buf[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (n <= 0)
        return;
    for (int i = 0; i < n && i < static_cast<int>(sizeof buf) - 1; ++i) {
        if (buf[i] == '\n')
            out += '\r';
        out += buf[i];
    }
}

void FormatBlock(std::string& out, const RecordingLogLists& l, double actual, double replay) {
    for (size_t i = 0; i < l.logN.size(); ++i)
        Put(out, "<N>[%d]=%d\n", int(i), l.logN[i]);
    for (size_t i = 0; i < l.logDropped.size(); ++i)
        Put(out, "<Dropped>[%d]=%d\n", int(i), l.logDropped[i]);
    if (l.logX.empty())
        return;
    for (size_t i = 0; i < l.logX.size(); ++i)
        Put(out, "<X>[%d]=%8.2f\n", int(i), l.logX[i]);
    for (size_t i = 0; i < l.logY.size(); ++i)
        Put(out, "<Y>[%d]=%8.2f\n", int(i), l.logY[i]);
    for (size_t i = 0; i < l.logReady.size(); ++i)
        Put(out, "<Ready>[%d]=%d\n", int(i), l.logReady[i]);
    Put(out, "<actual fps>[%d]=%8.2f\n", 0, actual);
    Put(out, "<replay fps>[%d]=%8.2f\n", 0, replay);
}

void FormatTable(std::string& out, const RecordingLogLists& l, bool comma, double actual,
                 double replay) {
    const size_t rows = l.logN.size();
    if (l.logDropped.size() != rows)
        return;
    if (l.logX.size() == rows && l.logY.size() == rows && l.logReady.size() == rows) {
        Put(out, comma ? "%s,%s,%s,%s,%s,%s,%s\n" : "%s\t%s\t%s\t%s\t%s\t%s\t%s\n", "N", "Dropped",
            "X", "Y", "Ready", "actual fps", "replay fps");
        for (size_t i = 0; i < rows; ++i) {
            if (i == 0) {
                Put(out,
                    comma ? "%d,%d,%8.2f,%8.2f,%d,%8.2f,%8.2f\n"
                          : "%d\t%d\t%8.2f\t%8.2f\t%d\t%8.2f\t%8.2f\n",
                    l.logN[i], l.logDropped[i], l.logX[i], l.logY[i], l.logReady[i], actual,
                    replay);
            } else {
                Put(out, comma ? "%d,%d,%8.2f,%8.2f,%d\n" : "%d\t%d\t%8.2f\t%8.2f\t%d\n", l.logN[i],
                    l.logDropped[i], l.logX[i], l.logY[i], l.logReady[i]);
            }
        }
        return;
    }
    Put(out, comma ? "%s,%s\n" : "%s\t%s\n", "N", "Dropped");
    for (size_t i = 0; i < rows; ++i)
        Put(out, comma ? "%d,%d\n" : "%d\t%d\n", l.logN[i], l.logDropped[i]);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

}  // namespace

void RecordingLogLists::AppendRow(int32_t n, int32_t dropped, double x, double y, double z,
                                  int32_t ready) {
    logN.push_back(n);
    logDropped.push_back(dropped);
    AppendFrame(x, y, z, ready);
}

void RecordingLogLists::AppendFrame(double x, double y, double z, int32_t ready) {
    logX.push_back(x);
    logY.push_back(y);
    logZ.push_back(z);
    logReady.push_back(ready);
}

void RecordingLogLists::Clear() {
    *this = RecordingLogLists{};
}

std::string FormatRecordingLog(const RecordingLogLists& lists, int logType, double actualFps,
                               double replayFps) {
    std::string out;
    if (logType == 0)
        FormatBlock(out, lists, actualFps, replayFps);
    if (logType == 1 || logType == 2)
        FormatTable(out, lists, logType == 2, actualFps, replayFps);
    return out;
}

LogWriteResult WriteRecordingLog(const std::string& path, RecordingLogLists& lists, int logType,
                                 double actualFps, double replayFps, INotifier& notifier,
                                 const std::function<void(bool)>& waitCursor) {
    if (lists.logN.empty())
        return LogWriteResult::NothingToWrite;
    // O_EXCL: a log of an earlier recording with the same number is never truncated.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        notifier.Notify(UiText("Recording", "ログファイルを作成できませんでした。\n") + path +
                            "\n" + std::strerror(errno) + "\n",
                        MessageIcon::Exclamation);
        return LogWriteResult::OpenFailed;
    }
    WaitCursorScope busy(waitCursor);
    const std::string text = FormatRecordingLog(lists, logType, actualFps, replayFps);
    bool ok = WriteAll(fd, text);
    int err = ok ? 0 : errno;
    if (ok && fsync(fd) != 0 && errno != EINVAL) {
        ok = false;
        err = errno;
    }
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        unlink(path.c_str());  // a half-written log is worse than none; the rows are kept
        notifier.Notify(UiText("Recording", "ログファイルに書き込めませんでした。\n") + path +
                            "\n" + std::strerror(err) + "\n",
                        MessageIcon::Exclamation);
        return LogWriteResult::WriteFailed;
    }
    lists.Clear();
    return LogWriteResult::Written;
}

}  // namespace tesmira
