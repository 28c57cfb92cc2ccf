// The position reply of a TE2000E Z drive, "aSPR <pulses>".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesmira {

// One reply line without its line end, taken only in exactly the drive's form: "aSPR", one
// blank, an optional minus and one to ten digits that fit an int, and nothing else. A line with
// anything more, less or different (noise, a cut or doubled line, a number out of range) is no
// position at all: the drive is moved from its own answer or not at all.
std::optional<int> ParseZPositionLine(std::string_view line);

// The non-empty lines of a received text, split at carriage returns and line feeds.
std::vector<std::string_view> ReplyLines(std::string_view text);

// The position in a received text: its first line that is a position reply (two replies that
// arrived together give the first one). Lines that are not are skipped.
std::optional<int> ParseZPositionReply(std::string_view text);

// A received line as printable ASCII for the log ("\xff", "\r" ...), cut after `max` bytes.
std::string EscapedForLog(std::string_view bytes, std::size_t max = 64);

}  // namespace tesmira
