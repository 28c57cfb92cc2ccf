// Where the stand-in device libraries find their settings and keep their state: a file named by
// its own environment variable, else that file in the simulated lab's folder
// (TESMIRA_LABSIM_DIR), else nothing.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include <sys/time.h>

namespace standin {

inline std::string FilePath(const char* variable, const char* nameInLabDir) {
    if (const char* path = std::getenv(variable); path && *path)
        return path;
    if (const char* dir = std::getenv("TESMIRA_LABSIM_DIR"); dir && *dir)
        return std::string(dir) + "/" + nameInLabDir;
    return {};
}

inline std::string ReadLine(const std::string& path) {
    std::string line;
    if (path.empty())
        return line;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
        char buf[512];
        if (std::fgets(buf, sizeof buf, f))
            line = buf;
        std::fclose(f);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// "2024-05-01 12:00:00.123"
inline std::string TimeStamp() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm local{};
    localtime_r(&tv.tv_sec, &local);
    char buf[48];
    const size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(buf + n, sizeof buf - n, ".%03d", static_cast<int>(tv.tv_usec / 1000));
    return buf;
}

}  // namespace standin
