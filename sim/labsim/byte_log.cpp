#include "byte_log.h"

#include <sys/time.h>

#include <ctime>

namespace labsim {
namespace {

std::string Stamp() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm local{};
    localtime_r(&tv.tv_sec, &local);
    char buf[64];
    const size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(buf + n, sizeof buf - n, ".%03ld", static_cast<long>(tv.tv_usec / 1000));
    return buf;
}

}  // namespace

std::string Escape(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (c >= 0x20 && c < 0x7f) {
                    out.push_back(static_cast<char>(c));
                } else {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    out += hex;
                }
        }
    }
    return out;
}

void ByteLog::Line(const std::string& device, char direction, std::string_view bytes) {
    std::fprintf(out_, "%s %s %c %s\n", Stamp().c_str(), device.c_str(), direction,
                 Escape(bytes).c_str());
    std::fflush(out_);
}

void ByteLog::Note(const std::string& text) {
    std::fprintf(out_, "%s -- %s\n", Stamp().c_str(), text.c_str());
    std::fflush(out_);
}

}  // namespace labsim
