#include "instruments/usbrh2_reply.h"

#include <cstdlib>

namespace tesmira {

bool IsMeterNumber(std::string_view text) {
    if (text.empty() || text.size() > Usbrh2ReplyParser::kMaxField)
        return false;
    bool digit = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '+' && c != '-' && c != '.' && c != ' ')
            return false;
    }
    if (!digit)
        return false;
    const std::string copy(text);
    char* end = nullptr;
    std::strtod(copy.c_str(), &end);
    while (end && *end == ' ')
        ++end;
    return end && *end == '\0';
}

void Usbrh2ReplyParser::Append(std::string_view bytes) {
    pending_.append(bytes);
    if (pending_.size() > kMaxPending)
        pending_.erase(0, pending_.size() - kMaxPending);
}

std::optional<Usbrh2Reply> Usbrh2ReplyParser::Take() {
    std::optional<Usbrh2Reply> newest;
    for (;;) {
        const size_t k1 = pending_.find(',');
        if (k1 == std::string::npos)
            break;
        // The reply starts at the last colon before its first comma; a comma with no colon in
        // front of it is the tail of something already lost.
        const size_t c = pending_.rfind(':', k1);
        if (c == std::string::npos) {
            pending_.erase(0, k1 + 1);
            continue;
        }
        const size_t k2 = pending_.find(',', k1 + 1);
        if (k2 == std::string::npos) {
            pending_.erase(0, c);  // wait for the rest
            break;
        }
        const size_t nextColon = pending_.find(':', k1 + 1);
        if (nextColon < k2) {  // a new reply began before this one ended
            pending_.erase(0, k1 + 1);
            continue;
        }
        Usbrh2Reply reply{pending_.substr(c + 1, k1 - c - 1), pending_.substr(k1 + 1, k2 - k1 - 1)};
        pending_.erase(0, k2 + 1);
        if (IsMeterNumber(reply.temperature) && IsMeterNumber(reply.humidity))
            newest = std::move(reply);
    }
    // Without a comma, only a colon can start the next reply: what lies before it is noise.
    const size_t c = pending_.rfind(':');
    if (c == std::string::npos)
        pending_.clear();
    else
        pending_.erase(0, c);
    return newest;
}

}  // namespace tesmira
