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

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// The last colon or line end before `end` (npos when there is none).
size_t LastBoundary(const std::string& text, size_t end) {
    for (size_t i = end; i-- > 0;) {
        if (text[i] == ':' || IsLineEnd(text[i]))
            return i;
    }
    return std::string::npos;
}

}  // namespace

void Usbrh2ReplyParser::Append(std::string_view bytes) {
    pending_.append(bytes);
    if (pending_.size() > kMaxPending) {
        pending_.erase(0, pending_.size() - kMaxPending);
        atLineStart_ = false;  // the start of what is left was cut off
    }
}

size_t Usbrh2ReplyParser::TemperatureStart(size_t k1) const {
    const size_t b = LastBoundary(pending_, k1);
    if (b != std::string::npos)
        return b + 1;  // after the reply's colon, or at the first character of its line
    return atLineStart_ ? 0 : std::string::npos;
}

void Usbrh2ReplyParser::Drop(size_t count) {
    if (count == 0)
        return;
    // What follows a line end or a finished reply may be the next reply, colon or not.
    atLineStart_ = IsLineEnd(pending_[count - 1]) || pending_[count - 1] == ',';
    pending_.erase(0, count);
}

std::optional<Usbrh2Reply> Usbrh2ReplyParser::Take() {
    std::optional<Usbrh2Reply> newest;
    for (;;) {
        const size_t k1 = pending_.find(',');
        if (k1 == std::string::npos)
            break;
        const size_t t = TemperatureStart(k1);
        if (t == std::string::npos) {  // the tail of something already lost
            Drop(k1 + 1);
            atLineStart_ = false;  // a comma inside a line is no boundary
            continue;
        }
        const size_t k2 = pending_.find(',', k1 + 1);
        if (k2 == std::string::npos) {
            // Wait for the rest; keep the reply from its colon or its line's start.
            const size_t from = t > 0 && pending_[t - 1] == ':' ? t - 1 : t;
            if (from > 0) {
                atLineStart_ = true;
                pending_.erase(0, from);
            }
            break;
        }
        const size_t next = LastBoundary(pending_, k2);
        if (next != std::string::npos && next > k1) {  // a new reply began before this one ended
            Drop(pending_[next] == ':' ? next : next + 1);
            continue;
        }
        Usbrh2Reply reply{pending_.substr(t, k1 - t), pending_.substr(k1 + 1, k2 - k1 - 1)};
        Drop(k2 + 1);
        if (IsMeterNumber(reply.temperature) && IsMeterNumber(reply.humidity))
            newest = std::move(reply);
    }
    // Without a comma the rest is kept from the last place a reply can begin: its colon, the
    // start of its line, or the start of the bytes when they begin a line; anything else is noise.
    const size_t b = LastBoundary(pending_, pending_.size());
    if (b != std::string::npos) {
        const bool colon = pending_[b] == ':';
        pending_.erase(0, colon ? b : b + 1);
        atLineStart_ = true;
    } else if (!atLineStart_) {
        pending_.clear();
    }
    return newest;
}

}  // namespace tesmira
