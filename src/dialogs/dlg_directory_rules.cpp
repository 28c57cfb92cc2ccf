#include "dialogs/dlg_directory_rules.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tesmira {
namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) : std::string("/");
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

}  // namespace

std::string NormaliseFolder(const std::string& text) {
    std::string path = Trimmed(text);
    if (path == "~" || path.rfind("~/", 0) == 0)
        path = HomeFolder() + "/" + path.substr(1);
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

bool SameFolder(const std::string& a, const std::string& b) {
    return NormaliseFolder(a) == NormaliseFolder(b);
}

std::string StartFolder(const std::string& folder) {
    std::filesystem::path path(NormaliseFolder(folder));
    while (!path.empty()) {
        if (IsDirectory(path.string()))
            return path.string();
        if (path == path.parent_path())
            break;
        path = path.parent_path();
    }
    return HomeFolder();
}

bool QualityPageUsable(int mediaType) {
    return mediaType == 2;
}
bool VfwConfigUsable(int mediaType) {
    return mediaType == 3 || mediaType == 4;
}

DirectoryValues ReadDirectoryValues(const Settings& s) {
    DirectoryValues v;
    v.dirVideo = s.dirVideo;
    v.tempDrive = s.tempDrive;
    v.dirLog = s.dirLog;
    v.useTempDrive = s.useTempDrive != 0;
    v.logFileType = s.logFileType;
    v.saveLog = s.saveLog != 0;
    return v;
}

int RefusedFolder(const Settings& stored, const DirectoryValues& edited) {
    const std::string* now[3] = {&edited.dirVideo, &edited.tempDrive, &edited.dirLog};
    const std::string* before[3] = {&stored.dirVideo, &stored.tempDrive, &stored.dirLog};
    for (int i = 0; i < 3; ++i) {
        if (NormaliseFolder(*now[i]).empty() && !SameFolder(*now[i], *before[i]))
            return i;
    }
    return -1;
}

bool ApplyDirectoryValues(Settings& s, const DirectoryValues& edited) {
    s.dirLog = NormaliseFolder(edited.dirLog);
    s.logFileType = edited.logFileType;
    bool rebuild = (s.useTempDrive != 0) != edited.useTempDrive;
    s.useTempDrive = edited.useTempDrive ? 1 : 0;
    if (!SameFolder(s.dirVideo, edited.dirVideo))
        rebuild = true;
    s.dirVideo = NormaliseFolder(edited.dirVideo);
    if (!SameFolder(s.tempDrive, edited.tempDrive))
        rebuild = true;
    s.tempDrive = NormaliseFolder(edited.tempDrive);
    s.saveLog = edited.saveLog ? 1 : 0;
    return rebuild;
}

}  // namespace tesmira
