// Gathers the USBRH2 meter's answers to "getrh\n". A reply is ":T,H," (then a line end); it may
// arrive in pieces over several polls, so bytes are kept until a whole reply is there, and only
// whole replies with numeric fields are handed out. A reply without its ":" starts where its line
// starts, or where the bytes asked for by a query start: the temperature text then begins at the
// reply's first character. Bytes that came unasked (the tail of a reply to an earlier query) are
// never taken for the start of one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tesmira {

struct Usbrh2Reply {
    std::string temperature;  // as the meter sent it
    std::string humidity;
};

class Usbrh2ReplyParser {
public:
    // More than this waiting without a whole reply is noise: only the newest bytes are kept.
    static constexpr size_t kMaxPending = 128;
    // A field longer than this is not one of the meter's numbers.
    static constexpr size_t kMaxField = 16;

    void Append(std::string_view bytes);
    // The newest whole, well-formed reply among the bytes gathered so far (it and everything
    // before it are consumed); nothing while none is complete.
    std::optional<Usbrh2Reply> Take();
    // Forgets everything; what arrives next was not asked for yet.
    void Clear() {
        pending_.clear();
        atLineStart_ = false;
    }
    // A query was sent: when nothing is pending, the next bytes begin its reply.
    void ExpectReply() {
        if (pending_.empty())
            atLineStart_ = true;
    }
    size_t Pending() const { return pending_.size(); }

private:
    // Where the reply whose first comma is at k1 begins its temperature text; npos when its start
    // was lost (only bytes from the middle of a line are left).
    size_t TemperatureStart(size_t k1) const;
    void Drop(size_t count);  // the bytes dropped end a line, or a reply, or neither

    std::string pending_;
    bool atLineStart_ = false;  // pending_ begins where a reply may begin
};

// True for a decimal number such as "23.45", "-4.5" or " 7": what a meter field may hold.
bool IsMeterNumber(std::string_view text);

}  // namespace tesmira
