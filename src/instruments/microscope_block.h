// The 66-byte block the microscope controller publishes: its check word and the texts made
// from its vacuum and temperature fields.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tesmira {

inline constexpr size_t kMicroscopeBlockSize = 66;
using MicroscopeBlock = std::array<std::uint8_t, kMicroscopeBlockSize>;

namespace microscope_offset {
inline constexpr size_t kCheckWord = 0;       // 2 bytes, little-endian
inline constexpr size_t kMantissa = 53;       // 3 ASCII digits: integer, first and second decimal
inline constexpr size_t kExponentSign = 58;   // '1' = plus, anything else minus
inline constexpr size_t kExponentDigit = 59;  // ASCII digit
inline constexpr size_t kTemperature = 60;    // signed 16-bit little-endian, whole °C
}  // namespace microscope_offset

// XOR of bytes 1..65, widened to 16 bits.
std::uint16_t MicroscopeCheckSum(const MicroscopeBlock& block);
std::uint16_t MicroscopeCheckWord(const MicroscopeBlock& block);
// Stores the matching check word (for writers: the simulated lab and the tests).
void SealMicroscopeBlock(MicroscopeBlock& block);

struct MicroscopeFigures {
    std::string vacuum;       // "%c.%c%cx10(%c%c) Pa"
    std::string temperature;  // "%d"
};

// The figures of a block whose check word matches; nothing otherwise. Field bytes that are not
// printable ASCII show as "?".
std::optional<MicroscopeFigures> ParseMicroscopeBlock(const MicroscopeBlock& block);

}  // namespace tesmira
