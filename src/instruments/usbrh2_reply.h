// Gathers the USBRH2 meter's answers to "getrh\n". A reply is ":T,H," (then a line end); it may
// arrive in pieces over several polls, so bytes are kept until a whole reply is there, and only
// whole replies with numeric fields are handed out.
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
    void Clear() { pending_.clear(); }
    size_t Pending() const { return pending_.size(); }

private:
    std::string pending_;
};

// True for a decimal number such as "23.45", "-4.5" or " 7": what a meter field may hold.
bool IsMeterNumber(std::string_view text);

}  // namespace tesmira
