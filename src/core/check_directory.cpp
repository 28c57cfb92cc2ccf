#include "core/check_directory.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/notifier.h"
#include "core/text_format.h"
#include "core/ui_text.h"

namespace tesmira {
int64_t SystemFreeMegabytes(const std::string& path) {
    struct statvfs fs {};
    if (statvfs(path.c_str(), &fs) != 0)
        return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize) >> 20);
}

std::optional<std::string> DirectoryProblem(const std::string& path,
                                            const FreeSpaceQuery& freeSpace) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return Format(
            UiText(
                "Core",
                "ディレクトリー <%s> は存在しません！\nメニュー［キャプチャー］→［保存先とタイプ］"
                "でディレクトリーの再設定をして下さい。")
                .c_str(),
            path.c_str());
    }
    const int64_t mb = freeSpace ? freeSpace(path) : SystemFreeMegabytes(path);
    if (mb > 119)
        return std::nullopt;
    // The megabytes are passed as text, so the translated format needs no integer-size macro.
    return Format(UiText("Core",
                         "ディレクトリー <%s> の空き容量は %s MB "
                         "です！\nメニュー［キャプチャー］→［保存先とタイプ］でディレクトリーの再設"
                         "定をして下さい。")
                      .c_str(),
                  path.c_str(), std::to_string(mb < 0 ? 0 : mb).c_str());
}

bool FolderNamesMatch(std::string_view a, std::string_view b) {
    while (a.size() > 1 && a.back() == '/')
        a.remove_suffix(1);
    while (b.size() > 1 && b.back() == '/')
        b.remove_suffix(1);
    return !a.empty() && a == b;
}

bool MakeFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
}

bool CheckDirectory(std::string& path, INotifier& notifier, const FreeSpaceQuery& freeSpace) {
    const std::optional<std::string> problem = DirectoryProblem(path, freeSpace);
    if (!problem)
        return true;
    notifier.Notify(*problem, MessageIcon::Exclamation);
    path.clear();
    return false;
}

}  // namespace tesmira
