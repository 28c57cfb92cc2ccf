#include "recording/frame_log.h"

#include <cctype>
#include <cstdio>
#include <ctime>

#include "imaging/safe_file.h"

namespace tesmira {

std::string NumberIn(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const bool sign = text[i] == '-' && i + 1 < text.size() &&
                          std::isdigit(static_cast<unsigned char>(text[i + 1]));
        if (!sign && !std::isdigit(static_cast<unsigned char>(text[i])))
            continue;
        size_t end = i + 1;
        bool dot = false;
        while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) ||
                                     (text[end] == '.' && !dot))) {
            dot = dot || text[end] == '.';
            ++end;
        }
        if (text[end - 1] == '.')
            --end;
        return text.substr(i, end - i);
    }
    return std::string();
}

std::string FormatFramesCsv(const std::vector<FrameRow>& rows) {
    std::string out = "index,time,ms,X,Y,Z,ready,temperature,humidity,dropped\n";
    for (const FrameRow& r : rows) {
        const std::time_t seconds = std::time_t(r.unixMs / 1000);
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        char line[256];
        std::snprintf(
            line, sizeof line,
            "%lld,%04d-%02d-%02dT%02d:%02d:%02d.%03dZ,%lld,%.2f,%.2f,%.2f,%d,%s,%s,%lld\n",
            static_cast<long long>(r.index), utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
            utc.tm_hour, utc.tm_min, utc.tm_sec, int(r.unixMs % 1000),
            static_cast<long long>(r.sinceStartMs), r.x, r.y, r.z, r.ready,
            NumberIn(r.temperature).c_str(), NumberIn(r.humidity).c_str(),
            static_cast<long long>(r.dropped));
        out += line;
    }
    return out;
}

std::string FramesCsvPathOf(const std::string& logPath) {
    const size_t slash = logPath.find_last_of('/');
    const size_t dot = logPath.find_last_of('.');
    const bool ext = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (ext ? logPath.substr(0, dot) : logPath) + ".frames.csv";
}

std::string WriteFramesCsv(const std::string& path, const std::vector<FrameRow>& rows) {
    if (rows.empty())
        return std::string();
    const std::string text = FormatFramesCsv(rows);
    const WriteResult r = WriteFileSafely(path, ExistingFile::kKeep, [&text](std::FILE* f) {
        return std::fwrite(text.data(), 1, text.size(), f) == text.size()
                   ? std::string()
                   : std::string("write error");
    });
    return r.ok() ? std::string() : (r.error.empty() ? path : r.error);
}

}  // namespace tesmira
