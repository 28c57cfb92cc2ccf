#include "core/check_directory.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cinttypes>
#include <cstdio>

#include "core/notifier.h"

namespace tesmira {
namespace {

FreeSpaceQuery& Query() {
    static FreeSpaceQuery query;
    return query;
}

// Paths may be as long as PATH_MAX: size the text to fit instead of cutting it.
std::string Format(const char* fmt, const std::string& path, uint64_t mb) {
    const int n = std::snprintf(nullptr, 0, fmt, path.c_str(), mb);
    if (n <= 0)
        return fmt;
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), fmt, path.c_str(), mb);
    out.resize(static_cast<size_t>(n));
    return out;
}

}  // namespace

void SetFreeSpaceQuery(FreeSpaceQuery query) {
    Query() = std::move(query);
}

int64_t FreeMegabytes(const std::string& path) {
    if (Query())
        return Query()(path);
    struct statvfs fs {};
    if (statvfs(path.c_str(), &fs) != 0)
        return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize) >> 20);
}

bool CheckDirectory(std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        ShowMessage(Format(
            "ディレクトリー <%s> は存在しません！\nメニュー［キャプチャー］→［保存先とタイプ］"
            "でディレクトリーの再設定をして下さい。",
            path, 0));
        path.clear();
        return false;
    }
    const int64_t mb = FreeMegabytes(path);
    if (mb > 119)
        return true;
    ShowMessage(Format(
        "ディレクトリー <%s> の空き容量は %" PRIu64
        " MB "
        "です！\nメニュー［キャプチャー］→［保存先とタイプ］でディレクトリーの再設定をして下さい。",
        path, static_cast<uint64_t>(mb < 0 ? 0 : mb)));
    path.clear();
    return false;
}

}  // namespace tesmira
