// The traffic log: one line per chunk received or sent, with local time to the millisecond,
// the device and the direction ("<" received, ">" sent), and the bytes escaped so that line ends
// stay visible: \r \n \t \\ and \xHH for anything else outside printable ASCII.
//   2024-05-01 12:00:00.123 xy < M:1+P100\r\nG\r\n
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace labsim {

std::string Escape(std::string_view bytes);

class ByteLog {
public:
    explicit ByteLog(FILE* out) : out_(out) {}
    void Line(const std::string& device, char direction, std::string_view bytes);
    void Note(const std::string& text);

private:
    FILE* out_;
};

}  // namespace labsim
